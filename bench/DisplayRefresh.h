#pragma once

#include "core/session/RaceSession.h"
#include "core/startlist/ClassStore.h"
#include "core/timing/RunControl.h"
#include "gui/startlist/Form_StartList.h"
#include "gui/timing/Form_Main.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

// The main window with its start list editor, shown and active as on race day.
struct ShownMainWindow
{
    RaceSession session;
    ClassStore &store = session.store();
    TfrmMain window {session};
    TfrmStartList editor {session, &window};

    bool show()
    {
        window.setStartListEditor(&editor);
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            return false;
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window);
    }
};

// Times participant 0 for 10 s and prints how many display updates happened and the
// spread of the intervals between them. The participant's current run must be open.
inline void measureDisplayRefresh(TfrmMain &window)
{
    RunControl &runs = window.runControl();
    window.SelectParticipant(0);
    std::vector<qint64> stamps;
    stamps.reserve(2000);
    QElapsedTimer clock;
    const auto connection = QObject::connect(&runs, &RunControl::timeShown, [&](TimeMs) {
        if (runs.Running())
            stamps.push_back(clock.nsecsElapsed());
    });
    clock.start();
    window.StartRun();
    // A plain event loop: QTest::qWait sleeps between its rounds and would skew the figures.
    QEventLoop loop;
    QTimer::singleShot(10'000, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
    window.StopRun();
    QObject::disconnect(connection);

    std::vector<double> intervals;
    for (std::size_t i = 1; i < stamps.size(); ++i)
        intervals.push_back(double(stamps[i] - stamps[i - 1]) / 1e6);
    std::sort(intervals.begin(), intervals.end());
    const auto percentile = [&](double p) {
        return intervals.empty() ? 0.0
                                 : intervals[std::min(intervals.size() - 1, std::size_t(p * double(intervals.size())))];
    };
    std::printf("display updates in 10 s: %zu of 1000 expected (first after %.1f ms, last at %.1f ms)\n", stamps.size(),
                stamps.empty() ? 0.0 : double(stamps.front()) / 1e6,
                stamps.empty() ? 0.0 : double(stamps.back()) / 1e6);
    std::printf("interval p50 %.2f ms, p99 %.2f ms, max %.2f ms\n", percentile(0.5), percentile(0.99),
                intervals.empty() ? 0.0 : intervals.back());
}
