#include "core/live/LiveServer.h"

#include "core/live/LiveJson.h"
#include "core/live/LiveRoutes.h"
#include "core/live/LiveWebSocket.h"
#include "core/system/ThreadPriority.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSysInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTime>

#include <zlib.h>

namespace {
const QByteArray PlainText = QByteArrayLiteral("text/plain; charset=utf-8");
const QByteArray JsonType = QByteArrayLiteral("application/json; charset=utf-8");
const QByteArray LoginPath = QByteArrayLiteral("/api/posten/login");
const QByteArray PressPath = QByteArrayLiteral("/api/posten/strafe");
const QByteArray RunsPath = QByteArrayLiteral("/api/posten/laeufe");
const QList<QByteArray> PostPaths {LoginPath, PressPath};

qint64 nowEpochMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

// A real gzip member (zlib's own format is not what browsers accept).
QByteArray gzipped(const QByteArray &data)
{
    z_stream stream {};
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        return {};
    QByteArray out(qsizetype(deflateBound(&stream, uLong(data.size()))) + 32, Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef *>(out.data());
    stream.avail_out = uInt(out.size());
    const int result = deflate(&stream, Z_FINISH);
    out.resize(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return result == Z_STREAM_END ? out : QByteArray();
}

QByteArray headOf(int status, const QByteArray &type, qsizetype length)
{
    QByteArray head;
    head.reserve(512);
    head += "HTTP/1.1 " + QByteArray::number(status) + ' ' + liveStatusText(status) + "\r\n";
    head += "Content-Type: " + type + "\r\nContent-Length: " + QByteArray::number(length) + "\r\n";
    head += "X-Content-Type-Options: nosniff\r\n";
    head += "Content-Security-Policy: default-src 'none'; style-src 'unsafe-inline'; script-src 'unsafe-inline'; "
            "connect-src 'self' ws: wss:; img-src 'self'\r\n";
    return head;
}
} // namespace

struct LiveServer::Answer
{
    QByteArray head; // without the time and the connection's fate
    QByteArray body;
    QByteArray etag;
    QByteArray gzipHead;
    QByteArray gzipBody;
};

LiveServer::LiveServer(QObject *parent)
    : QObject(parent)
    , m_tcp(new QTcpServer(this))
    , m_sweep(new QTimer(this))
    , m_status(new QTimer(this))
    , m_machineName(QSysInfo::machineHostName().toUtf8())
{
    m_clock.start();
    m_tcp->setMaxPendingConnections(MaxConnections);
    connect(m_tcp, &QTcpServer::newConnection, this, &LiveServer::acceptConnections);
    m_sweep->setInterval(250);
    connect(m_sweep, &QTimer::timeout, this, &LiveServer::sweep);
    // The menu needs no more than a few updates a second, however fast phones come and go.
    m_status->setSingleShot(true);
    m_status->setInterval(200);
    connect(m_status, &QTimer::timeout, this,
            [this] { emit statusChanged(int(m_clients.size()), m_webSockets, m_lastRefusal); });
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
    m_waiting.clear();
    const QList<QTcpSocket *> open = m_clients.keys();
    for (QTcpSocket *socket : open)
        drop(socket);
}

void LiveServer::publish(const LiveSnapshotPtr &snapshot)
{
    m_snapshot = snapshot;
    m_answers.clear();
    if (!snapshot)
        return;
    m_state = liveStateJson(*snapshot);
    const QByteArray frame = webSocketFrame(WebSocketFrame::Text, stampedState());
    QList<QTcpSocket *> sockets;
    sockets.reserve(m_webSockets);
    for (auto it = m_clients.cbegin(); it != m_clients.cend(); ++it) {
        if (it->webSocket)
            sockets << it.key();
    }
    for (QTcpSocket *socket : std::as_const(sockets)) {
        // Out now rather than when the event loop next looks at the socket.
        if (send(socket, frame))
            socket->flush();
    }
}

QByteArray LiveServer::stampedState() const
{
    // The phones take the laptop's time from the socket's messages.
    return "{\"now\":" + QByteArray::number(nowEpochMs()) + ',' + m_state.mid(1);
}

void LiveServer::statusChangeSoon()
{
    if (!m_status->isActive())
        m_status->start();
}

void LiveServer::noteRefusal(int status, const QByteArray &reason)
{
    m_lastRefusal = QString::number(status) + QStringLiteral(": ") + QString::fromUtf8(reason) + QStringLiteral(", ")
        + QTime::currentTime().toString(QStringLiteral("HH:mm"));
    statusChangeSoon();
}

void LiveServer::acceptConnections()
{
    while (QTcpSocket *socket = m_tcp->nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        if (m_clients.size() >= MaxConnections) {
            noteRefusal(503, QByteArray::number(MaxConnections) + " Verbindungen");
            socket->write(headOf(503, PlainText, 9) + "Connection: close\r\n\r\nBelegt.\r\n");
            finish(socket);
            continue;
        }
        // A stop goes out at once, not after the client's acknowledgement of the previous one.
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        socket->setReadBufferSize(64 * 1024);
        m_clients.insert(socket, {false, m_clock.elapsed(), -1, {}});
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readInput(socket); });
        // Whatever closed it, the slot is free.
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { drop(socket); });
        statusChangeSoon();
    }
}

