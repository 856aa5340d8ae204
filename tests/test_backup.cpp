#include "core/backup/BackupCopy.h"
#include "core/journal/Journal.h"
#include "core/journal/JournalRecorder.h"
#include "core/journal/Recovery.h"
#include "core/marks/RunMarks.h"
#include "core/settings/SettingKeys.h"
#include "core/settings/SettingsStore.h"
#include "core/startlist/ListFile.h"
#include "core/system/DataFolder.h"
#include "core/timing/RunControl.h"
#include "gui/backup/BackupWiring.h"
#include "gui/settings/Form_Config.h"
#include "support/FailingDisk.h"
#include "support/FakeCounter.h"
#include "support/FileSizeLimit.h"
#include "support/GuiTestMain.h"
#include "support/ListFiles.h"
#include "support/SettingsFile.h"
#include "support/ShownMainWindow.h"
#include "support/StartListSamples.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>

#include <condition_variable>
#include <mutex>

namespace {
QStringList rowsOf(const QString &folder)
{
    Journal journal(folder);
    QStringList rows;
    for (const JournalEvent &e : journal.events().value_or({}))
        rows << QStringLiteral("%1|%2|%3|%4|%5").arg(e.id).arg(e.field, e.oldValue, e.newValue, e.source);
    return rows;
}

// The damage a class file comes to between two sessions.
void damageClassFile(const QString &how)
{
    if (how == QLatin1String("missing")) {
        QFile::remove(ClassListPath(1));
        return;
    }
    QFile file(ClassListPath(1));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(QByteArray(ListFileTag) + "\r\n" + ListRecordTag + "\r\nKi"); // cut off in a record
}

// A stick that stops answering: a file begun on it waits until released, then fails.
class HangingStick final : public SaveSystem
{
public:
    void hang(const QString &folder)
    {
        const std::lock_guard lock(m_mutex);
        m_folder = QFile::encodeName(folder);
        m_released = false;
        SaveSystem::use(this);
    }
    void release()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_released = true;
        }
        m_wake.notify_all();
        SaveSystem::use(nullptr);
    }
    int createTemporary(QByteArray &name, int &fd) override
    {
        std::unique_lock lock(m_mutex);
        if (!name.startsWith(m_folder))
            return SaveSystem::createTemporary(name, fd);
        m_wake.wait(lock, [this] { return m_released; });
        return EIO;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    QByteArray m_folder;
    bool m_released = true;
};

QList<int> timesOf(const QString &path)
{
    StartList list;
    QList<int> times;
    if (ReadListFile(list, path, false).value_or(false)) {
        for (int i = 0; i < list.count(); ++i)
            times << list.wholeNumber(i, ListField::Time1);
    }
    return times;
}
} // namespace

// The second copy on a stick: the class files and the journal as they were saved, a folder that
// fails named in the warning line, and never a key or a save held up by it.
class TestBackup final : public QObject
{
    Q_OBJECT

    QString m_stick;
    SettingsStore m_settings;
    ShownMainWindow m_shown;

    static void journalSomeRows(Journal &journal, int count)
    {
        for (int i = 0; i < count; ++i)
            QVERIFY(journal.append({0, {}, {}, 1, i % 2, {}, "fp1", {}, QString::number(i), "key", {}}).ok());
    }
    BackupJob jobForClass1() const { return {m_stick, {ClassListPath(1), MarksPath(1)}, dataFolder()}; }

