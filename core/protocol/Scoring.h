#pragma once

#include "core/startlist/StartList.h"

#include <cstdint>
#include <optional>
#include <vector>

// What a score depends on besides the entry. Whole seconds per FP and per FS count.
struct ScoringRules
{
    std::int64_t fpSeconds = 2;
    std::int64_t fsSeconds = 10;

    friend bool operator==(const ScoringRules &, const ScoringRules &) = default;
};

// The times and penalty counts of an entry's two runs, as the whole numbers a cell holds.
struct RunFields
{
    std::int32_t time1 = 0, fp1 = 0, fs1 = 0, time2 = 0, fp2 = 0, fs2 = 0;

    std::int32_t time(int run) const { return run == 1 ? time1 : time2; }
    friend bool operator==(const RunFields &, const RunFields &) = default;
};

RunFields runFieldsOf(const StartListEntry &entry);

// The derived values of one entry. Times are whole milliseconds in signed 32-bit cells; a sum
// past their range keeps its low 32 bits. Totals add the run times as shown, in hundredths, so
// the class file keeps milliseconds that no total or place depends on.
struct Score
{
    std::int32_t penalty1 = 0, total1 = 0, penalty2 = 0, total2 = 0, grandTotal = 0;
    // What places compare; none without a time in both runs.
    std::optional<std::uint32_t> rankKey;
};

Score scoreRuns(const RunFields &runs, const ScoringRules &rules);

struct ScoredEntry
{
    RunFields runs;
    Score score;

    // A run field or a scored field; 0 for the others.
    std::int32_t value(ListField field) const;
};
