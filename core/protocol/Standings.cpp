#include "core/protocol/Standings.h"

#include "core/protocol/Ranking.h"

#include <algorithm>

std::optional<std::uint32_t> rankValueOf(const RunFields &runs, const Score &score, const EntryMarks &marks,
                                         ScoringMode mode)
{
    if (marks.heaviest() == RunMark::Disqualified)
        return std::nullopt;
    if (mode == ScoringMode::SumOfRuns)
        return marks.any() ? std::nullopt : score.rankKey;
    // A run total is read unsigned, as the sum is: a wrapped total ranks last.
    const std::int32_t totals[2] = {score.total1, score.total2};
    std::optional<std::uint32_t> best;
    for (int run = 1; run <= 2; ++run) {
        if (runs.time(run) > 0 && marks.run(run).mark == RunMark::None) {
            const auto value = std::uint32_t(totals[run - 1]);
            best = best ? std::min(*best, value) : value;
        }
    }
    return best;
}

ClassStandings standings(const StartList::Entries &entries, const std::vector<EntryMarks> &marks,
                         const ClassHandTimes &hands, const RaceRules &rules, const CurrentRun &current)
{
    ClassStandings result;
    const std::size_t count = entries.size();
    result.entries.resize(count);
    std::vector<std::optional<std::uint32_t>> values(count);
    const EntryMarks unmarked;
    const ScoringRules penalties = rules.penalties();
    for (std::size_t i = 0; i < count; ++i) {
        const StartListEntry &entry = entries[i];
        const EntryMarks &marked = i < marks.size() ? marks[i] : unmarked;
        const RunFields runs = runFieldsOf(entry);
        const Score score = scoreRuns(runs, penalties);
        EntryStanding &line = result.entries[i];
        const std::int32_t fields[2][5] = {{runs.time1, runs.fp1, runs.fs1, score.penalty1, score.total1},
                                           {runs.time2, runs.fp2, runs.fs2, score.penalty2, score.total2}};
        for (int r = 0; r < 2; ++r) {
            RunStanding &run = line.runs[std::size_t(r)];
            run.time = fields[r][0];
            run.fp = fields[r][1];
            run.fs = fields[r][2];
            run.penalty = fields[r][3];
            run.mark = marked.runs[std::size_t(r)];
            if (run.mark.mark == RunMark::None) {
                run.total = fields[r][4];
                run.hand = !hands.isEmpty()
                    && hands.isHandTime(entry.texts[std::size_t(textSlot(ListField::Name))], r + 1, run.time);
            }
        }
        if (runs.time1 != 0 && runs.time2 != 0 && !marked.any())
            line.total = score.grandTotal;
        line.rankValue = rankValueOf(runs, score, marked, rules.scoring);
        if (!line.rankValue)
            line.mark = marked.heaviest();
        values[i] = line.rankValue;
    }

    const std::vector<int> places = sharedPlaces(values);
    std::optional<std::uint32_t> leader;
    for (std::size_t i = 0; i < count; ++i) {
        result.entries[i].place = places[i];
        if (values[i])
            leader = leader ? std::min(*leader, *values[i]) : *values[i];
    }
    for (EntryStanding &line : result.entries) {
        if (line.rankValue)
            line.gap = *line.rankValue - *leader;
    }
    result.order = placeOrder(places);

    const int run = current.run == 2 ? 2 : 1;
    for (std::size_t i = 0; i < count; ++i) {
        const RunStanding &driven = result.entries[i].run(run);
        if (driven.time == 0 && driven.mark.mark == RunMark::None)
            result.toRun.push_back(int(i));
    }
    if (!result.toRun.empty()) {
        const auto after = std::upper_bound(result.toRun.begin(), result.toRun.end(), current.after);
        result.next = after != result.toRun.end() ? *after : result.toRun.front();
        if (result.next == current.after)
            result.next = -1;
    }

    if (rules.clubField >= 1 && rules.clubField <= 3) {
        const ListField clubField = ListField(int(ListField::Info1) + rules.clubField - 1);
        std::vector<ClubMember> members;
        members.reserve(count);
        for (std::size_t i = 0; i < count; ++i)
            members.push_back({entries[i].texts[std::size_t(textSlot(clubField))], values[i]});
        result.clubs = rankClubs(members, rules.clubBest);
    }
    return result;
}
