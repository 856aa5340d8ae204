#include "core/import/ImportedAges.h"

#include "core/import/ImportTable.h"
#include "core/startlist/ClassStore.h"
#include "core/startlist/ListFile.h"
#include "core/system/DataFolder.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace {
const QString DateFormat = QStringLiteral("yyyy-MM-dd");

QString ageAtDate(const AgeOrigin &origin, const QDate &date)
{
    if (origin.birthDate.isValid()) {
        const int years = ageAt(origin.birthDate, date);
        return years >= 0 ? QString::number(years) : QString();
    }
    return origin.birthYear > 0 && origin.birthYear <= date.year() ? QString::number(date.year() - origin.birthYear)
                                                                   : QString();
}

bool sameDriver(const StartList &list, int entry, const AgeOrigin &origin)
{
    return list.text(entry, ListField::Name) == origin.name && list.text(entry, ListField::StartNr) == origin.startNr;
}
} // namespace

QString classAgesPath(int classIndex)
{
    return dataFolder() + QStringLiteral("Ages%1.json").arg(classIndex, 2, 10, QLatin1Char('0'));
}

Result<ClassAges> readClassAges(int classIndex)
{
    const QString path = classAgesPath(classIndex);
    ClassAges ages;
    QFile file(path);
    if (!file.exists())
        return ages;
    if (!file.open(QIODevice::ReadOnly))
        return FileError {path, file.errorString()};
    // A record of a few thousand drivers is far smaller; a larger file is no record of ours.
    const QByteArray bytes = file.read(MaxImportFileSize + 1);
    QJsonParseError error {};
    const QJsonDocument json = QJsonDocument::fromJson(bytes, &error);
    if (bytes.size() > MaxImportFileSize || error.error != QJsonParseError::NoError || !json.isObject())
        return FileError {path, QStringLiteral("Die Geburtsdaten der importierten Fahrer sind nicht lesbar.")};
    ages.countedAt = QDate::fromString(json[QLatin1String("countedAt")].toString(), DateFormat);
    for (const QJsonValue &value : json[QLatin1String("entries")].toArray()) {
        AgeOrigin origin;
        origin.name = value[QLatin1String("name")].toString();
        origin.startNr = value[QLatin1String("startNr")].toString();
        origin.birthYear = value[QLatin1String("birthYear")].toInt();
        origin.birthDate = QDate::fromString(value[QLatin1String("birthDate")].toString(), DateFormat);
        origin.age = value[QLatin1String("age")].toString();
        ages.entries.push_back(std::move(origin));
    }
    return ages;
}

FileResult writeClassAges(int classIndex, const ClassAges &ages)
{
    const QString path = classAgesPath(classIndex);
    QJsonArray entries;
    for (const AgeOrigin &origin : ages.entries) {
        QJsonObject entry {{QLatin1String("name"), origin.name},
                           {QLatin1String("startNr"), origin.startNr},
                           {QLatin1String("age"), origin.age}};
        if (origin.birthDate.isValid())
            entry[QLatin1String("birthDate")] = origin.birthDate.toString(DateFormat);
        else
            entry[QLatin1String("birthYear")] = origin.birthYear;
        entries.append(entry);
    }
    const QJsonObject root {{QLatin1String("countedAt"), ages.countedAt.toString(DateFormat)},
                            {QLatin1String("entries"), entries}};
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(root).toJson()) < 0 || !file.commit())
        return FileError {path, file.errorString()};
    return {};
}

std::optional<AgeOrigin> ageOrigin(const ImportedEntry &imported)
{
    if (imported.birthYear == 0 && !imported.birthDate.isValid())
        return std::nullopt;
    const auto &texts = imported.entry.texts;
    return AgeOrigin {texts[std::size_t(textSlot(ListField::Name))], texts[std::size_t(textSlot(ListField::StartNr))],
                      imported.birthYear, imported.birthDate, texts[std::size_t(textSlot(ListField::Age))]};
}

std::vector<int> classesCountedAtOtherDate(const QDate &date)
{
    std::vector<int> classes;
    for (int c = 1; c <= 10; ++c) {
        const Result<ClassAges> ages = readClassAges(c);
        // An unreadable record is named when it is counted again.
        if (!ages || (!ages.value().entries.empty() && ages.value().countedAt != date))
            classes.push_back(c);
    }
    return classes;
}

int recountAges(StartList &list, ClassAges &ages, const QDate &date)
{
    int changed = 0;
    std::vector<bool> taken(std::size_t(list.count()), false);
    for (AgeOrigin &origin : ages.entries) {
        const QString now = ageAtDate(origin, date);
        for (int i = 0; i < list.count(); ++i) {
            if (taken[std::size_t(i)] || !sameDriver(list, i, origin) || list.text(i, ListField::Age) != origin.age)
                continue;
            taken[std::size_t(i)] = true;
            if (now != origin.age) {
                list.setText(i, ListField::Age, now);
                ++changed;
            }
            origin.age = now;
            break;
        }
    }
    ages.countedAt = date;
    return changed;
}

FileResult recountImportedAges(ClassStore &store, const QDate &date, int &changed)
{
    changed = 0;
    for (int classIndex : classesCountedAtOtherDate(date)) {
        const Result<ClassAges> read = readClassAges(classIndex);
        if (!read)
            return read.error();
        ClassAges ages = read.value();
        const bool current = classIndex == store.CurrentClass();
        StartList list;
        if (current) {
            list = store.list();
        } else if (const Result<bool> loaded = ReadListFile(list, ClassListPath(classIndex), false); !loaded) {
            return loaded.error();
        }
        const int n = recountAges(list, ages, date);
        if (n > 0) {
            FileResult written;
            if (current) {
                store.replaceList(list, ChangeSource::Import);
                written = store.SaveCurrentClass();
            } else {
                written = WriteListFile(list, ClassListPath(classIndex));
            }
            if (!written)
                return written;
        }
        if (FileResult kept = writeClassAges(classIndex, ages); !kept)
            return kept;
        changed += n;
    }
    return {};
}
