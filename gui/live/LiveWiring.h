#pragma once

#include "core/live/LiveSettings.h"
#include "core/live/LiveSnapshot.h"

#include <QObject>

#include <functional>

class ClassStore;
class HandTimesSource;
class LiveFeed;
class LiveHost;
class LiveQrWindow;
class MarksKeeper;
class QAction;
class LiveSettingsDialog;
class QToolButton;
class RaceSession;
class RunControl;
class SettingsStore;
class AudienceWindow;
struct RaceRules;

// The live results as the main window offers them: the server, its settings, the QR code of its
// address and the audience window, all on the main window's "Live" button. A failure to listen
// goes to the warning line and changes nothing else.
class LiveWiring final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LiveWiring)

public:
    LiveWiring(QWidget *window, RaceSession &session, QToolButton *button, std::function<void(const QString &)> warn);
    ~LiveWiring() override;

    // The address phones open: http://host:port/, empty while the server is off.
    QString address() const;

private:
    void apply(const LiveSettings &settings);
    void listenFinished(quint16 port, const QString &error);
    void updateFeed();
    void showQrCode();
    void showAudiences();

    QWidget *m_window;
    LiveFeed *m_feed;
    LiveHost *m_host;
    SettingsStore &m_store;
    LiveSettingsDialog *m_dialog;
    LiveQrWindow *m_qr = nullptr;
    AudienceWindow *m_audiences = nullptr;
    QAction *m_settingsAction;
    // Shown, never chosen: who is connected, and the latest client turned away.
    QAction *m_connectedAction;
    QAction *m_refusalAction;
    LiveSettings m_settings;
    std::function<void(const QString &)> m_warn;
};
