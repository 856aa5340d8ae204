#include "core/settings/ClassNames.h"
#include "core/settings/SettingsStore.h"
#include "support/ListFiles.h"
#include "support/SettingsFile.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QSignalSpy>

// The settings file as users keep it: written by the program, edited by hand, damaged.
class TestSettings final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        const QString folder = QFileInfo(settingsPath()).absolutePath();
        QFile::remove(folder);
        QDir(folder).removeRecursively();
    }

    void theFileIsNamedForUsers() { QCOMPARE(SettingsStore::filePath(), settingsPath()); }

    void reading_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("integer");  // read with default 7
        QTest::addColumn<bool>("boolean"); // read with default true
        QTest::addColumn<QString>("text"); // read with default "none"
        const QByteArray hand = "\xEF\xBB\xBF; written by hand\r\n# another comment\r\n\r\n[Configuration]\r\n"
                                "COM = 3\r\nAutoLock=0\r\nName=Bambini, Mini\r\nEmpty=\r\n\r\n[Class Names]\r\nClass 01=U8\r\n";
        QTest::newRow("no file") << QByteArray() << "COM" << 7 << true << "none";
        QTest::newRow("hand-edited integer") << hand << "COM" << 3 << true << "3";
        QTest::newRow("hand-edited zero") << hand << "AutoLock" << 0 << false << "0";
        QTest::newRow("comma in a text") << hand << "Name" << 7 << true << "Bambini, Mini";
        QTest::newRow("empty value is empty text") << hand << "Empty" << 7 << true << "";
        QTest::newRow("missing value") << hand << "ActiveColor" << 7 << true << "none";
        QTest::newRow("any other integer is true") << QByteArray("[Configuration]\nAutoLock=5\n") << "AutoLock" << 5 << true << "5";
        QTest::newRow("no integer") << QByteArray("[Configuration]\nAutoLock=yes\n") << "AutoLock" << 7 << true << "yes";
        QTest::newRow("negative") << QByteArray("[Configuration]\nCOM=-1\n") << "COM" << -1 << true << "-1";
        QTest::newRow("beyond 32 bits") << QByteArray("[Configuration]\nCOM=99999999999\n") << "COM" << 7 << true
                                        << "99999999999";
        QTest::newRow("garbage around") << QByteArray("\x01\x02[[[\n=\n[Configuration]\nCOM=4\n\xFF\xFE junk = [\n")
                                        << "COM" << 4 << true << "4";
        QTest::newRow("truncated") << QByteArray("[Configuration]\nCOM=12\nAutoLo") << "COM" << 12 << true << "12";
    }
    void reading()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, name);
        QFETCH(int, integer);
        QFETCH(bool, boolean);
        QFETCH(QString, text);
        if (!file.isNull())
            writeSettingsFile(file);
        const SettingsStore store;
        const QString section = QStringLiteral("Configuration");
        QCOMPARE(store.readInteger(section, name, 7).value(), integer);
        QCOMPARE(store.readBoolean(section, name, true).value(), boolean);
        QCOMPARE(store.readText(section, name, QStringLiteral("none")).value(), text);
        QCOMPARE(readSettingsFile(), file.isNull() ? QByteArray() : file); // reading writes nothing
    }

    void valueOfAnotherKindIsAnError_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::newRow("byte array") << QByteArray("@ByteArray(abc)");
        QTest::newRow("unknown variant") << QByteArray("@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x10QVariantMap\\0)");
        QTest::newRow("invalid") << QByteArray("@Invalid()");
        QTest::newRow("rectangle") << QByteArray("@Rect(1 2 3 4)");
    }
    void valueOfAnotherKindIsAnError()
    {
        QFETCH(QByteArray, value);
        writeSettingsFile("[Configuration]\nCOM=" + value + "\nAlgIdx=1\n");
        const SettingsStore store;
        const Result<int> read = store.readInteger(QStringLiteral("Configuration"), QStringLiteral("COM"), 0);
        QVERIFY(!read);
        QCOMPARE(read.error().reason, QStringLiteral("Invalid data type for 'COM'"));
        QCOMPARE(store.readInteger(QStringLiteral("Configuration"), QStringLiteral("AlgIdx"), 0).value(), 1);
    }

    void writingKeepsTheOtherValues()
    {
        writeSettingsFile("; mine\n[Configuration]\nCOM=3\n[Other]\nKeep=this, and that\n");
        SettingsStore store;
        QVERIFY(store.writeBoolean(QStringLiteral("Configuration"), QStringLiteral("AutoLock"), false).ok());
        QVERIFY(store.writeText(QStringLiteral("Class Names"), QStringLiteral("Class 01"), QStringLiteral("A, B")).ok());
        QCOMPARE(store.readInteger(QStringLiteral("Configuration"), QStringLiteral("COM"), 0).value(), 3);
        QCOMPARE(store.readText(QStringLiteral("Other"), QStringLiteral("Keep"), {}).value(), QStringLiteral("this, and that"));
        QCOMPARE(store.readText(QStringLiteral("Configuration"), QStringLiteral("AutoLock"), {}).value(), QStringLiteral("0"));
        QCOMPARE(store.readText(QStringLiteral("Class Names"), QStringLiteral("Class 01"), {}).value(), QStringLiteral("A, B"));
    }

    // Root may write anywhere, so the failures come from paths no one can write to.
    void failedWritesSayWhat()
    {
        SettingsStore store;
        writeSettingsFile("[Configuration]\nCOM=3\n");
        QFile::remove(settingsPath());
        QVERIFY(QDir().mkpath(settingsPath())); // the file's name taken by a folder
        QCOMPARE(reasonOf(store.writeInteger(QStringLiteral("Configuration"), QStringLiteral("COM"), 1)),
                 QStringLiteral("Failed to set data for 'COM'"));
        QDir().rmdir(settingsPath());

        // A file where the settings folder should be.
        const QString folder = QFileInfo(settingsPath()).absolutePath();
        QVERIFY(QDir(folder).removeRecursively());
        QFile file(folder);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QCOMPARE(reasonOf(store.writeInteger(QStringLiteral("Configuration"), QStringLiteral("COM"), 1)),
                 QStringLiteral("Failed to create key Configuration"));
        QFile::remove(folder);
    }

    void classNamesStartAsDefaultsAndAreAllWritten()
    {
        SettingsStore store;
        ClassNames names;
        QVERIFY(names.LoadClassNames(store).ok());
        QCOMPARE(ClassNameOf(1), QStringLiteral("Class 01"));
        QCOMPARE(ClassNameOf(10), QStringLiteral("Class 10"));
        QVERIFY(ClassNameOf(0).isNull());
        QVERIFY(ClassNameOf(11).isNull());
        QVERIFY(names.SaveClassNames(store).ok());
        for (int c = FirstClass; c <= LastClass; ++c)
            QCOMPARE(store.readText(QStringLiteral("Class Names"), QStringLiteral("Class %1").arg(c, 2, 10, QLatin1Char('0')),
                                    QStringLiteral("missing"))
                         .value(),
                     defaultClassName(c));
    }

    void emptyClassNameStaysEmpty()
    {
        SettingsStore store;
        {
            ClassNames names;
            QVERIFY(names.setData(names.index(2, 1), QString()));
            QVERIFY(names.setData(names.index(3, 1), QStringLiteral("Bambini\nMini")));
            QVERIFY(!names.setData(names.index(3, 0), QStringLiteral("4")));
            QVERIFY(names.SaveClassNames(store).ok());
        }
        ClassNames names;
        QSignalSpy changed(&names, &QAbstractItemModel::dataChanged);
        QVERIFY(names.LoadClassNames(store).ok());
        QCOMPARE(changed.count(), 1);
        QCOMPARE(names.nameOf(3), QString());
        QCOMPARE(names.nameOf(4), QStringLiteral("Bambini Mini"));
        QCOMPARE(names.data(names.index(9, 0)).toString(), QStringLiteral("10"));
    }

    void unreadableNameEndsTheLoadingThere()
    {
        writeSettingsFile("[Class Names]\nClass 01=Mini\nClass 03=@ByteArray(x)\nClass 04=Senior\n");
        SettingsStore store;
        ClassNames names;
        const FileResult loaded = names.LoadClassNames(store);
        QCOMPARE(reasonOf(loaded), QStringLiteral("Invalid data type for 'Class 03'"));
        QCOMPARE(names.nameOf(1), QStringLiteral("Mini"));
        QCOMPARE(names.nameOf(2), QStringLiteral("Class 02"));
        QCOMPARE(names.nameOf(3), QString());
        QCOMPARE(names.nameOf(4), QString());
    }

    void readsNumbers_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<double>("expected");
        QTest::newRow("no file") << QByteArray() << 10.0;
        QTest::newRow("no such key") << QByteArray("[Configuration]\nFPSeconds=3\n") << 10.0;
        QTest::newRow("another section") << QByteArray("[Other]\nFSSeconds=3\n") << 10.0;
        QTest::newRow("whole number") << QByteArray("[Configuration]\nFSSeconds=7\n") << 7.0;
        QTest::newRow("fraction") << QByteArray("[Configuration]\nFSSeconds=2.5\n") << 2.5;
        QTest::newRow("zero") << QByteArray("[Configuration]\nFSSeconds=0\n") << 0.0;
        QTest::newRow("blanks around") << QByteArray("[Configuration]\nFSSeconds=\" 4 \"\n") << 4.0;
        QTest::newRow("a word") << QByteArray("[Configuration]\nFSSeconds=ten\n") << 10.0;
        QTest::newRow("empty") << QByteArray("[Configuration]\nFSSeconds=\n") << 10.0;
        QTest::newRow("decimal comma") << QByteArray("[Configuration]\nFSSeconds=\"2,5\"\n") << 10.0;
        QTest::newRow("not finite") << QByteArray("[Configuration]\nFSSeconds=inf\n") << 10.0;
        QTest::newRow("too large") << QByteArray("[Configuration]\nFSSeconds=1e999\n") << 10.0;
    }
    void readsNumbers()
    {
        QFETCH(QByteArray, file);
        QFETCH(double, expected);
        if (!file.isNull())
            writeSettingsFile(file);
        QCOMPARE(SettingsStore().readNumber(QStringLiteral("Configuration"), QStringLiteral("FSSeconds"), 10).value(), expected);
    }

    void writesNumbersAsText_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("whole") << 5.0 << QByteArray("FPSeconds=5");
        QTest::newRow("fraction") << 2.25 << QByteArray("FPSeconds=2.25");
        QTest::newRow("zero") << 0.0 << QByteArray("FPSeconds=0");
        QTest::newRow("top") << 100.0 << QByteArray("FPSeconds=100");
    }
    void writesNumbersAsText()
    {
        QFETCH(double, value);
        QFETCH(QByteArray, line);
        SettingsStore store;
        QVERIFY(store.writeNumber(QStringLiteral("Configuration"), QStringLiteral("FPSeconds"), value).ok());
        // Written through at once: the file holds the value as text under its section.
        const QByteArray content = readSettingsFile();
        QVERIFY2(content.startsWith("[Configuration]\n"), content.constData());
        QVERIFY2(content.contains(line + '\n'), content.constData());
        QCOMPARE(store.readNumber(QStringLiteral("Configuration"), QStringLiteral("FPSeconds"), -1).value(), value);
    }

    void valuesOfOtherKeysStay()
    {
        SettingsStore store;
        QVERIFY(store.writeNumber(QStringLiteral("Configuration"), QStringLiteral("FPSeconds"), 3).ok());
        QVERIFY(store.writeText(QStringLiteral("Configuration"), QStringLiteral("FSSeconds"), QStringLiteral("12")).ok());
        QVERIFY(store.writeNumber(QStringLiteral("Configuration"), QStringLiteral("FPSeconds"), 4).ok());
        QCOMPARE(store.readNumber(QStringLiteral("Configuration"), QStringLiteral("FSSeconds"), 0).value(), 12.0);
        QCOMPARE(store.readText(QStringLiteral("Configuration"), QStringLiteral("FPSeconds"), QString()).value(), QStringLiteral("4"));
        QCOMPARE(store.readText(QStringLiteral("Configuration"), QStringLiteral("Missing"), QStringLiteral("x")).value(), QStringLiteral("x"));
    }
};

ZORVEXA_CORE_TEST_MAIN(TestSettings)
#include "test_settings.moc"
