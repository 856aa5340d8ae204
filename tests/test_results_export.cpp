#include "core/protocol/ClassResults.h"
#include "core/protocol/ExportedResults.h"
#include "core/protocol/ResultsPage.h"
#include "core/protocol/ResultsWorkbook.h"
#include "core/settings/ClassNames.h"
#include "core/startlist/ListFile.h"
#include "support/ExportFiles.h"
#include "support/FileSizeLimit.h"
#include "support/MockClock.h"
#include "support/ScoredClass.h"
#include "support/SettingsFile.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QTemporaryDir>

#include <optional>

namespace {
struct Entry
{
    QString name, startNr, info1;
    int time1, fp1, fs1, time2, fp2, fs2;
    QString age = {};
};

StartList listOf(const QList<Entry> &entries)
{
    StartList list;
    for (const Entry &e : entries) {
        list.add();
        const int i = list.count() - 1;
        list.setText(i, ListField::Name, e.name);
        list.setText(i, ListField::StartNr, e.startNr);
        list.setText(i, ListField::Age, e.age);
        list.setText(i, ListField::Info1, e.info1);
        list.setText(i, ListField::Info2, QStringLiteral("Info2 of %1").arg(i + 1));
        list.setText(i, ListField::Info3, QStringLiteral("Info3 of %1").arg(i + 1));
        list.setWholeNumber(i, ListField::Time1, e.time1);
        list.setWholeNumber(i, ListField::FP1, e.fp1);
        list.setWholeNumber(i, ListField::FS1, e.fs1);
        list.setWholeNumber(i, ListField::Time2, e.time2);
        list.setWholeNumber(i, ListField::FP2, e.fp2);
        list.setWholeNumber(i, ListField::FS2, e.fs2);
    }
    return list;
}

// Start order: Ada has no second run, Ben and Cem tie, Dan is fastest, Eva has no run at all.
const QList<Entry> sampleEntries {
    {"Ada", "7", "Team Nord", 40'000, 0, 0, 0, 0, 0},
    {"Ben", "12", "", 30'000, 1, 0, 30'000, 0, 0},
    {"Cem", "3a", "", 31'000, 0, 0, 31'000, 0, 0},
    {"Dan", "4", "", 25'000, 0, 0, 26'000, 0, 1, "14"},
    {"Eva", "9", "", 0, 0, 0, 0, 0, 0},
};

ResultsDocument documentOf(const QList<ClassResults> &classes)
{
    ResultsDocument document;
    document.eventName = QStringLiteral("Kart-Slalom Nord");
    document.date = QDate(2026, 12, 7);
    document.fpSeconds = 2;
    document.fsSeconds = 10;
    document.classes.assign(classes.begin(), classes.end());
    return document;
}

ResultsDocument sampleDocument()
{
    return documentOf({scoredClass(2, listOf(sampleEntries))});
}

QStringList headings()
{
    return {"Platz", "#",      "Start-Nr", "Name",   "Alter", "Info1", "Info2",  "Info3",  "Lauf 1",  "FP",
            "FS",    "Fehler", "Gesamt",   "Lauf 2", "FP",    "FS",    "Fehler", "Gesamt", "Ges.Zeit"};
}

// A time cell of the workbook in hundredths: the day fraction it holds.
qint64 hundredthsOf(const ExportFiles::Cell &cell)
{
    return cell.type == 'n' ? qRound64(cell.text.toDouble() * 24 * 60 * 60 * 100) : -1;
}
} // namespace

// The workbook and the web page: what they hold, in which order, and that every name stays text.
class TestResultsExport final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QList<ExportFiles::Sheet> writeAndRead(const ResultsDocument &document)
    {
        const QString path = m_dir.filePath(QStringLiteral("results.xlsx"));
        const FileResult written = writeResultsWorkbook(path, document);
        if (!written) {
            QTest::qFail(qPrintable(written.error().message()), __FILE__, __LINE__);
            return {};
        }
        QString failure;
        const QList<ExportFiles::Sheet> sheets = ExportFiles::readWorkbook(path, failure);
        if (!failure.isEmpty())
            QTest::qFail(qPrintable(failure), __FILE__, __LINE__);
        return sheets;
    }

private slots:
    void linesComeByPlace()
    {
        const ClassResults results = scoredClass(2, listOf(sampleEntries));
        QCOMPARE(results.className, defaultClassName(2));
        QStringList order, places;
        for (const ResultLine &line : results.lines) {
            order << line.text(ListField::Name);
            places << line.text(ListField::Place);
        }
        // Dan 51 s + 10 s; Ben 60 s + 2 s and Cem 62 s share place 2; the others in start order.
        QCOMPARE(order, (QStringList {"Dan", "Ben", "Cem", "Ada", "Eva"}));
        QCOMPARE(places, (QStringList {"1", "2", "2", "", ""}));
        const ResultLine &dan = results.lines.front();
        QCOMPARE(dan.text(ListField::Number), QStringLiteral("4"));
        QCOMPARE(dan.text(ListField::StartNr), QStringLiteral("4"));
        QCOMPARE(dan.text(ListField::Time2), QStringLiteral("00:26.00"));
        QCOMPARE(dan.text(ListField::Penalty2), QStringLiteral("00:10.00"));
        QCOMPARE(dan.text(ListField::GrandTotal), QStringLiteral("01:01.00"));
        QCOMPARE(dan.value(ListField::FS2), 1);
    }

