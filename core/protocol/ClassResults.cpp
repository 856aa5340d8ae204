#include "core/protocol/ClassResults.h"

#include "core/protocol/ProtocolModel.h"
#include "core/protocol/Scoring.h"
#include "core/settings/ClassNames.h"
#include "core/startlist/ListFile.h"
#include "core/text/Numbers.h"

#include <algorithm>

namespace {
struct ColumnSource
{
    ResultColumn column;
    const char *heading;
    ResultKind kind;
};

constexpr ColumnSource columnSources[ResultColumnCount] = {
    {ResultColumn::Place, "Platz", ResultKind::WholeNumber},
    {ResultColumn::Number, "#", ResultKind::WholeNumber},
    {ResultColumn::StartNr, "Start-Nr", ResultKind::Text},
    {ResultColumn::Name, "Name", ResultKind::Text},
    {ResultColumn::Age, "Alter", ResultKind::Text},
    {ResultColumn::Info1, "Info1", ResultKind::Text},
    {ResultColumn::Info2, "Info2", ResultKind::Text},
    {ResultColumn::Info3, "Info3", ResultKind::Text},
    {ResultColumn::Time1, "Lauf 1", ResultKind::Time},
    {ResultColumn::FP1, "FP", ResultKind::WholeNumber},
    {ResultColumn::FS1, "FS", ResultKind::WholeNumber},
    {ResultColumn::Penalty1, "Fehler", ResultKind::Time},
    {ResultColumn::Total1, "Gesamt", ResultKind::Time},
    {ResultColumn::Time2, "Lauf 2", ResultKind::Time},
    {ResultColumn::FP2, "FP", ResultKind::WholeNumber},
    {ResultColumn::FS2, "FS", ResultKind::WholeNumber},
    {ResultColumn::Penalty2, "Fehler", ResultKind::Time},
    {ResultColumn::Total2, "Gesamt", ResultKind::Time},
    {ResultColumn::GrandTotal, "Ges.Zeit", ResultKind::Time},
};

} // namespace

QString resultColumnHeading(ResultColumn column)
{
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
    return eventName.isEmpty() ? list : eventName + QStringLiteral(" \u2013 ") + list;
}

ClassResults classResults(int classIndex, const StartList &list, std::int64_t fpSeconds, std::int64_t fsSeconds)
{
    // The protocol's own scoring, so the results can never differ from what the grid shows.
    const std::vector<ScoredEntry> scored = scoreClass(list.entries(), ScoringRules{fpSeconds, fsSeconds});

    ClassResults result;
    result.classIndex = classIndex;
    result.className = ClassNameOf(classIndex);
    result.lines.resize(scored.size());
    for (int r = 0; r < list.count(); ++r) {
        const ScoredEntry &entry = scored[std::size_t(r)];
        ResultLine &line = result.lines[std::size_t(r)];
        const auto set = [&line](ResultColumn column, std::int32_t value, const QString &text) {
            line.values[std::size_t(column)] = value;
            line.texts[std::size_t(column)] = text;
        };
        const auto setTime = [&](ResultColumn column, std::int32_t value) { set(column, value, formatCellTime(value)); };
        const auto setCount = [&](ResultColumn column, std::int32_t value) {
            set(column, value, QString::number(value));
        };
        set(ResultColumn::Place, entry.place, entry.place > 0 ? QString::number(entry.place) : QString());
        set(ResultColumn::Number, r + 1, QString::number(r + 1));
        set(ResultColumn::Name, r, list.text(r, ListField::Name));
        setTime(ResultColumn::Time1, entry.runs.time1);
        setCount(ResultColumn::FP1, entry.runs.fp1);
        setCount(ResultColumn::FS1, entry.runs.fs1);
        setTime(ResultColumn::Penalty1, entry.score.penalty1);
        setTime(ResultColumn::Total1, entry.score.total1);
        setTime(ResultColumn::Time2, entry.runs.time2);
        setCount(ResultColumn::FP2, entry.runs.fp2);
        setCount(ResultColumn::FS2, entry.runs.fs2);
        setTime(ResultColumn::Penalty2, entry.score.penalty2);
        setTime(ResultColumn::Total2, entry.score.total2);
        setTime(ResultColumn::GrandTotal, entry.score.grandTotal);
        line.texts[std::size_t(ResultColumn::StartNr)] = list.text(r, ListField::StartNr);
        line.texts[std::size_t(ResultColumn::Age)] = list.text(r, ListField::Age);
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

ResultsDocument resultsHeading(const QString &eventName, std::int64_t fpSeconds, std::int64_t fsSeconds)
{
    ResultsDocument document;
    document.eventName = eventName.trimmed();
    document.date = QDate::currentDate();
    document.fpSeconds = fpSeconds;
    document.fsSeconds = fsSeconds;
    return document;
}
