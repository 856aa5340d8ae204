#include "core/protocol/ClassResults.h"

#include "core/protocol/ProtocolModel.h"
#include "core/protocol/Scoring.h"
#include "core/settings/ClassNames.h"
#include "core/startlist/ListFile.h"
#include "core/text/Numbers.h"

#include <algorithm>

namespace {
// The field each column of the results shows.
constexpr ListField resultFields[ResultColumnCount] = {
    ListField::Place,    ListField::Number, ListField::StartNr,  ListField::Name,   ListField::Age,    ListField::Info1,
    ListField::Info2,    ListField::Info3,  ListField::Time1,    ListField::FP1,    ListField::FS1,
    ListField::Penalty1, ListField::Total1, ListField::Time2,    ListField::FP2,    ListField::FS2,
    ListField::Penalty2, ListField::Total2, ListField::GrandTotal,
};
} // namespace

QString resultColumnHeading(ResultColumn column)
{
    return QString::fromUtf8(fieldInfo(resultFields[int(column)]).heading);
}

ResultKind resultColumnKind(ResultColumn column)
{
    switch (fieldInfo(resultFields[int(column)]).kind) {
    case FieldKind::Text: return ResultKind::Text;
    case FieldKind::Time: return ResultKind::Time;
    default: return ResultKind::WholeNumber;
    }
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
        for (int c = 0; c < ResultColumnCount; ++c) {
            const ListField field = resultFields[c];
            std::int32_t &value = line.values[std::size_t(c)];
            QString &text = line.texts[std::size_t(c)];
            switch (fieldInfo(field).kind) {
            case FieldKind::Position:
                value = r + 1;
                text = QString::number(value);
                break;
            case FieldKind::Text:
                // As in the protocol, the name's cell holds the entry's index.
                value = field == ListField::Name ? r : 0;
                text = list.text(r, field);
                break;
            case FieldKind::Time:
                value = entry.value(field);
                text = formatCellTime(value);
                break;
            case FieldKind::Count:
                value = entry.value(field);
                text = QString::number(value);
                break;
            case FieldKind::Place:
                value = entry.value(field);
                text = value > 0 ? QString::number(value) : QString();
                break;
            }
        }
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
