#include "core/system/DiskQueue.h"

#include "core/system/ThreadPriority.h"

#include <QMetaObject>

DiskQueue::DiskQueue()
    : m_worker(new QObject)
{
    m_thread.setObjectName(QStringLiteral("disk"));
    m_worker->moveToThread(&m_thread);
    m_thread.start();
    QMetaObject::invokeMethod(m_worker, &giveWayToInterface, Qt::QueuedConnection);
}

DiskQueue::~DiskQueue()
{
    drain(this);
    m_thread.quit();
    m_thread.wait();
    delete m_worker;
}

void DiskQueue::post(DiskQueue *queue, std::function<void()> job)
{
    if (!queue || queue->isQueueThread()) {
        job();
        return;
    }
    QMetaObject::invokeMethod(queue->m_worker, std::move(job), Qt::QueuedConnection);
}

void DiskQueue::run(DiskQueue *queue, const std::function<void()> &job)
{
    if (!queue || queue->isQueueThread()) {
        job();
        return;
    }
    // Events posted to one receiver are delivered in order, so everything before has run.
    QMetaObject::invokeMethod(queue->m_worker, job, Qt::BlockingQueuedConnection);
}

void DiskQueue::drain(DiskQueue *queue)
{
    run(queue, [] {});
}
