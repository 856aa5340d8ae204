#pragma once

#include "core/system/SaveSystem.h"

#include <QString>

#include <functional>
#include <utility>

// While it lives, saves go through a disk on which one step fails once with the given errno, the
// way the drive, a full disk or a network share fails it. A folder "without write permission"
// refuses every new file, whoever runs the test. A torn write lands half its bytes before failing.
// Steps: "write", "sync file", "resize", "rename", "sync folder", "" for none.
class FailingDisk final : public SaveSystem
{
public:
    FailingDisk(QString step, int error, bool folderClosed = false)
        : m_step(std::move(step))
        , m_error(error)
        , m_folderClosed(folderClosed)
        , m_previous(SaveSystem::use(this))
    {
    }
    ~FailingDisk() override { SaveSystem::use(m_previous); }

    // Runs at the failing step, before it fails: what a kill at that moment would leave.
    std::function<void()> atFailure;

    int createTemporary(QByteArray &name, int &fd) override
    {
        return m_folderClosed ? EACCES : SaveSystem::createTemporary(name, fd);
    }
    int write(int fd, const char *data, qint64 size) override
    {
        if (!fails("write"))
            return SaveSystem::write(fd, data, size);
        SaveSystem::write(fd, data, size / 2);
        return m_error;
    }
    int syncFile(int fd) override { return fails("sync file") ? m_error : SaveSystem::syncFile(fd); }
    int resize(int fd, qint64 size) override { return fails("resize") ? m_error : SaveSystem::resize(fd, size); }
    int replace(const QByteArray &from, const QByteArray &to) override
    {
        return fails("rename") ? m_error : SaveSystem::replace(from, to);
    }
    int syncFolder(const QByteArray &folder) override
    {
        return fails("sync folder") ? m_error : SaveSystem::syncFolder(folder);
    }

private:
    bool fails(const char *step)
    {
        if (m_failed || m_step != QLatin1String(step))
            return false;
        m_failed = true;
        if (atFailure)
            atFailure();
        return true;
    }

    QString m_step;
    int m_error;
    bool m_folderClosed;
    bool m_failed = false;
    SaveSystem *m_previous;
};
