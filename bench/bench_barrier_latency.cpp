// Delay from a change of the barrier's line to the clock reading inside the line watcher, and
// on to the interface thread. A source thread stands in for the port: it takes the time, then
// makes the change by writing to a pipe on which the watcher's wait blocks, as the kernel's
// modem-line wait blocks until the interrupt wakes it. Each change carries its own timestamp.
// Usage: bench_barrier_latency [pulses] [interval in microseconds]   (default 3000 and 2000)
#include "core/barrier/LineWatcher.h"
#include "core/timing/PerfTimer.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {
// A port whose watched line (DSR) is moved by the source thread.
struct PipePort
{
    int pipe[2] = {-1, -1};
    std::atomic<int> lines {0};
};

class PipeLines final : public ModemLines
{
public:
    explicit PipeLines(PipePort &port)
        : m_port(port)
    {
    }
    int raise(int) override { return 0; }
    int read(int &bits) override
    {
        bits = m_port.lines;
        return 0;
    }
    int waitForChange(int) override
    {
        char byte = 0;
        return ::read(m_port.pipe[0], &byte, 1) == 1 ? 0 : errno;
    }

private:
    PipePort &m_port;
};

double percentile(std::vector<double> sorted, double p)
{
    if (sorted.empty())
        return 0;
    const auto index = static_cast<std::size_t>(p / 100.0 * double(sorted.size() - 1) + 0.5);
    return sorted[std::min(index, sorted.size() - 1)];
}

void report(const char *what, std::vector<double> us)
{
    std::sort(us.begin(), us.end());
    std::printf("%-34s p50 %7.1f  p90 %7.1f  p99 %7.1f  p99.9 %7.1f  max %8.1f us\n", what, percentile(us, 50),
                percentile(us, 90), percentile(us, 99), percentile(us, 99.9), us.empty() ? 0.0 : us.back());
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int pulses = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3000;
    const long intervalUs = argc > 2 ? std::max(700L, std::atol(argv[2])) : 2000L;

    PipePort port;
    if (::pipe2(port.pipe, O_CLOEXEC) != 0)
        return 1;
    std::vector<std::int64_t> changedAt(std::size_t(pulses), 0);
    std::vector<double> toWorker;
    std::vector<double> toInterface;
    toWorker.reserve(std::size_t(pulses));
    toInterface.reserve(std::size_t(pulses));

    LineWatcher watcher(
        [&port](const QString &) {
            return OpenedLines {std::make_unique<PipeLines>(port), 0};
        },
        ContactPair {TIOCM_DTR, TIOCM_DSR});
    std::atomic<int> received {0};
    QObject::connect(
        &watcher, &LineWatcher::lineChanged, &app,
        [&](qint64 count, bool, bool) {
            const std::int64_t now = readPerfCounter();
            const int i = received;
            toWorker.push_back(double(count - changedAt[std::size_t(i)]) / 1000.0);
            toInterface.push_back(double(now - count) / 1000.0);
            if (++received == pulses)
                app.quit();
        },
        Qt::QueuedConnection);

    std::thread source;
    QObject::connect(&watcher, &LineWatcher::connected, &app, [&] {
        source = std::thread([&] {
            for (int i = 0; i < pulses; ++i) {
                const timespec pause {0, intervalUs * 1000};
                clock_nanosleep(CLOCK_MONOTONIC, 0, &pause, nullptr);
                port.lines = (i % 2 == 0) ? TIOCM_DSR : 0;
                changedAt[std::size_t(i)] = readPerfCounter();
                const char byte = 1;
                [[maybe_unused]] const ssize_t written = ::write(port.pipe[1], &byte, 1);
            }
        });
    });
    QTimer::singleShot(std::chrono::milliseconds(60'000 + pulses * intervalUs / 1000), &app, [&] {
        std::fprintf(stderr, "only %d of %d changes arrived\n", received.load(), pulses);
        app.exit(1);
    });
    watcher.open(QStringLiteral("pipe"));
    const int result = app.exec();
    if (source.joinable())
        source.join();
    watcher.stop();

    std::printf("%d line changes, one every %ld us, settling %lld us each\n", pulses, intervalUs,
                static_cast<long long>(LineWatcher::SettleNs / 1000));
    report("change to clock read in the worker", toWorker);
    report("clock read to interface thread", toInterface);
    return result;
}
