#include "core/timing/RunControl.h"

RunControl::RunControl(QObject *parent)
    : QObject(parent)
{
}

void RunControl::setProtocol(RunProtocol *protocol)
{
    m_protocol = protocol;
}

void RunControl::setRunNumber(int run)
{
    m_runNumber = run;
    publishRunState();
}

void RunControl::resetForShow()
{
    m_running = false;
    setRunButtons(false, false);
    publishRunState();
}

bool RunControl::validRow(int row) const
{
    return m_protocol && row >= 0 && row < m_protocol->rowCount();
}

void RunControl::SelectParticipant(int row)
{
    // A run still going on is recorded for the participant it was started for.
    if (m_running)
        StopRun();
    if (validRow(row)) {
        m_currentRow = row;
        setCaption(QStringLiteral("Lauf %1:  %2").arg(m_runNumber).arg(m_protocol->participantName(row)));
        ResetClock();
        setRunButtons(m_protocol->runTime(row, m_runNumber) == 0, m_stopEnabled);
    } else {
        setCaption(QString());
        m_currentRow = -1;
        setRunButtons(false, m_stopEnabled);
        ResetClock();
    }
    publishRunState();
}

bool RunControl::startRunAt(std::int64_t count, ChangeSource source)
{
    if (!m_startEnabled)
        return false;
    setRunButtons(false, true);
    setControlsEnabled(false);
    m_running = true;
    m_clock.StartAt(count);
    publishRunState();
    emit runStarted(m_currentRow, m_runNumber, count, source);
    lockIfAutomatic();
    return true;
}

bool RunControl::stopRunAt(std::int64_t count, ChangeSource source)
{
    if (!m_stopEnabled || !m_running)
        return false;
    m_running = false;
    ShowTime(roundToTimeMs(m_clock.ElapsedMsAt(count)));
    publishRunState();
    setControlsEnabled(true);
    lockIfAutomatic();
    setRunButtons(m_startEnabled, false);
    // A cell holds the low 32 bits of the time.
    const auto time = static_cast<std::int32_t>(static_cast<std::uint32_t>(m_liveTime));
    // Last, so the station is ready again whatever the file does; a failed save is reported
    // by the store and the time stays in memory.
    emit runStopping(m_currentRow, m_runNumber, time, source);
    if (validRow(m_currentRow))
        m_protocol->recordRunTime(m_currentRow, m_runNumber, time, source);
    emit runStopped(m_currentRow, m_runNumber, time, source);
    return true;
}

void RunControl::resetClockAt(std::int64_t count, ChangeSource)
{
    // A run going on is kept as RESET's, whatever gave the command: the journal and the warning
    // line tell such a time from a stop.
    stopRunAt(count, ChangeSource::Reset);
    ShowTime(0);
}

void RunControl::LockStation()
{
    m_locked = true;
    emit lockChanged(true);
    setBeam(true, BeamLockedColor);
}

void RunControl::UnlockStation()
{
    m_locked = false;
    emit lockChanged(false);
    setBeam(true, BeamUnlockedColor);
}

void RunControl::ShowTime(TimeMs t)
{
    m_liveTime = t;
    emit timeShown(t);
}

void RunControl::StoreLiveTime()
{
    if (validRow(m_currentRow))
        m_protocol->showLiveTime(static_cast<std::int32_t>(static_cast<std::uint32_t>(m_liveTime)));
}

void RunControl::refreshDisplay()
{
    if (m_running)
        ShowTime(roundToTimeMs(m_clock.ElapsedMs()));
}

void RunControl::refreshProtocol(bool windowActive)
{
    if (windowActive && m_running)
        StoreLiveTime();
}

void RunControl::blinkBeam(bool windowActive)
{
    if (windowActive && !m_locked)
        setBeam(!m_beamVisible, m_beamColor);
}

void RunControl::setRunButtons(bool startEnabled, bool stopEnabled)
{
    m_startEnabled = startEnabled;
    m_stopEnabled = stopEnabled;
    emit runButtonsChanged(startEnabled, stopEnabled);
}

void RunControl::setControlsEnabled(bool on)
{
    m_controlsEnabled = on;
    emit controlsEnabledChanged(on);
}

void RunControl::setCaption(const QString &caption)
{
    m_caption = caption;
    emit participantCaptionChanged(caption);
}

void RunControl::setBeam(bool visible, std::uint32_t color)
{
    m_beamVisible = visible;
    m_beamColor = color;
    emit beamChanged(visible, color);
}

void RunControl::lockIfAutomatic()
{
    if (m_autoLock)
        LockStation();
}

void RunControl::publishRunState()
{
    if (m_protocol)
        m_protocol->showRunState(runState());
}
