#include "core/protocol/Ranking.h"

#include <algorithm>
#include <numeric>

std::optional<std::uint32_t> rankKey(std::int32_t time1, std::int32_t time2, std::int32_t grandTotal)
{
    if (time1 == 0 || time2 == 0)
        return std::nullopt;
    return static_cast<std::uint32_t>(grandTotal);
}

void PlaceIndex::reset(const std::vector<std::optional<std::uint32_t>> &keys)
{
    m_keys = keys;
    m_sorted.clear();
    for (const auto &key : keys) {
        if (key)
            m_sorted.push_back(*key);
    }
    std::sort(m_sorted.begin(), m_sorted.end());
}

bool PlaceIndex::update(int row, std::optional<std::uint32_t> key)
{
    if (row < 0 || row >= int(m_keys.size()))
        return false;
    std::optional<std::uint32_t> &old = m_keys[std::size_t(row)];
    if (old == key)
        return false;
    if (old)
        m_sorted.erase(std::lower_bound(m_sorted.begin(), m_sorted.end(), *old));
    if (key)
        m_sorted.insert(std::upper_bound(m_sorted.begin(), m_sorted.end(), *key), *key);
    old = key;
    return true;
}

int PlaceIndex::place(int row) const
{
    if (row < 0 || row >= int(m_keys.size()) || !m_keys[std::size_t(row)])
        return 0;
    // As sharedPlaces counts them.
    const std::uint32_t key = *m_keys[std::size_t(row)];
    return 1 + int(std::lower_bound(m_sorted.begin(), m_sorted.end(), key) - m_sorted.begin());
}

std::vector<int> placeOrder(const std::vector<int> &places)
{
    std::vector<int> order(places.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const int pa = places[std::size_t(a)], pb = places[std::size_t(b)];
        if ((pa == 0) != (pb == 0))
            return pb == 0;
        return pa < pb;
    });
    return order;
}
