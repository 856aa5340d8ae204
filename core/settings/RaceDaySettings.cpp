#include "core/settings/RaceDaySettings.h"

#include "core/settings/SettingKeys.h"
#include "core/settings/SettingsStore.h"
#include "core/system/Clock.h"

#include <QCoreApplication>

#include <algorithm>

namespace {
const QString DateFormat = QStringLiteral("yyyy-MM-dd");
} // namespace

Result<RaceDaySettings> readRaceDaySettings(const SettingsStore &store)
{
    RaceDaySettings settings;
    const Result<QString> oldName = store.read(Setting::EventName);
    if (!oldName)
        return oldName.error();
    SettingKey<QString> nameKey = Setting::EventTitle;
    nameKey.fallback = oldName.value();
    const Result<QString> name = store.read(nameKey);
    const Result<QString> place = store.read(Setting::EventPlace);
    const Result<QString> date = store.read(Setting::EventDate);
    for (const Result<QString> *read : {&name, &place, &date}) {
        if (!*read)
            return read->error();
    }
    settings.event.name = name.value().trimmed();
    settings.event.place = place.value().trimmed();
    settings.event.date = QDate::fromString(date.value().trimmed(), DateFormat);
    settings.event.dateSet = settings.event.date.isValid();
    if (!settings.event.dateSet)
        settings.event.date = today();

    for (int i = 1; i <= 3; ++i) {
        const Result<QString> title = store.read(Setting::InfoName(i));
        if (!title)
            return title.error();
        settings.infoNames[std::size_t(i - 1)] = title.value().trimmed();
    }
    const Result<int> scoring = store.read(Setting::ScoringModeIndex);
    const Result<int> club = store.read(Setting::ClubInfoField);
    const Result<int> best = store.read(Setting::ClubBestDrivers);
    for (const Result<int> *read : {&scoring, &club, &best}) {
        if (!*read)
            return read->error();
    }
    settings.scoring = scoring.value() == 1 ? ScoringMode::BestRun : ScoringMode::SumOfRuns;
    settings.clubField = club.value() >= 1 && club.value() <= 3 ? club.value() : 0;
    settings.clubBest = std::clamp(best.value(), 1, MaxClubBest);
    return settings;
}

FileResult writeRaceDaySettings(SettingsStore &store, const RaceDaySettings &settings)
{
    const QString date = settings.event.dateSet && settings.event.date.isValid()
        ? settings.event.date.toString(DateFormat)
        : QString();
    const std::pair<const SettingKey<QString> *, QString> texts[] = {{&Setting::EventTitle, settings.event.name},
                                                                     {&Setting::EventPlace, settings.event.place},
                                                                     {&Setting::EventDate, date}};
    for (const auto &[key, value] : texts) {
        if (FileResult written = store.write(*key, value); !written)
            return written;
    }
    for (int i = 1; i <= 3; ++i) {
        if (FileResult written = store.write(Setting::InfoName(i), settings.infoNames[std::size_t(i - 1)]); !written)
            return written;
    }
    const std::pair<const SettingKey<int> *, int> numbers[] = {{&Setting::ScoringModeIndex, int(settings.scoring)},
                                                               {&Setting::ClubInfoField, settings.clubField},
                                                               {&Setting::ClubBestDrivers, settings.clubBest}};
    for (const auto &[key, value] : numbers) {
        if (FileResult written = store.write(*key, value); !written)
            return written;
    }
    return {};
}

QString infoTitleOf(const std::array<QString, 3> &infoNames, int info)
{
    if (info < 1 || info > 3)
        return QString();
    const QString &name = infoNames[std::size_t(info - 1)];
    if (!name.isEmpty())
        return name;
    return QCoreApplication::translate("StartListModel", QStringLiteral("Info%1").arg(info).toLatin1().constData());
}

QString scoringModeText(ScoringMode mode)
{
    return mode == ScoringMode::BestRun ? QStringLiteral("Bester Lauf") : QStringLiteral("Summe beider Läufe");
}