    void workbookHoldsTheClass()
    {
        const QList<ExportFiles::Sheet> sheets = writeAndRead(sampleDocument());
        QCOMPARE(sheets.size(), 1);
        const ExportFiles::Sheet &sheet = sheets.front();
        QCOMPARE(sheet.name, defaultClassName(2));
        QCOMPARE(sheet.text(0, 0), QStringLiteral("Kart-Slalom Nord \u2013 Ergebnisliste"));
        QCOMPARE(sheet.rowTexts(1), (QStringList {"Klasse", defaultClassName(2)}));
        QCOMPARE(sheet.rowTexts(2), (QStringList {"Datum", "07.12.2026"}));
        QCOMPARE(sheet.rowTexts(3), (QStringList {"Strafsekunden FP/FS", "2 / 10"}));
        QCOMPARE(sheet.rowTexts(5), headings());
        const QStringList dan = sheet.rowTexts(6);
        QCOMPARE(dan.mid(0, 8), (QStringList {"1", "4", "4", "Dan", "14", "", "Info2 of 4", "Info3 of 4"}));
        QCOMPARE(dan.mid(9, 2), (QStringList {"0", "0"}));
        QCOMPARE(dan.mid(14, 2), (QStringList {"0", "1"}));
        QList<qint64> times;
        for (int column : {8, 11, 12, 13, 16, 17, 18})
            times << hundredthsOf(sheet.at(6, column));
        QCOMPARE(times, (QList<qint64> {2500, 0, 2500, 2600, 1000, 3600, 6100}));
        QStringList names;
        for (int row = 6; row <= 10; ++row)
            names << sheet.text(row, 3);
        QCOMPARE(names, (QStringList {"Dan", "Ben", "Cem", "Ada", "Eva"}));
        QCOMPARE(sheet.rows.lastKey(), 10);
        // No place: an empty cell, not a zero.
        QVERIFY(!sheet.rows.value(9).contains(0));
        QCOMPARE(sheet.at(8, 2), (ExportFiles::Cell {"3a", 's'}));
        QString failure;
        const QString styles = QString::fromUtf8(ExportFiles::zipEntry(m_dir.filePath(QStringLiteral("results.xlsx")),
                                                                       QStringLiteral("xl/styles.xml"), failure));
        QVERIFY2(styles.contains(QStringLiteral("formatCode=\"[mm]:ss.00\"")), qPrintable(failure + styles));
    }

