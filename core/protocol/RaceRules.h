#pragma once

#include "core/protocol/Scoring.h"
#include "core/settings/ClassNames.h"
#include "core/settings/RaceDaySettings.h"

#include <QString>

#include <array>
#include <cmath>
#include <cstdint>

// Everything about the event that scoring and the outputs depend on, as one value. It is read
// from the settings by whoever owns the race day and handed in; nothing that scores or renders
// reads the settings itself.
struct RaceRules
{
    // Whole seconds per FP and per FS count.
    std::int64_t fpSeconds = 2;
    std::int64_t fsSeconds = 10;
    ScoringMode scoring = ScoringMode::SumOfRuns;
    // The Info field (1..3) that holds the club, 0 for no club ranking; its best this many count.
    int clubField = 0;
    int clubBest = 3;
    EventInfo event;
    // The titles of Info1..Info3 as headings show them.
    std::array<QString, 3> infoTitles {QStringLiteral("Info1"), QStringLiteral("Info2"), QStringLiteral("Info3")};
    std::array<QString, ClassCount> classNames;

    ScoringRules penalties() const { return {fpSeconds, fsSeconds}; }
    // Penalty seconds as typed count whole: truncated toward zero, 0 for anything not a number.
    static std::int64_t wholeSeconds(double value)
    {
        return std::isfinite(value) ? static_cast<std::int64_t>(std::trunc(value)) : 0;
    }
    // Empty outside 1..3.
    QString infoTitle(int info) const { return info >= 1 && info <= 3 ? infoTitles[std::size_t(info - 1)] : QString(); }
    // A null string outside the classes.
    QString className(int classIndex) const
    {
        return classIndex >= FirstClass && classIndex <= LastClass ? classNames[std::size_t(classIndex - FirstClass)]
                                                                   : QString();
    }

    friend bool operator==(const RaceRules &, const RaceRules &) = default;
};
