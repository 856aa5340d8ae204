#include "gui/BackupActions.h"

#include "core/backup/BackupCopy.h"
#include "core/marks/RunMarks.h"
#include "core/startlist/ClassStore.h"
#include "core/startlist/ListFile.h"
#include "core/system/DataFolder.h"
#include "gui/Form_Config.h"
#include "gui/WarningLine.h"

#include <QDir>
#include <QFileInfo>

namespace {
// A folder typed into the dialog is copied to once the typing has stopped.
constexpr int TypingPauseMs = 1500;
} // namespace

BackupActions::BackupActions(ClassStore &store, const TfrmConfig &config, WarningLine &warnings, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_folderSetting(config.backupFolder())
    , m_warnings(warnings)
    , m_copier(new BackupCopier(this))
{
    m_folderTyped.setSingleShot(true);
    m_folderTyped.setInterval(TypingPauseMs);
    connect(&m_folderTyped, &QTimer::timeout, this, [this] { copyCurrentClass(); });
    m_afterEvent.setSingleShot(true);
    m_afterEvent.setInterval(0);
    connect(&m_afterEvent, &QTimer::timeout, this, &BackupActions::requestPending);
    connect(&store, &ClassStore::saveFinished, this, &BackupActions::copyCurrentClass);
    connect(m_copier, &BackupCopier::copied, this, &BackupActions::showResult);
    connect(&config, &TfrmConfig::backupFolderChanged, this, [this](const QString &setting) {
        m_folderSetting = setting;
        // The warning was about the folder left; the new one is tried soon.
        m_warnings.clear(WarningLine::Backup);
        m_folderTyped.start();
    });
}

BackupActions::~BackupActions()
{
    // The save made as the program ends; the copier lets it finish.
    if (!m_pendingClasses.isEmpty())
        requestPending();
}

QString BackupActions::folder() const
{
    return configuredDataFolder(m_folderSetting);
}

void BackupActions::copyCurrentClass(const FileResult &saved)
{
    if (!saved || folder().isEmpty() || !m_store.isCurrentClassLoaded())
        return;
    if (!m_pendingClasses.contains(m_store.CurrentClass()))
        m_pendingClasses << m_store.CurrentClass();
    m_pendingFolder = folder();
    m_afterEvent.start();
}

void BackupActions::requestPending()
{
    BackupJob job {m_pendingFolder, {}, dataFolder()};
    for (const int classIndex : std::as_const(m_pendingClasses))
        job.files << ClassListPath(classIndex) << MarksPath(classIndex);
    m_pendingClasses.clear();
    if (job.folder.isEmpty())
        return;
    m_copyingTo = job.folder;
    m_copier->request(job);
}

void BackupActions::showResult(const FileResult &result)
{
    if (result) {
        m_warnings.clear(WarningLine::Backup);
        return;
    }
    // A copy finished after the folder was emptied says nothing any more.
    if (folder().isEmpty())
        return;
    // The line has room for the folder's name only; the tooltip names the whole path and the reason.
    const QString name = QFileInfo(m_copyingTo).fileName();
    m_warnings.show(WarningLine::Backup,
                    tr("NO BACKUP COPY: %1").arg(name.isEmpty() ? QDir::toNativeSeparators(m_copyingTo) : name),
                    QDir::toNativeSeparators(m_copyingTo) + QLatin1Char('\n') + result.error().message());
}
