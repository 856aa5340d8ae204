#pragma once

#include "core/barrier/BarrierControl.h"
#include "core/barrier/BarrierStatus.h"

#include <QObject>
#include <QTimer>

class BarrierLink;
class QLabel;
class QWidget;
class RaceSession;
class TfrmConfig;

// The race session's light barrier in the main window: its link follows the port the
// configuration dialog names, a status line beside the run editor says what the link and the
// pulses do, and the dialog's lamp shows the watched line.
class BarrierWiring final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BarrierWiring)

public:
    // How long a note about a pulse stays before the connection shows again.
    static constexpr int NoteMs = 5000;
    // Choices in the dialog settle this long before the port changes, so walking the port list
    // with the arrow keys does not open every device on the way.
    static constexpr int SettleMs = 400;

    BarrierWiring(RaceSession &session, TfrmConfig &config, QWidget *window);
    ~BarrierWiring() override;

private:
    void applyConfig();
    void showPulse(BarrierControl::Outcome outcome, double ms);
    void showLine();

    TfrmConfig &m_config;
    BarrierLink &m_link;
    BarrierControl &m_control;
    QLabel *m_line;
    QString m_note;
    const QString m_timingProblem;
    QTimer m_noteTimer;
    QTimer m_configTimer;
};
