#pragma once

#include <QThread>

#include <functional>

// Writes that must not hold the interface thread (a class file, the journal's rows) run on one
// thread of their own, in the order they were given. A key handler posts its write and returns;
// whoever needs a write done before going on (switching classes, closing) waits for it.
class DiskQueue final
{
    Q_DISABLE_COPY_MOVE(DiskQueue)

public:
    DiskQueue();
    // Runs what is still queued, then ends the thread.
    ~DiskQueue();

    // Without a queue the job runs at once on the calling thread: a store or a journal used
    // alone (a tool, a test of its own) writes as it always did.
    static void post(DiskQueue *queue, std::function<void()> job);
    // Runs job after everything queued before it and returns when it has run.
    static void run(DiskQueue *queue, const std::function<void()> &job);
    // Returns when everything queued so far has run.
    static void drain(DiskQueue *queue);

    bool isQueueThread() const { return QThread::currentThread() == &m_thread; }

private:
    QThread m_thread;
    QObject *m_worker;
};
