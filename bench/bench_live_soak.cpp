// A race day for the live results in a few minutes: 20 000 socket sessions opened and closed in
// churn (a quarter of them without a close frame, a quarter cut with a reset, one in a hundred
// vanishing without a word), 200 steady socket clients, 50 phones asking every second, 5 clients
// flooding pings and 5 that never read, while 1 000 runs are timed with F5 and F8 in the window.
// The clients run in a child process so that the memory and the threads measured are the program's.
// Prints sessions served, 503s, memory, display updates and F8 to a socket client.
// Run under a real X server: xvfb-run -a ./build/bench/bench_live_soak [seconds, default 180]
#include "DisplayRefresh.h"
#include "LiveOnFreePort.h"
#include "core/live/LiveFeed.h"
#include "core/session/RaceSession.h"
#include "core/live/LiveServer.h"
#include "core/live/LiveSettings.h"
#include "core/settings/SettingsStore.h"
#include "core/startlist/ListFile.h"
#include "core/system/ProgramFolder.h"

#include <QApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonValue>
#include <QProcess>
#include <QSocketNotifier>
#include <QSpinBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QWebSocket>

#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <limits>
#include <map>
#include <mutex>

namespace {
constexpr int ClassSize = 500; // both runs open: 1 000 runs
constexpr int Runs = 2 * ClassSize;
constexpr int Sessions = 20000;
constexpr int SteadySockets = 200;
constexpr int Pollers = 50;
constexpr int Flooders = 5;
constexpr int NonReaders = 5;
constexpr int LongRuns = 3; // of 10 s each, for the display figures
constexpr qint64 VanishedHeldMs = 61000; // the server's idle time and a sweep

// The same clock in both processes.
qint64 monotonicNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(p * double(values.size())))];
}

const QByteArray Key = QByteArrayLiteral("dGhlIHNhbXBsZSBub25jZQ==");

QByteArray upgradeRequest(quint16 port)
{
    return "GET /ws HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(port)
        + "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Version: 13\r\nSec-WebSocket-Key: " + Key
        + "\r\n\r\n";
}

QByteArray maskedFrame(quint8 first, const QByteArray &payload)
{
    QByteArray frame;
    frame += char(first);
    frame += char(0x80 | payload.size());
    const char mask[4] = {0x11, 0x22, 0x33, 0x44};
    frame.append(mask, 4);
    for (qsizetype i = 0; i < payload.size(); ++i)
        frame += char(payload[i] ^ mask[i % 4]);
    return frame;
}

// Whether the first frame after the handshake's header is complete.
bool hasWholeFrame(const QByteArray &bytes, qsizetype at)
{
    if (bytes.size() < at + 2)
        return false;
    qint64 length = quint8(bytes[at + 1]) & 0x7f;
    qsizetype header = 2;
    if (length == 126) {
        if (bytes.size() < at + 4)
            return false;
        length = (quint8(bytes[at + 2]) << 8) | quint8(bytes[at + 3]);
        header = 4;
    } else if (length == 127) {
        return bytes.size() >= at + 10; // never that large; counted as served
    }
    return bytes.size() >= at + header + length;
}

// The finisher named in a socket message: its time, and its whole entry to tell equal times apart.
// The last finisher of a socket message: the finish time, and who and which run, which tells two
// runs that ended in the same time apart. The entry's own run times sit beside the finish time,
// so the message is read as JSON rather than searched.
bool lastFinisher(const QString &message, int *time, QString *entry)
{
    const QJsonValue last = QJsonDocument::fromJson(message.toUtf8())[QLatin1String("last")];
    if (!last.isObject())
        return false;
    *time = last[QLatin1String("timeMs")].toInt();
    *entry = QStringLiteral("%1/%2/%3")
                 .arg(last[QLatin1String("number")].toInt())
                 .arg(last[QLatin1String("run")].toInt())
                 .arg(*time);
    return true;
}

// ---------------------------------------------------------------- the clients (child process)
class Clients final : public QObject
{
public:
    Clients(quint16 port, int seconds)
        : m_port(port)
        , m_seconds(seconds)
    {
    }

    void start();
    void finish();

private:
    enum class Leave { CloseFrame, Abort, Reset, Vanish };
    struct Held
    {
        QTcpSocket *socket;
        qint64 since;
    };

