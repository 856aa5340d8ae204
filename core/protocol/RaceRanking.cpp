#include "core/protocol/RaceRanking.h"

#include "core/protocol/Ranking.h"

#include <QHash>

#include <algorithm>
#include <cstdint>
#include <numeric>

std::vector<ClubStanding> rankClubs(const std::vector<ClubMember> &members, int best)
{
    best = std::max(1, best);
    QHash<QString, std::size_t> index;
    std::vector<ClubStanding> clubs;
    std::vector<std::vector<std::uint32_t>> keys;
    // Most members spell their club as others did: each spelling is folded once.
    constexpr std::size_t NoClub = SIZE_MAX;
    QHash<QString, std::size_t> spellings;
    for (const ClubMember &member : members) {
        auto spelled = spellings.constFind(member.club);
        if (spelled == spellings.constEnd()) {
            std::size_t club = NoClub;
            const QString name = member.club.simplified();
            if (!name.isEmpty()) {
                const QString folded = name.toCaseFolded();
                auto found = index.constFind(folded);
                if (found == index.constEnd()) {
                    found = index.insert(folded, clubs.size());
                    clubs.push_back({name, 0, 0, 0});
                    keys.emplace_back();
                }
                club = *found;
            }
            spelled = spellings.insert(member.club, club);
        }
        if (*spelled != NoClub && member.key)
            keys[*spelled].push_back(*member.key);
    }
    std::vector<std::optional<std::uint64_t>> totals(clubs.size());
    for (std::size_t c = 0; c < clubs.size(); ++c) {
        std::vector<std::uint32_t> &k = keys[c];
        clubs[c].rankedDrivers = std::min(int(k.size()), best);
        if (int(k.size()) < best)
            continue;
        std::partial_sort(k.begin(), k.begin() + best, k.end());
        clubs[c].total = std::accumulate(k.begin(), k.begin() + best, std::uint64_t(0));
        totals[c] = clubs[c].total;
    }
    const std::vector<int> places = sharedPlaces(totals);
    for (std::size_t c = 0; c < clubs.size(); ++c)
        clubs[c].place = places[c];
    std::vector<ClubStanding> ordered;
    ordered.reserve(clubs.size());
    for (const int c : placeOrder(places))
        ordered.push_back(std::move(clubs[std::size_t(c)]));
    return ordered;
}
