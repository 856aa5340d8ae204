#pragma once

#include "core/live/LiveSnapshot.h"
#include "core/startlist/StoreChange.h"

#include <QObject>
#include <QTimer>

#include <array>

class ClassStore;
class RunControl;

Q_DECLARE_METATYPE(LiveSnapshotPtr)

// Follows the class store and the run control and publishes a fresh snapshot of the results after
// every change, every start and every stop. A burst of changes (a load, a stop with its write-back)
// gives one snapshot, built when the interface thread is next idle. Other classes than the current
// one come from their class files, read again whenever the current class changes.
class LiveFeed final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LiveFeed)

public:
    LiveFeed(ClassStore &store, RunControl &runs, QObject *parent = nullptr);

    // Nothing is built while nobody looks; switching on publishes at once.
    void setActive(bool active);
    bool isActive() const { return m_active; }
    LiveSnapshotPtr snapshot() const { return m_snapshot; }
    // Builds now instead of when idle.
    void rebuildNow();

signals:
    void published(const LiveSnapshotPtr &snapshot);

private:
    void schedule();
    void readClassFiles(std::int64_t fp, std::int64_t fs);
    void runStarted(int row, int run, std::int64_t startCount);
    void runStopped(int row, int run, std::int32_t timeMs);

    ClassStore &m_store;
    RunControl &m_runs;
    QTimer m_idle;
    bool m_active = false;
    bool m_filesStale = true;
    std::int64_t m_filesFp = -1, m_filesFs = -1;
    QString m_eventName;
    std::array<LiveClass, LiveSnapshot::ClassCount> m_files;
    bool m_running = false;
    LiveRun m_onCourse;
    LiveRun m_lastFinish;
    std::uint64_t m_version = 0;
    LiveSnapshotPtr m_snapshot;
};
