#pragma once

#include <cstdint>
#include <deque>
#include <optional>

// Maps the timestamps the windowing system gives its input events (milliseconds on its own
// clock, wrapping at 32 bits) onto the run counter, so that a press counts from the moment it
// happened and not from when its handler got round to it.
//
// The offset between the two clocks is the smallest lag seen over recent events: an event is
// never handled before it happened, and the promptly handled ones show the true offset. Where
// the system stamps from the monotonic clock itself (X servers on Linux), an offset close to
// zero is taken as exactly zero.
class EventClock final
{
public:
    // Lags beyond this are no mapping but a broken or foreign timestamp.
    static constexpr std::int64_t MaxLagMs = 60'000;
    // How long an observed lag counts towards the offset.
    static constexpr std::int64_t WindowMs = 30'000;
    static constexpr std::int64_t SnapToZeroMs = 50;

    // True where the platform's timestamps come from CLOCK_MONOTONIC in milliseconds.
    void setMonotonicTimestamps(bool on) { m_monotonic = on; }

    // Any input event handled now: its lag keeps the offset up to date.
    void observe(std::uint64_t timestamp);
    // The counter reading at the moment of the event, or none when its timestamp is unusable
    // (zero, or too far from now); the caller then takes the handler's time.
    std::optional<std::int64_t> countAt(std::uint64_t timestamp);

private:
    struct Seen
    {
        std::int64_t atMs;
        std::int32_t lagMs;
    };

    std::optional<std::int32_t> offset() const;
    void forgetBefore(std::int64_t nowMs);

    std::deque<Seen> m_seen;
    bool m_monotonic = false;
};
