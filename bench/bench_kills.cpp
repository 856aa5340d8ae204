// Kills at random moments during a scripted event: the program is started as a child process
// that times runs with F5 and F8 and prints each stop as it is shown; a kill (SIGKILL) comes at a
// random moment; the child is then started again in check mode, runs the normal start-up with
// the journal check and prints what the journal and the class file hold. Every stop shown must be
// in both.
// Run from a folder on the disk to measure (everything is made in a temporary folder there):
//   ./build/bench/bench_kills 500
#include "core/i18n/Localisation.h"
#include "core/journal/Journal.h"
#include "core/protocol/ProtocolModel.h"
#include "core/session/RaceSession.h"
#include "core/settings/SettingKeys.h"
#include "core/settings/SettingsStore.h"
#include "core/startlist/ClassStore.h"
#include "core/startlist/ListFile.h"
#include "core/system/DataFolder.h"
#include "core/timing/RunControl.h"
#include "gui/common/WindowLook.h"
#include "gui/timing/Form_Main.h"
#include "gui/timing/ProgramWindows.h"
#include "gui/widgets/ProtocolGrid.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <cstdio>

namespace {
constexpr int Drivers = 8000;

QString dataFolderOf(const QString &root)
{
    return root + QStringLiteral("/data");
}

// The program's start-up, as the program file does it.
struct Program
{
    Localisation localisation;
    RaceSession session;
    ClassStore &store = session.store();
    TfrmMain main {session};
    std::unique_ptr<ProgramWindows> windows;

    bool start()
    {
        if (!main.isFirstCopy())
            return false;
        ClassStore::removeStaleTemporaryFiles();
        windows = std::make_unique<ProgramWindows>(main);
        main.show();
        return QTest::qWaitForWindowExposed(&main);
    }
};

// Times runs for ever, one row after the other, each stop printed once the grid has drawn it.
int runChild()
{
    Program program;
    if (!program.start())
        return 2;
    auto *grid = program.main.findChild<ProtocolGrid *>(QStringLiteral("Grid"));
    auto *model = static_cast<ProtocolModel *>(grid->model());
    QWindow *window = program.main.windowHandle();
    std::printf("READY\n");
    std::fflush(stdout);
    int row = 0;
    while (row < model->rowCount() && model->cell(row, ProtocolModel::Time1) != 0)
        ++row;
    QRandomGenerator random {quint32(QCoreApplication::applicationPid())};
    for (; row < model->rowCount(); ++row) {
        const QModelIndex cell = model->index(row, ProtocolModel::Time1);
        grid->scrollTo(cell);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(cell).center());
        QTest::keyClick(window, Qt::Key_F7);
        QTest::keyClick(window, Qt::Key_F5);
        QTest::qWait(int(random.bounded(20, 60)));
        QTest::keyClick(window, Qt::Key_F8);
        grid->viewport()->repaint();
        std::printf("STOP %d %d\n", row, model->cell(row, ProtocolModel::Time1));
        std::fflush(stdout);
    }
    return 0;
}

// The normal start-up, then what the journal and the class file hold of class 1's first run.
int checkChild()
{
    QElapsedTimer clock;
    clock.start();
    Program program;
    if (!program.start())
        return 2;
    std::printf("STARTED %.1f\n", double(clock.nsecsElapsed()) / 1e6);
    Journal journal(dataFolder());
    const Result<QList<JournalEvent>> rows = journal.events(1, std::nullopt, {QStringLiteral("time1")});
    for (const JournalEvent &e : rows.value_or({})) {
        if (e.entry)
            std::printf("JOURNAL %d %s\n", *e.entry, qPrintable(e.newValue));
    }
    StartList list;
    if (const Result<bool> read = ReadListFile(list, ClassListPath(1), false); !read)
        std::printf("UNREADABLE %s\n", qPrintable(read.error().message()));
    for (int i = 0; i < list.count(); ++i) {
        if (const int time = list.wholeNumber(i, ListField::Time1))
            std::printf("FILE %d %d\n", i, time);
    }
    std::fflush(stdout);
    return 0;
}

QProcess *startChild(const QString &mode)
{
    auto *child = new QProcess;
    child->setProgram(QCoreApplication::applicationFilePath());
    child->setArguments({mode});
    child->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child->start();
    child->waitForStarted(10000);
    return child;
}

QList<QByteArray> linesOf(QProcess &child)
{
    QList<QByteArray> lines;
    while (child.canReadLine())
        lines << child.readLine().trimmed();
    return lines;
}

