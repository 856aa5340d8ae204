#pragma once

#include "core/marks/RunMarks.h"
#include "core/protocol/Scoring.h"
#include "core/settings/RaceDaySettings.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

// Places under the scoring mode and the marks of the runs.
//
// Sum of both runs: a driver with both runs timed and unmarked ranks by the total of both.
// Best run: the better of the timed, unmarked runs ranks. A disqualification in either run
// unranks in both modes; in the sum mode so does any mark. Equal keys share a place (1, 2, 2, 4).
struct RankedEntry
{
    std::optional<std::uint32_t> key;
    // 0 for no place.
    int place = 0;
    // The mark that keeps the driver from a place, shown where the place would be.
    RunMark mark = RunMark::None;
};

std::vector<RankedEntry> rankEntries(const std::vector<ScoredEntry> &scored, const std::vector<EntryMarks> &marks,
                                     ScoringMode mode);

// The order the results list the entries in: by place, then the unranked in start order.
std::vector<int> resultOrder(const std::vector<RankedEntry> &ranked);

// A club's standing in one class: the sum of its best drivers' keys.
struct ClubStanding
{
    QString club;
    // 0: fewer ranked drivers than counted; listed after the ranked clubs.
    int place = 0;
    std::uint64_t total = 0;
    // The drivers the total counts: at most the best counted, fewer when the club has fewer.
    int rankedDrivers = 0;
};

struct ClubMember
{
    QString club;
    std::optional<std::uint32_t> key;
};

// Clubs are told apart by their name without regard to case or surrounding blanks; the first
// spelling met is shown. A member without a club counts for none.
std::vector<ClubStanding> rankClubs(const std::vector<ClubMember> &members, int best);
