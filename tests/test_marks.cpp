#include "core/marks/MarksKeeper.h"
#include "core/marks/RunMarks.h"
#include "core/protocol/ClassResults.h"
#include "core/protocol/RaceRanking.h"
#include "core/protocol/ResultsPage.h"
#include "core/settings/RaceRulesSettings.h"
#include "core/startlist/ClassStore.h"
#include "core/startlist/ListFile.h"
#include "core/system/DataFolder.h"
#include "core/system/ProgramFolder.h"
#include "support/FreshFolders.h"
#include "support/ListFiles.h"
#include "support/MockClock.h"
#include "support/StartListSamples.h"
#include "support/TestEnvironment.h"

#include <QSignalSpy>

namespace {
StartListEntry driver(const QString &startNr, const QString &name)
{
    StartListEntry entry;
    entry.texts[std::size_t(textSlot(ListField::StartNr))] = startNr;
    entry.texts[std::size_t(textSlot(ListField::Name))] = name;
    return entry;
}

} // namespace

// Marks of runs in their side file, and the places and club standings they lead to.
class TestMarks final : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(FreshFolders::program()); }

    void fileKeepsEveryMark()
    {
        ClassMarks marks;
        marks.setMark(driver("7", "Kim\tLee"), 1, {RunMark::Disqualified, "Tor 3 \\ ausgelassen"});
        marks.setMark(driver("7", "Kim\tLee"), 2, {RunMark::NotStarted, "ignored"});
        marks.setMark(driver("", "Ada"), 2, {RunMark::DidNotFinish, {}});
        marks.setMark(driver("9", "Bo"), 1, {RunMark::DidNotFinish, {}});
        marks.setMark(driver("9", "Bo"), 1, {});
        QCOMPARE(marks.toBytes(),
                 QByteArray("[ZVX1MARKS]\r\n"
                            "2\tDNF\t\tAda\t\r\n"
                            "1\tDSQ\t7\tKim\\tLee\tTor 3 \\\\ ausgelassen\r\n"
                            "2\tNA\t7\tKim\\tLee\t\r\n"
                            "[ZVX1END]\r\n"));
        QVERIFY(writeMarksFile(marks, MarksPath(3)).ok());
        const MarksLoad read = readMarksFile(MarksPath(3));
        QVERIFY(!read.problem);
        QVERIFY(read.marks == marks);
        QVERIFY(!readMarksFile(MarksPath(4)).problem);
    }

    // A mark belongs to its driver, wherever sorting or editing moves the entry.
    void marksFollowTheirDriver()
    {
        ClassMarks marks;
        marks.setMark(driver("2", "B"), 2, {RunMark::Disqualified, "Frühstart"});
        const StartList::Entries entries {driver("3", "C"), driver(" 2", "B "), driver("2", "A")};
        const std::vector<EntryMarks> each = marks.forEntries(entries);
        QCOMPARE(each[0].any(), false);
        QCOMPARE(each[1].run(2), (MarkedRun {RunMark::Disqualified, "Frühstart"}));
        QCOMPARE(each[2].any(), false);
    }

    void damagedFilesAreKeptAndReported_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        const QString notAMark = QStringLiteral("Zeile 2 ist keine Markierung");
        QTest::newRow("other tag") << QByteArray("[ZVX1FILE]\r\n[ZVX1END]\r\n") << "Zeile 1 ist nicht [ZVX1MARKS]";
        QTest::newRow("cut off") << QByteArray("[ZVX1MARKS]\r\n1\tDNF\t1\tA\t\r\n")
                                 << "Zeile 2 ist nicht [ZVX1END], die Datei ist abgeschnitten";
        QTest::newRow("unknown mark") << QByteArray("[ZVX1MARKS]\n1\tDNS\t1\tA\t\n[ZVX1END]\n") << notAMark;
        QTest::newRow("run 3") << QByteArray("[ZVX1MARKS]\n3\tDNF\t1\tA\t\n[ZVX1END]\n") << notAMark;
        QTest::newRow("bad escape") << QByteArray("[ZVX1MARKS]\n1\tDSQ\t1\tA\\x\t\n[ZVX1END]\n") << notAMark;
        QTest::newRow("fields missing") << QByteArray("[ZVX1MARKS]\n1\tDSQ\t1\n[ZVX1END]\n") << notAMark;
        QTest::newRow("over 1 MiB") << QByteArray("[ZVX1MARKS]\n")
                                           .append(QByteArray("1\tDNF\t1\tA\t\n").repeated(100'000))
                                           .append("[ZVX1END]\n")
                                    << "größer als 1 MiB";
    }
    void damagedFilesAreKeptAndReported()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        QVERIFY(writeBytes(MarksPath(1), bytes));
        const MarksLoad read = readMarksFile(MarksPath(1));
        QVERIFY(read.problem);
        QVERIFY(read.marks.isEmpty());
        QVERIFY2(read.problem->reason.contains(reason), qPrintable(read.problem->reason));
        QCOMPARE(readBytes(MarksPath(1) + QStringLiteral(".bak")), bytes);
    }

    // Every class's marks come from the keeper: another class's file is read once, the current
    // class follows every mark set, and a damaged file met on the way is reported when its class
    // is loaded.
    void keeperHoldsEveryClass_data()
    {
        QTest::addColumn<QByteArray>("class2");
        QTest::addColumn<RunMark>("bo");
        QTest::addColumn<bool>("reported");
        QTest::newRow("marked") << QByteArray("[ZVX1MARKS]\r\n2\tDSQ\t\tBo\tTor\r\n[ZVX1END]\r\n")
                                << RunMark::Disqualified << false;
        QTest::newRow("no file") << QByteArray() << RunMark::None << false;
        QTest::newRow("damaged") << QByteArray("[ZVX1MARKS]\r\n") << RunMark::None << true;
    }

    void keeperHoldsEveryClass()
    {
        QFETCH(QByteArray, class2);
        QFETCH(RunMark, bo);
        QFETCH(bool, reported);
        for (int c : {1, 2})
            QVERIFY(WriteListFile(listOfNames({"Ada", "Bo"}), ClassListPath(c)).ok());
        if (!class2.isEmpty())
            QVERIFY(writeBytes(MarksPath(2), class2));
        ClassStore store;
        QVERIFY(store.LoadCurrentClass().ok());
        MarksKeeper keeper(store);
        QSignalSpy failures(&keeper, &MarksKeeper::loadFailed);
        QCOMPARE(keeper.classMarks(2).mark(driver("", "Bo"), 2).mark, bo);
        // Read once: a file that appears afterwards changes nothing until the class is loaded.
        QVERIFY(writeBytes(MarksPath(2), "[ZVX1MARKS]\r\n1\tDNF\t\tAda\t\r\n[ZVX1END]\r\n"));
        QCOMPARE(keeper.classMarks(2).mark(driver("", "Ada"), 1).mark, RunMark::None);
        QVERIFY(keeper.setMark(1, 1, {RunMark::NotStarted, {}}).ok());
        QCOMPARE(keeper.classMarks(1).mark(driver("", "Bo"), 1).mark, RunMark::NotStarted);
        QCOMPARE(failures.size(), 0);

        QVERIFY(store.SelectClass(2).ok());
        QCOMPARE(failures.size(), reported ? 1 : 0);
        QCOMPARE(keeper.classMarks(2).mark(driver("", "Ada"), 1).mark, RunMark::DidNotFinish);
        QCOMPARE(keeper.classMarks(1).mark(driver("", "Bo"), 1).mark, RunMark::NotStarted);
    }

    // The marks file changed by someone else while the program ran: their file is moved aside
    // before the next mark is saved, never written over.
    void foreignEditIsKept_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("theirs");
        QTest::addColumn<bool>("kept");
        const QByteArray one("[ZVX1MARKS]\r\n2\tNA\t1\tAda\t\r\n[ZVX1END]\r\n");
        const QByteArray withDnf("[ZVX1MARKS]\r\n2\tNA\t1\tAda\t\r\n1\tDNF\t2\tBo\t\r\n[ZVX1END]\r\n");
        QTest::newRow("unchanged") << one << one << false;
        QTest::newRow("DNF added by hand") << one << withDnf << true;
        QTest::newRow("made by hand") << QByteArray() << withDnf << true;
        QTest::newRow("deleted") << one << QByteArray() << false;
    }
    void foreignEditIsKept()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, theirs);
        QFETCH(bool, kept);
        const MockClock clock(QDateTime(QDate(2027, 3, 1), QTime(7, 4, 5)));
        QVERIFY(WriteListFile(listOfNames({"Ada", "Bo"}), ClassListPath(1)).ok());
        if (!before.isEmpty())
            QVERIFY(writeBytes(MarksPath(1), before));
        ClassStore store;
        QVERIFY(store.LoadCurrentClass().ok());
        MarksKeeper keeper(store);
        QSignalSpy notes(&keeper, &MarksKeeper::foreignEditKept);
        QFile::remove(MarksPath(1));
        if (!theirs.isEmpty())
            QVERIFY(writeBytes(MarksPath(1), theirs));

        QVERIFY(keeper.setMark(0, 1, {RunMark::Disqualified, "Tor"}).ok());
        const QStringList aside = QDir(dataFolder()).entryList({"List01.marks.edited-*"});
        QCOMPARE(aside, kept ? QStringList {"List01.marks.edited-20270301-070405"} : QStringList());
        QCOMPARE(notes.size(), kept ? 1 : 0);
        if (kept) {
            QCOMPARE(readBytes(dataFolder() + aside.first()), theirs);
            QVERIFY(notes.first().first().toString().contains(aside.first()));
        }
        QCOMPARE(readMarksFile(MarksPath(1)).marks.mark(driver("", "Ada"), 1).mark, RunMark::Disqualified);
        // The next mark writes over the program's own file.
        QVERIFY(keeper.setMark(1, 2, {RunMark::DidNotFinish, {}}).ok());
        QCOMPARE(QDir(dataFolder()).entryList({"List01.marks.edited-*"}).size(), aside.size());
    }

    void clubsBySumOfTheirBest_data()
    {
        QTest::addColumn<QStringList>("members");
        QTest::addColumn<int>("best");
        QTest::addColumn<QStringList>("standings");
        // "club:seconds", seconds 0 for a driver without a place.
        const QStringList members {"MSC:40", "AC:38", " msc :41", "AC:45", "KSG:39", "MSC:50", ":30", "AC:0"};
        QTest::newRow("best two") << members << 2 << QStringList {"1 MSC 81", "2 AC 83", "- KSG 0"};
        QTest::newRow("best three: too few drivers") << members << 3 << QStringList {"1 MSC 131", "- AC 0", "- KSG 0"};
        QTest::newRow("equal sums share")
            << QStringList {"A:40", "B:40", "C:30", "A:0"} << 1 << QStringList {"1 C 30", "2 A 40", "2 B 40"};
        QTest::newRow("one club however the blanks fall")
            << QStringList {"MSC Nord:40", "MSC  Nord:41", " msc\tnord :42"} << 3 << QStringList {"1 MSC Nord 123"};
    }
    void clubsBySumOfTheirBest()
    {
        QFETCH(QStringList, members);
        QFETCH(int, best);
        QFETCH(QStringList, standings);
        std::vector<ClubMember> list;
        for (const QString &member : members) {
            const int seconds = member.section(QLatin1Char(':'), 1).toInt();
            list.push_back({member.section(QLatin1Char(':'), 0, 0),
                            seconds > 0 ? std::optional<std::uint32_t>(seconds * 1000) : std::nullopt});
        }
        QStringList shown;
        for (const ClubStanding &club : rankClubs(list, best))
            shown << QStringLiteral("%1 %2 %3")
                         .arg(club.place > 0 ? QString::number(club.place) : QStringLiteral("-"), club.club)
                         .arg(club.total / 1000);
        QCOMPARE(shown, standings);
    }

    // The mode heads the exports; marks stand in for times and places; clubs by the mode's totals.
    void resultsCarryModeMarksAndClubs_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("clubTotal");
        QTest::newRow("sum") << int(ScoringMode::SumOfRuns) << "02:45.00";
        QTest::newRow("best run") << int(ScoringMode::BestRun) << "01:20.00";
    }
    void resultsCarryModeMarksAndClubs()
    {
        QFETCH(int, mode);
        QFETCH(QString, clubTotal);
        StartList list = listOfNames({"A", "B", "C"});
        const int times[3][2] = {{41, 44}, {30, 30}, {39, 41}};
        for (int i = 0; i < 3; ++i) {
            list.setText(i, ListField::StartNr, QString::number(i + 1));
            list.setText(i, ListField::Info2, QStringLiteral("MSC"));
            list.setWholeNumber(i, ListField::Time1, times[i][0] * 1000);
            list.setWholeNumber(i, ListField::Time2, times[i][1] * 1000);
        }
        ClassMarks marks;
        marks.setMark(list.at(1), 2, {RunMark::Disqualified, QStringLiteral("Tor 4")});
        RaceDaySettings settings;
        settings.scoring = ScoringMode(mode);
        settings.clubField = 2;
        settings.clubBest = 2;
        const RaceRules rules = raceRulesOf(settings, 0, 0, {});

        ResultsDocument document = resultsHeading(settings, 0, 0);
        document.scoringText = scoringModeText(ScoringMode(mode));
        document.classes.push_back(classResults(2, list, marks.forEntries(list.entries()), {}, rules));
        QStringList shown;
        for (const ResultLine &line : document.classes.front().lines)
            shown << line.text(ListField::Place) + QLatin1Char(' ') + line.text(ListField::Name);
        QCOMPARE(shown, (QStringList {"1 C", "2 A", "DSQ B"}));
        // The reason goes beneath the table; the time cell keeps the mark alone.
        QCOMPARE(document.classes.front().lines.back().text(ListField::Time2), QStringLiteral("DSQ"));
        QCOMPARE(document.classes.front().notes, QStringList {QStringLiteral("B, Lauf 2: DSQ \u2013 Tor 4")});
        const QString page = QString::fromUtf8(resultsPage(document));
        QVERIFY(page.contains(QStringLiteral("<b>Wertung:</b> ") + scoringModeText(ScoringMode(mode))));
        const QString clubs
            = QStringLiteral("<td class=\"n\">1</td><td>MSC</td><td class=\"n\">%1</td>").arg(clubTotal);
        QVERIFY2(page.contains(clubs), qPrintable(page.section(QStringLiteral("Vereinswertung"), 1)));
    }
};

ZORVEXA_CORE_TEST_MAIN(TestMarks)
#include "test_marks.moc"
