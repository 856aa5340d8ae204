#include "core/journal/HandMarks.h"
#include "core/journal/JournalRecorder.h"
#include "core/live/LiveFeed.h"
#include "core/live/LiveJson.h"
#include "core/live/LivePages.h"
#include "core/marks/MarksKeeper.h"
#include "core/protocol/ResultsPage.h"
#include "core/protocol/ResultsProtocol.h"
#include "core/protocol/ResultsWorkbook.h"
#include "core/settings/ClassNames.h"
#include "core/startlist/ClassStore.h"
#include "core/startlist/ListFile.h"
#include "core/system/DataFolder.h"
#include "core/undo/UndoHistory.h"
#include "gui/results/ResultsPrintout.h"
#include "support/ExportFiles.h"
#include "support/GuiTestMain.h"
#include "support/ScoredClass.h"
#include "support/StartListSamples.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QPdfWriter>

// Lee and Kim at the desk, every change journaled, put together as the program does it.
struct Desk
{
    ClassStore store;
    ResultsProtocol protocol {store};
    RunControl runs;
    JournalRecorder recorder {store, runs, dataFolder()};
    UndoHistory history {store};
    HandMarks hands {store, recorder.journal()};

    int kim() const { return store.readTextField(0, ListField::Name) == "Kim" ? 0 : 1; }
    void write(int row, int run, int ms, ChangeSource source)
    {
        QVERIFY(store.writeResult(row, {{runTimeField(run), ms}}, source).ok());
    }
    // Kim's first run by hand, the rest by the clock; Lee's second run disqualified for a reason
    // that would be markup if it were not escaped.
    void handTimeForKim()
    {
        QVERIFY(store.LoadCurrentClass().ok());
        for (int run = 1; run <= 2; ++run) {
            write(kim(), run, run == 1 ? 62'340 : 61'000, run == 1 ? ChangeSource::Hand : ChangeSource::Key);
            write(1 - kim(), run, 50'000 + run, ChangeSource::Key);
        }
        ClassMarks marks;
        marks.setMark(store.list().at(1 - kim()), 2, {RunMark::Disqualified, "<i>Tor</i>"});
        QVERIFY(writeMarksFile(marks, MarksPath(1)).ok());
    }
};

class TestHandMarks final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void init()
    {
        QDir(dataFolder()).removeRecursively();
        QDir().mkpath(dataFolder());
        QVERIFY(WriteListFile(listOfNames({"Lee", "Kim"}), ClassListPath(1)).ok());
    }

