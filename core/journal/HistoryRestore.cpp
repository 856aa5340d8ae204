#include "core/journal/HistoryRestore.h"

#include "core/journal/HistoryModel.h"
#include "core/journal/JournalRecorder.h"
#include "core/startlist/ClassStore.h"
#include "core/text/Numbers.h"

#include <QCoreApplication>

namespace {
QString tr(const char *text)
{
    return QCoreApplication::translate("HistoryRestore", text);
}

std::optional<ListField> listFieldNamed(const QString &name)
{
    for (int f = int(ListField::Name); f < ListFieldCount; ++f) {
        if (journalFieldName(ListField(f)) == name)
            return ListField(f);
    }
    return std::nullopt;
}

// The entry at the row's place when it still has the row's name; else the only one of that name.
std::optional<int> participantOf(const JournalEvent &row, const ClassStore &store)
{
    if (store.list().isValidIndex(*row.entry) && store.readTextField(*row.entry, ListField::Name) == row.name)
        return *row.entry;
    std::optional<int> found;
    for (int i = 0; i < store.entryCount(); ++i) {
        if (store.readTextField(i, ListField::Name) != row.name)
            continue;
        if (found || row.name.isEmpty())
            return std::nullopt;
        found = i;
    }
    return found;
}
} // namespace

RestorePlan planRestore(const JournalEvent &row, const ClassStore &store,
                        const std::optional<UndoHistory::Guarded> &guarded)
{
    RestorePlan plan;
    const std::optional<ListField> field = listFieldNamed(row.field);
    if (!field || !row.entry) {
        plan.refusal = tr("Only the change of one field of a participant can be restored.");
        return plan;
    }
    plan.field = *field;
    if (row.classIndex != store.CurrentClass()) {
        plan.refusal = tr("This row belongs to another class.");
        return plan;
    }
    const std::optional<int> entry = participantOf(row, store);
    if (!entry) {
        plan.refusal = tr("%1 is no longer in the list (or not only once).")
                           .arg(row.name.isEmpty() ? tr("Row %1").arg(*row.entry + 1) : row.name);
        return plan;
    }
    plan.entry = *entry;
    if (guarded && guarded->entry == plan.entry && guarded->field == plan.field) {
        plan.refusal = tr("The time of the run on course belongs to the clock; stop the run first.");
        return plan;
    }
    if (isNumberField(plan.field)) {
        const std::optional<std::int32_t> value
            = parseWholeNumber(row.oldValue.isEmpty() ? QStringLiteral("0") : row.oldValue);
        if (!value) {
            plan.refusal = tr("The old value of this row is no number.");
            return plan;
        }
        plan.value = QString::number(*value);
    } else {
        plan.value = row.oldValue;
    }
    const QString now = isNumberField(plan.field) ? QString::number(store.readNumberField(plan.entry, plan.field))
                                                  : store.readTextField(plan.entry, plan.field);
    if (now == plan.value)
        plan.refusal = tr("%1 of %2 is %3 already.")
                           .arg(historyFieldText(row), store.readTextField(plan.entry, ListField::Name),
                                historyValueText(row.field, plan.value));
    return plan;
}

FileResult restoreRow(ClassStore &store, JournalRecorder &recorder, const JournalEvent &row, const RestorePlan &plan)
{
    if (!plan.refusal.isEmpty() || plan.entry < 0)
        return FileError {QString(), plan.refusal};
    // The journal's own words, whatever the window's language: clubs query the note.
    recorder.setNoteForNextChange(QStringLiteral("Zeile %1").arg(row.id));
    FileResult saved;
    if (isNumberField(plan.field)) {
        saved = store.writeResult(plan.entry, {{plan.field, plan.value.toInt()}}, ChangeSource::Restore);
    } else if (store.writeTextField(plan.entry, plan.field, plan.value, ChangeSource::Restore)) {
        saved = store.SaveCurrentClass();
    }
    recorder.clearNote();
    return saved;
}
