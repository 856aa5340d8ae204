#pragma once

#include "core/startlist/StoreChange.h"
#include "core/timing/PerfTimer.h"
#include "core/timing/RunState.h"

#include <QObject>
#include <QString>
#include <cstdint>

// What run control needs of the results protocol. Row r is entry r of the current class.
class RunProtocol
{
public:
    virtual ~RunProtocol() = default;
    virtual int rowCount() const = 0;
    // Run 1 means "Lauf 1"; any other run number means "Lauf 2".
    virtual std::int32_t runTime(int row, int run) const = 0;
    virtual QString participantName(int row) const = 0;
    // A stopped run's time, kept as the run's result; source says what stopped it.
    virtual void recordRunTime(int row, int run, std::int32_t time, ChangeSource source) = 0;
    // The clock of the run going on, for the eye only: it is no result until the run stops.
    virtual void showLiveTime(std::int32_t time) = 0;
    // The running flag, current row or run changed; the protocol redraws what depends on them.
    virtual void showRunState(const RunState &state) = 0;
};

// The stopwatch's state machine: current participant, current run, running flag, lock state.
class RunControl final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RunControl)

public:
    static constexpr std::uint32_t BeamUnlockedColor = 255; // pure red, 0xBBGGRR
    static constexpr std::uint32_t BeamLockedColor = 128; // dark red

    explicit RunControl(QObject *parent = nullptr);

    void setProtocol(RunProtocol *protocol);
    // Read at the moment of each start and each stop.
    void setAutoLock(bool on) { m_autoLock = on; }
    // The run editor's value: 1 or 2, 0 when empty.
    void setRunNumber(int run);
    RunState runState() const { return {m_running, m_currentRow, m_runNumber}; }
    int runNumber() const { return m_runNumber; }

    // Back to the state of a freshly shown window: no run, START and STOPP disabled.
    void resetForShow();

    void SelectParticipant(int row);
    // source says what gave the command: a key, a button or the light barrier.
    void StartRun(ChangeSource source = ChangeSource::Key) { startRunAt(readPerfCounter(), source); }
    void StopRun(ChangeSource source = ChangeSource::Key) { stopRunAt(readPerfCounter(), source); }
    // Start and stop at a counter reading taken when the event happened (a light barrier's
    // pulse); false when the command's guard refused it.
    bool startRunAt(std::int64_t count, ChangeSource source = ChangeSource::Barrier);
    bool stopRunAt(std::int64_t count, ChangeSource source = ChangeSource::Barrier);
    // The time of the run going on at a counter reading, unrounded.
    double elapsedMsAt(std::int64_t count) const { return m_clock.ElapsedMsAt(count); }
    // A run going on is stopped and kept with the source Reset, whichever key or button gave it.
    void ResetClock(ChangeSource source = ChangeSource::Key) { resetClockAt(readPerfCounter(), source); }
    void resetClockAt(std::int64_t count, ChangeSource source = ChangeSource::Key);
    void LockStation();
    void UnlockStation();
    void ShowTime(TimeMs t);
    // The running time into the protocol's view of the current participant's run.
    void StoreLiveTime();

    // Timer ticks of the main window.
    void refreshDisplay();
    void refreshProtocol(bool windowActive);
    void blinkBeam(bool windowActive);

    bool Running() const { return m_running; }
    int CurrentRow() const { return m_currentRow; }
    TimeMs LiveTime() const { return m_liveTime; }
    bool isStartEnabled() const { return m_startEnabled; }
    bool isStopEnabled() const { return m_stopEnabled; }
    bool isLocked() const { return m_locked; }
    bool isBeamVisible() const { return m_beamVisible; }
    std::uint32_t beamColor() const { return m_beamColor; }
    bool areControlsEnabled() const { return m_controlsEnabled; }
    QString participantCaption() const { return m_caption; }

signals:
    void timeShown(TimeMs t);
    void participantCaptionChanged(const QString &caption);
    void runButtonsChanged(bool startEnabled, bool stopEnabled);
    void controlsEnabledChanged(bool enabled);
    void lockChanged(bool locked);
    void beamChanged(bool visible, std::uint32_t bgrColor);
    // The clock of a run, for the journal and the live results. startCount is the counter reading
    // of the start (see PerfTimer); a reset while running records the time shown as a stop does.
    void runStarted(int row, int run, std::int64_t startCount, ChangeSource source);
    void runStopped(int row, int run, std::int32_t timeMs, ChangeSource source);
    // Just before a stopped run's time goes into the protocol: the journal writes that change as
    // the stop itself.
    void runStopping(int row, int run, std::int32_t timeMs, ChangeSource source);

private:
    bool validRow(int row) const;
    void setRunButtons(bool startEnabled, bool stopEnabled);
    void setControlsEnabled(bool on);
    void setCaption(const QString &caption);
    void setBeam(bool visible, std::uint32_t color);
    void lockIfAutomatic();
    void publishRunState();

    RunProtocol *m_protocol = nullptr;
    bool m_autoLock = true;
    TPerfTimer m_clock;
    bool m_running = false;
    int m_currentRow = -1;
    int m_runNumber = 1;
    TimeMs m_liveTime = 0;
    bool m_startEnabled = false;
    bool m_stopEnabled = false;
    bool m_controlsEnabled = true;
    bool m_locked = false;
    bool m_beamVisible = true;
    std::uint32_t m_beamColor = BeamUnlockedColor;
    QString m_caption;
};
