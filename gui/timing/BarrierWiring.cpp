#include "gui/timing/BarrierWiring.h"

#include "core/barrier/BarrierLink.h"
#include "core/session/RaceSession.h"
#include "gui/common/WindowLook.h"
#include "gui/settings/Form_Config.h"

#include <QLabel>

namespace {
const QString ConnectedStyle = QStringLiteral("QLabel { color: #006000; padding: 1px 4px; }");
// An open port is no barrier yet: plain, not the green of a barrier that has answered.
const QString OpenedStyle = QStringLiteral("QLabel { color: #404040; padding: 1px 4px; }");
const QString NoteStyle = QStringLiteral("QLabel { color: #000080; padding: 1px 4px; }");
// As the save warning: it must be seen, and it takes no key from the run buttons.
const QString ProblemStyle
    = QStringLiteral("QLabel { color: white; background: #b00000; border-radius: 3px; padding: 1px 4px; }");
} // namespace

BarrierWiring::BarrierWiring(RaceSession &session, TfrmConfig &config, QWidget *window)
    : QObject(window)
    , m_config(config)
    , m_link(session.barrierLink())
    , m_control(session.barrier())
    , m_line(new QLabel(window))
    , m_timingProblem(session.barrierTimingProblem())
{
    // The free strip between the run editor and the penalty seconds.
    m_line->setObjectName(QStringLiteral("lblBarrier"));
    m_line->setGeometry(308, 212, 300, 25);
    m_line->setFont(arialBold(12));
    m_line->setFocusPolicy(Qt::NoFocus);
    m_line->hide();

    m_noteTimer.setSingleShot(true);
    m_noteTimer.setInterval(NoteMs);
    connect(&m_noteTimer, &QTimer::timeout, this, [this] {
        m_note.clear();
        showLine();
    });
    // News of the connection replaces a note about an earlier pulse.
    connect(&m_link, &BarrierLink::statusChanged, this, [this] {
        m_note.clear();
        showLine();
    });
    connect(&m_link, &BarrierLink::lineLevelChanged, &m_config, &TfrmConfig::showLineLevel);
    connect(&m_control, &BarrierControl::pulseHandled, this, &BarrierWiring::showPulse);
    m_configTimer.setSingleShot(true);
    m_configTimer.setInterval(SettleMs);
    connect(&m_configTimer, &QTimer::timeout, this, &BarrierWiring::applyConfig);
    connect(&m_config, &TfrmConfig::barrierChanged, &m_configTimer, qOverload<>(&QTimer::start));
    applyConfig();
}

BarrierWiring::~BarrierWiring() = default;

void BarrierWiring::applyConfig()
{
    m_note.clear();
    m_control.setAlgorithmOn(m_config.barrierAlgorithmOn());
    m_link.configure(m_config.comPort(), m_config.contactIndex());
    showLine();
}

void BarrierWiring::showPulse(BarrierControl::Outcome outcome, double ms)
{
    m_note = BarrierControl::outcomeText(outcome, ms);
    m_noteTimer.start();
    showLine();
}

void BarrierWiring::showLine()
{
    const BarrierStatus &status = m_link.status();
    m_line->setVisible(status.state != BarrierStatus::State::Off);
    // A problem with the port stays in view; a note about a pulse shows for a while.
    const bool note = !status.isProblem() && !m_note.isEmpty();
    // Padding and frame take a few pixels; the full text is in the tool tip.
    m_line->setText(
        m_line->fontMetrics().elidedText(note ? m_note : status.text(), Qt::ElideRight, m_line->width() - 10));
    m_line->setStyleSheet(status.isProblem()         ? ProblemStyle
                              : note                 ? NoteStyle
                              : status.isConnected() ? ConnectedStyle
                                                     : OpenedStyle);
    QStringList tip {status.text(), status.details()};
    if (!m_note.isEmpty())
        tip << m_note;
    if (!m_timingProblem.isEmpty())
        tip << m_timingProblem;
    m_line->setToolTip(tip.join(QLatin1Char('\n')));
}
