#include "core/live/LiveSnapshot.h"

#include <algorithm>

int LiveClass::doneCount() const
{
    return int(std::count_if(standings.entries.begin(), standings.entries.end(), [](const EntryStanding &e) {
        return std::all_of(e.runs.begin(), e.runs.end(),
                           [](const RunStanding &r) { return r.time != 0 || r.mark.mark != RunMark::None; });
    }));
}

const QString &LiveClass::text(int row, ListField field) const
{
    static const QString none;
    return isRow(row) && isTextField(field) ? entries[std::size_t(row)].texts[std::size_t(textSlot(field))] : none;
}

bool LiveClass::isToRun(int row) const
{
    return std::binary_search(standings.toRun.begin(), standings.toRun.end(), row);
}

const LiveClass *LiveSnapshot::classAt(int classIndex) const
{
    if (classIndex < FirstClass || classIndex >= FirstClass + ClassCount)
        return nullptr;
    return &classes[std::size_t(classIndex - FirstClass)];
}

int LiveSnapshot::nextUp() const
{
    const LiveClass *current = classAt(currentClass);
    return current ? current->standings.next : -1;
}

QString LiveSnapshot::eventText() const
{
    QStringList parts;
    for (const QString &part : {rules.event.name.trimmed(), rules.event.place.trimmed()}) {
        if (!part.isEmpty())
            parts << part;
    }
    if (rules.event.date.isValid())
        parts << rules.event.date.toString(QStringLiteral("dd.MM.yyyy"));
    return parts.join(QStringLiteral(", "));
}