    // The configuration dialog opened with its button; the folder chosen with "..." and OK.
    void chooseBackupFolder(const QString &folder)
    {
        auto *config = m_shown.window->findChild<TfrmConfig *>();
        QVERIFY(config);
        QTimer::singleShot(0, config, [config, folder] {
            OperatorDialogs::queueFileName(folder);
            QTest::mouseClick(config->findChild<QPushButton *>(QStringLiteral("cmdBackupFolder")), Qt::LeftButton);
            QTest::mouseClick(config->findChild<QPushButton *>(QStringLiteral("cmdOK")), Qt::LeftButton);
        });
        QTest::mouseClick(m_shown.window->findChild<QWidget *>(QStringLiteral("cmdConfig")), Qt::LeftButton);
        QVERIFY(!config->isVisible());
    }
    bool copiesSettled()
    {
        // The copy is asked for once the key has been handled, and answers through the event loop.
        QCoreApplication::processEvents();
        auto *backup = m_shown.window->findChild<BackupWiring *>();
        const bool idle = backup && backup->copier().waitUntilIdle(10000);
        QCoreApplication::processEvents();
        return idle;
    }

private slots:
    void init()
    {
        QDir(programFolder()).removeRecursively();
        QDir().mkpath(programFolder());
        QFile::remove(settingsPath());
        resetDataFolder();
        FakeCounter::install();
        m_stick = programFolder() + QStringLiteral("stick");
        QVERIFY(WriteListFile(listOfNames({"Kim", "Team 7", "Ola"}), ClassListPath(1)).ok());
    }
    void cleanup()
    {
        m_shown.close();
        setPerfCounter(systemPerfCounter());
    }

    void goodCopyIsTheSavedState_data()
    {
        QTest::addColumn<bool>("withMarks");
        QTest::addColumn<bool>("copiedBefore");
        QTest::addColumn<bool>("staleLog");
        QTest::newRow("class file and journal") << false << false << false;
        QTest::newRow("with the marks file") << true << false << false;
        QTest::newRow("over an older copy") << true << true << false;
        // Another computer opened the old copy, and the stick was pulled before it closed it.
        QTest::newRow("over a copy left with a log") << false << true << true;
    }
    void goodCopyIsTheSavedState()
    {
        QFETCH(bool, withMarks);
        QFETCH(bool, copiedBefore);
        QFETCH(bool, staleLog);
        QVERIFY(QDir().mkpath(m_stick));
        if (withMarks) {
            QFile marks(MarksPath(1));
            QVERIFY(marks.open(QIODevice::WriteOnly) && marks.write("1\t2\tDNF\n") > 0);
        }
        {
            Journal journal(dataFolder());
            journalSomeRows(journal, 5);
            if (copiedBefore) {
                QVERIFY(copyToBackup(jobForClass1(), journal).ok());
                // The old copy is opened as a reader would, then replaced.
                QVERIFY(!rowsOf(m_stick).isEmpty());
                QVERIFY(WriteListFile(listOfNames({"Kim", "Ola"}), ClassListPath(1)).ok());
                journalSomeRows(journal, 3);
            }
            if (staleLog) {
                const QString other = programFolder() + QStringLiteral("other/");
                QVERIFY(QDir().mkpath(other));
                Journal opened(other);
                journalSomeRows(opened, 7);
                QVERIFY(QFile::copy(other + "journal.sqlite-wal", m_stick + "/journal.sqlite-wal"));
            }
            QVERIFY(copyToBackup(jobForClass1(), journal).ok());
        }
        QCOMPARE(readBytes(m_stick + "/List01.dat"), readBytes(ClassListPath(1)));
        QCOMPARE(QFile::exists(m_stick + "/List01.marks"), withMarks);
        if (withMarks)
            QCOMPARE(readBytes(m_stick + "/List01.marks"), readBytes(MarksPath(1)));
        QCOMPARE(rowsOf(m_stick), rowsOf(dataFolder()));
        // Nothing half-written stays on the stick.
        QCOMPARE(QDir(m_stick).entryList(QDir::Files).filter(QStringLiteral("zvx-")), QStringList());
    }

