#include "core/system/CheckedSave.h"

#include "core/system/SaveSystem.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr char TemporaryMark[] = ".zvx-";

mode_t currentUmask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// A second name for the old file, marked as a temporary one, so it can be put back.
QByteArray linkOriginal(const QByteArray &name)
{
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    constexpr int Attempts = 20;
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        QByteArray kept = name + TemporaryMark;
        for (int i = 0; i < 6; ++i)
            kept += letters[QRandomGenerator::global()->bounded(int(sizeof letters) - 1)];
        if (::link(name.constData(), kept.constData()) == 0)
            return kept;
        // File systems without hard links simply save without this way back.
        if (errno != EEXIST)
            break;
    }
    return {};
}

int readAll(int fd, qint64 size, QByteArray &bytes)
{
    bytes.resize(size);
    qint64 done = 0;
    while (done < size) {
        const ssize_t got = ::pread(fd, bytes.data() + done, std::size_t(size - done), off_t(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got < 0 ? errno : EIO;
        done += got;
    }
    return 0;
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
    return {path,
            QCoreApplication::translate("ListFile", "%1 is not a regular file.").arg(QDir::toNativeSeparators(path))};
}

CheckedSave::CheckedSave(const QString &path)
    : m_target(linkTarget(path))
    , m_name(QFile::encodeName(m_target))
{
}

CheckedSave::~CheckedSave()
{
    if (m_fd < 0)
        return;
    if (m_inPlace)
        writeOriginalBack();
    ::close(m_fd);
    if (!m_temporary.isEmpty())
        ::unlink(m_temporary.constData());
}

FileResult CheckedSave::open()
{
    // A loop of links, or one too deep to follow, is never replaced by a file.
    if (QFileInfo(m_target).isSymLink())
        return fileError(m_target, ELOOP);
    struct stat info
    {
    };
    m_exists = ::stat(m_name.constData(), &info) == 0;
    // A FIFO, a device or a folder is never replaced by a file.
    if (m_exists && !S_ISREG(info.st_mode))
        return notRegularFileError(m_target);
    // A file its owner made read-only stays so.
    if (m_exists && ::access(m_name.constData(), W_OK) != 0)
        return fileError(m_target, errno);

    SaveSystem &system = SaveSystem::current();
    QByteArray temporary = m_name + TemporaryMark + "XXXXXX";
    int error = system.createTemporary(temporary, m_fd);
    if (error == 0) {
        m_temporary = temporary;
        // The new file keeps the old one's permissions; a first one gets what a plain create gives.
        ::fchmod(m_fd, m_exists ? info.st_mode & 07777 : 0666 & ~currentUmask());
        return {};
    }
    // A folder without write permission says EACCES, one closed by the immutable flag EPERM.
    if ((error != EACCES && error != EPERM) || !m_exists)
        return fileError(m_target, error);
    error = system.openInPlace(m_name, m_fd);
    if (error == 0)
        error = readAll(m_fd, qint64(info.st_size), m_original);
    if (error != 0)
        return failed(error);
    m_inPlace = true;
    return {};
}

bool CheckedSave::write(const char *data, qint64 size)
{
    if (m_error != 0 || m_fd < 0)
        return false;
    m_error = SaveSystem::current().write(m_fd, data, size);
    if (m_error == 0)
        m_written += size;
    return m_error == 0;
}

FileResult CheckedSave::commit()
{
    if (m_fd < 0)
        return fileError(m_target, EBADF);
    return m_inPlace ? commitInPlace() : commitTemporary();
}

FileResult CheckedSave::commitTemporary()
{
    SaveSystem &system = SaveSystem::current();
    if (m_error == 0)
        m_error = system.syncFile(m_fd);
    ::close(m_fd);
    m_fd = -1;
    if (m_error != 0)
        return failed(m_error);

    // Until the new name is on the disk, the old file keeps a second name to be put back by.
    QByteArray kept = m_exists ? linkOriginal(m_name) : QByteArray();
    const auto dropKept = [&] {
        if (!kept.isEmpty())
            ::unlink(kept.constData());
    };
    if (const int error = system.replace(m_temporary, m_name); error != 0) {
        dropKept();
        return failed(error);
    }
    m_temporary.clear();
    if (const int error = system.syncFolder(QFile::encodeName(QFileInfo(m_target).absolutePath())); error != 0) {
        // A failure means the file is as it was.
        if (!m_exists)
            ::unlink(m_name.constData());
        else if (!kept.isEmpty() && system.replace(kept, m_name) == 0)
            kept.clear();
        dropKept();
        return fileError(m_target, error);
    }
    dropKept();
    return {};
}

FileResult CheckedSave::commitInPlace()
{
    SaveSystem &system = SaveSystem::current();
    if (m_error == 0)
        m_error = system.resize(m_fd, m_written);
    if (m_error == 0)
        m_error = system.syncFile(m_fd);
    if (m_error != 0)
        return failed(m_error);
    ::close(m_fd);
    m_fd = -1;
    return FileResult::withNotice(
        {m_target,
         QCoreApplication::translate("ListFile",
                                     "%1 was written in place, as its folder takes no new files: "
                                     "a crash while saving can destroy it.")
             .arg(QDir::toNativeSeparators(m_target))});
}

void CheckedSave::writeOriginalBack()
{
    // The old blocks are still the file's, so this needs no new room on a full disk.
    SaveSystem &system = SaveSystem::current();
    if (::lseek(m_fd, 0, SEEK_SET) == 0 && system.write(m_fd, m_original.constData(), m_original.size()) == 0
        && system.resize(m_fd, m_original.size()) == 0)
        system.syncFile(m_fd);
    m_inPlace = false;
}

FileResult CheckedSave::failed(int error)
{
    if (m_fd >= 0) {
        if (m_inPlace)
            writeOriginalBack();
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temporary.isEmpty()) {
        ::unlink(m_temporary.constData());
        m_temporary.clear();
    }
    return fileError(m_target, error);
}
