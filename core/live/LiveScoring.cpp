#include "core/live/LiveScoring.h"

#include <algorithm>

namespace {
int openRun(const StartList::Entries &entries, const std::vector<EntryMarks> &marks)
{
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const bool marked = i < marks.size() && marks[i].run(1).mark != RunMark::None;
        if (runFieldsOf(entries[i]).time1 == 0 && !marked)
            return 1;
    }
    return 2;
}
} // namespace

LiveClass liveClass(int classIndex, StartList::Entries entries, const ClassMarks &marks, const ClassHandTimes &hands,
                    const RaceRules &rules, CurrentRun current)
{
    const std::vector<EntryMarks> marked = marks.forEntries(entries);
    if (current.run != 1 && current.run != 2)
        current = {openRun(entries, marked), -1};
    LiveClass result;
    result.index = classIndex;
    result.name = rules.className(classIndex);
    result.run = current.run;
    result.standings = standings(entries, marked, hands, rules, current);
    result.entries = std::move(entries);
    return result;
}
