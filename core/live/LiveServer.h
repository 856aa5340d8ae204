#pragma once

#include "core/live/LiveSnapshot.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QTimer>

class QTcpServer;
class QTcpSocket;
class QWebSocket;
class QWebSocketServer;

// The read-only results server. HTTP is parsed here, strictly and in small pieces, so the limits
// hold for every client: GET only, request line and headers at most 8 KiB, at most 500 open
// connections, idle ones closed after a minute. "/ws" is handed to the socket server for the
// upgrade; every snapshot published is pushed to each socket as the state of /api/live.
//
// It lives on the thread of its own that LiveHost gives it; it never reads a file.
class LiveServer final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LiveServer)

public:
    static constexpr int MaxConnections = 500;
    static constexpr int MaxHeaderBytes = 8192;
    static constexpr int IdleMs = 60000;

    explicit LiveServer(QObject *parent = nullptr);
    ~LiveServer() override;

    // Answers with listenFinished. Closing keeps the snapshot.
    void listen(const QHostAddress &address, quint16 port);
    void close();
    void publish(const LiveSnapshotPtr &snapshot);
    // For tests: a shorter idle time than a minute.
    void setIdleMs(int ms) { m_idleMs = ms; }

signals:
    // port is the one bound (a request for port 0 gets a free one); error empty on success.
    void listenFinished(quint16 port, const QString &error);
    void connectionCountChanged(int count);

private:
    struct Client
    {
        qint64 lastActivity = 0;
        qint64 requestStart = -1; // first byte of a request whose header is not complete yet
    };

    void acceptConnections();
    void readRequests(QTcpSocket *socket);
    // false when the connection is to be closed or was handed over.
    bool handleRequest(QTcpSocket *socket, const QByteArray &header, qsizetype headerBytes);
    void respond(QTcpSocket *socket, int status, const QByteArray &type, const QByteArray &body, bool keepAlive,
                 const QByteArray &extraHeaders = {});
    void refuse(QTcpSocket *socket, int status, const QByteArray &extraHeaders = {});
    void upgrade(QTcpSocket *socket);
    void adoptWebSocket();
    void sweep();
    void countChanged();

    QTcpServer *m_tcp;
    QWebSocketServer *m_sockets;
    QTimer *m_sweep;
    QElapsedTimer m_clock;
    QHash<QTcpSocket *, Client> m_http;
    // Handed to the socket server, handshake not finished yet: when they came.
    QHash<QTcpSocket *, qint64> m_upgrading;
    QHash<QWebSocket *, qint64> m_webSockets;
    int m_open = 0;
    int m_idleMs = IdleMs;
    qint64 m_lastPing = 0;
    LiveSnapshotPtr m_snapshot;
    QByteArray m_state;
};

// Runs a LiveServer on a thread of its own; everything here is called from the interface thread
// and returns at once.
class LiveHost final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LiveHost)

public:
    explicit LiveHost(QObject *parent = nullptr);
    ~LiveHost() override;

    // address empty: every interface.
    void start(const QString &address, quint16 port);
    void stop();
    void publish(const LiveSnapshotPtr &snapshot);
    void setIdleMs(int ms);
    bool isListening() const { return m_port != 0; }
    quint16 port() const { return m_port; }

signals:
    void listenFinished(quint16 port, const QString &error);

private:
    class Thread;
    Thread *m_thread;
    LiveServer *m_server;
    quint16 m_port = 0;
};