    void countOpen(int delta) { m_open += delta; }
    int openNow()
    {
        // The server learns of a close a moment later; those count as open for a little while.
        const qint64 now = m_clock.elapsed();
        while (!m_recentCloses.empty() && now - m_recentCloses.front() > 200)
            m_recentCloses.pop_front();
        return m_open + int(m_recentCloses.size());
    }
    void opened(QTcpSocket *socket)
    {
        socket->setProperty("open", true);
        countOpen(1);
    }
    // Whoever went first; abort() after the others' own ending changes nothing.
    void closed(QTcpSocket *socket)
    {
        socket->disconnect(this);
        socket->abort();
        if (socket->property("open").toBool()) {
            socket->setProperty("open", false);
            countOpen(-1);
            m_recentCloses.push_back(m_clock.elapsed());
        }
        socket->deleteLater();
    }
    void note503()
    {
        ++m_refused;
        const int open = openNow();
        m_maxOpenAt503 = std::max(m_maxOpenAt503, open);
        if (open < LiveServer::MaxConnections)
            ++m_refusedBelowLimit;
    }
    void churn();
    void session(int index);
    void steady();
    void poller(int index);
    void flooder();
    void nonReader();

    quint16 m_port;
    int m_seconds;
    QElapsedTimer m_clock;
    int m_open = 0, m_maxOpen = 0;
    std::deque<qint64> m_recentCloses;
    int m_started = 0, m_served = 0, m_refused = 0, m_refusedBelowLimit = 0, m_maxOpenAt503 = 0, m_failed = 0,
        m_otherAnswers = 0;
    int m_steadyConnected = 0, m_steadyLost = 0;
    int m_polls = 0, m_polls200 = 0, m_polls503 = 0, m_pollsOther = 0, m_pollsLate = 0, m_pollReconnects = 0;
    int m_floodRounds = 0, m_floodDropped = 0, m_nonReaderRounds = 0, m_nonReadersDropped = 0;
    std::vector<Held> m_vanished;
    std::vector<std::pair<int, qint64>> m_arrivals; // a stop's time and its arrival at one client
};

void Clients::start()
{
    m_clock.start();
    for (int i = 0; i < SteadySockets; ++i)
        steady();
    for (int i = 0; i < Pollers; ++i)
        poller(i);
    for (int i = 0; i < Flooders; ++i)
        flooder();
    for (int i = 0; i < NonReaders; ++i)
        nonReader();
    auto *timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &Clients::churn);
    timer->start(10);
    auto *sampler = new QTimer(this);
    connect(sampler, &QTimer::timeout, this, [this] { m_maxOpen = std::max(m_maxOpen, openNow()); });
    sampler->start(50);
}

void Clients::churn()
{
    // Evenly over the duration, as phones come and go; a vanished one is gone for the server after its idle time.
    const qint64 due = std::min<qint64>(Sessions, m_clock.elapsed() * Sessions / (qint64(m_seconds) * 1000));
    while (m_started < due)
        session(m_started++);
    const qint64 now = m_clock.elapsed();
    while (!m_vanished.empty() && now - m_vanished.front().since > VanishedHeldMs) {
        closed(m_vanished.front().socket);
        m_vanished.erase(m_vanished.begin());
    }
}

