#pragma once

#include "core/marks/HandTimes.h"
#include "core/marks/RunMarks.h"
#include "core/protocol/ClassResults.h"
#include "core/settings/RaceRulesSettings.h"
#include "core/settings/SettingsStore.h"

// A class scored as the race session scores it: with the rules the settings file holds (the
// designed defaults in a test's own folder), the class's marks file and the hand times given.
inline ClassResults scoredClass(int classIndex, const StartList &list, const ClassHandTimes &hands = {})
{
    const RaceRules rules = readRaceRules(SettingsStore()).value_or(RaceRules {});
    return classResults(classIndex, list, readMarksFile(MarksPath(classIndex)).marks.forEntries(list.entries()), hands,
                        rules);
}
