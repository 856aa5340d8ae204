#pragma once

#include "core/timing/PerfTimer.h"

// A counter that tests move by hand, in microseconds.
struct FakeCounter
{
    static inline std::int64_t now = 0;
    static std::int64_t frequency() { return 1'000'000; }
    static std::int64_t value() { return now; }
    static void install(std::int64_t start = 1'000'000)
    {
        now = start;
        setPerfCounter({&frequency, &value});
    }
    static void advanceMs(double ms) { now += static_cast<std::int64_t>(ms * 1000.0); }
};
