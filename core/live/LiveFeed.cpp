#include "core/live/LiveFeed.h"

#include "core/live/LiveScoring.h"
#include "core/protocol/ClassResults.h"
#include "core/settings/SettingKeys.h"
#include "core/settings/SettingsStore.h"
#include "core/startlist/ClassStore.h"
#include "core/timing/RunControl.h"

#include <QDateTime>

#include <cmath>

LiveFeed::LiveFeed(ClassStore &store, RunControl &runs, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_runs(runs)
{
    qRegisterMetaType<LiveSnapshotPtr>();
    m_idle.setSingleShot(true);
    m_idle.setInterval(0);
    connect(&m_idle, &QTimer::timeout, this, &LiveFeed::rebuildNow);
    connect(&store, &ClassStore::changed, this, &LiveFeed::schedule);
    connect(&store, &ClassStore::classLoaded, this, [this] {
        // The class left behind has just been saved to its file.
        m_filesStale = true;
        schedule();
    });
    connect(&runs, &RunControl::runStarted, this, &LiveFeed::runStarted);
    connect(&runs, &RunControl::runStopped, this, &LiveFeed::runStopped);
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

void LiveFeed::readClassFiles(std::int64_t fp, std::int64_t fs)
{
    for (int i = 0; i < LiveSnapshot::ClassCount; ++i) {
        const int classIndex = LiveSnapshot::FirstClass + i;
        m_files[std::size_t(i)]
            = classIndex == m_store.CurrentClass() ? LiveClass {} : scoreLiveClassFile(classIndex, fp, fs);
    }
    // Set by hand; a value that cannot be read leaves the pages without one.
    m_eventName = SettingsStore().read(Setting::EventName).value_or(QString()).trimmed();
    m_filesStale = false;
    m_filesFp = fp;
    m_filesFs = fs;
}

void LiveFeed::rebuildNow()
{
    m_idle.stop();
    if (!m_active)
        return;
    const SettingsStore settings;
    const auto fp = std::int64_t(std::llround(settings.read(Setting::FPSeconds).value_or(2)));
    const auto fs = std::int64_t(std::llround(settings.read(Setting::FSSeconds).value_or(10)));
    if (m_filesStale || fp != m_filesFp || fs != m_filesFs)
        readClassFiles(fp, fs);

    auto snapshot = std::make_shared<LiveSnapshot>();
    snapshot->version = ++m_version;
    snapshot->eventName = m_eventName;
    snapshot->fpSeconds = fp;
    snapshot->fsSeconds = fs;
    snapshot->currentClass = m_store.CurrentClass();
    snapshot->running = m_running;
    snapshot->onCourse = m_onCourse;
    snapshot->lastFinish = m_lastFinish;
    for (int i = 0; i < LiveSnapshot::ClassCount; ++i) {
        const int classIndex = LiveSnapshot::FirstClass + i;
        snapshot->classes[std::size_t(i)] = classIndex == snapshot->currentClass
            ? scoreLiveClass(classIndex, m_store.list(), fp, fs)
            : m_files[std::size_t(i)];
    }
    m_snapshot = std::move(snapshot);
    emit published(m_snapshot);
}
