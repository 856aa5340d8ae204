#include "core/journal/Recovery.h"

#include "core/journal/Journal.h"
#include "core/journal/JournalRecorder.h"
#include "core/settings/ClassNames.h"
#include "core/startlist/ListFile.h"
#include "core/text/Numbers.h"

#include <QCoreApplication>
#include <QDir>

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

        QList<JournalEvent> restored;
        bool wholeList = false;
        for (const JournalEvent &e : unsaved.value().rows) {
            wholeList = wholeList || changesWholeList(e.field);
            const std::optional<ListField> field = fieldNamed(e.field);
            if (wholeList || !field || !e.entry || *e.entry < 0 || *e.entry >= list.count())
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
            row.note = QStringLiteral("journal newer than the class file at start-up");
            restored << row;
        }
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
