#include "gui/live/MarshalWiring.h"

#include "core/marshal/MarshalDesk.h"
#include "core/session/RaceSession.h"
#include "core/settings/SettingsStore.h"
#include "gui/live/MarshalPostsDialog.h"
#include "gui/live/MarshalPressView.h"

#include <QWidget>

namespace {
constexpr int ListWidth = 240;
constexpr int Margin = 4;
} // namespace

MarshalWiring::MarshalWiring(QWidget *window, RaceSession &session, std::function<QString()> address,
                             std::function<void(const QString &)> warn)
    : QObject(window)
    , m_window(window)
    , m_desk(session.marshals())
    , m_address(std::move(address))
    , m_warn(std::move(warn))
    , m_dialog(new MarshalPostsDialog(window))
    , m_list(new MarshalPressView(session.marshals(), session.runs(), window))
    , m_narrow(window->size())
{
    connect(m_dialog, &MarshalPostsDialog::settingsAccepted, this, &MarshalWiring::apply);
    placeList(m_desk.settings().enabled);
}

void MarshalWiring::showDialog()
{
    MarshalSettings shown = m_desk.settings();
    // A post read from a file edited by hand may lack a usable PIN: it gets one now.
    for (MarshalPost &post : shown.posts) {
        if (!post.hasValidPin())
            post.pin = shown.newPin();
    }
    m_dialog->showSettings(shown, m_address());
    m_dialog->open();
}

void MarshalWiring::apply(const MarshalSettings &settings)
{
    m_desk.setSettings(settings);
    SettingsStore store;
    if (const FileResult saved = settings.save(store); !saved)
        m_warn(saved.error().message());
    placeList(settings.enabled);
}

void MarshalWiring::placeList(bool shown)
{
    // The window has a fixed size; the list goes to the right of everything in it.
    const QSize size = shown ? QSize(m_narrow.width() + ListWidth + Margin, m_narrow.height()) : m_narrow;
    if (m_window->minimumSize() == m_window->maximumSize())
        m_window->setFixedSize(size);
    else
        m_window->resize(size);
    m_list->setGeometry(m_narrow.width(), Margin, ListWidth, m_narrow.height() - 2 * Margin);
    m_list->setVisible(shown);
    m_list->showPosts();
}
