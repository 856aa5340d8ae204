#include "core/system/FileResult.h"

#include <QCoreApplication>
#include <QDir>

#include <cerrno>

QString FileError::message() const
{
    if (path.isEmpty())
        return reason;
    return QStringLiteral("%1\n%2").arg(reason, QDir::toNativeSeparators(path));
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
