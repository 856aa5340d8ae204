#pragma once

#include "core/journal/Journal.h"
#include "core/startlist/StartList.h"
#include "core/system/FileResult.h"
#include "core/undo/UndoHistory.h"

#include <QString>

#include <cstdint>
#include <optional>

class ClassStore;
class JournalRecorder;

// Putting back the value a journal row replaced: where it goes, or why it cannot.
struct RestorePlan
{
    int entry = -1;
    ListField field = ListField::Name;
    QString value; // the row's old value, as the field holds it
    QString refusal; // empty when the value can go back
};

// Only a row of one field of one participant of the current class can be restored, to the
// participant still in the list (at the row's entry, or else the only one of that name), never
// into the run on course (guarded), and only when the field holds something else now.
RestorePlan planRestore(const JournalEvent &row, const ClassStore &store,
                        const std::optional<UndoHistory::Guarded> &guarded);

// Writes the planned value through the store, saved at once and journaled as a restore whose
// note names the row.
FileResult restoreRow(ClassStore &store, JournalRecorder &recorder, const JournalEvent &row, const RestorePlan &plan);
