#include "core/settings/RaceDaySettings.h"

#include "core/settings/SettingsStore.h"

#include <QCoreApplication>

#include <algorithm>

namespace {
const QString EventSection = QStringLiteral("Event");
const QString ConfigurationSection = QStringLiteral("Configuration");
const QString NameKey = QStringLiteral("Name");
const QString PlaceKey = QStringLiteral("Place");
const QString DateKey = QStringLiteral("Date");
const QString ScoringKey = QStringLiteral("ScoringMode");
const QString ClubFieldKey = QStringLiteral("ClubInfoField");
const QString ClubBestKey = QStringLiteral("ClubBestDrivers");
const QString DateFormat = QStringLiteral("yyyy-MM-dd");

QString infoNameKey(int info)
{
    return QStringLiteral("Info%1Name").arg(info);
}

RaceDaySettings &inForce()
{
    static RaceDaySettings settings = [] {
        RaceDaySettings first;
        first.event.date = QDate::currentDate();
        return first;
    }();
    return settings;
}
} // namespace

Result<RaceDaySettings> readRaceDaySettings(const SettingsStore &store)
{
    RaceDaySettings settings;
    const Result<QString> oldName = store.readText(QStringLiteral("Results"), QStringLiteral("EventName"), QString());
    if (!oldName)
        return oldName.error();
    const Result<QString> name = store.readText(EventSection, NameKey, oldName.value());
    const Result<QString> place = store.readText(EventSection, PlaceKey, QString());
    const Result<QString> date = store.readText(EventSection, DateKey, QString());
    for (const Result<QString> *read : {&name, &place, &date}) {
        if (!*read)
            return read->error();
    }
    settings.event.name = name.value().trimmed();
    settings.event.place = place.value().trimmed();
    settings.event.date = QDate::fromString(date.value().trimmed(), DateFormat);
    if (!settings.event.date.isValid())
        settings.event.date = QDate::currentDate();

    for (int i = 1; i <= 3; ++i) {
        const Result<QString> title = store.readText(ConfigurationSection, infoNameKey(i), QString());
        if (!title)
            return title.error();
        settings.infoNames[std::size_t(i - 1)] = title.value().trimmed();
    }
    const Result<int> scoring = store.readInteger(ConfigurationSection, ScoringKey, 0);
    const Result<int> club = store.readInteger(ConfigurationSection, ClubFieldKey, 0);
    const Result<int> best = store.readInteger(ConfigurationSection, ClubBestKey, 3);
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
    const QString date = settings.event.date.isValid() ? settings.event.date.toString(DateFormat) : QString();
    const std::pair<QString, QString> texts[]
        = {{NameKey, settings.event.name}, {PlaceKey, settings.event.place}, {DateKey, date}};
    for (const auto &[key, value] : texts) {
        if (FileResult written = store.writeText(EventSection, key, value); !written)
            return written;
    }
    for (int i = 1; i <= 3; ++i) {
        if (FileResult written
            = store.writeText(ConfigurationSection, infoNameKey(i), settings.infoNames[std::size_t(i - 1)]);
            !written)
            return written;
    }
    const std::pair<QString, int> numbers[]
        = {{ScoringKey, int(settings.scoring)}, {ClubFieldKey, settings.clubField}, {ClubBestKey, settings.clubBest}};
    for (const auto &[key, value] : numbers) {
        if (FileResult written = store.writeInteger(ConfigurationSection, key, value); !written)
            return written;
    }
    return {};
}

const RaceDaySettings &raceDay()
{
    return inForce();
}

void setRaceDay(const RaceDaySettings &settings)
{
    inForce() = settings;
}

FileResult loadRaceDay()
{
    const Result<RaceDaySettings> read = readRaceDaySettings(SettingsStore());
    if (!read)
        return read.error();
    setRaceDay(read.value());
    return {};
}

QString infoTitle(int info)
{
    if (info < 1 || info > 3)
        return QString();
    const QString &name = inForce().infoNames[std::size_t(info - 1)];
    if (!name.isEmpty())
        return name;
    return QCoreApplication::translate("StartListModel", QStringLiteral("Info%1").arg(info).toLatin1().constData());
}

QString scoringModeText(ScoringMode mode)
{
    return mode == ScoringMode::BestRun ? QStringLiteral("Bester Lauf") : QStringLiteral("Summe beider Läufe");
}
