#include "core/journal/HistoryModel.h"
#include "core/journal/Journal.h"
#include "core/journal/JournalRecorder.h"
#include "core/journal/Recovery.h"
#include "core/marks/HandTime.h"
#include "core/protocol/ResultsProtocol.h"
#include "core/startlist/ClassStore.h"
#include "core/system/DataFolder.h"
#include "core/system/ProgramFolder.h"
#include "core/timing/RunControl.h"
#include "core/undo/UndoHistory.h"
#include "support/FakeCounter.h"
#include "support/FileSizeLimit.h"
#include "support/JournalRows.h"
#include "support/ListFiles.h"
#include "support/MockClock.h"
#include "support/StartListSamples.h"
#include "support/TestEnvironment.h"

#include <QSqlDatabase>
#include <QSqlQuery>

// The event journal: every change one row, written before anything else happens, and never in
// the way of the timing; undo and redo on the same changes.
class TestJournal final : public QObject
{
    Q_OBJECT

    // Each row as field, old, new, source.
    static QList<QStringList> rowsOf(Journal &journal, int classIndex = 0)
    {
        const Result<QList<JournalEvent>> events = journal.events(classIndex);
        if (!events)
            qWarning("%s", qPrintable(events.error().message()));
        return rowTexts(events.value_or({}));
    }
    static JournalEvent row(int classIndex, const QString &field)
    {
        JournalEvent e;
        e.classIndex = classIndex;
        e.field = field;
        e.source = QStringLiteral("key");
        return e;
    }
    static QString journalPath() { return dataFolder() + QLatin1String(Journal::FileName); }

private slots:
    void init()
    {
        QDir(programFolder()).removeRecursively();
        QDir().mkpath(programFolder());
        resetDataFolder();
        FakeCounter::install();
        QVERIFY(WriteListFile(listOfNames({"Kim", "Lee"}), ClassListPath(1)).ok());
    }
    void cleanupTestCase() { setPerfCounter(systemPerfCounter()); }

