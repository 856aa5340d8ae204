#include "core/backup/BackupCopy.h"

#include "core/journal/Journal.h"
#include "core/startlist/ListFile.h"
#include "core/system/CheckedSave.h"
#include "core/system/SaveSystem.h"
#include "core/system/ThreadPriority.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {
QString tr(const char *text)
{
    return QCoreApplication::translate("BackupCopy", text);
}

FileResult copyFile(const QString &source, const QString &target)
{
    if (!QFileInfo(source).isFile())
        return {};
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return FileError {source, in.errorString()};
    if (in.size() > MaxListFileSize)
        return FileError {source, tr("The file %1 is too large to copy.").arg(QDir::toNativeSeparators(source))};
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError)
        return FileError {source, in.errorString()};
    CheckedSave save(target);
    if (FileResult opened = save.open(); !opened)
        return opened;
    save.write(bytes.constData(), bytes.size());
    return save.commit();
}

FileResult copyJournal(Journal &journal, const QString &folder)
{
    const QString target = QDir(folder).absoluteFilePath(QLatin1String(Journal::FileName));
    QByteArray temporary = QFile::encodeName(target + QStringLiteral(".zvx-XXXXXX"));
    int fd = -1;
    SaveSystem &system = SaveSystem::current();
    if (const int error = system.createTemporary(temporary, fd))
        return fileError(target, error);
    ::close(fd);
    // An empty file is an empty database to SQLite; the copy fills it and is then put in place, so a
    // stick pulled halfway leaves the last good copy.
    FileResult copied = journal.backUpTo(QFile::decodeName(temporary));
    // A log left by someone who opened the old copy must not be played into the new one.
    if (copied) {
        QFile::remove(target + QStringLiteral("-wal"));
        QFile::remove(target + QStringLiteral("-shm"));
    }
    int error = copied ? system.replace(temporary, QFile::encodeName(target)) : 0;
    if (copied && !error)
        error = system.syncFolder(QFile::encodeName(folder));
    if (copied && error)
        copied = fileError(target, error);
    if (!copied)
        QFile::remove(QFile::decodeName(temporary));
    return copied;
}

// What a copy cut off by a kill or a pulled stick left behind.
void removeStaleTemporaryFiles(const QString &folder)
{
    static const QRegularExpression pattern(
        QStringLiteral("^(List\\d\\d\\.(dat|marks)|journal\\.sqlite)\\.zvx-[A-Za-z0-9]{6}(-journal)?$"));
    const QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (pattern.match(name).hasMatch())
            QFile::remove(dir.absoluteFilePath(name));
    }
}
} // namespace

bool isMountPoint(const QString &folder)
{
    const QByteArray path = QFile::encodeName(QDir::cleanPath(QFileInfo(folder).absoluteFilePath()));
    struct stat own
    {
    };
    struct stat parent
    {
    };
    if (::stat(path.constData(), &own) != 0 || !S_ISDIR(own.st_mode)
        || ::stat((path + "/..").constData(), &parent) != 0)
        return false;
    // The root is its own parent.
    return own.st_dev != parent.st_dev || own.st_ino == parent.st_ino;
}

QString stickMissingReason()
{
    return tr("stick missing");
}

FileResult copyToBackup(const BackupJob &job, Journal &journal)
{
    const QFileInfo folder(job.folder);
    const QString shown = QDir::toNativeSeparators(job.folder);
    if (job.mountPoint && !isMountPoint(job.folder))
        return FileError {job.folder, stickMissingReason()};
    if (!folder.exists())
        return FileError {job.folder, tr("The backup folder %1 does not exist.").arg(shown)};
    if (!folder.isDir())
        return FileError {job.folder, tr("The backup folder %1 is not a folder.").arg(shown)};
    // The copy would replace the journal being written, and its log with it.
    if (folder.canonicalFilePath() == QFileInfo(job.journalFolder).canonicalFilePath())
        return FileError {job.folder, tr("The backup folder %1 is the data folder.").arg(shown)};
    removeStaleTemporaryFiles(job.folder);
    for (const QString &file : job.files) {
        if (FileResult copied = copyFile(file, QDir(job.folder).absoluteFilePath(QFileInfo(file).fileName())); !copied)
            return copied;
    }
    return copyJournal(journal, job.folder);
}

