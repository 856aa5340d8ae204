// What marking hand times costs: reading a class's hand times from a journal of 100,000 rows
// (each export of all classes and each change of class on the live pages does it for every
// class not in memory), and the results of a class of 300 with hand times in memory.
//   ./build/bench/bench_handmarks [rows]
#include "JournalFill.h"
#include "core/journal/HandMarks.h"
#include "core/journal/Journal.h"
#include "core/protocol/ClassResults.h"
#include "core/startlist/ClassStore.h"
#include "core/startlist/ListFile.h"
#include "core/system/DataFolder.h"
#include "core/system/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

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

// A day of changes: counts and times of 300 drivers in each of ten classes, one in ten times by hand.
void fill(Journal &journal, int rows)
{
    (void)journal.lastEvent(1);
    fillJournal(journal.path(),
                QStringLiteral("INSERT INTO events (at, class, entry, name, field, old, new, source)"
                               " VALUES ('2026-05-16T09:00:00.000Z', ?, ?, ?, ?, '0', ?, ?)"),
                rows, [](QSqlQuery &q, int i) {
                    const int entry = (i / 10) % 300;
                    q.addBindValue(1 + i % 10);
                    q.addBindValue(entry);
                    q.addBindValue(QStringLiteral("Driver %1").arg(entry + 1));
                    q.addBindValue(i % 3 == 0       ? QStringLiteral("fp1")
                                       : i % 3 == 1 ? QStringLiteral("time1")
                                                    : QStringLiteral("time2"));
                    q.addBindValue(30000 + i % 9000);
                    q.addBindValue(i % 7 == 0 ? QStringLiteral("hand") : QStringLiteral("key"));
                });
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;
    QTemporaryDir folder(QDir::currentPath() + QStringLiteral("/bench-handmarks-XXXXXX"));
    overrideProgramFolder(folder.path() + QLatin1Char('/'));
    StartList list;
    for (int i = 0; i < 300; ++i) {
        list.add();
        list.setText(i, ListField::Name, QStringLiteral("Driver %1").arg(i + 1));
    }
    if (!WriteListFile(list, ClassListPath(1)).ok())
        return 1;
    Journal journal(dataFolder());
    fill(journal, rows);

    ClassStore store;
    (void)store.LoadCurrentClass();
    HandMarks hands(store, journal);
    std::vector<double> first, again;
    QElapsedTimer t;
    for (int round = 0; round < 10; ++round) {
        for (int c = 2; c <= 10; ++c) {
            t.start();
            const ClassHandTimes times = hands.handTimes(c);
            (round == 0 ? first : again).push_back(double(t.nsecsElapsed()) / 1e6);
        }
    }
    std::printf("journal of %d rows\n", rows);
    printPercentiles("hand times of a class not in memory, first read from the journal", first);
    printPercentiles("the same again, its rows unchanged", again);

    for (int i = 0; i < 300; ++i)
        (void)store.writeResult(i, {{ListField::Time1, 40000 + i}},
                                i % 10 == 0 ? ChangeSource::Hand : ChangeSource::Key);
    std::vector<double> scored, plain;
    for (int round = 0; round < 200; ++round) {
        t.start();
        const ClassResults results = classResults(1, store.list(), {}, hands.handTimes(1), RaceRules {});
        scored.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    printPercentiles("results of a class of 300, hand times in memory", scored);
    for (int round = 0; round < 200; ++round) {
        t.start();
        const ClassResults results = classResults(1, store.list(), {}, {}, RaceRules {});
        plain.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    printPercentiles("the same without hand times", plain);
    return 0;
}
