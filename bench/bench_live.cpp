// The live results under load: 100 phones on the socket and 100 asking every second, on loopback.
// Prints the time from F8 to the new time in the clients' data, the display and protocol refresh
// with those clients connected, the size of each page and how fast /klasse/1 of 300 answers.
// Run under a real X server: xvfb-run -a ./build/bench/bench_live
#include "DisplayRefresh.h"
#include "LiveOnFreePort.h"
#include "core/live/LiveFeed.h"
#include "core/session/RaceSession.h"
#include "core/live/LiveSettings.h"
#include "core/settings/SettingsStore.h"
#include "core/startlist/ListFile.h"
#include "core/system/ProgramFolder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSpinBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QWebSocket>

#include <atomic>
#include <mutex>

namespace {
constexpr int ClassSize = 300;
constexpr int SocketClients = 100;
constexpr int PollingClients = 100;
constexpr int Stops = 30;

qint64 monotonicNs()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return clock.nsecsElapsed();
}

// What the clients wait for: the time of the last stop, and when F8 was pressed.
std::atomic<int> expectedTime {-1};
std::atomic<qint64> stopNs {0};
std::mutex latencyLock;
std::vector<double> socketLatencies, pollLatencies;

bool carriesExpected(const QByteArray &json)
{
    const int expected = expectedTime.load();
    if (expected < 0)
        return false;
    const QJsonObject last = QJsonDocument::fromJson(json)[QStringLiteral("last")].toObject();
    return last[QStringLiteral("timeMs")].toInt() == expected;
}

void record(std::vector<double> &into, int &seenFor)
{
    const int expected = expectedTime.load();
    if (seenFor == expected)
        return;
    seenFor = expected;
    const std::lock_guard lock(latencyLock);
    into.push_back(double(monotonicNs() - stopNs.load()) / 1e6);
}

// The 200 clients, on a thread of their own so they do not share the interface thread.
class Clients final : public QObject
{
public:
    explicit Clients(quint16 port)
        : m_port(port)
    {
    }
    void start()
    {
        m_net = new QNetworkAccessManager(this);
        for (int i = 0; i < SocketClients; ++i) {
            auto *socket = new QWebSocket(QString(), QWebSocketProtocol::VersionLatest, this);
            auto *seen = new int(-1);
            connect(socket, &QWebSocket::textMessageReceived, this, [seen](const QString &message) {
                if (carriesExpected(message.toUtf8()))
                    record(socketLatencies, *seen);
            });
            connect(socket, &QWebSocket::connected, this, [this] { ++m_connected; });
            socket->open(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws").arg(m_port)));
        }
        for (int i = 0; i < PollingClients; ++i) {
            auto *timer = new QTimer(this);
            auto *seen = new int(-1);
            timer->setInterval(1000);
            connect(timer, &QTimer::timeout, this, [this, seen] {
                QNetworkReply *reply
                    = m_net->get(QNetworkRequest(QUrl(QStringLiteral("http://127.0.0.1:%1/api/live").arg(m_port))));
                connect(reply, &QNetworkReply::finished, this, [reply, seen] {
                    if (carriesExpected(reply->readAll()))
                        record(pollLatencies, *seen);
                    reply->deleteLater();
                });
            });
            // Spread over the second, as phones would be.
            QTimer::singleShot(i * 1000 / PollingClients, timer, [timer] { timer->start(); });
        }
    }
    int connected() const { return m_connected; }

private:
    quint16 m_port;
    QNetworkAccessManager *m_net = nullptr;
    std::atomic<int> m_connected {0};
};

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(p * double(values.size())))];
}

QByteArray fetch(quint16 port, const QByteArray &target, double *ms = nullptr)
{
    QElapsedTimer timer;
    timer.start();
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    socket.waitForConnected(2000);
    socket.write("GET " + target + " HTTP/1.0\r\n\r\n");
    QByteArray answer;
    while (socket.waitForReadyRead(2000))
        answer += socket.readAll();
    if (ms)
        *ms = double(timer.nsecsElapsed()) / 1e6;
    return answer.mid(answer.indexOf("\r\n\r\n") + 4);
}

void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}
} // namespace

