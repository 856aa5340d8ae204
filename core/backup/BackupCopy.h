#pragma once

#include "core/system/FileResult.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>
#include <optional>

class Journal;

// What a copy into the backup folder takes: class files (and marks files) by their paths in the
// data folder, and the journal of journalFolder.
struct BackupJob
{
    QString folder;
    QStringList files;
    QString journalFolder;
    // The folder was a mount point when it was chosen: without the stick it is an empty folder on
    // the internal disk, and a copy there would look like a good one.
    bool mountPoint = false;
};

// True when folder is where a file system is mounted: on a device other than its parent's.
bool isMountPoint(const QString &folder);
// The reason copyToBackup gives when the stick a mount point held is not mounted.
QString stickMissingReason();

// Copies the files of job into its folder on the calling thread: each file durably under its own
// name (a file that does not exist is left out), then the journal through SQLite's online backup
// to a file of its own that needs nothing beside it. journal must be the journal of
// job.journalFolder, opened on this thread. Stops at the first failure.
FileResult copyToBackup(const BackupJob &job, Journal &journal);

// Runs copyToBackup on a thread of its own, so a slow or failing stick never holds up the keys or
// the save to the data folder. Files asked for while a copy runs wait and go together in the next
// copy, each read as it is then; the folder asked for last is the one they go to.
class BackupCopier final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BackupCopier)

public:
    explicit BackupCopier(QObject *parent = nullptr);
    // Lets the copy running and the one waiting finish, for MaxEndingWaitMs at most: a stick that
    // hangs must not keep the program from ending. A copy still running then is left to itself.
    ~BackupCopier() override;
    static constexpr int MaxEndingWaitMs = 5000;
    // True once a copier gave up waiting for a copy stuck on its stick: the program then ends
    // without the usual tidying, which that copy might still be using.
    static bool copyAbandoned();

    void request(const BackupJob &job);
    // True once no copy runs or waits; for tests and benchmarks.
    bool waitUntilIdle(int timeoutMs);
    // How long the copy running has taken so far; no value when none runs.
    std::optional<std::chrono::milliseconds> runningFor() const;

signals:
    // After each copy, on the thread that owns the copier.
    void copied(const FileResult &result);

private:
    struct Shared;
    void finished(const FileResult &result);

    std::shared_ptr<Shared> m_shared;
};