void Clients::session(int index)
{
    const Leave leave = index % 100 == 99 ? Leave::Vanish
        : index % 4 == 1                  ? Leave::Abort
        : index % 4 == 2                  ? Leave::Reset
                                          : Leave::CloseFrame;
    auto *socket = new QTcpSocket(this);
    auto *input = new QByteArray;
    connect(socket, &QObject::destroyed, [input] { delete input; });
    auto *deadline = new QTimer(socket);
    deadline->setSingleShot(true);
    connect(deadline, &QTimer::timeout, this, [this, socket] {
        ++m_failed;
        closed(socket);
    });
    deadline->start(10000);
    connect(socket, &QTcpSocket::connected, this, [this, socket] {
        opened(socket);
        socket->write(upgradeRequest(m_port));
    });
    connect(socket, &QTcpSocket::errorOccurred, this, [this, socket](QAbstractSocket::SocketError error) {
        if (error == QAbstractSocket::ConnectionRefusedError) {
            ++m_failed;
            socket->disconnect(this);
            socket->deleteLater();
        }
    });
    // The server went first (503, or after our close frame).
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] { closed(socket); });
    connect(socket, &QTcpSocket::readyRead, this, [this, socket, input, leave, deadline] {
        *input += socket->readAll();
        const qsizetype end = input->indexOf("\r\n\r\n");
        if (end < 0 || socket->property("done").toBool())
            return;
        if (input->startsWith("HTTP/1.1 503")) {
            socket->setProperty("done", true);
            note503();
            return; // the server closes
        }
        if (!input->startsWith("HTTP/1.1 101")) {
            socket->setProperty("done", true);
            ++m_otherAnswers;
            return;
        }
        if (!hasWholeFrame(*input, end + 4))
            return;
        socket->setProperty("done", true);
        deadline->stop();
        ++m_served;
        switch (leave) {
        case Leave::CloseFrame:
            socket->write(maskedFrame(0x88, QByteArray("\x03\xe8", 2)));
            deadline->start(10000);
            break;
        case Leave::Abort:
            closed(socket);
            break;
        case Leave::Reset: {
            // No FIN: the kernel sends a reset, as a phone whose network went away might.
            const linger hard {1, 0};
            setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
            closed(socket);
            break;
        }
        case Leave::Vanish:
            socket->disconnect(this);
            deadline->deleteLater();
            m_vanished.push_back({socket, m_clock.elapsed()});
            break;
        }
    });
    socket->connectToHost(QHostAddress::LocalHost, m_port);
}

