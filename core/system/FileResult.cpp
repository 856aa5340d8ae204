#include "core/system/FileResult.h"

#include <QCoreApplication>
#include <QDir>

#include <cerrno>

QString FileError::message() const
{
    const QString file = QDir::toNativeSeparators(path);
    // A reason that names the file already says which one it is.
    if (path.isEmpty() || reason.contains(file))
        return reason;
    return QStringLiteral("%1\n%2").arg(reason, file);
}

QString fileErrorText(int error)
{
    switch (error) {
    case ENOENT:
        return QCoreApplication::translate("ListFile", "File not found");
    case EACCES:
    case EPERM:
    case EROFS:
        return QCoreApplication::translate("ListFile", "File access denied");
    case ENOSPC:
    case EDQUOT:
        return QCoreApplication::translate("ListFile", "Disk full");
    case ELOOP:
        return QCoreApplication::translate("ListFile", "Too many levels of symbolic links");
    default:
        return QCoreApplication::translate("ListFile", "I/O error %1").arg(error);
    }
}

FileError fileError(const QString &path, int error)
{
    return {path, fileErrorText(error)};
}
