#include "core/startlist/StartListSheets.h"

#include "core/settings/ClassNames.h"
#include "core/startlist/ClassStore.h"
#include "core/startlist/ListFile.h"

QString StartListSheets::title() const
{
    const QString list = QStringLiteral("Startliste");
    return event.name.isEmpty() ? list : event.name + QStringLiteral(" \u2013 ") + list;
}

QString StartListSheets::facts() const
{
    QStringList parts;
    if (!event.place.isEmpty())
        parts << QStringLiteral("Ort: %1").arg(event.place);
    parts << QStringLiteral("Datum: %1").arg(event.date.toString(QStringLiteral("dd.MM.yyyy")));
    return parts.join(QStringLiteral("      "));
}

Result<StartListSheets> startListSheets(const ClassStore &store, bool allClasses)
{
    StartListSheets sheets;
    sheets.event = raceDay().event;
    sheets.clubField = raceDay().clubField > 0 ? raceDay().clubField : 1;
    sheets.clubTitle = raceDay().clubField > 0 ? infoTitle(sheets.clubField) : infoTitle(1);
    for (int c = FirstClass; c <= LastClass; ++c) {
        if (c != store.CurrentClass() && !allClasses)
            continue;
        StartListSheet sheet {c, ClassNameOf(c), {}};
        if (c == store.CurrentClass()) {
            sheet.list = store.list();
        } else {
            const Result<bool> read = ReadListFile(sheet.list, ClassListPath(c), false);
            if (!read)
                return read.error();
            if (!read.value())
                sheet.list.clear();
        }
        if (sheet.list.count() > 0 || !allClasses)
            sheets.classes.push_back(std::move(sheet));
    }
    return sheets;
}
