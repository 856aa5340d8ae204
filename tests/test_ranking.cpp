#include "core/protocol/ClassResults.h"
#include "core/protocol/ProtocolModel.h"
#include "core/protocol/RaceRanking.h"
#include "core/protocol/ResultsWorkbook.h"
#include "core/protocol/Scoring.h"
#include "core/protocol/Standings.h"
#include "core/startlist/ClassStore.h"
#include "support/ExportFiles.h"
#include "support/StartListSamples.h"
#include "support/TestEnvironment.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <climits>

Q_DECLARE_METATYPE(RunFields)

namespace {
// The protocol of a class held by its own store.
struct Protocol
{
    explicit Protocol(const QList<RunFields> &rows)
    {
        store.replaceList(listOfRuns(std::vector<RunFields>(rows.begin(), rows.end())), ChangeSource::Load);
        model.setPenaltySeconds(2, 10);
    }
    void write(int row, int column, int value)
    {
        static const QMap<int, ListField> fields {
            {ProtocolModel::Time1, ListField::Time1}, {ProtocolModel::FP1, ListField::FP1},
            {ProtocolModel::FS1, ListField::FS1},     {ProtocolModel::Time2, ListField::Time2},
            {ProtocolModel::FP2, ListField::FP2},     {ProtocolModel::FS2, ListField::FS2}};
        store.writeNumberField(row, fields.value(column), value, ChangeSource::Hand);
    }
    ClassStore store;
    ProtocolModel model {store};
};

QList<int> placeColumn(const ProtocolModel &model)
{
    QList<int> places;
    for (int r = 0; r < model.rowCount(); ++r)
        places << model.cell(r, ProtocolModel::Place);
    return places;
}

// The places every other output uses: the whole class in one pass.
QList<int> rankedFromScratch(const ClassStore &store, const ProtocolModel &model)
{
    QList<int> places;
    for (const EntryStanding &entry : standings(store.list().entries(), {}, {}, model.rules()).entries)
        places << entry.place;
    return places;
}

RunMark markOf(QChar c)
{
    return c == 'N' ? RunMark::NotStarted
        : c == 'F'  ? RunMark::DidNotFinish
        : c == 'Q'  ? RunMark::Disqualified
                    : RunMark::None;
}

QString shown(const std::optional<std::int32_t> &value)
{
    return value ? QString::number(*value) : QStringLiteral("-");
}

QString shown(const std::optional<std::uint32_t> &value)
{
    return value ? QString::number(*value) : QStringLiteral("-");
}
} // namespace

