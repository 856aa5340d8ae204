#include "core/live/LiveFeed.h"

#include "core/live/LiveScoring.h"
#include "core/marks/HandTimes.h"
#include "core/marks/MarksKeeper.h"
#include "core/startlist/ClassStore.h"
#include "core/startlist/ListFile.h"
#include "core/system/ThreadPriority.h"
#include "core/timing/RunControl.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QEventLoop>

#include <algorithm>
#include <cmath>
#include <utility>

// What the interface thread hands over: copies only, the entries' strings shared, not copied.
struct LiveFeed::Request
{
    std::uint64_t version = 0;
    RaceRules rules;
    int currentClass = 1;
    CurrentRun currentRun;
    StartList::Entries current;
    ClassHandTimes currentHands;
    std::array<ClassMarks, ClassCount> marks;
    // With the files to read again: their paths and the other classes' hand times.
    bool readFiles = false;
    std::array<QString, ClassCount> paths;
    std::array<ClassHandTimes, ClassCount> hands;
    bool running = false;
    LiveRun onCourse, lastFinish;
};

// The other classes as their files and the journal last gave them, and as last scored.
struct LiveFeed::Built
{
    std::array<StartList::Entries, ClassCount> files;
    std::array<QString, ClassCount> errors;
    std::array<ClassHandTimes, ClassCount> hands;
    std::array<std::optional<LiveClass>, ClassCount> scored;
    std::array<ClassMarks, ClassCount> scoredMarks;
    RaceRules scoredRules;

    LiveSnapshotPtr build(const Request &request)
    {
        if (request.readFiles) {
            for (std::size_t i = 0; i < files.size(); ++i) {
                scored[i].reset();
                files[i].clear();
                errors[i].clear();
                hands[i] = request.hands[i];
                if (request.paths[i].isEmpty())
                    continue;
                StartList list;
                const Result<bool> read = ReadListFile(list, request.paths[i], false);
                if (!read)
                    errors[i] = read.error().message();
                else if (read.value())
                    files[i] = list.entries();
            }
        }
        auto snapshot = std::make_shared<LiveSnapshot>();
        snapshot->version = request.version;
        snapshot->rules = request.rules;
        snapshot->currentClass = request.currentClass;
        snapshot->running = request.running;
        snapshot->onCourse = request.onCourse;
        snapshot->lastFinish = request.lastFinish;
        for (std::size_t i = 0; i < files.size(); ++i) {
            const int classIndex = FirstClass + int(i);
            if (classIndex == request.currentClass) {
                scored[i].reset();
                snapshot->classes[i] = liveClass(classIndex, request.current, request.marks[i], request.currentHands,
                                                 request.rules, request.currentRun);
                continue;
            }
            // A class nobody drives changes with its file, its marks or the rules only.
            if (!scored[i] || scoredMarks[i] != request.marks[i] || scoredRules != request.rules) {
                scored[i] = liveClass(classIndex, files[i], request.marks[i], hands[i], request.rules);
                scored[i]->error = errors[i];
                scoredMarks[i] = request.marks[i];
            }
            snapshot->classes[i] = *scored[i];
        }
        scoredRules = request.rules;
        return snapshot;
    }
};

