#pragma once

#include "core/barrier/ContactPair.h"
#include "core/barrier/ModemLines.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>

// Watches one input line of a serial port on a thread of its own. At each open() the thread
// opens the port, powers the barrier, then blocks in the kernel's wait for a line change; at each
// change it reads the clock first and the line's level a moment later. Everything it learns
// reaches the interface thread through queued signals. After a failure the thread waits for the
// next open(), so a port tried again every second costs no new thread each time.
class LineWatcher final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LineWatcher)

public:
    // How long a change must last to count as a pulse of the beam.
    static constexpr std::int64_t SettleNs = 500'000;

    LineWatcher(ModemLinesOpener opener, ContactPair contact, QObject *parent = nullptr);
    ~LineWatcher() override;

    // Opens the device and watches it until that fails; the thread starts with the first call.
    // Only asked between openings, after failed() or before the first.
    void open(const QString &device);
    // Ends the thread, waiting in the kernel or not, and returns once it has ended.
    void stop();
    bool isRunning() const { return m_thread.joinable() && !m_done.load(); }

signals:
    // The port is open and powers the barrier; the watched line's level.
    void connected(bool level);
    // The watched line changed: the counter reading at the change and the level after settling.
    // pulse is false for a change that was gone again by then.
    void lineChanged(qint64 count, bool level, bool pulse);
    // The opening has ended on its own with this errno value; afterConnect when connected() came
    // first. The thread waits for the next open().
    void failed(int error, bool afterConnect);

private:
    void run();
    void watch(const QString &device);
    void finish(int error, bool afterConnect);

    ModemLinesOpener m_opener;
    ContactPair m_contact;
    std::thread m_thread;
    std::atomic<bool> m_stopping {false};
    std::atomic<bool> m_done {false};
    std::mutex m_mutex;
    // Guarded by m_mutex: the device of an open() not taken up yet.
    std::optional<QString> m_request;
    std::condition_variable m_requested;
    std::condition_variable m_doneChanged;
};
