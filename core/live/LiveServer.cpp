#include "core/live/LiveServer.h"

#include "core/live/LiveFeed.h"
#include "core/live/LiveJson.h"
#include "core/live/LiveRoutes.h"

#include <QDateTime>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QWebSocket>
#include <QWebSocketServer>

namespace {
// A header that has not come complete in this time is not coming (a slow trickle holds a slot).
constexpr qint64 HeaderDeadlineMs = 10000;
// A socket whose client reads nothing gets no more than this queued.
constexpr qint64 MaxQueuedBytes = 4 << 20;
constexpr int PingMs = 20000;

qint64 nowEpochMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

bool isToken(const QByteArray &text)
{
    if (text.isEmpty())
        return false;
    for (const char c : text) {
        if (c <= ' ' || c >= 127 || QByteArrayView("()<>@,;:\\\"/[]?={}").contains(c))
            return false;
    }
    return true;
}
} // namespace

LiveServer::LiveServer(QObject *parent)
    : QObject(parent)
    , m_tcp(new QTcpServer(this))
    , m_sockets(new QWebSocketServer(QStringLiteral("Zorvexa"), QWebSocketServer::NonSecureMode, this))
    , m_sweep(new QTimer(this))
{
    m_clock.start();
    m_tcp->setMaxPendingConnections(MaxConnections);
    m_sockets->setHandshakeTimeout(HeaderDeadlineMs);
    connect(m_tcp, &QTcpServer::newConnection, this, &LiveServer::acceptConnections);
    connect(m_sockets, &QWebSocketServer::newConnection, this, &LiveServer::adoptWebSocket);
    m_sweep->setInterval(250);
    connect(m_sweep, &QTimer::timeout, this, &LiveServer::sweep);
}

LiveServer::~LiveServer()
{
    close();
}

void LiveServer::listen(const QHostAddress &address, quint16 port)
{
    close();
    if (!m_tcp->listen(address, port)) {
        const QString error = m_tcp->errorString();
        emit listenFinished(0, error.isEmpty() ? QStringLiteral("?") : error);
        return;
    }
    m_sweep->start();
    emit listenFinished(m_tcp->serverPort(), QString());
}

void LiveServer::close()
{
    m_tcp->close();
    m_sweep->stop();
    for (QTcpSocket *socket : m_http.keys())
        socket->abort();
    for (QWebSocket *socket : m_webSockets.keys())
        socket->abort();
    for (QTcpSocket *socket : m_upgrading.keys())
        socket->abort();
}

void LiveServer::publish(const LiveSnapshotPtr &snapshot)
{
    m_snapshot = snapshot;
    if (!snapshot)
        return;
    const QString state = QString::fromUtf8(liveStateJson(*snapshot, nowEpochMs()));
    for (auto it = m_webSockets.cbegin(); it != m_webSockets.cend(); ++it) {
        if (it.key()->bytesToWrite() > MaxQueuedBytes)
            it.key()->abort();
        else
            it.key()->sendTextMessage(state);
    }
}

void LiveServer::countChanged()
{
    emit connectionCountChanged(m_open);
}

