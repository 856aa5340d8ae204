#include "core/journal/HandMarks.h"
#include "core/journal/JournalRecorder.h"
#include "core/journal/UndoHistory.h"
#include "core/live/LiveFeed.h"
#include "core/live/LiveServer.h"
#include "core/marks/RunMarks.h"
#include "core/protocol/ExportedResults.h"
#include "core/protocol/ResultsPage.h"
#include "core/protocol/ResultsProtocol.h"
#include "core/protocol/ResultsWorkbook.h"
#include "core/settings/ClassNames.h"
#include "core/startlist/ClassStore.h"
#include "core/startlist/ListFile.h"
#include "core/system/DataFolder.h"
#include "core/timing/RunControl.h"
#include "gui/ResultsPrintout.h"
#include "support/ExportFiles.h"
#include "support/GuiTestMain.h"
#include "support/LiveSamples.h"
#include "support/ShownMainWindow.h"
#include "support/StartListSamples.h"

#include <QDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPdfWriter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

// A class of two drivers at the desk, every change journaled, as the program puts it together.
struct Desk
{
    ClassStore store;
    ResultsProtocol protocol {store};
    RunControl runs;
    JournalRecorder recorder {store, runs, dataFolder()};
    UndoHistory history {store};
    std::unique_ptr<HandMarks> hands {std::make_unique<HandMarks>(store, recorder.journal())};

    Desk() { runs.setProtocol(&protocol); }
    int rowOf(const QString &name) const
    {
        for (int r = 0; r < store.entryCount(); ++r) {
            if (store.readTextField(r, ListField::Name) == name)
                return r;
        }
        return -1;
    }
    void write(const QString &name, int run, int ms, ChangeSource source)
    {
        QVERIFY(store.writeResult(rowOf(name), {{runTimeField(run), ms}}, source).ok());
    }
};

