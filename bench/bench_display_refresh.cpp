// Display refresh while the clock runs: how many of the expected updates happen in 10 s,
// and the 99th percentile of the interval between them.
// Run under a real X server: xvfb-run -a ./build/bench/bench_display_refresh
#include "app/Form_Main.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
class OneParticipant final : public RunProtocol
{
public:
    int RowCount() const override { return 1; }
    std::int32_t RunTime(int, int) const override { return 0; }
    QString ParticipantName(int) const override { return QStringLiteral("Bench"); }
    void StoreRunTime(int, int, std::int32_t) override {}
    void RecalculateRow(int) override {}
    void WriteBackRow(int) override {}
    void Repaint() override {}
};
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    TfrmMain window;
    OneParticipant protocol;
    window.Runs().SetProtocol(&protocol);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    window.activateWindow();
    window.SelectParticipant(0);

    std::vector<qint64> stamps;
    stamps.reserve(2000);
    QElapsedTimer clock;
    QObject::connect(&window.Runs(), &RunControl::timeShown, [&](TimeMs) {
        if (window.Runs().Running())
            stamps.push_back(clock.nsecsElapsed());
    });
    clock.start();
    window.StartRun();
    // A plain event loop: QTest::qWait sleeps between its rounds and would skew the figures.
    QEventLoop loop;
    QTimer::singleShot(10'000, &loop, &QEventLoop::quit);
    loop.exec();
    window.StopRun();

    std::vector<double> intervals;
    for (size_t i = 1; i < stamps.size(); ++i)
        intervals.push_back((stamps[i] - stamps[i - 1]) / 1e6);
    std::sort(intervals.begin(), intervals.end());
    const auto percentile = [&](double p) {
        return intervals.empty() ? 0.0 : intervals[std::min(intervals.size() - 1, size_t(p * intervals.size()))];
    };
    std::printf("display updates in 10 s: %zu of 1000 expected\n", stamps.size());
    std::printf("interval p50 %.2f ms, p99 %.2f ms, max %.2f ms\n", percentile(0.5), percentile(0.99),
                intervals.empty() ? 0.0 : intervals.back());
    return 0;
}
