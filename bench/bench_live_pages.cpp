// /klasse/1 of a class of 300 under wrk -t2 -c200 -d10s, beside nginx serving the same bytes from a
// file on a port and configuration of its own, interleaved. Meanwhile and idle: the time from a
// published change to its arrival at a socket client.
// Needs wrk and nginx on the PATH (Debian: wrk, nginx-light); nothing in the tests does.
// Run: ./build/bench/bench_live_pages [rounds, default 2]
#include "../tests/support/LiveSamples.h"
#include "core/live/LiveServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QWebSocket>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>

namespace {
struct WrkFigures
{
    double requestsPerSecond = 0;
    double p99Ms = 0;
};

double toMs(const QString &value, const QString &unit)
{
    const double v = value.toDouble();
    return unit == QLatin1String("us") ? v / 1000 : unit == QLatin1String("s") ? v * 1000 : v;
}

WrkFigures runWrk(quint16 port)
{
    QProcess wrk;
    wrk.start(QStringLiteral("wrk"),
              {QStringLiteral("-t2"), QStringLiteral("-c200"), QStringLiteral("-d10s"), QStringLiteral("--latency"),
               QStringLiteral("http://127.0.0.1:%1/klasse/1").arg(port)});
    wrk.waitForFinished(60000);
    const QString out = QString::fromUtf8(wrk.readAllStandardOutput());
    WrkFigures figures;
    const auto rps = QRegularExpression(QStringLiteral("Requests/sec:\\s+([\\d.]+)")).match(out);
    const auto p99 = QRegularExpression(QStringLiteral("99%\\s+([\\d.]+)(us|ms|s)")).match(out);
    figures.requestsPerSecond = rps.captured(1).toDouble();
    figures.p99Ms = toMs(p99.captured(1), p99.captured(2));
    if (out.contains(QLatin1String("Non-2xx")))
        std::printf("  wrk saw errors:\n%s\n", qPrintable(out));
    return figures;
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(p * double(values.size())))];
}

// Publishes n changes and measures each one's way to a socket client on a thread of its own.
std::vector<double> pushLatencies(LiveHost &host, quint16 port, int n)
{
    QThread thread;
    thread.start();
    auto *client = new QWebSocket;
    client->moveToThread(&thread);
    std::atomic<qint64> arrived {-1};
    std::atomic<int> connected {0};
    QElapsedTimer clock;
    clock.start();
    QObject::connect(client, &QWebSocket::connected, client, [&] { connected = 1; });
    QObject::connect(client, &QWebSocket::textMessageReceived, client,
                     [&](const QString &) { arrived = clock.nsecsElapsed(); });
    QMetaObject::invokeMethod(client,
                              [client, port] { client->open(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws").arg(port))); });
    while (!connected)
        QThread::msleep(5);
    QThread::msleep(100);
    std::vector<double> latencies;
    auto base = liveSample(300);
    for (int i = 0; i < n; ++i) {
        auto changed = std::make_shared<LiveSnapshot>(*base);
        changed->version = 1000 + std::uint64_t(i);
        arrived = -1;
        const qint64 sent = clock.nsecsElapsed();
        host.publish(changed);
        while (arrived < 0 && clock.nsecsElapsed() - sent < 2'000'000'000LL)
            QThread::usleep(50);
        latencies.push_back(double(arrived - sent) / 1e6);
        QThread::msleep(20 + i % 7 * 3);
    }
    QMetaObject::invokeMethod(
        client, [client] { client->deleteLater(); }, Qt::BlockingQueuedConnection);
    thread.quit();
    thread.wait();
    return latencies;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 2;
    if (QStandardPaths::findExecutable(QStringLiteral("wrk")).isEmpty()
        || QStandardPaths::findExecutable(QStringLiteral("nginx"), {QStringLiteral("/usr/sbin")}).isEmpty()) {
        std::printf("needs wrk and nginx (apt-get install wrk nginx-light)\n");
        return 1;
    }
    LiveHost host;
    quint16 port = 0;
    QObject::connect(&host, &LiveHost::listenFinished, [&](quint16 p, const QString &) { port = p; });
    host.start(QStringLiteral("127.0.0.1"), 0);
    while (!port)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    host.publish(liveSample(300));
    QByteArray page;
    while (!page.startsWith("HTTP/1.1 200")) {
        QThread::msleep(20);
        page = rawExchange(port, "GET /klasse/1 HTTP/1.0\r\n\r\n");
    }
    page = page.mid(page.indexOf("\r\n\r\n") + 4);

    // nginx with the same bytes, on a port and configuration of its own.
    QTemporaryDir dir;
    {
        QFile file(dir.filePath(QStringLiteral("klasse1")));
        file.open(QIODevice::WriteOnly);
        file.write(page);
    }
    const quint16 nginxPort = port + 1;
    QFile config(dir.filePath(QStringLiteral("nginx.conf")));
    config.open(QIODevice::WriteOnly);
    config.write(QStringLiteral("daemon off; worker_processes 1; pid %1/nginx.pid; error_log %1/error.log;\n"
                                "events { worker_connections 1024; }\n"
                                "http { access_log off; client_body_temp_path %1; proxy_temp_path %1;"
                                " fastcgi_temp_path %1; uwsgi_temp_path %1; scgi_temp_path %1;\n"
                                " server { listen 127.0.0.1:%2; location = /klasse/1 { default_type text/html;"
                                " alias %1/klasse1; } } }\n")
                     .arg(dir.path())
                     .arg(nginxPort)
                     .toUtf8());
    config.close();
    QProcess nginx;
    nginx.start(QStringLiteral("/usr/sbin/nginx"),
                {QStringLiteral("-c"), config.fileName(), QStringLiteral("-p"), dir.path()});
    nginx.waitForStarted();
    QThread::msleep(500);
    std::printf("/klasse/1, %lld bytes, wrk -t2 -c200 -d10s, %d rounds interleaved\n",
                static_cast<long long>(page.size()), rounds);

    const std::vector<double> idle = pushLatencies(host, port, 200);
    std::printf("idle: published change to socket client p50 %.2f ms, p99 %.2f ms\n", percentile(idle, 0.5),
                percentile(idle, 0.99));
    for (int round = 0; round < rounds; ++round) {
        std::vector<double> loaded;
        std::thread pusher([&] { loaded = pushLatencies(host, port, 150); });
        const WrkFigures ours = runWrk(port);
        pusher.join();
        const WrkFigures theirs = runWrk(nginxPort);
        std::printf("round %d: live server %.0f req/s p99 %.2f ms | nginx %.0f req/s p99 %.2f ms | "
                    "change to socket under load p50 %.2f ms p99 %.2f ms\n",
                    round + 1, ours.requestsPerSecond, ours.p99Ms, theirs.requestsPerSecond, theirs.p99Ms,
                    percentile(loaded, 0.5), percentile(loaded, 0.99));
    }
    nginx.terminate();
    nginx.waitForFinished();
    return 0;
}
