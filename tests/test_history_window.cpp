#include "core/journal/Journal.h"
#include "core/startlist/ListFile.h"
#include "core/system/DataFolder.h"
#include "support/ExportFiles.h"
#include "support/FakeCounter.h"
#include "support/FreshFolders.h"
#include "support/GuiTestMain.h"
#include "support/JournalRows.h"
#include "support/ListFiles.h"
#include "support/ShownMainWindow.h"
#include "support/StartListSamples.h"

#include <QLabel>
#include <QPrintPreviewDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QWindow>

// The history window as the operator opens it from the main window: what it lists, putting back
// a replaced value, and that the timing keys keep working while it is open.
class TestHistoryWindow final : public QObject
{
    Q_OBJECT

    ShownMainWindow m_shown;

    const MainWindowControls &ui() const { return *m_shown.controls; }
    QWindow *keys() const { return m_shown.keys(); }
    QWidget *history() const { return m_shown.window->findChild<QWidget *>(QStringLiteral("frmHistory")); }
    QTableView *rows() const { return history()->findChild<QTableView *>(QStringLiteral("grdHistory")); }
    QString status() const { return history()->findChild<QLabel *>(QStringLiteral("lblHistoryStatus"))->text(); }

    void enterHandTime(int row, const QString &time, const QString &reason)
    {
        m_shown.chooseFromCellMenu(row, ProtocolModel::Time1, "actHandTime", [time, reason] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QTest::keyClicks(dialog->focusWidget(), time);
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Tab);
            QTest::keyClicks(dialog->focusWidget(), reason);
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
        });
    }
    // Ctrl+H on the row's run cell; the class option widens the list from the participant.
    void openHistory(int row, bool wholeClass = false)
    {
        m_shown.clickCell(row, ProtocolModel::Time1);
        QTest::keyClick(keys(), Qt::Key_H, Qt::ControlModifier);
        QTRY_VERIFY(history() && history()->isVisible());
        if (wholeClass)
            QTest::mouseClick(history()->findChild<QRadioButton *>(QStringLiteral("optClass")), Qt::LeftButton);
    }
    QStringList shownRow(int row) const
    {
        QStringList cells;
        for (int c = 0; c < rows()->model()->columnCount(); ++c)
            cells << rows()->model()->index(row, c).data().toString();
        return cells;
    }
    QStringList shownColumn(int column) const
    {
        QStringList cells;
        for (int r = 0; r < rows()->model()->rowCount(); ++r)
            cells << rows()->model()->index(r, column).data().toString();
        return cells;
    }
    void clickHistoryRow(std::int64_t id)
    {
        const QStringList ids = shownColumn(0);
        const int row = int(ids.indexOf(QString::number(id)));
        QVERIFY2(row >= 0, qPrintable(ids.join(',')));
        rows()->scrollTo(rows()->model()->index(row, 0));
        QTest::mouseClick(rows()->viewport(), Qt::LeftButton, {},
                          rows()->visualRect(rows()->model()->index(row, 2)).center());
    }