void LiveServer::readInput(QTcpSocket *socket)
{
    const auto client = m_clients.find(socket);
    if (client == m_clients.end())
        return;
    client->lastActivity = m_clock.elapsed();
    client->input += socket->readAll();
    if (client->webSocket)
        readFrames(socket);
    else
        readRequests(socket);
}

bool LiveServer::readRequests(QTcpSocket *socket)
{
    for (;;) {
        Client *client = &m_clients[socket];
        if (client->input.isEmpty())
            return true;
        // The next request waits for the desk's answer to a press; a client that floods meanwhile is no phone.
        if (client->waitingFor) {
            if (client->input.size() > LiveLimits::MaxHeaderBytes + LiveLimits::MaxBodyBytes) {
                drop(socket);
                return false;
            }
            return true;
        }
        if (client->requestStart < 0)
            client->requestStart = m_clock.elapsed();
        const HttpParsed parsed = parseHttpRequest(client->input, m_gate ? PostPaths : QList<QByteArray>());
        if (parsed.kind == HttpParsed::NeedMore)
            return true;
        if (parsed.kind == HttpParsed::Refusal) {
            refuse(socket, parsed.status, parsed.reason);
            return false;
        }
        client->input.remove(0, parsed.consumed);
        client->requestStart = -1;
        if (!answer(socket, parsed.request))
            return false;
        if (m_clients[socket].waitingFor)
            return true;
        if (m_clients[socket].webSocket)
            return readFrames(socket);
    }
}

bool LiveServer::answer(QTcpSocket *socket, const HttpRequest &request)
{
    if (!request.host.isEmpty() && !liveHostAllowed(request.host, m_machineName)) {
        refuse(socket, 421, "fremder Hostname",
               "Unbekannter Hostname. Bitte die Adresse des Zeitnahme-Rechners verwenden.\n");
        return false;
    }
    if (request.upgradeWebSocket)
        return upgrade(socket, request);
    if (m_gate && request.target.startsWith("/api/posten/"))
        return answerMarshal(socket, request);
    if (!m_snapshot) {
        refuse(socket, 503, "noch keine Daten", "Noch keine Daten.\n");
        return false;
    }
    const Answer &cached = cachedAnswer(request.target);
    const bool unchanged = !cached.etag.isEmpty() && request.ifNoneMatch.contains(cached.etag);
    const bool gzip = request.acceptsGzip && !unchanged && !cached.gzipBody.isEmpty();
    QByteArray head;
    if (unchanged) {
        head.reserve(256);
        head += "HTTP/1.1 304 Not Modified\r\nETag: " + cached.etag + "\r\nCache-Control: no-cache\r\n";
    } else {
        head = gzip ? cached.gzipHead : cached.head;
    }
    head += "X-Now: " + QByteArray::number(nowEpochMs()) + "\r\n";
    head += request.keepAlive ? "Connection: keep-alive\r\n\r\n" : "Connection: close\r\n\r\n";
    if (!unchanged)
        head += gzip ? cached.gzipBody : cached.body;
    if (!send(socket, head))
        return false;
    if (!request.keepAlive) {
        finish(socket);
        return false;
    }
    return true;
}

