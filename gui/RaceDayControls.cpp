#include "gui/RaceDayControls.h"

#include "core/startlist/ClassStore.h"
#include "gui/Form_Event.h"

#include <QIcon>
#include <QLabel>
#include <QToolButton>

RaceDayControls::RaceDayControls(QWidget *window, QWidget *toolbar, const ClassStore &store,
                                 std::function<int()> currentRun)
    : QObject(window)
    , m_window(window)
    , m_store(store)
    , m_currentRun(std::move(currentRun))
    , m_button(new QToolButton(toolbar))
    , m_remaining(new QLabel(window))
{
    m_button->setObjectName(QStringLiteral("cmdEvent"));
    m_button->setGeometry(196, 12, 45, 41);
    m_button->setIcon(QIcon(QStringLiteral(":/icons/event.svg")));
    m_button->setIconSize(QSize(32, 32));
    m_button->setAutoRaise(true);
    m_button->setAccessibleName(tr("Event"));
    m_button->setToolTip(tr("Event, info fields and scoring"));
    connect(m_button, &QToolButton::clicked, this, &RaceDayControls::cmdEventClick);

    m_remaining->setObjectName(QStringLiteral("lblRemaining"));
    m_remaining->setGeometry(312, 216, 170, 17);
    connect(&store, &ClassStore::changed, this, &RaceDayControls::showRemaining);
    connect(&store, &ClassStore::classLoaded, this, &RaceDayControls::showRemaining);
    showRemaining();
}

void RaceDayControls::setEnabled(bool on)
{
    m_button->setEnabled(on);
}

int RaceDayControls::remainingIn(const ClassStore &store, int run)
{
    const ListField time = run == 1 ? ListField::Time1 : ListField::Time2;
    int remaining = 0;
    for (int i = 0; i < store.entryCount(); ++i) {
        if (store.readNumberField(i, time) == 0)
            ++remaining;
    }
    return remaining;
}

void RaceDayControls::showRemaining()
{
    m_remaining->setText(tr("Still to run: %1").arg(remainingIn(m_store, m_currentRun())));
}

void RaceDayControls::cmdEventClick()
{
    auto *dialog = new TfrmEvent(m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, &RaceDayControls::eventChanged);
    dialog->open();
}
