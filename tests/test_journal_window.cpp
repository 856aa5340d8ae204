#include "core/journal/Journal.h"
#include "core/startlist/ListFile.h"
#include "core/system/DataFolder.h"
#include "core/system/DiskQueue.h"
#include "gui/timing/ProgramWindows.h"
#include "support/FakeCounter.h"
#include "support/FreshFolders.h"
#include "support/GuiTestMain.h"
#include "support/JournalRows.h"
#include "support/ListFiles.h"
#include "support/MenuClicks.h"
#include "support/MockClock.h"
#include "support/ShownMainWindow.h"
#include "support/StartListSamples.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QSemaphore>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTimer>
#include <QWindow>

// The journal as the operator meets it in the main window: Ctrl+Z and Ctrl+Y, the warning line.
class TestJournalWindow final : public QObject
{
    Q_OBJECT

    ShownMainWindow m_shown;
    // The dialogs belong to the window and go before it.
    std::unique_ptr<ProgramWindows> m_windows;

    const MainWindowControls &ui() const { return *m_shown.controls; }
    QWindow *keys() const { return m_shown.keys(); }
    void press(Qt::Key key) const { QTest::keyClick(keys(), key, Qt::ControlModifier); }

private slots:
    void init()
    {
        FakeCounter::install();
        QVERIFY(FreshFolders::withFirstClass({"Kim", "Lee"}));
    }
    // The program ended with a run on course: the next start names it once and offers its time
    // by hand.
    void runOnCourseAtTheEndIsNamed()
    {
        {
            Journal journal(dataFolder());
            JournalEvent start;
            start.classIndex = 1;
            start.entry = 1;
            start.name = QStringLiteral("Lee");
            start.field = QStringLiteral("start");
            start.newValue = QStringLiteral("2");
            start.source = QStringLiteral("key");
            QVERIFY(journal.append(start).ok());
        }
        OperatorDialogs::queueAnswer(true);
        QTimer typing;
        connect(&typing, &QTimer::timeout, this, [&typing] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (!dialog || dialog->objectName() != QLatin1String("HandTimeDialog"))
                return;
            typing.stop();
            QTest::keyClicks(dialog->findChild<QWidget *>(QStringLiteral("edtHandTime")), QStringLiteral("00:48.10"));
            QTest::keyClicks(dialog->findChild<QWidget *>(QStringLiteral("edtHandReason")), QStringLiteral("Stoppuhr"));
            QTest::keyClick(dialog->findChild<QWidget *>(QStringLiteral("edtHandReason")), Qt::Key_Return);
        });
        typing.start(50);
        m_shown.open([](ClassStore &store, TfrmMain &) { QVERIFY(store.LoadCurrentClass().ok()); });
        QTRY_COMPARE(m_shown.classFile(1).wholeNumber(1, ListField::Time2), 48'100);
        QVERIFY2(ui().lblSaveWarning->text().contains("Run 2 of Lee was on course"),
                 qPrintable(ui().lblSaveWarning->text()));
        QVERIFY(OperatorDialogs::takeShownMessages().join('\n').contains("Enter the time from a stopwatch now?"));

        m_shown.close();
        m_shown.open([](ClassStore &store, TfrmMain &) { QVERIFY(store.LoadCurrentClass().ok()); });
        QVERIFY(!ui().lblSaveWarning->text().contains("on course"));
        QVERIFY(OperatorDialogs::takeShownMessages().isEmpty());
    }

    void cleanup()
    {
        OperatorDialogs::clearQueues();
        m_windows.reset();
        m_shown.close();
        setPerfCounter(systemPerfCounter());
    }