LiveFeed::LiveFeed(ClassStore &store, RunControl &runs, const MarksKeeper &marks, const HandTimesSource *hands,
                   QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_runs(runs)
    , m_marks(marks)
    , m_hands(hands)
    , m_worker(new QObject)
    , m_built(std::make_unique<Built>())
{
    qRegisterMetaType<LiveSnapshotPtr>();
    m_thread.setObjectName(QStringLiteral("LiveFeed"));
    m_worker->moveToThread(&m_thread);
    m_thread.start();
    QMetaObject::invokeMethod(m_worker, &giveWayToInterface, Qt::QueuedConnection);
    m_idle.setSingleShot(true);
    m_idle.setInterval(0);
    connect(&m_idle, &QTimer::timeout, this, &LiveFeed::dispatch);
    connect(&store, &ClassStore::changed, this, &LiveFeed::schedule);
    connect(&store, &ClassStore::classLoaded, this, [this] {
        // The class left behind has just been saved to its file.
        m_filesStale = true;
        schedule();
    });
    connect(&marks, &MarksKeeper::marksChanged, this, &LiveFeed::schedule);
    connect(&runs, &RunControl::runStarted, this, &LiveFeed::runStarted);
    connect(&runs, &RunControl::runStopped, this, &LiveFeed::runStopped);
    // Comes with a change of the run or of the selected participant.
    connect(&runs, &RunControl::participantCaptionChanged, this, &LiveFeed::schedule);
}

LiveFeed::~LiveFeed()
{
    m_thread.quit();
    m_thread.wait();
    delete m_worker;
}

void LiveFeed::setRules(const RaceRules &rules)
{
    if (rules == m_rules)
        return;
    m_rules = rules;
    schedule();
}

void LiveFeed::setActive(bool active)
{
    if (active == m_active)
        return;
    m_active = active;
    m_filesStale = true;
    if (active)
        rebuildNow();
}

void LiveFeed::schedule()
{
    if (m_active && !m_idle.isActive())
        m_idle.start();
}

void LiveFeed::rebuildNow()
{
    m_idle.stop();
    dispatch();
}

void LiveFeed::dispatch()
{
    m_idle.stop();
    if (!m_active)
        return;
    if (m_inFlight) {
        m_pending = true;
        return;
    }
    m_pending = false;
    m_inFlight = true;
    auto request = std::make_shared<Request>();
    request->version = ++m_version;
    request->rules = m_rules;
    request->currentClass = m_store.CurrentClass();
    request->running = m_running;
    request->onCourse = m_onCourse;
    request->lastFinish = m_lastFinish;
    const LiveRun &from = m_running ? m_onCourse : m_lastFinish;
    request->currentRun.run = m_running ? m_onCourse.run : m_runs.runNumber();
    if (from.number > 0 && from.classIndex == request->currentClass && from.run == request->currentRun.run)
        request->currentRun.after = from.number - 1;
    request->current = m_store.list().entries();
    if (m_hands)
        request->currentHands = m_hands->handTimes(request->currentClass);
    for (int i = 0; i < ClassCount; ++i)
        request->marks[std::size_t(i)] = m_marks.classMarks(FirstClass + i);
    request->readFiles = std::exchange(m_filesStale, false);
    if (request->readFiles) {
        for (int i = 0; i < ClassCount; ++i) {
            const int classIndex = FirstClass + i;
            if (classIndex == request->currentClass)
                continue;
            request->paths[std::size_t(i)] = ClassListPath(classIndex);
            if (m_hands)
                request->hands[std::size_t(i)] = m_hands->handTimes(classIndex);
        }
    }
    QMetaObject::invokeMethod(
        m_worker,
        [this, request] {
            const LiveSnapshotPtr snapshot = m_built->build(*request);
            QMetaObject::invokeMethod(
                this, [this, snapshot] { finished(snapshot); }, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

void LiveFeed::finished(const LiveSnapshotPtr &snapshot)
{
    m_inFlight = false;
    m_snapshot = snapshot;
    emit published(m_snapshot);
    if (m_pending)
        dispatch();
}

bool LiveFeed::waitForPublished(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (m_inFlight || m_pending || m_idle.isActive()) {
        if (deadline.hasExpired())
            return false;
        QEventLoop loop;
        connect(this, &LiveFeed::published, &loop, &QEventLoop::quit);
        QTimer::singleShot(int(std::clamp<qint64>(deadline.remainingTime(), 1, 50)), &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

void LiveFeed::runStarted(int row, int run, std::int64_t startCount)
{
    m_running = true;
    // Phones count from a wall-clock moment: now, less what the counter says has passed since.
    const double elapsed = m_runs.elapsedMsAt(readPerfCounter()) - m_runs.elapsedMsAt(startCount);
    m_onCourse = {m_store.CurrentClass(), row + 1, run,
                  QDateTime::currentMSecsSinceEpoch() - std::llround(std::max(0.0, elapsed)), 0};
    schedule();
}

void LiveFeed::runStopped(int row, int run, std::int32_t timeMs)
{
    m_running = false;
    m_lastFinish = {m_store.CurrentClass(), row + 1, run, 0, timeMs};
    schedule();
}
