#include "core/timing/PerfTimer.h"

#include <cmath>
#include <ctime>

namespace {
std::int64_t monotonicFrequency()
{
    return 1'000'000'000;
}

std::int64_t monotonicValue()
{
    timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

PerfCounterSource &activeCounter()
{
    static PerfCounterSource source = systemPerfCounter();
    return source;
}

long double nowMs()
{
    // Frequency first, then the counter, both read afresh on every call.
    const std::int64_t frequency = activeCounter().frequency();
    const std::int64_t count = activeCounter().value();
    return counterToMs(count, frequency);
}

QString twoDigits(std::int64_t v)
{
    return QString::number(v).rightJustified(2, QLatin1Char('0'));
}
} // namespace

PerfCounterSource systemPerfCounter()
{
    return {&monotonicFrequency, &monotonicValue};
}

void setPerfCounter(PerfCounterSource source)
{
    activeCounter() = source;
}

long double counterToMs(std::int64_t count, std::int64_t frequency)
{
    const std::int64_t seconds = count / frequency;
    const std::int64_t rest = count % frequency;
    return static_cast<long double>(seconds) * 1000.0L
        + static_cast<long double>(rest) * 1000.0L / static_cast<long double>(frequency);
}

PerfCounterSource currentPerfCounter()
{
    return activeCounter();
}

std::int64_t msToCount(std::int64_t ms, std::int64_t frequency)
{
    return ms / 1000 * frequency + ms % 1000 * frequency / 1000;
}

std::int64_t readPerfCounter()
{
    return activeCounter().value();
}

void TPerfTimer::StartAt(std::int64_t count)
{
    m_startMs = static_cast<double>(counterToMs(count, activeCounter().frequency()));
}

double TPerfTimer::ElapsedMsAt(std::int64_t count) const
{
    return static_cast<double>(counterToMs(count, activeCounter().frequency()) - static_cast<long double>(m_startMs));
}

void TPerfTimer::Start()
{
    m_startMs = static_cast<double>(nowMs());
}

double TPerfTimer::ElapsedMs() const
{
    return static_cast<double>(nowMs() - static_cast<long double>(m_startMs));
}

TimeMs roundToTimeMs(double ms)
{
    const double whole = std::floor(ms);
    const double fraction = ms - whole;
    auto result = static_cast<TimeMs>(whole);
    if (fraction > 0.5 || (fraction == 0.5 && (result % 2 != 0)))
        ++result;
    return result;
}

QString FormatTime(TimeMs t)
{
    const TimeMs cs = t / 10;
    const TimeMs hh = cs % 100;
    const TimeMs s = cs / 100;
    const TimeMs ss = s % 60;
    const TimeMs mm = s / 60;
    return twoDigits(mm) + QLatin1Char(':') + twoDigits(ss) + QLatin1Char('.') + twoDigits(hh);
}
