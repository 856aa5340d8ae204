#pragma once

#include "app/PerfTimer.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>

// What run control needs of the results protocol. Row r is entry r of the current class.
class RunProtocol
{
public:
    virtual ~RunProtocol() = default;
    virtual int RowCount() const = 0;
    // Run 1 means "Lauf 1"; any other run number means "Lauf 2".
    virtual std::int32_t RunTime(int row, int run) const = 0;
    virtual QString ParticipantName(int row) const = 0;
    virtual void StoreRunTime(int row, int run, std::int32_t time) = 0;
    virtual void RecalculateRow(int row) = 0;
    virtual void WriteBackRow(int row) = 0;
    virtual void Repaint() = 0;
};

// The stopwatch's state machine: current participant, current run, running flag, lock state.
class RunControl final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RunControl)

public:
    static constexpr std::uint32_t BeamUnlockedColor = 255; // pure red, 0xBBGGRR
    static constexpr std::uint32_t BeamLockedColor = 128;   // dark red

    explicit RunControl(QObject *parent = nullptr);

    void SetProtocol(RunProtocol *protocol);
    // Read at the moment of each start and each stop.
    void SetAutoLockSource(std::function<bool()> autoLock);
    // The run editor's value: 1 or 2, 0 when empty.
    void SetRunNumber(int run);
    int RunNumber() const { return m_runNumber; }

    // Back to the state of a freshly shown window: no run, START and STOPP disabled.
    void ResetForShow();

    void SelectParticipant(int row);
    void StartRun();
    void StopRun();
    void ResetClock();
    void LockStation();
    void UnlockStation();
    void ShowTime(TimeMs t);
    void StoreLiveTime();

    // Timer ticks of the main window.
    void RefreshDisplay();
    void RefreshProtocol(bool windowActive);
    void BlinkBeam(bool windowActive);

    bool Running() const { return m_running; }
    int CurrentRow() const { return m_currentRow; }
    TimeMs LiveTime() const { return m_liveTime; }
    bool StartEnabled() const { return m_startEnabled; }
    bool StopEnabled() const { return m_stopEnabled; }
    bool Locked() const { return m_locked; }
    bool BeamVisible() const { return m_beamVisible; }
    std::uint32_t BeamColor() const { return m_beamColor; }
    bool ControlsEnabled() const { return m_controlsEnabled; }
    QString ParticipantCaption() const { return m_caption; }

signals:
    void timeShown(TimeMs t);
    void participantCaptionChanged(const QString &caption);
    void runButtonsChanged(bool startEnabled, bool stopEnabled);
    void controlsEnabledChanged(bool enabled);
    void lockChanged(bool locked);
    void beamChanged(bool visible, std::uint32_t bgrColor);

private:
    bool validRow(int row) const;
    void setRunButtons(bool startEnabled, bool stopEnabled);
    void SetControlsEnabled(bool on);
    void setCaption(const QString &caption);
    void setBeam(bool visible, std::uint32_t color);
    void autoLock();

    RunProtocol *m_protocol = nullptr;
    std::function<bool()> m_autoLock;
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
