#include "core/Version.h"
#include "core/startlist/ListFile.h"
#include "core/system/DataFolder.h"
#include "support/TestEnvironment.h"

#include <QStandardPaths>

#include <unistd.h>

Q_DECLARE_METATYPE(DataFolderKind)

namespace {
bool runningAsRoot()
{
    return ::geteuid() == 0;
}
} // namespace

class TestDataFolder final : public QObject
{
    Q_OBJECT

    QString m_root;
    QString m_program;

private slots:
    void initTestCase()
    {
        QCoreApplication::setOrganizationName(QStringLiteral("Brasquell"));
        QCoreApplication::setApplicationName(QStringLiteral("Zorvexa"));
        m_root = QDir::cleanPath(programFolder() + QStringLiteral("/.."));
    }

    void init()
    {
        setConfiguredDataFolder(QString());
        m_program = programFolder();
        QDir(m_program).removeRecursively();
        QDir().mkpath(m_program);
        QDir(m_root + "/data").removeRecursively();
        resetDataFolder();
    }

    void cleanup()
    {
        QFile::setPermissions(m_program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        overrideProgramFolder(m_program);
    }

    void choice_data()
    {
        QTest::addColumn<QString>("configured");
        QTest::addColumn<bool>("installed");
        QTest::addColumn<bool>("programWritable");
        QTest::addColumn<bool>("hasUserData");
        QTest::addColumn<DataFolderKind>("expected");
        QTest::newRow("portable copy") << QString() << false << true << true << DataFolderKind::Program;
        QTest::newRow("copy in a read-only folder") << QString() << false << false << true << DataFolderKind::UserData;
        QTest::newRow("installed, read-only") << QString() << true << false << true << DataFolderKind::UserData;
        QTest::newRow("installed, writable (root)") << QString() << true << true << true << DataFolderKind::UserData;
        QTest::newRow("setting over a portable copy")
            << "/srv/events/spring" << false << true << true << DataFolderKind::Configured;
        QTest::newRow("setting over an installed copy")
            << "/srv/events/spring/" << true << false << true << DataFolderKind::Configured;
        QTest::newRow("no user data folder") << QString() << false << false << false << DataFolderKind::Program;
    }
    void choice()
    {
        QFETCH(QString, configured);
        QFETCH(bool, installed);
        QFETCH(bool, programWritable);
        QFETCH(bool, hasUserData);
        QFETCH(DataFolderKind, expected);

        const DataFolderPlaces places {
            configured, QStringLiteral("/opt/zorvexa"),
            hasUserData ? QStringLiteral("/home/timer/.local/share/Brasquell/Zorvexa") : QString(), installed};
        QStringList asked;
        const DataFolderChoice choice = chooseDataFolder(places, [&](const QString &folder) {
            asked << folder;
            return programWritable;
        });
        QCOMPARE(choice.kind, expected);
        const QString chosen = expected == DataFolderKind::Configured ? places.configured
            : expected == DataFolderKind::Program                     ? places.program
                                                                      : places.userData;
        QCOMPARE(QDir::cleanPath(choice.path), QDir::cleanPath(chosen));
        QVERIFY(choice.path.endsWith(QLatin1Char('/')));
        // Only the program folder's writability matters; no other folder is looked at.
        for (const QString &folder : asked)
            QCOMPARE(folder, places.program);
    }

    void writableFolder_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<bool>("expected");
        QTest::addColumn<bool>("needsOrdinaryUser");
        QTest::newRow("writable folder") << "folder" << true << false;
        QTest::newRow("missing folder") << "missing" << false << false;
        QTest::newRow("a file") << "file" << false << false;
        QTest::newRow("folder without write permission") << "read-only" << false << true;
    }
    void writableFolder()
    {
        QFETCH(QString, what);
        QFETCH(bool, expected);
        QFETCH(bool, needsOrdinaryUser);
        if (needsOrdinaryUser && runningAsRoot())
            QSKIP("Running as root: permissions do not stop root from writing, so this case cannot be seen.");

        QTemporaryDir scratch;
        const QString path = scratch.filePath(what);
        if (what == QLatin1String("folder") || what == QLatin1String("read-only"))
            QVERIFY(QDir().mkpath(path));
        if (what == QLatin1String("file")) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        if (what == QLatin1String("read-only"))
            QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner));
        QCOMPARE(isWritableFolder(path), expected);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void installedCopy_data()
    {
        QTest::addColumn<QString>("programSubfolder");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("expected");
        const QString ours = QStringLiteral("share/applications/%1.desktop").arg(QLatin1String(ZorvexaApplicationId));
        QTest::newRow("bin beside our desktop entry") << "bin" << ours << true;
        QTest::newRow("bin without a desktop entry") << "bin" << QString() << false;
        QTest::newRow("bin beside another program's entry") << "bin"
                                                            << "share/applications/other.desktop" << false;
        QTest::newRow("own folder with an entry above") << "zorvexa" << ours << false;
    }
    void installedCopy()
    {
        QFETCH(QString, programSubfolder);
        QFETCH(QString, entry);
        QFETCH(bool, expected);
        QTemporaryDir prefix;
        QVERIFY(QDir(prefix.path()).mkpath(programSubfolder));
        if (!entry.isEmpty()) {
            QVERIFY(QDir(prefix.path()).mkpath(QFileInfo(entry).path()));
            QFile file(prefix.filePath(entry));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QCOMPARE(isInstalledCopy(prefix.filePath(programSubfolder)), expected);
        QCOMPARE(isInstalledCopy(prefix.filePath(programSubfolder) + QLatin1Char('/')), expected);
    }

    void configuredValue_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected"); // below the home folder unless absolute
        QTest::newRow("not set") << QString() << QString();
        QTest::newRow("blank") << "   " << QString();
        QTest::newRow("absolute") << "/srv/events/spring"
                                  << "/srv/events/spring";
        QTest::newRow("absolute, trailing separator") << "/srv/events/spring/"
                                                      << "/srv/events/spring";
        QTest::newRow("surrounded by blanks") << "  /srv/events  "
                                              << "/srv/events";
        QTest::newRow("home") << "~"
                              << "~";
        QTest::newRow("below home") << "~/Events/2026"
                                    << "~/Events/2026";
        QTest::newRow("relative") << "Events/2026"
                                  << "~/Events/2026";
        QTest::newRow("dotted") << "/srv/events/../timing/./x"
                                << "/srv/timing/x";
    }
    void configuredValue()
    {
        QFETCH(QString, value);
        QFETCH(QString, expected);
        if (expected.startsWith(QLatin1Char('~')))
            expected = QDir::homePath() + expected.mid(1);
        QCOMPARE(configuredDataFolder(value), expected);
    }

    // The whole decision as the program makes it: settings file, folders, creation.
    void decisionOnThisMachine_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<bool>("readOnlyProgram");
        QTest::addColumn<DataFolderKind>("expected");
        QTest::newRow("portable") << QString() << false << DataFolderKind::Program;
        QTest::newRow("read-only program folder") << QString() << true << DataFolderKind::UserData;
        QTest::newRow("setting") << "events/autumn" << false << DataFolderKind::Configured;
        QTest::newRow("setting, read-only program folder") << "events/autumn" << true << DataFolderKind::Configured;
    }
    void decisionOnThisMachine()
    {
        QFETCH(QString, setting);
        QFETCH(bool, readOnlyProgram);
        QFETCH(DataFolderKind, expected);
        if (readOnlyProgram && runningAsRoot())
            QSKIP("Running as root: a read-only program folder is still writable for root; "
                  "the decision itself is covered by choice() with an injected check.");
        if (readOnlyProgram)
            QVERIFY(QFile::setPermissions(m_program, QFile::ReadOwner | QFile::ExeOwner));
        setConfiguredDataFolder(setting);

        const QString userData = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        QVERIFY(userData.startsWith(m_root + "/data/"));
        const QString expectedFolder = expected == DataFolderKind::Program ? m_program
            : expected == DataFolderKind::UserData                         ? userData + QLatin1Char('/')
                                                   : QDir::homePath() + QLatin1Char('/') + setting + QLatin1Char('/');
        const DataFolderChoice choice = currentDataFolder();
        QCOMPARE(choice.kind, expected);
        QCOMPARE(choice.path, expectedFolder);
        QCOMPARE(dataFolder(), expectedFolder);
        QVERIFY2(QFileInfo(expectedFolder).isDir(), "the data folder was not created");

        // Class files go where the decision says, and come back from there.
        StartList list;
        list.entries().push_back(StartListEntry {});
        QCOMPARE(ClassListPath(4), expectedFolder + QStringLiteral("List04.dat"));
        QVERIFY(WriteListFile(list, ClassListPath(4)).ok());
        QVERIFY(QFileInfo::exists(expectedFolder + QStringLiteral("List04.dat")));
        if (expected != DataFolderKind::Program)
            QVERIFY(!QFileInfo::exists(m_program + QStringLiteral("List04.dat")));
        StartList back;
        const Result<bool> read = ReadListFile(back, ClassListPath(4), false);
        QVERIFY(read.ok() && read.value());
        QCOMPARE(back.entries().size(), list.entries().size());
    }

    // Kept for the whole run, so one event never splits its class files over two folders.
    void decisionIsKeptUntilAskedAgain()
    {
        QCOMPARE(dataFolder(), m_program);
        if (!runningAsRoot()) {
            QVERIFY(QFile::setPermissions(m_program, QFile::ReadOwner | QFile::ExeOwner));
            QCOMPARE(dataFolder(), m_program);
        }
        setConfiguredDataFolder(m_root + QStringLiteral("/events"));
        QCOMPARE(dataFolder(), m_root + QStringLiteral("/events/"));
        // Another program folder (as a test sets one) decides again.
        setConfiguredDataFolder(QString());
        overrideProgramFolder(m_root + QStringLiteral("/other"));
        QDir().mkpath(m_root + QStringLiteral("/other"));
        QCOMPARE(dataFolder(), m_root + QStringLiteral("/other/"));
    }
};

ZORVEXA_CORE_TEST_MAIN(TestDataFolder)
#include "test_datafolder.moc"
