#include "core/startlist/ClassStore.h"

#include "core/settings/ClassNames.h"
#include "core/startlist/ListFile.h"
#include "core/system/CheckedSave.h"
#include "core/system/DataFolder.h"
#include "core/system/DiskQueue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

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
    , m_model(*this)
{
}

ClassStore::~ClassStore()
{
    DiskQueue::drain(m_disk);
}

QString ClassStore::keepOriginal(const QString &path)
{
    const QString target = linkTarget(path);
    struct stat info
    {
    };
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

QStringList ClassStore::removeStaleTemporaryFiles()
{
    // A save writes "<file>.zvx-XXXXXX" beside the file a class file leads to; nothing else has
    // that mark, so whatever has it there was left by a save that was cut off.
    QStringList classTargets;
    for (int c = FirstClass; c <= LastClass; ++c)
        classTargets << QFileInfo(linkTarget(ClassListPath(c))).absoluteFilePath();
    QStringList removed;
    for (const QString &target : std::as_const(classTargets)) {
        const QFileInfo file(target);
        const QRegularExpression pattern(
            QStringLiteral("^%1\\.zvx-[A-Za-z0-9]{6}$").arg(QRegularExpression::escape(file.fileName())));
        const QDir folder = file.absoluteDir();
        for (const QString &name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks)) {
            const QString path = folder.absoluteFilePath(name);
            struct stat info
            {
            };
            // A class file may be a link to such a name; that file is in use, not left over.
            if (!pattern.match(name).hasMatch() || classTargets.contains(path)
                || ::lstat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
                continue;
            if (QFile::remove(path))
                removed << name;
        }
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

void ClassStore::chooseFirstClass(int classIndex)
{
    if (!m_loaded && classIndex >= FirstClass && classIndex <= LastClass)
        m_currentClass = classIndex;
}

FileResult ClassStore::LoadCurrentClass()
{
    FileResult result = loadCurrentClass();
    m_loadFailed = !result.ok();
    emit classLoaded(m_currentClass);
    return result;
}

FileResult ClassStore::loadCurrentClass()
{
    m_unsafePath.clear();
    m_unsaved.reset();
    m_loaded = true;
    const QString path = ClassListPath(m_currentClass);
    auto before = std::make_shared<const StartList>(m_list);
    // A class without a file has no participants; the sort directions stay as the operator left them.
    StartList next = m_list;
    next.clear();
    const Result<bool> read = ReadListFile(next, path, false);
    m_model.beginResetModel();
    m_list = std::move(next);
    m_model.endResetModel();
    // Announced once the original of a damaged file is safe, whatever the outcome.
    const struct Announce
    {
        ClassStore *store;
        std::shared_ptr<const StartList> before;
        ~Announce() { store->announceReplaced(std::move(before), ChangeSource::Load); }
    } announce {this, std::move(before)};
    if (read.ok() && (read.value() || !QFileInfo::exists(path)))
        return {};

    // Messages name the file the data is in, which for a link is its target.
    const QString target = linkTarget(path);
    QString reason
        = read.ok() ? tr("%1 is not a start list file.").arg(QDir::toNativeSeparators(target)) : read.error().reason;
    const QString copy = keepOriginal(path);
    if (!copy.isEmpty()) {
        reason += QLatin1Char('\n') + tr("The original file was kept as %1.").arg(QDir::toNativeSeparators(copy));
    } else {
        m_unsafePath = path;
        reason += QLatin1Char('\n')
            + tr("No copy of the original file could be made, so %1 will not be overwritten.")
                  .arg(QDir::toNativeSeparators(target));
    }
    return FileError {target, reason};
}

std::function<FileResult()> ClassStore::saveJob()
{
    const QString path = ClassListPath(m_currentClass);
    // A dangling link or a loop of links does not "exist", yet it is what the load failed on.
    const bool unsafe = !m_unsafePath.isEmpty() && path == m_unsafePath
        && (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) && keepOriginal(path).isEmpty();
    if (unsafe && list().count() == 0) {
        // Nothing was read from it and nothing was added: there is nothing to save, and the file
        // (a FIFO, a folder, a file too large to read) stays as it is. The class can be left.
        return [] { return FileResult {}; };
    }
    if (unsafe) {
        const QString target = linkTarget(path);
        const FileError refused {target,
                                 tr("%1 failed to load and no copy of it could be made; it was not overwritten.")
                                     .arg(QDir::toNativeSeparators(target))};
        return [refused] { return FileResult {refused}; };
    }
    m_unsafePath.clear();
    return [list = m_list, path, classIndex = m_currentClass, hook = m_savedHook] {
        FileResult result = WriteListFile(list, path);
        if (result && hook)
            hook(classIndex, path);
        return result;
    };
}

void ClassStore::finishSave(std::uint64_t serial, const FileResult &result)
{
    if (serial != m_saveSerial)
        return;
    if (result.ok())
        m_unsaved.reset();
    else
        m_unsaved = result.error();
    emit saveFinished(result);
}

FileResult ClassStore::SaveCurrentClass()
{
    // Whatever asks (closing, a signal, switching), a list that was never read from the class file
    // is not its content: saving it would replace the file with an empty list.
    if (!m_loaded)
        return {};
    emit saving();
    const std::function<FileResult()> job = saveJob();
    const std::uint64_t serial = ++m_saveSerial;
    FileResult result;
    DiskQueue::run(m_disk, [&] { result = job(); });
    finishSave(serial, result);
    return result;
}

bool ClassStore::writeNumberField(int index, ListField field, std::int32_t value, ChangeSource source)
{
    if (!m_list.isValidIndex(index) || !isNumberField(field))
        return false;
    const std::int32_t old = m_list.wholeNumber(index, field);
    if (old == value)
        return true;
    m_list.setWholeNumber(index, field, value);
    m_model.cellChanged(index, field);
    emit changed({StoreChange::Kind::Field, m_currentClass, index, field, old, value, source, nullptr});
    return true;
}

bool ClassStore::writeTextField(int index, ListField field, const QString &text, ChangeSource source)
{
    if (!m_list.isValidIndex(index) || !isTextField(field))
        return false;
    const QString old = m_list.text(index, field);
    if (old == text)
        return true;
    m_list.setText(index, field, text);
    m_model.cellChanged(index, field);
    emit changed({StoreChange::Kind::Field, m_currentClass, index, field, old, text, source, nullptr});
    return true;
}

FileResult ClassStore::writeResult(int index, std::initializer_list<FieldValue> values, ChangeSource source)
{
    if (!m_list.isValidIndex(index))
        return {};
    // The row's results are written as the protocol reads them: a fraction from a file becomes the
    // whole number shown. That changes nothing anyone sees, so it is not announced.
    for (ListField field :
         {ListField::Time1, ListField::FP1, ListField::FS1, ListField::Time2, ListField::FP2, ListField::FS2})
        m_list.setWholeNumber(index, field, m_list.wholeNumber(index, field));
    for (const FieldValue &v : values)
        writeNumberField(index, v.field, v.value, source);
    if (!m_disk || !m_loaded)
        return SaveCurrentClass();
    emit saving();
    const std::uint64_t serial = ++m_saveSerial;
    DiskQueue::post(m_disk, [this, job = saveJob(), serial] {
        const FileResult result = job();
        QMetaObject::invokeMethod(this, [this, serial, result] { finishSave(serial, result); }, Qt::QueuedConnection);
    });
    return {};
}

void ClassStore::addEntry(ChangeSource source)
{
    const int index = m_list.count();
    m_model.beginInsertRows({}, index, index);
    m_list.add();
    m_model.endInsertRows();
    emit changed({StoreChange::Kind::EntryAdded, m_currentClass, index, ListField::Number, {}, {}, source, nullptr});
}

int ClassStore::removeEntries(const std::vector<int> &indices, ChangeSource source)
{
    auto before = std::make_shared<const StartList>(m_list);
    m_model.beginResetModel();
    const int removed = m_list.removeRows(indices);
    m_model.endResetModel();
    if (removed > 0)
        emit changed({StoreChange::Kind::EntriesRemoved,
                      m_currentClass,
                      -1,
                      ListField::Number,
                      {},
                      {},
                      source,
                      std::move(before)});
    return removed;
}

QString ClassStore::sortBy(ListField field, ChangeSource source)
{
    auto before = std::make_shared<const StartList>(m_list);
    std::vector<std::size_t> order;
    m_model.layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QString error = m_list.sortBy(field, &order);
    m_model.followOrder(order);
    m_model.layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    if (!order.empty())
        announceReplaced(std::move(before), source);
    return error;
}

void ClassStore::replaceList(StartList list, ChangeSource source)
{
    auto before = std::make_shared<const StartList>(m_list);
    m_model.beginResetModel();
    m_list = std::move(list);
    m_model.endResetModel();
    announceReplaced(std::move(before), source);
}

void ClassStore::announceReplaced(std::shared_ptr<const StartList> before, ChangeSource source)
{
    emit changed(
        {StoreChange::Kind::ListReplaced, m_currentClass, -1, ListField::Number, {}, {}, source, std::move(before)});
}
