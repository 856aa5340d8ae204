#pragma once

#include "core/protocol/RaceRules.h"
#include "core/system/FileResult.h"

class SettingsStore;

// The rules from their parts: penalty seconds truncated to whole seconds (0 for no number), the
// designed Info titles where the race day names none.
RaceRules raceRulesOf(const RaceDaySettings &raceDay, double fpSeconds, double fsSeconds,
                      const std::array<QString, ClassCount> &classNames);

// The race day's part of the rules, as the event dialog edits and the settings keep it: an Info
// title that is the designed one comes back empty.
RaceDaySettings raceDayOf(const RaceRules &rules);

// The rules as the settings file has them now. Read at start and whenever the settings change;
// the caller decides when.
Result<RaceRules> readRaceRules(const SettingsStore &store);

// The rules as the settings file has them now, or inForce when it cannot be read. The penalty
// seconds stay those in force: the protocol scores with them even when they could not be saved.
RaceRules refreshedRules(const SettingsStore &store, const RaceRules &inForce);