void Clients::steady()
{
    auto *socket = new QWebSocket(QString(), QWebSocketProtocol::VersionLatest, this);
    // Two runs may end in the same time; the finisher's whole entry tells them apart.
    auto *seen = new QString;
    connect(socket, &QObject::destroyed, [seen] { delete seen; });
    connect(socket, &QWebSocket::connected, this, [this] {
        ++m_steadyConnected;
        countOpen(1);
    });
    connect(socket, &QWebSocket::disconnected, this, [this, socket] {
        ++m_steadyLost;
        countOpen(-1);
        QTimer::singleShot(1000, socket,
                           [socket, this] { socket->open(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws").arg(m_port))); });
    });
    connect(socket, &QWebSocket::textMessageReceived, this, [this, seen](const QString &message) {
        const qint64 now = monotonicNs();
        int time = 0;
        QString last;
        if (!lastFinisher(message, &time, &last))
            return;
        if (last != *seen) {
            *seen = last;
            m_arrivals.emplace_back(time, now);
        }
    });
    socket->open(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws").arg(m_port)));
}

void Clients::poller(int index)
{
    auto *socket = new QTcpSocket(this);
    auto *input = new QByteArray;
    auto *waiting = new bool(false);
    connect(socket, &QObject::destroyed, [input, waiting] {
        delete input;
        delete waiting;
    });
    connect(socket, &QTcpSocket::connected, this, [this] { countOpen(1); });
    connect(socket, &QTcpSocket::disconnected, this, [this, waiting] {
        countOpen(-1);
        m_recentCloses.push_back(m_clock.elapsed());
        *waiting = false;
    });
    connect(socket, &QTcpSocket::readyRead, this, [this, socket, input, waiting] {
        *input += socket->readAll();
        const qsizetype end = input->indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const qsizetype lengthAt = input->indexOf("Content-Length: ");
        const qsizetype length
            = lengthAt < 0 || lengthAt > end ? 0 : input->mid(lengthAt + 16, 12).split('\r').front().toLongLong();
        if (input->size() < end + 4 + length)
            return;
        if (input->startsWith("HTTP/1.1 200"))
            ++m_polls200;
        else if (input->startsWith("HTTP/1.1 503"))
            note503(), ++m_polls503;
        else
            ++m_pollsOther;
        input->remove(0, end + 4 + length);
        *waiting = false;
    });
    auto *timer = new QTimer(socket);
    connect(timer, &QTimer::timeout, this, [this, socket, input, waiting] {
        if (socket->state() == QAbstractSocket::UnconnectedState) {
            ++m_pollReconnects;
            input->clear();
            socket->connectToHost(QHostAddress::LocalHost, m_port);
            return;
        }
        if (*waiting) {
            ++m_pollsLate;
            return;
        }
        *waiting = true;
        ++m_polls;
        socket->write("GET /api/live HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(m_port) + "\r\n\r\n");
    });
    // Spread over the second, as phones would be.
    QTimer::singleShot(index * 1000 / Pollers, timer, [timer] { timer->start(1000); });
    socket->connectToHost(QHostAddress::LocalHost, m_port);
}

void Clients::flooder()
{
    auto *socket = new QTcpSocket(this);
    ++m_floodRounds;
    auto *timer = new QTimer(socket);
    const QByteArray block = maskedFrame(0x89, QByteArray(125, 'p')).repeated(2000);
    connect(socket, &QTcpSocket::connected, this, [this, socket, timer] {
        opened(socket);
        socket->write(upgradeRequest(m_port));
        // Never reads the pongs.
        socket->setReadBufferSize(1);
        timer->start(10);
    });
    connect(timer, &QTimer::timeout, this, [this, socket, block] {
        if (socket->state() != QAbstractSocket::ConnectedState) {
            ++m_floodDropped;
            closed(socket);
            QTimer::singleShot(1000, this, [this] { flooder(); });
            return;
        }
        if (socket->bytesToWrite() < block.size())
            socket->write(block);
    });
    socket->connectToHost(QHostAddress::LocalHost, m_port);
}

void Clients::nonReader()
{
    // Asks for the heaviest page again and again and never reads an answer; a new one every 3 s.
    auto *socket = new QTcpSocket(this);
    ++m_nonReaderRounds;
    socket->setReadBufferSize(1);
    connect(socket, &QTcpSocket::connected, this, [this, socket] {
        opened(socket);
        socket->write(QByteArray("GET /klasse/1 HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n").repeated(300));
    });
    QTimer::singleShot(3000, this, [this, socket] {
        // Writing once more tells whether the server is still there.
        if (socket->state() == QAbstractSocket::ConnectedState) {
            socket->write("GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
            socket->flush();
        }
        if (socket->state() != QAbstractSocket::ConnectedState)
            ++m_nonReadersDropped;
        closed(socket);
        nonReader();
    });
    socket->connectToHost(QHostAddress::LocalHost, m_port);
}

void Clients::finish()
{
    std::printf("fig sessions %d %d %d %d %d %d %d\n", m_started, m_served, m_refused, m_refusedBelowLimit,
                m_maxOpenAt503, m_failed, m_otherAnswers);
    std::printf("fig steady %d %d\n", m_steadyConnected, m_steadyLost);
    std::printf("fig polls %d %d %d %d %d %d\n", m_polls, m_polls200, m_polls503, m_pollsOther, m_pollsLate,
                m_pollReconnects);
    std::printf("fig hostile %d %d %d %d\n", m_floodRounds, m_floodDropped, m_nonReaderRounds, m_nonReadersDropped);
    std::printf("fig open %d\n", m_maxOpen);
    for (const auto &[time, ns] : m_arrivals)
        std::printf("a %d %lld\n", time, static_cast<long long>(ns));
    std::fflush(stdout);
}

int runClients(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    Clients clients(quint16(atoi(argv[2])), atoi(argv[3]));
    clients.start();
    // Ready once the steady sockets are there; done when the program says so.
    QTimer::singleShot(3000, [] {
        std::printf("ready\n");
        std::fflush(stdout);
    });
    QSocketNotifier input(0, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        clients.finish();
        app.quit();
    });
    return app.exec();
}

// ---------------------------------------------------------------- the program (parent process)
qint64 statusKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qsizetype(std::strlen(field))).trimmed().split(' ').front().toLongLong();
    }
    return 0;
}

void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

QByteArray fetch(quint16 port, const QByteArray &target)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    socket.waitForConnected(2000);
    socket.write("GET " + target + " HTTP/1.0\r\n\r\n");
    QByteArray answer;
    while (socket.waitForReadyRead(2000))
        answer += socket.readAll();
    return answer;
}
} // namespace

