#include "core/startlist/ClassStore.h"
#include "core/startlist/ListFile.h"
#include "support/StartListSamples.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QSignalSpy>

namespace {
QByteArray record(const QByteArrayList &fields)
{
    QByteArray bytes = "[ZVX1RECORD]\r\n";
    for (const QByteArray &field : fields)
        bytes += field + "\r\n";
    return bytes;
}

QByteArray fileOf(const QByteArray &body)
{
    return "[ZVX1FILE]\r\n" + body + "[ZVX1END]\r\n";
}

QByteArray kimRecord()
{
    return record({"Kim", "12", "7", "", "", "", "65430", "2", "1", "0", "0", "0"});
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QStringList names(const StartList &list)
{
    QStringList result;
    for (int i = 0; i < list.count(); ++i)
        result << list.text(i, ListField::Name);
    return result;
}

QString reasonOf(const FileResult &result)
{
    return result.ok() ? QString() : result.error().reason;
}

// The class file's path made into a folder: no user, root included, can write the file then.
void blockClassFile(int classIndex)
{
    QFile::remove(ClassListPath(classIndex));
    QDir().mkpath(ClassListPath(classIndex));
}
} // namespace

// The store of record: one class in memory, its file, and nothing lost when a file fails.
class TestClassStore final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QDir(programFolder()).removeRecursively();
        QDir().mkpath(programFolder());
    }

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
        QTest::newRow("bad number") << fileOf(kimRecord() + record({"Lee", "", "", "", "", "", "x", "0", "0", "0", "0", "0"}))
                                    << "'x' is not a valid floating point value" << QStringList{"Kim", "Lee"};
        QTest::newRow("not a start list file") << QByteArray("hello\r\n")
                                               << QDir::toNativeSeparators(ClassListPath(3)) + " is not a start list file."
                                               << QStringList{};
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
        QCOMPARE(lines.at(1), QStringLiteral("The original file was kept as %1.").arg(QDir::toNativeSeparators(file + ".bak")));
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
        store.model().addRow();
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
        store.model().addRow();
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
        QCOMPARE(names(store.list()), QStringList{"Ola"});
        StartList saved;
        QVERIFY(ReadListFile(saved, ClassListPath(1), false).ok());
        QCOMPARE(saved.count(), 2);
    }

    void numberFieldsReadRoundedAndWriteWhole()
    {
        QVERIFY(writeBytes(ClassListPath(1), fileOf(record({"Kim", "", "", "", "", "", "2.5", "3.5", "-0.5", "0", "0", "0"}))));
        ClassStore store;
        QVERIFY(store.LoadCurrentClass().ok());
        QCOMPARE(store.readNumberField(0, ListField::Time1), 2);
        QCOMPARE(store.readNumberField(0, ListField::FP1), 4);
        QCOMPARE(store.readNumberField(0, ListField::FS1), 0);
        QCOMPARE(store.readTextField(0, ListField::Number), QStringLiteral("1"));
        QVERIFY(store.readTextField(5, ListField::Name).isNull());
        store.writeNumberField(0, ListField::Time2, 61'234);
        QVERIFY(store.SaveCurrentClass().ok());
        StartList back;
        QVERIFY(ReadListFile(back, ClassListPath(1), false).ok());
        QCOMPARE(back.wholeNumber(0, ListField::Time2), 61'234);
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
