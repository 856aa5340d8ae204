#include "core/barrier/BarrierControl.h"
#include "core/barrier/BarrierLink.h"
#include "core/barrier/ContactPair.h"
#include "core/barrier/LineWatcher.h"
#include "core/settings/SettingsStore.h"
#include "core/timing/RunControl.h"
#include "support/FakeModemLines.h"
#include "support/SettingsFile.h"
#include "support/TestEnvironment.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>

#include <array>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <thread>

using Outcome = BarrierControl::Outcome;
Q_DECLARE_METATYPE(QList<Outcome>)

namespace {
// Three participants; what reaches a run cell is what the tests look at.
class CellProtocol final : public RunProtocol
{
public:
    std::array<std::array<std::int32_t, 2>, 3> times {};
    ChangeSource stoppedBy = ChangeSource::Load;
    int rowCount() const override { return int(times.size()); }
    std::int32_t runTime(int row, int run) const override { return times[row][run == 1 ? 0 : 1]; }
    QString participantName(int row) const override { return QStringLiteral("Kart %1").arg(row + 1); }
    void recordRunTime(int row, int run, std::int32_t time, ChangeSource source) override
    {
        times[row][run == 1 ? 0 : 1] = time;
        stoppedBy = source;
    }
    void showLiveTime(std::int32_t) override { }
    void showRunState(const RunState &) override { }
};

constexpr std::int64_t Us = 1;
constexpr std::int64_t Ms = 1000 * Us;
constexpr std::int64_t S = 1000 * Ms;

// A pseudo-terminal: a tty that refuses every modem-line call.
struct PseudoTerminal
{
    PseudoTerminal()
    {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0)
            device = QString::fromLocal8Bit(ptsname(master));
    }
    ~PseudoTerminal()
    {
        if (master >= 0)
            ::close(master);
    }
    int master = -1;
    QString device;
};
} // namespace

class TestBarrier final : public QObject
{
    Q_OBJECT

    CellProtocol m_protocol;
    std::unique_ptr<RunControl> m_runs;
    std::unique_ptr<BarrierControl> m_barrier;

    // Kart 1's run 1 open, the station unlocked, no automatic lock.
    void readyForARun()
    {
        m_runs->setAutoLock(false);
        m_runs->UnlockStation();
        m_runs->SelectParticipant(0);
        QVERIFY(m_runs->isStartEnabled());
    }

    std::unique_ptr<BarrierLink> fakeLink(const std::shared_ptr<FakePort> &port, int contactIndex = 1)
    {
        const auto devices = [] { return QStringList {"/dev/ttyS0", "/dev/ttyUSB0"}; };
        auto link = std::make_unique<BarrierLink>(BarrierPorts {devices, port->opener(port)});
        link->setRetryInterval(20);
        link->configure(2, contactIndex);
        return link;
    }

private slots:
    void init()
    {
        ScriptedCounter::install();
        m_protocol = CellProtocol();
        m_runs = std::make_unique<RunControl>();
        m_runs->setProtocol(&m_protocol);
        m_runs->resetForShow();
        m_runs->SelectParticipant(-1);
        m_runs->LockStation();
        m_barrier = std::make_unique<BarrierControl>(*m_runs);
    }
    void cleanupTestCase() { setPerfCounter(systemPerfCounter()); }

