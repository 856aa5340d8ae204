#include "core/protocol/RaceRanking.h"

#include <QHash>

#include <algorithm>
#include <numeric>

namespace {
template<typename Key> std::vector<int> sharedPlaces(const std::vector<std::optional<Key>> &keys)
{
    std::vector<Key> sorted;
    for (const auto &key : keys) {
        if (key)
            sorted.push_back(*key);
    }
    std::sort(sorted.begin(), sorted.end());
    std::vector<int> places(keys.size(), 0);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (keys[i])
            places[i] = 1 + int(std::lower_bound(sorted.begin(), sorted.end(), *keys[i]) - sorted.begin());
    }
    return places;
}
} // namespace

std::vector<RankedEntry> rankEntries(const std::vector<ScoredEntry> &scored, const std::vector<EntryMarks> &marks,
                                     ScoringMode mode)
{
    std::vector<RankedEntry> ranked(scored.size());
    std::vector<std::optional<std::uint32_t>> keys(scored.size());
    for (std::size_t i = 0; i < scored.size(); ++i) {
        const ScoredEntry &entry = scored[i];
        const EntryMarks none;
        const EntryMarks &marked = i < marks.size() ? marks[i] : none;
        RankedEntry &line = ranked[i];
        if (marked.heaviest() == RunMark::Disqualified || (mode == ScoringMode::SumOfRuns && marked.any())) {
            line.mark = marked.heaviest();
            continue;
        }
        if (mode == ScoringMode::SumOfRuns) {
            line.key = entry.score.rankKey;
        } else {
            // A run total is read unsigned, as the sum's key is: a wrapped total ranks last.
            const std::int32_t totals[2] = {entry.score.total1, entry.score.total2};
            for (int run = 1; run <= 2; ++run) {
                if (entry.runs.time(run) > 0 && marked.run(run).mark == RunMark::None) {
                    const auto key = std::uint32_t(totals[run - 1]);
                    line.key = line.key ? std::min(*line.key, key) : key;
                }
            }
            if (!line.key)
                line.mark = marked.heaviest();
        }
        keys[i] = line.key;
    }
    const std::vector<int> places = sharedPlaces(keys);
    for (std::size_t i = 0; i < ranked.size(); ++i)
        ranked[i].place = places[i];
    return ranked;
}

std::vector<int> resultOrder(const std::vector<RankedEntry> &ranked)
{
    std::vector<int> order(ranked.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const int pa = ranked[std::size_t(a)].place, pb = ranked[std::size_t(b)].place;
        if ((pa == 0) != (pb == 0))
            return pb == 0;
        return pa < pb;
    });
    return order;
}

std::vector<ClubStanding> rankClubs(const std::vector<ClubMember> &members, int best)
{
    best = std::max(1, best);
    QHash<QString, std::size_t> index;
    std::vector<ClubStanding> clubs;
    std::vector<std::vector<std::uint32_t>> keys;
    for (const ClubMember &member : members) {
        const QString name = member.club.simplified();
        if (name.isEmpty())
            continue;
        const QString folded = name.toCaseFolded();
        auto found = index.constFind(folded);
        if (found == index.constEnd()) {
            found = index.insert(folded, clubs.size());
            clubs.push_back({name, 0, 0, 0});
            keys.emplace_back();
        }
        if (member.key)
            keys[*found].push_back(*member.key);
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
    std::stable_sort(clubs.begin(), clubs.end(), [](const ClubStanding &a, const ClubStanding &b) {
        if ((a.place == 0) != (b.place == 0))
            return b.place == 0;
        return a.place < b.place;
    });
    return clubs;
}
