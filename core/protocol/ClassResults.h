#pragma once

#include "core/protocol/RaceRules.h"
#include "core/protocol/Standings.h"
#include "core/startlist/StartList.h"
#include "core/system/FileResult.h"

#include <QDate>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

enum class ResultKind { Text, Time, WholeNumber };

// The results name their columns by the fields of an entry (ListField); in German, as the
// protocol's own headings, the Info columns with the given titles.
QString resultColumnHeading(ListField column, const std::array<QString, 3> &infoTitles);
ResultKind resultColumnKind(ListField column);

// One participant as the results show it.
struct ResultLine
{
    // The cell texts as the protocol shows them; an empty place is an empty text, a marked run
    // shows its mark and no total, a marked driver no "Ges.Zeit".
    std::array<QString, FieldCount> texts;
    // For the whole-number columns; 0 for an empty place or total.
    std::array<std::int32_t, FieldCount> values {};
    // Behind the leader, by the value that ranks; none without a place.
    std::optional<std::uint32_t> gap;
    // Each run's time was entered by hand (and is still that value).
    std::array<bool, 2> handRuns {};
    // Each run's mark; a marked run's time cell shows the mark, not the time.
    std::array<RunMark, 2> runMarks {};

    const QString &text(ListField column) const { return texts[std::size_t(column)]; }
    std::int32_t value(ListField column) const { return values[std::size_t(column)]; }
};

struct ClassResults
{
    int classIndex = 0;
    QString className;
    // By place; participants without a place last, in start order.
    std::vector<ResultLine> lines;
    // The club ranking when an Info field holds the club: by place, clubs with too few ranked
    // drivers last. clubBest is how many drivers count.
    std::vector<ClubStanding> clubs;
    int clubBest = 3;
    // The title of the Info field that holds the club.
    QString clubTitle;
    // The reasons given with marks, one line each, for beneath the table: never in a time cell.
    QStringList notes;
};

// "Vereinswertung (beste 3)"
QString clubRankingTitle(int best);
// The sum of a club's best drivers as a time.
QString clubTotalText(const ClubStanding &club);
// The same in hundredths as the time shows it, for a number cell; none without a place.
std::optional<std::int64_t> clubTotalHundredths(const ClubStanding &club);
// The drivers whose times make the sum: at most the best that count.
int countedDrivers(const ClubStanding &club, int best);

// What one export or printout shows: one or more classes under one heading.
struct ResultsDocument
{
    QString eventName;
    QString place;
    QDate date;
    std::int64_t fpSeconds = 2;
    std::int64_t fsSeconds = 10;
    // "Summe beider Läufe" or "Bester Lauf".
    QString scoringText;
    ScoringMode scoring = ScoringMode::SumOfRuns;
    std::array<QString, 3> infoTitles {QStringLiteral("Info1"), QStringLiteral("Info2"), QStringLiteral("Info3")};
    std::vector<ClassResults> classes;

    // The columns every output shows, in order: the place first, the age, the start number and
    // the three info fields, the runs, and the value that ranks only when it is not the total.
    std::vector<ListField> columns() const;
    QString heading(ListField column) const { return resultColumnHeading(column, infoTitles); }

    // dd.MM.yyyy
    QString dateText() const;
    // "2 / 10"
    QString penaltySecondsText() const;
    // The event's name and place and "Ergebnisliste", or "Ergebnisliste" alone.
    QString title() const;
};

// The standings of a class as the outputs show them. Nothing here reads a file or the settings.
ClassResults classResults(int classIndex, const StartList &list, const ClassStandings &standings,
                          const RaceRules &rules);
ClassResults classResults(int classIndex, const StartList &list, const std::vector<EntryMarks> &marks,
                          const ClassHandTimes &hands, const RaceRules &rules);

// A class from its class file, with its marks as the race session keeps them; a class without a
// file has no participants.
Result<ClassResults> classResultsFromFile(int classIndex, const ClassMarks &marks, const ClassHandTimes &hands,
                                          const RaceRules &rules);

// Today's date and the event's name (blanks around it dropped) for the exports.
ResultsDocument resultsHeading(const QString &eventName, std::int64_t fpSeconds, std::int64_t fsSeconds);
// The event's name, place and date, the scoring mode and the Info titles as the rules give them.
ResultsDocument resultsHeading(const RaceRules &rules);
ResultsDocument resultsHeading(const RaceDaySettings &settings, std::int64_t fpSeconds, std::int64_t fsSeconds);
