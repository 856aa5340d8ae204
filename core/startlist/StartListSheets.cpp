#include "core/startlist/StartListSheets.h"

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

Result<StartListSheets> startListSheets(const ClassStore &store, const RaceRules &rules, bool allClasses)
{
    StartListSheets sheets;
    sheets.event = rules.event;
    sheets.clubField = rules.clubField > 0 ? rules.clubField : 1;
    sheets.clubTitle = rules.infoTitle(sheets.clubField);
    for (int c = FirstClass; c <= LastClass; ++c) {
        if (c != store.CurrentClass() && !allClasses)
            continue;
        StartListSheet sheet {c, rules.className(c), {}};
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