const LiveServer::Answer &LiveServer::cachedAnswer(const QByteArray &target)
{
    if (const auto found = m_answers.constFind(target); found != m_answers.cend())
        return **found;
    const LiveResponse response = routeLiveRequest(*m_snapshot, target);
    auto answer = std::make_shared<Answer>();
    answer->body = response.body;
    answer->head = headOf(response.status, response.contentType, response.body.size());
    if (response.status == 200) {
        answer->etag
            = '"' + QByteArray::number(m_snapshot->version) + '-' + QByteArray::number(qHash(response.body), 36) + '"';
        const QByteArray validation
            = "ETag: " + answer->etag + "\r\nCache-Control: no-cache\r\nVary: Accept-Encoding\r\n";
        answer->head += validation;
        // Small answers are not worth the client's trouble.
        if (response.body.size() > 1024)
            answer->gzipBody = gzipped(response.body);
        if (!answer->gzipBody.isEmpty())
            answer->gzipHead = headOf(200, response.contentType, answer->gzipBody.size()) + validation
                + "Content-Encoding: gzip\r\n";
    } else {
        answer->head += "Cache-Control: no-store\r\n";
    }
    // Any number of board layouts can be asked for; only so many are kept.
    if (m_answers.size() < LiveLimits::MaxCachedTargets)
        m_answers.insert(target, answer);
    m_uncached = answer;
    return *answer;
}

bool LiveServer::sendJson(QTcpSocket *socket, const MarshalAnswer &answer, bool keepAlive)
{
    QByteArray out = headOf(answer.status, JsonType, answer.body.size()) + "Cache-Control: no-store\r\n";
    if (answer.retryAfter > 0)
        out += "Retry-After: " + QByteArray::number(answer.retryAfter) + "\r\n";
    out += "X-Now: " + QByteArray::number(nowEpochMs()) + "\r\n";
    out += keepAlive ? "Connection: keep-alive\r\n\r\n" : "Connection: close\r\n\r\n";
    out += answer.body;
    if (!send(socket, out))
        return false;
    if (!keepAlive) {
        finish(socket);
        return false;
    }
    return true;
}

bool LiveServer::answerMarshal(QTcpSocket *socket, const HttpRequest &request)
{
    const bool isPost = request.method == "POST";
    if (request.target == RunsPath && !isPost)
        return sendJson(socket, m_gate->runs(request.authorization), request.keepAlive);
    if (request.target != LoginPath && request.target != PressPath) {
        refuse(socket, 404, "unbekannt");
        return false;
    }
    if (!isPost)
        return sendJson(socket, MarshalGate::error(405, QStringLiteral("Nur POST.")), request.keepAlive);
    // No cookies are set, and a foreign page cannot send JSON here without asking first, which
    // nothing answers; a foreign origin named outright is refused all the same.
    if (!liveOriginAllowed(request.origin, request.host)) {
        refuse(socket, 403, "Eingabe von fremder Seite", "Nur f\xC3\xBCr die eigenen Seiten.\n");
        return false;
    }
    if (!request.contentType.startsWith("application/json"))
        return sendJson(socket, MarshalGate::error(400, QStringLiteral("Nur JSON.")), request.keepAlive);
    if (request.target == LoginPath) {
        const MarshalAnswer answer = m_gate->login(socket->peerAddress().toString(), request.body);
        if (answer.status == 200) {
            MarshalPress heard;
            heard.post = int(QJsonDocument::fromJson(answer.body).object().value(QStringLiteral("post")).toInt());
            heard.number = 0;
            emit marshalPressed(0, heard);
        }
        return sendJson(socket, answer, request.keepAlive);
    }
    auto checked = m_gate->press(request.authorization, request.body);
    if (const auto *refused = std::get_if<MarshalAnswer>(&checked))
        return sendJson(socket, *refused, request.keepAlive);
    const quint64 ticket = ++m_lastTicket;
    Client &client = m_clients[socket];
    client.waitingFor = ticket;
    client.keepAlive = request.keepAlive;
    m_waiting.insert(ticket, {socket, m_clock.elapsed()});
    emit marshalPressed(ticket, std::get<MarshalPress>(checked));
    return true;
}

