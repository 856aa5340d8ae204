#pragma once

#include "core/protocol/RaceRanking.h"
#include "core/settings/RaceDaySettings.h"
#include "core/startlist/StartList.h"
#include "core/system/FileResult.h"

#include <QDate>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

// The columns of the results on the notice board: the protocol's columns with the place first,
// the age, the start number and the three info fields.
enum class ResultColumn : int {
    Place = 0,
    Number,
    StartNr,
    Name,
    Age,
    Info1,
    Info2,
    Info3,
    Time1,
    FP1,
    FS1,
    Penalty1,
    Total1,
    Time2,
    FP2,
    FS2,
    Penalty2,
    Total2,
    GrandTotal
};
inline constexpr int ResultColumnCount = 19;

enum class ResultKind { Text, Time, WholeNumber };

// German, as the protocol's own headings.
QString resultColumnHeading(ResultColumn column);
ResultKind resultColumnKind(ResultColumn column);

// One participant as the results show it.
struct ResultLine
{
    // The cell texts as the protocol shows them; an empty place is an empty text.
    std::array<QString, ResultColumnCount> texts;
    // For the whole-number columns; 0 for an empty place.
    std::array<std::int32_t, ResultColumnCount> values {};
    // Each run's time was entered by hand (and is still that value).
    std::array<bool, 2> handRuns {};

    const QString &text(ResultColumn column) const { return texts[std::size_t(column)]; }
    std::int32_t value(ResultColumn column) const { return values[std::size_t(column)]; }
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
};

// "Vereinswertung (beste 3)"
QString clubRankingTitle(int best);
// The sum of a club's best drivers as a time.
QString clubTotalText(const ClubStanding &club);

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
    std::vector<ClassResults> classes;

    // dd.MM.yyyy
    QString dateText() const;
    // "2 / 10"
    QString penaltySecondsText() const;
    // The event's name and place and "Ergebnisliste", or "Ergebnisliste" alone.
    QString title() const;
};

// Places under the scoring mode in force and the marks of the class's runs (its marks file): a
// marked run shows its mark, a driver without a place the mark that keeps him from one. Runs timed
// by hand (as the program's hand times source knows them) are flagged.
ClassResults classResults(int classIndex, const StartList &list, std::int64_t fpSeconds, std::int64_t fsSeconds);

// A class from its class file; a class without a file has no participants.
Result<ClassResults> classResultsFromFile(int classIndex, std::int64_t fpSeconds, std::int64_t fsSeconds);

// Today's date and the event's name (blanks around it dropped) for the exports.
ResultsDocument resultsHeading(const QString &eventName, std::int64_t fpSeconds, std::int64_t fsSeconds);
// The event's name, place and date and the scoring mode as the race day settings give them.
ResultsDocument resultsHeading(const RaceDaySettings &settings, std::int64_t fpSeconds, std::int64_t fsSeconds);
