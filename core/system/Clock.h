#pragma once

#include <QDate>
#include <QDateTime>

// The date and the time of day as the program reads them, through one instance: the system's,
// unless a test has put its own in, so that nothing a test checks depends on the day it runs.
// Runs are not timed with it; they take the monotonic counter of core/timing.
class Clock
{
    Q_DISABLE_COPY_MOVE(Clock)

public:
    virtual ~Clock() = default;

    static QDateTime currentDateTimeUtc();
    static QDateTime currentDateTime();
    static QDate currentDate();

    // Puts another clock in place, or the system's again for nullptr; the caller keeps it alive
    // while it is in place.
    static void setInstance(Clock *clock);

protected:
    Clock() = default;
    virtual QDateTime nowUtc() const;

private:
    static Clock &instance();
};

// Today's date as the program counts it: the event's date where none is set, ages, file names.
inline QDate today()
{
    return Clock::currentDate();
}
