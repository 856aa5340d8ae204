#include "core/system/SaveSystem.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace {
SaveSystem *&inUse()
{
    static SaveSystem *system = nullptr;
    return system;
}

int retryingFsync(int fd)
{
    int result;
    do {
        result = ::fsync(fd);
    } while (result != 0 && errno == EINTR);
    // File systems that cannot sync say EINVAL; there is nothing more to do for them.
    return result == 0 || errno == EINVAL ? 0 : errno;
}
} // namespace

int SaveSystem::createTemporary(QByteArray &nameTemplate, int &fd)
{
    fd = ::mkostemp(nameTemplate.data(), O_CLOEXEC);
    return fd < 0 ? errno : 0;
}

int SaveSystem::openInPlace(const QByteArray &name, int &fd)
{
    do {
        fd = ::open(name.constData(), O_RDWR | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd < 0 ? errno : 0;
}

int SaveSystem::write(int fd, const char *data, qint64 size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, std::size_t(size));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written < 0 ? errno : EIO;
        data += written;
        size -= written;
    }
    return 0;
}

int SaveSystem::syncFile(int fd)
{
    return retryingFsync(fd);
}

int SaveSystem::resize(int fd, qint64 size)
{
    return ::ftruncate(fd, off_t(size)) == 0 ? 0 : errno;
}

int SaveSystem::replace(const QByteArray &from, const QByteArray &to)
{
    return ::rename(from.constData(), to.constData()) == 0 ? 0 : errno;
}

int SaveSystem::syncFolder(const QByteArray &folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // A folder that may be written but not listed cannot be opened; the file itself was synced.
    if (fd < 0)
        return 0;
    const int error = retryingFsync(fd);
    ::close(fd);
    return error;
}

SaveSystem &SaveSystem::current()
{
    static SaveSystem real;
    return inUse() ? *inUse() : real;
}

SaveSystem *SaveSystem::use(SaveSystem *system)
{
    return std::exchange(inUse(), system);
}
