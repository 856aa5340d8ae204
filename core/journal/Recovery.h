#pragma once

#include "core/system/FileResult.h"

#include <QList>
#include <QString>

class Journal;

// What the check at start-up did with one class file.
struct ClassRecovery
{
    int classIndex = 0;
    // Values the journal held newer than the class file, written back to it.
    int restored = 0;
    // The write of the class file, or why nothing could be written back.
    FileResult saved;
};

// The check at start-up, before any class is loaded. Where a class file is still exactly what the
// program last read or wrote (same SHA-256) and the journal holds changes made after that, the
// program ended between the two writes: the changed values are written back to the file and
// journaled with the source "restore". A file changed by anyone else is left alone, and so is a
// class whose list changed as a whole since (entries added, removed or sorted).
QList<ClassRecovery> restoreFromJournal(Journal &journal);

// Whether the journal keeps bytes of the class file to rebuild it from.
bool canRebuildClassFile(Journal &journal, int classIndex);

// A class file lost or damaged beyond reading, rebuilt on request: the bytes the journal kept of
// it, with the values of the rows after them written in (up to a change of the list as a whole,
// which cannot be replayed). The file is saved durably and the rebuild journaled with the source
// "restore". The count of values written in, or why nothing could be rebuilt.
Result<int> rebuildClassFile(Journal &journal, int classIndex, const QString &path);
