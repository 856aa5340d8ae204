#include "core/startlist/ClassStore.h"

#include "core/settings/ClassNames.h"
#include "core/startlist/ListFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
bool sameBytes(const QString &a, const QString &b)
{
    QFile first(a);
    QFile second(b);
    if (first.size() != second.size() || !first.open(QIODevice::ReadOnly) || !second.open(QIODevice::ReadOnly))
        return false;
    constexpr qint64 Chunk = 1 << 20;
    while (!first.atEnd()) {
        const QByteArray x = first.read(Chunk);
        if (x.isEmpty() || x != second.read(Chunk))
            return false;
    }
    return true;
}
} // namespace

ClassStore::ClassStore(QObject *parent)
    : QObject(parent)
{
}

QString ClassStore::keepOriginal(const QString &path)
{
    constexpr int MaxCopies = 100;
    for (int n = 1; n <= MaxCopies; ++n) {
        const QString candidate = path + (n == 1 ? QStringLiteral(".bak") : QStringLiteral(".bak%1").arg(n));
        if (QFileInfo::exists(candidate)) {
            if (sameBytes(path, candidate))
                return candidate;
            continue;
        }
        return QFile::copy(path, candidate) ? candidate : QString();
    }
    return QString();
}

FileResult ClassStore::SelectClass(int classIndex)
{
    if (classIndex < FirstClass || classIndex > LastClass)
        return {};
    if (FileResult saved = SaveCurrentClass(); !saved)
        return saved;
    m_currentClass = classIndex;
    return LoadCurrentClass();
}

FileResult ClassStore::LoadCurrentClass()
{
    FileResult result = loadCurrentClass();
    emit classLoaded(m_currentClass);
    return result;
}

FileResult ClassStore::loadCurrentClass()
{
    m_unsafePath.clear();
    m_unsaved.reset();
    const QString path = ClassListPath(m_currentClass);
    const Result<bool> read = m_model.changeAll([&](StartList &list) {
        // A class without a file has no participants.
        list.clear();
        return ReadListFile(list, path, false);
    });
    if (read.ok() && (read.value() || !QFileInfo::exists(path)))
        return {};

    QString reason = read.ok() ? tr("%1 is not a start list file.").arg(QDir::toNativeSeparators(path))
                               : read.error().reason;
    const QString copy = keepOriginal(path);
    if (!copy.isEmpty()) {
        reason += QLatin1Char('\n') + tr("The original file was kept as %1.").arg(QDir::toNativeSeparators(copy));
    } else {
        m_unsafePath = path;
        reason += QLatin1Char('\n')
                + tr("No copy of the original file could be made, so %1 will not be overwritten.")
                      .arg(QDir::toNativeSeparators(path));
    }
    return FileError{path, reason};
}

FileResult ClassStore::SaveCurrentClass()
{
    const QString path = ClassListPath(m_currentClass);
    FileResult result;
    if (!m_unsafePath.isEmpty() && path == m_unsafePath && QFileInfo::exists(path) && keepOriginal(path).isEmpty()) {
        result = FileError{path, tr("%1 failed to load and no copy of it could be made; it was not overwritten.")
                                     .arg(QDir::toNativeSeparators(path))};
    } else {
        m_unsafePath.clear();
        result = WriteListFile(list(), path);
    }
    if (result.ok())
        m_unsaved.reset();
    else
        m_unsaved = result.error();
    emit saveFinished(result);
    return result;
}

void ClassStore::writeNumberField(int index, ListField field, std::int32_t value)
{
    m_model.setWholeNumber(index, field, value);
}
