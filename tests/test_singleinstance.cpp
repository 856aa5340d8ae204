#include "support/GuiTestMain.h"
#include "gui/JustOne.h"

#include <QDirIterator>
#include <QProcess>
#include <QWidget>
#include <QScopeGuard>

#include <csignal>
#include <pwd.h>
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

    // The guard is per user: its files live in the user's own runtime folder, or carry the
    // user's id in the shared temporary folder, so another user's copy never blocks this one.
    void guardFilesBelongToTheUser_data()
    {
        QTest::addColumn<QString>("runtime"); // "usable", "unusable"
        QTest::addColumn<QString>("temporary"); // "exists", "missing"
        QTest::addColumn<QString>("expectedLock"); // below the sandbox; empty: no lock at all
        const QString user = QStringLiteral("-%1").arg(::geteuid());
        QTest::newRow("runtime folder") << "usable" << "exists" << "runtime/Zorvexa.lock";
        QTest::newRow("runtime folder unusable") << "unusable" << "exists" << "tmp/Zorvexa" + user + ".lock";
        QTest::newRow("no folder for a lock") << "unusable" << "missing" << QString();
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
            qputenv("TMPDIR", QFile::encodeName(root + QStringLiteral("/missing/tmp")));
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
