#include "core/timing/RunControl.h"
#include "support/FakeCounter.h"
#include "support/TestEnvironment.h"

#include <QSignalSpy>
#include <array>
#include <functional>
#include <vector>

namespace {
// A protocol with a few rows whose calls the tests can inspect.
class RecordingProtocol final : public RunProtocol
{
public:
    struct Row
    {
        std::array<std::int32_t, 2> times {0, 0};
        std::array<std::int32_t, 2> written {0, 0};
        QString name;
    };
    std::vector<Row> rows;
    QStringList calls;
    std::vector<RunState> states;
    // Called at each write-back, to look at the station while the file is being written.
    std::function<void()> onWriteBack;

    int rowCount() const override { return int(rows.size()); }
    std::int32_t runTime(int row, int run) const override { return rows[row].times[run == 1 ? 0 : 1]; }
    QString participantName(int row) const override { return rows[row].name; }
    void recordRunTime(int row, int run, std::int32_t time, ChangeSource) override
    {
        rows[row].times[run == 1 ? 0 : 1] = time;
        rows[row].written = rows[row].times;
        calls << QStringLiteral("record %1 %2 %3").arg(row).arg(run).arg(time);
        if (onWriteBack)
            onWriteBack();
    }
    void showLiveTime(std::int32_t time) override { calls << QStringLiteral("live %1").arg(time); }
    void showRunState(const RunState &state) override { states.push_back(state); }
};
} // namespace

class TestRunControl final : public QObject
{
    Q_OBJECT

    RecordingProtocol m_protocol;
    std::unique_ptr<RunControl> m_runs;

private slots:
    void init()
    {
        FakeCounter::install();
        m_protocol = RecordingProtocol();
        m_protocol.rows = {{{0, 0}, {0, 0}, QStringLiteral("Kim")},
                           {{65'430, 0}, {65'430, 0}, QStringLiteral("Team 7")},
                           {{0, 0}, {0, 0}, QStringLiteral("Ola")}};
        m_runs = std::make_unique<RunControl>();
        m_runs->setProtocol(&m_protocol);
        m_runs->resetForShow();
        m_runs->SelectParticipant(-1);
        m_runs->LockStation();
    }
    void cleanupTestCase() { setPerfCounter(systemPerfCounter()); }