    // A folder that takes no copy says why; the copy made before it stays whole.
    void folderFaults_data()
    {
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << "does not exist";
        QTest::newRow("file") << "is not a folder";
        QTest::newRow("read-only") << "";
        QTest::newRow("full") << "";
        QTest::newRow("data") << "is the data folder";
        QTest::newRow("data through a link") << "is the data folder";
        QTest::newRow("mount point without its stick") << "stick missing";
    }
    void folderFaults()
    {
        const QLatin1String fault(QTest::currentDataTag());
        QFETCH(QString, reason);
        Journal journal(dataFolder());
        journalSomeRows(journal, 4);
        BackupJob job = jobForClass1();
        QByteArray copiedBefore;
        if (fault == "file") {
            QFile file(m_stick);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("x") == 1);
        } else if (fault == "read-only" || fault == "full") {
            QVERIFY(QDir().mkpath(m_stick));
            QVERIFY(copyToBackup(job, journal).ok());
            copiedBefore = readBytes(m_stick + "/journal.sqlite");
            journalSomeRows(journal, 40);
        } else if (fault == "data") {
            job.folder = dataFolder();
        } else if (fault == "data through a link") {
            job.folder = programFolder() + QStringLiteral("link");
            QVERIFY(QFile::link(QDir(dataFolder()).absolutePath(), job.folder));
        } else if (fault == "mount point without its stick") {
            QVERIFY(QDir().mkpath(m_stick));
            QVERIFY(!isMountPoint(m_stick) && isMountPoint(QStringLiteral("/")));
            job.mountPoint = true;
        }
        const QByteArray journalBefore = readBytes(dataFolder() + "journal.sqlite");

        std::optional<FailingDisk> closed;
        std::optional<FileSizeLimit> limit;
        if (fault == "read-only")
            closed.emplace(QString(), 0, true);
        else if (fault == "full") // room for the class file, not for the journal's pages
            limit.emplace(rlim_t(QFileInfo(ClassListPath(1)).size() + 16));
        const FileResult copied = copyToBackup(job, journal);
        closed.reset();
        limit.reset();

