#include "core/import/StartListImport.h"

#include <QRegularExpression>

namespace {
const char *const FieldTitles[ImportFieldCount] = {
    "(nicht übernehmen)", "Name",     "Vorname", "Nachname", "Alter", "Jahrgang",
    "Geburtsdatum",       "Start-Nr", "Info1",   "Info2",    "Info3", "Klasse",
};

// Lower case without blanks, dots, hyphens and underscores: "Start-Nr." reads as "startnr".
QString headerKey(const QString &header)
{
    QString key = header.toLower();
    static const QRegularExpression noise(QStringLiteral("[\\s.\\-_:/#]"));
    key.remove(noise);
    return key;
}

ImportField fieldOfHeader(const QString &key)
{
    static const struct
    {
        ImportField field;
        QStringList keys;
    } known[] = {
        {ImportField::Name, {"name", "fahrer", "fahrername", "teilnehmer", "teilnehmername"}},
        {ImportField::FirstName, {"vorname", "rufname"}},
        {ImportField::LastName, {"nachname", "familienname", "zuname"}},
        {ImportField::Age, {"alter"}},
        {ImportField::BirthYear, {"jahrgang", "jg", "geburtsjahr", "jahrg"}},
        {ImportField::BirthDate, {"geburtsdatum", "gebdatum", "geboren", "geburtstag", "gebam"}},
        {ImportField::StartNr, {"startnummer", "startnr", "stnr", "nr", "nummer", "startno"}},
        {ImportField::Class, {"klasse", "wertungsklasse", "altersklasse", "kl"}},
        {ImportField::Info1, {"info1"}},
        {ImportField::Info2, {"info2"}},
        {ImportField::Info3, {"info3"}},
    };
    for (const auto &entry : known) {
        if (entry.keys.contains(key))
            return entry.field;
    }
    return ImportField::Ignore;
}

bool isClubHeader(const QString &key)
{
    static const QStringList clubs {"verein", "club", "klub", "team", "ortsclub", "mannschaft"};
    return clubs.contains(key);
}

ImportField infoField(int info)
{
    return ImportField(int(ImportField::Info1) + info - 1);
}

std::optional<QDate> dateOf(const QString &text)
{
    for (const char *format : {"d.M.yyyy", "yyyy-MM-dd", "d.M.yy"}) {
        QDate date = QDate::fromString(text, QLatin1String(format));
        if (date.isValid()) {
            if (date.year() < 1930 && QLatin1String(format) == QLatin1String("d.M.yy"))
                date = date.addYears(100);
            return date;
        }
    }
    // A date cell of a workbook arrives as its day number, counted from 30 Dec 1899.
    bool ok = false;
    const double serial = text.toDouble(&ok);
    if (ok && serial >= 1 && serial < 2958466)
        return QDate(1899, 12, 30).addDays(qint64(serial));
    return std::nullopt;
}

int classOf(const QString &text, const ImportContext &context)
{
    for (int c = 0; c < 10; ++c) {
        if (!context.classNames[std::size_t(c)].isEmpty()
            && context.classNames[std::size_t(c)].trimmed().compare(text, Qt::CaseInsensitive) == 0)
            return c + 1;
    }
    bool ok = false;
    const int number = text.toInt(&ok);
    return ok && number >= 1 && number <= 10 ? number : 0;
}

// Texts are single lines: what a cell held on several lines is joined with blanks.
QString oneLine(const QString &text)
{
    return text.simplified();
}
} // namespace

QString importFieldTitle(ImportField field)
{
    const int i = int(field);
    return i >= 0 && i < ImportFieldCount ? QString::fromUtf8(FieldTitles[i]) : QString();
}

int ageAt(const QDate &birth, const QDate &date)
{
    if (!birth.isValid() || !date.isValid() || birth > date)
        return -1;
    int age = date.year() - birth.year();
    if (date.month() < birth.month() || (date.month() == birth.month() && date.day() < birth.day()))
        --age;
    return age;
}