void LiveServer::acceptConnections()
{
    while (QTcpSocket *socket = m_tcp->nextPendingConnection()) {
        ++m_open;
        connect(socket, &QObject::destroyed, this, [this, socket] {
            m_http.remove(socket);
            m_upgrading.remove(socket);
            --m_open;
            countChanged();
        });
        if (m_open > MaxConnections) {
            refuse(socket, 503);
            continue;
        }
        m_http.insert(socket, {m_clock.elapsed(), -1});
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequests(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        countChanged();
    }
}

void LiveServer::readRequests(QTcpSocket *socket)
{
    auto client = m_http.find(socket);
    if (client == m_http.end())
        return;
    client->lastActivity = m_clock.elapsed();
    while (socket->bytesAvailable() > 0) {
        if (client->requestStart < 0)
            client->requestStart = client->lastActivity;
        // Peeked, not read: a socket upgrade leaves its handshake for the socket server to read.
        const QByteArray head = socket->peek(MaxHeaderBytes + 4);
        const qsizetype end = head.indexOf("\r\n\r\n");
        if (end < 0 || end + 4 > MaxHeaderBytes) {
            if (end >= 0 || head.size() > MaxHeaderBytes)
                refuse(socket, 431);
            return;
        }
        client->requestStart = -1;
        if (!handleRequest(socket, head.left(end + 2), end + 4))
            return;
        client = m_http.find(socket);
        if (client == m_http.end())
            return;
    }
}

bool LiveServer::handleRequest(QTcpSocket *socket, const QByteArray &header, qsizetype headerBytes)
{
    // Every line ends with CR LF; a bare LF is refused rather than guessed at.
    QList<QByteArray> lines = header.split('\n');
    lines.removeLast();
    for (QByteArray &line : lines) {
        if (!line.endsWith('\r') || line.chopped(1).contains('\r')) {
            refuse(socket, 400);
            return false;
        }
        line.chop(1);
    }
    const QList<QByteArray> request = lines.front().split(' ');
    if (request.size() != 3 || !isToken(request[0]) || !request[1].startsWith('/')
        || (request[2] != "HTTP/1.1" && request[2] != "HTTP/1.0")) {
        refuse(socket, 400);
        return false;
    }
    bool keepAlive = request[2] == "HTTP/1.1";
    bool upgradeToSocket = false;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray &line = lines[i];
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0 || !isToken(line.left(colon))) {
            refuse(socket, 400);
            return false;
        }
        const QByteArray name = line.left(colon).toLower();
        const QByteArray value = line.mid(colon + 1).trimmed().toLower();
        // No request here has a body: one announced could only be smuggled into the next request.
        if ((name == "content-length" && value != "0") || name == "transfer-encoding") {
            refuse(socket, 400);
            return false;
        }
        if (name == "connection") {
            if (value.contains("close"))
                keepAlive = false;
            else if (value.contains("keep-alive"))
                keepAlive = true;
        }
        if (name == "upgrade" && value == "websocket")
            upgradeToSocket = true;
    }
    if (request[0] != "GET") {
        refuse(socket, 405, QByteArrayLiteral("Allow: GET\r\n"));
        return false;
    }
    if (request[1] == "/ws") {
        if (!upgradeToSocket) {
            refuse(socket, 400);
            return false;
        }
        upgrade(socket);
        return false;
    }
    socket->skip(headerBytes);
    const LiveResponse response = m_snapshot ? routeLiveRequest(*m_snapshot, request[1], nowEpochMs())
                                             : LiveResponse {503, "text/plain; charset=utf-8", "Noch keine Daten.\n"};
    respond(socket, response.status, response.contentType, response.body, keepAlive && response.status == 200);
    return keepAlive && response.status == 200;
}

void LiveServer::respond(QTcpSocket *socket, int status, const QByteArray &type, const QByteArray &body, bool keepAlive,
                         const QByteArray &extraHeaders)
{
    QByteArray out;
    out.reserve(body.size() + 256);
    out += "HTTP/1.1 " + QByteArray::number(status) + ' ' + liveStatusText(status) + "\r\n";
    out += "Content-Type: " + type + "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n";
    out += "Cache-Control: no-store\r\nX-Content-Type-Options: nosniff\r\n";
    out += "Content-Security-Policy: default-src 'none'; style-src 'unsafe-inline'; script-src 'unsafe-inline'; "
           "connect-src 'self' ws: wss:; img-src 'self'\r\n";
    out += extraHeaders;
    out += keepAlive ? "Connection: keep-alive\r\n\r\n" : "Connection: close\r\n\r\n";
    out += body;
    if (socket->bytesToWrite() + out.size() > MaxQueuedBytes) {
        socket->abort();
        return;
    }
    socket->write(out);
    if (!keepAlive) {
        m_http.remove(socket);
        socket->disconnectFromHost();
    }
}

void LiveServer::refuse(QTcpSocket *socket, int status, const QByteArray &extraHeaders)
{
    disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
    respond(socket, status, "text/plain; charset=utf-8", liveStatusText(status) + '\n', false, extraHeaders);
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater, Qt::UniqueConnection);
}

void LiveServer::upgrade(QTcpSocket *socket)
{
    disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
    disconnect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    m_http.remove(socket);
    m_upgrading.insert(socket, m_clock.elapsed());
    m_sockets->handleConnection(socket);
}

