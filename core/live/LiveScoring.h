#pragma once

#include "core/live/LiveSnapshot.h"

// A class as the live outputs show it, scored by the one standings function. run 0 takes the first
// run that someone has neither driven nor been marked in; after is the row that drove last in it.
LiveClass liveClass(int classIndex, StartList::Entries entries, const ClassMarks &marks, const ClassHandTimes &hands,
                    const RaceRules &rules, CurrentRun current = {0, -1});
