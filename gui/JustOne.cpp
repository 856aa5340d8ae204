#include "gui/JustOne.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QWidget>

namespace {
QString runtimeFolder()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder;
}

QString pathIn(const QString &folder, const char *suffix)
{
    return folder + QLatin1Char('/') + TXJustOne::lockName() + QLatin1String(suffix);
}

const QByteArray showRequest = QByteArrayLiteral("show\n");
} // namespace

TXJustOne::TXJustOne(QWidget *owner)
    : QObject(owner)
    , m_owner(owner)
{
}

TXJustOne::~TXJustOne()
{
    if (m_release && m_lock)
        m_lock->unlock();
}

QString TXJustOne::lockName()
{
    return QStringLiteral("Zorvexa");
}

bool TXJustOne::Loaded()
{
    m_release = false;
    const QString folder = runtimeFolder();
    m_serverPath = pathIn(folder, ".sock");
    m_lock = std::make_unique<QLockFile>(pathIn(folder, ".lock"));
    // The lock is held for the life of the process; a lock left by a copy that died is
    // recognised as stale by its process id and taken over.
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        m_secondCopy = true;
        emit AlreadyExist(this);
        if (m_switchToPrevious)
            askPreviousToShow();
        return false;
    }
    m_release = true;
    listenForOtherCopies();
    return true;
}

void TXJustOne::askPreviousToShow() const
{
    QLocalSocket socket;
    socket.connectToServer(m_serverPath);
    if (!socket.waitForConnected(2000))
        return;
    socket.write(showRequest);
    socket.waitForBytesWritten(2000);
    // Wait for the other copy to take the request before ending.
    socket.waitForReadyRead(2000);
    socket.disconnectFromServer();
}

void TXJustOne::listenForOtherCopies()
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // Holding the lock means any socket file left behind belongs to a dead copy.
    QLocalServer::removeServer(m_serverPath);
    if (!m_server->listen(m_serverPath))
        return;
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->readAll().contains("show")) {
                    bringOwnerToFront();
                    socket->write("ok\n");
                    socket->flush();
                }
            });
        }
    });
}

void TXJustOne::bringOwnerToFront()
{
    if (!m_owner)
        return;
    if (m_owner->isMinimized())
        m_owner->setWindowState((m_owner->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    m_owner->show();
    m_owner->raise();
    m_owner->activateWindow();
}