struct BackupCopier::Shared
{
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable idle;
    std::optional<BackupJob> waiting;
    bool running = false;
    std::chrono::steady_clock::time_point runningSince;
    bool stopping = false;
    bool ended = false;
    BackupCopier *owner = nullptr;
};

namespace {
std::atomic<bool> abandoned {false};

void mergeInto(BackupJob &waiting, const BackupJob &job)
{
    waiting.folder = job.folder;
    waiting.journalFolder = job.journalFolder;
    waiting.mountPoint = job.mountPoint;
    for (const QString &file : job.files) {
        if (!waiting.files.contains(file))
            waiting.files << file;
    }
}
} // namespace

BackupCopier::BackupCopier(QObject *parent)
    : QObject(parent)
    , m_shared(std::make_shared<Shared>())
{
    m_shared->owner = this;
    std::thread([shared = m_shared] {
        giveWayToInterface();
        // Opened on this thread: a connection of the interface thread may not be used here.
        std::unique_ptr<Journal> journal;
        std::unique_lock lock(shared->mutex);
        for (;;) {
            shared->wake.wait(lock, [&] { return shared->stopping || shared->waiting; });
            if (!shared->waiting)
                break;
            const BackupJob job = std::move(*shared->waiting);
            shared->waiting.reset();
            shared->running = true;
            shared->runningSince = std::chrono::steady_clock::now();
            lock.unlock();
            const QString journalPath = QDir(job.journalFolder).absoluteFilePath(QLatin1String(Journal::FileName));
            if (!journal || journal->path() != journalPath)
                journal = std::make_unique<Journal>(job.journalFolder);
            const FileResult result = copyToBackup(job, *journal);
            lock.lock();
            shared->running = false;
            if (BackupCopier *owner = shared->owner)
                QMetaObject::invokeMethod(
                    owner, [owner, result] { owner->finished(result); }, Qt::QueuedConnection);
            shared->idle.notify_all();
        }
        lock.unlock();
        journal.reset();
        lock.lock();
        shared->ended = true;
        shared->idle.notify_all();
    }).detach();
}

BackupCopier::~BackupCopier()
{
    std::unique_lock lock(m_shared->mutex);
    m_shared->owner = nullptr;
    m_shared->stopping = true;
    m_shared->wake.notify_all();
    if (!m_shared->idle.wait_for(lock, std::chrono::milliseconds(MaxEndingWaitMs),
                                 [this] { return m_shared->ended; })) {
        // Behind a stuck copy the one waiting would never start in time either.
        m_shared->waiting.reset();
        abandoned = true;
    }
}

bool BackupCopier::copyAbandoned()
{
    return abandoned;
}

std::optional<std::chrono::milliseconds> BackupCopier::runningFor() const
{
    const std::lock_guard lock(m_shared->mutex);
    if (!m_shared->running)
        return std::nullopt;
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now()
                                                                 - m_shared->runningSince);
}

void BackupCopier::request(const BackupJob &job)
{
    const std::lock_guard lock(m_shared->mutex);
    if (m_shared->waiting)
        mergeInto(*m_shared->waiting, job);
    else
        m_shared->waiting = job;
    m_shared->wake.notify_all();
}

bool BackupCopier::waitUntilIdle(int timeoutMs)
{
    std::unique_lock lock(m_shared->mutex);
    return m_shared->idle.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                   [this] { return !m_shared->running && !m_shared->waiting; });
}

void BackupCopier::finished(const FileResult &result)
{
    emit copied(result);
}
