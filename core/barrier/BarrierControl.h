#pragma once

#include "core/system/FileResult.h"

#include <QObject>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <optional>

class RunControl;
class SettingsStore;

// Guards against a beam that is broken more than once per passage.
struct BarrierTiming
{
    static constexpr int DefaultLockoutMs = 2000;
    static constexpr int DefaultMinimumRunMs = 1000;

    // After a pulse that started or stopped a run, pulses this soon are ignored.
    int lockoutMs = DefaultLockoutMs;
    // A stop pulse this soon after the run's start is ignored.
    int minimumRunMs = DefaultMinimumRunMs;

    // As set by hand in the settings file: a negative value counts as 0.
    static BarrierTiming clamped(int lockoutMs, int minimumRunMs)
    {
        return {std::max(0, lockoutMs), std::max(0, minimumRunMs)};
    }
    // The two values of the settings file; a value that cannot be read fails the whole.
    static Result<BarrierTiming> read(const SettingsStore &settings);
};

// Turns the barrier's pulses into starts and stops of run control, at the moment of the pulse.
class BarrierControl final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BarrierControl)

public:
    enum class Outcome {
        Started,
        Stopped,
        AlgorithmOff, // "Alg." Off: the pulse is shown, nothing else
        Locked, // the station is locked
        InsideLockout, // too soon after the last start or stop by the barrier
        RunTooShort, // a stop before the minimum run time
        NotReady, // no run going on and START not available
    };
    Q_ENUM(Outcome)

    explicit BarrierControl(RunControl &runs, QObject *parent = nullptr);

    // "Alg." On (index 0) lets pulses start and stop runs.
    void setAlgorithmOn(bool on) { m_algorithmOn = on; }
    bool isAlgorithmOn() const { return m_algorithmOn; }
    void setTiming(const BarrierTiming &timing) { m_timing = timing; }
    const BarrierTiming &timing() const { return m_timing; }

    // A pulse of the barrier at a counter reading taken when the line changed.
    Outcome pulse(std::int64_t count);

    // The status line's words for what became of a pulse; ms is how long after the last start
    // or stop it came.
    static QString outcomeText(Outcome outcome, double ms);

signals:
    void pulseHandled(BarrierControl::Outcome outcome, double ms);

private:
    Outcome decide(std::int64_t count, double &ms);

    RunControl &m_runs;
    bool m_algorithmOn = true;
    BarrierTiming m_timing;
    std::optional<std::int64_t> m_lastAccepted;
};
