#pragma once

#include "core/journal/Journal.h"
#include "core/system/DataFolder.h"

#include <QList>
#include <QStringList>

// The journal's rows of a class as the data folder's journal holds them, oldest first; none
// when it cannot be read.
inline QList<JournalEvent> journalRows(int classIndex = 1)
{
    return Journal(dataFolder()).events(classIndex).value_or({});
}

// Each row as field, old value, new value and source, to compare with a table of the test's.
inline QList<QStringList> rowTexts(const QList<JournalEvent> &rows)
{
    QList<QStringList> texts;
    for (const JournalEvent &e : rows)
        texts << QStringList {e.field, e.oldValue, e.newValue, e.source};
    return texts;
}

// Who made each change of the field, in the order of the rows.
inline QStringList sourcesOf(const QList<JournalEvent> &rows, const QString &field)
{
    QStringList sources;
    for (const JournalEvent &e : rows) {
        if (e.field == field)
            sources << e.source;
    }
    return sources;
}

// The newest row of the field, or an empty one.
inline JournalEvent lastRowOf(const QList<JournalEvent> &rows, const QString &field)
{
    for (auto it = rows.crbegin(); it != rows.crend(); ++it) {
        if (it->field == field)
            return *it;
    }
    return {};
}
