#include "core/system/CheckedSave.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
int retryingFsync(int fd)
{
    int result;
    do {
        result = ::fsync(fd);
    } while (result != 0 && errno == EINTR);
    // File systems that cannot sync say EINVAL; there is nothing more to do for them.
    return result == 0 || errno == EINVAL ? 0 : errno;
}

int syncFolderOf(const QString &path)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // A folder that may be written but not listed cannot be opened; the file itself was synced.
    if (fd < 0)
        return 0;
    const int error = retryingFsync(fd);
    ::close(fd);
    return error;
}
} // namespace

QString linkTarget(const QString &path)
{
    // The same depth the kernel follows; a loop of links ends as the path itself.
    constexpr int MaxLinks = 40;
    QFileInfo info(path);
    for (int depth = 0; depth < MaxLinks && info.isSymLink(); ++depth)
        info.setFile(info.symLinkTarget());
    return info.isSymLink() ? path : info.filePath();
}

FileError notRegularFileError(const QString &path)
{
    return {path, QCoreApplication::translate("ListFile", "%1 is not a regular file.").arg(QDir::toNativeSeparators(path))};
}

CheckedSave::CheckedSave(const QString &path)
    : m_target(linkTarget(path))
    , m_file(m_target)
{
    // Only the file may be writable; then the old bytes are replaced in place.
    m_file.setDirectWriteFallback(true);
}

FileResult CheckedSave::open()
{
    struct stat info{};
    const QByteArray name = QFile::encodeName(m_target);
    // A FIFO, a device or a folder is never replaced by a file.
    if (::stat(name.constData(), &info) == 0 && !S_ISREG(info.st_mode))
        return notRegularFileError(m_target);
    constexpr auto Mode = QIODevice::WriteOnly | QIODevice::Unbuffered;
    errno = 0;
    if (m_file.open(Mode))
        return {};
    int error = errno;
    // QSaveFile refuses a read-only file itself, without an errno.
    if (error == 0)
        error = ::access(name.constData(), W_OK) != 0 && errno != ENOENT ? errno : EIO;
    if (error == EPERM && ::access(name.constData(), W_OK) == 0) {
        m_direct = std::make_unique<QFile>(m_target);
        errno = 0;
        if (m_direct->open(Mode | QIODevice::Truncate))
            return {};
        error = errno != 0 ? errno : EIO;
        m_direct.reset();
    }
    return fileError(m_target, error);
}

QFileDevice &CheckedSave::device()
{
    return m_direct ? static_cast<QFileDevice &>(*m_direct) : m_file;
}

bool CheckedSave::write(const char *data, qint64 size)
{
    if (m_error != 0)
        return false;
    errno = 0;
    if (device().write(data, size) != size)
        m_error = errno != 0 ? errno : EIO;
    return m_error == 0;
}

FileResult CheckedSave::commit()
{
    if (m_error == 0)
        m_error = retryingFsync(int(device().handle()));
    if (m_direct) {
        m_direct->close();
        return m_error == 0 ? FileResult() : fileError(m_target, m_error);
    }
    if (m_error != 0) {
        m_file.cancelWriting();
        return fileError(m_target, m_error);
    }
    errno = 0;
    if (!m_file.commit())
        return fileError(m_target, errno != 0 ? errno : EIO);
    if (const int error = syncFolderOf(m_target); error != 0)
        return fileError(m_target, error);
    return {};
}
