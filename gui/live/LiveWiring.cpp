#include "gui/live/LiveWiring.h"

#include "core/live/LiveFeed.h"
#include "core/live/LiveServer.h"
#include "core/session/RaceSession.h"
#include "core/timing/RunControl.h"
#include "gui/common/OperatorDialogs.h"
#include "gui/common/WindowLook.h"
#include "gui/live/AudienceWindow.h"
#include "gui/live/LiveQrWindow.h"
#include "gui/live/LiveSettingsDialog.h"
#include "gui/live/MarshalWiring.h"

#include <QAction>
#include <QMenu>
#include <QNetworkInterface>
#include <QToolButton>

namespace {
QString connectionsText(bool listening, int sockets, int connections)
{
    return listening ? LiveWiring::tr("Phones connected: %1 (%2 connections)").arg(sockets).arg(connections)
                     : LiveWiring::tr("Live results are off");
}
} // namespace

LiveWiring::LiveWiring(QWidget *window, RaceSession &session, QToolButton *button,
                       std::function<void(const QString &)> warn)
    : QObject(window)
    , m_window(window)
    , m_feed(&session.liveFeed())
    , m_host(&session.liveHost())
    , m_store(session.settings())
    , m_dialog(new LiveSettingsDialog(m_store, window))
    , m_warn(std::move(warn))
{
    button->setIcon(QIcon(QStringLiteral(":/icons/webpage.svg")));
    button->setIconSize(QSize(32, 32));
    button->setAutoRaise(true);
    button->setText(tr("Live"));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAccessibleName(tr("Live results"));
    button->setToolTip(tr("Live results for phones, the announcer and a second monitor"));
    auto *menu = new QMenu(button);
    menu->setObjectName(QStringLiteral("mnuLive"));
    m_settingsAction = menu->addAction(tr("Live results..."), m_dialog, [this] {
        m_dialog->showSettings(m_settings);
        m_dialog->exec();
    });
    m_settingsAction->setObjectName(QStringLiteral("actLiveSettings"));
    menu->addAction(tr("QR code of the address"), this, &LiveWiring::showQrCode)
        ->setObjectName(QStringLiteral("actLiveQr"));
    menu->addAction(tr("Audience window"), this, &LiveWiring::showAudiences)
        ->setObjectName(QStringLiteral("actAudiences"));
    auto *marshals = new MarshalWiring(
        window, session, [this] { return address(); }, m_warn);
    QAction *marshalPosts = menu->addAction(tr("Marshal posts..."), marshals, &MarshalWiring::showDialog);
    marshalPosts->setObjectName(QStringLiteral("actMarshalPosts"));
    menu->addSeparator();
    m_connectedAction = menu->addAction(connectionsText(false, 0, 0));
    m_connectedAction->setObjectName(QStringLiteral("actLiveConnected"));
    m_connectedAction->setEnabled(false);
    m_refusalAction = menu->addAction(tr("No request refused"));
    m_refusalAction->setObjectName(QStringLiteral("actLiveRefusal"));
    m_refusalAction->setEnabled(false);
    button->setMenu(menu);
    button->setPopupMode(QToolButton::InstantPopup);

    connect(m_dialog, &LiveSettingsDialog::settingsAccepted, this, &LiveWiring::apply);
    connect(m_host, &LiveHost::listenFinished, this, &LiveWiring::listenFinished);
    connect(m_host, &LiveHost::statusChanged, this, [this](int connections, int sockets, const QString &refusal) {
        m_connectedAction->setText(connectionsText(m_host->isListening(), sockets, connections));
        if (!refusal.isEmpty())
            m_refusalAction->setText(tr("Last refused: %1").arg(refusal));
    });
    // The settings change what the phones see; not while a run is timed.
    connect(&session.runs(), &RunControl::controlsEnabledChanged, m_settingsAction, &QAction::setEnabled);
    connect(&session.runs(), &RunControl::controlsEnabledChanged, marshalPosts, &QAction::setEnabled);

    const Result<LiveSettings> settings = LiveSettings::load(m_store);
    if (settings)
        apply(settings.value());
    else
        m_warn(settings.error().message());
}

LiveWiring::~LiveWiring() = default;

QString LiveWiring::address() const
{
    if (!m_host->isListening())
        return {};
    QHostAddress host(m_settings.address);
    if (m_settings.address.isEmpty() || host.isNull() || host == QHostAddress::AnyIPv4
        || host == QHostAddress::AnyIPv6) {
        // The phones need an address of this machine on the course's network, not the loopback.
        host = QHostAddress::LocalHost;
        for (const QHostAddress &candidate : QNetworkInterface::allAddresses()) {
            if (candidate.protocol() == QAbstractSocket::IPv4Protocol && !candidate.isLoopback()) {
                host = candidate;
                break;
            }
        }
    }
    const QString name = host.protocol() == QAbstractSocket::IPv6Protocol
        ? QLatin1Char('[') + host.toString() + QLatin1Char(']')
        : host.toString();
    return QStringLiteral("http://%1:%2/").arg(name).arg(m_host->port());
}

void LiveWiring::apply(const LiveSettings &settings)
{
    const bool restart = settings != m_settings || !m_host->isListening();
    m_settings = settings;
    if (!settings.enabled) {
        m_host->stop();
        m_connectedAction->setText(connectionsText(false, 0, 0));
    } else if (restart)
        m_host->start(settings.address, quint16(settings.port));
    updateFeed();
    if (m_qr)
        m_qr->showAddress(address());
}

void LiveWiring::listenFinished(quint16, const QString &error)
{
    m_connectedAction->setText(connectionsText(m_host->isListening(), 0, 0));
    if (!error.isEmpty())
        m_warn(tr("Live results: port %1 not available\n%2").arg(m_settings.port).arg(error));
    updateFeed();
    if (m_qr)
        m_qr->showAddress(address());
}

void LiveWiring::updateFeed()
{
    m_feed->setActive(m_settings.enabled || (m_audiences && m_audiences->isVisible()));
    if (m_feed->snapshot())
        m_host->publish(m_feed->snapshot());
}

void LiveWiring::showQrCode()
{
    if (!m_qr)
        m_qr = new LiveQrWindow(m_window);
    m_qr->showAddress(address());
    m_qr->show();
    m_qr->raise();
}

void LiveWiring::showAudiences()
{
    if (!m_audiences) {
        m_audiences = new AudienceWindow(m_window);
        connect(m_feed, &LiveFeed::published, m_audiences, &AudienceWindow::showSnapshot);
        // Nothing is built for a closed window while the server is off.
        connect(m_audiences, &AudienceWindow::shownChanged, this, &LiveWiring::updateFeed);
    }
    m_audiences->show();
    m_audiences->raise();
    updateFeed();
    m_audiences->showSnapshot(m_feed->snapshot());
}
