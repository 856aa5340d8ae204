#pragma once

#include "core/system/FileResult.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

class BackupCopier;
class ClassStore;
class RaceSession;
class TfrmConfig;
class WarningLine;

// The second copy as the main window keeps it: after every save of the current class its files
// and the journal go to the backup folder the configuration dialog names, and the warning line
// says when they could not.
class BackupWiring final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BackupWiring)

public:
    BackupWiring(RaceSession &session, const TfrmConfig &config, WarningLine &warnings, QObject *parent = nullptr);
    ~BackupWiring() override;

    BackupCopier &copier() { return *m_copier; }
    // The folder the copies go to, absolute; empty when none is set.
    QString folder() const;
    // Copies the current class's files and the journal, if a folder is set, once the event in hand
    // has been handled.
    void copyCurrentClass(const FileResult &saved = {});
    // Copies every class file, every marks file and the journal, if a folder is set.
    void copyWholeEvent();

private:
    void requestPending();
    void showResult(const FileResult &result);
    void watchCopy();
    // Learns whether the folder set is a mount point, and keeps that in the settings.
    void learnMountPoint();

    ClassStore &m_store;
    // As the configuration dialog last gave it, so the copy made as the program ends needs no
    // dialog any more.
    QString m_folderSetting;
    // The folder was a mount point when it was set: copies go only to a device mounted there.
    bool m_mountPoint = false;
    QString m_mountPointOf;
    // The next copy takes the whole event: the folder is new, or the last copy failed.
    bool m_wholeEvent = true;
    bool m_lastFailed = false;
    // While a copy is asked for: a stick that stops answering is named, a failed one tried again.
    QTimer m_watch;
    QElapsedTimer m_sinceRequest;
    WarningLine &m_warnings;
    BackupCopier *m_copier;
    QTimer m_folderTyped;
    // Classes saved during the current event, copied once it has been handled: the rows the
    // journal gets after the save (the stop itself) go with the same copy.
    QTimer m_afterEvent;
    QList<int> m_pendingClasses;
    QString m_pendingFolder;
    QString m_copyingTo;
};
