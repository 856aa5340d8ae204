#include "core/protocol/Scoring.h"

#include "core/protocol/Ranking.h"
#include "core/text/Numbers.h"
#include "core/text/WholeNumber.h"

#include <algorithm>

namespace {
std::int32_t numberOf(const StartListEntry &entry, ListField field)
{
    return wholeNumberOf(entry.numbers[std::size_t(numberSlot(field))]);
}

struct RunScore
{
    std::int32_t penalty;
    std::int32_t total;
};

RunScore scoreRun(std::int32_t time, std::int32_t fpCount, std::int32_t fsCount, const ScoringRules &rules)
{
    // Each count times 1000 wraps at 32 bits; the rest is 64-bit arithmetic.
    const std::int64_t fp = wrappingMul32(fpCount, 1000);
    const std::int64_t fs = wrappingMul32(fsCount, 1000);
    const std::int64_t penalty = wrappingAdd64(wrappingMul64(fp, rules.fpSeconds), wrappingMul64(fs, rules.fsSeconds));
    return {wrapToInt32(penalty), wrapToInt32(wrappingAdd64(time, penalty))};
}
} // namespace

RunFields runFieldsOf(const StartListEntry &entry)
{
    return {numberOf(entry, ListField::Time1), numberOf(entry, ListField::FP1), numberOf(entry, ListField::FS1),
            numberOf(entry, ListField::Time2), numberOf(entry, ListField::FP2), numberOf(entry, ListField::FS2)};
}

Score scoreRuns(const RunFields &runs, const ScoringRules &rules)
{
    const RunScore first = scoreRun(runs.time1, runs.fp1, runs.fs1, rules);
    const RunScore second = scoreRun(runs.time2, runs.fp2, runs.fs2, rules);
    Score score;
    score.penalty1 = first.penalty;
    score.total1 = first.total;
    score.penalty2 = second.penalty;
    score.total2 = second.total;
    score.grandTotal = wrapToInt32(std::int64_t(first.total) + second.total);
    score.rankKey = rankKey(runs.time1, runs.time2, score.grandTotal);
    return score;
}

std::vector<ScoredEntry> scoreClass(const StartList::Entries &entries, const ScoringRules &rules)
{
    std::vector<ScoredEntry> scored;
    scored.reserve(entries.size());
    std::vector<std::uint32_t> ranked;
    for (const StartListEntry &entry : entries) {
        ScoredEntry &line = scored.emplace_back();
        line.runs = runFieldsOf(entry);
        line.score = scoreRuns(line.runs, rules);
        if (line.score.rankKey)
            ranked.push_back(*line.score.rankKey);
    }
    std::sort(ranked.begin(), ranked.end());
    for (ScoredEntry &line : scored) {
        if (line.score.rankKey)
            line.place = 1 + int(std::lower_bound(ranked.begin(), ranked.end(), *line.score.rankKey) - ranked.begin());
    }
    return scored;
}
