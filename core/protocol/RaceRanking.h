#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

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
