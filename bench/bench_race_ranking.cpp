// Places under marks and both scoring modes, and the club ranking, for a class of 10,000 entries
// with a mark on every seventh driver and 200 clubs. Median of 20 rounds each.
// Usage: bench_race_ranking
#include "core/marks/RunMarks.h"
#include "core/protocol/RaceRanking.h"
#include "core/protocol/Scoring.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
constexpr int Entries = 10000;
constexpr int Rounds = 20;

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
        std::vector<double> places, clubs;
        std::size_t ranked = 0, clubCount = 0;
        for (int round = 0; round < Rounds; ++round) {
            QElapsedTimer timer;
            timer.start();
            const std::vector<ScoredEntry> scored = scoreClass(list.entries(), ScoringRules {});
            const std::vector<RankedEntry> ranks = rankEntries(scored, marks.forEntries(list.entries()), mode);
            places.push_back(timer.nsecsElapsed() / 1e6);
            std::vector<ClubMember> members;
            members.reserve(ranks.size());
            for (int i = 0; i < Entries; ++i)
                members.push_back({list.text(i, ListField::Info1),
                                   ranks[std::size_t(i)].place > 0 ? ranks[std::size_t(i)].key : std::nullopt});
            clubCount = rankClubs(members, 3).size();
            clubs.push_back(timer.nsecsElapsed() / 1e6);
            ranked = std::size_t(
                std::count_if(ranks.begin(), ranks.end(), [](const RankedEntry &r) { return r.place > 0; }));
        }
        std::printf(
            "%-18s %d entries, %zu ranked: scoring with marks %.2f ms, with %zu clubs ranked %.2f ms (median of %d)\n",
            qPrintable(mode == ScoringMode::SumOfRuns ? QStringLiteral("sum of both runs")
                                                      : QStringLiteral("best run")),
            Entries, ranked, median(places), clubCount, median(clubs), Rounds);
    }
    return 0;
}