    void contactPairs_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("supply");
        QTest::addColumn<int>("watched");
        QTest::newRow("4-1") << 0 << true << int(TIOCM_DTR) << int(TIOCM_CAR);
        QTest::newRow("4-6") << 1 << true << int(TIOCM_DTR) << int(TIOCM_DSR);
        QTest::newRow("7-8") << 2 << true << int(TIOCM_RTS) << int(TIOCM_CTS);
        QTest::newRow("7-9") << 3 << true << int(TIOCM_RTS) << int(TIOCM_RNG);
        QTest::newRow("no selection") << -1 << false << 0 << 0;
        QTest::newRow("past the list") << 4 << false << 0 << 0;
    }
    void contactPairs()
    {
        QFETCH(int, index);
        QFETCH(bool, valid);
        const std::optional<ContactPair> pair = contactPairAt(index);
        QCOMPARE(pair.has_value(), valid);
        if (valid) {
            QTEST(pair->supply, "supply");
            QTEST(pair->watched, "watched");
        }
    }

    void devicesAreNumberedByName_data()
    {
        QTest::addColumn<QStringList>("found");
        QTest::addColumn<QStringList>("numbered");
        QTest::newRow("as the system lists them") << QStringList {"/dev/ttyUSB0", "/dev/ttyS1", "/dev/ttyS0"}
                                                  << QStringList {"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyUSB0"};
        QTest::newRow("ten after two") << QStringList {"/dev/ttyS10", "/dev/ttyS2", "/dev/ttyACM0"}
                                       << QStringList {"/dev/ttyACM0", "/dev/ttyS2", "/dev/ttyS10"};
        QTest::newRow("none") << QStringList {} << QStringList {};
    }
    void devicesAreNumberedByName()
    {
        QFETCH(QStringList, found);
        QTEST(sortSerialDevices(found), "numbered");
    }

    void errorsInTheOperatorsWords_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<bool>("wasConnected");
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("word"); // in the main window's line
        using S = BarrierStatus::State;
        QTest::newRow("missing file") << ENOENT << false << int(S::NoDevice) << "no such device";
        QTest::newRow("no hardware behind it") << EIO << false << int(S::NoDevice) << "no such device";
        QTest::newRow("gone after connecting") << EIO << true << int(S::Unplugged) << "UNPLUGGED";
        QTest::newRow("node gone after connecting") << ENOENT << true << int(S::Unplugged) << "UNPLUGGED";
        QTest::newRow("no permission") << EACCES << false << int(S::PermissionDenied) << "dialout";
        QTest::newRow("not a serial port") << ENOTTY << false << int(S::NotSupported) << "no line signals";
        QTest::newRow("in use") << EBUSY << false << int(S::Failed) << qt_error_string(EBUSY);
    }
    void errorsInTheOperatorsWords()
    {
        QFETCH(int, error);
        QFETCH(bool, wasConnected);
        QFETCH(QString, word);
        const BarrierStatus::State state = barrierStateForError(error, wasConnected);
        QTEST(int(state), "state");
        const BarrierStatus status {state, 3, QStringLiteral("/dev/ttyUSB0"), error};
        QVERIFY2(status.text().contains(word), qPrintable(status.text()));
        QVERIFY(status.isProblem());
        QVERIFY(!status.details().isEmpty());
    }

    void timingComesFromTheSettings_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("unreadable");
        QTest::addColumn<int>("lockout");
        QTest::addColumn<int>("minimum");
        QTest::newRow("nothing stored") << QByteArray() << QString() << 2000 << 1000;
        QTest::newRow("both set") << QByteArray("[Configuration]\nBarrierLockoutMs=3500\nBarrierMinimumRunMs=15000\n")
                                  << QString() << 3500 << 15000;
        QTest::newRow("negative is none")
            << QByteArray("[Configuration]\nBarrierLockoutMs=-5\n") << QString() << 0 << 1000;
        QTest::newRow("not a number") << QByteArray("[Configuration]\nBarrierMinimumRunMs=soon\n") << QString() << 2000
                                      << 1000;
        QTest::newRow("lockout not text")
            << QByteArray("[Configuration]\nBarrierLockoutMs=@ByteArray(1)\n") << "BarrierLockoutMs" << 0 << 0;
        QTest::newRow("minimum not text")
            << QByteArray("[Configuration]\nBarrierLockoutMs=3500\nBarrierMinimumRunMs=@Variant(1)\n")
            << "BarrierMinimumRunMs" << 0 << 0;
    }
    void timingComesFromTheSettings()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, unreadable);
        const bool ok = unreadable.isEmpty();
        QFile::remove(SettingsStore::filePath());
        if (!file.isEmpty())
            writeSettingsFile(file);
        const Result<BarrierTiming> timing = BarrierTiming::read(SettingsStore());
        QCOMPARE(timing.ok(), ok);
        if (ok) {
            QTEST(timing.value().lockoutMs, "lockout");
            QTEST(timing.value().minimumRunMs, "minimum");
        } else {
            QVERIFY2(timing.error().message().contains(unreadable), qPrintable(timing.error().message()));
        }
    }

    // Pulses at exact counter readings (microseconds) against the run cell they leave behind.
    void pulseSequences_data()
    {
        QTest::addColumn<QList<qint64>>("pulses");
        QTest::addColumn<int>("lockoutMs");
        QTest::addColumn<int>("minimumMs");
        QTest::addColumn<QList<Outcome>>("outcomes");
        QTest::addColumn<int>("stored");
        QTest::addColumn<bool>("running");
        using O = Outcome;
        QTest::newRow("start and finish") << QList<qint64> {1 * S, 66 * S + 432'600 * Us} << 2000 << 1000
                                          << QList<O> {O::Started, O::Stopped} << 65'433 << false;
        QTest::newRow("half a millisecond goes to even") << QList<qint64> {2 * S, 4 * S + 500'500 * Us} << 2000 << 1000
                                                         << QList<O> {O::Started, O::Stopped} << 2'500 << false;
        QTest::newRow("half a millisecond goes to even, upwards")
            << QList<qint64> {2 * S, 4 * S + 501'500 * Us} << 2000 << 1000 << QList<O> {O::Started, O::Stopped} << 2'502
            << false;
        QTest::newRow("bounces at the start")
            << QList<qint64> {1 * S,          1 * S + 300 * Us, 1 * S + 1 * Ms,
                              1 * S + 4 * Ms, 1 * S + 250 * Ms, 31 * S + 100 * Us}
            << 2000 << 1000
            << QList<O> {O::Started, O::InsideLockout, O::InsideLockout, O::InsideLockout, O::InsideLockout, O::Stopped}
            << 30'000 << false;
        QTest::newRow("just inside, then just past the lockout")
            << QList<qint64> {1 * S, 3 * S - 1 * Us, 3 * S} << 2000 << 1000
            << QList<O> {O::Started, O::InsideLockout, O::Stopped} << 2'000 << false;
        QTest::newRow("short runs before the minimum")
            << QList<qint64> {1 * S, 1 * S + 500 * Ms, 2 * S - 1 * Ms, 2 * S} << 200 << 1000
            << QList<O> {O::Started, O::RunTooShort, O::RunTooShort, O::Stopped} << 1'000 << false;
        QTest::newRow("no lockout, a bounce is a run too short") << QList<qint64> {1 * S, 1 * S + 200 * Us} << 0 << 1000
                                                                 << QList<O> {O::Started, O::RunTooShort} << 0 << true;
        QTest::newRow("the finish bounces too")
            << QList<qint64> {1 * S, 40 * S, 40 * S + 400 * Us, 43 * S} << 2000 << 1000
            << QList<O> {O::Started, O::Stopped, O::InsideLockout, O::NotReady} << 39'000 << false;
    }
    void pulseSequences()
    {
        QFETCH(QList<qint64>, pulses);
        QFETCH(int, lockoutMs);
        QFETCH(int, minimumMs);
        QFETCH(QList<Outcome>, outcomes);
        readyForARun();
        m_barrier->setTiming({lockoutMs, minimumMs});
        QList<Outcome> seen;
        for (qint64 count : pulses) {
            // The interface thread gets to each pulse later than it happened.
            ScriptedCounter::now = count + 7 * Ms;
            seen << m_barrier->pulse(count);
        }
        QCOMPARE(seen, outcomes);
        QTEST(m_protocol.times[0][0], "stored");
        QTEST(m_runs->Running(), "running");
    }

    void algorithmOffShowsPulsesAndChangesNothing()
    {
        readyForARun();
        m_barrier->setAlgorithmOn(false);
        QSignalSpy handled(m_barrier.get(), &BarrierControl::pulseHandled);
        QCOMPARE(m_barrier->pulse(1 * S), Outcome::AlgorithmOff);
        QCOMPARE(m_barrier->pulse(5 * S), Outcome::AlgorithmOff);
        QCOMPARE(handled.size(), 2);
        QVERIFY(!m_runs->Running());
        QVERIFY(m_runs->isStartEnabled());
        QVERIFY(!BarrierControl::outcomeText(Outcome::AlgorithmOff, 0).isEmpty());
    }

    // The automatic lock after a start keeps the barrier away until the operator unlocks.
    void aLockedStationIgnoresPulses()
    {
        readyForARun();
        m_runs->setAutoLock(true);
        QCOMPARE(m_barrier->pulse(1 * S), Outcome::Started);
        QVERIFY(m_runs->isLocked());
        QCOMPARE(m_barrier->pulse(20 * S), Outcome::Locked);
        QVERIFY(m_runs->Running());
        m_runs->UnlockStation();
        QCOMPARE(m_barrier->pulse(50 * S + 10 * Ms), Outcome::Stopped);
        QCOMPARE(m_protocol.times[0][0], 49'010);
        QCOMPARE(m_protocol.stoppedBy, ChangeSource::Barrier);
        QVERIFY(m_runs->isLocked());
    }

    void keysAndPulsesShareARun_data()
    {
        QTest::addColumn<bool>("startByKey");
        QTest::addColumn<bool>("stopByKey");
        QTest::addColumn<int>("stored");
        // The key reads the counter when pressed (at 10 s); the pulse happened at 9 s, later
        // than the start at 1 s.
        QTest::newRow("pulse start, key stop") << false << true << 9'000;
        QTest::newRow("key start, pulse stop") << true << false << 8'000;
    }
    void keysAndPulsesShareARun()
    {
        QFETCH(bool, startByKey);
        QFETCH(bool, stopByKey);
        readyForARun();
        ScriptedCounter::now = 1 * S;
        if (startByKey)
            m_runs->StartRun();
        else
            QCOMPARE(m_barrier->pulse(1 * S), Outcome::Started);
        ScriptedCounter::now = 10 * S;
        if (stopByKey)
            m_runs->StopRun();
        else
            QCOMPARE(m_barrier->pulse(9 * S), Outcome::Stopped);
        QTEST(m_protocol.times[0][0], "stored");
    }

    // A pulse from before a key start reaches the interface thread after it: not a stop.
    void aPulseOlderThanTheStartStopsNothing()
    {
        readyForARun();
        ScriptedCounter::now = 5 * S;
        m_runs->StartRun();
        QCOMPARE(m_barrier->pulse(5 * S - 1 * Ms), Outcome::RunTooShort);
        QVERIFY(m_runs->Running());
    }

    // Through the watcher's thread: the pulse carries the counter read at the line change.
    void theWorkerHandsOverTheMomentOfTheChange_data()
    {
        QTest::addColumn<int>("contactIndex");
        QTest::addColumn<QList<qint64>>("times");
        QTest::addColumn<QList<int>>("lines"); // after each change
        QTest::addColumn<QList<qint64>>("pulses");
        const int dsr = TIOCM_DSR;
        const int ri = TIOCM_RNG;
        QTest::newRow("both edges of an interruption")
            << 1 << QList<qint64> {1'000'123, 1'040'000} << QList<int> {dsr, 0} << QList<qint64> {1'000'123, 1'040'000};
        QTest::newRow("a spike gone before it settled") << 1 << QList<qint64> {2'000'000, 2'000'050, 3'000'001}
                                                        << QList<int> {0, 0, dsr} << QList<qint64> {3'000'001};
        QTest::newRow("another line moving")
            << 1 << QList<qint64> {4'000'000} << QList<int> {int(TIOCM_CTS)} << QList<qint64> {};
        QTest::newRow("ring reported at its end")
            << 3 << QList<qint64> {5'000'000, 7'500'000} << QList<int> {0, 0} << QList<qint64> {5'000'000, 7'500'000};
        QTest::newRow("ring reported at both edges")
            << 3 << QList<qint64> {5'000'000, 5'010'000} << QList<int> {ri, 0} << QList<qint64> {5'000'000, 5'010'000};
    }
    void theWorkerHandsOverTheMomentOfTheChange()
    {
        QFETCH(int, contactIndex);
        QFETCH(QList<qint64>, times);
        QFETCH(QList<int>, lines);
        auto port = std::make_shared<FakePort>();
        auto link = fakeLink(port, contactIndex);
        QTRY_VERIFY(link->status().isOpen());
        QCOMPARE(port->raised.load(), contactPairAt(contactIndex)->supply);
        QSignalSpy spy(link.get(), &BarrierLink::pulse);
        for (qsizetype i = 0; i < times.size(); ++i)
            port->push({times[i], lines[i]});
        QFETCH(QList<qint64>, pulses);
        QTRY_COMPARE(port->waitsEnded.load(), int(times.size()));
        QTRY_COMPARE(spy.size(), pulses.size());
        // The last change is settled and handed over within a few milliseconds; nothing more comes.
        QTest::qWait(100);
        QList<qint64> counts;
        for (const QList<QVariant> &pulse : spy)
            counts << pulse.at(0).toLongLong();
        QCOMPARE(counts, pulses);
        QCOMPARE(link->lineLevel(), bool(lines.last() & contactPairAt(contactIndex)->watched));
    }

    void aRunTimedThroughTheWorker()
    {
        readyForARun();
        auto port = std::make_shared<FakePort>();
        auto link = fakeLink(port);
        connect(link.get(), &BarrierLink::pulse, m_barrier.get(), &BarrierControl::pulse);
        QTRY_VERIFY(link->status().isOpen());
        QSignalSpy handled(m_barrier.get(), &BarrierControl::pulseHandled);
        const int dsr = TIOCM_DSR;
        // Beam broken at the start with a bouncing contact, restored, broken at the finish.
        for (const FakePort::Step &step :
             {FakePort::Step {10 * S + 17 * Us, dsr}, FakePort::Step {10 * S + 900 * Us, 0},
              FakePort::Step {10 * S + 1900 * Us, dsr}, FakePort::Step {10 * S + 80 * Ms, 0},
              FakePort::Step {72 * S + 345'678 * Us, dsr}})
            port->push(step);
        QTRY_COMPARE(handled.size(), 5);
        QCOMPARE(handled.first().at(0).value<Outcome>(), Outcome::Started);
        QCOMPARE(handled.last().at(0).value<Outcome>(), Outcome::Stopped);
        QCOMPARE(m_protocol.times[0][0], 62'346); // 62 345.661 ms
    }

    // The adapter pulled out mid-run: the run goes on under the keys, and the link comes back
    // by itself when the adapter does.
    void anUnpluggedAdapterLeavesTheRunToTheKeys()
    {
        readyForARun();
        auto port = std::make_shared<FakePort>();
        auto link = fakeLink(port);
        connect(link.get(), &BarrierLink::pulse, m_barrier.get(), &BarrierControl::pulse);
        QSignalSpy statuses(link.get(), &BarrierLink::statusChanged);
        QTRY_VERIFY(link->status().isOpen());
        port->push({1 * S, int(TIOCM_DSR)});
        QTRY_VERIFY(m_runs->Running());

        port->openError = ENOENT;
        port->push({2 * S, 0, EIO});
        QTRY_COMPARE(link->status().state, BarrierStatus::State::Unplugged);
        QCOMPARE(link->status().device, QStringLiteral("/dev/ttyUSB0"));
        QVERIFY(m_runs->Running());
        QVERIFY(m_runs->isStopEnabled());
        // Retries find the device missing and say nothing new.
        const int opens = port->opens;
        QTRY_VERIFY(port->opens >= opens + 3);
        QCOMPARE(link->status().state, BarrierStatus::State::Unplugged);

        ScriptedCounter::now = 30 * S;
        m_runs->StopRun();
        QCOMPARE(m_protocol.times[0][0], 29'000);

        port->openError = 0;
        QTRY_VERIFY(link->status().isOpen());
        m_runs->UnlockStation();
        m_runs->SelectParticipant(1);
        port->push({40 * S, int(TIOCM_DSR)});
        QTRY_VERIFY(m_runs->Running());
        QList<BarrierStatus::State> states;
        for (const QList<QVariant> &status : statuses)
            states << status.at(0).value<BarrierStatus>().state;
        using St = BarrierStatus::State;
        // Open, answered by the beam, gone, open again, answered again.
        QCOMPARE(states, (QList<St> {St::Opened, St::Connected, St::Unplugged, St::Opened, St::Connected}));
    }

    void openingFailures_data()
    {
        QTest::addColumn<int>("port");
        QTest::addColumn<int>("openError");
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("device");
        using St = BarrierStatus::State;
        QTest::newRow("permission denied") << 2 << EACCES << int(St::PermissionDenied) << "/dev/ttyUSB0";
        QTest::newRow("device file missing") << 1 << ENOENT << int(St::NoDevice) << "/dev/ttyS0";
        QTest::newRow("fewer devices than the number") << 3 << 0 << int(St::NoDevice) << "";
        QTest::newRow("port None") << 0 << 0 << int(St::Off) << "";
    }
    void openingFailures()
    {
        QFETCH(int, port);
        QFETCH(int, openError);
        QFETCH(int, state);
        auto fake = std::make_shared<FakePort>();
        fake->openError = openError;
        BarrierLink link(BarrierPorts {[] { return QStringList {"/dev/ttyS0", "/dev/ttyUSB0"}; }, fake->opener(fake)});
        link.setRetryInterval(20);
        link.configure(port, 1);
        QTRY_COMPARE(int(link.status().state), state);
        QTEST(link.status().device, "device");
        QVERIFY(!link.isWatching());
        if (port > 0) {
            // It keeps trying: a device plugged in or a permission granted later is found.
            const int opens = fake->opens;
            QTRY_VERIFY(fake->opens > opens || port > 2);
        }
    }

    // A port refused again and again is tried by one thread, not by a new one each time; the
    // port that opens at last says nothing of a barrier until a line changes.
    void oneWorkerKeepsTrying()
    {
        static thread_local int triesOnThisThread = 0;
        std::atomic<int> mostTriesOnAThread {0};
        std::atomic<int> refusals {4};
        auto fake = std::make_shared<FakePort>();
        const ModemLinesOpener open = fake->opener(fake);
        BarrierLink link(BarrierPorts {[] { return QStringList {"/dev/ttyS0"}; },
                                       [&](const QString &device) {
                                           mostTriesOnAThread
                                               = std::max(mostTriesOnAThread.load(), ++triesOnThisThread);
                                           if (refusals.fetch_sub(1) > 0)
                                               return OpenedLines {nullptr, EACCES};
                                           return open(device);
                                       }});
        link.setRetryInterval(10);
        link.configure(1, 1);
        QTRY_COMPARE(link.status().state, BarrierStatus::State::Opened);
        QCOMPARE(mostTriesOnAThread.load(), 5);
        fake->push({1 * S, 0});
        QTRY_COMPARE(link.status().state, BarrierStatus::State::Connected);
        link.configure(0, 1);
    }

    void aDeviceThatAppearsLaterIsConnected()
    {
        auto fake = std::make_shared<FakePort>();
        auto devices = std::make_shared<QStringList>(QStringList {"/dev/ttyS0"});
        BarrierLink link(BarrierPorts {[devices] { return *devices; }, fake->opener(fake)});
        link.setRetryInterval(20);
        link.configure(2, 1);
        QCOMPARE(link.status().state, BarrierStatus::State::NoDevice);
        *devices << QStringLiteral("/dev/ttyUSB0");
        QTRY_VERIFY(link.status().isOpen());
        QCOMPARE(link.status().device, QStringLiteral("/dev/ttyUSB0"));
        link.configure(0, 1);
        QCOMPARE(link.status().state, BarrierStatus::State::Off);
        QVERIFY(!link.isWatching());
    }

    // The real device calls on a tty without modem lines: each refuses at once, none blocks.
    void aPseudoTerminalRefusesTheLineCalls_data()
    {
        QTest::addColumn<int>("call");
        QTest::newRow("raise the supply") << 0;
        QTest::newRow("read the lines") << 1;
        QTest::newRow("wait for a change") << 2;
    }
    void aPseudoTerminalRefusesTheLineCalls()
    {
        QFETCH(int, call);
        PseudoTerminal pty;
        QVERIFY(!pty.device.isEmpty());
        OpenedLines opened = openSerialLines(pty.device);
        QCOMPARE(opened.error, 0);
        QVERIFY(opened.lines);
        int lines = 0;
        QElapsedTimer clock;
        clock.start();
        const int error = call == 0 ? opened.lines->raise(TIOCM_DTR)
            : call == 1             ? opened.lines->read(lines)
                                    : opened.lines->waitForChange(TIOCM_DSR);
        QCOMPARE(error, ENOTTY);
        QVERIFY(clock.elapsed() < 1000);
    }

    void aWatcherOnAPseudoTerminalEndsAndSaysWhy()
    {
        PseudoTerminal pty;
        QVERIFY(!pty.device.isEmpty());
        int opens = 0;
        BarrierLink link(BarrierPorts {[&pty] { return QStringList {pty.device}; },
                                       [&opens](const QString &device) {
                                           ++opens;
                                           return openSerialLines(device);
                                       }});
        link.setRetryInterval(20);
        link.configure(1, 0);
        QTRY_COMPARE(link.status().state, BarrierStatus::State::NotSupported);
        QCOMPARE(link.status().error, ENOTTY);
        QCOMPARE(link.status().device, pty.device);
        QVERIFY(!link.isWatching());
        QTest::qWait(100);
        QCOMPARE(opens, 1); // nothing to gain from trying again
    }

    void aMissingDeviceFileIsNoDevice()
    {
        BarrierLink link(BarrierPorts {[] { return QStringList {"/dev/zorvexa-no-such-tty"}; }, &openSerialLines});
        link.configure(1, 1);
        QTRY_COMPARE(link.status().state, BarrierStatus::State::NoDevice);
        QCOMPARE(link.status().error, ENOENT);
    }

    // The wait blocks in the kernel; stopping must end it whenever it comes.
    void stoppingNeverHangs_data()
    {
        QTest::addColumn<bool>("waitUntilBlocked");
        QTest::newRow("while blocked in the wait") << true;
        QTest::newRow("at any moment of starting") << false;
    }
    void stoppingNeverHangs()
    {
        QFETCH(bool, waitUntilBlocked);
        auto port = std::make_shared<FakePort>();
        QElapsedTimer clock;
        qint64 slowest = 0;
        for (int round = 0; round < (waitUntilBlocked ? 20 : 300); ++round) {
            LineWatcher watcher(port->opener(port), *contactPairAt(1));
            // Counted on this thread: a spy would count on the watcher's.
            int connected = 0;
            int failed = 0;
            connect(
                &watcher, &LineWatcher::connected, this, [&connected] { ++connected; }, Qt::QueuedConnection);
            connect(
                &watcher, &LineWatcher::failed, this, [&failed] { ++failed; }, Qt::QueuedConnection);
            watcher.open(QStringLiteral("/dev/ttyUSB0"));
            if (waitUntilBlocked) {
                QTRY_COMPARE(connected, 1);
                QTest::qWait(5);
            } else {
                const timespec pause {0, long(QRandomGenerator::global()->bounded(300)) * 1000};
                clock_nanosleep(CLOCK_MONOTONIC, 0, &pause, nullptr);
            }
            clock.start();
            watcher.stop();
            slowest = std::max(slowest, clock.elapsed());
            QVERIFY(!watcher.isRunning());
            QCoreApplication::processEvents();
            QCOMPARE(failed, 0); // a stop is no failure
        }
        QVERIFY2(slowest < 500, qPrintable(QString::number(slowest)));
        QCOMPARE(port->waitsEnded.load() >= (waitUntilBlocked ? 20 : 0), true);
    }

    // A link being replaced or destroyed with pulses still queued hands none of them on.
    void aStoppedWatcherLeavesNothingBehind()
    {
        auto port = std::make_shared<FakePort>();
        auto link = fakeLink(port);
        QTRY_VERIFY(link->status().isOpen());
        QSignalSpy pulses(link.get(), &BarrierLink::pulse);
        port->push({1 * S, int(TIOCM_DSR)});
        // No event processing until the change is surely queued.
        while (port->waitsEnded.load() < 1)
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        link->configure(2, 2); // another contact pair while the change is still queued
        QTRY_VERIFY(link->status().isOpen());
        QTest::qWait(20);
        QCOMPARE(pulses.size(), 0);
    }
};

ZORVEXA_CORE_TEST_MAIN(TestBarrier)
#include "test_barrier.moc"
