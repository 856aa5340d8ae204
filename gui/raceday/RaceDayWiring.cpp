#include "gui/raceday/RaceDayWiring.h"

#include "core/journal/HandMarks.h"
#include "core/marks/MarksKeeper.h"
#include "core/protocol/ClassResults.h"
#include "core/protocol/ProtocolModel.h"
#include "core/protocol/Standings.h"
#include "core/session/RaceSession.h"
#include "core/startlist/ClassStore.h"
#include "gui/common/OperatorDialogs.h"
#include "gui/raceday/Form_Clubs.h"
#include "gui/raceday/Form_Event.h"
#include "gui/raceday/RunMarkWiring.h"

#include <QAbstractItemView>
#include <QMenu>

#include <QIcon>
#include <QLabel>
#include <QToolButton>

RaceDayWiring::RaceDayWiring(QWidget *window, QWidget *toolbar, RaceSession &session, std::function<int()> currentRun)
    : QObject(window)
    , m_window(window)
    , m_session(session)
    , m_store(session.store())
    , m_currentRun(std::move(currentRun))
    , m_button(new QToolButton(toolbar))
    , m_remaining(new QLabel(window))
    , m_marks(&session.marks())
{
    const ClassStore &store = m_store;
    m_button->setObjectName(QStringLiteral("cmdEvent"));
    m_button->setGeometry(196, 12, 45, 41);
    m_button->setIcon(QIcon(QStringLiteral(":/icons/event.svg")));
    m_button->setIconSize(QSize(32, 32));
    m_button->setAutoRaise(true);
    m_button->setAccessibleName(tr("Event"));
    m_button->setToolTip(tr("Event, info fields and scoring"));
    connect(m_button, &QToolButton::clicked, this, &RaceDayWiring::cmdEventClick);

    m_remaining->setObjectName(QStringLiteral("lblRemaining"));
    m_remaining->setGeometry(312, 216, 170, 17);
    connect(&store, &ClassStore::changed, this, &RaceDayWiring::showRemaining);
    connect(&store, &ClassStore::classLoaded, this, &RaceDayWiring::showRemaining);
    connect(m_marks, &MarksKeeper::marksChanged, this, &RaceDayWiring::showRemaining);
    // A class is loaded only while no run is timed, so a box takes no keys from a run.
    connect(m_marks, &MarksKeeper::loadFailed, this,
            [this](const FileError &error) { OperatorDialogs::showError(m_window, error.message()); });

    auto *grid = window->findChild<QAbstractItemView *>(QStringLiteral("Grid"));
    auto *menu = window->findChild<QMenu *>(QStringLiteral("mnuProtocol"));
    if (grid && menu) {
        m_markActions = new RunMarkWiring(window, grid, menu, *m_marks, ProtocolModel::Time1, ProtocolModel::Time2,
                                          ProtocolModel::Name, m_currentRun);
        connect(m_markActions, &RunMarkWiring::saveFinished, this, &RaceDayWiring::saveFinished);
        QAction *clubs = menu->addAction(tr("Club ranking..."));
        clubs->setObjectName(QStringLiteral("actClubRanking"));
        connect(clubs, &QAction::triggered, this, [this] {
            auto *dialog = new TfrmClubs(m_window);
            dialog->setAttribute(Qt::WA_DeleteOnClose);
            const int classIndex = m_store.CurrentClass();
            dialog->showResults(classResults(classIndex, m_store.list(), m_marks->marks(),
                                             m_session.handMarks().handTimes(classIndex), m_session.rules()));
            dialog->open();
        });
    }
    showRemaining();
}

void RaceDayWiring::setEnabled(bool on)
{
    m_button->setEnabled(on);
    if (m_markActions)
        m_markActions->setEnabled(on);
}

int RaceDayWiring::remainingIn(const ClassStore &store, const MarksKeeper &marks, int run)
{
    // Who is still to run does not depend on the scoring rules.
    return int(standings(store.list().entries(), marks.marks(), {}, RaceRules {}, {run, -1}).toRun.size());
}

void RaceDayWiring::showRemaining()
{
    m_remaining->setText(tr("Still to run: %1").arg(remainingIn(m_store, *m_marks, m_currentRun())));
}

void RaceDayWiring::cmdEventClick()
{
    auto *dialog = new TfrmEvent(m_session, m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}
