// The marshals' presses under load: 8 posts pressing 2 times a second each while a run is timed and
// 200 live clients follow (100 on the socket, 100 asking every second), on loopback. Prints the time
// from a press sent to its answer, which comes after the count is in the protocol's model, in the
// class file and in the journal; whether any press was lost; the same for a count typed at the desk
// as a reference; and a fuzz of both routes' bodies.
// Run: ./build/bench/bench_marshal [presses, default 1000]
#include "BenchFolder.h"
#include "LiveOnFreePort.h"
#include "core/journal/Journal.h"
#include "core/journal/JournalRecorder.h"
#include "core/live/LiveFeed.h"
#include "core/live/LiveServer.h"
#include "core/marshal/MarshalDesk.h"
#include "core/protocol/ProtocolModel.h"
#include "core/protocol/ResultsProtocol.h"
#include "core/session/RaceSession.h"
#include "core/settings/SettingsStore.h"
#include "core/startlist/ClassStore.h"
#include "core/startlist/ListFile.h"
#include "core/timing/RunControl.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <QWebSocket>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

namespace {
constexpr int ClassSize = 300;
constexpr int Posts = 8;
constexpr int PressPeriodMs = 500;
constexpr int SocketClients = 100;
constexpr int PollingClients = 100;
constexpr int FuzzRequests = 4000;

std::int64_t steadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

QByteArray post(const QByteArray &path, const QByteArray &body, const QByteArray &token = {})
{
    QByteArray request = "POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\n";
    if (!token.isEmpty())
        request += "Authorization: Bearer " + token + "\r\n";
    return request + "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

// One answer from a keep-alive connection: the status and the body; status 0 when none came.
std::pair<int, QByteArray> readAnswer(QTcpSocket &socket, int timeoutMs = 5000)
{
    QByteArray in;
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        const qsizetype end = in.indexOf("\r\n\r\n");
        if (end >= 0) {
            const qsizetype at = in.toLower().indexOf("content-length: ");
            const int length = at >= 0 ? in.mid(at + 16, in.indexOf('\r', at) - at - 16).toInt() : 0;
            if (in.size() >= end + 4 + length)
                return {in.mid(9, 3).toInt(), in.mid(end + 4, length)};
        }
        if (waited.elapsed() > timeoutMs || socket.state() != QAbstractSocket::ConnectedState)
            return {0, in};
        if (socket.bytesAvailable() == 0)
            socket.waitForReadyRead(50);
        in += socket.readAll();
    }
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(p / 100.0 * double(values.size())))];
}

void printFigures(const char *what, const std::vector<double> &ms)
{
    std::printf("%-44s n=%5zu  p50 %7.2f ms  p99 %7.2f ms  max %7.2f ms\n", what, ms.size(), percentile(ms, 50),
                percentile(ms, 99), ms.empty() ? 0.0 : *std::max_element(ms.begin(), ms.end()));
}

// A marshal's phone: logs in, then presses on a fixed beat.
class Presser final : public QThread
{
public:
    Presser(quint16 port, QString pin, int presses, int offsetMs, int number)
        : m_port(port)
        , m_pin(std::move(pin))
        , m_presses(presses)
        , m_offsetMs(offsetMs)
        , m_number(number)
    {
    }
    std::vector<double> latencies;
    // Steady-clock moments of each press sent and answered, to match with the saves that landed.
    std::vector<std::pair<std::int64_t, std::int64_t>> sentAndAnswered;
    int taken = 0;
    int fp = 0, fs = 0;
    QList<int> refused;

protected:
    void run() override
    {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_port);
        if (!socket.waitForConnected(3000))
            return;
        socket.write(post("/api/posten/login", "{\"pin\":\"" + m_pin.toUtf8() + "\"}"));
        const auto [status, body] = readAnswer(socket);
        const QByteArray token
            = QJsonDocument::fromJson(body).object().value(QStringLiteral("token")).toString().toLatin1();
        if (status != 200)
            return;
        QThread::msleep(m_offsetMs);
        QElapsedTimer beat;
        beat.start();
        for (int i = 0; i < m_presses; ++i) {
            const qint64 due = qint64(i) * PressPeriodMs;
            if (beat.elapsed() < due)
                QThread::msleep(due - beat.elapsed());
            const bool onFs = i % 3 == 2;
            const QByteArray press
                = QStringLiteral(R"({"class":1,"number":%1,"run":1,"field":"%2","delta":1,"pressedAt":%3})")
                      .arg(m_number)
                      .arg(onFs ? QStringLiteral("fs") : QStringLiteral("fp"))
                      .arg(QDateTime::currentMSecsSinceEpoch())
                      .toUtf8();
            QElapsedTimer sent;
            sent.start();
            const std::int64_t sentAt = steadyNs();
            socket.write(post("/api/posten/strafe", press, token));
            const auto [pressStatus, pressBody] = readAnswer(socket);
            latencies.push_back(double(sent.nsecsElapsed()) / 1e6);
            if (pressStatus == 200) {
                sentAndAnswered.emplace_back(sentAt, steadyNs());
                ++taken;
                (onFs ? fs : fp)++;
            } else {
                refused << pressStatus;
            }
        }
    }

