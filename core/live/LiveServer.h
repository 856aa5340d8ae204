#pragma once

#include "core/live/HttpRequestParser.h"
#include "core/live/LiveSnapshot.h"
#include "core/marshal/MarshalGate.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QTimer>

#include <atomic>
#include <memory>

class QTcpServer;
class QTcpSocket;

// The read-only results server, HTTP and the socket /ws on the same connections. It keeps the
// connections' books only: parseHttpRequest reads the requests, LiveWebSocket the frames, and
// every page is built once per snapshot and then served as bytes. The limits are LiveLimits.
//
// It lives on the thread of its own that LiveHost gives it; it never reads a file.
class LiveServer final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LiveServer)

public:
    static constexpr int MaxConnections = LiveLimits::MaxConnections;

    explicit LiveServer(QObject *parent = nullptr);
    ~LiveServer() override;

    // Answers with listenFinished. Closing keeps the snapshot.
    void listen(const QHostAddress &address, quint16 port);
    void close();
    void publish(const LiveSnapshotPtr &snapshot);
    // For tests: a shorter idle time than a minute.
    void setIdleMs(int ms) { m_idleMs = ms; }
    // The most output ever queued for one client; safe from any thread.
    qint64 peakQueuedBytes() const { return m_peakQueued.load(); }
    // The marshals' routes answer only with a gate; their presses go out through marshalPressed
    // and come back through answerMarshalPress.
    void setMarshalGate(const std::shared_ptr<MarshalGate> &gate) { m_gate = gate; }
    void answerMarshalPress(quint64 ticket, const MarshalAnswer &answer);
    // A press not answered in this time is answered 503.
    static constexpr qint64 PressDeadlineMs = 5000;

signals:
    // port is the one bound (a request for port 0 gets a free one); error empty on success.
    void listenFinished(quint16 port, const QString &error);
    // A little after a change: open connections, the sockets among them, and the latest refusal
    // ("503: 500 Verbindungen, 14:02"), empty while there was none.
    void statusChanged(int connections, int sockets, const QString &lastRefusal);
    // A marshal's press that passed the gate, for the desk to apply; ticket names the answer.
    // A successful login counts as hearing from the post as well (press.number 0).
    void marshalPressed(quint64 ticket, const MarshalPress &press);

private:
    struct Client
    {
        bool webSocket = false;
        qint64 lastActivity = 0;
        qint64 requestStart = -1; // first byte of a request whose header is not complete yet
        QByteArray input;
        quint64 waitingFor = 0; // the ticket of a press the desk has not answered yet
        bool keepAlive = true; // of that press's request
    };
    struct Answer;

    void acceptConnections();
    void readInput(QTcpSocket *socket);
    // Each returns false once the socket is closed or gone.
    bool readRequests(QTcpSocket *socket);
    bool readFrames(QTcpSocket *socket);
    bool answer(QTcpSocket *socket, const HttpRequest &request);
    bool answerMarshal(QTcpSocket *socket, const HttpRequest &request);
    bool sendJson(QTcpSocket *socket, const MarshalAnswer &answer, bool keepAlive);
    bool upgrade(QTcpSocket *socket, const HttpRequest &request);
    bool send(QTcpSocket *socket, const QByteArray &bytes);
    void refuse(QTcpSocket *socket, int status, const QByteArray &reason, const QByteArray &text = {});
    // Closes after what is queued has gone; the slot is free at once.
    void finish(QTcpSocket *socket);
    void drop(QTcpSocket *socket);
    void noteRefusal(int status, const QByteArray &reason);
    const Answer &cachedAnswer(const QByteArray &target);
    QByteArray stampedState() const;
    void sweep();
    void statusChangeSoon();

    QTcpServer *m_tcp;
    QTimer *m_sweep;
    QTimer *m_status;
    QElapsedTimer m_clock;
    QHash<QTcpSocket *, Client> m_clients;
    int m_webSockets = 0;
    int m_idleMs = LiveLimits::IdleMs;
    qint64 m_lastPing = 0;
    QByteArray m_machineName;
    QString m_lastRefusal;
    std::atomic<qint64> m_peakQueued {0};
    LiveSnapshotPtr m_snapshot;
    QByteArray m_state; // /api/live, without the time
    QHash<QByteArray, std::shared_ptr<Answer>> m_answers;
    std::shared_ptr<Answer> m_uncached; // the last one served beyond the limit
    std::shared_ptr<MarshalGate> m_gate;
    quint64 m_lastTicket = 0;
    struct Waiting
    {
        QTcpSocket *socket = nullptr;
        qint64 since = 0;
    };
    QHash<quint64, Waiting> m_waiting;
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
    qint64 peakQueuedBytes() const { return m_server->peakQueuedBytes(); }
    void setMarshalGate(const std::shared_ptr<MarshalGate> &gate);
    void answerMarshalPress(quint64 ticket, const MarshalAnswer &answer);

signals:
    void listenFinished(quint16 port, const QString &error);
    void statusChanged(int connections, int sockets, const QString &lastRefusal);
    void marshalPressed(quint64 ticket, const MarshalPress &press);

private:
    class Thread;
    Thread *m_thread;
    LiveServer *m_server;
    quint16 m_port = 0;
};
