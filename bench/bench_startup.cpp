// Start-up to the main window shown, and resident memory afterwards.
// Run under a real X server: xvfb-run -a ./build/bench/bench_startup
#include "core/startlist/ClassStore.h"
#include "gui/Form_Info.h"
#include "gui/Form_Main.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <cstdio>

namespace {
long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}
} // namespace

int main(int argc, char *argv[])
{
    QElapsedTimer clock;
    clock.start();
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Brasquell"));
    QCoreApplication::setApplicationName(QStringLiteral("Zorvexa"));
    const qint64 appReady = clock.nsecsElapsed();

    ClassStore store;
    TfrmMain frmMain(store);
    TfrmInfo frmInfo(&frmMain);
    frmMain.setInfoDialog(&frmInfo);
    const qint64 windowsCreated = clock.nsecsElapsed();
    frmMain.show();
    if (!QTest::qWaitForWindowExposed(&frmMain))
        return 1;
    const qint64 shown = clock.nsecsElapsed();
    QTest::qWait(200);

    std::printf("application object ready: %.1f ms\n", appReady / 1e6);
    std::printf("windows created:           %.1f ms\n", windowsCreated / 1e6);
    std::printf("main window shown:         %.1f ms\n", shown / 1e6);
    std::printf("resident memory:           %ld KiB\n", residentKb());
    return 0;
}
