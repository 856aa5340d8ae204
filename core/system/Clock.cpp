#include "core/system/Clock.h"

#include <atomic>

namespace {
// Read from the journal's and the backup's threads as well.
std::atomic<Clock *> g_instance = nullptr;

class SystemClock final : public Clock
{
};
} // namespace

Clock &Clock::instance()
{
    static SystemClock system;
    Clock *set = g_instance.load();
    return set ? *set : system;
}

void Clock::setInstance(Clock *clock)
{
    g_instance = clock;
}

QDateTime Clock::nowUtc() const
{
    return QDateTime::currentDateTimeUtc();
}

QDateTime Clock::currentDateTimeUtc()
{
    return instance().nowUtc();
}

QDateTime Clock::currentDateTime()
{
    return instance().nowUtc().toLocalTime();
}

QDate Clock::currentDate()
{
    return currentDateTime().date();
}