void LiveServer::answerMarshalPress(quint64 ticket, const MarshalAnswer &answer)
{
    const Waiting waiting = m_waiting.take(ticket);
    const auto client = m_clients.find(waiting.socket);
    if (!waiting.socket || client == m_clients.end() || client->waitingFor != ticket)
        return;
    client->waitingFor = 0;
    if (sendJson(waiting.socket, answer, client->keepAlive)) {
        waiting.socket->flush();
        readRequests(waiting.socket);
    }
}

bool LiveServer::upgrade(QTcpSocket *socket, const HttpRequest &request)
{
    if (!liveOriginAllowed(request.origin, request.host)) {
        refuse(socket, 403, "Socket von fremder Seite", "Nur f\xC3\xBCr die eigenen Seiten.\n");
        return false;
    }
    Client &client = m_clients[socket];
    client.webSocket = true;
    client.requestStart = -1;
    ++m_webSockets;
    statusChangeSoon();
    QByteArray handshake = "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                           "Sec-WebSocket-Accept: "
        + webSocketAccept(request.webSocketKey) + "\r\n\r\n";
    if (m_snapshot)
        handshake += webSocketFrame(WebSocketFrame::Text, stampedState());
    return send(socket, handshake);
}

bool LiveServer::readFrames(QTcpSocket *socket)
{
    for (;;) {
        Client &client = m_clients[socket];
        const WebSocketFrame frame = readClientFrame(client.input, LiveLimits::MaxFramePayload);
        if (frame.kind == WebSocketFrame::NeedMore)
            return true;
        if (frame.kind == WebSocketFrame::Fault) {
            noteRefusal(frame.closeCode, frame.closeCode == 1009 ? "Nachricht zu gro\xC3\x9F" : "Protokollfehler");
            if (send(socket, webSocketClose(frame.closeCode)))
                finish(socket);
            return false;
        }
        client.input.remove(0, frame.consumed);
        if (frame.opcode == WebSocketFrame::Ping) {
            if (!send(socket, webSocketFrame(WebSocketFrame::Pong, frame.payload)))
                return false;
        } else if (frame.opcode == WebSocketFrame::Close) {
            if (send(socket, webSocketFrame(WebSocketFrame::Close, frame.payload.left(2))))
                finish(socket);
            return false;
        }
    }
}

bool LiveServer::send(QTcpSocket *socket, const QByteArray &bytes)
{
    const qint64 queued = socket->bytesToWrite() + bytes.size();
    if (queued > LiveLimits::MaxQueuedBytes) {
        noteRefusal(m_clients.value(socket).webSocket ? 1008 : 503, "Client liest nicht");
        drop(socket);
        return false;
    }
    socket->write(bytes);
    qint64 peak = m_peakQueued.load();
    while (queued > peak && !m_peakQueued.compare_exchange_weak(peak, queued)) { }
    return true;
}

void LiveServer::refuse(QTcpSocket *socket, int status, const QByteArray &reason, const QByteArray &text)
{
    if (status != 404)
        noteRefusal(status, reason);
    const QByteArray body = text.isEmpty() ? liveStatusText(status) + '\n' : text;
    QByteArray out = headOf(status, PlainText, body.size()) + "Cache-Control: no-store\r\n";
    if (status == 405)
        out += "Allow: GET\r\n";
    out += "Connection: close\r\n\r\n" + body;
    if (send(socket, out))
        finish(socket);
}

