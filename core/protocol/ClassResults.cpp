#include "core/protocol/ClassResults.h"

#include "core/marks/HandTimes.h"
#include "core/marks/RunMarks.h"
#include "core/protocol/ProtocolModel.h"
#include "core/protocol/RaceRanking.h"
#include "core/protocol/Scoring.h"
#include "core/settings/ClassNames.h"
#include "core/settings/RaceDaySettings.h"
#include "core/startlist/ListFile.h"
#include "core/text/Numbers.h"

#include <algorithm>

namespace {
// The field each column of the results shows.
constexpr ListField resultFields[ResultColumnCount] = {
    ListField::Place, ListField::Number,   ListField::StartNr, ListField::Name,       ListField::Age,
    ListField::Info1, ListField::Info2,    ListField::Info3,   ListField::Time1,      ListField::FP1,
    ListField::FS1,   ListField::Penalty1, ListField::Total1,  ListField::Time2,      ListField::FP2,
    ListField::FS2,   ListField::Penalty2, ListField::Total2,  ListField::GrandTotal,
};
} // namespace

QString resultColumnHeading(ResultColumn column)
{
    if (column >= ResultColumn::Info1 && column <= ResultColumn::Info3)
        return infoTitle(int(column) - int(ResultColumn::Info1) + 1);
    return QString::fromUtf8(fieldInfo(resultFields[int(column)]).heading);
}

ResultKind resultColumnKind(ResultColumn column)
{
    switch (fieldInfo(resultFields[int(column)]).kind) {
    case FieldKind::Text:
        return ResultKind::Text;
    case FieldKind::Time:
        return ResultKind::Time;
    default:
        return ResultKind::WholeNumber;
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
    QString event = eventName;
    if (!place.isEmpty())
        event += (event.isEmpty() ? QString() : QStringLiteral(", ")) + place;
    return event.isEmpty() ? list : event + QStringLiteral(" \u2013 ") + list;
}

ClassResults classResults(int classIndex, const StartList &list, std::int64_t fpSeconds, std::int64_t fsSeconds)
{
    // The protocol's own scoring, so the results can never differ from what the grid shows.
    const std::vector<ScoredEntry> scored = scoreClass(list.entries(), ScoringRules {fpSeconds, fsSeconds});
    // A damaged marks file is reported where the class is loaded; here it counts as no marks.
    const std::vector<EntryMarks> marks = readMarksFile(MarksPath(classIndex)).marks.forEntries(list.entries());
    const std::vector<RankedEntry> ranked = rankEntries(scored, marks, raceDay().scoring);
    const ClassHandTimes hands = handTimesOf(classIndex);

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
        // Marks decide the place: a marked driver has none and shows the mark there instead.
        const RankedEntry &place = ranked[std::size_t(r)];
        line.values[std::size_t(ResultColumn::Place)] = place.place;
        line.texts[std::size_t(ResultColumn::Place)]
            = place.place > 0 ? QString::number(place.place) : runMarkText(place.mark);
        for (int run = 1; run <= 2; ++run) {
            const MarkedRun &marked = marks[std::size_t(r)].run(run);
            if (marked.mark != RunMark::None) {
                const QString reason = marked.reason.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(marked.reason);
                line.texts[std::size_t(run == 1 ? ResultColumn::Time1 : ResultColumn::Time2)]
                    = runMarkText(marked.mark) + reason;
            } else if (!hands.isEmpty()) {
                line.handRuns[std::size_t(run - 1)]
                    = hands.isHandTime(list.text(r, ListField::Name), run, list.wholeNumber(r, runTimeField(run)));
            }
        }
    }
    if (const int clubField = raceDay().clubField; clubField >= 1 && clubField <= 3) {
        std::vector<ClubMember> members;
        members.reserve(scored.size());
        for (int r = 0; r < list.count(); ++r) {
            const RankedEntry &place = ranked[std::size_t(r)];
            members.push_back({list.text(r, ListField(int(ListField::Info1) + clubField - 1)),
                               place.place > 0 ? place.key : std::nullopt});
        }
        result.clubBest = raceDay().clubBest;
        result.clubs = rankClubs(members, result.clubBest);
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

ResultsDocument resultsHeading(const RaceDaySettings &settings, std::int64_t fpSeconds, std::int64_t fsSeconds)
{
    ResultsDocument document = resultsHeading(settings.event.name, fpSeconds, fsSeconds);
    document.place = settings.event.place;
    document.scoringText = scoringModeText(settings.scoring);
    if (settings.event.date.isValid())
        document.date = settings.event.date;
    return document;
}

QString clubRankingTitle(int best)
{
    return QStringLiteral("Vereinswertung (beste %1)").arg(best);
}

QString clubTotalText(const ClubStanding &club)
{
    return club.place > 0 ? formatCellTime(std::int64_t(std::min<std::uint64_t>(club.total, INT64_MAX))) : QString();
}
