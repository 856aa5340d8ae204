#pragma once

#include "core/live/LiveSnapshot.h"

#include <QObject>
#include <QThread>
#include <QTimer>

#include <array>
#include <optional>

class ClassStore;
class HandTimesSource;
class MarksKeeper;
class RunControl;

Q_DECLARE_METATYPE(LiveSnapshotPtr)

// Follows the class store, the marks and the run control and publishes a fresh snapshot after
// every change, every start and every stop. The interface thread only takes copies of what it
// holds (the current class's entries, the marks, the hand times, the rules, who is on course);
// the standings and the snapshot are built on a thread of the feed's own, which also reads the
// other classes from their files after a class load. One build is under way at a time: changes
// meanwhile give one more build when it is done.
class LiveFeed final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LiveFeed)

public:
    // hands may be nullptr: no hand times.
    LiveFeed(ClassStore &store, RunControl &runs, const MarksKeeper &marks, const HandTimesSource *hands,
             QObject *parent = nullptr);
    ~LiveFeed() override;

    // A change rebuilds at once.
    void setRules(const RaceRules &rules);
    const RaceRules &rules() const { return m_rules; }

    // Nothing is built while nobody looks; switching on builds at once.
    void setActive(bool active);
    bool isActive() const { return m_active; }
    // The latest published snapshot; none before the first build is done.
    LiveSnapshotPtr snapshot() const { return m_snapshot; }
    // Builds now instead of when idle; the snapshot comes with published().
    void rebuildNow();
    // Runs the event loop until everything asked for so far is published; false on timeout.
    bool waitForPublished(int timeoutMs = 5000);

signals:
    void published(const LiveSnapshotPtr &snapshot);

private:
    struct Request;
    struct Built;
    void schedule();
    void dispatch();
    void finished(const LiveSnapshotPtr &snapshot);
    void runStarted(int row, int run, std::int64_t startCount);
    void runStopped(int row, int run, std::int32_t timeMs);

    ClassStore &m_store;
    RunControl &m_runs;
    const MarksKeeper &m_marks;
    const HandTimesSource *m_hands;
    RaceRules m_rules;
    QTimer m_idle;
    bool m_active = false;
    bool m_filesStale = true;
    bool m_inFlight = false;
    bool m_pending = false;
    bool m_running = false;
    LiveRun m_onCourse;
    LiveRun m_lastFinish;
    std::uint64_t m_version = 0;
    LiveSnapshotPtr m_snapshot;

    QThread m_thread;
    QObject *m_worker;
    // Touched on the feed's thread only, one build at a time.
    std::unique_ptr<Built> m_built;
};