private:
    quint16 m_port;
    QString m_pin;
    int m_presses;
    int m_offsetMs;
    int m_number;
};

// The live clients, on a thread of their own: phones on the socket and phones that ask every second.
class Audience final : public QObject
{
public:
    explicit Audience(quint16 port)
        : m_port(port)
    {
    }
    void start()
    {
        for (int i = 0; i < SocketClients; ++i) {
            auto *ws = new QWebSocket(QString(), QWebSocketProtocol::VersionLatest, this);
            connect(ws, &QWebSocket::textMessageReceived, this, [this] { ++messages; });
            ws->open(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws").arg(m_port)));
        }
        for (int i = 0; i < PollingClients; ++i) {
            auto *socket = new QTcpSocket(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
                if (socket->readAll().contains("HTTP/1.1 200"))
                    ++answers;
            });
            socket->connectToHost(QHostAddress::LocalHost, m_port);
            auto *timer = new QTimer(this);
            connect(timer, &QTimer::timeout, socket, [socket] {
                if (socket->state() == QAbstractSocket::ConnectedState)
                    socket->write("GET /api/live HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
            });
            QTimer::singleShot(i * 10, timer, [timer] { timer->start(1000); });
        }
    }
    std::atomic<int> messages {0};
    std::atomic<int> answers {0};

private:
    quint16 m_port;
};

QByteArray randomBody(QRandomGenerator &random, const QByteArray &valid)
{
    switch (random.bounded(6)) {
    case 0: { // bytes of any kind
        QByteArray bytes(random.bounded(1100), Qt::Uninitialized);
        for (char &c : bytes)
            c = char(random.bounded(256));
        return bytes;
    }
    case 1: { // a valid body with bytes flipped
        QByteArray bytes = valid;
        for (int i = random.bounded(1, 6); i > 0; --i)
            bytes[random.bounded(bytes.size())] = char(random.bounded(32, 127));
        return bytes;
    }
    case 2: // cut short
        return valid.left(random.bounded(valid.size()));
    case 3: { // values of the wrong kind
        const char *values[] = {"null", "true", "-1", "1e308", "\"x\"", "[]", "{}", "0.5", "99999999999999999999"};
        QByteArray bytes = valid;
        const qsizetype colon = bytes.indexOf(':', random.bounded(bytes.size()));
        if (colon > 0)
            bytes.insert(colon + 1, values[random.bounded(int(std::size(values)))]);
        return bytes;
    }
    case 4: // deep nesting
        return QByteArray(random.bounded(1, 500), '[') + QByteArray(random.bounded(1, 500), ']');
    default:
        return valid;
    }
}
} // namespace

