#include "core/barrier/LineWatcher.h"

#include "core/timing/PerfTimer.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <ctime>
#include <pthread.h>
#include <sys/ioctl.h>
#include <utility>

namespace {
int wakeSignal()
{
    return SIGRTMIN + 5;
}

void ignoreWake(int)
{
}

// The wake-up signal must interrupt a blocking call rather than restart it, so no SA_RESTART.
void installWakeHandler()
{
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action = {};
        action.sa_handler = &ignoreWake;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;
        sigaction(wakeSignal(), &action, nullptr);
    });
}

void settle()
{
    timespec pause {0, LineWatcher::SettleNs};
    // A wake-up signal cuts it short; the loop then sees the stop.
    clock_nanosleep(CLOCK_MONOTONIC, 0, &pause, nullptr);
}
} // namespace

LineWatcher::LineWatcher(ModemLinesOpener opener, ContactPair contact, QObject *parent)
    : QObject(parent)
    , m_opener(std::move(opener))
    , m_contact(contact)
{
    installWakeHandler();
}

LineWatcher::~LineWatcher()
{
    stop();
}

void LineWatcher::open(const QString &device)
{
    {
        const std::lock_guard lock(m_mutex);
        m_request = device;
    }
    m_requested.notify_all();
    if (!m_thread.joinable())
        m_thread = std::thread([this] { run(); });
}

void LineWatcher::stop()
{
    if (!m_thread.joinable())
        return;
    m_stopping = true;
    // The signal may land just before the thread enters the wait and be lost, so it is sent
    // again until the thread says it is done. The thread is joined only after that, so its
    // handle stays valid for pthread_kill.
    std::unique_lock lock(m_mutex);
    while (!m_done) {
        m_requested.notify_all();
        pthread_kill(m_thread.native_handle(), wakeSignal());
        m_doneChanged.wait_for(lock, std::chrono::milliseconds(2));
    }
    lock.unlock();
    m_thread.join();
}

void LineWatcher::finish(int error, bool afterConnect)
{
    if (!m_stopping)
        emit failed(error, afterConnect);
}

void LineWatcher::run()
{
    // The thread inherits the mask of whoever started it; the wake-up must get through.
    sigset_t wake;
    sigemptyset(&wake);
    sigaddset(&wake, wakeSignal());
    pthread_sigmask(SIG_UNBLOCK, &wake, nullptr);
    for (;;) {
        QString device;
        {
            std::unique_lock lock(m_mutex);
            m_requested.wait(lock, [this] { return m_stopping.load() || m_request.has_value(); });
            if (m_stopping)
                break;
            device = *std::exchange(m_request, std::nullopt);
        }
        watch(device);
    }
    const std::lock_guard lock(m_mutex);
    m_done = true;
    m_doneChanged.notify_all();
}

void LineWatcher::watch(const QString &device)
{
    {
        OpenedLines opened = m_opener(device);
        ModemLines *lines = opened.lines.get();
        int state = 0;
        if (!lines) {
            finish(opened.error, false);
        } else if (const int raised = lines->raise(m_contact.supply)) {
            finish(raised, false);
        } else if (const int read = lines->read(state)) {
            finish(read, false);
        } else {
            bool level = state & m_contact.watched;
            emit connected(level);
            while (!m_stopping) {
                const int waited = lines->waitForChange(m_contact.watched);
                const std::int64_t count = readPerfCounter();
                if (waited == EINTR)
                    continue;
                if (waited) {
                    finish(waited, true);
                    break;
                }
                settle();
                if (const int error = lines->read(state)) {
                    finish(error, true);
                    break;
                }
                const bool now = state & m_contact.watched;
                // A change already undone after settling is noise. RI is the exception: many
                // ports report only its trailing edge, when the level is back where it was.
                const bool pulse = now != level || m_contact.watched == TIOCM_RNG;
                level = now;
                emit lineChanged(count, level, pulse);
            }
        }
        // The port closes here, on this thread, before the next opening or the thread's end.
    }
}
