#include "core/barrier/BarrierControl.h"

#include "core/settings/SettingKeys.h"
#include "core/settings/SettingsStore.h"
#include "core/timing/RunControl.h"

#include <algorithm>

Result<BarrierTiming> BarrierTiming::read(const SettingsStore &settings)
{
    const Result<int> lockout = settings.read(Setting::BarrierLockoutMs);
    if (!lockout)
        return lockout.error();
    const Result<int> minimum = settings.read(Setting::BarrierMinimumRunMs);
    if (!minimum)
        return minimum.error();
    return clamped(lockout.value(), minimum.value());
}

BarrierControl::BarrierControl(RunControl &runs, QObject *parent)
    : QObject(parent)
    , m_runs(runs)
{
}

BarrierControl::Outcome BarrierControl::pulse(std::int64_t count)
{
    double ms = 0.0;
    const Outcome outcome = decide(count, ms);
    emit pulseHandled(outcome, ms);
    return outcome;
}

BarrierControl::Outcome BarrierControl::decide(std::int64_t count, double &ms)
{
    if (!m_algorithmOn)
        return Outcome::AlgorithmOff;
    if (m_runs.isLocked())
        return Outcome::Locked;
    if (m_lastAccepted) {
        // The distance between two readings, the same way the clock measures a run.
        TPerfTimer since;
        since.StartAt(*m_lastAccepted);
        ms = since.ElapsedMsAt(count);
        if (ms < m_timing.lockoutMs)
            return Outcome::InsideLockout;
    }
    if (m_runs.Running()) {
        ms = m_runs.elapsedMsAt(count);
        if (ms < m_timing.minimumRunMs)
            return Outcome::RunTooShort;
        if (!m_runs.stopRunAt(count))
            return Outcome::NotReady;
        m_lastAccepted = count;
        return Outcome::Stopped;
    }
    if (!m_runs.startRunAt(count))
        return Outcome::NotReady;
    m_lastAccepted = count;
    ms = 0.0;
    return Outcome::Started;
}

QString BarrierControl::outcomeText(Outcome outcome, double ms)
{
    const QString seconds = QString::number(ms / 1000.0, 'f', 2);
    switch (outcome) {
    case Outcome::Started:
        return tr("Barrier: run started");
    case Outcome::Stopped:
        return tr("Barrier: run stopped");
    case Outcome::AlgorithmOff:
        return tr("Barrier: pulse (Alg. Off, no action)");
    case Outcome::Locked:
        return tr("Barrier: pulse ignored, station locked");
    case Outcome::InsideLockout:
        return tr("Barrier: pulse ignored, lockout (%1 s)").arg(seconds);
    case Outcome::RunTooShort:
        return tr("Barrier: pulse ignored, run too short (%1 s)").arg(seconds);
    case Outcome::NotReady:
        return tr("Barrier: pulse ignored, no run ready");
    }
    return QString();
}