int main(int argc, char *argv[])
{
    if (argc == 4 && qstrcmp(argv[1], "--clients") == 0)
        return runClients(argc, argv);
    const int seconds = argc > 1 ? std::max(30, atoi(argv[1])) : 180;
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    QTemporaryDir folder;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder.path() + "/config"));
    QApplication app(argc, argv);
    overrideProgramFolder(folder.path());
    StartList list;
    for (int i = 0; i < ClassSize; ++i) {
        StartListEntry entry;
        entry.texts = {QStringLiteral("Teilnehmerin Nummer %1").arg(i + 1),
                       QStringLiteral("12"),
                       QString::number(i + 1),
                       QStringLiteral("MSC Musterstadt"),
                       QStringLiteral("Kart %1").arg(i % 9),
                       QString()};
        entry.numbers = {0, 0, 0, 0, 0, 0};
        list.append(entry);
    }
    const quint16 port = writeClassWithLive(list);
    if (port == 0)
        return 1;

    ShownMainWindow shown;
    if (!shown.show())
        return 1;
    RunControl &runs = shown.window.runControl();
    LiveHost &host = *shown.window.findChild<LiveHost *>();
    int serverConnections = 0, serverSockets = 0;
    QString lastRefusal;
    QObject::connect(&host, &LiveHost::statusChanged, [&](int connections, int sockets, const QString &refusal) {
        serverConnections = std::max(serverConnections, connections);
        serverSockets = std::max(serverSockets, sockets);
        lastRefusal = refusal;
    });
    QElapsedTimer waited;
    waited.start();
    while (!fetch(port, "/api/live").startsWith("HTTP/1.1 200") && waited.elapsed() < 5000)
        wait(50);
    std::printf("class of %d, /klasse/1 %lld bytes; %d s; clients in a child process\n", ClassSize,
                static_cast<long long>(fetch(port, "/klasse/1").size()), seconds);
    wait(1000);
    const qint64 startKb = statusKb("VmRSS:");
    qint64 peakKb = startKb;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] { peakKb = std::max(peakKb, statusKb("VmRSS:")); });
    sampler.start(100);

    QProcess clients;
    clients.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    clients.start(QCoreApplication::applicationFilePath(),
                  {QStringLiteral("--clients"), QString::number(port), QString::number(seconds)});
    if (!clients.waitForStarted())
        return 1;
    while (!clients.canReadLine()) {
        if (clients.state() == QProcess::NotRunning) {
            std::printf("the clients ended early\n");
            return 1;
        }
        wait(50);
    }
    clients.readLine();
    // One more socket client, on a thread of its own in this process: the busy client process
    // would add its own delays to the figure.
    QThread probeThread;
    probeThread.start();
    auto *probe = new QWebSocket;
    probe->moveToThread(&probeThread);
    std::mutex probeLock;
    std::vector<std::pair<int, qint64>> probeArrivals;
    QString probeSeen;
    QObject::connect(probe, &QWebSocket::textMessageReceived, probe, [&](const QString &message) {
        const qint64 now = monotonicNs();
        int time = 0;
        QString last;
        if (lastFinisher(message, &time, &last) && last != probeSeen) {
            probeSeen = last;
            const std::lock_guard lock(probeLock);
            probeArrivals.emplace_back(time, now);
        }
    });
    QMetaObject::invokeMethod(probe,
                              [probe, port] { probe->open(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws").arg(port))); });
    const qint64 began = monotonicNs();

    // 1 000 runs at an even pace, three of them 10 s long for the display figures.
    struct Stop
    {
        int timeMs;
        qint64 ns;
        qint64 publishedNs;
    };
    std::vector<Stop> stops;
    std::vector<std::vector<qint64>> longRunTicks;
    std::vector<qint64> *ticks = nullptr;
    std::vector<double> shortIntervals;
    qint64 lastTick = 0;
    QObject::connect(&runs, &RunControl::timeShown, [&](TimeMs) {
        if (!runs.Running())
            return;
        const qint64 now = monotonicNs();
        if (ticks)
            ticks->push_back(now);
        else if (lastTick)
            shortIntervals.push_back(double(now - lastTick) / 1e6);
        lastTick = now;
    });
    // A stop counts from its F8 to the first snapshot that names its finisher, as the clients see it.
    qint64 lastF8 = 0;
    std::vector<double> handled;
    LiveRun finished;
    QObject::connect(&shown.window.session().liveFeed(), &LiveFeed::published, [&](const LiveSnapshotPtr &s) {
        if (!s || !lastF8 || (s->lastFinish.number == finished.number && s->lastFinish.run == finished.run))
            return;
        finished = s->lastFinish;
        stops.push_back({finished.timeMs, lastF8, monotonicNs()});
    });
    // Each short run ends on a schedule over the duration; when the machine lags, the waits shrink.
    const qint64 cycleNs
        = std::max<qint64>(50, (qint64(seconds) * 1000 - LongRuns * 10'000 - 5000) / (Runs - LongRuns)) * 1'000'000;
    const int cycleMs = int(cycleNs / 1'000'000);
    qint64 due = began;
    for (int run = 0; run < Runs; ++run) {
        if (run == ClassSize)
            shown.window.findChild<QSpinBox *>(QStringLiteral("edtLauf"))->setValue(2);
        const bool longRun = run % (Runs / LongRuns) == Runs / LongRuns / 2;
        shown.window.SelectParticipant(run % ClassSize);
        shown.window.UnlockStation();
        if (longRun) {
            longRunTicks.emplace_back();
            ticks = &longRunTicks.back();
        }
        lastTick = 0;
        QTest::keyClick(shown.window.windowHandle(), Qt::Key_F5);
        due += longRun ? 10'000'000'000LL : cycleNs;
        const qint64 left = (due - monotonicNs()) / 1'000'000;
        wait(longRun ? 10'000 : int(std::clamp<qint64>(left * 2 / 3 + run % 7 * 3, 30, 10'000)));
        ticks = nullptr;
        lastF8 = monotonicNs();
        QTest::keyClick(shown.window.windowHandle(), Qt::Key_F8);
        handled.push_back(double(monotonicNs() - lastF8) / 1e6);
        wait(int(std::clamp<qint64>((due - monotonicNs()) / 1'000'000, 10, 10'000)));
        if ((run + 1) % 100 == 0)
            std::printf("  %d runs, %.0f s\n", run + 1, double(monotonicNs() - began) / 1e9);
    }
    const double runSeconds = double(monotonicNs() - began) / 1e9;
    // The churn runs its course, then the clients go.
    while (double(monotonicNs() - began) / 1e9 < seconds)
        wait(100);
    clients.write("quit\n");
    clients.closeWriteChannel();
    QByteArray report;
    while (clients.state() != QProcess::NotRunning) {
        clients.waitForReadyRead(100);
        report += clients.readAllStandardOutput();
        QCoreApplication::processEvents();
    }
    report += clients.readAllStandardOutput();
    wait(5000);
    sampler.stop();
    const qint64 endKb = statusKb("VmRSS:");
    peakKb = std::max(peakKb, statusKb("VmRSS:"));

    // A stop's arrival at each steady client, within the time until the next stop.
    std::multimap<int, qint64> arrivals;
    std::map<QByteArray, QList<QByteArray>> figures;
    for (const QByteArray &line : report.split('\n')) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() == 3 && parts[0] == "a")
            arrivals.emplace(parts[1].toInt(), parts[2].toLongLong());
        else if (parts.size() > 2 && parts[0] == "fig")
            figures[parts[1]] = parts.mid(2);
    }
    QMetaObject::invokeMethod(
        probe, [probe] { delete probe; }, Qt::BlockingQueuedConnection);
    probeThread.quit();
    probeThread.wait();
    // Each arrival belongs to the latest stop before it that ended in that time.
    std::map<int, std::vector<std::size_t>> stopsByTime;
    for (std::size_t i = 0; i < stops.size(); ++i)
        stopsByTime[stops[i].timeMs].push_back(i);
    const auto latenciesOf = [&](const auto &arrivalList, int clientCount, std::size_t *missing) {
        std::vector<double> latencies;
        std::vector<int> arrived(stops.size(), 0);
        for (const auto &[time, ns] : arrivalList) {
            const auto candidates = stopsByTime.find(time);
            if (candidates == stopsByTime.end())
                continue;
            const std::vector<std::size_t> &sameTime = candidates->second;
            const auto after = std::upper_bound(sameTime.begin(), sameTime.end(), ns,
                                                [&](qint64 t, std::size_t i) { return t < stops[i].ns; });
            if (after == sameTime.begin())
                continue;
            const std::size_t stop = *std::prev(after);
            latencies.push_back(double(ns - stops[stop].ns) / 1e6);
            ++arrived[stop];
        }
        *missing = 0;
        for (const int count : arrived)
            *missing += std::size_t(std::max(0, clientCount - count));
        return latencies;
    };
    std::size_t missing = 0, probeMissing = 0;
    const std::vector<double> latencies = latenciesOf(arrivals, SteadySockets, &missing);
    const std::vector<double> probeLatencies = latenciesOf(probeArrivals, 1, &probeMissing);
    const auto figure = [&](const char *name, int i) {
        const QList<QByteArray> &values = figures[name];
        return i < values.size() ? values[i].toInt() : -1;
    };
    std::printf("runs: %d timed in %.0f s (cycle %d ms), %zu finishes published\n", Runs, runSeconds, cycleMs,
                stops.size());
    std::printf("sessions: %d started, %d served (handshake and first push), %d refused with 503, %d of them while "
                "fewer than %d were open (most open at a 503: %d), %d without an answer, %d other answers\n",
                figure("sessions", 0), figure("sessions", 1), figure("sessions", 2), figure("sessions", 3),
                LiveServer::MaxConnections, figure("sessions", 4), figure("sessions", 5), figure("sessions", 6));
    std::printf("steady sockets: %d connections, %d lost; most open connections seen by the clients %d\n",
                figure("steady", 0), figure("steady", 1), figure("open", 0));
    std::printf("polling: %d asked, %d answered 200, %d 503, %d other, %d still waiting after a second, "
                "%d reconnects\n",
                figure("polls", 0), figure("polls", 1), figure("polls", 2), figure("polls", 3), figure("polls", 4),
                figure("polls", 5));
    std::printf("hostile: ping flooders %d rounds, %d dropped; non-readers %d rounds, %d dropped\n",
                figure("hostile", 0), figure("hostile", 1), figure("hostile", 2), figure("hostile", 3));
    std::printf("server: most connections %d, most sockets %d, most output queued for one client %lld bytes, "
                "last refusal \"%s\"\n",
                serverConnections, serverSockets, static_cast<long long>(host.peakQueuedBytes()),
                qPrintable(lastRefusal));
    std::printf("memory (RSS): start %.1f MB, peak %.1f MB (+%.1f MB), end %.1f MB; kernel's high-water mark %.1f MB\n",
                double(startKb) / 1024, double(peakKb) / 1024, double(peakKb - startKb) / 1024, double(endKb) / 1024,
                double(statusKb("VmHWM:")) / 1024);
    for (std::size_t i = 0; i < longRunTicks.size(); ++i) {
        std::vector<double> intervals;
        for (std::size_t t = 1; t < longRunTicks[i].size(); ++t)
            intervals.push_back(double(longRunTicks[i][t] - longRunTicks[i][t - 1]) / 1e6);
        std::printf("display, 10 s run %zu: %zu updates of 1000, interval p50 %.2f ms, p99 %.2f ms, max %.2f ms\n",
                    i + 1, longRunTicks[i].size(), percentile(intervals, 0.5), percentile(intervals, 0.99),
                    intervals.empty() ? 0.0 : *std::max_element(intervals.begin(), intervals.end()));
    }
    std::printf("display, the short runs: %zu intervals, p50 %.2f ms, p99 %.2f ms\n", shortIntervals.size(),
                percentile(shortIntervals, 0.5), percentile(shortIntervals, 0.99));
    std::vector<double> toPublished;
    for (const Stop &stop : stops)
        toPublished.push_back(double(stop.publishedNs - stop.ns) / 1e6);
    std::printf("F8 handled (the key's handler returned): p50 %.1f ms, p99 %.1f ms\n", percentile(handled, 0.5),
                percentile(handled, 0.99));
    std::printf("F8 to the published snapshot: p50 %.1f ms, p99 %.1f ms, max %.1f ms\n", percentile(toPublished, 0.5),
                percentile(toPublished, 0.99),
                toPublished.empty() ? 0.0 : *std::max_element(toPublished.begin(), toPublished.end()));
    std::printf("F8 to the socket client on its own thread: %zu arrivals (%zu missing), p50 %.1f ms, p99 %.1f ms, "
                "max %.1f ms\n",
                probeLatencies.size(), probeMissing, percentile(probeLatencies, 0.5), percentile(probeLatencies, 0.99),
                probeLatencies.empty() ? 0.0 : *std::max_element(probeLatencies.begin(), probeLatencies.end()));
    std::printf("F8 to the 200 steady clients, as the busy client process saw it: %zu arrivals (%zu missing), p50 %.1f "
                "ms, p99 %.1f ms, max %.1f ms\n",
                latencies.size(), missing, percentile(latencies, 0.5), percentile(latencies, 0.99),
                latencies.empty() ? 0.0 : *std::max_element(latencies.begin(), latencies.end()));
    return 0;
}
