#pragma once

#include "core/system/Clock.h"

// A clock a test sets: in place from its construction to its end, at the local date and time
// given (noon when only a date is), moving only when the test moves it.
class MockClock final : public Clock
{
public:
    explicit MockClock(const QDateTime &local)
        : m_utc(local.toUTC())
    {
        Clock::setInstance(this);
    }
    explicit MockClock(QDate date)
        : MockClock(QDateTime(date, QTime(12, 0)))
    {
    }
    ~MockClock() override { Clock::setInstance(nullptr); }

    void set(const QDateTime &local) { m_utc = local.toUTC(); }
    void advanceSecs(qint64 seconds) { m_utc = m_utc.addSecs(seconds); }

protected:
    QDateTime nowUtc() const override { return m_utc; }

private:
    QDateTime m_utc;
};