ImportMapping guessMapping(const QStringList &headers, const ImportContext &context)
{
    ImportMapping mapping(std::size_t(headers.size()), ImportField::Ignore);
    std::array<bool, ImportFieldCount> taken {};
    const auto give = [&](int column, ImportField field) {
        if (field == ImportField::Ignore || taken[std::size_t(field)])
            return;
        taken[std::size_t(field)] = true;
        mapping[std::size_t(column)] = field;
    };
    // The operator's own Info titles and the club first: "Verein" may be the title of Info2.
    for (int column = 0; column < headers.size(); ++column) {
        const QString key = headerKey(headers[column]);
        for (int info = 1; info <= 3; ++info) {
            const QString title = headerKey(context.infoNames[std::size_t(info - 1)]);
            if (!title.isEmpty() && title == key)
                give(column, infoField(info));
        }
        if (mapping[std::size_t(column)] == ImportField::Ignore && isClubHeader(key) && context.clubField >= 1
            && context.clubField <= 3)
            give(column, infoField(context.clubField));
    }
    for (int column = 0; column < headers.size(); ++column) {
        if (mapping[std::size_t(column)] == ImportField::Ignore)
            give(column, fieldOfHeader(headerKey(headers[column])));
    }
    for (int column = 0; column < headers.size(); ++column) {
        if (mapping[std::size_t(column)] != ImportField::Ignore || !isClubHeader(headerKey(headers[column])))
            continue;
        for (int info = 1; info <= 3; ++info) {
            if (!taken[std::size_t(infoField(info))]) {
                give(column, infoField(info));
                break;
            }
        }
    }
    // A single name column beside Vorname is the surname.
    if (taken[std::size_t(ImportField::Name)] && taken[std::size_t(ImportField::FirstName)]
        && !taken[std::size_t(ImportField::LastName)]) {
        for (ImportField &field : mapping) {
            if (field == ImportField::Name)
                field = ImportField::LastName;
        }
    }
    return mapping;
}

ImportPreview previewImport(const ImportTable &table, const ImportMapping &mapping, const ImportContext &context)
{
    ImportPreview preview;
    const auto cellOf = [&](std::size_t row, ImportField field) {
        for (std::size_t c = 0; c < mapping.size(); ++c) {
            if (mapping[c] == field)
                return oneLine(table.cell(row, int(c)));
        }
        return QString();
    };
    const auto mapped
        = [&](ImportField field) { return std::find(mapping.begin(), mapping.end(), field) != mapping.end(); };

    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        const int rowNumber = table.rowNumbers[r];
        const auto problem = [&](const QString &reason) { preview.problems.push_back({rowNumber, reason}); };

        QString name = cellOf(r, ImportField::Name);
        const QString first = cellOf(r, ImportField::FirstName);
        const QString last = cellOf(r, ImportField::LastName);
        const QString joined = (first + QLatin1Char(' ') + last).trimmed();
        if (name.isEmpty())
            name = joined;
        else if (!joined.isEmpty())
            name = (joined + QLatin1Char(' ') + name).trimmed();
        if (name.isEmpty()) {
            problem(QStringLiteral("kein Name"));
            continue;
        }

        QString age = cellOf(r, ImportField::Age);
        if (!age.isEmpty()) {
            bool ok = false;
            const double years = age.toDouble(&ok);
            if (!ok || years < 0 || years > 150 || years != std::floor(years)) {
                problem(QStringLiteral("Alter „%1“ ist keine Zahl von Jahren").arg(age));
                continue;
            }
            age = QString::number(int(years));
        }
        if (const QString year = cellOf(r, ImportField::BirthYear); age.isEmpty() && !year.isEmpty()) {
            bool ok = false;
            const int born = year.toInt(&ok);
            if (!ok || born < 1900 || born > context.eventDate.year()) {
                problem(QStringLiteral("Jahrgang „%1“ ist keine Jahreszahl bis %2")
                            .arg(year)
                            .arg(context.eventDate.year()));
                continue;
            }
            // Sport counts the age a driver reaches in the event's year.
            age = QString::number(context.eventDate.year() - born);
        }
        if (const QString birth = cellOf(r, ImportField::BirthDate); age.isEmpty() && !birth.isEmpty()) {
            const std::optional<QDate> date = dateOf(birth);
            const int years = date ? ageAt(*date, context.eventDate) : -1;
            if (years < 0) {
                problem(QStringLiteral("Geburtsdatum „%1“ ist kein Datum vor dem %2")
                            .arg(birth, context.eventDate.toString(QStringLiteral("dd.MM.yyyy"))));
                continue;
            }
            age = QString::number(years);
        }

        int classIndex = context.defaultClass;
        if (const QString className = cellOf(r, ImportField::Class);
            mapped(ImportField::Class) && !className.isEmpty()) {
            classIndex = classOf(className, context);
            if (classIndex == 0) {
                problem(QStringLiteral("keine Klasse „%1“").arg(className));
                continue;
            }
        }

        ImportedEntry imported;
        imported.classIndex = classIndex;
        imported.rowNumber = rowNumber;
        auto &texts = imported.entry.texts;
        texts[std::size_t(textSlot(ListField::Name))] = name;
        texts[std::size_t(textSlot(ListField::Age))] = age;
        texts[std::size_t(textSlot(ListField::StartNr))] = cellOf(r, ImportField::StartNr);
        texts[std::size_t(textSlot(ListField::Info1))] = cellOf(r, ImportField::Info1);
        texts[std::size_t(textSlot(ListField::Info2))] = cellOf(r, ImportField::Info2);
        texts[std::size_t(textSlot(ListField::Info3))] = cellOf(r, ImportField::Info3);
        ++preview.perClass[std::size_t(classIndex - 1)];
        preview.entries.push_back(std::move(imported));
    }
    return preview;
}
