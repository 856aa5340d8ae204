#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

// Places ("Platz") within a class. Only a participant with a time in both runs is ranked; the
// lowest "Ges.Zeit" is first, equal totals share a place and the places they fill are skipped
// (1, 2, 2, 4).
//
// A total is whole milliseconds in a signed 32-bit cell. A negative cell is a sum that went past
// 2^31 - 1 ms and wrapped, so the 32 bits are read unsigned: a wrapped total ranks after every
// total that fits and wrapped totals keep their true order among themselves.

// The places of keys: 1 + the number of lower keys, 0 for none. The one rule for drivers and clubs.
template<typename Key> std::vector<int> sharedPlaces(const std::vector<std::optional<Key>> &keys)
{
    std::vector<Key> sorted;
    sorted.reserve(keys.size());
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

// The indexes by place, those without a place (0) last, equal places in their given order.
std::vector<int> placeOrder(const std::vector<int> &places);

// The key a row ranks by, or nothing when a run has no time.
std::optional<std::uint32_t> rankKey(std::int32_t time1, std::int32_t time2, std::int32_t grandTotal);

// The places of a class kept up to date one row at a time, so that a change of one row (a live
// time every 100 ms) costs a search and a move in a sorted array instead of a full ranking.
class PlaceIndex final
{
public:
    void reset(const std::vector<std::optional<std::uint32_t>> &keys);
    // Gives row its new key; false when nothing changed for any place.
    bool update(int row, std::optional<std::uint32_t> key);
    // 1 + the number of ranked rows with a lower key; 0 for an unranked row.
    int place(int row) const;

private:
    std::vector<std::optional<std::uint32_t>> m_keys;
    std::vector<std::uint32_t> m_sorted;
};