    void selectionOffersStartOnlyForAnEmptyRunCell_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("run");
        QTest::addColumn<bool>("startEnabled");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("currentRow");
        QTest::newRow("empty run 1") << 0 << 1 << true << "Lauf 1:  Kim" << 0;
        QTest::newRow("timed run 1") << 1 << 1 << false << "Lauf 1:  Team 7" << 1;
        QTest::newRow("untimed run 2 of a timed participant") << 1 << 2 << true << "Lauf 2:  Team 7" << 1;
        QTest::newRow("no row") << -1 << 1 << false << "" << -1;
        QTest::newRow("row past the end") << 3 << 1 << false << "" << -1;
    }
    void selectionOffersStartOnlyForAnEmptyRunCell()
    {
        QFETCH(int, row);
        QFETCH(int, run);
        QFETCH(bool, startEnabled);
        QFETCH(QString, caption);
        QFETCH(int, currentRow);
        m_runs->ShowTime(1234);
        m_runs->setRunNumber(run);
        m_runs->SelectParticipant(row);
        QCOMPARE(m_runs->isStartEnabled(), startEnabled);
        QCOMPARE(m_runs->isStopEnabled(), false);
        QCOMPARE(m_runs->participantCaption(), caption);
        QCOMPARE(m_runs->CurrentRow(), currentRow);
        QCOMPARE(m_runs->LiveTime(), TimeMs(0));
    }

    void startIsIgnoredWithoutAnOpenRun()
    {
        m_runs->StartRun(); // nobody selected
        QVERIFY(!m_runs->Running());
        m_runs->SelectParticipant(1); // run 1 already timed
        m_runs->StartRun();
        QVERIFY(!m_runs->Running());
        QCOMPARE(m_protocol.rows[1].times[0], 65'430);
    }

    void aTimedRunIsStoredRecalculatedAndWrittenBackOnce()
    {
        QSignalSpy controls(m_runs.get(), &RunControl::controlsEnabledChanged);
        m_runs->SelectParticipant(0);
        m_runs->StartRun();
        QVERIFY(m_runs->Running());
        QVERIFY(!m_runs->isStartEnabled());
        QVERIFY(m_runs->isStopEnabled());
        QCOMPARE(controls.takeFirst().at(0).toBool(), false);

        FakeCounter::advanceMs(12'345.5); // half goes to the even neighbour
        m_runs->refreshDisplay();
        QCOMPARE(m_runs->LiveTime(), TimeMs(12'346));
        FakeCounter::advanceMs(0.4);
        m_protocol.calls.clear();
        m_runs->StopRun();
        m_runs->StopRun(); // a second stop does nothing
        QVERIFY(!m_runs->Running());
        QCOMPARE(m_runs->LiveTime(), TimeMs(12'346));
        QCOMPARE(m_protocol.calls, QStringList({"record 0 1 12346"}));
        QCOMPARE(m_protocol.rows[0].written[0], 12'346);
        QVERIFY(!m_runs->isStartEnabled());
        QVERIFY(!m_runs->isStopEnabled());
        QCOMPARE(controls.takeFirst().at(0).toBool(), true);
    }

    // A write-back may fail and be reported; by then the station must already be ready again.
    void stopFinishesItsStateBeforeWritingBack()
    {
        m_runs->SelectParticipant(0);
        m_runs->StartRun();
        FakeCounter::advanceMs(1'000);
        bool running = true, stopEnabled = true, controls = false;
        m_protocol.onWriteBack = [&] {
            running = m_runs->Running();
            stopEnabled = m_runs->isStopEnabled();
            controls = m_runs->areControlsEnabled();
        };
        m_runs->StopRun();
        QVERIFY(!running);
        QVERIFY(!stopEnabled);
        QVERIFY(controls);
    }

    // The protocol learns the row, the run and the running flag from run control alone.
    void runStateReachesTheProtocol()
    {
        m_protocol.states.clear();
        m_runs->SelectParticipant(2);
        QCOMPARE(m_protocol.states.back(), (RunState {false, 2, 1}));
        m_runs->StartRun();
        QCOMPARE(m_protocol.states.back(), (RunState {true, 2, 1}));
        m_runs->StopRun();
        QCOMPARE(m_protocol.states.back(), (RunState {false, 2, 1}));
        m_runs->setRunNumber(2);
        QCOMPARE(m_protocol.states.back(), (RunState {false, 2, 2}));
        m_runs->SelectParticipant(-1);
        QCOMPARE(m_protocol.states.back(), (RunState {false, -1, 2}));
    }

    void aRunStoppedAtZeroLeavesTheRunOpen()
    {
        m_runs->SelectParticipant(2);
        m_runs->StartRun();
        m_runs->StopRun();
        QCOMPARE(m_protocol.rows[2].times[0], 0);
        QVERIFY(!m_runs->isStartEnabled()); // stays off until selected again
        m_runs->SelectParticipant(2);
        QVERIFY(m_runs->isStartEnabled());
    }

    void resetDuringARunRecordsTheTimeThenShowsZero()
    {
        m_runs->SelectParticipant(0);
        m_runs->StartRun();
        FakeCounter::advanceMs(7'000);
        m_runs->ResetClock();
        QVERIFY(!m_runs->Running());
        QCOMPARE(m_protocol.rows[0].written[0], 7'000);
        QCOMPARE(m_runs->LiveTime(), TimeMs(0));
    }

    void changingTheRunReopensStart()
    {
        m_runs->SelectParticipant(1);
        QVERIFY(!m_runs->isStartEnabled());
        m_runs->ShowTime(999);
        m_runs->setRunNumber(2);
        m_runs->SelectParticipant(m_runs->CurrentRow());
        QVERIFY(m_runs->isStartEnabled());
        QCOMPARE(m_runs->LiveTime(), TimeMs(0));
        m_runs->StartRun();
        FakeCounter::advanceMs(3'000);
        m_runs->StopRun();
        QCOMPARE(m_protocol.rows[1].written, (std::array<std::int32_t, 2> {65'430, 3'000}));
    }

    void emptyRunEditorTimesRunTwo()
    {
        m_runs->setRunNumber(0);
        m_runs->SelectParticipant(0);
        m_runs->StartRun();
        FakeCounter::advanceMs(1'500);
        m_runs->StopRun();
        QCOMPARE(m_protocol.rows[0].times, (std::array<std::int32_t, 2> {0, 1'500}));
    }

    void protocolFollowsOnlyWhileTheWindowIsActive()
    {
        m_runs->SelectParticipant(0);
        m_runs->StartRun();
        FakeCounter::advanceMs(250);
        m_runs->refreshDisplay();
        m_protocol.calls.clear();
        m_runs->refreshProtocol(false);
        QCOMPARE(m_protocol.calls, QStringList());
        m_runs->refreshProtocol(true);
        QCOMPARE(m_protocol.calls, QStringList({"live 250"}));
        QCOMPARE(m_protocol.rows[0].written[0], 0); // only the stop records a time
        FakeCounter::advanceMs(100);
        m_runs->StopRun();
        QCOMPARE(m_protocol.rows[0].written[0], 350);
    }

    // The display keeps running while another window is active, and stores only low 32 bits.
    void longRunsWrapIntoTheCell()
    {
        m_runs->SelectParticipant(0);
        m_runs->StartRun();
        FakeCounter::advanceMs(4'294'967'296.0 + 5.0);
        m_runs->StopRun();
        QCOMPARE(m_runs->LiveTime(), TimeMs(4'294'967'301));
        QCOMPARE(m_protocol.rows[0].times[0], 5);
    }

    void autoLock_data()
    {
        QTest::addColumn<bool>("autoLock");
        QTest::addColumn<bool>("lockedAfterStart");
        QTest::addColumn<bool>("lockedAfterStop");
        QTest::newRow("on") << true << true << true;
        QTest::newRow("off") << false << false << false;
    }
    void autoLock()
    {
        QFETCH(bool, autoLock);
        QFETCH(bool, lockedAfterStart);
        QFETCH(bool, lockedAfterStop);
        m_runs->setAutoLock(autoLock);
        m_runs->UnlockStation();
        m_runs->SelectParticipant(0);
        m_runs->StartRun();
        QCOMPARE(m_runs->isLocked(), lockedAfterStart);
        m_runs->UnlockStation(); // the operator unlocks during the run
        m_runs->StopRun();
        QCOMPARE(m_runs->isLocked(), lockedAfterStop);
    }

    void lockAndBeam()
    {
        QSignalSpy lock(m_runs.get(), &RunControl::lockChanged);
        m_runs->LockStation();
        m_runs->LockStation();
        QVERIFY(m_runs->isLocked());
        QCOMPARE(m_runs->beamColor(), RunControl::BeamLockedColor);
        for (int i = 0; i < 4; ++i)
            m_runs->blinkBeam(true);
        QVERIFY(m_runs->isBeamVisible()); // a locked beam is steady

        m_runs->UnlockStation();
        QCOMPARE(m_runs->beamColor(), RunControl::BeamUnlockedColor);
        m_runs->blinkBeam(true);
        QVERIFY(!m_runs->isBeamVisible());
        m_runs->blinkBeam(false);
        QVERIFY(!m_runs->isBeamVisible()); // frozen while another window is active
        m_runs->blinkBeam(true);
        QVERIFY(m_runs->isBeamVisible());
        QCOMPARE(lock.count(), 3);
    }

    // A selection during a run records the run for the participant it was started for.
    void selectionDuringARunStopsItForTheRightRow()
    {
        m_runs->SelectParticipant(0);
        m_runs->StartRun();
        FakeCounter::advanceMs(2'000);
        m_runs->SelectParticipant(2);
        QCOMPARE(m_protocol.rows[0].written[0], 2'000);
        QCOMPARE(m_protocol.rows[2].times[0], 0);
        QCOMPARE(m_runs->CurrentRow(), 2);
    }
};

ZORVEXA_CORE_TEST_MAIN(TestRunControl)
#include "test_runcontrol.moc"