    void workbookCellKinds_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<char>("type");
        QTest::newRow("place is a number") << 0 << 'n';
        QTest::newRow("# is a number") << 1 << 'n';
        QTest::newRow("plain start number is a number") << 2 << 'n';
        QTest::newRow("name is text") << 3 << 's';
        QTest::newRow("plain age is a number") << 4 << 'n';
        QTest::newRow("FP count is a number") << 9 << 'n';
        QTest::newRow("FS count is a number") << 15 << 'n';
    }
    void workbookCellKinds()
    {
        QFETCH(int, column);
        QFETCH(char, type);
        const QList<ExportFiles::Sheet> sheets = writeAndRead(sampleDocument());
        QCOMPARE(sheets.size(), 1);
        QCOMPARE(sheets.front().at(6, column).type, type);
    }

    void namesNeverBecomeFormulas_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("equals") << "=1+1";
        QTest::newRow("plus") << "+49 170 123";
        QTest::newRow("minus") << "-SUM(A1:A9)";
        QTest::newRow("at") << "@HYPERLINK(\"http://x\")";
        QTest::newRow("markup") << "<script>alert(1)</script>";
        QTest::newRow("ampersand and quotes") << "Finn <b>& \"Co\"";
        QTest::newRow("umlauts") << "Jürgen Öztürk";
        QTest::newRow("tab inside") << "A\tB";
    }
    void namesNeverBecomeFormulas()
    {
        QFETCH(QString, name);
        QList<Entry> entries = sampleEntries;
        entries[3].name = name;
        entries[3].info1 = name;
        entries[3].startNr = name;
        const QList<ExportFiles::Sheet> sheets = writeAndRead(documentOf({scoredClass(2, listOf(entries))}));
        QCOMPARE(sheets.size(), 1);
        for (int column : {2, 3, 5})
            QCOMPARE(sheets.front().at(6, column), (ExportFiles::Cell {name, 's'}));
        for (const auto &cells : sheets.front().rows) {
            for (const ExportFiles::Cell &cell : cells)
                QVERIFY(cell.type != 'f');
        }
    }

    void workbookOfSeveralClasses()
    {
        const ResultsDocument document
            = documentOf({scoredClass(1, listOf(sampleEntries.mid(0, 2))), scoredClass(4, listOf(sampleEntries.mid(2))),
                          scoredClass(7, listOf({}))});
        const QList<ExportFiles::Sheet> sheets = writeAndRead(document);
        QCOMPARE(sheets.size(), 3);
        QCOMPARE(sheets.at(0).name, defaultClassName(1));
        QCOMPARE(sheets.at(1).name, defaultClassName(4));
        QCOMPARE(sheets.at(1).text(1, 1), defaultClassName(4));
        QCOMPARE(sheets.at(0).text(6, 3), QStringLiteral("Ben"));
        QCOMPARE(sheets.at(1).text(6, 3), QStringLiteral("Dan"));
        QCOMPARE(sheets.at(1).text(6, 0), QStringLiteral("1"));
        // A class without participants still has its title and headings.
        QCOMPARE(sheets.at(2).rowTexts(5), headings());
        QCOMPARE(sheets.at(2).rows.lastKey(), 5);
    }

    void sheetNames_data()
    {
        QTest::addColumn<QString>("className");
        QTest::addColumn<QStringList>("taken");
        QTest::addColumn<QString>("sheetName");
        QTest::newRow("plain") << "Class 01" << QStringList {} << "Class 01";
        QTest::newRow("forbidden characters") << "A/B: [x]*?\\" << QStringList {} << "A_B_ _x____";
        QTest::newRow("too long") << QString(40, QLatin1Char('k')) << QStringList {} << QString(31, QLatin1Char('k'));
        QTest::newRow("taken, case ignored") << "Juniors" << QStringList {"JUNIORS"} << "Juniors (2)";
        QTest::newRow("taken twice") << "Juniors" << QStringList {"Juniors", "Juniors (2)"} << "Juniors (3)";
        QTest::newRow("long and taken") << QString(31, QLatin1Char('k')) << QStringList {QString(31, QLatin1Char('k'))}
                                        << QString(27, QLatin1Char('k')) + " (2)";
        QTest::newRow("apostrophes at the ends") << "'Open'" << QStringList {} << "Open";
        QTest::newRow("empty") << "" << QStringList {} << "Klasse";
    }
    void sheetNames()
    {
        QFETCH(QString, className);
        QFETCH(QStringList, taken);
        QFETCH(QString, sheetName);
        QCOMPARE(workbookSheetName(className, taken), sheetName);
    }

    // The time as shown: thousandths dropped, minutes past the hour kept.
    void workbookTimesAreTheShownTimes_data()
    {
        QTest::addColumn<int>("time1");
        QTest::addColumn<int>("fp1");
        QTest::addColumn<qint64>("run");
        QTest::addColumn<qint64>("total");
        QTest::newRow("thousandths dropped") << 2'719 << 0 << qint64(271) << qint64(271);
        QTest::newRow("with penalty") << 19'109 << 2 << qint64(1910) << qint64(2310);
        QTest::newRow("past an hour") << 3'725'430 << 0 << qint64(372543) << qint64(372543);
    }
    void workbookTimesAreTheShownTimes()
    {
        QFETCH(int, time1);
        QFETCH(int, fp1);
        QFETCH(qint64, run);
        QFETCH(qint64, total);
        const QList<ExportFiles::Sheet> sheets
            = writeAndRead(documentOf({scoredClass(2, listOf({{"Ola", "1", "", time1, fp1, 0, 0, 0, 0}}))}));
        QCOMPARE(sheets.size(), 1);
        QCOMPARE(hundredthsOf(sheets.front().at(6, 8)), run);
        QCOMPARE(hundredthsOf(sheets.front().at(6, 12)), total);
    }

    // Rows nobody filled in are no participants; one run gives no total. Workbook and page alike.
    void exportsShowParticipantsOnly_data()
    {
        QTest::addColumn<QList<Entry>>("entries");
        QTest::addColumn<QStringList>("names");
        // Ges.Zeit in hundredths; -1 for none.
        QTest::addColumn<QList<qint64>>("totals");
        const Entry blank {"", "", "", 0, 0, 0, 0, 0, 0};
        const Entry spaces {"  ", "5", "MSC", 0, 1, 0, 0, 0, 0};
        const Entry both {"Ola", "1", "", 30'000, 0, 0, 31'000, 0, 0};
        const Entry first {"Kim", "2", "", 20'000, 0, 0, 0, 0, 0};
        const Entry second {"Mo", "3", "", 0, 0, 0, 25'000, 1, 0};
        const Entry unnamed {"", "4", "", 40'000, 0, 0, 40'000, 0, 0};
        const Entry untimed {"Eva", "6", "", 0, 0, 0, 0, 0, 0};
        QTest::newRow("blank rows left out")
            << QList<Entry> {blank, both, blank} << QStringList {"Ola"} << QList<qint64> {6100};
        QTest::newRow("blank but for counts and info")
            << QList<Entry> {spaces, both} << QStringList {"Ola"} << QList<qint64> {6100};
        QTest::newRow("one run, no total")
            << QList<Entry> {first, both, second} << QStringList {"Ola", "Kim", "Mo"} << QList<qint64> {6100, -1, -1};
        QTest::newRow("a time without a name stays")
            << QList<Entry> {unnamed, both} << QStringList {"Ola", ""} << QList<qint64> {6100, 8000};
        QTest::newRow("a name without a time stays")
            << QList<Entry> {untimed, blank} << QStringList {"Eva"} << QList<qint64> {-1};
    }
    void exportsShowParticipantsOnly()
    {
        QFETCH(QList<Entry>, entries);
        QFETCH(QStringList, names);
        QFETCH(QList<qint64>, totals);
        const ResultsDocument document = documentOf({scoredClass(2, listOf(entries))});

        const QList<ExportFiles::Sheet> sheets = writeAndRead(document);
        QCOMPARE(sheets.size(), 1);
        QCOMPARE(sheets.front().rows.lastKey(), 5 + int(names.size()));
        QStringList sheetNames;
        QList<qint64> sheetTotals;
        for (int row = 6; row < 6 + names.size(); ++row) {
            sheetNames << sheets.front().text(row, 3);
            sheetTotals << (sheets.front().rows.value(row).contains(18) ? hundredthsOf(sheets.front().at(row, 18))
                                                                        : -1);
        }
        QCOMPARE(sheetNames, names);
        QCOMPARE(sheetTotals, totals);

        const QString page = QString::fromUtf8(resultsPage(document));
        QCOMPARE(page.count(QStringLiteral("<tr><td")), names.size());
        for (qsizetype i = 0; i < names.size(); ++i) {
            const QString row = QStringLiteral("<td class=\"nm\">%1</td>").arg(names.at(i));
            QVERIFY2(page.contains(row), qPrintable(row));
        }
        QCOMPARE(page.count(QStringLiteral("<td class=\"t g\"></td>")), totals.count(-1));
    }

    // A failure names the file the operator chose, never the hidden scratch file it was made in.
    void workbookFailureNamesTheChosenFile_data()
    {
        QTest::addColumn<bool>("folderExists");
        QTest::newRow("folder gone") << false;
        QTest::newRow("disk full") << true;
    }
    void workbookFailureNamesTheChosenFile()
    {
        QFETCH(bool, folderExists);
        QTemporaryDir top;
        const QString folder = top.filePath(QStringLiteral("exports"));
        if (folderExists)
            QVERIFY(QDir().mkpath(folder));
        const QString path = folder + QStringLiteral("/results.xlsx");
        FileResult written;
        {
            std::optional<FileSizeLimit> full;
            if (folderExists)
                QVERIFY(full.emplace(16).active());
            written = writeResultsWorkbook(path, sampleDocument());
        }
        QVERIFY(!written);
        QCOMPARE(written.error().path, path);
        QVERIFY(!written.error().reason.isEmpty());
        QVERIFY2(!written.error().message().contains(QStringLiteral(".zorvexa")),
                 qPrintable(written.error().message()));
        QCOMPARE(QFileInfo::exists(folder), folderExists);
        if (folderExists)
            QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    void scratchFileIsRemoved()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("results.xlsx"));
        QVERIFY(writeResultsWorkbook(path, sampleDocument()).ok());
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList {"results.xlsx"});
    }

    void pageHoldsTheClass()
    {
        const QString page = QString::fromUtf8(resultsPage(sampleDocument()));
        QVERIFY(page.startsWith(QStringLiteral("<!DOCTYPE html>")));
        for (const char *part :
             {"<meta charset=\"utf-8\">", "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">",
              "@page{size:A4", "@media print{", "overflow-x:auto", "<h1>Kart-Slalom Nord \u2013 Ergebnisliste</h1>",
              "<h2>Class 02</h2>", "<b>Datum:</b> 07.12.2026", "<b>Strafsekunden FP/FS:</b> 2 / 10"})
            QVERIFY2(page.contains(QString::fromUtf8(part)), part);
        // Self-contained: nothing is fetched from elsewhere.
        for (const char *outside : {"<link", "<script", "src=", "@import", "url("})
            QVERIFY2(!page.contains(QLatin1String(outside)), outside);
        QString headingRow;
        for (const QString &heading : headings())
            headingRow += QStringLiteral("<th>%1</th>").arg(heading);
        headingRow.replace(QStringLiteral("<th>Platz"), QStringLiteral("<th class=\"p\">Platz"));
        headingRow.replace(QStringLiteral("<th>Name"), QStringLiteral("<th class=\"nm\">Name"));
        headingRow.replace(QStringLiteral("<th>Ges.Zeit"), QStringLiteral("<th class=\"g\">Ges.Zeit"));
        QVERIFY2(page.contains(headingRow), qPrintable(headingRow));
        qsizetype at = 0;
        for (const char *name : {"Dan", "Ben", "Cem", "Ada", "Eva"}) {
            const qsizetype found
                = page.indexOf(QStringLiteral("<td class=\"nm\">%1</td>").arg(QLatin1String(name)), at);
            QVERIFY2(found > at, name);
            at = found;
        }
        QVERIFY(page.contains(QStringLiteral("<tr><td class=\"n p\">1</td><td class=\"n\">4</td><td>4</td><td "
                                             "class=\"nm\">Dan</td><td class=\"n\">14</td>")));
        QVERIFY(page.contains(
            QStringLiteral("<tr><td class=\"n p\"></td><td class=\"n\">1</td><td>7</td><td class=\"nm\">Ada</td>")));
        QVERIFY(page.contains(QStringLiteral("<td class=\"t g\">01:01.00</td></tr>")));
    }

    void pageEscapesEverything_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("shown");
        QTest::newRow("script") << "<script>"
                                << "&lt;script&gt;";
        QTest::newRow("markup and ampersand") << "Finn <b>&"
                                              << "Finn &lt;b&gt;&amp;";
        QTest::newRow("quotes") << "\"Ola\""
                                << "&quot;Ola&quot;";
        QTest::newRow("entity stays text") << "&amp;"
                                           << "&amp;amp;";
        QTest::newRow("placeholder stays text") << "%1 %2"
                                                << "%1 %2";
    }
    void pageEscapesEverything()
    {
        QFETCH(QString, name);
        QFETCH(QString, shown);
        QList<Entry> entries = sampleEntries;
        entries[0].name = name;
        ResultsDocument document = documentOf({scoredClass(2, listOf(entries))});
        document.eventName = name;
        document.classes.front().className = name;
        const QString page = QString::fromUtf8(resultsPage(document));
        QVERIFY(page.contains(QStringLiteral("<td class=\"nm\">%1</td>").arg(shown)));
        QVERIFY(page.contains(QStringLiteral("<h2>%1</h2>").arg(shown)));
        QVERIFY(page.contains(QStringLiteral("<title>%1 \u2013 Ergebnisliste</title>").arg(shown)));
        if (name.contains(QLatin1Char('<')))
            QVERIFY(!page.contains(name));
    }

    void pageOfAllClassesHasASectionEach()
    {
        const ResultsDocument document = documentOf(
            {scoredClass(1, listOf(sampleEntries.mid(0, 2))), scoredClass(4, listOf(sampleEntries.mid(2)))});
        const QString page = QString::fromUtf8(resultsPage(document));
        QCOMPARE(page.count(QStringLiteral("<section>")), 2);
        QCOMPARE(page.count(QStringLiteral("<table>")), 2);
        QVERIFY(page.indexOf(QStringLiteral("<h2>Class 01</h2>")) < page.indexOf(QStringLiteral("<h2>Class 04</h2>")));
        QVERIFY(page.contains(QStringLiteral("section+section{page-break-before:always")));
    }

    void classFromItsFile()
    {
        QVERIFY(WriteListFile(listOf(sampleEntries), ClassListPath(5)).ok());
        const Result<ClassResults> fromFile = classResultsFromFile(5, {}, {}, RaceRules {});
        QVERIFY(fromFile);
        QCOMPARE(fromFile.value().lines.size(), std::size_t(5));
        QCOMPARE(fromFile.value().lines.front().text(ListField::Name), QStringLiteral("Dan"));
        QFile::remove(ClassListPath(6));
        const Result<ClassResults> noFile = classResultsFromFile(6, {}, {}, RaceRules {});
        QVERIFY(noFile);
        QVERIFY(noFile.value().lines.empty());
    }

    // What the rules and the marks change in the exports: "Bester Lauf" ranks in a column of its
    // own, a marked driver has no "Ges.Zeit", a mark's reason goes beneath the table, and the club
    // sheet counts at most the best two, its sum a number.
    void rulesAndMarksInTheExports_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("lastHeading");
        QTest::addColumn<qint64>("benRanks"); // hundredths, -1 for no cell
        QTest::addColumn<qint64>("clubSum");
        QTest::newRow("sum") << int(ScoringMode::SumOfRuns) << "Ges.Zeit" << qint64(-1) << qint64(12'300);
        QTest::newRow("best run") << int(ScoringMode::BestRun) << "Bester Lauf" << qint64(3'200) << qint64(5'600);
    }
    void rulesAndMarksInTheExports()
    {
        QFETCH(int, mode);
        QFETCH(QString, lastHeading);
        QFETCH(qint64, benRanks);
        QFETCH(qint64, clubSum);
        const StartList list = listOf({{"Ada", "1", "MSC", 40'000, 0, 0, 41'000, 0, 0},
                                       {"Ben", "2", "MSC", 30'000, 1, 0, 30'000, 0, 0},
                                       {"Cem", "3", "MSC", 31'000, 0, 0, 31'000, 0, 0},
                                       {"Dan", "4", "MSC", 25'000, 0, 0, 26'000, 0, 1}});
        std::vector<EntryMarks> marks(4);
        marks[1].runs[1] = {RunMark::DidNotFinish, QStringLiteral("Reifen")};
        RaceRules rules;
        rules.scoring = ScoringMode(mode);
        rules.clubField = 1;
        rules.clubBest = 2;
        rules.infoTitles[0] = QStringLiteral("Verein");
        ResultsDocument document = resultsHeading(rules);
        document.classes.push_back(classResults(2, list, marks, {}, rules));
        const QString note = QStringLiteral("Ben, Lauf 2: DNF \u2013 Reifen");

        const QList<ExportFiles::Sheet> sheets = writeAndRead(document);
        QCOMPARE(sheets.size(), 2);
        const ExportFiles::Sheet &sheet = sheets.at(0);
        QCOMPARE(sheet.rowTexts(5).constLast(), lastHeading);
        QCOMPARE(sheet.text(5, 5), QStringLiteral("Verein"));
        int ben = 6;
        while (ben < 10 && sheet.text(ben, 3) != QStringLiteral("Ben"))
            ++ben;
        QCOMPARE(sheet.text(ben, 13), QStringLiteral("DNF"));
        QCOMPARE(sheet.text(ben, 18), QString());
        QCOMPARE(sheet.rows.value(ben).contains(19) ? hundredthsOf(sheet.at(ben, 19)) : -1, benRanks);
        QCOMPARE(sheet.text(11, 0), note);
        const ExportFiles::Sheet &clubs = sheets.at(1);
        QCOMPARE(clubs.rowTexts(4), (QStringList {"Platz", "Verein", "Summe", "Gewertete Fahrer"}));
        QCOMPARE(clubs.text(5, 1), QStringLiteral("MSC"));
        QCOMPARE(hundredthsOf(clubs.at(5, 2)), clubSum);
        QCOMPARE(clubs.text(5, 3), QStringLiteral("2"));

        const QString page = QString::fromUtf8(resultsPage(document));
        QVERIFY(page.contains(QStringLiteral("<th class=\"g\">%1</th></tr>").arg(lastHeading)));
        QVERIFY(page.contains(QStringLiteral("<p class=\"legend\">%1</p>").arg(note)));
        QVERIFY(!page.contains(QStringLiteral("Reifen</td>")));
    }

    void eventNameInTheHeading()
    {
        const MockClock clock(QDate(2026, 9, 5));
        const ResultsDocument document = resultsHeading(QStringLiteral("  Sommer-Slalom  "), 3, 12);
        QCOMPARE(document.title(), QStringLiteral("Sommer-Slalom \u2013 Ergebnisliste"));
        QCOMPARE(document.date, QDate(2026, 9, 5));
        QCOMPARE(document.dateText(), QStringLiteral("05.09.2026"));
        QCOMPARE(document.penaltySecondsText(), QStringLiteral("3 / 12"));
        QCOMPARE(resultsHeading(QString(), 2, 10).title(), QStringLiteral("Ergebnisliste"));
    }
};

ZORVEXA_CORE_TEST_MAIN(TestResultsExport)
#include "test_results_export.moc"
