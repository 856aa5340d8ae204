#pragma once

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <memory>

// The built program started as a separate process, as a user starts it from the menu.
class ProgramRun final
{
public:
    explicit ProgramRun(const QString &program,
                        const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
    {
        m_process.setProgram(program);
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start();
        m_process.waitForStarted(5000);
    }
    ~ProgramRun()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    QProcess &process() { return m_process; }

    // The running copy answers other copies once its window is built.
    bool waitUntilListening(const QString &socketPath, int timeoutMs = 15000)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (!deadline.hasExpired()) {
            if (QFileInfo::exists(socketPath))
                return true;
            if (m_process.state() != QProcess::Running)
                return false;
            QTest::qWait(50);
        }
        return false;
    }

    // Ends the program the way a session does at log-out; true for a clean end.
    bool endAsAtLogout()
    {
        ::kill(pid_t(m_process.processId()), SIGTERM);
        return m_process.waitForFinished(15000) && m_process.exitStatus() == QProcess::NormalExit
            && m_process.exitCode() == 0;
    }

private:
    QProcess m_process;
};
