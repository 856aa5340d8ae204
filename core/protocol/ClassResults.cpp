#include "core/protocol/ClassResults.h"

#include "core/protocol/ProtocolModel.h"
#include "core/protocol/Ranking.h"
#include "core/settings/ClassNames.h"
#include "core/settings/RaceDaySettings.h"
#include "core/settings/SettingsStore.h"
#include "core/startlist/ListFile.h"
#include "core/text/Numbers.h"

#include <algorithm>

namespace {
struct ColumnSource
{
    ResultColumn column;
    const char *heading;
    ResultKind kind;
    int protocolColumn; // -1: not a protocol cell
};

constexpr ColumnSource columnSources[ResultColumnCount] = {
    {ResultColumn::Place, "Platz", ResultKind::WholeNumber, ProtocolModel::Place},
    {ResultColumn::Number, "#", ResultKind::WholeNumber, ProtocolModel::Number},
    {ResultColumn::StartNr, "Start-Nr", ResultKind::Text, -1},
    {ResultColumn::Name, "Name", ResultKind::Text, ProtocolModel::Name},
    {ResultColumn::Info1, "Info1", ResultKind::Text, -1},
    {ResultColumn::Info2, "Info2", ResultKind::Text, -1},
    {ResultColumn::Info3, "Info3", ResultKind::Text, -1},
    {ResultColumn::Time1, "Lauf 1", ResultKind::Time, ProtocolModel::Time1},
    {ResultColumn::FP1, "FP", ResultKind::WholeNumber, ProtocolModel::FP1},
    {ResultColumn::FS1, "FS", ResultKind::WholeNumber, ProtocolModel::FS1},
    {ResultColumn::Penalty1, "Fehler", ResultKind::Time, ProtocolModel::Penalty1},
    {ResultColumn::Total1, "Gesamt", ResultKind::Time, ProtocolModel::Total1},
    {ResultColumn::Time2, "Lauf 2", ResultKind::Time, ProtocolModel::Time2},
    {ResultColumn::FP2, "FP", ResultKind::WholeNumber, ProtocolModel::FP2},
    {ResultColumn::FS2, "FS", ResultKind::WholeNumber, ProtocolModel::FS2},
    {ResultColumn::Penalty2, "Fehler", ResultKind::Time, ProtocolModel::Penalty2},
    {ResultColumn::Total2, "Gesamt", ResultKind::Time, ProtocolModel::Total2},
    {ResultColumn::GrandTotal, "Ges.Zeit", ResultKind::Time, ProtocolModel::GrandTotal},
};

} // namespace

QString resultColumnHeading(ResultColumn column)
{
    if (column >= ResultColumn::Info1 && column <= ResultColumn::Info3)
        return infoTitle(int(column) - int(ResultColumn::Info1) + 1);
    return QString::fromUtf8(columnSources[int(column)].heading);
}

ResultKind resultColumnKind(ResultColumn column)
{
    return columnSources[int(column)].kind;
}

QString ResultsDocument::dateText() const
{
    return date.toString(QStringLiteral("dd.MM.yyyy"));
}

QString ResultsDocument::penaltySecondsText() const
{
    return QStringLiteral("%1 / %2").arg(fpSeconds).arg(fsSeconds);
}

QString ResultsDocument::title() const
{
    const QString list = QStringLiteral("Ergebnisliste");
    QString event = eventName;
    if (!place.isEmpty())
        event += (event.isEmpty() ? QString() : QStringLiteral(", ")) + place;
    return event.isEmpty() ? list : event + QStringLiteral(" \u2013 ") + list;
}

ClassResults classResults(int classIndex, const StartList &list, std::int64_t fpSeconds, std::int64_t fsSeconds)
{
    // The protocol's own scoring, so the results can never differ from what the grid shows.
    ProtocolModel model;
    model.setPenaltySeconds(double(fpSeconds), double(fsSeconds));
    model.setEntries(&list);
    std::vector<RunFields> fields(std::size_t(list.count()));
    for (int i = 0; i < list.count(); ++i) {
        fields[std::size_t(i)] = {list.wholeNumber(i, ListField::Time1), list.wholeNumber(i, ListField::FP1),
                                  list.wholeNumber(i, ListField::FS1),   list.wholeNumber(i, ListField::Time2),
                                  list.wholeNumber(i, ListField::FP2),   list.wholeNumber(i, ListField::FS2)};
    }
    model.rebuild(fields);

    ClassResults result;
    result.classIndex = classIndex;
    result.className = ClassNameOf(classIndex);
    result.lines.resize(fields.size());
    for (int r = 0; r < list.count(); ++r) {
        ResultLine &line = result.lines[std::size_t(r)];
        for (const ColumnSource &source : columnSources) {
            const std::size_t c = std::size_t(source.column);
            if (source.protocolColumn >= 0) {
                line.texts[c] = model.cellText(r, source.protocolColumn);
                line.values[c] = model.cell(r, source.protocolColumn);
            }
        }
        line.values[std::size_t(ResultColumn::Number)] = r + 1;
        line.texts[std::size_t(ResultColumn::StartNr)] = list.text(r, ListField::StartNr);
        line.texts[std::size_t(ResultColumn::Info1)] = list.text(r, ListField::Info1);
        line.texts[std::size_t(ResultColumn::Info2)] = list.text(r, ListField::Info2);
        line.texts[std::size_t(ResultColumn::Info3)] = list.text(r, ListField::Info3);
    }
    // Start order is the order of the list; a stable sort keeps it among equal places.
    std::stable_sort(result.lines.begin(), result.lines.end(), [](const ResultLine &a, const ResultLine &b) {
        const std::int64_t pa = a.value(ResultColumn::Place), pb = b.value(ResultColumn::Place);
        if ((pa == 0) != (pb == 0))
            return pb == 0;
        return pa < pb;
    });
    return result;
}

Result<ClassResults> classResultsFromFile(int classIndex, std::int64_t fpSeconds, std::int64_t fsSeconds)
{
    StartList list;
    const Result<bool> read = ReadListFile(list, ClassListPath(classIndex), false);
    if (!read)
        return read.error();
    if (!read.value())
        list.clear();
    return classResults(classIndex, list, fpSeconds, fsSeconds);
}

ResultsDocument resultsHeading(std::int64_t fpSeconds, std::int64_t fsSeconds)
{
    ResultsDocument document;
    // Read afresh, so an export names the event as the settings file has it now.
    const RaceDaySettings settings = readRaceDaySettings(SettingsStore()).value_or(raceDay());
    document.eventName = settings.event.name;
    document.place = settings.event.place;
    document.date = settings.event.date;
    document.fpSeconds = fpSeconds;
    document.fsSeconds = fsSeconds;
    return document;
}

QString resultsEventName()
{
    return resultsHeading(0, 0).eventName;
}
