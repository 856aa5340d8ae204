#pragma once

#include "core/barrier/ContactPair.h"
#include "core/barrier/ModemLines.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

// Watches one input line of a serial port on a thread of its own. The thread opens the port,
// powers the barrier, then blocks in the kernel's wait for a line change; at each change it
// reads the clock first and the line's level a moment later. Everything it learns reaches the
// interface thread through queued signals. One watcher serves one opening: after a failure it
// ends, and the owner starts a new one.
class LineWatcher final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LineWatcher)

public:
    // How long a change must last to count as a pulse of the beam.
    static constexpr std::int64_t SettleNs = 500'000;

    LineWatcher(ModemLinesOpener opener, const QString &device, ContactPair contact, QObject *parent = nullptr);
    ~LineWatcher() override;

    void start();
    // Ends the thread, waiting in the kernel or not, and returns once it has ended.
    void stop();
    bool isRunning() const { return m_thread.joinable() && !m_done.load(); }

signals:
    // The port is open and powers the barrier; the watched line's level.
    void connected(bool level);
    // The watched line changed: the counter reading at the change and the level after settling.
    // pulse is false for a change that was gone again by then.
    void lineChanged(qint64 count, bool level, bool pulse);
    // The thread has ended on its own with this errno value; afterConnect when connected() came first.
    void failed(int error, bool afterConnect);

private:
    void watch();
    void finish(int error, bool afterConnect);

    ModemLinesOpener m_opener;
    QString m_device;
    ContactPair m_contact;
    std::thread m_thread;
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_done{false};
    std::mutex m_doneMutex;
    std::condition_variable m_doneChanged;
};
