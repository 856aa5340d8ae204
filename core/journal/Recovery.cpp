#include "core/journal/Recovery.h"

#include "core/journal/Journal.h"
#include "core/journal/JournalRecorder.h"
#include "core/settings/ClassNames.h"
#include "core/startlist/ListFile.h"
#include "core/text/Numbers.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryFile>

namespace {
std::optional<ListField> fieldNamed(const QString &name)
{
    for (int f = int(ListField::Name); f < ListFieldCount; ++f) {
        if (journalFieldName(ListField(f)) == name)
            return ListField(f);
    }
    return std::nullopt;
}

QString valueText(const StartList &list, int entry, ListField field)
{
    return isNumberField(field) ? QString::number(list.wholeNumber(entry, field)) : list.text(entry, field);
}

bool changesWholeList(const QString &field)
{
    return field == QLatin1String("entry added") || field == QLatin1String("entries removed")
        || field == QLatin1String("list replaced");
}
// Writes the values of rows into list, oldest first, up to the first change of the list as a
// whole; the rows to journal for what was written, with the source "restore".
QList<JournalEvent> replayRows(StartList &list, const QList<JournalEvent> &rows, bool *wholeList, const QString &note)
{
    QList<JournalEvent> restored;
    for (const JournalEvent &e : rows) {
        *wholeList = *wholeList || changesWholeList(e.field);
        const std::optional<ListField> field = fieldNamed(e.field);
        if (*wholeList || !field || !e.entry || *e.entry < 0 || *e.entry >= list.count())
            continue;
        const QString old = valueText(list, *e.entry, *field);
        if (old == e.newValue)
            continue;
        if (isNumberField(*field)) {
            const std::optional<std::int32_t> value = parseWholeNumber(e.newValue);
            if (!value)
                continue;
            list.setWholeNumber(*e.entry, *field, *value);
        } else {
            list.setText(*e.entry, *field, e.newValue);
        }
        JournalEvent row = e;
        row.id = 0;
        row.at = QDateTime();
        row.clockMs.reset();
        row.name = list.text(*e.entry, ListField::Name);
        row.oldValue = old;
        row.source = QStringLiteral("restore");
        row.note = note;
        restored << row;
    }
    return restored;
}
} // namespace

QList<ClassRecovery> restoreFromJournal(Journal &journal)
{
    QList<ClassRecovery> done;
    for (int c = FirstClass; c <= LastClass; ++c) {
        const Result<Journal::Unsaved> unsaved = journal.unsavedChanges(c);
        if (!unsaved || unsaved.value().sha256.isEmpty() || unsaved.value().rows.isEmpty())
            continue;
        const QString path = ClassListPath(c);
        if (Journal::fileSha256(path) != unsaved.value().sha256)
            continue;
        StartList list;
        if (const Result<bool> read = ReadListFile(list, path, false); !read || !read.value())
            continue;

        bool wholeList = false;
        const QList<JournalEvent> restored = replayRows(
            list, unsaved.value().rows, &wholeList, QStringLiteral("journal newer than the class file at start-up"));
        if (wholeList) {
            done << ClassRecovery {
                c, 0,
                FileError {path,
                           QCoreApplication::translate("Recovery", "its list changed as a whole after the last save")}};
            continue;
        }
        if (restored.isEmpty())
            continue;
        ClassRecovery recovery {c, int(restored.size()), WriteListFile(list, path)};
        if (recovery.saved) {
            for (const JournalEvent &row : restored)
                [[maybe_unused]] const FileResult journaled = journal.append(row);
            [[maybe_unused]] const FileResult noted = journal.noteClassFile(c, path);
        }
        done << recovery;
    }
    return done;
}

bool canRebuildClassFile(Journal &journal, int classIndex)
{
    const Result<std::optional<Journal::KeptFile>> kept = journal.keptClassFile(classIndex);
    return kept && kept.value();
}

Result<int> rebuildClassFile(Journal &journal, int classIndex, const QString &path)
{
    const Result<std::optional<Journal::KeptFile>> kept = journal.keptClassFile(classIndex);
    if (!kept)
        return kept.error();
    if (!kept.value())
        return FileError {path,
                          QCoreApplication::translate("Recovery", "The journal keeps no copy of this class file.")};
    const Result<QList<JournalEvent>> rows = journal.eventsAfter(classIndex, kept.value()->lastId);
    if (!rows)
        return rows.error();

    // The list file reader reads files; the kept bytes go through one of their own.
    QTemporaryFile bytes;
    StartList list;
    if (!bytes.open() || bytes.write(kept.value()->bytes) != kept.value()->bytes.size() || !bytes.flush())
        return FileError {bytes.fileName(), bytes.errorString()};
    if (const Result<bool> read = ReadListFile(list, bytes.fileName(), false); !read || !read.value())
        return FileError {path, QCoreApplication::translate("Recovery", "The copy in the journal cannot be read.")};

    bool wholeList = false;
    const QList<JournalEvent> replayed
        = replayRows(list, rows.value(), &wholeList, QStringLiteral("class file rebuilt from the journal"));
    if (FileResult written = WriteListFile(list, path); !written)
        return written.error();
    for (const JournalEvent &row : replayed)
        [[maybe_unused]] const FileResult journaled = journal.append(row);
    JournalEvent rebuilt;
    rebuilt.classIndex = classIndex;
    rebuilt.field = QStringLiteral("file rebuilt");
    rebuilt.newValue = QString::number(list.count());
    rebuilt.source = QStringLiteral("restore");
    rebuilt.note = wholeList ? QStringLiteral("changes after a change of the whole list could not be replayed")
                             : QStringLiteral("class file rebuilt from the journal");
    [[maybe_unused]] const FileResult journaled = journal.append(rebuilt);
    [[maybe_unused]] const FileResult noted = journal.noteClassFile(classIndex, path, true);
    return int(replayed.size());
}
