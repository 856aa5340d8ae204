#include "startlist/ClassFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
QString tr(const char *text)
{
    return QCoreApplication::translate("ClassFiles", text);
}

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

QString ClassFiles::keepOriginal(const QString &path)
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

ListFileResult ClassFiles::load(StartList &list, int classIndex)
{
    m_unsafePath.clear();
    list.clear();
    const QString path = ClassListPath(classIndex);
    if (!QFileInfo::exists(path))
        return {};
    ListFileResult result = ReadListFile(list, path, false);
    if (result.accepted && result.error.isEmpty())
        return result;

    QString message = result.error.isEmpty()
                          ? tr("%1 is not a start list file.").arg(QDir::toNativeSeparators(path))
                          : result.error;
    const QString copy = keepOriginal(path);
    if (!copy.isEmpty()) {
        message += QLatin1Char('\n') + tr("The original file was kept as %1.").arg(QDir::toNativeSeparators(copy));
    } else {
        m_unsafePath = path;
        message += QLatin1Char('\n')
                 + tr("No copy of the original file could be made, so %1 will not be overwritten.")
                       .arg(QDir::toNativeSeparators(path));
    }
    result.error = message;
    return result;
}

ListFileResult ClassFiles::save(const StartList &list, int classIndex)
{
    const QString path = ClassListPath(classIndex);
    if (!m_unsafePath.isEmpty() && path == m_unsafePath) {
        if (QFileInfo::exists(path) && keepOriginal(path).isEmpty()) {
            ListFileResult refused;
            refused.error = tr("%1 failed to load and no copy of it could be made; it was not overwritten.")
                                .arg(QDir::toNativeSeparators(path));
            return refused;
        }
        m_unsafePath.clear();
    }
    return WriteListFile(list, path);
}
