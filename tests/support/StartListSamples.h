#pragma once

#include "core/protocol/Scoring.h"
#include "core/startlist/StartList.h"

#include <QStringList>

#include <vector>

// A list whose entries carry only the given texts in one field.
inline StartList listOfTexts(ListField field, const QStringList &texts)
{
    StartList list;
    for (const QString &text : texts) {
        list.add();
        list.setText(list.count() - 1, field, text);
    }
    return list;
}

// A list whose entries carry only the given names.
inline StartList listOfNames(const QStringList &names)
{
    return listOfTexts(ListField::Name, names);
}

// A long list: "participant 0", "participant 1", ...
inline StartList numberedParticipants(int count)
{
    StartList list;
    for (int i = 0; i < count; ++i) {
        list.add();
        list.setText(i, ListField::Name, QStringLiteral("participant %1").arg(i));
    }
    return list;
}

// A list whose entries carry only the given run fields.
inline StartList listOfRuns(const std::vector<RunFields> &rows)
{
    StartList list;
    for (const RunFields &row : rows) {
        list.add();
        const int i = list.count() - 1;
        list.setWholeNumber(i, ListField::Time1, row.time1);
        list.setWholeNumber(i, ListField::FP1, row.fp1);
        list.setWholeNumber(i, ListField::FS1, row.fs1);
        list.setWholeNumber(i, ListField::Time2, row.time2);
        list.setWholeNumber(i, ListField::FP2, row.fp2);
        list.setWholeNumber(i, ListField::FS2, row.fs2);
    }
    return list;
}
