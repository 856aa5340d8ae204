#include "core/protocol/Scoring.h"

#include "core/protocol/Ranking.h"
#include "core/text/Numbers.h"
#include "core/text/WholeNumber.h"

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

// A result is the time as shown: whole hundredths, the milliseconds digit dropped as the time
// format drops it. Sums of shown times then add up on paper, and equal shown totals tie.
std::int32_t shownTime(std::int32_t time)
{
    return time - time % 10;
}

RunScore scoreRun(std::int32_t time, std::int32_t fpCount, std::int32_t fsCount, const ScoringRules &rules)
{
    // Each count times 1000 wraps at 32 bits; the rest is 64-bit arithmetic.
    const std::int64_t fp = wrappingMul32(fpCount, 1000);
    const std::int64_t fs = wrappingMul32(fsCount, 1000);
    const std::int64_t penalty = wrappingAdd64(wrappingMul64(fp, rules.fpSeconds), wrappingMul64(fs, rules.fsSeconds));
    return {wrapToInt32(penalty), wrapToInt32(wrappingAdd64(shownTime(time), penalty))};
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

std::int32_t ScoredEntry::value(ListField field) const
{
    switch (field) {
    case ListField::Time1:
        return runs.time1;
    case ListField::FP1:
        return runs.fp1;
    case ListField::FS1:
        return runs.fs1;
    case ListField::Time2:
        return runs.time2;
    case ListField::FP2:
        return runs.fp2;
    case ListField::FS2:
        return runs.fs2;
    case ListField::Penalty1:
        return score.penalty1;
    case ListField::Total1:
        return score.total1;
    case ListField::Penalty2:
        return score.penalty2;
    case ListField::Total2:
        return score.total2;
    case ListField::GrandTotal:
        return score.grandTotal;
    default:
        return 0;
    }
}
