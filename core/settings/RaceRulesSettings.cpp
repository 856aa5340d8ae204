#include "core/settings/RaceRulesSettings.h"

#include "core/settings/SettingKeys.h"
#include "core/settings/SettingsStore.h"

RaceRules raceRulesOf(const RaceDaySettings &raceDay, double fpSeconds, double fsSeconds,
                      const std::array<QString, ClassCount> &classNames)
{
    RaceRules rules;
    rules.fpSeconds = RaceRules::wholeSeconds(fpSeconds);
    rules.fsSeconds = RaceRules::wholeSeconds(fsSeconds);
    rules.scoring = raceDay.scoring;
    rules.clubField = raceDay.clubField;
    rules.clubBest = raceDay.clubBest;
    rules.event = raceDay.event;
    for (int info = 1; info <= 3; ++info)
        rules.infoTitles[std::size_t(info - 1)] = infoTitleOf(raceDay.infoNames, info);
    rules.classNames = classNames;
    return rules;
}

RaceDaySettings raceDayOf(const RaceRules &rules)
{
    RaceDaySettings raceDay;
    raceDay.event = rules.event;
    raceDay.scoring = rules.scoring;
    raceDay.clubField = rules.clubField;
    raceDay.clubBest = rules.clubBest;
    for (int info = 1; info <= 3; ++info) {
        const QString &title = rules.infoTitles[std::size_t(info - 1)];
        if (title != infoTitleOf({}, info))
            raceDay.infoNames[std::size_t(info - 1)] = title;
    }
    return raceDay;
}

Result<RaceRules> readRaceRules(const SettingsStore &store)
{
    const Result<RaceDaySettings> raceDay = readRaceDaySettings(store);
    if (!raceDay)
        return raceDay.error();
    const Result<double> fp = store.read(Setting::FPSeconds);
    const Result<double> fs = store.read(Setting::FSSeconds);
    for (const Result<double> *read : {&fp, &fs}) {
        if (!*read)
            return read->error();
    }
    std::array<QString, ClassCount> names;
    for (int c = FirstClass; c <= LastClass; ++c) {
        const Result<QString> name = store.read(Setting::ClassName(c));
        if (!name)
            return name.error();
        names[std::size_t(c - FirstClass)] = name.value();
    }
    return raceRulesOf(raceDay.value(), fp.value(), fs.value(), names);
}

RaceRules refreshedRules(const SettingsStore &store, const RaceRules &inForce)
{
    RaceRules rules = readRaceRules(store).value_or(inForce);
    rules.fpSeconds = inForce.fpSeconds;
    rules.fsSeconds = inForce.fsSeconds;
    return rules;
}
