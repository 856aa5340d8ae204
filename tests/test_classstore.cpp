#include "core/protocol/ResultsProtocol.h"
#include "core/startlist/ClassStore.h"
#include "core/startlist/ListFile.h"
#include "core/system/ProgramFolder.h"
#include "support/FailingDisk.h"
#include "support/FakeCounter.h"
#include "support/FreshFolders.h"
#include "support/ListFiles.h"
#include "support/StartListSamples.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>

#include <cerrno>
#include <sys/stat.h>

Q_DECLARE_METATYPE(StoreChange::Kind)
Q_DECLARE_METATYPE(ListField)
Q_DECLARE_METATYPE(ChangeSource)

// The store of record: one class in memory, its file, and nothing lost when a file fails.
class TestClassStore final : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(FreshFolders::program()); }

    void classFileWithoutFileStartsEmpty()
    {
        QVERIFY(WriteListFile(listOfNames({"from another class"}), ClassListPath(2)).ok());
        ClassStore store;
        QVERIFY(store.SelectClass(2).ok());
        QCOMPARE(store.entryCount(), 1);
        QVERIFY(store.SelectClass(4).ok());
        QCOMPARE(store.entryCount(), 0);
    }

    // A class file that failed to load keeps its original bytes beside it, and the message says where.
    void failedLoadKeepsTheOriginal_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("firstLine");
        QTest::addColumn<QStringList>("namesAfter");
        QTest::newRow("bad number") << fileOf(kimRecord()
                                              + record({"Lee", "", "", "", "", "", "x", "0", "0", "0", "0", "0"}))
                                    << "'x' is not a valid floating point value" << QStringList {"Kim", "Lee"};
        QTest::newRow("not a start list file")
            << QByteArray("hello\r\n") << QDir::toNativeSeparators(ClassListPath(3)) + " is not a start list file."
            << QStringList {};
    }
    void failedLoadKeepsTheOriginal()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, firstLine);
        QFETCH(QStringList, namesAfter);
        const QString file = ClassListPath(3);
        QVERIFY(writeBytes(file, bytes));
        ClassStore store;
        const FileResult loaded = store.SelectClass(3);
        QCOMPARE(names(store.list()), namesAfter);
        QCOMPARE(loaded.error().path, file);
        const QStringList lines = loaded.error().reason.split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines.at(0), firstLine);
        QCOMPARE(lines.at(1),
                 QStringLiteral("The original file was kept as %1.").arg(QDir::toNativeSeparators(file + ".bak")));
        QCOMPARE(readBytes(file + ".bak"), bytes);

        QCOMPARE(reasonOf(store.SaveCurrentClass()), QString());
        QCOMPARE(readBytes(file + ".bak"), bytes);
        QCOMPARE(reasonOf(store.LoadCurrentClass()), QString());
        QCOMPARE(names(store.list()), namesAfter);
    }

    void repeatedFailuresDoNotPileUpCopies()
    {
        const QString file = ClassListPath(5);
        QVERIFY(writeBytes(file, "first bad\r\n"));
        QVERIFY(writeBytes(file + ".bak", "an older copy\r\n"));
        ClassStore store;
        QVERIFY(reasonOf(store.SelectClass(5)).endsWith(QDir::toNativeSeparators(file) + ".bak2."));
        QVERIFY(reasonOf(store.LoadCurrentClass()).endsWith(QDir::toNativeSeparators(file) + ".bak2."));
        QCOMPARE(readBytes(file + ".bak"), QByteArray("an older copy\r\n"));
        QCOMPARE(readBytes(file + ".bak2"), QByteArray("first bad\r\n"));
        QVERIFY(!QFile::exists(file + ".bak3"));
    }

    void uncopyableFailedFileIsNotOverwritten()
    {
        const QString file = ClassListPath(6);
        QVERIFY(writeBytes(file, "bad\r\n"));
        // A folder where the copy must go makes the copy impossible.
        for (const char *suffix : {".bak", ".bak2"})
            QDir().mkpath(file + suffix);
        for (int n = 3; n <= 100; ++n)
            QDir().mkpath(file + QStringLiteral(".bak%1").arg(n));
        ClassStore store;
        QVERIFY(reasonOf(store.SelectClass(6)).contains(QStringLiteral("will not be overwritten")));
        store.addEntry(ChangeSource::Editor);
        const FileResult saved = store.SaveCurrentClass();
        QVERIFY(!saved.ok());
        QVERIFY(reasonOf(saved).contains(QStringLiteral("not overwritten")));
        QCOMPARE(readBytes(file), QByteArray("bad\r\n"));
    }

    // A class whose file cannot be written stays current, with its list in memory, until a save
    // succeeds: switching away would lose what was typed.
    void failedSaveKeepsTheClassCurrent()
    {
        QVERIFY(WriteListFile(listOfNames({"Kim"}), ClassListPath(1)).ok());
        QVERIFY(WriteListFile(listOfNames({"Ola"}), ClassListPath(2)).ok());
        ClassStore store;
        QSignalSpy saves(&store, &ClassStore::saveFinished);
        QVERIFY(store.LoadCurrentClass().ok());
        store.addEntry(ChangeSource::Editor);
        QFile::remove(ClassListPath(1));
        blockClassFile(1);

        const FileResult switched = store.SelectClass(2);
        QVERIFY(!switched.ok());
        QCOMPARE(switched.error().path, ClassListPath(1));
        QCOMPARE(store.CurrentClass(), 1);
        QCOMPARE(store.entryCount(), 2);
        QVERIFY(store.unsavedReason().has_value());
        QCOMPARE(saves.count(), 1);
        QVERIFY(!saves.at(0).at(0).value<FileResult>().ok());

        QDir().rmdir(ClassListPath(1));
        QVERIFY(store.SelectClass(2).ok());
        QVERIFY(!store.unsavedReason().has_value());
        QCOMPARE(names(store.list()), QStringList {"Ola"});
        StartList saved;
        QVERIFY(ReadListFile(saved, ClassListPath(1), false).ok());
        QCOMPARE(saved.count(), 2);
    }

    // A class file that is no regular file, or far too large, is refused unread at once. Nothing was
    // read, so the class can be left; the file stays as it was and no copy of it is attempted.
    void specialClassFileIsRefusedAndLeftAlone_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("firstLine");
        QTest::newRow("FIFO") << "fifo"
                              << "%1 is not a regular file.";
        QTest::newRow("link to /dev/zero") << "zero"
                                           << "/dev/zero is not a regular file.";
        QTest::newRow("folder") << "folder"
                                << "%1 is not a regular file.";
        QTest::newRow("sparse 10 GiB with the tag")
            << "huge"
            << "%1 is 10.00 GiB, too large for a start list file (at most 256.00 MiB).";
    }
    void specialClassFileIsRefusedAndLeftAlone()
    {
        QFETCH(QString, kind);
        QFETCH(QString, firstLine);
        const QString file = ClassListPath(3);
        const QByteArray name = QFile::encodeName(file);
        if (kind == QLatin1String("fifo"))
            QCOMPARE(::mkfifo(name.constData(), 0600), 0);
        else if (kind == QLatin1String("zero"))
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), file));
        else if (kind == QLatin1String("folder"))
            QVERIFY(QDir().mkpath(file));
        else
            QVERIFY(writeBytes(file, "[ZVX1FILE]\r\n") && QFile::resize(file, qint64(10) << 30));
        struct stat before = {};
        QCOMPARE(::lstat(name.constData(), &before), 0);
        QVERIFY(WriteListFile(listOfNames({"Ola"}), ClassListPath(4)).ok());

        ClassStore store;
        const FileResult selected = store.SelectClass(3);
        QVERIFY(!selected.ok());
        if (firstLine.contains(QLatin1String("%1")))
            firstLine = firstLine.arg(QDir::toNativeSeparators(file));
        QCOMPARE(reasonOf(selected).section(QLatin1Char('\n'), 0, 0), firstLine);
        QCOMPARE(store.CurrentClass(), 3);
        QCOMPARE(store.entryCount(), 0);
        QVERIFY(store.SelectClass(4).ok());
        QCOMPARE(names(store.list()), QStringList {"Ola"});

        struct stat after = {};
        QCOMPARE(::lstat(name.constData(), &after), 0);
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(after.st_mode, before.st_mode);
        QCOMPARE(after.st_size, before.st_size);
        QCOMPARE(QDir(programFolder()).entryList({QStringLiteral("List03.dat.*")}, QDir::AllEntries | QDir::System),
                 QStringList {});
    }

    // What a typed list would have to overwrite is refused, so the typing stays in memory.
    void typedListIsNotSavedOverASpecialFile()
    {
        const QString file = ClassListPath(3);
        QDir().mkpath(file);
        ClassStore store;
        QVERIFY(!store.SelectClass(3).ok());
        store.addEntry(ChangeSource::Editor);
        QVERIFY(!store.SelectClass(4).ok());
        QCOMPARE(store.CurrentClass(), 3);
        QCOMPARE(store.entryCount(), 1);
        QVERIFY(QFileInfo(file).isDir());
    }

    // The copy of a damaged class file that is a link goes beside the file the link leads to, with
    // that file's permissions, and the messages name it.
    void copyOfALinkedClassFileGoesBesideItsTarget()
    {
        const QString shared = programFolder() + QStringLiteral("shared/");
        QDir().mkpath(shared);
        const QString target = shared + QStringLiteral("club.dat");
        const QByteArray bytes = fileOf(record({"Kim", "", "", "", "", "", "x", "0", "0", "0", "0", "0"}));
        QVERIFY(writeBytes(target, bytes));
        const auto permissions = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
        QVERIFY(QFile::setPermissions(target, permissions));
        QVERIFY(QFile::link(target, ClassListPath(2)));

        ClassStore store;
        const FileResult selected = store.SelectClass(2);
        QCOMPARE(selected.error().path, target);
        QCOMPARE(reasonOf(selected).section(QLatin1Char('\n'), 1),
                 QStringLiteral("The original file was kept as %1.").arg(QDir::toNativeSeparators(target + ".bak")));
        QCOMPARE(readBytes(target + ".bak"), bytes);
        QCOMPARE(QFile::permissions(target + ".bak"), QFile::permissions(target));
        QVERIFY(!QFileInfo::exists(ClassListPath(2) + ".bak"));

        QVERIFY(store.SaveCurrentClass().ok());
        QVERIFY(QFileInfo(ClassListPath(2)).isSymLink());
        StartList back;
        QVERIFY(ReadListFile(back, target, false).ok());
        QCOMPARE(names(back), QStringList {"Kim"});
    }

    // Only what a save leaves: "<file a class file leads to>.zvx-" and six letters or digits.
    void staleTemporaryFilesAreRemoved_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("removed");
        QTest::addColumn<QString>("kind");
        QTest::newRow("class 1") << "List01.dat.zvx-AbCdEf" << true << "file";
        QTest::newRow("class 10, digits") << "List10.dat.zvx-a1B2c3" << true << "file";
        QTest::newRow("beside a linked class file's target") << "shared/club.dat.zvx-Qw3rTy" << true << "linked";
        QTest::newRow("without the mark") << "List01.dat.kmuaJr" << false << "file";
        QTest::newRow("seven letters") << "List01.dat.zvx-backups" << false << "file";
        QTest::newRow("no class 11") << "List11.dat.zvx-AbCdEf" << false << "file";
        QTest::newRow("five letters") << "List01.dat.zvx-AbCdE" << false << "file";
        QTest::newRow("a dot") << "List01.dat.zvx-AbC.Ef" << false << "file";
        QTest::newRow("copy of a damaged file") << "List01.dat.bak" << false << "file";
        QTest::newRow("lower case name") << "list01.dat.zvx-AbCdEf" << false << "file";
        QTest::newRow("class file itself") << "List01.dat" << false << "file";
        QTest::newRow("beside a file no class file leads to") << "shared/other.dat.zvx-Qw3rTy" << false << "linked";
        QTest::newRow("a link") << "List02.dat.zvx-AbCdEf" << false << "link";
        QTest::newRow("a folder") << "List02.dat.zvx-AbCdEf" << false << "folder";
        QTest::newRow("target of a class file") << "List04.dat.zvx-QwErTy" << false << "target";
    }
    void staleTemporaryFilesAreRemoved()
    {
        QFETCH(QString, name);
        QFETCH(bool, removed);
        QFETCH(QString, kind);
        const QString file = programFolder() + name;
        QDir().mkpath(programFolder() + QStringLiteral("shared"));
        QVERIFY(QFile::link(programFolder() + QStringLiteral("shared/club.dat"), ClassListPath(6)));
        QVERIFY(writeBytes(programFolder() + QStringLiteral("other"), fileOf(kimRecord())));
        if (kind == QLatin1String("link"))
            QVERIFY(QFile::link(programFolder() + QStringLiteral("other"), file));
        else if (kind == QLatin1String("folder"))
            QVERIFY(QDir().mkpath(file));
        else
            QVERIFY(writeBytes(file, fileOf(kimRecord())));
        if (kind == QLatin1String("target"))
            QVERIFY(QFile::link(file, ClassListPath(5)));

        const QStringList gone = ClassStore::removeStaleTemporaryFiles();
        QCOMPARE(gone, removed ? QStringList {QFileInfo(name).fileName()} : QStringList {});
        QCOMPARE(QFileInfo::exists(file) || QFileInfo(file).isSymLink(), !removed);
        QVERIFY(QFileInfo::exists(programFolder() + QStringLiteral("other")));
    }

    // A save step failing once keeps the old file and the list; the next save writes it all. A
    // folder that takes no new file is written in place, with a notice that this is not crash-safe.
    void failingSaveStepKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("step");
        QTest::addColumn<int>("error");
        QTest::addColumn<bool>("folderClosed");
        QTest::addColumn<QString>("reason");
        QTest::newRow("write, disk full") << "write" << int(ENOSPC) << false << "Disk full";
        QTest::newRow("write, quota") << "write" << int(EDQUOT) << false << "Disk full";
        QTest::newRow("sync of the file") << "sync file" << int(EIO) << false << "I/O error 5";
        QTest::newRow("rename") << "rename" << int(EIO) << false << "I/O error 5";
        QTest::newRow("sync of the folder") << "sync folder" << int(EIO) << false << "I/O error 5";
        QTest::newRow("in place") << "" << 0 << true << "";
        QTest::newRow("in place, write") << "write" << int(ENOSPC) << true << "Disk full";
        QTest::newRow("in place, resize") << "resize" << int(EIO) << true << "I/O error 5";
        QTest::newRow("in place, sync") << "sync file" << int(EIO) << true << "I/O error 5";
    }
    void failingSaveStepKeepsTheOldFile()
    {
        QFETCH(QString, step);
        QFETCH(int, error);
        QFETCH(bool, folderClosed);
        QFETCH(QString, reason);
        const QString file = ClassListPath(1);
        QVERIFY(WriteListFile(listOfNames({"Kim", "Lee", "Ola", "Ida", "Max"}), file).ok());
        QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        const QFile::Permissions permissions = QFile::permissions(file);
        const QByteArray before = readBytes(file);
        ClassStore store;
        QVERIFY(store.LoadCurrentClass().ok());
        store.addEntry(ChangeSource::Editor);
        QVERIFY(store.model().setData(store.model().index(5, int(ListField::Name)), QStringLiteral("Amy")));
        FileResult saved;
        // What a kill at the failing step would leave: only names the next start removes.
        QStringList left;
        {
            FailingDisk disk(step, error, folderClosed);
            disk.atFailure = [&] {
                left = QDir(programFolder()).entryList(QDir::Files | QDir::Hidden);
                left.removeOne(QStringLiteral("List01.dat"));
            };
            saved = store.SaveCurrentClass();
            QCOMPARE(left.filter(QRegularExpression("^List01\\.dat\\.zvx-[A-Za-z0-9]{6}$")), left);
        }
        QCOMPARE(QDir(programFolder()).entryList(QDir::Files | QDir::Hidden), QStringList {"List01.dat"});
        QCOMPARE(QFile::permissions(file), permissions);
        if (reason.isEmpty()) {
            QVERIFY(saved.ok());
            QVERIFY(saved.notice()->message().contains(QStringLiteral("a crash while saving can destroy it")));
            QCOMPARE(names(readClassFile(1)).size(), 6);
            return;
        }
        QCOMPARE(reasonOf(saved), reason);
        QCOMPARE(saved.error().path, file);
        QCOMPARE(readBytes(file), before);
        QCOMPARE(store.unsavedReason()->reason, reason);
        QCOMPARE(names(store.list()), (QStringList {"Kim", "Lee", "Ola", "Ida", "Max", "Amy"}));
        QVERIFY(store.SaveCurrentClass().ok());
        QCOMPARE(names(readClassFile(1)), names(store.list()));
    }

    void numberFieldsReadRoundedAndWriteWhole()
    {
        QVERIFY(writeBytes(ClassListPath(1),
                           fileOf(record({"Kim", "", "", "", "", "", "2.5", "3.5", "-0.5", "0", "0", "0"}))));
        ClassStore store;
        QVERIFY(store.LoadCurrentClass().ok());
        QCOMPARE(store.readNumberField(0, ListField::Time1), 2);
        QCOMPARE(store.readNumberField(0, ListField::FP1), 4);
        QCOMPARE(store.readNumberField(0, ListField::FS1), 0);
        QCOMPARE(store.readTextField(0, ListField::Number), QStringLiteral("1"));
        QVERIFY(store.readTextField(5, ListField::Name).isNull());
        store.writeNumberField(0, ListField::Time2, 61'234, ChangeSource::Editor);
        QVERIFY(store.SaveCurrentClass().ok());
        StartList back;
        QVERIFY(ReadListFile(back, ClassListPath(1), false).ok());
        QCOMPARE(back.wholeNumber(0, ListField::Time2), 61'234);
    }

    // Every way the entries change, each announced once: what changed and where it came from.
    void everyWriteIsAnnouncedOnce_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<StoreChange::Kind>("kind");
        QTest::addColumn<int>("entry");
        QTest::addColumn<ListField>("field");
        QTest::addColumn<QVariant>("oldValue");
        QTest::addColumn<QVariant>("newValue");
        QTest::addColumn<ChangeSource>("source");
        using K = StoreChange::Kind;
        using F = ListField;
        using S = ChangeSource;
        const QVariant none;
        // Kim has run 1 timed at 65.430 s, Lee nothing yet.
        QTest::newRow("F8") << "key" << K::Field << 1 << F::Time1 << QVariant(0) << QVariant(1'500) << S::Key;
        QTest::newRow("STOPP") << "button" << K::Field << 1 << F::Time1 << QVariant(0) << QVariant(1'500) << S::Button;
        QTest::newRow("light barrier") << "barrier" << K::Field << 1 << F::Time1 << QVariant(0) << QVariant(1'500)
                                       << S::Barrier;
        QTest::newRow("typed count") << "typed" << K::Field << 0 << F::FP2 << QVariant(0) << QVariant(3) << S::Typed;
        QTest::newRow("run reset") << "reset" << K::Field << 0 << F::Time1 << QVariant(65'430) << QVariant(0)
                                   << S::Reset;
        QTest::newRow("name edited") << "name" << K::Field << 0 << F::Name << QVariant("Kim") << QVariant("Kimi")
                                     << S::Editor;
        QTest::newRow("row added") << "add" << K::EntryAdded << 2 << F::Number << none << none << S::Editor;
        QTest::newRow("rows deleted") << "remove" << K::EntriesRemoved << -1 << F::Number << none << none << S::Editor;
        QTest::newRow("sorted") << "sort" << K::ListReplaced << -1 << F::Number << none << none << S::Editor;
        QTest::newRow("list merged") << "merge" << K::ListReplaced << -1 << F::Number << none << none << S::Editor;
        QTest::newRow("class loaded") << "load" << K::ListReplaced << -1 << F::Number << none << none << S::Load;
    }
    void everyWriteIsAnnouncedOnce()
    {
        QFETCH(QString, path);
        QFETCH(StoreChange::Kind, kind);
        QFETCH(int, entry);
        QFETCH(ListField, field);
        QFETCH(QVariant, oldValue);
        QFETCH(QVariant, newValue);
        QFETCH(ChangeSource, source);
        StartList kimAndLee = listOfNames({"Kim", "Lee"});
        kimAndLee.setWholeNumber(0, ListField::Time1, 65'430);
        kimAndLee.setText(0, ListField::StartNr, QStringLiteral("2"));
        kimAndLee.setText(1, ListField::StartNr, QStringLiteral("1"));
        QVERIFY(WriteListFile(kimAndLee, ClassListPath(1)).ok());
        ClassStore store;
        QVERIFY(store.LoadCurrentClass().ok());
        ResultsProtocol protocol(store);
        RunControl runs;
        runs.setProtocol(&protocol);
        FakeCounter::install();
        runs.SelectParticipant(1);
        QSignalSpy changes(&store, &ClassStore::changed);

        const std::int64_t start = FakeCounter::now;
        if (path == QLatin1String("key") || path == QLatin1String("button")) {
            runs.StartRun(source);
            FakeCounter::advanceMs(1'500);
            runs.StopRun(source);
        } else if (path == QLatin1String("barrier")) {
            QVERIFY(runs.startRunAt(start));
            QVERIFY(runs.stopRunAt(start + 1'500'000));
        } else if (path == QLatin1String("typed")) {
            QVERIFY(!protocol.model().setData(protocol.model().index(0, ProtocolModel::FP2), QStringLiteral("x")));
            QVERIFY(protocol.model().setData(protocol.model().index(0, ProtocolModel::FP2), QStringLiteral("3")));
        } else if (path == QLatin1String("reset")) {
            protocol.resetRun(0, ProtocolModel::Time1);
        } else if (path == QLatin1String("name")) {
            QVERIFY(store.model().setData(store.model().index(0, int(ListField::Name)), QStringLiteral("Kimi")));
        } else if (path == QLatin1String("add")) {
            store.addEntry(ChangeSource::Editor);
        } else if (path == QLatin1String("remove")) {
            QCOMPARE(store.removeEntries({0}, ChangeSource::Editor), 1);
        } else if (path == QLatin1String("sort")) {
            QCOMPARE(store.sortBy(ListField::StartNr, ChangeSource::Editor), QString());
        } else if (path == QLatin1String("merge")) {
            StartList merged = store.list();
            merged.append({});
            store.replaceList(std::move(merged), ChangeSource::Editor);
        } else {
            QVERIFY(store.LoadCurrentClass().ok());
        }

        QCOMPARE(changes.count(), 1);
        const auto change = changes.at(0).at(0).value<StoreChange>();
        QCOMPARE(change.kind, kind);
        QCOMPARE(change.classIndex, 1);
        QCOMPARE(change.entry, entry);
        QCOMPARE(change.source, source);
        if (kind == StoreChange::Kind::Field) {
            QCOMPARE(change.field, field);
            QCOMPARE(change.oldValue, oldValue);
            QCOMPARE(change.newValue, newValue);
            QVERIFY(!change.before);
        } else if (kind != StoreChange::Kind::EntryAdded) {
            QVERIFY(change.before);
            QCOMPARE(names(*change.before), (QStringList {"Kim", "Lee"}));
        }
        // A result is in the class file at once; an edit waits for the editor's save points.
        const bool result = kind == StoreChange::Kind::Field && field != ListField::Name;
        QCOMPARE(readClassFile(1).entries() == store.list().entries(), result || path == QLatin1String("load"));
        // Nobody else holds a copy: the protocol shows what the store holds.
        QCOMPARE(protocol.model().rowCount(), store.entryCount());
        for (int row = 0; row < store.entryCount(); ++row)
            QCOMPARE(protocol.model().runFields(row), runFieldsOf(store.list().at(row)));
    }

    // A save asked for before the class was read (say during a start-up message) leaves the file alone.
    void classNotLoadedIsNeverSaved()
    {
        const QString file = ClassListPath(1);
        QVERIFY(WriteListFile(listOfNames({"Kim", "Lee", "Ola", "Ida", "Max"}), file).ok());
        const QByteArray before = readBytes(file);
        ClassStore store;
        QSignalSpy saves(&store, &ClassStore::saveFinished);
        QVERIFY(store.SaveCurrentClass().ok());
        QVERIFY(store.SelectClass(2).ok());
        QCOMPARE(readBytes(file), before);
        QCOMPARE(saves.count(), 0);
        QVERIFY(!QFile::exists(ClassListPath(2)));
    }

    // A loop of links is announced as not overwritten, and is not: neither empty nor with a typed row.
    void linkLoopIsNeverReplaced_data()
    {
        QTest::addColumn<QString>("linkedTo");
        QTest::addColumn<bool>("typed");
        QTest::newRow("itself") << "List03.dat" << false;
        QTest::newRow("itself, a row typed") << "List03.dat" << true;
        QTest::newRow("two links") << "loop.dat" << false;
    }
    void linkLoopIsNeverReplaced()
    {
        QFETCH(QString, linkedTo);
        QFETCH(bool, typed);
        const QString file = ClassListPath(3);
        QVERIFY(QFile::link(programFolder() + linkedTo, file));
        if (linkedTo != QLatin1String("List03.dat"))
            QVERIFY(QFile::link(file, programFolder() + linkedTo));
        ClassStore store;
        QVERIFY(reasonOf(store.SelectClass(3)).contains(QStringLiteral("will not be overwritten")));
        if (typed)
            store.addEntry(ChangeSource::Editor);
        QCOMPARE(store.SelectClass(4).ok(), !typed);
        QCOMPARE(reasonOf(WriteListFile(store.list(), file)), QStringLiteral("Too many levels of symbolic links"));
        QCOMPARE(QFileInfo(file).symLinkTarget(), programFolder() + linkedTo);
        QCOMPARE(QDir(programFolder()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(),
                 linkedTo == QLatin1String("List03.dat") ? 1 : 2);
    }

    void outOfRangeClassChangesNothing()
    {
        ClassStore store;
        QSignalSpy saves(&store, &ClassStore::saveFinished);
        QVERIFY(store.SelectClass(0).ok());
        QVERIFY(store.SelectClass(11).ok());
        QCOMPARE(store.CurrentClass(), 1);
        QCOMPARE(saves.count(), 0);
        QVERIFY(!QFile::exists(ClassListPath(1)));
    }
};

ZORVEXA_CORE_TEST_MAIN(TestClassStore)
#include "test_classstore.moc"
