// Opening the history window over a large journal: Ctrl+H on the main window until the newest
// rows are listed (older ones are read as the list scrolls), for the whole class and for one
// participant, and the switch between the two. BENCH_PARTS=1 also times reading the whole class.
//   xvfb-run -a ./build/bench/bench_history 100000 1    (every row in the class shown)
//   xvfb-run -a ./build/bench/bench_history 100000 10   (the rows spread over ten classes)
#include "BenchFolder.h"
#include "JournalFill.h"
#include "core/journal/Journal.h"
#include "core/session/RaceSession.h"
#include "core/startlist/ClassStore.h"
#include "core/startlist/ListFile.h"
#include "core/system/DataFolder.h"
#include "core/system/ProgramFolder.h"
#include "gui/common/WindowLook.h"
#include "gui/timing/Form_Main.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QRadioButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <algorithm>
#include <cstdio>

namespace {
void fill(int rows, int classes)
{
    StartList list;
    for (int i = 0; i < 100; ++i) {
        list.add();
        list.setText(i, ListField::Name, QStringLiteral("Driver %1").arg(i + 1));
    }
    (void)WriteListFile(list, ClassListPath(1));
    Journal journal(dataFolder());
    (void)journal.lastEvent(1);
    fillJournal(journal.path(),
                QStringLiteral("INSERT INTO events (at, class, entry, name, field, old, new, source, note) VALUES"
                               " ('2026-05-16T09:00:00.000Z', ?, ?, ?, 'time1', '0', ?, 'key', '')"),
                rows, [classes](QSqlQuery &q, int i) {
                    q.addBindValue(1 + i % classes);
                    q.addBindValue(i % 100);
                    q.addBindValue(QStringLiteral("Driver %1").arg(i % 100 + 1));
                    q.addBindValue(10000 + i);
                });
}

double openMs(TfrmMain &window, QWidget *&history)
{
    QElapsedTimer clock;
    clock.start();
    QTest::keyClick(window.windowHandle(), Qt::Key_H, Qt::ControlModifier);
    history = window.findChild<QWidget *>(QStringLiteral("frmHistory"));
    if (!history || !QTest::qWaitForWindowExposed(history))
        return -1;
    return double(clock.nsecsElapsed()) / 1e6;
}
} // namespace

int main(int argc, char *argv[])
{
    const int rows = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;
    const int classes = argc > 2 ? std::clamp(QString::fromLocal8Bit(argv[2]).toInt(), 1, 10) : 1;
    const BenchFolder folder(QStringLiteral("history"));
    int one = 1;
    QApplication app(one, argv);
    folder.use();
    fill(rows, classes);
    if (qEnvironmentVariableIsSet("BENCH_PARTS")) {
        Journal journal(dataFolder());
        (void)journal.lastEvent(1);
        QElapsedTimer part;
        part.start();
        const qsizetype read = journal.eventsAfter(1, 0).value_or({}).size();
        std::printf("journal read alone (%lld rows): %.1f ms\n", qlonglong(read), double(part.nsecsElapsed()) / 1e6);
    }

    RaceSession session;
    TfrmMain window(session);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    window.activateWindow();
    (void)QTest::qWaitForWindowActive(&window);
    auto *grid = window.findChild<QAbstractItemView *>(QStringLiteral("Grid"));

    // The whole class: no row of the protocol is current yet.
    grid->setCurrentIndex(QModelIndex());
    QWidget *history = nullptr;
    const double whole = openMs(window, history);
    const int listed = history ? history->findChild<QTableView *>()->model()->rowCount() : 0;
    std::printf("journal of %d rows over %d class(es): Ctrl+H to the whole class listed (%d rows): %.1f ms\n", rows,
                classes, listed, whole);
    history->close();
    window.activateWindow();
    (void)QTest::qWaitForWindowActive(&window);
    grid->setCurrentIndex(grid->model()->index(0, 1));
    const double person = openMs(window, history);
    std::printf("Ctrl+H to one participant listed (%d rows): %.1f ms\n",
                history->findChild<QTableView *>()->model()->rowCount(), person);
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(history->findChild<QRadioButton *>(QStringLiteral("optClass")), Qt::LeftButton);
    std::printf("switch to the whole class: %.1f ms\n", double(clock.nsecsElapsed()) / 1e6);
    return 0;
}
