#pragma once

#include "core/system/FileResult.h"

#include <QByteArray>
#include <QString>

// Saves a file so that a failure of any step leaves the old file as it was:
// - the new bytes go to "<file>.zvx-XXXXXX" beside it, are synced and renamed over the old file,
//   and the folder is synced so the new name survives a power cut; the mark lets the next start
//   remove what a killed save left behind;
// - where the folder takes no new file but the file itself may be written, the file is written in
//   place and the success carries a notice, since a crash then can destroy it; a failure there
//   writes the old bytes back;
// - a symbolic link is written through, and failures name the file it leads to.
// Every system call goes through SaveSystem, so tests can make each step fail.
class CheckedSave final
{
    Q_DISABLE_COPY_MOVE(CheckedSave)

public:
    explicit CheckedSave(const QString &path);
    ~CheckedSave();

    FileResult open();
    // False once any write has failed; later writes do nothing.
    bool write(const char *data, qint64 size);
    // The first failed write's reason, or the outcome of syncing and replacing the file.
    FileResult commit();

private:
    FileResult commitTemporary();
    FileResult commitInPlace();
    FileResult failed(int error);
    void writeOriginalBack();

    // The file the data lands in: the path, or the end of its chain of links.
    QString m_target;
    QByteArray m_name;
    // Empty while writing in place.
    QByteArray m_temporary;
    // The old bytes, while writing in place.
    QByteArray m_original;
    int m_fd = -1;
    bool m_exists = false;
    bool m_inPlace = false;
    qint64 m_written = 0;
    int m_error = 0;
};

// The end of path's chain of symbolic links (the path itself when it is none, or a loop), as the
// save follows it; the target need not exist.
QString linkTarget(const QString &path);
// "<file> is not a regular file." for FIFOs, devices and folders.
FileError notRegularFileError(const QString &path);
