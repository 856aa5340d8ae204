#include "core/system/TerminationSignals.h"
#include "gui/common/JustOne.h"
#include "support/GuiTestMain.h"
#include "support/ProgramRun.h"
#include "support/SettingsFile.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QWidget>

#include <csignal>
#include <grp.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
struct FileStamp
{
    qint64 size;
    QDateTime modified;
    bool operator==(const FileStamp &) const = default;
};

QMap<QString, FileStamp> filesBelow(const QStringList &folders)
{
    QMap<QString, FileStamp> files;
    for (const QString &folder : folders) {
        QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo info(it.next());
            files.insert(info.filePath(), {info.size(), info.lastModified()});
        }
    }
    return files;
}
} // namespace

class TestSingleInstance final : public QObject
{
    Q_OBJECT

    QString m_program;
    QString m_root;

    QString runtimeFolder() const { return qEnvironmentVariable("XDG_RUNTIME_DIR"); }
    QString socketPath() const { return runtimeFolder() + QStringLiteral("/Zorvexa.sock"); }

    std::unique_ptr<QProcess> startCopy()
    {
        auto process = std::make_unique<QProcess>();
        process->setProgram(m_program);
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start();
        process->waitForStarted(5000);
        return process;
    }

    bool waitUntilListening(QProcess &process) { return waitUntilListening(process, socketPath()); }
    bool waitUntilListening(QProcess &process, const QString &socket)
    {
        QDeadlineTimer deadline(15000);
        while (!deadline.hasExpired()) {
            if (QFileInfo::exists(socket))
                return true;
            if (process.state() != QProcess::Running)
                return false;
            QTest::qWait(50);
        }
        return false;
    }

private slots:
    void initTestCase()
    {
        // The copy under test runs from its own folder, so whatever it writes stays in the sandbox.
        m_root = QFileInfo(programFolder()).absolutePath();
        m_program = programFolder() + QStringLiteral("zorvexa");
        QFile::remove(m_program);
        QVERIFY(QFile::copy(QStringLiteral(ZORVEXA_BINARY), m_program));
        m_root = QDir(programFolder()).absoluteFilePath(QStringLiteral(".."));
    }

    void secondCopyEndsAndChangesNothing()
    {
        auto first = startCopy();
        QVERIFY(waitUntilListening(*first));
        const QStringList watched = {m_root + "/home", m_root + "/config", m_root + "/program"};
        // Let the first copy finish its own start-up writes (font caches and the like).
        auto before = filesBelow(watched);
        for (int i = 0; i < 20; ++i) {
            QTest::qWait(250);
            const auto now = filesBelow(watched);
            if (now == before)
                break;
            before = now;
        }

        auto second = startCopy();
        QVERIFY(second->waitForFinished(15000));
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 0);
        QCOMPARE(first->state(), QProcess::Running);
        QCOMPARE(filesBelow(watched), before);