int runBench(int kills)
{
    struct Stop
    {
        int row;
        int time;
    };
    QList<Stop> shown;
    int missingInJournal = 0;
    int missingInFile = 0;
    int wrongInFile = 0;
    int startFailures = 0;
    double slowestCheckStart = 0;
    QRandomGenerator random(20261207);
    for (int kill = 1; kill <= kills; ++kill) {
        std::unique_ptr<QProcess> child(startChild(QStringLiteral("run")));
        QList<Stop> thisLife;
        QElapsedTimer life;
        life.start();
        // A moment anywhere from the start-up to well into the timing.
        const int killAfterMs = int(random.bounded(50, 1500));
        while (life.elapsed() < killAfterMs && child->state() == QProcess::Running)
            child->waitForReadyRead(qMax(1, int(killAfterMs - life.elapsed())));
        ::kill(pid_t(child->processId()), SIGKILL);
        child->waitForFinished(10000);
        for (const QByteArray &line : linesOf(*child)) {
            const QList<QByteArray> parts = line.split(' ');
            if (parts.value(0) == "STOP")
                thisLife << Stop {parts.value(1).toInt(), parts.value(2).toInt()};
        }
        shown << thisLife;

        std::unique_ptr<QProcess> check(startChild(QStringLiteral("check")));
        if (!check->waitForFinished(60000) || check->exitCode() != 0) {
            ++startFailures;
            std::printf("kill %d: the check did not start (exit %d)\n", kill, check->exitCode());
            continue;
        }
        QHash<int, QByteArray> journalTimes;
        QHash<int, int> fileTimes;
        for (const QByteArray &line : linesOf(*check)) {
            const QList<QByteArray> parts = line.split(' ');
            if (parts.value(0) == "JOURNAL")
                journalTimes.insert(parts.value(1).toInt(), parts.value(2));
            else if (parts.value(0) == "FILE")
                fileTimes.insert(parts.value(1).toInt(), parts.value(2).toInt());
            else if (parts.value(0) == "STARTED")
                slowestCheckStart = qMax(slowestCheckStart, parts.value(1).toDouble());
            else if (parts.value(0) == "UNREADABLE")
                std::printf("kill %d: %s\n", kill, line.constData());
        }
        for (const Stop &stop : thisLife) {
            if (journalTimes.value(stop.row) != QByteArray::number(stop.time))
                ++missingInJournal;
            if (!fileTimes.contains(stop.row))
                ++missingInFile;
            else if (fileTimes.value(stop.row) != stop.time)
                ++wrongInFile;
        }
        if (kill % 50 == 0) {
            std::printf("%d kills, %lld stops shown so far\n", kill, qlonglong(shown.size()));
            std::fflush(stdout);
        }
    }
    std::printf("kills:                       %d\n", kills);
    std::printf("stops shown:                 %lld\n", qlonglong(shown.size()));
    std::printf("stops missing in journal:    %d\n", missingInJournal);
    std::printf("stops missing in class file: %d\n", missingInFile);
    std::printf("stops with another time:     %d\n", wrongInFile);
    std::printf("check start-ups that failed: %d\n", startFailures);
    std::printf("slowest check start-up:      %.1f ms\n", slowestCheckStart);
    return missingInJournal + missingInFile + wrongInFile + startFailures == 0 ? 0 : 1;
}
} // namespace

int main(int argc, char *argv[])
{
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("500");
    if (mode == QLatin1String("run") || mode == QLatin1String("check")) {
        int one = 1;
        QApplication app(one, argv);
        setApplicationIdentity();
        setConfiguredDataFolder(SettingsStore().read(Setting::DataFolder).value_or(QString()));
        return mode == QLatin1String("run") ? runChild() : checkChild();
    }

    const int kills = qMax(1, mode.toInt());
    // A throw-away home for the children: settings, data folder and the lock of the one copy.
    QTemporaryDir folder(QDir::currentPath() + QStringLiteral("/bench-kills-XXXXXX"));
    for (const char *sub : {"config", "runtime", "data"})
        QDir(folder.path()).mkpath(QLatin1String(sub));
    QFile::setPermissions(folder.path() + QStringLiteral("/runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder.path() + QStringLiteral("/config")));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder.path() + QStringLiteral("/runtime")));
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int one = 1;
    QCoreApplication app(one, argv);
    setApplicationIdentity();
    if (!SettingsStore().write(Setting::DataFolder, dataFolderOf(folder.path())).ok())
        return 1;
    setConfiguredDataFolder(dataFolderOf(folder.path()));
    StartList list;
    for (int i = 0; i < Drivers; ++i) {
        list.add();
        list.setText(i, ListField::Name, QStringLiteral("Driver %1").arg(i + 1));
    }
    if (!WriteListFile(list, ClassListPath(1)).ok())
        return 1;
    return runBench(kills);
}
