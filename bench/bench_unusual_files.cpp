// Time from start-up to the main window shown, when List01.dat is a file that must not hold the
// program up: a FIFO without a writer, a link to /dev/zero, a folder, a sparse 10 GiB file that
// begins with the file tag; and an ordinary class file for comparison. The windows are put
// together as the program does it; the start-up message is taken by the dialog seam and printed
// instead of waiting for a click. Goal: well under 1 s for each.
// Two figures: in-process (the program's own start-up work, the toolkit already loaded) and a
// whole process (spawn to main window exposed and the process ended).
// Usage: QT_QPA_PLATFORM=offscreen bench_unusual_files [rounds]
#include "core/session/RaceSession.h"
#include "core/startlist/ClassStore.h"
#include "core/startlist/ListFile.h"
#include "core/system/ProgramFolder.h"
#include "gui/common/Form_Info.h"
#include "gui/common/OperatorDialogs.h"
#include "gui/startlist/Form_StartList.h"
#include "gui/timing/Form_Main.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <sys/stat.h>
#include <vector>

namespace {
bool prepare(const QString &kind, const QString &path)
{
    QFile::remove(path);
    QDir(path).removeRecursively();
    if (kind == QLatin1String("FIFO"))
        return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
    if (kind == QLatin1String("link to /dev/zero"))
        return QFile::link(QStringLiteral("/dev/zero"), path);
    if (kind == QLatin1String("folder"))
        return QDir().mkpath(path);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (kind == QLatin1String("sparse 10 GiB with the tag"))
        return file.write("[ZVX1FILE]\r\n") > 0 && file.resize(qint64(10) << 30);
    StartList list;
    for (int i = 0; i < 60; ++i) {
        list.add();
        list.setText(i, ListField::Name, QStringLiteral("Participant %1").arg(i + 1));
    }
    file.close();
    return WriteListFile(list, path).ok();
}

// One start as main.cpp does it, up to the main window exposed; milliseconds.
double startOnce(QStringList &messages)
{
    QElapsedTimer clock;
    clock.start();
    ClassStore::removeStaleTemporaryFiles();
    RaceSession session;
    TfrmMain frmMain(session);
    TfrmStartList frmStartList(session, &frmMain);
    TfrmInfo frmInfo(&frmMain);
    frmMain.setStartListEditor(&frmStartList);
    frmMain.setInfoDialog(&frmInfo);
    frmMain.show();
    if (!QTest::qWaitForWindowExposed(&frmMain))
        return -1;
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    messages = OperatorDialogs::takeShownMessages();
    return ms;
}
} // namespace

int main(int argc, char *argv[])
{
    // A child started by the loop below: one start in a fresh process, then it reports and ends.
    const bool child = argc > 1 && qstrcmp(argv[1], "--child") == 0;
    const int rounds = !child && argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    QTemporaryDir home;
    if (!child) {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + QStringLiteral("/config")));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(home.path()));
        QFile::setPermissions(home.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    int onlyProgramName = 1;
    QApplication app(onlyProgramName, argv);
    OperatorDialogs::setTestMode(true);
    if (child) {
        overrideProgramFolder(QString::fromLocal8Bit(argv[2]));
        QStringList messages;
        const double ms = startOnce(messages);
        std::printf("%.1f\n", ms);
        return ms < 0 ? 1 : 0;
    }
    QTemporaryDir folder;
    overrideProgramFolder(folder.path());

    const QString classFile = ClassListPath(1);
    std::printf("%-28s %12s %12s %14s  %s\n", "List01.dat", "in-process", "worst", "whole process", "start-up message");
    std::printf("%-28s %12s %12s %14s\n", "", "median ms", "ms", "median ms");
    for (const char *kind :
         {"ordinary class file", "FIFO", "link to /dev/zero", "folder", "sparse 10 GiB with the tag"}) {
        if (!prepare(QLatin1String(kind), classFile)) {
            std::printf("%-28s could not be made\n", kind);
            continue;
        }
        std::vector<double> times;
        QStringList messages;
        for (int round = 0; round < rounds; ++round)
            times.push_back(startOnce(messages));
        std::sort(times.begin(), times.end());
        // From starting a new process to its main window exposed: loading Qt, fonts and all.
        std::vector<double> processTimes;
        for (int round = 0; round < rounds; ++round) {
            QProcess process;
            QElapsedTimer clock;
            clock.start();
            process.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), folder.path()});
            if (!process.waitForFinished(30000) || process.exitCode() != 0) {
                processTimes.push_back(-1);
                continue;
            }
            processTimes.push_back(double(clock.nsecsElapsed()) / 1e6);
        }
        std::sort(processTimes.begin(), processTimes.end());
        const QString message
            = messages.isEmpty() ? QStringLiteral("(none)") : messages.constFirst().section(QLatin1Char('\n'), 0, 0);
        std::printf("%-28s %12.1f %12.1f %14.1f  %s\n", kind, times[times.size() / 2], times.back(),
                    processTimes[processTimes.size() / 2], qPrintable(message));
    }
    QFile::remove(classFile);
    QDir(classFile).removeRecursively();
    return 0;
}