void LiveServer::finish(QTcpSocket *socket)
{
    const auto client = m_clients.constFind(socket);
    if (client != m_clients.cend()) {
        if (client->webSocket)
            --m_webSockets;
        m_clients.erase(client);
        disconnect(socket, nullptr, this, nullptr);
        statusChangeSoon();
    }
    socket->disconnectFromHost();
    // One that never reads what is left would keep the socket for good.
    QTimer::singleShot(LiveLimits::HeaderDeadlineMs, socket, [socket] { socket->abort(); });
}

void LiveServer::drop(QTcpSocket *socket)
{
    const auto client = m_clients.constFind(socket);
    if (client == m_clients.cend())
        return;
    if (client->webSocket)
        --m_webSockets;
    m_clients.erase(client);
    disconnect(socket, nullptr, this, nullptr);
    socket->abort();
    socket->deleteLater();
    statusChangeSoon();
}

void LiveServer::sweep()
{
    const qint64 now = m_clock.elapsed();
    // A browser answers pings by itself, so a socket that stays silent is gone (or cut half-open).
    const bool ping = now - m_lastPing >= std::min<qint64>(LiveLimits::PingMs, m_idleMs / 3);
    if (ping)
        m_lastPing = now;
    QList<QTcpSocket *> idle, pinged;
    for (auto it = m_clients.cbegin(); it != m_clients.cend(); ++it) {
        if (now - it->lastActivity > m_idleMs)
            idle << it.key();
        else if (!it->webSocket && it->requestStart >= 0
                 && now - it->requestStart > std::min<qint64>(LiveLimits::HeaderDeadlineMs, m_idleMs))
            idle << it.key();
        else if (it->webSocket && ping)
            pinged << it.key();
    }
    for (QTcpSocket *socket : std::as_const(idle))
        drop(socket);
    QList<quint64> overdue;
    for (auto it = m_waiting.cbegin(); it != m_waiting.cend(); ++it) {
        if (now - it->since > PressDeadlineMs)
            overdue << it.key();
    }
    for (const quint64 ticket : std::as_const(overdue))
        answerMarshalPress(ticket, MarshalGate::error(503, QStringLiteral("Die Zeitnahme antwortet nicht.")));
    const QByteArray frame = webSocketFrame(WebSocketFrame::Ping, {});
    for (QTcpSocket *socket : std::as_const(pinged))
        send(socket, frame);
}

class LiveHost::Thread final : public QThread
{
    void run() override
    {
        giveWayToInterface();
        exec();
    }
};

LiveHost::LiveHost(QObject *parent)
    : QObject(parent)
    , m_thread(new Thread)
    , m_server(new LiveServer)
{
    qRegisterMetaType<LiveSnapshotPtr>();
    qRegisterMetaType<MarshalPress>();
    qRegisterMetaType<MarshalAnswer>();
    m_server->moveToThread(m_thread);
    connect(m_server, &LiveServer::marshalPressed, this, &LiveHost::marshalPressed);
    connect(m_thread, &QThread::finished, m_server, &QObject::deleteLater);
    connect(m_server, &LiveServer::listenFinished, this, [this](quint16 port, const QString &error) {
        m_port = port;
        emit listenFinished(port, error);
    });
    connect(m_server, &LiveServer::statusChanged, this, &LiveHost::statusChanged);
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

void LiveHost::setMarshalGate(const std::shared_ptr<MarshalGate> &gate)
{
    QMetaObject::invokeMethod(
        m_server, [server = m_server, gate] { server->setMarshalGate(gate); }, Qt::QueuedConnection);
}

void LiveHost::answerMarshalPress(quint64 ticket, const MarshalAnswer &answer)
{
    QMetaObject::invokeMethod(
        m_server, [server = m_server, ticket, answer] { server->answerMarshalPress(ticket, answer); },
        Qt::QueuedConnection);
}