// Places within a class: who is ranked, ties, wrapped totals, and keeping them current cheaply.
class TestRanking final : public QObject
{
    Q_OBJECT

private slots:
    void places_data()
    {
        QTest::addColumn<QList<RunFields>>("rows");
        QTest::addColumn<QList<int>>("places");
        // Penalty seconds are 2 (FP) and 10 (FS).
        QTest::newRow("lowest total first")
            << QList<RunFields> {{10'000, 0, 0, 20'000, 0, 0}, {5'000, 0, 0, 5'000, 0, 0}, {10'000, 0, 0, 10'000, 0, 0}}
            << QList<int> {3, 1, 2};
        QTest::newRow("equal totals share, next place skipped") << QList<RunFields> {{9'000, 0, 0, 11'000, 0, 0},
                                                                                     {5'000, 0, 0, 5'000, 0, 0},
                                                                                     {8'000, 1, 0, 10'000, 0, 0},
                                                                                     {15'000, 0, 0, 15'000, 0, 0}}
                                                                << QList<int> {2, 1, 2, 4};
        QTest::newRow("everyone equal") << QList<RunFields> {{1'000, 0, 0, 1'000, 0, 0},
                                                             {1'500, 0, 0, 500, 0, 0},
                                                             {500, 0, 0, 1'500, 0, 0}}
                                        << QList<int> {1, 1, 1};
        QTest::newRow("penalties decide")
            << QList<RunFields> {{10'000, 0, 1, 10'000, 0, 0}, {10'000, 2, 0, 10'000, 2, 0}} << QList<int> {2, 1};
        QTest::newRow("a run missing: no place")
            << QList<RunFields> {{5'000, 0, 0, 0, 0, 0}, {6'000, 0, 0, 6'000, 0, 0}, {0, 0, 0, 1'000, 0, 0}}
            << QList<int> {0, 1, 0};
        QTest::newRow("counts without a time: no place")
            << QList<RunFields> {{1'000, 5, 0, 0, 3, 0}, {0, 0, 0, 0, 0, 0}} << QList<int> {0, 0};
        QTest::newRow("wrapped total after every total that fits")
            << QList<RunFields> {{INT_MAX, 0, 0, 10, 0, 0},
                                 {2'147'483'000, 0, 0, 640, 0, 0},
                                 {1'000, 0, 0, 1'000, 0, 0}}
            << QList<int> {3, 2, 1};
        // INT_MAX + INT_MAX wraps to -2, INT_MAX + 1 to INT_MIN: the larger sum stays behind.
        QTest::newRow("wrapped totals keep their true order")
            << QList<RunFields> {{INT_MAX, 0, 0, INT_MAX, 0, 0}, {INT_MAX, 0, 0, 1, 0, 0}} << QList<int> {2, 1};
        QTest::newRow("negative counts lower the total")
            << QList<RunFields> {{5'000, -3, 0, 5'000, 0, 0}, {3'000, 0, 0, 2'000, 0, 0}} << QList<int> {1, 2};
        QTest::newRow("a negative time is a time, its total wrapped")
            << QList<RunFields> {{-5'000, 0, 0, 1'000, 0, 0}, {60'000, 0, 0, 60'000, 0, 0}} << QList<int> {2, 1};
        QTest::newRow("empty class") << QList<RunFields> {} << QList<int> {};
    }
    void places()
    {
        QFETCH(QList<RunFields>, rows);
        QFETCH(QList<int>, places);
        Protocol protocol(rows);
        const ProtocolModel &model = protocol.model;
        QCOMPARE(placeColumn(model), places);
        QCOMPARE(rankedFromScratch(protocol.store, model), places);
        for (int r = 0; r < model.rowCount(); ++r) {
            const int place = places.at(r);
            QCOMPARE(model.cellText(r, ProtocolModel::Place), place ? QString::number(place) : QString());
        }
    }

    // What every output renders. Each driver: "time1 fp1 fs1 time2 fp2 fs2 marks" in ms, a mark
    // per run ('-', 'N' n.a., 'F' DNF, 'Q' DSQ); each line: place or mark, run totals, total,
    // ranking value and gap ('-' for none). Penalty seconds are 2 and 10.
    void standingsOfAClass_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("drivers");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QList<int>>("order");
        QTest::addColumn<QList<int>>("current"); // run, and who drove last in it (-1 nobody)
        QTest::addColumn<QList<int>>("toRun");
        QTest::addColumn<int>("next");
        const int sum = int(ScoringMode::SumOfRuns), best = int(ScoringMode::BestRun);
        const QStringList drivers {"40000 0 0 42000 0 0 --", "45000 0 0 39000 0 0 F-", "41000 0 0 41000 0 0 -N",
                                   "38000 0 0 0 0 0 --", "44000 0 0 37000 0 0 Q-"};
        QTest::newRow("sum: any mark unranks and takes every total")
            << sum << drivers
            << QStringList {"1 40000 42000 82000 82000 0", "DNF - 39000 - - -", "n.a. 41000 - - - -", "- 38000 0 - - -",
                            "DSQ - 37000 - - -"}
            << QList<int> {0, 1, 2, 3, 4} << QList<int> {2, -1} << QList<int> {3} << 3;
        QTest::newRow("best run: a marked run does not count, the gap from the best runs")
            << best
            << QStringList {"40000 0 0 42000 0 0 --", "45000 0 0 39000 0 0 -F", "41000 0 0 41000 0 0 N-",
                            "38000 0 0 0 0 0 --", "44000 0 0 37000 0 0 --"}
            << QStringList {"3 40000 42000 82000 40000 3000", "5 45000 - - 45000 8000", "4 - 41000 - 41000 4000",
                            "2 38000 0 - 38000 1000", "1 44000 37000 81000 37000 0"}
            << QList<int> {4, 3, 0, 2, 1} << QList<int> {2, 1} << QList<int> {3} << 3;
        QTest::newRow("best run: DSQ in either run unranks; a marked driver is never next")
            << best << QStringList {"40000 0 0 42000 0 0 Q-", "30000 0 0 0 0 0 -N", "0 0 0 0 0 0 --"}
            << QStringList {"DSQ - 42000 - - -", "1 30000 - - 30000 0", "- 0 0 - - -"} << QList<int> {1, 0, 2}
            << QList<int> {2, 0} << QList<int> {2} << 2;
        QTest::newRow("equal totals share, places skipped, gaps from the leader")
            << sum
            << QStringList {"9000 0 0 11000 0 0 --", "5000 0 0 5000 0 0 --", "8000 1 0 10000 0 0 --",
                            "15000 0 0 15000 0 0 --"}
            << QStringList {"2 9000 11000 20000 20000 10000", "1 5000 5000 10000 10000 0",
                            "2 10000 10000 20000 20000 10000", "4 15000 15000 30000 30000 20000"}
            << QList<int> {1, 0, 2, 3} << QList<int> {1, 0} << QList<int> {} << -1;
        QTest::newRow("totals add the shown hundredths; equal shown totals tie")
            << sum << QStringList {"19104 0 0 4468 0 0 --", "3011 0 0 3018 0 0 --", "3010 0 0 3010 0 0 --"}
            << QStringList {"3 19100 4460 23560 23560 17540", "1 3010 3010 6020 6020 0", "1 3010 3010 6020 6020 0"}
            << QList<int> {1, 2, 0} << QList<int> {1, 2} << QList<int> {} << -1;
        QTest::newRow("penalties and negative counts")
            << sum << QStringList {"10000 1 1 10000 -3 0 --", "10000 0 0 0 2 0 --"}
            << QStringList {"1 22000 4000 26000 26000 0", "- 10000 4000 - - -"} << QList<int> {0, 1}
            << QList<int> {2, 0} << QList<int> {1} << 1;
        // 2147483640 twice wraps to -16: read unsigned it ranks after every total that fits.
        QTest::newRow("wrapped totals rank last in their true order")
            << sum
            << QStringList {"2147483647 0 0 2147483647 0 0 --", "2147483647 0 0 1 0 0 --", "1000 0 0 1000 0 0 --"}
            << QStringList {"3 2147483640 2147483640 -16 4294967280 4294965280",
                            "2 2147483640 0 2147483640 2147483640 2147481640", "1 1000 1000 2000 2000 0"}
            << QList<int> {2, 1, 0} << QList<int> {2, 2} << QList<int> {} << -1;
        QTest::newRow("next goes round to the first still to run")
            << sum << QStringList {"0 0 0 0 0 0 --", "40000 0 0 0 0 0 --", "0 0 0 0 0 0 N-", "0 0 0 0 0 0 --"}
            << QStringList {"- 0 0 - - -", "- 40000 0 - - -", "n.a. - 0 - - -", "- 0 0 - - -"}
            << QList<int> {0, 1, 2, 3} << QList<int> {1, 3} << QList<int> {0, 3} << 0;
        QTest::newRow("empty class") << sum << QStringList {} << QStringList {} << QList<int> {} << QList<int> {1, -1}
                                     << QList<int> {} << -1;
    }
    void standingsOfAClass()
    {
        QFETCH(int, mode);
        QFETCH(QStringList, drivers);
        QFETCH(QStringList, lines);
        QFETCH(QList<int>, order);
        QFETCH(QList<int>, current);
        QFETCH(QList<int>, toRun);
        QFETCH(int, next);
        std::vector<RunFields> runs;
        std::vector<EntryMarks> marks;
        for (const QString &driver : drivers) {
            const QStringList f = driver.split(' ');
            runs.push_back({f[0].toInt(), f[1].toInt(), f[2].toInt(), f[3].toInt(), f[4].toInt(), f[5].toInt()});
            EntryMarks marked;
            marked.runs[0].mark = markOf(f[6][0]);
            marked.runs[1].mark = markOf(f[6][1]);
            marks.push_back(marked);
        }
        RaceRules rules;
        rules.scoring = ScoringMode(mode);
        const ClassStandings result
            = standings(listOfRuns(runs).entries(), marks, {}, rules, CurrentRun {current[0], current[1]});
        QStringList shownLines;
        for (const EntryStanding &line : result.entries)
            shownLines << QStringList {line.place > 0                   ? QString::number(line.place)
                                           : line.mark != RunMark::None ? runMarkText(line.mark)
                                                                        : QStringLiteral("-"),
                                       shown(line.run(1).total),
                                       shown(line.run(2).total),
                                       shown(line.total),
                                       shown(line.rankValue),
                                       shown(line.gap)}
                              .join(' ');
        QCOMPARE(shownLines, lines);
        QCOMPARE(QList<int>(result.order.begin(), result.order.end()), order);
        QCOMPARE(QList<int>(result.toRun.begin(), result.toRun.end()), toRun);
        QCOMPARE(result.next, next);
    }

    // Totals are sums of the times as shown, so they add up on paper and equal ones tie.
    void shownTimesAddUp_data()
    {
        QTest::addColumn<QList<RunFields>>("rows");
        QTest::addColumn<QStringList>("totals");
        QTest::addColumn<QList<int>>("places");
        QTest::newRow("19.10 + 4.46") << QList<RunFields> {{19'104, 0, 0, 4'468, 0, 0}} << QStringList {"00:23.56"}
                                      << QList<int> {1};
        QTest::newRow("equal shown totals share a place")
            << QList<RunFields> {{3'011, 0, 0, 3'018, 0, 0}, {3'010, 0, 0, 3'010, 0, 0}, {3'000, 0, 0, 3'000, 0, 0}}
            << QStringList {"00:06.02", "00:06.02", "00:06.00"} << QList<int> {2, 2, 1};
        QTest::newRow("penalties are whole seconds")
            << QList<RunFields> {{10'009, 1, 0, 10'001, 0, 0}} << QStringList {"00:22.00"} << QList<int> {1};
        QTest::newRow("negative times drop toward zero")
            << QList<RunFields> {{-1'005, 0, 0, 2'009, 0, 0}} << QStringList {"00:01.00"} << QList<int> {1};
    }
    void shownTimesAddUp()
    {
        QFETCH(QList<RunFields>, rows);
        QFETCH(QStringList, totals);
        QFETCH(QList<int>, places);
        Protocol protocol(rows);
        QStringList shown;
        for (int r = 0; r < protocol.model.rowCount(); ++r) {
            shown << protocol.model.cellText(r, ProtocolModel::GrandTotal);
            // The run keeps its milliseconds; only what is added up is cut.
            QCOMPARE(protocol.model.cell(r, ProtocolModel::Time1), rows.at(r).time1);
        }
        QCOMPARE(shown, totals);
        QCOMPARE(placeColumn(protocol.model), places);
        QCOMPARE(rankedFromScratch(protocol.store, protocol.model), places);
    }

    void placeFollowsEveryEdit_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("value");
        QTest::addColumn<QList<int>>("places");
        // Starting from places 1, 2 and no place: 20 s, 30 s, and run 1 only.
        QTest::newRow("second run timed") << 2 << int(ProtocolModel::Time2) << 5'000 << QList<int> {2, 3, 1};
        QTest::newRow("a count moves a participant down") << 0 << int(ProtocolModel::FS1) << 2 << QList<int> {2, 1, 0};
        QTest::newRow("an equal total shares the place") << 0 << int(ProtocolModel::FS2) << 1 << QList<int> {1, 1, 0};
        QTest::newRow("a cleared run gives up the place")
            << 0 << int(ProtocolModel::Time1) << 0 << QList<int> {0, 1, 0};
        QTest::newRow("a faster run moves up") << 1 << int(ProtocolModel::Time1) << 1'000 << QList<int> {2, 1, 0};
    }
    void placeFollowsEveryEdit()
    {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(int, value);
        QFETCH(QList<int>, places);
        Protocol protocol({{10'000, 0, 0, 10'000, 0, 0}, {15'000, 0, 0, 15'000, 0, 0}, {2'000, 0, 0, 0, 0, 0}});
        ProtocolModel *model = &protocol.model;
        QSignalSpy changed(model, &QAbstractItemModel::dataChanged);
        protocol.write(row, column, value);
        QCOMPARE(placeColumn(*model), places);
        // The view hears of the whole "Platz" column: other participants' places moved too.
        const bool columnRepainted = std::any_of(changed.cbegin(), changed.cend(), [&](const QList<QVariant> &args) {
            const auto from = args.at(0).toModelIndex(), to = args.at(1).toModelIndex();
            return from.row() == 0 && to.row() == model->rowCount() - 1 && from.column() <= ProtocolModel::Place
                && to.column() >= ProtocolModel::Place;
        });
        QVERIFY(columnRepainted);
    }

    void changedPenaltySecondsReorder()
    {
        Protocol protocol({{10'000, 3, 0, 10'000, 0, 0}, {10'000, 0, 1, 10'000, 0, 0}});
        QCOMPARE(placeColumn(protocol.model), (QList<int> {1, 2}));
        protocol.model.setPenaltySeconds(5, 1);
        QCOMPARE(placeColumn(protocol.model), (QList<int> {2, 1}));
    }

    void placeIsNeverStored()
    {
        Protocol protocol({{10'000, 0, 0, 10'000, 0, 0}, {20'000, 0, 0, 20'000, 0, 0}});
        QCOMPARE(protocol.model.cell(1, ProtocolModel::Place), 2);
        QVERIFY(!protocol.model.setData(protocol.model.index(1, ProtocolModel::Place), 1));
        QCOMPARE(protocol.model.cell(1, ProtocolModel::Place), 2);
        QCOMPARE(protocol.model.runFields(1), (RunFields {20'000, 0, 0, 20'000, 0, 0}));
    }

    // Random edits, each checked against a ranking from scratch.
    void placeIndexMatchesAFullRanking()
    {
        QRandomGenerator random(20'261'207);
        std::vector<RunFields> rows(60);
        for (RunFields &row : rows) {
            row.time1 = random.bounded(3) ? random.bounded(1, 40) * 1'000 : 0;
            row.time2 = random.bounded(3) ? random.bounded(1, 40) * 1'000 : 0;
        }
        Protocol protocol(QList<RunFields>(rows.begin(), rows.end()));
        const ProtocolModel &model = protocol.model;
        static constexpr int editable[] = {ProtocolModel::Time1, ProtocolModel::FP1, ProtocolModel::FS1,
                                           ProtocolModel::Time2, ProtocolModel::FP2, ProtocolModel::FS2};
        for (int step = 0; step < 3'000; ++step) {
            const int row = random.bounded(int(rows.size()));
            const int column = editable[random.bounded(6)];
            const bool isTime = column == ProtocolModel::Time1 || column == ProtocolModel::Time2;
            // Small values tie often; now and then a huge one wraps the total.
            const int value = random.bounded(50) == 0 ? INT_MAX - random.bounded(1000)
                : isTime                              ? random.bounded(0, 8) * 1'000
                                                      : random.bounded(0, 3);
            protocol.write(row, column, value);
            QCOMPARE(placeColumn(model), rankedFromScratch(protocol.store, model));
        }
    }

    // The main window shows the running time in one row every 100 ms.
    // The club sheet of the workbook: drivers beyond the counted best are not "Gewertete Fahrer",
    // and the sum is a time a spreadsheet can add up.
    void clubSheetCountsTheBest_data()
    {
        QTest::addColumn<QStringList>("members");
        QTest::addColumn<int>("best");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("more drivers than counted") << QStringList {"MSC:40", "MSC:30", "MSC:50", "AC:35", "AC:45"} << 2
                                                   << QStringList {"1|MSC|7000|2", "2|AC|8000|2"};
        QTest::newRow("too few for a place")
            << QStringList {"MSC:41.239", "AC:35"} << 2 << QStringList {"|MSC||1", "|AC||1"};
        QTest::newRow("sum cut to hundredths")
            << QStringList {"MSC:41.239", "MSC:30.008"} << 2 << QStringList {"1|MSC|7124|2"};
    }
    void clubSheetCountsTheBest()
    {
        QFETCH(QStringList, members);
        QFETCH(int, best);
        QFETCH(QStringList, rows);
        std::vector<ClubMember> list;
        for (const QString &member : members)
            list.push_back({member.section(QLatin1Char(':'), 0, 0),
                            std::uint32_t(qRound(member.section(QLatin1Char(':'), 1).toDouble() * 1000))});
        ResultsDocument document;
        ClassResults results;
        results.className = QStringLiteral("Klasse 1");
        results.clubBest = best;
        results.clubs = rankClubs(list, best);
        document.classes.push_back(results);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("ergebnisse.xlsx"));
        QVERIFY(writeResultsWorkbook(path, document).ok());
        QString failure;
        const QList<ExportFiles::Sheet> sheets = ExportFiles::readWorkbook(path, failure);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        const ExportFiles::Sheet &clubs = sheets.constLast();
        QStringList shown;
        for (int row = 5; row < 5 + int(rows.size()); ++row) {
            const ExportFiles::Cell sum = clubs.at(row, 2);
            QCOMPARE(sum.type, 'n');
            const QString hundredths
                = sum.text.isEmpty() ? QString() : QString::number(qRound64(sum.text.toDouble() * 24 * 60 * 60 * 100));
            shown << QStringList {clubs.text(row, 0), clubs.text(row, 1), hundredths, clubs.text(row, 3)}.join(
                QLatin1Char('|'));
        }
        QCOMPARE(shown, rows);
    }

    void liveTimeKeepsPlacesCheap()
    {
        constexpr int Participants = 10'000;
        std::vector<RunFields> rows(Participants);
        for (int i = 0; i < Participants; ++i)
            rows[std::size_t(i)] = {50'000 + i * 7 % 9'000, i % 3, 0, 51'000 + i * 13 % 7'000, 0, i % 2};
        Protocol protocol(QList<RunFields>(rows.begin(), rows.end()));
        ProtocolModel &model = protocol.model;
        model.setRunState({true, 4'242, 2});
        constexpr int Ticks = 2'000;
        QElapsedTimer timer;
        timer.start();
        for (int tick = 1; tick <= Ticks; ++tick)
            model.showLiveTime(tick * 100);
        const double perTickMs = double(timer.nsecsElapsed()) / 1e6 / Ticks;
        QVERIFY2(perTickMs < 0.2, qPrintable(QStringLiteral("%1 ms per refresh").arg(perTickMs)));
        // The running participant's place as if its time were recorded.
        protocol.write(4'242, ProtocolModel::Time2, Ticks * 100);
        QCOMPARE(placeColumn(model), rankedFromScratch(protocol.store, model));
    }
};

ZORVEXA_CORE_TEST_MAIN(TestRanking)
#include "test_ranking.moc"