class TestHandMarks final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    ShownMainWindow m_shown;

    // Kim's first run by hand, the rest by the clock; Lee's second run disqualified for a reason
    // that would be markup if it were not escaped.
    static void deskWithHandTime(std::unique_ptr<Desk> &desk)
    {
        desk = std::make_unique<Desk>();
        QVERIFY(desk->store.LoadCurrentClass().ok());
        desk->write("Kim", 1, 62'340, ChangeSource::Hand);
        desk->write("Kim", 2, 61'000, ChangeSource::Key);
        desk->write("Lee", 1, 50'000, ChangeSource::Key);
        desk->write("Lee", 2, 52'000, ChangeSource::Key);
        ClassMarks marks;
        marks.setMark(desk->store.list().at(desk->rowOf("Lee")), 2, {RunMark::Disqualified, "<i>Tor</i>"});
        QVERIFY(writeMarksFile(marks, MarksPath(1)).ok());
    }

private slots:
    void init()
    {
        QDir(dataFolder()).removeRecursively();
        QDir().mkpath(dataFolder());
        QVERIFY(WriteListFile(listOfNames({"Lee", "Kim"}), ClassListPath(1)).ok());
    }
    void cleanup()
    {
        OperatorDialogs::clearQueues();
        m_shown.close();
    }

    void rules_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("hand");
        QTest::newRow("hand entry") << "hand:62340" << true;
        QTest::newRow("hand over a clock time") << "clock:50000 hand:62340" << true;
        QTest::newRow("overwritten by the clock") << "hand:62340 clock:50000" << false;
        QTest::newRow("cleared") << "hand:62340 clear" << false;
        QTest::newRow("typed over") << "hand:62340 typed:70000" << false;
        QTest::newRow("undone") << "clock:50000 hand:62340 undo" << false;
        QTest::newRow("undone to empty") << "hand:62340 undo" << false;
        QTest::newRow("redone") << "clock:50000 hand:62340 undo redo" << true;
        QTest::newRow("clock time undone") << "hand:62340 clock:50000 undo" << true;
        QTest::newRow("clear undone") << "hand:62340 clear undo" << true;
        QTest::newRow("correction undone") << "hand:62340 hand:61000 undo" << true;
        QTest::newRow("after sorting") << "hand:62340 sort" << true;
        QTest::newRow("clock after sorting") << "hand:62340 sort clock:50000" << false;
    }
    // Kim's first run; the store announces each step, the journal keeps it for the next load.
    void rules()
    {
        QFETCH(QString, script);
        QFETCH(bool, hand);
        Desk desk;
        QVERIFY(desk.store.LoadCurrentClass().ok());
        for (const QString &step : script.split(' ')) {
            const int ms = step.section(':', 1).toInt();
            if (step.startsWith("hand"))
                desk.write("Kim", 1, ms, ChangeSource::Hand);
            else if (step.startsWith("clock"))
                desk.write("Kim", 1, ms, ChangeSource::Barrier);
            else if (step.startsWith("typed"))
                desk.write("Kim", 1, ms, ChangeSource::Typed);
            else if (step == "clear")
                desk.write("Kim", 1, 0, ChangeSource::Reset);
            else if (step == "sort")
                QCOMPARE(desk.store.sortBy(ListField::Name, ChangeSource::Editor), QString());
            else
                QVERIFY(step == "undo" ? desk.history.undo(std::nullopt) : desk.history.redo(std::nullopt));
        }
        const int kim = desk.rowOf("Kim");
        QCOMPARE(desk.hands->isHandTime(kim, 1), hand);
        QVERIFY(!desk.hands->isHandTime(kim, 2) && !desk.hands->isHandTime(desk.rowOf("Lee"), 1));
        // The next start reads the same from the journal.
        QVERIFY(desk.store.SaveCurrentClass().ok());
        QVERIFY(desk.store.LoadCurrentClass().ok());
        QCOMPARE(desk.hands->isHandTime(desk.rowOf("Kim"), 1), hand);
        const std::int32_t time = desk.store.readNumberField(desk.rowOf("Kim"), ListField::Time1);
        QCOMPARE(HandMarks(desk.store, desk.recorder.journal()).isHandTime(desk.rowOf("Kim"), 1), hand);
        // An export of all classes asks for a class that is not the current one.
        QVERIFY(desk.store.SelectClass(2).ok());
        QCOMPARE(desk.hands->handTimes(1).isHandTime("Kim", 1, time), hand);
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
        std::unique_ptr<Desk> desk;
        deskWithHandTime(desk);
        ResultsDocument document = resultsHeading(QStringLiteral("Nord"), 2, 10);
        document.classes.push_back(classResults(1, desk->store.list(), 2, 10));
        const QString path = m_dir.filePath("results." + format);
        QString failure;
        QStringList lines;
        if (format == "xlsx") {
            QVERIFY(writeResultsWorkbook(path, document).ok());
            const ExportFiles::Sheet sheet = ExportFiles::readWorkbook(path, failure).value(0);
            const int time1 = int(sheet.rowTexts(5).indexOf("Lauf 1"));
            QCOMPARE(sheet.text(5, time1 + 1), QStringLiteral("H"));
            for (int row = 6; row < 12; ++row) {
                lines << sheet.rowTexts(row).join('|');
                if (lines.constLast().contains("Kim")) {
                    QCOMPARE(sheet.at(row, time1).type, 'n');
                    QCOMPARE(qRound(sheet.text(row, time1).toDouble() * 24 * 3600 * 100), 6234);
                    QCOMPARE(sheet.text(row, time1 + 1), QStringLiteral("H"));
                }
            }
        } else if (format == "html") {
            lines = QString::fromUtf8(resultsPage(document)).split('\n');
        } else {
            {
                QPdfWriter pdf(path);
                pdf.setPageLayout(ResultsPrintout::defaultPageLayout());
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

    void webPage(const QString &name, QString &page)
    {
        OperatorDialogs::queueFileName(m_dir.filePath(name));
        OperatorDialogs::queueChoice(0);
        OperatorDialogs::queueAnswer(false); // not to the browser
        QTest::mouseClick(m_shown.window->findChild<QWidget *>(QStringLiteral("cmdHTML")), Qt::LeftButton);
        QFile file(m_dir.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        page = QString::fromUtf8(file.readAll());
    }

    // As the operator does it: the official's time from the cell's context menu, the web page
    // exported, the entry taken back with Ctrl+Z and the page exported again.
    void handTimeFromTheWindowReachesTheExport()
    {
        m_shown.open();
        const MainWindowControls &ui = *m_shown.controls;
        const QRect cell = ui.Grid->visualRect(ui.model->index(1, ProtocolModel::Time1));
        QTimer::singleShot(100, m_shown.window.get(), [] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QTest::keyClicks(dialog->focusWidget(), QStringLiteral("01:02.34"));
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Tab);
            QTest::keyClicks(dialog->focusWidget(), QStringLiteral("Lichtschranke"));
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
        });
        QTest::mouseClick(m_shown.window->windowHandle(), Qt::RightButton, {},
                          ui.Grid->viewport()->mapTo(m_shown.window.get(), cell.center()));
        auto *menu = ui.Grid->findChild<QMenu *>(QStringLiteral("mnuProtocol"));
        QTRY_VERIFY(menu && menu->isVisible());
        auto *item = menu->findChild<QAction *>(QStringLiteral("actHandTime"));
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
        QCOMPARE(ui.model->cell(1, ProtocolModel::Time1), 62'340);
        QString page;
        webPage("hand.html", page);
        QVERIFY2(page.contains("<td class=\"t\">01:02.34 H</td>"), qPrintable(page));
        QCOMPARE(page.count("H = von Hand eingetragene Zeit"), 1);
        m_shown.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_shown.window.get()));
        QTest::keyClick(m_shown.window->windowHandle(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(ui.model->cell(1, ProtocolModel::Time1), 0);
        webPage("undone.html", page);
        QVERIFY(!page.contains(" H<") && !page.contains("von Hand"));
    }

    void live_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("class page") << "/klasse/1";
        QTest::newRow("announcer") << "/sprecher";
        QTest::newRow("board") << "/anzeige?klassen=1";
        QTest::newRow("json") << "/api/classes/1";
    }
    // Through the server as a phone asks it.
    void live()
    {
        QFETCH(QString, target);
        std::unique_ptr<Desk> desk;
        deskWithHandTime(desk);
        LiveFeed feed(desk->store, desk->runs);
        feed.setActive(true);
        LiveHost host;
        QSignalSpy listening(&host, &LiveHost::listenFinished);
        host.start(QStringLiteral("127.0.0.1"), 0);
        QVERIFY(listening.wait(5000));
        host.publish(feed.snapshot());
        QTRY_VERIFY(rawExchange(host.port(), "GET /api/live HTTP/1.0\r\n\r\n").contains("\"version\":1"));
        QNetworkAccessManager net;
        QNetworkReply *reply
            = net.get(QNetworkRequest(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(host.port()).arg(target))));
        QTRY_VERIFY(reply->isFinished());
        const QByteArray body = reply->readAll();
        delete reply;
        if (target.startsWith("/api")) {
            QMap<QString, QJsonArray> hands;
            for (const QJsonValue &e : QJsonDocument::fromJson(body)["entryList"].toArray())
                hands.insert(e["name"].toString(), e["handRuns"].toArray());
            QCOMPARE(hands.value("Kim"), QJsonArray {1});
            QCOMPARE(hands.value("Lee"), QJsonArray {});
            return;
        }
        QVERIFY2(body.contains("01:02.34<small class=\"h\">H</small>"), body.constData());
        QCOMPARE(body.count("<small class=\"h\">"), 1);
        QCOMPARE(body.count("H = von Hand eingetragene Zeit"), 1);
        QVERIFY(!body.contains("<i>Tor") && body.contains("&lt;i&gt;Tor"));
    }
};

ZORVEXA_TEST_MAIN(TestHandMarks)
#include "test_handmarks.moc"
