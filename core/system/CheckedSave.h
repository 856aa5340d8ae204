#pragma once

#include "core/system/FileResult.h"

#include <QFile>
#include <QSaveFile>
#include <QString>

#include <memory>

// Saves a file through QSaveFile so that nothing is lost when the disk is full:
// - every write reaches the file at once and is checked (QSaveFile's own buffer is flushed inside
//   commit(), where a failure goes unnoticed and the empty file replaces the old one);
// - the old file is replaced atomically where its folder can be written, and written in place
//   where only the file itself can;
// - a symbolic link is written through, and failures name the file it leads to;
// - after the replace the folder is synced, so the new name survives a power cut.
class CheckedSave final
{
    Q_DISABLE_COPY_MOVE(CheckedSave)

public:
    explicit CheckedSave(const QString &path);

    FileResult open();
    // False once any write has failed; later writes do nothing.
    bool write(const char *data, qint64 size);
    // The first failed write's reason, or the outcome of syncing and replacing the file.
    FileResult commit();

private:
    QFileDevice &device();

    // The file the data lands in: the path, or the end of its chain of links.
    QString m_target;
    QSaveFile m_file;
    // The direct write where QSaveFile gives up: a folder closed by the immutable flag says EPERM,
    // and QSaveFile falls back only on EACCES.
    std::unique_ptr<QFile> m_direct;
    int m_error = 0;
};

// The end of path's chain of symbolic links (the path itself when it is none), as QSaveFile
// follows it; the target need not exist.
QString linkTarget(const QString &path);
// "<file> is not a regular file." for FIFOs, devices and folders.
FileError notRegularFileError(const QString &path);