private slots:
    void init()
    {
        FakeCounter::install();
        QVERIFY(FreshFolders::withFirstClass({"Kim", "Lee"}));
    }
    void cleanup()
    {
        OperatorDialogs::clearQueues();
        if (m_shown.window && ui().runs->Running())
            QTest::keyClick(keys(), Qt::Key_F8);
        m_shown.close();
        setPerfCounter(systemPerfCounter());
    }

    // From the run cell's menu, for that participant only (Ctrl+H opens it in every other test);
    // the choice in the window widens the list to the class.
    void opensForTheParticipant_data()
    {
        QTest::addColumn<bool>("leeTimed");
        QTest::newRow("Lee timed") << true;
        QTest::newRow("Lee never timed") << false;
    }
    void opensForTheParticipant()
    {
        QFETCH(bool, leeTimed);
        m_shown.open();
        m_shown.timeRun(0, 11'000);
        if (leeTimed)
            m_shown.timeRun(1, 12'000);
        m_shown.chooseFromCellMenu(1, ProtocolModel::Time1, "actHistory");
        QTRY_VERIFY(history() && history()->isVisible());
        QVERIFY(history()->windowTitle().contains("Lee"));
        const QStringList people = shownColumn(2);
        if (!leeTimed) {
            QVERIFY(people.isEmpty());
            QCOMPARE(status(), QStringLiteral("The journal holds no change for this yet."));
            return;
        }
        // One line for the stop, none more for the time it wrote.
        QCOMPARE(shownColumn(3), (QStringList {"Stop of run 1", "Start of run 1"}));
        QCOMPARE(people.count("Lee"), people.size());

        QTest::mouseClick(history()->findChild<QRadioButton *>(QStringLiteral("optClass")), Qt::LeftButton);
        QVERIFY(shownColumn(2).contains("Kim"));
        // Newest first: Lee's stop came last.
        QCOMPARE(shownRow(0).mid(2, 2), (QStringList {"Lee", "Stop of run 1"}));
    }

    // Each way a result comes in, as its row reads: what, old -> new, source, reason. The window
    // is open and follows; a run is timed with F5/F8 typed into it.
    void listsHowAResultCameIn_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("timed run") << "timed" << QStringList {"Lee", "Stop of run 1", "00:12.34", "key", ""};
        QTest::newRow("typed count") << "typed" << QStringList {"Lee", "FP 1", "0 \u2192 3", "typed", ""};
        QTest::newRow("hand time") << "hand"
                                   << QStringList {"Lee", "Run 1", "00:00.00 \u2192 01:02.34", "by hand",
                                                   "barrier missed the finish"};
    }
    void listsHowAResultCameIn()
    {
        QFETCH(QString, how);
        QFETCH(QStringList, expected);
        m_shown.open();
        openHistory(1);
        if (how == "timed") {
            history()->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(history()));
            QTest::keyClick(history()->windowHandle(), Qt::Key_F5);
            FakeCounter::advanceMs(12'340);
            QTest::keyClick(history()->windowHandle(), Qt::Key_F8);
            QVERIFY(!ui().runs->Running() && history()->isVisible());
        } else if (how == "typed") {
            m_shown.clickCell(1, ProtocolModel::FP1);
            for (const Qt::Key key : {Qt::Key_F2, Qt::Key_3, Qt::Key_Return})
                QTest::keyClick(keys(), key);
        } else {
            enterHandTime(1, "01:02.34", "barrier missed the finish");
        }
        int row = -1;
        QTRY_VERIFY2((row = int(shownColumn(3).indexOf(expected.at(1)))) >= 0, qPrintable(shownColumn(3).join(',')));
        QCOMPARE(shownRow(row).mid(2), expected);
        QVERIFY(QDateTime::fromString(shownRow(row).at(1), "dd.MM. HH:mm:ss").isValid());
    }

    // Older rows come as the list scrolls, none lost or twice; the participant's rows include
    // those under the name it had before a rename.
    void olderRowsAndFormerNames()
    {
        constexpr int Older = 2'500;
        {
            Journal journal(dataFolder());
            QVERIFY(journal.lastEvent(1).ok());
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "fill");
            db.setDatabaseName(journal.path());
            QVERIFY(db.open());
            const QString insert("INSERT INTO events (at, class, entry, name, field, old, new, source) ");
            QVERIFY(QSqlQuery(db).exec(insert
                                       + QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n"
                                                        " WHERE i < %1) SELECT '2026-05-16T09:00:00.000Z', 1, 1,"
                                                        " 'Lee', 'fs1', i - 1, i, 'typed' FROM n")
                                             .arg(Older)));
            QVERIFY(QSqlQuery(db).exec(insert
                                       + "VALUES ('2026-05-16T09:00:00.000Z', 1, 0, 'Kimberly', 'fp1', 0, 1,"
                                         " 'typed'), ('2026-05-16T09:00:01.000Z', 1, 0, 'Kim', 'name',"
                                         " 'Kimberly', 'Kim', 'typed')"));
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase("fill");
        }
        m_shown.open();
        openHistory(0);
        QCOMPARE(shownColumn(2), (QStringList {"Kim", "Kimberly"}));

        QTest::mouseClick(history()->findChild<QRadioButton *>(QStringLiteral("optClass")), Qt::LeftButton);
        QTest::mouseClick(rows()->viewport(), Qt::LeftButton, {},
                          rows()->visualRect(rows()->model()->index(0, 2)).center());
        for (int before = -1; before != rows()->model()->rowCount();) {
            before = rows()->model()->rowCount();
            QTest::keyClick(rows(), Qt::Key_End, Qt::ControlModifier);
            QCoreApplication::processEvents();
        }
        const QStringList ids = shownColumn(0);
        QCOMPARE(ids.size(), Older + 3);
        for (int r = 0; r < ids.size(); ++r)
            QCOMPARE(ids.at(r).toInt(), Older + 3 - r);
    }

    // A timed run overwritten by a hand time comes back from its row, saved and journaled.
    void restoresAnOverwrittenTime()
    {
        m_shown.open();
        m_shown.timeRun(0, 12'340);
        enterHandTime(0, "00:15.00", "stopwatch of the official");
        const JournalEvent overwrite = lastRowOf(m_shown.journalRows(), "time1");
        m_shown.chooseFromCellMenu(0, ProtocolModel::Time1, "actHistory");
        QTRY_VERIFY(history() && history()->isVisible());
        clickHistoryRow(overwrite.id);
        QTest::mouseClick(history()->findChild<QPushButton *>(QStringLiteral("cmdRestore")), Qt::LeftButton);
        QCOMPARE(m_shown.classFile(1).wholeNumber(0, ListField::Time1), 12'340);
        const JournalEvent restore = lastRowOf(m_shown.journalRows(), "time1");
        QCOMPARE(restore.source, QStringLiteral("restore"));
        QCOMPARE(restore.note, QStringLiteral("Zeile %1").arg(overwrite.id));
        // The list follows: the restore is its newest row.
        QTRY_COMPARE(shownRow(0).at(5), QStringLiteral("restored"));
        // Taken back with Ctrl+Z and again with Ctrl+Y, typed in the history window.
        QVERIFY(QTest::qWaitForWindowActive(history()));
        QTest::keyClick(history()->windowHandle(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(m_shown.classFile(1).wholeNumber(0, ListField::Time1), 15'000);
        QTest::keyClick(history()->windowHandle(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(m_shown.classFile(1).wholeNumber(0, ListField::Time1), 12'340);
    }

    // What cannot be put back says why in the window's status line and changes nothing.
    void refusesWhatCannotBePutBack_data()
    {
        QTest::addColumn<QStringList>("row"); // field, name, old value
        QTest::addColumn<bool>("onCourse");
        QTest::addColumn<QString>("reason");
        QTest::newRow("a start") << QStringList {"start", "Kim", ""} << false << "Only the change of one field";
        QTest::newRow("participant gone") << QStringList {"time1", "Max", "5000"} << false << "Max is no longer";
        QTest::newRow("run on course") << QStringList {"time1", "Kim", "5000"} << true << "stop the run first";
        QTest::newRow("value is current") << QStringList {"fp1", "Kim", "0"} << false << "is 0 already";
    }
    void refusesWhatCannotBePutBack()
    {
        QFETCH(QStringList, row);
        QFETCH(bool, onCourse);
        QFETCH(QString, reason);
        {
            Journal journal(dataFolder());
            QVERIFY(journal.append({0, {}, {}, 1, 0, row[1], row[0], row[2], "1", "typed", {}}).ok());
        }
        m_shown.open();
        if (onCourse) {
            m_shown.clickCell(0, ProtocolModel::Time1);
            QTest::keyClick(keys(), Qt::Key_F5);
        }
        const QByteArray before = readBytes(ClassListPath(1));
        openHistory(0, true);
        clickHistoryRow(lastRowOf(m_shown.journalRows(), row[0]).id);
        QTest::mouseClick(history()->findChild<QPushButton *>(QStringLiteral("cmdRestore")), Qt::LeftButton);
        QVERIFY2(status().contains(reason), qPrintable(status()));
        QCOMPARE(readBytes(ClassListPath(1)), before);
        QCOMPARE(lastRowOf(m_shown.journalRows(), row[0]).source, QStringLiteral("typed"));
    }

    // The window opens beside the clock and the run buttons, drops its "nothing yet" once rows come,
    // and opens where the operator left it, also after a new start.
    void opensBesideTheClockAndKeepsItsPlace()
    {
        m_shown.open();
        openHistory(0);
        QCOMPARE(status(), QStringLiteral("The journal holds no change for this yet."));
        for (QWidget *control : std::initializer_list<QWidget *> {ui().Tablo, ui().cmdStart, ui().cmdStop}) {
            const QRect onScreen(control->mapToGlobal(QPoint(0, 0)), control->size());
            QVERIFY2(!history()->frameGeometry().intersects(onScreen), control->objectName().toLatin1());
        }
        m_shown.timeRun(0, 11'000);
        QTRY_COMPARE(status(), QString());

        // As the window manager moves it for the operator.
        history()->move(history()->pos() + QPoint(10, -30));
        const QRect left = history()->geometry();
        QTest::mouseClick(history()->findChild<QPushButton *>(QStringLiteral("cmdClose")), Qt::LeftButton);
        m_shown.close();
        m_shown.open();
        openHistory(0);
        QCOMPARE(history()->geometry(), left);
    }

    // The list on paper and as a PDF, with the class, the participant and the page count.
    void printsAndSavesAsPdf()
    {
        m_shown.open();
        m_shown.timeRun(1, 12'340);
        openHistory(1);
        QTest::mouseClick(history()->findChild<QPushButton *>(QStringLiteral("cmdPrint")), Qt::LeftButton);
        auto *preview = history()->findChild<QPrintPreviewDialog *>(QStringLiteral("HistoryPreview"));
        QTRY_VERIFY(preview && preview->isVisible());
        // The preview leaves the main window's keys alone.
        QVERIFY(!QApplication::activeModalWidget());
        auto *save = preview->findChild<QAction *>(QStringLiteral("actSavePdf"));
        QVERIFY(save);
        OperatorDialogs::queueFileName(dataFolder() + "history.pdf");
        QTest::mouseClick(preview->findChild<QToolBar *>()->widgetForAction(save), Qt::LeftButton);
        QString failure;
        const QStringList pages = ExportFiles::pdfPages(dataFolder() + "history.pdf", failure);
        QVERIFY2(failure.isEmpty() && !pages.isEmpty(), qPrintable(failure));
        for (const char *text : {"Verlauf", "Teilnehmer: Lee", "00:12.34", "Seite 1 von 1"})
            QVERIFY2(pages.front().contains(QLatin1String(text)), text);
        QVERIFY(!pages.front().contains("Kim"));
        preview->close();
    }
};

ZORVEXA_TEST_MAIN(TestHistoryWindow)
#include "test_history_window.moc"