        first->terminate();
        QVERIFY(first->waitForFinished(15000));
    }

    void lockOfAKilledCopyDoesNotBlock()
    {
        auto crashed = startCopy();
        QVERIFY(waitUntilListening(*crashed));
        crashed->kill(); // SIGKILL: no clean-up runs
        QVERIFY(crashed->waitForFinished(5000));
        QVERIFY(QFileInfo::exists(runtimeFolder() + QStringLiteral("/Zorvexa.lock")));

        auto next = startCopy();
        QVERIFY(next->waitForStarted(5000));
        QTest::qWait(1500);
        QCOMPARE(next->state(), QProcess::Running);
        next->terminate();
        QVERIFY(next->waitForFinished(15000));
    }

    void endingSignalsCloseTheWindow_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGHUP") << int(SIGHUP);
        QTest::newRow("SIGINT") << int(SIGINT);
    }
    void endingSignalsCloseTheWindow()
    {
        QFETCH(int, signalNumber);
        const QString classFile = programFolder() + QStringLiteral("List01.dat");
        QFile::remove(classFile);
        auto copy = startCopy();
        QVERIFY(waitUntilListening(*copy));
        ::kill(pid_t(copy->processId()), signalNumber);
        QVERIFY(copy->waitForFinished(15000));
        QCOMPARE(copy->exitStatus(), QProcess::NormalExit);
        QCOMPARE(copy->exitCode(), 0);
        QVERIFY2(QFileInfo::exists(classFile), "the current class was not saved");
        // A clean end releases the lock for the next start.
        auto next = startCopy();
        QVERIFY(waitUntilListening(*next));
        next->terminate();
        QVERIFY(next->waitForFinished(15000));
    }

    // A logout while saving keeps failing: one try, the reason on standard error, and the program
    // ends at once with nothing shown. A full disk is a file size limit on the copy; a class file
    // that is a folder shows its message at start-up, and the signal comes while it is open.
    void endingSignalsWhileSavingFails_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::addColumn<QString>("fault");
        for (const auto &[number, name] : {std::pair {SIGTERM, "SIGTERM"}, {SIGHUP, "SIGHUP"}, {SIGINT, "SIGINT"}}) {
            QTest::addRow("%s, disk full", name) << int(number) << "disk full";
            QTest::addRow("%s, class file is a folder", name) << int(number) << "folder";
        }
    }
    void endingSignalsWhileSavingFails()
    {
        QFETCH(int, signalNumber);
        QFETCH(QString, fault);
        const QString classFile = programFolder() + QStringLiteral("List01.dat");
        QFile::remove(classFile);
        QDir(classFile).removeRecursively();
        QByteArray before;
        if (fault == QLatin1String("folder")) {
            QVERIFY(QDir().mkpath(classFile));
        } else {
            before = "[ZVX1FILE]\r\n";
            for (int i = 0; i < 200; ++i)
                before += "[ZVX1RECORD]\r\nParticipant " + QByteArray::number(i)
                    + "\r\n\r\n\r\n\r\n\r\n\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n";
            before += "[ZVX1END]\r\n";
            QFile file(classFile);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(before) == before.size());
        }

        QProcess copy;
        copy.setProgram(m_program);
        if (fault == QLatin1String("disk full")) {
            // Room for the lock file and the like, not for the class file.
            copy.setChildProcessModifier([] {
                ::signal(SIGXFSZ, SIG_IGN);
                rlimit limit {};
                ::getrlimit(RLIMIT_FSIZE, &limit);
                limit.rlim_cur = 4096;
                ::setrlimit(RLIMIT_FSIZE, &limit);
            });
        }
        copy.start();
        QVERIFY(copy.waitForStarted(5000));
        QVERIFY(waitUntilListening(copy));
        // Let it reach its window or its start-up message.
        QTest::qWait(700);
        QElapsedTimer ending;
        ending.start();
        ::kill(pid_t(copy.processId()), signalNumber);
        QVERIFY2(copy.waitForFinished(10000), "the program did not end");
        QVERIFY2(ending.elapsed() < 5000, qPrintable(QStringLiteral("ending took %1 ms").arg(ending.elapsed())));
        QCOMPARE(copy.exitStatus(), QProcess::NormalExit);
        QCOMPARE(copy.exitCode(), 0);
        const QString errors = QString::fromLocal8Bit(copy.readAllStandardError());
        if (fault == QLatin1String("folder")) {
            QVERIFY(QFileInfo(classFile).isDir());
        } else {
            QVERIFY2(errors.contains(QStringLiteral("zorvexa: Ein-/Ausgabefehler 27\n") + classFile),
                     qPrintable(errors));
            QFile file(classFile);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), before);
        }
        QDir(classFile).removeRecursively();
        QFile::remove(classFile);
    }

    // A class name of the wrong kind shows a message at start-up; an ending signal while it is open
    // leaves the results in the class file as they were.
    void endingSignalDuringAStartUpMessageKeepsTheClassFile()
    {
        const QString classFile = programFolder() + QStringLiteral("List01.dat");
        QByteArray before = "[ZVX1FILE]\r\n";
        for (const char *name : {"Kim", "Lee", "Ola", "Ida", "Max"})
            before += "[ZVX1RECORD]\r\n" + QByteArray(name)
                + "\r\n\r\n\r\n\r\n\r\n\r\n61230\r\n1\r\n0\r\n59990\r\n0\r\n1\r\n";
        before += "[ZVX1END]\r\n";
        QFile file(classFile);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(before) == before.size());
        file.close();
        writeSettingsFile("[Class%20Names]\r\nClass%2001=@ByteArray(x)\r\n");
        const auto cleanUp = qScopeGuard([&] {
            QFile::remove(settingsPath());
            QFile::remove(classFile);
        });

        auto copy = startCopy();
        QVERIFY(waitUntilListening(*copy));
        QTest::qWait(700);
        ::kill(pid_t(copy->processId()), SIGTERM);
        QVERIFY(copy->waitForFinished(10000));
        QCOMPARE(copy->exitCode(), 0);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
    }

    // A damaged catalogue fails for every window; a log-out while its message is open still
    // ends the program at once, with the class saved.
    void endingSignalDuringTheCatalogueMessage()
    {
        const QString classFile = programFolder() + QStringLiteral("List01.dat");
        QFile::remove(classFile);
        QFile original(m_program);
        QVERIFY(original.open(QIODevice::ReadOnly));
        QByteArray bytes = original.readAll();
        // The appended catalogue's header, the last in the file, names a charset it must not.
        bytes.replace(bytes.lastIndexOf("charset=UTF-8"), 13, "charset=ASCII");
        const QString damaged = programFolder() + QStringLiteral("zorvexa-damaged");
        QFile::remove(damaged);
        QVERIFY(QFile::copy(m_program, damaged));
        QFile copyFile(damaged);
        QVERIFY(copyFile.open(QIODevice::WriteOnly) && copyFile.write(bytes) == bytes.size());
        copyFile.close();

        ProgramRun run(damaged);
        QVERIFY(run.waitUntilListening(socketPath()));
        QTest::qWait(1000); // the catalogue's message comes up
        QVERIFY(run.endAsAtLogout());
        QVERIFY2(QFileInfo::exists(classFile), "the current class was not saved");
        QFile::remove(damaged);
    }

    // A signal that comes while nothing listens yet (a start-up message is open) is handed to
    // the receiver that connects later, once, at the next event loop.
    void signalBeforeItsReceiverIsKept()
    {
        TerminationSignals ending;
        ::raise(SIGHUP);
        QTest::qWait(100);
        QSignalSpy received(&ending, &TerminationSignals::terminationRequested);
        QCOMPARE(received.count(), 0);
        QVERIFY(received.wait(2000));
        QCOMPARE(received.takeFirst().first().toInt(), int(SIGHUP));
        QTest::qWait(100);
        QCOMPARE(received.count(), 0);
    }

    // Start-up tidies what a save cut off by a kill left behind, and writes no class file.
    void startRemovesStaleTemporaryFilesAndWritesNothing()
    {
        const QString classFile = programFolder() + QStringLiteral("List01.dat");
        const QString stale = programFolder() + QStringLiteral("List01.dat.zvx-kQzWpX");
        const QString kept = programFolder() + QStringLiteral("List01.dat.bak");
        QDir(classFile).removeRecursively();
        const QByteArray bytes
            = "[ZVX1FILE]\r\n[ZVX1RECORD]\r\nKim\r\n\r\n\r\n\r\n\r\n\r\n1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n[ZVX1END]\r\n";
        for (const QString &path : {classFile, stale, kept}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size());
        }
        const QFileInfo before(classFile);
        struct stat statBefore = {};
        QCOMPARE(::stat(QFile::encodeName(classFile).constData(), &statBefore), 0);

        auto copy = startCopy();
        QVERIFY(waitUntilListening(*copy));
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(stale), 5000);
        QTest::qWait(700);
        struct stat statAfter = {};
        QCOMPARE(::stat(QFile::encodeName(classFile).constData(), &statAfter), 0);
        QCOMPARE(statAfter.st_ino, statBefore.st_ino);
        QCOMPARE(QFileInfo(classFile).lastModified(), before.lastModified());
        QVERIFY(QFileInfo::exists(kept));
        copy->terminate();
        QVERIFY(copy->waitForFinished(15000));
        QFile::remove(classFile);
        QFile::remove(kept);
    }

    // Asked by a second copy, the first restores its minimised window and brings it forward.
    void secondCopyRestoresTheFirstWindow()
    {
        QWidget firstWindow;
        TXJustOne firstGuard(&firstWindow);
        QVERIFY(firstGuard.Loaded());
        firstWindow.showMinimized();
        QVERIFY(firstWindow.isMinimized());

        QWidget secondWindow;
        TXJustOne secondGuard(&secondWindow);
        int alreadyExist = 0;
        connect(&secondGuard, &TXJustOne::AlreadyExist, this, [&] { ++alreadyExist; });
        QVERIFY(!secondGuard.Loaded());
        QVERIFY(secondGuard.isSecondCopy());
        QCOMPARE(alreadyExist, 1);
        QTRY_VERIFY_WITH_TIMEOUT(!firstWindow.isMinimized(), 5000);
        QVERIFY(firstWindow.isVisible());
        QVERIFY(!secondWindow.isVisible());
    }

    // Two users on one machine, at the same time: each gets a copy of their own, with or
    // without runtime folders. Needs root to start the second user's copy.
    void twoUsersRunAtOnce_data()
    {
        QTest::addColumn<bool>("runtimeFolders");
        QTest::newRow("own runtime folders") << true;
        QTest::newRow("no usable runtime folder") << false;
    }
    void twoUsersRunAtOnce()
    {
        QFETCH(bool, runtimeFolders);
        if (::geteuid() != 0)
            QSKIP("Starting a copy as another user needs root; the per-user lock names are covered by "
                  "guardFilesBelongToTheUser.");
        constexpr uid_t OtherUser = 65534;
        // getpwuid() answers in one static record: each answer is copied before the next call.
        const passwd *other = ::getpwuid(OtherUser);
        if (!other)
            QSKIP("No account 65534 (nobody) on this machine.");
        const gid_t otherGroup = other->pw_gid;
        const QString otherName = QString::fromLocal8Bit(other->pw_name);
        const QString selfName = QString::fromLocal8Bit(::getpwuid(::geteuid())->pw_name);

        // A program folder and a temporary folder both users can reach; a home for the other user.
        const QString root = QDir::cleanPath(m_root);
        const QString shared = root + QStringLiteral("/shared");
        const QString tmp = root + QStringLiteral("/shared-tmp");
        const QString otherHome = root + QStringLiteral("/other");
        for (const QString &folder : {shared, tmp, otherHome})
            QDir(folder).removeRecursively();
        QVERIFY(QDir().mkpath(shared) && QDir().mkpath(tmp) && QDir().mkpath(otherHome + "/runtime"));
        const auto everyone = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
            | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
        QVERIFY(QFile::setPermissions(root, everyone));
        QVERIFY(QFile::setPermissions(shared, everyone));
        QVERIFY(QFile::copy(m_program, shared + QStringLiteral("/zorvexa")));
        QVERIFY(QFile::setPermissions(shared + QStringLiteral("/zorvexa"), everyone));
        QVERIFY(::chmod(QFile::encodeName(tmp).constData(), 01777) == 0);
        for (const QString &folder : {otherHome, otherHome + QStringLiteral("/runtime")})
            QVERIFY(::chown(QFile::encodeName(folder).constData(), OtherUser, otherGroup) == 0);
        QVERIFY(QFile::setPermissions(otherHome + QStringLiteral("/runtime"),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        const auto restore = qScopeGuard([&] {
            QFile::setPermissions(root, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QDir(otherHome).removeRecursively();
            QDir(tmp).removeRecursively();
        });

        QProcessEnvironment mine = QProcessEnvironment::systemEnvironment();
        QProcessEnvironment theirs = mine;
        theirs.insert(QStringLiteral("HOME"), otherHome);
        theirs.insert(QStringLiteral("XDG_CONFIG_HOME"), otherHome + QStringLiteral("/config"));
        theirs.insert(QStringLiteral("XDG_DATA_HOME"), otherHome + QStringLiteral("/data"));
        theirs.insert(QStringLiteral("XDG_CACHE_HOME"), otherHome + QStringLiteral("/cache"));
        theirs.insert(QStringLiteral("XDG_RUNTIME_DIR"), otherHome + QStringLiteral("/runtime"));
        QString mySocket = socketPath();
        QString theirSocket = otherHome + QStringLiteral("/runtime/Zorvexa.sock");
        if (!runtimeFolders) {
            // Qt's own fallback, <tmp>/runtime-<user>, blocked for both by files of that name.
            for (const QString &name : {selfName, otherName}) {
                QFile blocker(tmp + QStringLiteral("/runtime-") + name);
                QVERIFY(blocker.open(QIODevice::WriteOnly));
            }
            for (QProcessEnvironment *environment : {&mine, &theirs}) {
                environment->remove(QStringLiteral("XDG_RUNTIME_DIR"));
                environment->insert(QStringLiteral("TMPDIR"), tmp);
            }
            mySocket = tmp + QStringLiteral("/Zorvexa-%1.sock").arg(::geteuid());
            theirSocket = tmp + QStringLiteral("/Zorvexa-%1.sock").arg(OtherUser);
        }

        QProcess first;
        first.setProgram(shared + QStringLiteral("/zorvexa"));
        first.setProcessEnvironment(mine);
        first.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        first.start();
        QVERIFY(first.waitForStarted(5000));
        QVERIFY(waitUntilListening(first, mySocket));

        QProcess second;
        second.setProgram(shared + QStringLiteral("/zorvexa"));
        second.setProcessEnvironment(theirs);
        second.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        second.setChildProcessModifier([otherGroup] {
            if (::setgroups(0, nullptr) != 0 || ::setgid(otherGroup) != 0 || ::setuid(OtherUser) != 0)
                ::_exit(127);
        });
        second.start();
        QVERIFY(second.waitForStarted(5000));
        QVERIFY2(waitUntilListening(second, theirSocket), "the other user's copy did not start its own guard");
        QCOMPARE(first.state(), QProcess::Running);
        QCOMPARE(second.state(), QProcess::Running);

        for (QProcess *copy : {&first, &second}) {
            copy->terminate();
            QVERIFY(copy->waitForFinished(15000));
            QCOMPARE(copy->exitCode(), 0);
        }
    }

    // The guard is per user: its files live in the user's own runtime folder, or carry the
    // user's id in the shared temporary folder, so another user's copy never blocks this one.
    void guardFilesBelongToTheUser_data()
    {
        QTest::addColumn<QString>("runtime"); // "usable", "unusable"
        QTest::addColumn<QString>("temporary"); // "exists", "a file"
        QTest::addColumn<QString>("expectedLock"); // below the sandbox; empty: no lock at all
        const QString user = QStringLiteral("-%1").arg(::geteuid());
        QTest::newRow("runtime folder") << "usable"
                                        << "exists"
                                        << "runtime/Zorvexa.lock";
        QTest::newRow("runtime folder unusable") << "unusable"
                                                 << "exists"
                                                 << "tmp/Zorvexa" + user + ".lock";
        QTest::newRow("no folder for a lock") << "unusable"
                                              << "a file" << QString();
    }
    void guardFilesBelongToTheUser()
    {
        QFETCH(QString, runtime);
        QFETCH(QString, temporary);
        QFETCH(QString, expectedLock);
        const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
        const QByteArray savedTemporary = qgetenv("TMPDIR");
        const auto restore = qScopeGuard([&] {
            qputenv("XDG_RUNTIME_DIR", savedRuntime);
            qputenv("TMPDIR", savedTemporary);
        });
        const QString root = QDir::cleanPath(m_root);
        const QString tmp = root + QStringLiteral("/tmp");
        QDir(tmp).removeRecursively();
        if (temporary == QLatin1String("exists")) {
            QVERIFY(QDir().mkpath(tmp));
            qputenv("TMPDIR", QFile::encodeName(tmp));
        } else {
            // A file where the temporary folder should be: nothing can be made in it, not even by root.
            QFile notAFolder(root + QStringLiteral("/tmp-file"));
            QVERIFY(notAFolder.open(QIODevice::WriteOnly));
            qputenv("TMPDIR", QFile::encodeName(notAFolder.fileName()));
        }
        if (runtime == QLatin1String("unusable")) {
            // Qt's own fallback, <tmp>/runtime-<user>, blocked by a file of that name.
            qunsetenv("XDG_RUNTIME_DIR");
            const passwd *account = ::getpwuid(::geteuid());
            QFile blocker(tmp + QStringLiteral("/runtime-") + QString::fromLocal8Bit(account ? account->pw_name : ""));
            if (temporary == QLatin1String("exists"))
                QVERIFY(blocker.open(QIODevice::WriteOnly));
        }

        QWidget window;
        TXJustOne guard(&window);
        QVERIFY(guard.Loaded());
        if (expectedLock.isEmpty()) {
            QVERIFY(!guard.isSecondCopy());
            return;
        }
        QCOMPARE(QDir::cleanPath(TXJustOne::lockPath()), root + QLatin1Char('/') + expectedLock);
        QVERIFY(QFileInfo::exists(TXJustOne::lockPath()));
        // Wherever the files are, they still keep a second copy of the same user out.
        QWidget otherWindow;
        TXJustOne other(&otherWindow);
        other.SetSwitchToPrevious(false);
        QVERIFY(!other.Loaded());
        QVERIFY(other.isSecondCopy());
    }
};

ZORVEXA_TEST_MAIN(TestSingleInstance)
#include "test_singleinstance.moc"
