#include "core/startlist/ClassStore.h"

#include "core/settings/ClassNames.h"
#include "core/startlist/ListFile.h"
#include "core/system/CheckedSave.h"
#include "core/system/DataFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <sys/stat.h>

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
    const QString target = linkTarget(path);
    struct stat info{};
    // A FIFO would block the copy and a device never ends; a huge file is not copied but kept.
    if (::stat(QFile::encodeName(target).constData(), &info) != 0 || !S_ISREG(info.st_mode)
        || info.st_size > MaxListFileSize)
        return QString();
    constexpr int MaxCopies = 100;
    for (int n = 1; n <= MaxCopies; ++n) {
        const QString candidate = target + (n == 1 ? QStringLiteral(".bak") : QStringLiteral(".bak%1").arg(n));
        if (QFileInfo::exists(candidate) || QFileInfo(candidate).isSymLink()) {
            if (sameBytes(target, candidate))
                return candidate;
            continue;
        }
        if (!QFile::copy(target, candidate))
            return QString();
        // Whoever may not read the class file may not read its copy either.
        if (!QFile::setPermissions(candidate, QFile::permissions(target))) {
            QFile::remove(candidate);
            return QString();
        }
        return candidate;
    }
    return QString();
}

namespace {
// A name the operator gave a copy ("List01.dat.backup", "List01.dat.Backup") is a word; the random
// letters of a temporary name almost always hold at least two capitals and two small letters. The
// few temporary files that do not stay behind, which is better than removing someone's copy.
bool looksRandom(QStringView letters)
{
    const auto upper = std::count_if(letters.begin(), letters.end(), [](QChar c) { return c.isUpper(); });
    return upper >= 2 && letters.size() - upper >= 2;
}
} // namespace

QStringList ClassStore::removeStaleTemporaryFiles()
{
    // QSaveFile names its temporary file "<name>.XXXXXX" with six ASCII letters.
    static const QRegularExpression pattern(QStringLiteral("^List(0[1-9]|10)\\.dat\\.[A-Za-z]{6}$"));
    QStringList classTargets;
    for (int c = FirstClass; c <= LastClass; ++c)
        classTargets << QFileInfo(linkTarget(ClassListPath(c))).absoluteFilePath();
    const QDir folder(dataFolder());
    QStringList removed;
    for (const QString &name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks)) {
        if (!pattern.match(name).hasMatch() || !looksRandom(name.right(6)))
            continue;
        const QString path = folder.absoluteFilePath(name);
        struct stat info{};
        // A class file may be a link to such a name; that file is in use, not left over.
        if (classTargets.contains(path) || ::lstat(QFile::encodeName(path).constData(), &info) != 0
            || !S_ISREG(info.st_mode))
            continue;
        if (QFile::remove(path))
            removed << name;
    }
    return removed;
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
    m_loaded = true;
    const QString path = ClassListPath(m_currentClass);
    const struct Announce
    {
        ClassStore *store;
        std::shared_ptr<const StartList> before;
        ~Announce()
        {
            emit store->changed({StoreChange::Kind::ListReplaced, store->m_currentClass, -1, ListField::Number, {}, {},
                                 ChangeSource::Load, before});
        }
    } announce{this, std::make_shared<const StartList>(list())};
    const Result<bool> read = m_model.changeAll([&](StartList &list) {
        // A class without a file has no participants.
        list.clear();
        return ReadListFile(list, path, false);
    });
    if (read.ok() && (read.value() || !QFileInfo::exists(path)))
        return {};

    // Messages name the file the data is in, which for a link is its target.
    const QString target = linkTarget(path);
    QString reason = read.ok() ? tr("%1 is not a start list file.").arg(QDir::toNativeSeparators(target))
                               : read.error().reason;
    const QString copy = keepOriginal(path);
    if (!copy.isEmpty()) {
        reason += QLatin1Char('\n') + tr("The original file was kept as %1.").arg(QDir::toNativeSeparators(copy));
    } else {
        m_unsafePath = path;
        reason += QLatin1Char('\n')
                + tr("No copy of the original file could be made, so %1 will not be overwritten.")
                      .arg(QDir::toNativeSeparators(target));
    }
    return FileError{target, reason};
}

FileResult ClassStore::SaveCurrentClass()
{
    const QString path = ClassListPath(m_currentClass);
    FileResult result;
    const bool unsafe = !m_unsafePath.isEmpty() && path == m_unsafePath && QFileInfo::exists(path)
                     && keepOriginal(path).isEmpty();
    if (unsafe && list().count() == 0) {
        // Nothing was read from it and nothing was added: there is nothing to save, and the file
        // (a FIFO, a folder, a file too large to read) stays as it is. The class can be left.
        result = {};
    } else if (unsafe) {
        const QString target = linkTarget(path);
        result = FileError{target, tr("%1 failed to load and no copy of it could be made; it was not overwritten.")
                                       .arg(QDir::toNativeSeparators(target))};
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

void ClassStore::writeNumberField(int index, ListField field, std::int32_t value, ChangeSource source)
{
    const std::int32_t old = list().wholeNumber(index, field);
    if (!m_model.setWholeNumber(index, field, value) || old == value)
        return;
    emit changed({StoreChange::Kind::Field, m_currentClass, index, field, old, value, source, nullptr});
}

void ClassStore::replaceEntries(StartList::Entries entries, ChangeSource source)
{
    auto before = std::make_shared<const StartList>(list());
    m_model.changeAll([&](StartList &current) { current.entries() = std::move(entries); });
    emit changed({StoreChange::Kind::ListReplaced, m_currentClass, -1, ListField::Number, {}, {}, source,
                  std::move(before)});
}
