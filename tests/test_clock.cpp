#include "core/system/Clock.h"
#include "core/timing/EventClock.h"
#include "core/timing/PerfTimer.h"
#include "support/MockClock.h"
#include "support/TestEnvironment.h"

#include <limits>

namespace {
std::int64_t g_frequency = 1'000'000'000;
std::int64_t g_count = 0;
std::int64_t fakeFrequency()
{
    return g_frequency;
}
std::int64_t fakeValue()
{
    return g_count;
}
} // namespace

class TestClock final : public QObject
{
    Q_OBJECT

private slots:
    // The date and the time of day come from the clock in place, in the zone of the machine, and
    // from the system's again once a test's clock has ended.
    void dateAndTimeFromTheClockInPlace_data()
    {
        QTest::addColumn<QDateTime>("local");
        QTest::addColumn<QDate>("date");
        QTest::newRow("morning") << QDateTime(QDate(2026, 5, 16), QTime(8, 0)) << QDate(2026, 5, 16);
        QTest::newRow("just before midnight")
            << QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59)) << QDate(2026, 12, 31);
        QTest::newRow("just after midnight") << QDateTime(QDate(2027, 1, 1), QTime(0, 0)) << QDate(2027, 1, 1);
    }
    void dateAndTimeFromTheClockInPlace()
    {
        QFETCH(QDateTime, local);
        QFETCH(QDate, date);
        {
            MockClock clock(local);
            QCOMPARE(Clock::currentDate(), date);
            QCOMPARE(today(), date);
            QCOMPARE(Clock::currentDateTime(), local);
            QCOMPARE(Clock::currentDateTimeUtc(), local.toUTC());
            clock.advanceSecs(1);
            QCOMPARE(Clock::currentDateTime(), local.addSecs(1));
        }
        QVERIFY(qAbs(Clock::currentDateTimeUtc().secsTo(QDateTime::currentDateTimeUtc())) < 60);
    }

    void init()
    {
        g_frequency = 1'000'000'000;
        g_count = 0;
        setPerfCounter({&fakeFrequency, &fakeValue});
    }
    void cleanupTestCase() { setPerfCounter(systemPerfCounter()); }

    void formatTime_data()
    {
        QTest::addColumn<qint64>("ms");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qint64(0) << "00:00.00";
        QTest::newRow("below a hundredth") << qint64(9) << "00:00.00";
        QTest::newRow("one hundredth") << qint64(10) << "00:00.01";
        QTest::newRow("truncated, not rounded") << qint64(1239) << "00:01.23";
        QTest::newRow("just under a minute") << qint64(59'999) << "00:59.99";
        QTest::newRow("a minute") << qint64(60'000) << "01:00.00";
        QTest::newRow("a minute and 1005 ms") << qint64(61'005) << "01:01.00";
        QTest::newRow("just under an hour") << qint64(3'599'999) << "59:59.99";
        QTest::newRow("an hour has no hours field") << qint64(3'600'000) << "60:00.00";
        QTest::newRow("just under 100 minutes") << qint64(5'999'999) << "99:59.99";
        QTest::newRow("100 minutes widen the text") << qint64(6'000'000) << "100:00.00";
        QTest::newRow("largest stored cell") << qint64(2'147'483'647) << "35791:23.64";
    }
    void formatTime()
    {
        QFETCH(qint64, ms);
        QFETCH(QString, text);
        QCOMPARE(FormatTime(ms), text);
    }

    void roundHalfToEven_data()
    {
        QTest::addColumn<double>("reading");
        QTest::addColumn<qint64>("rounded");
        QTest::newRow("half down to even") << 1234.5 << qint64(1234);
        QTest::newRow("half up to even") << 1235.5 << qint64(1236);
        QTest::newRow("just below half") << 1234.4999 << qint64(1234);
        QTest::newRow("just above half") << 1234.5001 << qint64(1235);
        QTest::newRow("zero half") << 0.5 << qint64(0);
        QTest::newRow("whole") << 42.0 << qint64(42);
    }
    void roundHalfToEven()
    {
        QFETCH(double, reading);
        QFETCH(qint64, rounded);
        QCOMPARE(roundToTimeMs(reading), rounded);
    }

    void elapsedFollowsTheCounter()
    {
        TPerfTimer clock;
        g_count = 5'000'000'000; // 5 s
        clock.Start();
        g_count += 1'234'500'000;
        QCOMPARE(clock.ElapsedMs(), 1234.5);
        g_count += 1'000'000;
        QCOMPARE(clock.ElapsedMs(), 1235.5);
        QCOMPARE(roundToTimeMs(clock.ElapsedMs()), TimeMs(1236));
        clock.Start();
        QCOMPARE(clock.ElapsedMs(), 0.0);
    }

    void neverStartedMeasuresFromCounterOrigin()
    {
        TPerfTimer clock;
        g_count = 3'000'000'000;
        QCOMPARE(clock.ElapsedMs(), 3000.0);
    }

    // A nanosecond counter times 1000 would overflow 64 bits after about 106 days of uptime.
    void largeCountersDoNotOverflow_data()
    {
        QTest::addColumn<qint64>("frequency");
        QTest::addColumn<qint64>("start");
        QTest::newRow("ns, 107 days") << qint64(1'000'000'000) << qint64(107LL * 86'400 * 1'000'000'000);
        QTest::newRow("ns, 200 years") << qint64(1'000'000'000) << qint64(200LL * 365 * 86'400 * 1'000'000'000);
        QTest::newRow("ns, near the counter's end")
            << qint64(1'000'000'000) << std::numeric_limits<qint64>::max() - 100'000'000'000;
        QTest::newRow("odd frequency near the end")
            << qint64(3'579'545) << std::numeric_limits<qint64>::max() - 3'579'545LL * 1000;
    }
    void largeCountersDoNotOverflow()
    {
        QFETCH(qint64, frequency);
        QFETCH(qint64, start);
        g_frequency = frequency;
        g_count = start;
        TPerfTimer clock;
        clock.Start();
        g_count = start + frequency * 61; // 61 s later
        const TimeMs t = roundToTimeMs(clock.ElapsedMs());
        QCOMPARE(t, TimeMs(61'000));
        QCOMPARE(FormatTime(t), QStringLiteral("01:01.00"));
    }

    // Each row: events seen as (handled at, stamped), then a press handled at a moment with its
    // stamp; the press's counter reading in ms, or -1 where the handler's time must serve.
    void eventClockMapsPressTimes_data()
    {
        QTest::addColumn<bool>("monotonic");
        QTest::addColumn<QList<qint64>>("seen");
        QTest::addColumn<qint64>("handledAt");
        QTest::addColumn<quint64>("stamp");
        QTest::addColumn<qint64>("expected");
        constexpr qint64 Wrap = qint64(1) << 32;
        QTest::newRow("prompt") << false << QList<qint64>() << qint64(10'000) << quint64(10'000) << qint64(10'000);
        QTest::newRow("handler held 800 ms")
            << false << QList<qint64> {1'000, 1'000} << qint64(2'800) << quint64(2'000) << qint64(2'000);
        QTest::newRow("clock of another origin")
            << false << QList<qint64> {10'000, 123} << qint64(11'700) << quint64(1'023) << qint64(10'900);
        QTest::newRow("a prompt event corrects a late first one")
            << false << QList<qint64> {5'000, 4'700, 6'000, 6'000} << qint64(7'500) << quint64(7'000) << qint64(7'000);
        QTest::newRow("no timestamp") << false << QList<qint64> {1'000, 1'000} << qint64(2'000) << quint64(0)
                                      << qint64(-1);
        QTest::newRow("older than a minute")
            << false << QList<qint64> {80'000, 80'000} << qint64(100'000) << quint64(30'000) << qint64(-1);
        QTest::newRow("monotonic stamps: from the future")
            << true << QList<qint64> {1'000, 1'000} << qint64(2'000) << quint64(2'500) << qint64(-1);
        QTest::newRow("32-bit server time wrapped")
            << false << QList<qint64> {Wrap + 40, 40} << Wrap + 100 << quint64(50) << Wrap + 50;
        QTest::newRow("monotonic stamps: a small lag is none")
            << true << QList<qint64> {1'000, 997} << qint64(5'000) << quint64(4'990) << qint64(4'990);
        QTest::newRow("other stamps: the smallest lag is the offset")
            << false << QList<qint64> {1'000, 997} << qint64(5'000) << quint64(4'990) << qint64(4'993);
    }
    void eventClockMapsPressTimes()
    {
        QFETCH(bool, monotonic);
        QFETCH(QList<qint64>, seen);
        QFETCH(qint64, handledAt);
        QFETCH(quint64, stamp);
        QFETCH(qint64, expected);
        EventClock clock;
        clock.setMonotonicTimestamps(monotonic);
        for (qsizetype i = 0; i + 1 < seen.size(); i += 2) {
            g_count = seen[i] * 1'000'000;
            clock.observe(quint64(seen[i + 1]));
        }
        g_count = handledAt * 1'000'000 + 123'456; // the handler runs between two milliseconds
        const std::optional<std::int64_t> count = clock.countAt(stamp);
        QCOMPARE(count.value_or(-1'000'000), expected * 1'000'000);
    }

    void systemCounterIsMonotonic()
    {
        setPerfCounter(systemPerfCounter());
        TPerfTimer clock;
        clock.Start();
        double previous = 0.0;
        for (int i = 0; i < 1000; ++i) {
            const double now = clock.ElapsedMs();
            QVERIFY(now >= previous);
            previous = now;
        }
    }
};

ZORVEXA_CORE_TEST_MAIN(TestClock)
#include "test_clock.moc"