    // Ctrl+Z takes a stop back to the byte; Ctrl+Y brings it again; both are journal rows.
    void undoOfAStopRestoresTheFile()
    {
        m_shown.open();
        const QByteArray before = readBytes(ClassListPath(1));
        m_shown.timeRun(0, 12'340);
        QCOMPARE(m_shown.classFile(1).wholeNumber(0, ListField::Time1), 12'340);

        press(Qt::Key_Z);
        QCOMPARE(readBytes(ClassListPath(1)), before);
        QCOMPARE(ui().model->cell(0, ProtocolModel::Time1), 0);
        press(Qt::Key_Y);
        QCOMPARE(m_shown.classFile(1).wholeNumber(0, ListField::Time1), 12'340);
        QCOMPARE(sourcesOf(m_shown.journalRows(), "time1"), (QStringList {"key", "undo", "redo"}));

        // While Lee is on course, Ctrl+Z takes back Kim's time and leaves Lee's clock alone.
        m_shown.clickCell(1, ProtocolModel::Time1);
        QTest::keyClick(keys(), Qt::Key_F5);
        FakeCounter::advanceMs(5'000);
        press(Qt::Key_Z);
        QVERIFY(ui().runs->Running());
        QCOMPARE(m_shown.classFile(1).wholeNumber(0, ListField::Time1), 0);
        QTRY_COMPARE(ui().model->cell(1, ProtocolModel::Time1), 5'000);
        QTest::keyClick(keys(), Qt::Key_F8);
        QCOMPARE(m_shown.classFile(1).wholeNumber(1, ListField::Time1), 5'000);
    }

    // The official's stopwatch time from the run cell's context menu: refused without a reason.
    void handTimeFromTheContextMenu()
    {
        m_shown.open();
        QString refusedWithoutReason;
        m_shown.chooseFromCellMenu(1, ProtocolModel::Time1, "actHandTime", [&] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            const std::unique_ptr<QDialog, void (*)(QDialog *)> closing(dialog, [](QDialog *d) {
                if (d->isVisible())
                    d->reject();
            });
            QTest::keyClicks(dialog->focusWidget(), QStringLiteral("01:02.34"));
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
            refusedWithoutReason = dialog->isVisible() ? QStringLiteral("still open") : QString();
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Tab);
            QTest::keyClicks(dialog->focusWidget(), QStringLiteral("barrier missed the finish"));
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
        });
        QCOMPARE(refusedWithoutReason, QStringLiteral("still open"));
        QCOMPARE(m_shown.classFile(1).wholeNumber(1, ListField::Time1), 62'340);
    }

    // The start list editor's Edit menu takes back a name typed over another.
    void editorUndoesATypedName()
    {
        m_shown.open([this](ClassStore &, TfrmMain &window) { m_windows = std::make_unique<ProgramWindows>(window); });
        TfrmStartList *editor = &m_windows->startListEditor();
        QString nameAfterTyping;
        QTimer::singleShot(50, editor, [&] {
            // Whatever fails below, the editor closes and the test goes on.
            const std::unique_ptr<TfrmStartList, void (*)(TfrmStartList *)> closing(
                editor, [](TfrmStartList *e) { e->close(); });
            auto *grid = editor->findChild<QTableView *>(QStringLiteral("Grid"));
            const QModelIndex name = grid->model()->index(0, int(ListField::Name));
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(name).center());
            auto *cell = grid->findChild<QLineEdit *>();
            QVERIFY(cell && cell->isVisible());
            QTest::keyClick(cell, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(cell, QStringLiteral("Lars"));
            QTest::keyClick(cell, Qt::Key_Return);
            QTRY_COMPARE(m_shown.store->readTextField(0, ListField::Name), QStringLiteral("Lars"));
            nameAfterTyping = m_shown.store->readTextField(0, ListField::Name);
            chooseFromMenu(editor, "mnuUndo");
        });
        QTest::mouseClick(ui().cmdStartlist, Qt::LeftButton);
        QCOMPARE(nameAfterTyping, QStringLiteral("Lars"));
        QCOMPARE(m_shown.classFile(1).text(0, ListField::Name), QStringLiteral("Kim"));
        QCOMPARE(sourcesOf(m_shown.journalRows(), "name"), (QStringList {"editor", "undo"}));
    }

    // RESET during a run keeps the time, and the warning line says whose and how to remove it.
    void resetDuringARunIsExplained()
    {
        m_shown.open();
        m_shown.timeRun(1, 7'770, Qt::Key_F9);
        QCOMPARE(m_shown.classFile(1).wholeNumber(1, ListField::Time1), 7'770);
        QVERIFY(ui().lblSaveWarning->isVisible());
        const QString line = ui().lblSaveWarning->text();
        QVERIFY2(line.contains("RESET") && line.contains("Lee") && line.contains("00:07.77") && line.contains("Ctrl+Z"),
                 qPrintable(line));
        QCOMPARE(sourcesOf(m_shown.journalRows(), "time1"), QStringList {"reset"});
        press(Qt::Key_Z);
        QCOMPARE(m_shown.classFile(1).wholeNumber(1, ListField::Time1), 0);
        QVERIFY(ui().lblSaveWarning->isHidden());
        // Removed the other way the line names: Ctrl+click on the cell.
        m_shown.timeRun(0, 1'000, Qt::Key_F9);
        QVERIFY(ui().lblSaveWarning->isVisible());
        OperatorDialogs::queueAnswer(true);
        const QModelIndex time = ui().model->index(0, ProtocolModel::Time1);
        QTest::mouseClick(ui().Grid->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          ui().Grid->visualRect(time).center());
        QCOMPARE(m_shown.classFile(1).wholeNumber(0, ListField::Time1), 0);
        QVERIFY(ui().lblSaveWarning->isHidden());
        // The cleared run comes back whole with one Ctrl+Z.
        press(Qt::Key_Z);
        QCOMPARE(m_shown.classFile(1).wholeNumber(0, ListField::Time1), 1'000);
    }

    // A journal that cannot be written shows in the warning line; the stop is saved all the same,
    // and the rows go in once the journal can be written again.
    void brokenJournalKeepsTiming()
    {
        QVERIFY(QDir().mkpath(dataFolder() + Journal::FileName));
        m_shown.open();
        m_shown.timeRun(0, 9'990);
        QCOMPARE(m_shown.classFile(1).wholeNumber(0, ListField::Time1), 9'990);
        QVERIFY(ui().lblSaveWarning->isVisible());
        QVERIFY2(ui().lblSaveWarning->text().contains("JOURNAL"), qPrintable(ui().lblSaveWarning->text()));

        QVERIFY(QDir().rmdir(dataFolder() + Journal::FileName));
        m_shown.timeRun(1, 8'880);
        QVERIFY(ui().lblSaveWarning->isHidden());
        QCOMPARE(sourcesOf(m_shown.journalRows(), "time1"), (QStringList {"key", "key"}));
    }

    // Another program holding the journal's write lock holds no key: the run is timed and saved
    // at once, and its rows go in when the lock is gone, without a further change.
    void lockedJournalDelaysNoKey()
    {
        m_shown.open();
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "locker");
            db.setDatabaseName(dataFolder() + Journal::FileName);
            QVERIFY(db.open());
            QSqlQuery lock(db);
            QVERIFY(lock.exec("BEGIN EXCLUSIVE"));
            QElapsedTimer handled;
            handled.start();
            m_shown.timeRun(0, 9'990);
            QVERIFY2(handled.elapsed() < 1'000, qPrintable(QString::number(handled.elapsed())));
            QCOMPARE(m_shown.classFile(1).wholeNumber(0, ListField::Time1), 9'990);
            QVERIFY(ui().lblSaveWarning->text().contains("JOURNAL"));
            QVERIFY(lock.exec("ROLLBACK"));
        }
        QSqlDatabase::removeDatabase("locker");
        QTRY_COMPARE_WITH_TIMEOUT(sourcesOf(m_shown.journalRows(), "time1"), QStringList {"key"}, 5'000);
        QTRY_VERIFY(ui().lblSaveWarning->isHidden());
    }

    // A disk that does not answer (a stick being pulled, a sync that hangs) holds no key: the stop
    // is taken, timed and shown while the write waits, and the file and journal get it after.
    void heldDiskDelaysNoKey_data()
    {
        QTest::addColumn<bool>("byMouse");
        QTest::newRow("F8") << false;
        QTest::newRow("STOPP clicked") << true;
    }
    void heldDiskDelaysNoKey()
    {
        QFETCH(bool, byMouse);
        const QDateTime pressed(QDate(2026, 6, 13), QTime(14, 2, 11));
        MockClock clock(pressed);
        m_shown.open();
        QSemaphore release;
        // Let go after a while all the same, so a key that waits for the disk fails rather than hangs.
        DiskQueue::post(&m_shown.session->disk(), [&release] { release.tryAcquire(1, 3000); });

        QElapsedTimer handled;
        handled.start();
        m_shown.clickCell(1, ProtocolModel::Time1);
        QTest::keyClick(keys(), Qt::Key_F5);
        FakeCounter::advanceMs(47'110);
        if (byMouse)
            QTest::mouseClick(ui().cmdStop, Qt::LeftButton);
        else
            QTest::keyClick(keys(), Qt::Key_F8);
        QVERIFY2(handled.elapsed() < 500, qPrintable(QString::number(handled.elapsed())));
        QVERIFY(!ui().runs->Running());
        QCOMPARE(ui().model->cell(1, ProtocolModel::Time1), 47'110);
        QCOMPARE(readClassFile(1).wholeNumber(1, ListField::Time1), 0);
        QVERIFY(ui().lblSaveWarning->isHidden());

        clock.advanceSecs(300);
        release.release();
        QCOMPARE(m_shown.classFile(1).wholeNumber(1, ListField::Time1), 47'110);
        const QList<JournalEvent> rows = m_shown.journalRows();
        QCOMPARE(sourcesOf(rows, "time1"), QStringList {byMouse ? "button" : "key"});
        // The row carries the moment of the stop, not the moment the disk took it.
        const auto stop
            = std::find_if(rows.begin(), rows.end(), [](const JournalEvent &e) { return e.field == "time1"; });
        QCOMPARE(stop->at, pressed);
        QVERIFY(ui().lblSaveWarning->isHidden());
    }

    // The program ended between the journal and the class file: the next start puts the value
    // back and says so.
    void startRestoresWhatTheFileMissed()
    {
        {
            Journal journal(dataFolder());
            QVERIFY(journal.noteClassFile(1, ClassListPath(1)).ok());
            JournalEvent stop;
            stop.classIndex = 1;
            stop.entry = 1;
            stop.name = "Lee";
            stop.field = "time1";
            stop.oldValue = "0";
            stop.newValue = "31415";
            stop.source = "key";
            QVERIFY(journal.append(stop).ok());
        }
        m_shown.open();
        QCOMPARE(m_shown.classFile(1).wholeNumber(1, ListField::Time1), 31'415);
        QCOMPARE(ui().model->cell(1, ProtocolModel::Time1), 31'415);
        QVERIFY2(ui().lblSaveWarning->text().contains("class 1: 1 value"), qPrintable(ui().lblSaveWarning->text()));
        QCOMPARE(sourcesOf(m_shown.journalRows(), "time1"), (QStringList {"key", "restore"}));
    }
};

ZORVEXA_TEST_MAIN(TestJournalWindow)
#include "test_journal_window.moc"
