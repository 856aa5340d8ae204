#pragma once

#include <QString>
#include <cstdint>

using TimeMs = std::int64_t;

// The monotonic high-resolution counter: counts and counts per second.
struct PerfCounterSource
{
    std::int64_t (*frequency)();
    std::int64_t (*value)();
};

// The counter backed by CLOCK_MONOTONIC, in nanoseconds.
PerfCounterSource systemPerfCounter();
// Tests replace the counter to get exact, repeatable readings.
void setPerfCounter(PerfCounterSource source);
// One raw reading of the active counter, taken where something happened and turned into time
// later, possibly on another thread.
std::int64_t readPerfCounter();
// The counter in force, for code that turns other clocks' readings into counts.
PerfCounterSource currentPerfCounter();

// Counter value on the millisecond scale. Splitting whole seconds from the remainder keeps
// the intermediate products far from the 64-bit limit for any realistic uptime.
long double counterToMs(std::int64_t count, std::int64_t frequency);
// Whole milliseconds as a counter reading, split the same way.
std::int64_t msToCount(std::int64_t ms, std::int64_t frequency);

class TPerfTimer final
{
public:
    void Start();
    double ElapsedMs() const;
    // The same, at a counter reading taken earlier.
    void StartAt(std::int64_t count);
    double ElapsedMsAt(std::int64_t count) const;

private:
    double m_startMs = 0.0;
};

// Rounds to the nearest whole millisecond, an exact half going to the even neighbour.
TimeMs roundToTimeMs(double ms);

// Minutes, ":", seconds, ".", hundredths; the millisecond digit is dropped, not rounded.
QString FormatTime(TimeMs t);
