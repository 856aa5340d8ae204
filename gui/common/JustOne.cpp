#include "gui/common/JustOne.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QWidget>

#include <unistd.h>

namespace {
// The lock file or the socket of this user.
QString guardFile(const char *suffix)
{
    // The runtime folder belongs to the user alone. Without one (Qt found it unusable), the
    // shared temporary folder needs the user in the name, or one user's copy would keep every
    // other user's from starting.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty())
        return runtime + QLatin1Char('/') + TXJustOne::lockName() + QLatin1String(suffix);
    return QStringLiteral("%1/%2-%3%4")
        .arg(QDir::tempPath(), TXJustOne::lockName(), QString::number(::geteuid()), QLatin1String(suffix));
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

QString TXJustOne::lockPath()
{
    return guardFile(".lock");
}

bool TXJustOne::Loaded()
{
    m_release = false;
    m_serverPath = guardFile(".sock");
    m_lock = std::make_unique<QLockFile>(lockPath());
    // The lock is held for the life of the process; a lock left by a copy that died is
    // recognised as stale by its process id and taken over.
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        // No folder to keep the lock in: better an unguarded copy than no timing at all.
        if (m_lock->error() != QLockFile::LockFailedError)
            return true;
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
