#include "gui/backup/BackupWiring.h"

#include "core/backup/BackupCopy.h"
#include "core/marks/RunMarks.h"
#include "core/session/RaceSession.h"
#include "core/settings/ClassNames.h"
#include "core/settings/SettingKeys.h"
#include "core/settings/SettingsStore.h"
#include "core/startlist/ClassStore.h"
#include "core/startlist/ListFile.h"
#include "core/system/DataFolder.h"
#include "gui/settings/Form_Config.h"
#include "gui/timing/WarningLine.h"

#include <QDir>
#include <QFileInfo>

namespace {
// A folder typed into the dialog is copied to once the typing has stopped.
constexpr int TypingPauseMs = 1500;
constexpr int WatchMs = 1000;
// A copy that has not answered by then is stuck on a pulled or failing stick; with the watch's
// step it is named within 10 s.
constexpr std::chrono::milliseconds StuckAfter {8000};
// A folder that failed is tried again: a stick plugged back in gets the whole event.
constexpr int RetryMs = 5000;
} // namespace

BackupWiring::BackupWiring(RaceSession &session, const TfrmConfig &config, WarningLine &warnings, QObject *parent)
    : QObject(parent)
    , m_store(session.store())
    , m_folderSetting(config.backupFolder())
    , m_warnings(warnings)
    , m_copier(&session.backup())
{
    // The setting kept belongs to the folder set when the program last ran.
    m_mountPointOf = m_folderSetting;
    learnMountPoint();
    m_folderTyped.setSingleShot(true);
    m_folderTyped.setInterval(TypingPauseMs);
    connect(&m_folderTyped, &QTimer::timeout, this, &BackupWiring::copyWholeEvent);
    m_watch.setInterval(WatchMs);
    connect(&m_watch, &QTimer::timeout, this, &BackupWiring::watchCopy);
    m_afterEvent.setSingleShot(true);
    m_afterEvent.setInterval(0);
    connect(&m_afterEvent, &QTimer::timeout, this, &BackupWiring::requestPending);
    connect(&m_store, &ClassStore::saveFinished, this, &BackupWiring::copyCurrentClass);
    connect(m_copier, &BackupCopier::copied, this, &BackupWiring::showResult);
    connect(&config, &TfrmConfig::backupFolderChanged, this, [this](const QString &setting) {
        m_folderSetting = setting;
        // The warning was about the folder left; the new one is tried soon.
        m_warnings.clear(WarningLine::Backup);
        m_folderTyped.start();
    });
    // The stick may have missed copies while the program was not running.
    if (!folder().isEmpty())
        m_folderTyped.start();
}

void BackupWiring::learnMountPoint()
{
    SettingsStore settings;
    const bool wasMountPoint = settings.read(Setting::BackupMountPoint).value_or(false);
    // A folder stays a mount point once seen as one: set again while the stick is out, it is
    // still the stick that is meant.
    const QString now = folder();
    m_mountPoint = !now.isEmpty() && ((m_mountPointOf == m_folderSetting && wasMountPoint) || isMountPoint(now));
    m_mountPointOf = m_folderSetting;
    if (m_mountPoint != wasMountPoint) {
        // Not kept, it is learnt again at the next start from the folder as it is then.
        [[maybe_unused]] const FileResult written = settings.write(Setting::BackupMountPoint, m_mountPoint);
    }
}

BackupWiring::~BackupWiring()
{
    // The save made as the program ends; the copier lets it finish.
    if (!m_pendingClasses.isEmpty() || m_afterEvent.isActive())
        requestPending();
}

QString BackupWiring::folder() const
{
    return configuredDataFolder(m_folderSetting);
}

void BackupWiring::copyCurrentClass(const FileResult &saved)
{
    if (!saved || folder().isEmpty() || !m_store.isCurrentClassLoaded())
        return;
    if (!m_pendingClasses.contains(m_store.CurrentClass()))
        m_pendingClasses << m_store.CurrentClass();
    m_pendingFolder = folder();
    m_afterEvent.start();
}

void BackupWiring::copyWholeEvent()
{
    learnMountPoint();
    if (folder().isEmpty())
        return;
    m_wholeEvent = true;
    m_pendingFolder = folder();
    m_afterEvent.start();
}

void BackupWiring::requestPending()
{
    // A folder typed a moment ago is looked at once the typing has stopped, or here.
    if (m_mountPointOf != m_folderSetting)
        learnMountPoint();
    BackupJob job {m_pendingFolder, {}, dataFolder(), m_mountPoint};
    if (m_wholeEvent) {
        for (int classIndex = FirstClass; classIndex <= LastClass; ++classIndex)
            job.files << ClassListPath(classIndex) << MarksPath(classIndex);
    } else {
        for (const int classIndex : std::as_const(m_pendingClasses))
            job.files << ClassListPath(classIndex) << MarksPath(classIndex);
    }
    m_pendingClasses.clear();
    if (job.folder.isEmpty())
        return;
    m_wholeEvent = false;
    m_copyingTo = job.folder;
    m_copier->request(job);
    m_sinceRequest.start();
    m_watch.start();
}

void BackupWiring::watchCopy()
{
    if (const auto running = m_copier->runningFor()) {
        if (*running >= StuckAfter && !folder().isEmpty())
            m_warnings.show(WarningLine::Backup, tr("NO BACKUP COPY: the stick does not answer"),
                            QDir::toNativeSeparators(m_copyingTo) + QLatin1Char('\n')
                                + tr("A copy has been waiting for the stick for %1 s.").arg(running->count() / 1000));
        return;
    }
    if (!m_lastFailed || folder().isEmpty()) {
        m_watch.stop();
        return;
    }
    if (m_sinceRequest.hasExpired(RetryMs) && m_copier->waitUntilIdle(0))
        copyWholeEvent();
}

void BackupWiring::showResult(const FileResult &result)
{
    m_lastFailed = !result;
    if (!result)
        m_wholeEvent = true;
    if (result) {
        m_warnings.clear(WarningLine::Backup);
        return;
    }
    // A copy finished after the folder was emptied says nothing any more.
    if (folder().isEmpty())
        return;
    if (result.error().reason == stickMissingReason()) {
        m_warnings.show(
            WarningLine::Backup, tr("NO BACKUP COPY: stick missing"),
            tr("%1 is a mount point, but no stick is mounted there.").arg(QDir::toNativeSeparators(m_copyingTo)));
        return;
    }
    // The line has room for the folder's name only; the tooltip names the whole path and the reason.
    const QString name = QFileInfo(m_copyingTo).fileName();
    m_warnings.show(WarningLine::Backup,
                    tr("NO BACKUP COPY: %1").arg(name.isEmpty() ? QDir::toNativeSeparators(m_copyingTo) : name),
                    QDir::toNativeSeparators(m_copyingTo) + QLatin1Char('\n') + result.error().message());
}
