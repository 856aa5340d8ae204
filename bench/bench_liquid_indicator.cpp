// Times one rebuild and one repaint of the main window's time display.
// With a file name as argument it also writes a picture of the display showing "01:23.45".
#include "gui/widgets/OvrenLiquidIndicator.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Figures
{
    double median = 0;
    double best = 0;
    double mean = 0;
};

template<typename Work> Figures measure(int rounds, Work work)
{
    std::vector<double> times;
    times.reserve(std::size_t(rounds));
    QElapsedTimer timer;
    for (int i = 0; i < rounds; ++i) {
        timer.start();
        work(i);
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    Figures f;
    for (const double t : times)
        f.mean += t;
    f.mean /= double(times.size());
    std::sort(times.begin(), times.end());
    f.median = times[times.size() / 2];
    f.best = times.front();
    return f;
}

void print(const char *what, const Figures &f)
{
    std::printf("%-44s median %.4f ms  best %.4f ms  mean %.4f ms\n", what, f.median, f.best, f.mean);
}

QString timeText(int i)
{
    const int hundredths = i % 360000;
    return QString::asprintf("%02d:%02d.%02d", hundredths / 6000, hundredths / 100 % 60, hundredths % 100);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    TOvrenLiquidIndicator tablo;
    TOvrenLiquidIndicator::configureAsTablo(tablo);
    tablo.move(108, 72);
    tablo.show();
    QApplication::processEvents();

    if (argc > 1) {
        tablo.setText(QStringLiteral("01:23.45"));
        const bool saved = tablo.grab().save(QString::fromLocal8Bit(argv[1]));
        std::printf("picture %s: %s\n", argv[1], saved ? "written" : "FAILED");
    }

    constexpr int rounds = 20000;
    // Each text differs from the one before, so every assignment rebuilds.
    for (int i = 0; i < 500; ++i)
        tablo.setText(timeText(i + 1));
    const quint64 before = tablo.rebuildCount();
    const Figures rebuild = measure(rounds, [&](int i) { tablo.setText(timeText(i + 1000)); });
    if (tablo.rebuildCount() - before != quint64(rounds))
        std::printf("unexpected rebuild count %llu\n", (unsigned long long)(tablo.rebuildCount() - before));
    const Figures same = measure(rounds, [&](int) { tablo.setText(tablo.text()); });

    QImage screen(tablo.size(), QImage::Format_RGB32);
    const Figures paint = measure(rounds, [&](int) {
        QPainter painter(&screen);
        tablo.render(&painter);
    });
    if (screen != tablo.preparedImage())
        std::printf("painted picture differs from the prepared one\n");
    const Figures repaint = measure(2000, [&](int) { tablo.repaint(); });

    std::printf("Tablo %dx%d, %d cells, %d lit + %d unlit polygons\n", tablo.width(), tablo.height(),
                tablo.signNumber(), tablo.litPolygons().polygonCount(), tablo.unlitPolygons().polygonCount());
    print("rebuild (new text)", rebuild);
    print("same text again (no rebuild)", same);
    print("paint event into an image (render)", paint);
    print("repaint() to the backing store", repaint);
    std::printf("rebuild goal < 0.5 ms: %s\n", rebuild.median < 0.5 ? "met" : "NOT met");
    return 0;
}
