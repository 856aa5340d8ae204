#include "core/live/LiveScoring.h"

#include "core/protocol/ClassResults.h"
#include "core/settings/ClassNames.h"
#include "core/startlist/ListFile.h"
#include "core/startlist/StartList.h"

LiveClass scoreLiveClass(int classIndex, const StartList &list, std::int64_t fpSeconds, std::int64_t fsSeconds)
{
    const ClassResults results = classResults(classIndex, list, fpSeconds, fsSeconds);
    const std::vector<EntryMarks> marks = readMarksFile(MarksPath(classIndex)).marks.forEntries(list.entries());
    LiveClass result;
    result.index = classIndex;
    result.name = results.className;
    result.lines.reserve(results.lines.size());
    for (const ResultLine &line : results.lines) {
        LiveEntry entry;
        entry.number = line.value(ListField::Number);
        const int row = entry.number - 1;
        entry.startNr = line.text(ListField::StartNr);
        entry.name = line.text(ListField::Name);
        entry.age = list.text(row, ListField::Age);
        entry.info1 = line.text(ListField::Info1);
        entry.info2 = line.text(ListField::Info2);
        entry.info3 = line.text(ListField::Info3);
        entry.time1 = line.value(ListField::Time1);
        entry.fp1 = line.value(ListField::FP1);
        entry.fs1 = line.value(ListField::FS1);
        entry.penalty1 = line.value(ListField::Penalty1);
        entry.total1 = line.value(ListField::Total1);
        entry.time2 = line.value(ListField::Time2);
        entry.fp2 = line.value(ListField::FP2);
        entry.fs2 = line.value(ListField::FS2);
        entry.penalty2 = line.value(ListField::Penalty2);
        entry.total2 = line.value(ListField::Total2);
        entry.grandTotal = line.value(ListField::GrandTotal);
        entry.place = line.value(ListField::Place);
        if (row >= 0 && row < int(marks.size()))
            entry.marks = marks[std::size_t(row)];
        entry.handRuns = line.handRuns;
        entry.time1Text = line.text(ListField::Time1);
        entry.total1Text = line.text(ListField::Total1);
        entry.time2Text = line.text(ListField::Time2);
        entry.total2Text = line.text(ListField::Total2);
        entry.grandTotalText = line.text(ListField::GrandTotal);
        result.lines.push_back(std::move(entry));
    }
    return result;
}

LiveClass scoreLiveClassFile(int classIndex, std::int64_t fpSeconds, std::int64_t fsSeconds)
{
    StartList list;
    const Result<bool> read = ReadListFile(list, ClassListPath(classIndex), false);
    if (!read) {
        LiveClass failed = scoreLiveClass(classIndex, StartList(), fpSeconds, fsSeconds);
        failed.error = read.error().message();
        return failed;
    }
    if (!read.value())
        list.clear();
    return scoreLiveClass(classIndex, list, fpSeconds, fsSeconds);
}
