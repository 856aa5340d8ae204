#include "support/GuiTestMain.h"
#include "gui/JustOne.h"

#include <QDirIterator>
#include <QProcess>
#include <QWidget>
#include <csignal>

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
};

ZORVEXA_TEST_MAIN(TestSingleInstance)
#include "test_singleinstance.moc"
