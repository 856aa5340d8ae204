#pragma once

#include "core/system/FileResult.h"

#include <QDate>
#include <QString>

#include <array>

class SettingsStore;

// How a class is scored: the sum of both run totals, or the better of the two.
enum class ScoringMode { SumOfRuns = 0, BestRun = 1 };

// The event that every export, printout and page names.
struct EventInfo
{
    QString name;
    QString place;
    // Ages from a year or date of birth are counted at this date; today when none was set.
    QDate date;
    bool dateSet = false;

    friend bool operator==(const EventInfo &, const EventInfo &) = default;
};

// What the race day adds to the configuration. All of its keys live here, in one place.
struct RaceDaySettings
{
    EventInfo event;
    // The operator's titles for Info1..Info3; an empty one keeps the designed title.
    std::array<QString, 3> infoNames;
    ScoringMode scoring = ScoringMode::SumOfRuns;
    // The Info field (1..3) that holds the club; 0 for none.
    int clubField = 0;
    // A club is ranked by the sum of its best this many ranked drivers.
    int clubBest = 3;
};

inline constexpr int MaxClubBest = 20;

// Missing values give the defaults, and the event's date is today then. The event's name falls
// back to "Results/EventName", which older settings files carry.
Result<RaceDaySettings> readRaceDaySettings(const SettingsStore &store);
FileResult writeRaceDaySettings(SettingsStore &store, const RaceDaySettings &settings);

// The title of Info1..Info3 as headings show it: the operator's name, else the designed one.
QString infoTitleOf(const std::array<QString, 3> &infoNames, int info);
QString scoringModeText(ScoringMode mode);
