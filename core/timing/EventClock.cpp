#include "core/timing/EventClock.h"

#include "core/timing/PerfTimer.h"

#include <algorithm>

namespace {
constexpr std::size_t MaxSeen = 512;

struct Now
{
    std::int64_t count;
    std::int64_t ms;
};

Now now()
{
    const PerfCounterSource source = currentPerfCounter();
    const std::int64_t frequency = source.frequency();
    const std::int64_t count = source.value();
    return {count, static_cast<std::int64_t>(counterToMs(count, frequency))};
}

// The difference of two readings of a 32-bit millisecond clock, as a signed span.
std::int32_t wrappedDifference(std::int64_t laterMs, std::uint64_t earlierMs)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(laterMs) - static_cast<std::uint32_t>(earlierMs));
}
} // namespace

void EventClock::forgetBefore(std::int64_t nowMs)
{
    while (!m_seen.empty() && (nowMs - m_seen.front().atMs > WindowMs || m_seen.size() > MaxSeen))
        m_seen.pop_front();
}

void EventClock::observe(std::uint64_t timestamp)
{
    if (timestamp == 0)
        return;
    const Now t = now();
    forgetBefore(t.ms);
    const std::int32_t lag = wrappedDifference(t.ms, timestamp);
    // On the same clock nothing happens after it is handled: such a stamp is broken.
    if (m_monotonic && lag < -1)
        return;
    m_seen.push_back({t.ms, lag});
}

std::optional<std::int32_t> EventClock::offset() const
{
    if (m_seen.empty())
        return std::nullopt;
    const auto least = std::min_element(m_seen.begin(), m_seen.end(),
                                        [](const Seen &a, const Seen &b) { return a.lagMs < b.lagMs; });
    // The server's milliseconds are truncated, so its events can look up to 1 ms early.
    if (m_monotonic && least->lagMs >= -1 && least->lagMs <= SnapToZeroMs)
        return 0;
    return least->lagMs;
}

std::optional<std::int64_t> EventClock::countAt(std::uint64_t timestamp)
{
    if (timestamp == 0)
        return std::nullopt;
    observe(timestamp);
    const std::optional<std::int32_t> off = offset();
    if (!off)
        return std::nullopt;
    const Now t = now();
    // How long ago the event happened, on the run counter's scale.
    const std::int64_t lagMs = std::int64_t(wrappedDifference(t.ms, timestamp)) - *off;
    if (lagMs < 0 || lagMs > MaxLagMs)
        return std::nullopt;
    // Whole milliseconds: the event's clock has no finer part.
    return msToCount(t.ms - lagMs, currentPerfCounter().frequency());
}
