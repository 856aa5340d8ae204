// The protocol with a class of 10,000 participants: LoadClass, one 100 ms refresh while running,
// and the display refresh over 10 s of a running clock with that class on screen.
// Run under a real X server: xvfb-run -a ./build-bench/bench/bench_protocol [participants]
#include "DisplayRefresh.h"
#include "core/startlist/ListFile.h"
#include "core/system/ProgramFolder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
int Participants = 10'000;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

bool writeClass(int classIndex)
{
    StartList list;
    for (int i = 0; i < Participants; ++i) {
        list.add();
        list.setText(i, ListField::Name, QStringLiteral("Participant %1").arg(i + 1));
        list.setText(i, ListField::StartNr, QString::number(i + 1));
        if (i > 0) {
            list.setWholeNumber(i, ListField::Time1, 50'000 + i);
            list.setWholeNumber(i, ListField::FP1, i % 3);
        }
    }
    return WriteListFile(list, ClassListPath(classIndex)).ok();
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc > 1)
        Participants = std::max(2, QByteArray(argv[1]).toInt());
    QTemporaryDir folder;
    overrideProgramFolder(folder.path());
    if (!writeClass(2))
        return 1;

    ShownMainWindow shown;
    if (!shown.show())
        return 1;
    TfrmMain &window = shown.window;

    std::vector<double> loads;
    for (int round = 0; round < 5; ++round) {
        QElapsedTimer timer;
        timer.start();
        window.LoadClass(2);
        QCoreApplication::processEvents(); // the single repaint
        loads.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf("LoadClass of %d participants (class switch: save, read, rebuild, repaint): median %.2f ms\n",
                Participants, median(loads));

    window.SelectParticipant(0);
    window.StartRun();
    std::vector<double> refreshes;
    for (int i = 0; i < 200; ++i) {
        QTest::qWait(1);
        QElapsedTimer timer;
        timer.start();
        shown.window.runControl().refreshProtocol(true);
        QCoreApplication::processEvents(); // repaint of the changed cells
        refreshes.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf("one 100 ms refresh while running (store, recalculate, repaint): median %.3f ms, max %.3f ms\n",
                median(refreshes), *std::max_element(refreshes.begin(), refreshes.end()));
    window.StopRun();

    std::printf("with the class loaded, run 2 of participant 1:\n");
    shown.window.runControl().setRunNumber(2);
    measureDisplayRefresh(window);
    return 0;
}