void LiveServer::adoptWebSocket()
{
    while (QWebSocket *socket = m_sockets->nextPendingConnection()) {
        // The handshake is done; the connection is the same, known by its peer's address and port.
        for (auto it = m_upgrading.begin(); it != m_upgrading.end(); ++it) {
            if (it.key()->peerPort() == socket->peerPort() && it.key()->peerAddress() == socket->peerAddress()) {
                m_upgrading.erase(it);
                break;
            }
        }
        // The pages send nothing but pongs; a large message is no client of ours.
        socket->setMaxAllowedIncomingFrameSize(4096);
        socket->setMaxAllowedIncomingMessageSize(4096);
        m_webSockets.insert(socket, m_clock.elapsed());
        const auto alive = [this, socket] { m_webSockets[socket] = m_clock.elapsed(); };
        connect(socket, &QWebSocket::pong, this, alive);
        connect(socket, &QWebSocket::textMessageReceived, this, alive);
        connect(socket, &QWebSocket::disconnected, this, [this, socket] {
            m_webSockets.remove(socket);
            socket->deleteLater();
        });
        if (m_snapshot)
            socket->sendTextMessage(QString::fromUtf8(liveStateJson(*m_snapshot, nowEpochMs())));
    }
}

void LiveServer::sweep()
{
    const qint64 now = m_clock.elapsed();
    QList<QTcpSocket *> idle;
    for (auto it = m_http.cbegin(); it != m_http.cend(); ++it) {
        if (now - it->lastActivity > m_idleMs)
            idle << it.key();
        else if (it->requestStart >= 0 && now - it->requestStart > std::min<qint64>(HeaderDeadlineMs, m_idleMs))
            idle << it.key();
    }
    for (QTcpSocket *socket : std::as_const(idle)) {
        m_http.remove(socket);
        socket->abort();
        socket->deleteLater();
    }
    for (auto it = m_upgrading.cbegin(); it != m_upgrading.cend(); ++it) {
        if (now - it.value() > HeaderDeadlineMs + 1000)
            it.key()->abort();
    }
    // A browser answers pings by itself, so a socket that stays silent is gone.
    const bool ping = now - m_lastPing >= std::min(PingMs, m_idleMs / 3);
    if (ping)
        m_lastPing = now;
    QList<QWebSocket *> silent;
    for (auto it = m_webSockets.begin(); it != m_webSockets.end(); ++it) {
        if (now - it.value() > m_idleMs)
            silent << it.key();
        else if (ping)
            it.key()->ping();
    }
    for (QWebSocket *socket : std::as_const(silent))
        socket->abort();
}

class LiveHost::Thread final : public QThread
{
};

LiveHost::LiveHost(QObject *parent)
    : QObject(parent)
    , m_thread(new Thread)
    , m_server(new LiveServer)
{
    qRegisterMetaType<LiveSnapshotPtr>();
    m_server->moveToThread(m_thread);
    connect(m_thread, &QThread::finished, m_server, &QObject::deleteLater);
    connect(m_server, &LiveServer::listenFinished, this, [this](quint16 port, const QString &error) {
        m_port = port;
        emit listenFinished(port, error);
    });
    m_thread->setObjectName(QStringLiteral("LiveServer"));
    m_thread->start();
}

LiveHost::~LiveHost()
{
    QMetaObject::invokeMethod(m_server, &LiveServer::close, Qt::QueuedConnection);
    m_thread->quit();
    m_thread->wait();
    delete m_thread;
}

void LiveHost::start(const QString &address, quint16 port)
{
    QHostAddress host(QHostAddress::Any);
    if (!address.trimmed().isEmpty() && !host.setAddress(address.trimmed())) {
        m_port = 0;
        // Reported like every other failure, after the call.
        QMetaObject::invokeMethod(
            this, [this, address] { emit listenFinished(0, QStringLiteral("Keine Adresse: %1").arg(address)); },
            Qt::QueuedConnection);
        return;
    }
    QMetaObject::invokeMethod(
        m_server, [server = m_server, host, port] { server->listen(host, port); }, Qt::QueuedConnection);
}

void LiveHost::stop()
{
    m_port = 0;
    QMetaObject::invokeMethod(m_server, &LiveServer::close, Qt::QueuedConnection);
}

void LiveHost::publish(const LiveSnapshotPtr &snapshot)
{
    QMetaObject::invokeMethod(
        m_server, [server = m_server, snapshot] { server->publish(snapshot); }, Qt::QueuedConnection);
}

void LiveHost::setIdleMs(int ms)
{
    QMetaObject::invokeMethod(
        m_server, [server = m_server, ms] { server->setIdleMs(ms); }, Qt::QueuedConnection);
}
