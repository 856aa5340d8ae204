#pragma once

#include <QByteArray>
#include <QtGlobal>

// The system calls a durable save is made of. Every save goes through the one in use, so a test
// can make any single step fail the way a full disk, a failing drive or a network share does.
// Each call answers 0, or the errno value of its failure.
class SaveSystem
{
    Q_DISABLE_COPY_MOVE(SaveSystem)

public:
    SaveSystem() = default;
    virtual ~SaveSystem() = default;

    // A new file from a name ending in "XXXXXX" (replaced by the name made), open for writing.
    virtual int createTemporary(QByteArray &nameTemplate, int &fd);
    // The existing file, open for reading and writing, not truncated.
    virtual int openInPlace(const QByteArray &name, int &fd);
    // All of size bytes at the file's position.
    virtual int write(int fd, const char *data, qint64 size);
    virtual int syncFile(int fd);
    virtual int resize(int fd, qint64 size);
    // Renames from over to in one step.
    virtual int replace(const QByteArray &from, const QByteArray &to);
    virtual int syncFolder(const QByteArray &folder);

    static SaveSystem &current();
    // Puts system in use (nullptr: the real one) and returns the one it replaces.
    static SaveSystem *use(SaveSystem *system);
};
