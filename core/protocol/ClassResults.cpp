#include "core/protocol/ClassResults.h"

#include "core/marks/HandTimes.h"
#include "core/marks/RunMarks.h"
#include "core/protocol/ProtocolModel.h"
#include "core/settings/RaceRulesSettings.h"
#include "core/startlist/ListFile.h"
#include "core/system/Clock.h"
#include "core/text/Numbers.h"

#include <algorithm>

namespace {
// The order of the columns on the notice board.
constexpr ListField noticeBoardColumns[] = {
    ListField::Place, ListField::Number,   ListField::StartNr, ListField::Name,       ListField::Age,
    ListField::Info1, ListField::Info2,    ListField::Info3,   ListField::Time1,      ListField::FP1,
    ListField::FS1,   ListField::Penalty1, ListField::Total1,  ListField::Time2,      ListField::FP2,
    ListField::FS2,   ListField::Penalty2, ListField::Total2,  ListField::GrandTotal, ListField::RankValue,
};

void setTime(ResultLine &line, ListField column, std::optional<std::int32_t> time)
{
    line.values[std::size_t(column)] = time.value_or(0);
    line.texts[std::size_t(column)] = time ? formatCellTime(*time) : QString();
}
} // namespace

QString resultColumnHeading(ListField column, const std::array<QString, 3> &infoTitles)
{
    if (column >= ListField::Info1 && column <= ListField::Info3)
        return infoTitles[std::size_t(int(column) - int(ListField::Info1))];
    return QString::fromUtf8(fieldInfo(column).heading);
}

ResultKind resultColumnKind(ListField column)
{
    switch (fieldInfo(column).kind) {
    case FieldKind::Text:
        return ResultKind::Text;
    case FieldKind::Time:
        return ResultKind::Time;
    default:
        return ResultKind::WholeNumber;
    }
}

std::vector<ListField> ResultsDocument::columns() const
{
    std::vector<ListField> shown(std::begin(noticeBoardColumns), std::end(noticeBoardColumns));
    if (scoring != ScoringMode::BestRun)
        shown.pop_back();
    return shown;
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

ClassResults classResults(int classIndex, const StartList &list, const ClassStandings &standings,
                          const RaceRules &rules)
{
    ClassResults result;
    result.classIndex = classIndex;
    result.className = rules.className(classIndex);
    result.clubs = standings.clubs;
    result.clubBest = rules.clubBest;
    result.clubTitle = rules.infoTitle(rules.clubField);
    result.lines.reserve(standings.order.size());
    for (const int r : standings.order) {
        const EntryStanding &entry = standings.entries[std::size_t(r)];
        ResultLine &line = result.lines.emplace_back();
        for (const ListField field : noticeBoardColumns) {
            if (fieldInfo(field).kind == FieldKind::Text) {
                // As in the protocol, the name's cell holds the entry's index.
                line.values[std::size_t(field)] = field == ListField::Name ? r : 0;
                line.texts[std::size_t(field)] = list.text(r, field);
            }
        }
        line.values[std::size_t(ListField::Number)] = r + 1;
        line.texts[std::size_t(ListField::Number)] = QString::number(r + 1);
        line.values[std::size_t(ListField::Place)] = entry.place;
        line.texts[std::size_t(ListField::Place)]
            = entry.place > 0 ? QString::number(entry.place) : runMarkText(entry.mark);
        for (int run = 1; run <= 2; ++run) {
            const RunStanding &driven = entry.run(run);
            const bool first = run == 1;
            const ListField time = first ? ListField::Time1 : ListField::Time2;
            setTime(line, time, driven.time);
            for (const auto &[field, count] : {std::pair {first ? ListField::FP1 : ListField::FP2, driven.fp},
                                               std::pair {first ? ListField::FS1 : ListField::FS2, driven.fs}}) {
                line.values[std::size_t(field)] = count;
                line.texts[std::size_t(field)] = QString::number(count);
            }
            setTime(line, first ? ListField::Penalty1 : ListField::Penalty2, driven.penalty);
            setTime(line, first ? ListField::Total1 : ListField::Total2, driven.total);
            line.handRuns[std::size_t(run - 1)] = driven.hand;
            line.runMarks[std::size_t(run - 1)] = driven.mark.mark;
            if (driven.mark.mark != RunMark::None) {
                line.texts[std::size_t(time)] = runMarkText(driven.mark.mark);
                if (!driven.mark.reason.isEmpty())
                    result.notes << QStringLiteral("%1, Lauf %2: %3 \u2013 %4")
                                        .arg(list.text(r, ListField::Name).trimmed())
                                        .arg(run)
                                        .arg(runMarkText(driven.mark.mark), driven.mark.reason);
            }
        }
        setTime(line, ListField::GrandTotal, entry.total);
        setTime(line, ListField::RankValue,
                entry.rankValue ? std::optional<std::int32_t>(std::int32_t(*entry.rankValue)) : std::nullopt);
        line.gap = entry.gap;
    }
    return result;
}

ClassResults classResults(int classIndex, const StartList &list, const std::vector<EntryMarks> &marks,
                          const ClassHandTimes &hands, const RaceRules &rules)
{
    return classResults(classIndex, list, standings(list.entries(), marks, hands, rules), rules);
}

Result<ClassResults> classResultsFromFile(int classIndex, const ClassMarks &marks, const ClassHandTimes &hands,
                                          const RaceRules &rules)
{
    StartList list;
    const Result<bool> read = ReadListFile(list, ClassListPath(classIndex), false);
    if (!read)
        return read.error();
    if (!read.value())
        list.clear();
    return classResults(classIndex, list, marks.forEntries(list.entries()), hands, rules);
}

ResultsDocument resultsHeading(const QString &eventName, std::int64_t fpSeconds, std::int64_t fsSeconds)
{
    ResultsDocument document;
    document.eventName = eventName.trimmed();
    document.date = Clock::currentDate();
    document.fpSeconds = fpSeconds;
    document.fsSeconds = fsSeconds;
    return document;
}

ResultsDocument resultsHeading(const RaceRules &rules)
{
    ResultsDocument document = resultsHeading(rules.event.name, rules.fpSeconds, rules.fsSeconds);
    document.place = rules.event.place;
    document.scoring = rules.scoring;
    document.scoringText = scoringModeText(rules.scoring);
    document.infoTitles = rules.infoTitles;
    if (rules.event.date.isValid())
        document.date = rules.event.date;
    return document;
}

ResultsDocument resultsHeading(const RaceDaySettings &settings, std::int64_t fpSeconds, std::int64_t fsSeconds)
{
    return resultsHeading(raceRulesOf(settings, double(fpSeconds), double(fsSeconds), {}));
}

QString clubRankingTitle(int best)
{
    return QStringLiteral("Vereinswertung (beste %1)").arg(best);
}

QString clubTotalText(const ClubStanding &club)
{
    return club.place > 0 ? formatCellTime(std::int64_t(std::min<std::uint64_t>(club.total, INT64_MAX))) : QString();
}

std::optional<std::int64_t> clubTotalHundredths(const ClubStanding &club)
{
    if (club.place == 0)
        return std::nullopt;
    // Each key is a shown time, so the sum has no thousandths to drop.
    return std::int64_t(std::min<std::uint64_t>(club.total, INT64_MAX) / 10);
}

int countedDrivers(const ClubStanding &club, int best)
{
    return std::min(club.rankedDrivers, std::max(1, best));
}
