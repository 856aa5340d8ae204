#pragma once

#include "core/startlist/StartList.h"

#include <QStringList>

// A list whose entries carry only the given names.
inline StartList listOfNames(const QStringList &names)
{
    StartList list;
    for (const QString &name : names) {
        list.add();
        list.setText(list.count() - 1, ListField::Name, name);
    }
    return list;
}
