#pragma once

#include "core/startlist/StartList.h"

#include <QMetaType>
#include <QVariant>

#include <memory>

// Where a change of the class store came from; the journal and the live results name it.
enum class ChangeSource {
    Load,
    Key,
    Button,
    Barrier,
    Typed,
    Editor,
    Reset,
    Hand,
    Undo,
    Redo,
    Import,
    Restore,
    Marshal
};

// One change of the class store, announced once through ClassStore::changed.
struct StoreChange
{
    enum class Kind {
        Field, // one field of one entry: entry, field, oldValue, newValue
        EntryAdded, // entry was appended
        EntriesRemoved, // some entries went; before holds the list as it was
        ListReplaced, // a load, merge, clear or sort: the whole list changed; before holds the old one
    };
    Kind kind = Kind::Field;
    int classIndex = 0;
    int entry = -1;
    ListField field = ListField::Number;
    // QString for text fields, qint32 for number fields.
    QVariant oldValue;
    QVariant newValue;
    ChangeSource source = ChangeSource::Editor;
    std::shared_ptr<const StartList> before;
};
Q_DECLARE_METATYPE(StoreChange)
