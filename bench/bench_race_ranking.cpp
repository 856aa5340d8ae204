// The standings of a class of 10,000 entries (a mark on every seventh driver, 200 clubs, the club
// ranking on) under both scoring modes: the marks matched to the entries and the standings.
// Median of 20 rounds each, as wall time and as the thread's processor time (which a machine busy
// with other work inflates less).
// Usage: bench_race_ranking
#include "core/marks/RunMarks.h"
#include "core/protocol/Standings.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {
constexpr int Entries = 10000;
constexpr int Rounds = 20;

double threadMs()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    StartList list;
    ClassMarks marks;
    for (int i = 0; i < Entries; ++i) {
        list.add();
        list.setText(i, ListField::Name, QStringLiteral("Driver %1").arg(i));
        list.setText(i, ListField::StartNr, QString::number(i + 1));
        list.setText(i, ListField::Info1, QStringLiteral("Club %1").arg(i % 200));
        list.setWholeNumber(i, ListField::Time1, 40000 + (i * 37) % 30000);
        list.setWholeNumber(i, ListField::FP1, i % 3);
        list.setWholeNumber(i, ListField::Time2, i % 11 == 0 ? 0 : 41000 + (i * 53) % 30000);
        if (i % 7 == 0)
            marks.setMark(list.at(i), 1 + i % 2, {RunMark(1 + i % 3), QStringLiteral("Tor")});
    }
    for (ScoringMode mode : {ScoringMode::SumOfRuns, ScoringMode::BestRun}) {
        RaceRules rules;
        rules.scoring = mode;
        rules.clubField = 1;
        rules.clubBest = 3;
        std::vector<double> times, processor;
        std::size_t ranked = 0, clubCount = 0;
        for (int round = 0; round < Rounds; ++round) {
            QElapsedTimer timer;
            timer.start();
            const double started = threadMs();
            const ClassStandings result
                = standings(list.entries(), marks.forEntries(list.entries()), ClassHandTimes(), rules, {2, 40});
            times.push_back(double(timer.nsecsElapsed()) / 1e6);
            processor.push_back(threadMs() - started);
            ranked = std::size_t(std::count_if(result.entries.begin(), result.entries.end(),
                                               [](const EntryStanding &e) { return e.place > 0; }));
            clubCount = result.clubs.size();
        }
        std::printf("%-18s standings of %d entries with marks, %zu ranked, %zu clubs ranked: %.2f ms wall, %.2f ms "
                    "processor (median of %d)\n",
                    mode == ScoringMode::SumOfRuns ? "sum of both runs" : "best run", Entries, ranked, clubCount,
                    median(times), median(processor), Rounds);
    }
    return 0;
}
