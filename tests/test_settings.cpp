#include "core/settings/ClassNames.h"
#include "core/settings/RaceRulesSettings.h"
#include "core/settings/SettingKeys.h"
#include "core/settings/SettingsStore.h"
#include "support/ListFiles.h"
#include "support/ProgramRun.h"
#include "support/SettingsFile.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QSettings>
#include <QSignalSpy>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {
template<typename T> SettingKey<T> key(const QString &section, const QString &name, T fallback)
{
    return {section, name, std::move(fallback)};
}

} // namespace

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

    void theFileIsNamedForUsers()
    {
        const QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Brasquell"),
                                 QStringLiteral("Zorvexa"));
        QCOMPARE(SettingsStore::filePath(), settings.fileName());
    }

    void reading_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("integer"); // read with default 7
        QTest::addColumn<bool>("boolean"); // read with default true
        QTest::addColumn<QString>("text"); // read with default "none"
        const QByteArray hand
            = "\xEF\xBB\xBF; written by hand\r\n# another comment\r\n\r\n[Configuration]\r\n"
              "COM = 3\r\nAutoLock=0\r\nName=Bambini, Mini\r\nEmpty=\r\n\r\n[Class Names]\r\nClass 01=U8\r\n";
        QTest::newRow("no file") << QByteArray() << "COM" << 7 << true << "none";
        QTest::newRow("hand-edited integer") << hand << "COM" << 3 << true << "3";
        QTest::newRow("hand-edited zero") << hand << "AutoLock" << 0 << false << "0";
        QTest::newRow("comma in a text") << hand << "Name" << 7 << true << "Bambini, Mini";
        QTest::newRow("empty value is empty text") << hand << "Empty" << 7 << true << "";
        QTest::newRow("missing value") << hand << "ActiveColor" << 7 << true << "none";
        QTest::newRow("any other integer is true")
            << QByteArray("[Configuration]\nAutoLock=5\n") << "AutoLock" << 5 << true << "5";
        QTest::newRow("no integer") << QByteArray("[Configuration]\nAutoLock=yes\n") << "AutoLock" << 7 << true
                                    << "yes";
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
        QCOMPARE(store.read(key(section, name, 7)).value(), integer);
        QCOMPARE(store.read(key(section, name, true)).value(), boolean);
        QCOMPARE(store.read(key(section, name, QStringLiteral("none"))).value(), text);
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
        const Result<int> read = store.read(Setting::ComPort);
        QVERIFY(!read);
        QCOMPARE(read.error().reason, QStringLiteral("Invalid data type for 'COM'"));
        QCOMPARE(store.read(Setting::AlgorithmIndex).value(), 1);
    }

    void writingKeepsTheOtherValues()
    {
        writeSettingsFile("; mine\n[Configuration]\nCOM=3\n[Other]\nKeep=this, and that\n");
        SettingsStore store;
        QVERIFY(store.write(Setting::AutoLock, false).ok());
        QVERIFY(store.write(Setting::ClassName(1), QStringLiteral("A, B")).ok());
        QCOMPARE(store.read(Setting::ComPort).value(), 3);
        QCOMPARE(store.read(key(QStringLiteral("Other"), QStringLiteral("Keep"), QString())).value(),
                 QStringLiteral("this, and that"));
        QCOMPARE(readSettingsFile(),
                 QByteArray("[Class%20Names]\nClass%2001=\"A, B\"\n\n[Configuration]\nAutoLock=0\n"
                            "COM=3\n\n[Other]\nKeep=this, and that\n"));
        QCOMPARE(store.read(Setting::ClassName(1)).value(), QStringLiteral("A, B"));
    }

    // Root may write anywhere, so the failures come from paths no one can write to.
    void failedWritesSayWhat()
    {
        SettingsStore store;
        writeSettingsFile("[Configuration]\nCOM=3\n");
        QFile::remove(settingsPath());
        QVERIFY(QDir().mkpath(settingsPath())); // the file's name taken by a folder
        QCOMPARE(reasonOf(store.write(Setting::ComPort, 1)),
                 QStringLiteral("%1 is not a regular file.").arg(settingsPath()));
        QDir().rmdir(settingsPath());

        // A file where the settings folder should be.
        const QString folder = QFileInfo(settingsPath()).absolutePath();
        QVERIFY(QDir(folder).removeRecursively());
        QFile file(folder);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QCOMPARE(reasonOf(store.write(Setting::ComPort, 1)), QStringLiteral("Failed to create key Configuration"));
        QFile::remove(folder);
    }

    // Only a regular file, links followed, of at most 1 MiB is read or written. Anything else is
    // left as it is, in this process and in the program, which starts on its defaults.
    void onlyARegularFileIsUsed_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason"); // "%1" the settings file
        const QString notRegular = QStringLiteral("%1 is not a regular file.");
        QTest::newRow("FIFO") << "fifo" << notRegular;
        QTest::newRow("link to a device") << "link to device" << notRegular;
        QTest::newRow("link to nothing") << "dangling link" << notRegular;
        QTest::newRow("loop of links") << "link loop" << notRegular;
        QTest::newRow("sparse 10 GiB") << "huge"
                                       << QStringLiteral(
                                              "%1 is 10.00 GiB, too large for a settings file (at most 1.00 MiB).");
    }
    // 1 MiB is the most a settings file may have, and all of it is read.
    void sizeLimit_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<double>("read");
        QTest::newRow("1 MiB") << SettingsStore::MaxFileSize << 7.0;
        QTest::newRow("1 MiB and a byte") << SettingsStore::MaxFileSize + 1 << Setting::FPSeconds.fallback;
    }
    void sizeLimit()
    {
        QFETCH(qint64, size);
        QFETCH(double, read);
        const QByteArray start("[Configuration]\nFPSeconds=7\nNote=");
        writeSettingsFile(start + QByteArray(size - start.size() - 1, 'x') + '\n');
        QCOMPARE(QFileInfo(settingsPath()).size(), size);
        QCOMPARE(SettingsStore::checkFile().ok(), size <= SettingsStore::MaxFileSize);
        QCOMPARE(SettingsStore().read(Setting::FPSeconds).value_or(-1), read);
    }

    void onlyARegularFileIsUsed()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        const QString path = settingsPath();
        const QString other = QFileInfo(path).absolutePath() + QStringLiteral("/elsewhere");
        QDir().mkpath(QFileInfo(path).absolutePath());
        if (kind == QLatin1String("fifo"))
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        if (kind == QLatin1String("link to device")) {
            // A null device of its own, so a fault cannot replace the system's.
            if (::mknod(QFile::encodeName(other).constData(), S_IFCHR | 0600, makedev(1, 3)) != 0)
                QSKIP("No device node can be made here.");
            QVERIFY(QFile::link(other, path));
        }
        if (kind == QLatin1String("dangling link"))
            QVERIFY(QFile::link(other, path));
        if (kind == QLatin1String("link loop"))
            QVERIFY(QFile::link(other, path) && QFile::link(path, other));
        if (kind == QLatin1String("huge")) {
            writeSettingsFile("[Configuration]\nFPSeconds=7\n");
            QVERIFY(QFile::resize(path, qint64(10) << 30));
        }
        struct stat before = {};
        const bool existed = ::stat(QFile::encodeName(path).constData(), &before) == 0;

        // Were the FIFO opened, the test would wait for ever: let it fail instead.
        ::alarm(20);
        const FileResult usable = SettingsStore::checkFile();
        QCOMPARE(reasonOf(usable), reason.arg(path));
        SettingsStore store;
        QCOMPARE(store.read(Setting::FPSeconds).value(), Setting::FPSeconds.fallback);
        QCOMPARE(reasonOf(store.write(Setting::FPSeconds, 3)), reason.arg(path));
        ::alarm(0);

        // The program starts, ends at log-out, and leaves the file as it found it.
        QFile::remove(programFolder() + QStringLiteral("zorvexa"));
        QVERIFY(QFile::copy(QStringLiteral(ZORVEXA_BINARY), programFolder() + QStringLiteral("zorvexa")));
        ProgramRun run(programFolder() + QStringLiteral("zorvexa"));
        QVERIFY(run.waitUntilListening(qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/Zorvexa.sock")));
        QVERIFY(run.endAsAtLogout());
        struct stat after = {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &after) == 0, existed);
        if (existed) {
            QCOMPARE(after.st_ino, before.st_ino);
            QCOMPARE(after.st_mode, before.st_mode);
            QCOMPARE(after.st_size, before.st_size);
        }
        QCOMPARE(QFileInfo(path).isSymLink(), kind.contains(QLatin1String("link")));
        QFile::remove(other);
        QFile::remove(path);
    }

    void classNamesStartAsDefaultsAndAreAllWritten()
    {
        SettingsStore store;
        ClassNames names;
        QVERIFY(names.LoadClassNames(store).ok());
        QCOMPARE(names.nameOf(1), QStringLiteral("Class 01"));
        QCOMPARE(names.nameOf(10), QStringLiteral("Class 10"));
        QVERIFY(names.nameOf(0).isNull());
        QVERIFY(names.nameOf(11).isNull());
        QVERIFY(names.SaveClassNames(store).ok());
        for (int c = FirstClass; c <= LastClass; ++c)
            QCOMPARE(
                store
                    .read(key(QStringLiteral("Class Names"), QStringLiteral("Class %1").arg(c, 2, 10, QLatin1Char('0')),
                              QStringLiteral("missing")))
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
        QCOMPARE(SettingsStore().read(Setting::FSSeconds).value(), expected);
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
        QVERIFY(store.write(Setting::FPSeconds, value).ok());
        // Written through at once: the file holds the value as text under its section.
        const QByteArray content = readSettingsFile();
        QVERIFY2(content.startsWith("[Configuration]\n"), content.constData());
        QVERIFY2(content.contains(line + '\n'), content.constData());
        QCOMPARE(store.read(Setting::FPSeconds).value(), value);
    }

    void valuesOfOtherKeysStay()
    {
        SettingsStore store;
        QVERIFY(store.write(Setting::FPSeconds, 3).ok());
        QVERIFY(store
                    .write(key(QStringLiteral("Configuration"), QStringLiteral("FSSeconds"), QString()),
                           QStringLiteral("12"))
                    .ok());
        QVERIFY(store.write(Setting::FPSeconds, 4).ok());
        QCOMPARE(store.read(Setting::FSSeconds).value(), 12.0);
        QCOMPARE(store.read(key(QStringLiteral("Configuration"), QStringLiteral("FPSeconds"), QString())).value(),
                 QStringLiteral("4"));
        QCOMPARE(
            store.read(key(QStringLiteral("Configuration"), QStringLiteral("Missing"), QStringLiteral("x"))).value(),
            QStringLiteral("x"));
    }

    // The event's rules come out of one read of the file, whatever section each value lives in.
    void raceRulesFromTheFile_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("rules"); // fp fs mode club best | name | info titles | class 2
        QTest::newRow("no file") << QByteArray() << "2 10 0 0 3 |  | Info1 Info2 Info3 | Class 02";
        QTest::newRow("all set") << QByteArray("[Configuration]\nFPSeconds=3.9\nFSSeconds=12\nScoringMode=1\n"
                                               "ClubInfoField=2\nClubBestDrivers=4\nInfo2Name=Verein\n"
                                               "[Event]\nName= Nord \n[Class Names]\nClass 02=Bambini\n")
                                 << "3 12 1 2 4 | Nord | Info1 Verein Info3 | Bambini";
        QTest::newRow("old event name, odd numbers")
            << QByteArray("[Configuration]\nFPSeconds=x\nClubInfoField=7\nClubBestDrivers=99\n"
                          "[Results]\nEventName=Alt\n")
            << "2 10 0 0 20 | Alt | Info1 Info2 Info3 | Class 02";
    }
    void raceRulesFromTheFile()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, rules);
        if (!file.isNull())
            writeSettingsFile(file);
        const RaceRules read = readRaceRules(SettingsStore()).value();
        const QString shown
            = QStringLiteral("%1 %2 %3 %4 %5 | %6 | %7 | %8")
                  .arg(read.fpSeconds)
                  .arg(read.fsSeconds)
                  .arg(int(read.scoring))
                  .arg(read.clubField)
                  .arg(read.clubBest)
                  .arg(read.event.name, QStringList(read.infoTitles.begin(), read.infoTitles.end()).join(' '),
                       read.className(2));
        QCOMPARE(shown, rules);
    }
};

ZORVEXA_CORE_TEST_MAIN(TestSettings)
#include "test_settings.moc"
