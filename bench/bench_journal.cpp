// The event journal's costs: one journaled change committed and synced, the undo of the last of
// 10,000 changes, and start-up to the main window with a journal of 100,000 rows.
// Run from a folder on the disk to measure (the journal is made in a temporary folder there):
//   ./build/bench/bench_journal append
//   ./build/bench/bench_journal undo
//   xvfb-run -a ./build/bench/bench_journal startup 100000
#include "BenchFolder.h"
#include "JournalFill.h"
#include "core/journal/Journal.h"
#include "core/journal/JournalRecorder.h"
#include "core/session/RaceSession.h"
#include "core/startlist/ClassStore.h"
#include "core/startlist/ListFile.h"
#include "core/system/DataFolder.h"
#include "core/system/ProgramFolder.h"
#include "core/timing/RunControl.h"
#include "core/undo/UndoHistory.h"
#include "gui/common/WindowLook.h"
#include "gui/timing/Form_Main.h"
#include "gui/timing/ProgramWindows.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
void printPercentiles(const char *what, std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    const auto at = [&](double p) { return ms[std::min(ms.size() - 1, std::size_t(p * double(ms.size())))]; };
    std::printf("%s: n=%zu  p50 %.3f ms  p99 %.3f ms  max %.3f ms\n", what, ms.size(), at(0.5), at(0.99), ms.back());
}

void writeClass(int entries)
{
    StartList list;
    for (int i = 0; i < entries; ++i) {
        list.add();
        list.setText(i, ListField::Name, QStringLiteral("Driver %1").arg(i + 1));
    }
    if (!WriteListFile(list, ClassListPath(1)).ok())
        std::fprintf(stderr, "class file not written\n");
}

int append()
{
    writeClass(100);
    ClassStore store;
    (void)store.LoadCurrentClass();
    RunControl runs;
    JournalRecorder recorder(store, runs, dataFolder());
    std::vector<double> ms;
    QElapsedTimer t;
    for (int i = 1; i <= 2000; ++i) {
        t.start();
        store.writeNumberField(i % 100, ListField::FP1, i, ChangeSource::Typed);
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    if (!recorder.lastResult().ok())
        std::fprintf(stderr, "journal failed: %s\n", qPrintable(recorder.lastResult().error().message()));
    printPercentiles("one change journaled (committed, synced)", ms);
    return 0;
}

int undo()
{
    writeClass(100);
    ClassStore store;
    (void)store.LoadCurrentClass();
    UndoHistory history(store);
    for (int i = 1; i <= 10000; ++i)
        store.writeNumberField(i % 100, ListField::FS1, i, ChangeSource::Typed);
    RunControl runs;
    JournalRecorder recorder(store, runs, dataFolder());
    std::vector<double> undone;
    std::vector<double> saved;
    QElapsedTimer t;
    // Each undo as Ctrl+Z does it: written back and journaled, then the class file saved; then redone.
    for (int i = 0; i < 200; ++i) {
        t.start();
        (void)history.undo(std::nullopt);
        undone.push_back(double(t.nsecsElapsed()) / 1e6);
        (void)store.SaveCurrentClass();
        saved.push_back(double(t.nsecsElapsed()) / 1e6);
        (void)history.redo(std::nullopt);
    }
    printPercentiles("undo of the last of 10,000 changes, journal row committed", undone);
    printPercentiles("the same and the class file saved (atomic replace, synced)", saved);
    return 0;
}

int startup(int rows)
{
    writeClass(100);
    {
        // Filled in one transaction, as an event's day of changes would leave it.
        Journal journal(dataFolder());
        (void)journal.noteClassFile(1, ClassListPath(1));
        fillJournal(journal.path(),
                    QStringLiteral("INSERT INTO events (at, class, entry, name, field, old, new, source) VALUES"
                                   " ('2026-05-16T09:00:00.000Z', ?, ?, 'Driver', 'fp1', '0', ?, 'typed')"),
                    rows, [](QSqlQuery &q, int i) {
                        q.addBindValue(1 + i % 10);
                        q.addBindValue(i % 100);
                        q.addBindValue(i);
                    });
        // Class 1's file as last saved, after all those rows: nothing to restore.
        (void)journal.noteClassFile(1, ClassListPath(1));
    }
    if (qEnvironmentVariableIsSet("BENCH_PARTS")) {
        QElapsedTimer part;
        part.start();
        Journal journal(dataFolder());
        (void)journal.lastEvent(1);
        std::printf("open: %.1f ms\n", double(part.nsecsElapsed()) / 1e6);
        part.start();
        (void)journal.unsavedChanges(1);
        std::printf("unsaved: %.1f ms\n", double(part.nsecsElapsed()) / 1e6);
        part.start();
        (void)journal.events(1, std::nullopt, {QStringLiteral("time1"), QStringLiteral("time2")});
        std::printf("time rows: %.1f ms\n", double(part.nsecsElapsed()) / 1e6);
    }
    QElapsedTimer clock;
    clock.start();
    RaceSession session;
    TfrmMain frmMain(session);
    const ProgramWindows windows(frmMain);
    frmMain.show();
    if (!QTest::qWaitForWindowExposed(&frmMain))
        return 1;
    std::printf("journal of %d rows: main window shown after %.1f ms\n", rows, double(clock.nsecsElapsed()) / 1e6);
    return 0;
}
} // namespace

int main(int argc, char *argv[])
{
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("append");
    const int rows = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 100000;
    const BenchFolder folder(QStringLiteral("journal"));
    int one = 1;
    QApplication app(one, argv);
    folder.use();
    if (mode == QLatin1String("undo"))
        return undo();
    if (mode == QLatin1String("startup"))
        return startup(rows);
    return append();
}