int main(int argc, char *argv[])
{
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
        // Run 1 done for everyone, run 2 open: each stop fills one.
        entry.numbers = {30000.0 + 13 * i, double(i % 3), double(i % 5 == 0), 0, 0, 0};
        list.append(entry);
    }
    const quint16 port = writeClassWithLive(list);
    if (port == 0)
        return 1;

    ShownMainWindow shown;
    if (!shown.show())
        return 1;
    bool timingStops = false;
    RunControl &runs = shown.window.runControl();
    QObject::connect(&runs, &RunControl::runStopped,
                     [&](int, int, std::int32_t time) { expectedTime = timingStops ? time : -1; });

    QElapsedTimer waited;
    waited.start();
    while (fetch(port, "/api/live").isEmpty() && waited.elapsed() < 5000)
        wait(50);

    std::printf("page sizes with a class of %d (bytes):\n", ClassSize);
    for (const char *target : {"/", "/klasse/1", "/sprecher", "/anzeige", "/anzeige?klassen=1,2,3", "/api/classes",
                               "/api/classes/1", "/api/live"})
        std::printf("  %-24s %7lld\n", target, static_cast<long long>(fetch(port, target).size()));
    std::vector<double> answers;
    for (int i = 0; i < 50; ++i) {
        double ms = 0;
        fetch(port, "/klasse/1", &ms);
        answers.push_back(ms);
    }
    std::printf("/klasse/1 of %d, whole answer on loopback (no other clients): median %.2f ms, max %.2f ms\n",
                ClassSize, percentile(answers, 0.5), *std::max_element(answers.begin(), answers.end()));

    QThread clientThread;
    Clients clients(port);
    clients.moveToThread(&clientThread);
    clientThread.start();
    QMetaObject::invokeMethod(
        &clients, [&clients] { clients.start(); }, Qt::QueuedConnection);
    waited.restart();
    while (clients.connected() < SocketClients && waited.elapsed() < 10000)
        wait(50);
    std::printf("clients: %d on the socket, %d polling every second\n", clients.connected(), PollingClients);

    answers.clear();
    for (int i = 0; i < 20; ++i) {
        double ms = 0;
        fetch(port, "/klasse/1", &ms);
        answers.push_back(ms);
    }
    std::printf("/klasse/1 of %d with the 200 clients: median %.2f ms, max %.2f ms\n", ClassSize,
                percentile(answers, 0.5), *std::max_element(answers.begin(), answers.end()));

    // What the interface thread does for the live results at each change: one snapshot.
    if (auto *feed = &shown.window.session().liveFeed()) {
        std::vector<double> builds;
        for (int i = 0; i < 50; ++i) {
            QElapsedTimer timer;
            timer.start();
            feed->rebuildNow();
            builds.push_back(double(timer.nsecsElapsed()) / 1e6);
        }
        std::printf("one snapshot of the results on the interface thread (class of %d): median %.3f ms, max %.3f ms\n",
                    ClassSize, percentile(builds, 0.5), *std::max_element(builds.begin(), builds.end()));
    }

    std::vector<double> refreshes;
    shown.window.findChild<QSpinBox *>(QStringLiteral("edtLauf"))->setValue(2);
    shown.window.SelectParticipant(ClassSize - 1);
    shown.window.UnlockStation();
    shown.window.StartRun();
    for (int i = 0; i < 200; ++i) {
        QElapsedTimer timer;
        timer.start();
        runs.refreshProtocol(true);
        refreshes.push_back(double(timer.nsecsElapsed()) / 1e6);
        wait(5);
    }
    shown.window.StopRun();
    wait(200);
    std::printf("one 100 ms protocol refresh with the clients: median %.3f ms, p99 %.3f ms\n",
                percentile(refreshes, 0.5), percentile(refreshes, 0.99));
    std::printf("with the 200 clients, a class of %d, ", ClassSize);
    // Participant 0's run 2 is open; the stops below take the next ones.
    shown.window.UnlockStation();
    measureDisplayRefresh(shown.window);

    // F8 on the running clock, one participant after the other.
    timingStops = true;
    for (int stop = 0; stop < Stops; ++stop) {
        shown.window.SelectParticipant(stop + 1);
        shown.window.UnlockStation();
        QTest::keyClick(shown.window.windowHandle(), Qt::Key_F5);
        wait(300 + stop % 7 * 31);
        stopNs = monotonicNs();
        QTest::keyClick(shown.window.windowHandle(), Qt::Key_F8);
        // Every poller asks within the second.
        wait(1300);
    }
    {
        const std::lock_guard lock(latencyLock);
        std::printf("F8 to the new time in the data, %d stops:\n", Stops);
        std::printf("  socket clients:  %zu arrivals, p50 %.1f ms, p99 %.1f ms, max %.1f ms\n", socketLatencies.size(),
                    percentile(socketLatencies, 0.5), percentile(socketLatencies, 0.99),
                    socketLatencies.empty() ? 0.0 : *std::max_element(socketLatencies.begin(), socketLatencies.end()));
        std::printf("  polling clients: %zu arrivals, p50 %.1f ms, p99 %.1f ms (they ask once a second)\n",
                    pollLatencies.size(), percentile(pollLatencies, 0.5), percentile(pollLatencies, 0.99));
    }

    QMetaObject::invokeMethod(
        &clients, [&clients] { qDeleteAll(clients.children()); }, Qt::BlockingQueuedConnection);
    clientThread.quit();
    clientThread.wait();
    return 0;
}
