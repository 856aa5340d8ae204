#pragma once

#include "core/startlist/ListFile.h"

#include <QByteArrayList>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTest>

// Start list files written byte by byte, and what a read or write of one came to.

inline QByteArray record(const QByteArrayList &fields)
{
    QByteArray bytes = "[ZVX1RECORD]\r\n";
    for (const QByteArray &field : fields)
        bytes += field + "\r\n";
    return bytes;
}

inline QByteArray kimRecord()
{
    return record({"Kim", "12", "7", "", "", "", "65430", "2", "1", "0", "0", "0"});
}

inline QByteArray fileOf(const QByteArray &body)
{
    return "[ZVX1FILE]\r\n" + body + "[ZVX1END]\r\n";
}

inline QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

inline QStringList names(const StartList &list)
{
    QStringList result;
    for (int i = 0; i < list.count(); ++i)
        result << list.text(i, ListField::Name);
    return result;
}

// The class file as the program left it; a warning when it could not be read.
inline StartList readClassFile(int classIndex)
{
    StartList list;
    if (const Result<bool> read = ReadListFile(list, ClassListPath(classIndex), false); !read || !read.value())
        qWarning("class %d not read", classIndex);
    return list;
}

// The class file's path made into a folder: no save can replace it, whoever runs the tests.
inline void blockClassFile(int classIndex)
{
    QFile::remove(ClassListPath(classIndex));
    QVERIFY(QDir().mkpath(ClassListPath(classIndex)));
}

inline void unblockClassFile(int classIndex)
{
    QVERIFY(QDir().rmdir(ClassListPath(classIndex)));
}

// Whether a read took the file as a start list file, or a write finished it.
inline bool taken(const Result<bool> &result)
{
    return result.ok() && result.value();
}
inline bool taken(const FileResult &result)
{
    return result.ok();
}

// The reason of a failure; empty for none.
template<typename R> QString reasonOf(const R &result)
{
    return result.ok() ? QString() : result.error().reason;
}