    // A row without a time of its own is stamped in UTC by the program's clock, whatever the
    // local offset of the day.
    void rowsAreStampedByTheClock_data()
    {
        QTest::addColumn<QDateTime>("local");
        QTest::newRow("winter") << QDateTime(QDate(2026, 1, 17), QTime(9, 30));
        QTest::newRow("summer") << QDateTime(QDate(2026, 7, 4), QTime(14, 5, 9));
        QTest::newRow("last second of the year") << QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59));
        QTest::newRow("leap day") << QDateTime(QDate(2028, 2, 29), QTime(0, 0, 1));
    }
    void rowsAreStampedByTheClock()
    {
        QFETCH(QDateTime, local);
        const MockClock clock(local);
        Journal journal(dataFolder());
        QVERIFY(journal.append(row(1, "fp1")).ok());
        const JournalEvent stamped = journal.lastEvent(1).value().value();
        QCOMPARE(stamped.at, local.toUTC());
        QCOMPARE(stamped.at.toLocalTime(), local);
    }

    // A journal file that is not the one this folder last wrote is put aside, said, and a new
    // journal begun; the one last written goes on.
    void foreignJournalIsPutAside_data()
    {
        QTest::addColumn<QString>("found");
        QTest::addColumn<QString>("why");
        QTest::newRow("the one last written") << "same"
                                              << "";
        QTest::newRow("written before the state file") << "no state"
                                                       << "";
        QTest::newRow("an older copy put back") << "older copy"
                                                << "3 rows where 8 were written";
        QTest::newRow("another database's log beside it") << "foreign log"
                                                          << "another journal";
        QTest::newRow("another journal copied over it") << "other journal"
                                                        << "another journal";
        QTest::newRow("its log without it") << "log alone"
                                            << "log is there";
    }
    void foreignJournalIsPutAside()
    {
        QFETCH(QString, found);
        QFETCH(QString, why);
        const MockClock clock(QDateTime(QDate(2026, 12, 31), QTime(23, 59, 58)));
        const QString other = programFolder() + QStringLiteral("other/");
        QVERIFY(QDir().mkpath(other));
        const QString olderCopy = programFolder() + QStringLiteral("older.sqlite");
        {
            Journal journal(dataFolder());
            for (int i = 0; i < 8; ++i) {
                QVERIFY(journal.append(row(1, "fp1")).ok());
                if (i == 2)
                    QVERIFY(journal.backUpTo(olderCopy).ok());
            }
        }
        if (found == "foreign log" || found == "other journal" || found == "log alone") {
            Journal foreign(other);
            for (int i = 0; i < 4; ++i)
                QVERIFY(foreign.append(row(2, "fp2")).ok());
            // Copied while it is open, so its log is still there to copy.
            if (found == "other journal")
                QVERIFY(foreign.backUpTo(other + "copy.sqlite").ok());
            else
                QVERIFY(QFile::copy(other + "journal.sqlite-wal", journalPath() + "-wal"));
        }
        if (found == "no state")
            QVERIFY(QFile::remove(dataFolder() + Journal::StateFileName));
        if (found == "older copy" || found == "other journal") {
            QVERIFY(QFile::remove(journalPath()));
            QVERIFY(QFile::copy(found == "older copy" ? olderCopy : other + "copy.sqlite", journalPath()));
        }
        if (found == "log alone")
            QVERIFY(QFile::remove(journalPath()));

        Journal journal(dataFolder());
        const QString warning = journal.checkIdentity();
        QVERIFY2(why.isEmpty() ? warning.isEmpty() : warning.contains(why), qPrintable(warning));
        const QStringList aside = QDir(dataFolder()).entryList({"journal-*.sqlite*"});
        QCOMPARE(aside.isEmpty(), why.isEmpty());
        if (!why.isEmpty())
            for (const QString &name : aside)
                QVERIFY2(name.startsWith(QStringLiteral("journal-20261231-235958.sqlite")), qPrintable(name));
        QCOMPARE(rowsOf(journal).size(), why.isEmpty() ? 8 : 0);
        QVERIFY(journal.append(row(1, "fp1")).ok());
        // What was put aside is whole, and the new journal passes the next start.
        if (found == "older copy") {
            const QString check = programFolder() + QStringLiteral("check/");
            QVERIFY(QDir().mkpath(check) && QFile::copy(dataFolder() + aside.first(), check + Journal::FileName));
            Journal kept(check);
            QCOMPARE(kept.events().value_or({}).size(), 3);
        }
        QCOMPARE(Journal(dataFolder()).checkIdentity(), QString());
    }

    // A row as "field|old|new|source|clock|entry" of Kim's, for what a journal holds; empty
    // parts are NULL, source "key" and entry 0 when left out, "-" for no entry.
    static JournalEvent described(const QString &text)
    {
        const QStringList part = text.split('|');
        JournalEvent e = row(1, part.at(0));
        if (part.value(5) != QLatin1String("-")) {
            e.entry = part.value(5).toInt();
            e.name = QStringLiteral("Kim");
        }
        e.oldValue = part.value(1);
        e.newValue = part.value(2);
        e.source = part.value(3, QStringLiteral("key"));
        if (!part.value(4).isEmpty())
            e.clockMs = part.at(4).toLongLong();
        return e;
    }

    // The run the program ended with on course, found at the next start.
    void runOnCourseAtTheEnd_data()
    {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<bool>("onCourse");
        QTest::newRow("started") << QStringList {"stop|1|5", "start||1", "fp1|0|1|typed"} << true;
        QTest::newRow("stopped") << QStringList {"start||1", "time1|0|12345|key|12345"} << false;
        QTest::newRow("stopped by the barrier") << QStringList {"start||1", "time1|0|9000|barrier|9000"} << false;
        QTest::newRow("RESET kept a time") << QStringList {"start||1", "time1|0|7770|reset|7770"} << false;
        QTest::newRow("RESET at once") << QStringList {"start||1", "time1|0|0|reset|0"} << false;
        QTest::newRow("time typed meanwhile") << QStringList {"start||1", "time1|0|5000|typed"} << true;
        QTest::newRow("run cleared meanwhile") << QStringList {"start||1", "time1|5000|0|reset"} << true;
        QTest::newRow("stopped, earlier version") << QStringList {"start||1", "time1|0|12345", "stop|1|12345"} << false;
        QTest::newRow("RESET, earlier version") << QStringList {"start||1", "reset|1|0|reset|0"} << false;
        QTest::newRow("reported already") << QStringList {"start||1", "run lost||1|restore"} << false;
        QTest::newRow("no run") << QStringList {"fp1|0|1|typed"} << false;
    }
    void runOnCourseAtTheEnd()
    {
        QFETCH(QStringList, rows);
        QFETCH(bool, onCourse);
        Journal journal(dataFolder());
        for (const QString &text : rows)
            QVERIFY(journal.append(described(text)).ok());
        const std::optional<JournalEvent> start = journal.runOnCourse().value_or(std::nullopt);
        QCOMPARE(start.has_value(), onCourse);
        if (start)
            QCOMPARE(start->id, rows.indexOf("start||1") + 1);
    }

    // What the store and run control announce, as the rows a club reads back; a stop is the one
    // row of its time, with the time as the clock reading.
    void changesBecomeRows_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<int>("clock"); // of the last row; -1: none
        QTest::newRow("typed count") << "count" << QList<QStringList> {{"fp1", "0", "2", "typed"}} << -1;
        QTest::newRow("stop by key") << "key run"
                                     << QList<QStringList> {{"start", "", "1", "key"}, {"time1", "0", "12345", "key"}}
                                     << 12'345;
        QTest::newRow("stop by the barrier")
            << "barrier run" << QList<QStringList> {{"start", "", "1", "barrier"}, {"time1", "0", "12345", "barrier"}}
            << 12'345;
        QTest::newRow("reset while running")
            << "reset run" << QList<QStringList> {{"start", "", "1", "button"}, {"time1", "0", "12345", "reset"}}
            << 12'345;
        QTest::newRow("reset at once, the time unchanged")
            << "reset at once" << QList<QStringList> {{"start", "", "1", "button"}, {"time1", "0", "0", "reset"}} << 0;
        QTest::newRow("stop undone") << "key run undo"
                                     << QList<QStringList> {{"start", "", "1", "key"},
                                                            {"time1", "0", "12345", "key"},
                                                            {"time1", "12345", "0", "undo"}}
                                     << -1;
        QTest::newRow("penalty seconds") << "seconds" << QList<QStringList> {{"FPSeconds", "2", "3", "typed"}} << -1;
    }
    void changesBecomeRows()
    {
        QFETCH(QString, script);
        QFETCH(QList<QStringList>, rows);
        QFETCH(int, clock);
        ClassStore store;
        QVERIFY(store.LoadCurrentClass().ok());
        ResultsProtocol protocol(store);
        RunControl runs;
        runs.setProtocol(&protocol);
        JournalRecorder recorder(store, runs, dataFolder());
        UndoHistory history(store);
        if (script == QLatin1String("count")) {
            store.writeNumberField(0, ListField::FP1, 2, ChangeSource::Typed);
        } else if (script == QLatin1String("seconds")) {
            recorder.recordPenaltySeconds(QStringLiteral("FPSeconds"), 2, 3);
        } else {
            runs.SelectParticipant(0);
            const bool reset = script.startsWith(QLatin1String("reset"));
            const ChangeSource by = reset                     ? ChangeSource::Button
                : script.startsWith(QLatin1String("barrier")) ? ChangeSource::Barrier
                                                              : ChangeSource::Key;
            runs.startRunAt(readPerfCounter(), by);
            if (!script.contains(QLatin1String("at once")))
                FakeCounter::advanceMs(12'345);
            reset ? runs.ResetClock(by) : void(runs.stopRunAt(readPerfCounter(), by));
            if (script.endsWith(QLatin1String("undo")))
                QVERIFY(history.undo(std::nullopt));
        }
        QCOMPARE(rowsOf(recorder.journal()), rows);
        const JournalEvent last = recorder.journal().lastEvent(1).value().value();
        QVERIFY(qAbs(last.at.msecsTo(QDateTime::currentDateTimeUtc())) < 60'000);
        QCOMPARE(last.clockMs.value_or(-1), clock);
        if (script != QLatin1String("seconds"))
            QCOMPARE(last.name, QStringLiteral("Kim"));
    }

    // A stop counts once wherever the journal is read back, also in a journal of an earlier
    // version, which wrote a row of its own after the time: the history shows one line, and the
    // restore at start-up and the rebuild of the class file write its time once.
    void stopCountsOnceWhenReadBack_data()
    {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("history"); // what|old -> new, newest first
        QTest::addColumn<int>("written");
        QTest::addColumn<int>("time");
        const QString start = QStringLiteral("Start of run 1|");
        QTest::newRow("stop") << QStringList {"start||1", "time1|0|12345|key|12345"}
                              << QStringList {"Stop of run 1|00:12.34", start} << 1 << 12'345;
        QTest::newRow("stop, earlier version")
            << QStringList {"start||1", "time1|0|12345|key", "stop|1|12345|key|12345"}
            << QStringList {"Stop of run 1|00:12.34", start} << 1 << 12'345;
        QTest::newRow("RESET") << QStringList {"start||1|button", "time1|0|7770|reset|7770"}
                               << QStringList {"RESET in run 1|00:07.77", start} << 1 << 7'770;
        QTest::newRow("RESET, earlier version")
            << QStringList {"start||1|button", "time1|0|7770|reset", "reset|1|7770|reset|7770"}
            << QStringList {"RESET in run 1|00:07.77", start} << 1 << 7'770;
        QTest::newRow("stopped, then cleared")
            << QStringList {"start||1", "time1|0|12345|key|12345", "time1|12345|0|reset"}
            << QStringList {"Run 1|00:12.34 \u2192 00:00.00", "Stop of run 1|00:12.34", start} << 2 << 0;
        QTest::newRow("stop without a participant, earlier version")
            << QStringList {"start||1", "stop|1|12345|key|12345|-"} << QStringList {"Stop of run 1|00:12.34", start}
            << 0 << 0;
    }
    void stopCountsOnceWhenReadBack()
    {
        QFETCH(QStringList, rows);
        QFETCH(QStringList, history);
        QFETCH(int, written);
        QFETCH(int, time);
        const QString rebuilt = dataFolder() + QStringLiteral("rebuilt/");
        QVERIFY(QDir().mkpath(rebuilt));
        {
            Journal journal(dataFolder());
            QVERIFY(journal.noteClassFile(1, ClassListPath(1), true).ok());
            for (const QString &text : rows)
                QVERIFY(journal.append(described(text)).ok());
            QVERIFY(journal.backUpTo(rebuilt + Journal::FileName).ok());

            HistoryModel model(journal);
            QVERIFY(model.load(1, std::nullopt).ok());
            QStringList shown;
            for (int r = 0; r < model.rowCount(); ++r)
                shown << model.index(r, HistoryModel::What).data().toString() + '|'
                        + model.index(r, HistoryModel::Change).data().toString();
            QCOMPARE(shown, history);

            const QList<ClassRecovery> restored = restoreFromJournal(journal);
            QCOMPARE(restored.size(), written > 0 ? 1 : 0);
            if (written > 0)
                QCOMPARE(restored.first().restored, written);
            QCOMPARE(readClassFile(1).wholeNumber(0, ListField::Time1), time);
        }
        Journal copy(rebuilt);
        const QString path = rebuilt + QStringLiteral("class1.zvx");
        QCOMPARE(rebuildClassFile(copy, 1, path).value_or(-1), written);
        StartList list;
        QVERIFY(ReadListFile(list, path, false).value_or(false));
        QCOMPARE(list.wholeNumber(0, ListField::Time1), time);
    }

    // The file is a WAL database that another program (a club's query) can read.
    void journalIsWalAndReadableByOthers()
    {
        {
            Journal journal(dataFolder());
            QVERIFY(journal.append(row(3, "x")).ok());
            QVERIFY(journal.backUpTo(dataFolder() + "copy.sqlite").ok());
        }
        for (const QString &file : {journalPath(), dataFolder() + "copy.sqlite"}) {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "reader");
            db.setDatabaseName(file);
            QVERIFY(db.open());
            QSqlQuery query(db);
            QVERIFY(query.exec("PRAGMA journal_mode") && query.next());
            QCOMPARE(query.value(0).toString(), QStringLiteral("wal"));
            QVERIFY(query.exec("SELECT class, field, entry IS NULL FROM events") && query.next());
            QCOMPARE(query.value(0).toInt(), 3);
            QCOMPARE(query.value(2).toInt(), 1);
            query = QSqlQuery();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase("reader");
        }
    }

    // A journal that cannot be written says so and keeps the rows until it can again.
    void brokenJournalLosesNothing_data()
    {
        QTest::addColumn<QString>("trouble");
        QTest::newRow("cannot be created") << "folder";
        QTest::newRow("damaged") << "garbage";
        QTest::newRow("disk full") << "full";
    }
    void brokenJournalLosesNothing()
    {
        QFETCH(QString, trouble);
        Journal journal(dataFolder());
        if (trouble == QLatin1String("folder"))
            QVERIFY(QDir().mkpath(journalPath()));
        if (trouble == QLatin1String("garbage"))
            QVERIFY(writeBytes(journalPath(), QByteArray(8192, 'x')));
        {
            std::optional<FileSizeLimit> full;
            if (trouble == QLatin1String("full"))
                full.emplace(16);
            const FileResult first = journal.append(row(1, "a"));
            QVERIFY(!first.ok());
            QCOMPARE(first.error().path, journalPath());
            QVERIFY(!journal.append(row(1, "b")).ok());
            QCOMPARE(journal.waitingCount(), std::size_t(2));
        }
        if (trouble == QLatin1String("folder"))
            QVERIFY(QDir().rmdir(journalPath()));
        if (trouble == QLatin1String("garbage"))
            QVERIFY(QFile::remove(journalPath()));
        QVERIFY(journal.append(row(1, "c")).ok());
        QCOMPARE(journal.waitingCount(), std::size_t(0));
        QString fields;
        const QList<JournalEvent> events = journal.events(1).value();
        for (const JournalEvent &e : events)
            fields += e.field;
        QCOMPARE(fields, QStringLiteral("abc"));
    }

    // At start-up a class file the program left behind its journal gets the journal's values;
    // a file someone else changed, or a list changed as a whole, is left as it is.
    void restoreAtStartUp_data()
    {
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("restored");
        QTest::addColumn<int>("time");
        QTest::newRow("ended before the save") << "" << 1 << 4242;
        QTest::newRow("file replaced by hand") << "replace" << -1 << 0;
        QTest::newRow("entry added since") << "add" << 0 << 0;
        QTest::newRow("saved after all") << "save" << -1 << 4242;
    }
    void restoreAtStartUp()
    {
        QFETCH(QString, after);
        QFETCH(int, restored);
        QFETCH(int, time);
        {
            ClassStore store;
            RunControl runs;
            JournalRecorder recorder(store, runs, dataFolder());
            QVERIFY(store.LoadCurrentClass().ok());
            if (after == "add") {
                JournalEvent added = row(1, "entry added");
                QVERIFY(recorder.journal().append(added).ok());
            }
            store.writeNumberField(1, ListField::Time1, 4242, ChangeSource::Key);
            if (after == "save")
                QVERIFY(store.SaveCurrentClass().ok());
        }
        if (after == "replace")
            QVERIFY(WriteListFile(listOfNames({"Kim", "Lee", "Ola"}), ClassListPath(1)).ok());
        Journal journal(dataFolder());
        const QList<ClassRecovery> done = restoreFromJournal(journal);
        QCOMPARE(done.size(), restored < 0 ? 0 : 1);
        if (restored >= 0) {
            QCOMPARE(done.at(0).restored, restored);
            QCOMPARE(done.at(0).saved.ok(), restored > 0);
        }
        QCOMPARE(readClassFile(1).wholeNumber(1, ListField::Time1), time);
        // Once restored, the next start finds nothing more to do.
        QVERIFY(restoreFromJournal(journal).size() == (restored == 0 ? 1 : 0));
    }

    // Undo and redo, one change at a time, refused where they would write a wrong value.
    void undoAndRedo_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QList<int>>("fp1");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<int>("undoRows");
        // w<n>: FP1 of Kim typed as n; t: Kim's time by the clock; u: undo; r: redo; R: a run of Kim on
        // course; L: class file read again.
        QTest::newRow("redo") << "w1 w2 u u r" << QList<int> {1, 2, 1, 0, 1} << "" << 2;
        QTest::newRow("new change drops redo") << "w1 u w3 r" << QList<int> {1, 0, 3, 3} << "Nothing to redo" << 1;
        QTest::newRow("nothing to undo") << "u" << QList<int> {0} << "Nothing to undo" << 0;
        QTest::newRow("count of the runner") << "R w4 u" << QList<int> {4, 0} << "" << 1;
        QTest::newRow("time of the runner") << "R w4 t u" << QList<int> {4, 4, 4} << "clock" << 0;
        QTest::newRow("stale after reload") << "w5 L u" << QList<int> {5, 0, 0} << "no longer" << 0;
        // The older steps went with it: none is offered again.
        QTest::newRow("stale steps go") << "w5 w6 L u u" << QList<int> {5, 6, 0, 0, 0} << "Nothing to undo" << 0;
    }
    void undoAndRedo()
    {
        QFETCH(QString, steps);
        QFETCH(QList<int>, fp1);
        QFETCH(QString, refusal);
        QFETCH(int, undoRows);
        ClassStore store;
        QVERIFY(store.LoadCurrentClass().ok());
        RunControl runs;
        JournalRecorder recorder(store, runs, dataFolder());
        UndoHistory history(store);
        QString refused;
        QList<int> seen;
        std::optional<UndoHistory::Guarded> guard;
        for (const QString &step : steps.split(' ')) {
            if (step == "R")
                guard = UndoHistory::Guarded {0, ListField::Time1};
            if (step.startsWith('w'))
                store.writeNumberField(0, ListField::FP1, step.mid(1).toInt(), ChangeSource::Typed);
            else if (step == "t")
                store.writeNumberField(0, ListField::Time1, 9000, ChangeSource::Key);
            else if (step == "u")
                history.undo(guard, &refused);
            else if (step == "r")
                history.redo(guard, &refused);
            else if (step == "L")
                QVERIFY(store.LoadCurrentClass().ok());
            if (step != "R")
                seen << store.readNumberField(0, ListField::FP1);
        }
        QCOMPARE(seen, fp1);
        QCOMPARE(store.readNumberField(0, ListField::Time1), steps.contains('t') ? 9000 : 0);
        QVERIFY2(refused.contains(refusal), qPrintable(refused));
        // Every undo and redo is a row of its own.
        const QList<QStringList> rows = rowsOf(recorder.journal());
        QCOMPARE(std::count_if(rows.begin(), rows.end(), [](const QStringList &r) { return r.at(3) == "undo"; }),
                 undoRows);
    }

    // Changes of the entries: each undone whole, and made again by redo.
    void undoOfEntries_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("changed");
        QTest::newRow("name typed") << "name" << QStringList {"Kim", "Lea"};
        QTest::newRow("entry added") << "add" << QStringList {"Kim", "Lee", ""};
        QTest::newRow("entries removed") << "remove" << QStringList {"Lee"};
        QTest::newRow("sorted") << "sort" << QStringList {"Lee", "Kim"};
        QTest::newRow("run cleared at once") << "clear" << QStringList {"Kim", "Lee"};
    }
    void undoOfEntries()
    {
        QFETCH(QString, change);
        QFETCH(QStringList, changed);
        ClassStore store;
        QVERIFY(store.LoadCurrentClass().ok());
        QVERIFY(store.writeResult(0, {{ListField::Time1, 5000}, {ListField::FP1, 2}}, ChangeSource::Key).ok());
        UndoHistory history(store);
        const StartList before = store.list();
        if (change == "name")
            store.writeTextField(1, ListField::Name, "Lea", ChangeSource::Editor);
        else if (change == "add")
            store.addEntry(ChangeSource::Editor);
        else if (change == "remove")
            store.removeEntries({0}, ChangeSource::Editor);
        else if (change == "sort") // already in order by name: the second click reverses it
            QVERIFY(store.sortBy(ListField::Name, ChangeSource::Editor).isEmpty()
                    && store.sortBy(ListField::Name, ChangeSource::Editor).isEmpty());
        else
            QVERIFY(store.writeResult(0, {{ListField::Time1, 0}, {ListField::FP1, 0}}, ChangeSource::Reset).ok());
        QCOMPARE(names(store.list()), changed);
        const StartList after = store.list();
        QVERIFY(history.undo(std::nullopt));
        QVERIFY(store.list().entries() == before.entries());
        QVERIFY(history.redo(std::nullopt));
        QVERIFY(store.list().entries() == after.entries());
    }

    // A time read off an official's stopwatch, as typed.
    void handTimes_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("ms"); // -1: refused
        QTest::newRow("minutes, seconds, hundredths") << "01:02.34" << 62'340;
        QTest::newRow("one minute digit, comma") << "1:02,34" << 62'340;
        QTest::newRow("largest") << "99:59.99" << 5'999'990;
        QTest::newRow("sixty seconds") << "00:60.00" << -1;
        QTest::newRow("no minutes") << "12.34" << -1;
        QTest::newRow("nothing timed") << "00:00.00" << -1;
        QTest::newRow("thousandths") << "00:12.345" << -1;
    }
    void handTimes()
    {
        QFETCH(QString, typed);
        QFETCH(int, ms);
        QCOMPARE(parseHandTime(typed).value_or(-1), ms);
    }
};

ZORVEXA_CORE_TEST_MAIN(TestJournal)
#include "test_journal.moc"
