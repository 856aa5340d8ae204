#include "support/GuiTestMain.h"
#include "gui/JustOne.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QProcess>
#include <QWidget>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

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

    bool waitUntilListening(QProcess &process)
    {
        QDeadlineTimer deadline(15000);
        while (!deadline.hasExpired()) {
            if (QFileInfo::exists(socketPath()))
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
        for (const auto &[number, name] : {std::pair{SIGTERM, "SIGTERM"}, {SIGHUP, "SIGHUP"}, {SIGINT, "SIGINT"}}) {
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
                before += "[ZVX1RECORD]\r\nParticipant " + QByteArray::number(i) + "\r\n\r\n\r\n\r\n\r\n\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n";
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
                rlimit limit{};
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
            QVERIFY2(errors.contains(QStringLiteral("zorvexa: I/O error 27\n") + classFile), qPrintable(errors));
            QFile file(classFile);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), before);
        }
        QDir(classFile).removeRecursively();
        QFile::remove(classFile);
    }

    // Start-up tidies what a save cut off by a kill left behind, and writes no class file.
    void startRemovesStaleTemporaryFilesAndWritesNothing()
    {
        const QString classFile = programFolder() + QStringLiteral("List01.dat");
        const QString stale = programFolder() + QStringLiteral("List01.dat.kQzWpX");
        const QString kept = programFolder() + QStringLiteral("List01.dat.bak");
        QDir(classFile).removeRecursively();
        const QByteArray bytes = "[ZVX1FILE]\r\n[ZVX1RECORD]\r\nKim\r\n\r\n\r\n\r\n\r\n\r\n1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n[ZVX1END]\r\n";
        for (const QString &path : {classFile, stale, kept}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size());
        }
        const QFileInfo before(classFile);
        struct stat statBefore{};
        QCOMPARE(::stat(QFile::encodeName(classFile).constData(), &statBefore), 0);

        auto copy = startCopy();
        QVERIFY(waitUntilListening(*copy));
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(stale), 5000);
        QTest::qWait(700);
        struct stat statAfter{};
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
};

ZORVEXA_TEST_MAIN(TestSingleInstance)
#include "test_singleinstance.moc"