    void rules_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("hand");
        QTest::newRow("hand entry") << "hand:62340" << true;
        QTest::newRow("overwritten by the clock") << "hand:62340 clock:50000" << false;
        QTest::newRow("cleared") << "hand:62340 clear" << false;
        QTest::newRow("typed over") << "hand:62340 typed:70000" << false;
        QTest::newRow("undone") << "clock:50000 hand:62340 undo" << false;
        QTest::newRow("redone") << "clock:50000 hand:62340 undo redo" << true;
        QTest::newRow("clock time undone") << "hand:62340 clock:50000 undo" << true;
        QTest::newRow("clear undone") << "hand:62340 clear undo" << true;
        QTest::newRow("correction undone") << "hand:62340 hand:61000 undo" << true;
        QTest::newRow("after sorting") << "hand:62340 sort" << true;
        QTest::newRow("clock after sorting") << "hand:62340 sort clock:50000" << false;
    }
    // Kim's first run, live, after the class is read again, and asked for from another class.
    void rules()
    {
        QFETCH(QString, script);
        QFETCH(bool, hand);
        Desk desk;
        QVERIFY(desk.store.LoadCurrentClass().ok());
        const QHash<QString, ChangeSource> sources {
            {"hand", ChangeSource::Hand}, {"clock", ChangeSource::Barrier}, {"typed", ChangeSource::Typed}};
        for (const QString &step : script.split(' ')) {
            if (step.contains(':'))
                desk.write(desk.kim(), 1, step.section(':', 1).toInt(), sources.value(step.section(':', 0, 0)));
            else if (step == "clear")
                desk.write(desk.kim(), 1, 0, ChangeSource::Reset);
            else if (step == "sort")
                QCOMPARE(desk.store.sortBy(ListField::Name, ChangeSource::Editor), QString());
            else
                QVERIFY(step == "undo" ? desk.history.undo(std::nullopt) : desk.history.redo(std::nullopt));
        }
        QCOMPARE(desk.hands.isHandTime(desk.kim(), 1), hand);
        QVERIFY(!desk.hands.isHandTime(desk.kim(), 2) && !desk.hands.isHandTime(1 - desk.kim(), 1));
        QVERIFY(desk.store.SaveCurrentClass().ok() && desk.store.LoadCurrentClass().ok());
        QCOMPARE(desk.hands.isHandTime(desk.kim(), 1), hand);
        const std::int32_t time = desk.store.readNumberField(desk.kim(), ListField::Time1);
        QVERIFY(desk.store.SelectClass(2).ok());
        QCOMPARE(desk.hands.handTimes(1).isHandTime("Kim", 1, time), hand);
        // Asked again after class 1 changed meanwhile: its new rows count.
        QVERIFY(desk.store.SelectClass(1).ok());
        desk.write(desk.kim(), 2, 70'000, ChangeSource::Hand);
        QVERIFY(desk.store.SelectClass(2).ok());
        QVERIFY(desk.hands.handTimes(1).isHandTime("Kim", 2, 70'000));
    }

    void exports_data()
    {
        QTest::addColumn<QString>("format");
        QTest::newRow("workbook") << "xlsx";
        QTest::newRow("web page") << "html";
        QTest::newRow("printout") << "pdf";
    }
    // The mark beside Kim's hand time and nowhere else, the legend once, the time still a number.
    void exports()
    {
        QFETCH(QString, format);
        Desk desk;
        desk.handTimeForKim();
        ResultsDocument document = resultsHeading(QStringLiteral("Nord"), 2, 10);
        document.classes.push_back(scoredClass(1, desk.store.list(), desk.hands.handTimes(1)));
        const QString path = m_dir.filePath("results." + format);
        QString failure;
        QStringList lines;
        if (format == "xlsx") {
            QVERIFY(writeResultsWorkbook(path, document).ok());
            const ExportFiles::Sheet sheet = ExportFiles::readWorkbook(path, failure).value(0);
            const int time1 = int(sheet.rowTexts(5).indexOf("Lauf 1"));
            QCOMPARE(sheet.text(5, time1 + 1), QStringLiteral("H"));
            for (int row = 6; row < 12; ++row)
                lines << sheet.rowTexts(row).join('|');
            const int kim = sheet.text(6, 3) == "Kim" ? 6 : 7;
            QCOMPARE(sheet.at(kim, time1).type, 'n');
            QCOMPARE(qRound(sheet.text(kim, time1).toDouble() * 24 * 3600 * 100), 6234);
        } else if (format == "html") {
            lines = QString::fromUtf8(resultsPage(document)).split('\n');
        } else {
            {
                QPdfWriter pdf(path);
                QVERIFY(ResultsPrintout(document).paint(pdf) > 0);
            }
            lines = ExportFiles::pdfPages(path, failure).join('\n').split('\n');
        }
        QCOMPARE(failure, QString());
        const QString kim = lines.filter("Kim").join(""), lee = lines.filter("Lee").join("");
        QVERIFY2(kim.contains(format == "xlsx" ? "|H|" : "01:02.34 H"), qPrintable(kim));
        QVERIFY2(!lee.contains(" H") && !lee.contains("|H|"), qPrintable(lee));
        QCOMPARE(lines.filter("H = von Hand eingetragene Zeit").size(), 1);
    }

    // The JSON lists the run; each page marks the time and explains it once. A reason stays out of
    // the time cell, and never unescaped.
    void live()
    {
        Desk desk;
        desk.handTimeForKim();
        const MarksKeeper marks(desk.store);
        LiveFeed feed(desk.store, desk.runs, marks, &desk.hands);
        feed.setActive(true);
        QVERIFY(feed.waitForPublished());
        const LiveSnapshot &s = *feed.snapshot();
        QMap<QString, QJsonArray> hands;
        for (const QJsonValue e : QJsonDocument::fromJson(liveClassJson(s, 1))["entryList"].toArray())
            hands.insert(e["name"].toString(), e["handRuns"].toArray());
        QCOMPARE(hands, (QMap<QString, QJsonArray> {{"Kim", {1}}, {"Lee", {}}}));
        for (const QByteArray &page : {liveClassPage(s, 1), liveAnnouncerPage(s), liveBoardPage(s, {1}, 10)}) {
            QVERIFY(page.contains("01:02.34<small class=\"h\">H</small>") && page.count("class=\"h\"") == 1);
            QCOMPARE(page.count("H = von Hand eingetragene Zeit"), 1);
            QVERIFY(!page.contains("<i>Tor") && !page.contains("DSQ (&lt;i&gt;Tor"));
        }
    }
};

ZORVEXA_TEST_MAIN(TestHandMarks)
#include "test_handmarks.moc"