        QVERIFY(!copied.ok());
        QVERIFY2(copied.error().message().contains(reason), qPrintable(copied.error().message()));
        if (fault == "mount point without its stick")
            QCOMPARE(QDir(m_stick).entryList(QDir::Files | QDir::Hidden), QStringList());
        if (!copiedBefore.isEmpty()) {
            QCOMPARE(readBytes(m_stick + "/journal.sqlite"), copiedBefore);
            QCOMPARE(QDir(m_stick).entryList(QDir::Files).filter(QStringLiteral("zvx-")), QStringList());
        }
        // The journal the program writes is never touched by a copy that failed.
        QCOMPARE(readBytes(dataFolder() + "journal.sqlite"), journalBefore);
        QVERIFY(journal.append(JournalEvent {0, {}, {}, 1, {}, {}, "fp2", {}, "1", "key", {}}).ok());
    }

    // A lost class file is rebuilt from the bytes the journal kept at the last save and the rows
    // after them; what cannot be replayed is left out, never guessed.
    void rebuildFromTheJournal_data()
    {
        QTest::addColumn<bool>("entryAddedAfter");
        QTest::addColumn<QList<int>>("times");
        QTest::newRow("file missing") << false << QList<int> {61230, 0, 45000};
        QTest::newRow("list changed as a whole after") << true << QList<int> {61230, 0, 0};
    }
    void rebuildFromTheJournal()
    {
        QFETCH(bool, entryAddedAfter);
        QFETCH(QList<int>, times);
        {
            ClassStore store;
            QVERIFY(store.LoadCurrentClass().ok());
            RunControl runs;
            JournalRecorder recorder(store, runs, dataFolder());
            QVERIFY(store.writeResult(0, {{ListField::Time1, 50000}}, ChangeSource::Key).ok());
            QVERIFY(store.writeResult(0, {{ListField::Time1, 61230}}, ChangeSource::Hand).ok());
            if (entryAddedAfter)
                store.addEntry(ChangeSource::Typed);
            // Journaled, then the program ended before the file was saved.
            QVERIFY(store.writeNumberField(2, ListField::Time1, 45000, ChangeSource::Typed));
        }
        QVERIFY(QFile::remove(ClassListPath(1)));
        Journal journal(dataFolder());
        const Result<int> rebuilt = rebuildClassFile(journal, 1, ClassListPath(1));
        QVERIFY2(rebuilt.ok(), qPrintable(rebuilt ? QString() : rebuilt.error().message()));
        QCOMPARE(rebuilt.value(), entryAddedAfter ? 0 : 1);
        QCOMPARE(timesOf(ClassListPath(1)), times);
        const JournalEvent last = journal.lastEvent(1).value().value();
        QCOMPARE(last.field + "|" + last.source + "|" + last.newValue, QStringLiteral("file rebuilt|restore|3"));
    }

    // Through the window: the class file of the last session is gone or damaged; the question
    // offers the rebuild, and only Yes writes anything.
    void rebuildOnRequest_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<bool>("yes");
        QTest::newRow("missing, rebuilt") << "missing" << true;
        QTest::newRow("damaged, rebuilt") << "cut off" << true;
        QTest::newRow("damaged, declined") << "cut off" << false;
    }
    void rebuildOnRequest()
    {
        QFETCH(QString, damage);
        QFETCH(bool, yes);
        const auto openMain
            = [this] { m_shown.open([](ClassStore &store, TfrmMain &) { (void)store.LoadCurrentClass(); }); };
        openMain();
        m_shown.timeRun(0, 61'230);
        m_shown.timeRun(2, 45'000);
        m_shown.close();
        damageClassFile(damage);
        const QByteArray damaged = readBytes(ClassListPath(1));
        OperatorDialogs::takeShownMessages();

        OperatorDialogs::queueAnswer(yes);
        openMain();
        const MainWindowControls &ui = *m_shown.controls;
        QStringList shown;
        QTRY_VERIFY(
            (shown << OperatorDialogs::takeShownMessages()).join('\n').contains("Restore it from the journal?"));
        if (yes) {
            QCOMPARE(timesOf(ClassListPath(1)), (QList<int> {61230, 0, 45000}));
            QCOMPARE(ui.model->cell(2, ProtocolModel::Time1), 45'000);
            QVERIFY(ui.lblSaveWarning->text().contains(QStringLiteral("class 1: file rebuilt")));
        } else {
            QCOMPARE(readBytes(ClassListPath(1)), damaged);
            QVERIFY(!ui.lblSaveWarning->text().contains(QStringLiteral("file rebuilt")));
        }
    }

    // Through the window: the folder chosen in the configuration dialog gets a copy after each
    // timed run; a folder that fails shows in the warning line until the next good copy.
    void copiesFollowTheRuns_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("good folder") << "";
        QTest::newRow("stick not plugged in") << "missing";
        QTest::newRow("stick unmounted since the last session") << "unmounted";
    }
    void copiesFollowTheRuns()
    {
        QFETCH(QString, fault);
        // Another class of the event, not touched in this session.
        QVERIFY(WriteListFile(listOfNames({"Lou"}), ClassListPath(2)).ok());
        QVERIFY(writeMarksFile({}, MarksPath(2)).ok());
        if (fault != "missing")
            QVERIFY(QDir().mkpath(m_stick));
        if (fault == "unmounted") {
            QVERIFY(m_settings.write(Setting::BackupFolder, m_stick).ok());
            QVERIFY(m_settings.write(Setting::BackupMountPoint, true).ok());
        }
        m_shown.open([this](ClassStore &store, TfrmMain &window) {
            QVERIFY(store.LoadCurrentClass().ok());
            window.setConfigDialog(new TfrmConfig(m_settings, &window));
        });
        const MainWindowControls &ui = *m_shown.controls;
        if (fault == "unmounted") {
            // The empty folder the internal disk shows in the stick's place gets nothing.
            m_shown.timeRun(0, 61'230);
            QVERIFY(copiesSettled());
            QCOMPARE(ui.lblSaveWarning->text(), QStringLiteral("NO BACKUP COPY: stick missing"));
            QCOMPARE(QDir(m_stick).entryList(QDir::Files | QDir::Hidden), QStringList());
            return;
        }
        chooseBackupFolder(m_stick);
        QCOMPARE(SettingsStore().read(Setting::BackupFolder).value_or(QString()), m_stick);

        m_shown.timeRun(0, 61'230);
        // The keys are free at once, whatever the stick does.
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(copiesSettled());
        const QString warning = ui.lblSaveWarning->text();
        if (fault.isEmpty()) {
            QVERIFY(ui.lblSaveWarning->isHidden());
        } else {
            QVERIFY(ui.lblSaveWarning->isVisible());
            QVERIFY2(warning.contains(QStringLiteral("NO BACKUP COPY: stick")), qPrintable(warning));
            QVERIFY(ui.lblSaveWarning->toolTip().contains(QDir::toNativeSeparators(m_stick)));
            // The data folder has the run all the same.
            QCOMPARE(timesOf(ClassListPath(1)).value(0), 61'230);
            QVERIFY(QDir().mkpath(m_stick));
        }

        m_shown.timeRun(1, 48'100);
        QVERIFY(copiesSettled());
        QVERIFY(ui.lblSaveWarning->isHidden());
        QCOMPARE(readBytes(m_stick + "/List01.dat"), readBytes(ClassListPath(1)));
        QCOMPARE(rowsOf(m_stick), rowsOf(dataFolder()));
        // A folder set or come back gets the whole event, not only the class saved.
        QTRY_VERIFY(QFile::exists(m_stick + "/List02.marks"));
        QCOMPARE(readBytes(m_stick + "/List02.dat"), readBytes(ClassListPath(2)));

        // The program ends: its dialogs go first, then the window saves the class once more.
        QFile::remove(m_stick + "/List01.dat");
        delete m_shown.window->findChild<TfrmConfig *>();
        m_shown.window->closeWithoutQuestions();
        m_shown.close();
        OperatorDialogs::setEnding(false);
        QCOMPARE(readBytes(m_stick + "/List01.dat"), readBytes(ClassListPath(1)));
    }

    // Files asked for while a copy runs go together in the next copy, to the folder asked for last.
    void waitingCopiesGoToTheLastFolder()
    {
        static HangingStick stick;
        const QString last = programFolder() + QStringLiteral("other");
        QVERIFY(QDir().mkpath(m_stick) && QDir().mkpath(last));
        QVERIFY(WriteListFile(listOfNames({"Lou"}), ClassListPath(2)).ok());
        BackupCopier copier;
        stick.hang(m_stick);
        copier.request(jobForClass1());
        QTRY_VERIFY(copier.runningFor());
        copier.request(jobForClass1());
        copier.request({last, {ClassListPath(2)}, dataFolder()});
        stick.release();
        QVERIFY(copier.waitUntilIdle(10000));
        QCOMPARE(readBytes(last + "/List01.dat"), readBytes(ClassListPath(1)));
        QCOMPARE(readBytes(last + "/List02.dat"), readBytes(ClassListPath(2)));
    }

    // A stick that hangs in the middle of a copy is named within 10 s, and the program still
    // ends within 5 s.
    void hangingStick()
    {
        static HangingStick stick;
        QVERIFY(QDir().mkpath(m_stick));
        m_shown.open([this](ClassStore &store, TfrmMain &window) {
            QVERIFY(store.LoadCurrentClass().ok());
            window.setConfigDialog(new TfrmConfig(m_settings, &window));
        });
        stick.hang(m_stick);
        chooseBackupFolder(m_stick);
        QElapsedTimer clock;
        clock.start();
        m_shown.timeRun(0, 61'230);
        const MainWindowControls &ui = *m_shown.controls;
        QTRY_VERIFY_WITH_TIMEOUT(ui.lblSaveWarning->text().contains("does not answer"), 10000);
        QVERIFY2(clock.elapsed() <= 10000, qPrintable(QString::number(clock.elapsed())));
        // Keys and saves go on meanwhile.
        m_shown.timeRun(1, 48'100);
        QCOMPARE(timesOf(ClassListPath(1)).value(1), 48'100);

        delete m_shown.window->findChild<TfrmConfig *>();
        m_shown.window->closeWithoutQuestions();
        clock.restart();
        m_shown.close();
        OperatorDialogs::setEnding(false);
        QVERIFY2(clock.elapsed() < BackupCopier::MaxEndingWaitMs + 1000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(BackupCopier::copyAbandoned());
        // The copy left behind fails now, and its thread ends before the test program does.
        stick.release();
        QTest::qWait(200);
    }
};

ZORVEXA_TEST_MAIN(TestBackup)
#include "test_backup.moc"