int main(int argc, char *argv[])
{
    BenchFolder folder(QStringLiteral("marshal"));
    QCoreApplication app(argc, argv);
    folder.use();
    const int presses = argc > 1 ? std::max(Posts, QByteArray(argv[1]).toInt()) : 1000;

    StartList list;
    for (int i = 0; i < ClassSize; ++i) {
        list.add();
        list.setText(i, ListField::Name, QStringLiteral("Fahrer %1").arg(i + 1));
    }
    const quint16 port = writeClassWithLive(list);
    MarshalSettings marshals;
    marshals.enabled = true;
    for (int n = 1; n <= Posts; ++n)
        marshals.posts << MarshalPost {n, QStringLiteral("Posten %1").arg(n), marshals.newPin()};
    SettingsStore settings;
    if (port == 0 || !marshals.save(settings).ok()) {
        std::fprintf(stderr, "cannot write the class or the settings\n");
        return 1;
    }

    RaceSession session;
    if (!session.store().LoadCurrentClass().ok())
        return 1;
    session.liveFeed().setActive(true);
    session.liveHost().start(QStringLiteral("127.0.0.1"), port);
    QElapsedTimer wait;
    wait.start();
    while (!session.liveHost().isListening() && wait.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);

    // A run on course throughout: the presses mark it.
    const int row = 41;
    session.runs().setRunNumber(1);
    session.runs().SelectParticipant(row);
    session.runs().StartRun(ChangeSource::Button);

    QThread audienceThread;
    Audience audience(port);
    audience.moveToThread(&audienceThread);
    audienceThread.start();
    QMetaObject::invokeMethod(&audience, [&audience] { audience.start(); });
    int connections = 0;
    QObject::connect(&session.liveHost(), &LiveHost::statusChanged, &app,
                     [&connections](int open, int, const QString &) { connections = open; });
    wait.restart();
    while (connections < SocketClients + PollingClients && wait.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    std::printf("live clients connected: %d\n", connections);

    int shown = 0;
    QObject::connect(&session.marshals(), &MarshalDesk::pressApplied, &app, [&shown] { ++shown; });
    // The class file is written on the disk queue after the answer; a save reported is the newest
    // one begun, so the first report after a press's answer holds that press.
    std::vector<std::int64_t> saved;
    QObject::connect(&session.store(), &ClassStore::saveFinished, &app, [&saved](const FileResult &result) {
        if (result)
            saved.push_back(steadyNs());
    });

    std::vector<std::unique_ptr<Presser>> pressers;
    for (int n = 0; n < Posts; ++n) {
        const int share = presses / Posts + (n < presses % Posts ? 1 : 0);
        pressers.push_back(
            std::make_unique<Presser>(port, marshals.posts[n].pin, share, n * PressPeriodMs / Posts, row + 1));
        pressers.back()->start();
    }
    // The typed reference, at the desk between the presses: a count of another run, as the
    // operator would type it, saved and journaled the same way.
    std::vector<double> typed;
    ProtocolModel &model = session.protocol().model();
    QElapsedTimer typing;
    typing.start();
    int typedCount = 0;
    while (std::any_of(pressers.begin(), pressers.end(), [](const auto &p) { return p->isRunning(); })) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (typing.elapsed() > 300) {
            typing.restart();
            QElapsedTimer one;
            one.start();
            model.setData(model.index(row - 1, ProtocolModel::FP1), QString::number(++typedCount % 7), Qt::EditRole);
            typed.push_back(double(one.nsecsElapsed()) / 1e6);
        }
    }
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);

    session.waitForWrites();
    std::vector<double> latencies;
    std::vector<double> toFile;
    int taken = 0, fp = 0, fs = 0;
    QList<int> refused;
    for (const auto &p : pressers) {
        for (const auto &[sentAt, answeredAt] : p->sentAndAnswered) {
            const auto landed = std::lower_bound(saved.begin(), saved.end(), answeredAt);
            if (landed != saved.end())
                toFile.push_back(double(*landed - sentAt) / 1e6);
        }
        latencies.insert(latencies.end(), p->latencies.begin(), p->latencies.end());
        taken += p->taken;
        fp += p->fp;
        fs += p->fs;
        refused += p->refused;
    }
    StartList onDisk;
    const bool read = ReadListFile(onDisk, ClassListPath(1), false).ok();
    const int journaled = int(session.recorder()
                                  .journal()
                                  .events(1, row, {QStringLiteral("fp1"), QStringLiteral("fs1")})
                                  .value_or({})
                                  .size());
    std::printf("presses sent %d, answered 200: %d, refused: %lld\n", int(latencies.size()), taken,
                qlonglong(refused.size()));
    std::printf("count in the protocol FP %d FS %d (pressed %d/%d); in the class file FP %d FS %d%s\n",
                model.index(row, ProtocolModel::FP1).data(Qt::EditRole).toInt(),
                model.index(row, ProtocolModel::FS1).data(Qt::EditRole).toInt(), fp, fs,
                onDisk.wholeNumber(row, ListField::FP1), onDisk.wholeNumber(row, ListField::FS1),
                read ? "" : " (file not read)");
    std::printf("journal rows of the run: %d; presses shown at the desk: %d of %d\n", journaled, shown, taken);
    std::printf("live clients meanwhile: %d socket messages, %d answers to polls\n", audience.messages.load(),
                audience.answers.load());
    printFigures("press sent -> answer (count in the protocol)", latencies);
    printFigures("press sent -> count in the class file", toFile);
    printFigures("reference: typed count at the desk", typed);

    // Fuzz: any body on both routes, with a good token and without; the server must stay up and
    // still answer a good press.
    QTcpSocket login;
    login.connectToHost(QHostAddress::LocalHost, port);
    login.waitForConnected(3000);
    login.write(post("/api/posten/login", "{\"pin\":\"" + marshals.posts[0].pin.toUtf8() + "\"}"));
    const QByteArray token = QJsonDocument::fromJson(readAnswer(login).second)
                                 .object()
                                 .value(QStringLiteral("token"))
                                 .toString()
                                 .toLatin1();
    QRandomGenerator random(20261208);
    const QByteArray validPress = R"({"class":1,"number":42,"run":1,"field":"fp","delta":-1,"pressedAt":0})";
    const QByteArray validLogin = R"({"pin":"000000"})";
    QMap<int, int> statuses;
    int gone = 0, cut = 0;
    QElapsedTimer fuzzing;
    fuzzing.start();
    std::atomic<bool> fuzzDone {false};
    std::thread fuzzer([&] {
        for (int i = 0; i < FuzzRequests; ++i) {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, port);
            if (!socket.waitForConnected(3000)) {
                ++gone;
                continue;
            }
            const bool press = i % 2 == 0;
            const bool withToken = i % 8 == 0;
            QByteArray body = randomBody(random, press ? validPress : validLogin);
            QByteArray request
                = post(press ? "/api/posten/strafe" : "/api/posten/login", body, withToken ? token : QByteArray());
            // A body shorter than its length: the server waits for the rest until its deadline.
            if (i % 50 == 1) {
                socket.write(request.replace("Content-Length: ", "Content-Length: 1"));
                socket.waitForBytesWritten(1000);
                ++cut;
                continue;
            }
            socket.write(request);
            socket.waitForBytesWritten(1000);
            ++statuses[readAnswer(socket, 2000).first];
            // Below ten a second on the token, so its lock-out does not hide the route behind it.
            if (withToken)
                QThread::msleep(100);
        }
        fuzzDone = true;
    });
    while (!fuzzDone)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    fuzzer.join();
    std::atomic<int> afterStatus {0};
    std::atomic<bool> checked {false};
    std::thread check([&] {
        QTcpSocket after;
        after.connectToHost(QHostAddress::LocalHost, port);
        after.waitForConnected(3000);
        after.write(post("/api/posten/strafe",
                         R"({"class":1,"number":42,"run":1,"field":"fs","delta":1,"pressedAt":0})", token));
        afterStatus = readAnswer(after, 5000).first;
        checked = true;
    });
    while (!checked)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    check.join();
    QStringList counted;
    for (auto it = statuses.cbegin(); it != statuses.cend(); ++it)
        counted << QStringLiteral("%1: %2").arg(it.key()).arg(it.value());
    std::printf(
        "fuzz: %d requests in %.1f s, answers %s, left half-sent %d, connections refused %d; a good press after: %d\n",
        FuzzRequests, double(fuzzing.elapsed()) / 1000, qPrintable(counted.join(QStringLiteral(", "))), cut, gone,
        afterStatus.load());

    session.runs().StopRun(ChangeSource::Button);
    QMetaObject::invokeMethod(
        &audience, [&audience] { qDeleteAll(audience.children()); }, Qt::BlockingQueuedConnection);
    audienceThread.quit();
    audienceThread.wait();
    return 0;
}
