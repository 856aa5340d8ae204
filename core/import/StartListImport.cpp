#include "core/import/StartListImport.h"

#include "core/startlist/CodePage1252.h"

#include <QRegularExpression>

#include <set>

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

// The class a name or number of the file names; 0 for none.
int namedClass(const QString &text, const ImportContext &context)
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

// As namedClass, then as the operator mapped it: -1 when its rows are left out.
int classOf(const QString &text, const ImportContext &context)
{
    if (const int named = namedClass(text, context); named > 0)
        return named;
    const auto mapped = context.classMap.find(fileClassKey(text));
    if (mapped == context.classMap.end())
        return 0;
    return mapped->second >= 1 && mapped->second <= 10 ? mapped->second : -1;
}

// Texts are single lines: what a cell held on several lines is joined with blanks.
QString oneLine(const QString &text)
{
    return text.simplified();
}
} // namespace

QString fileClassKey(const QString &name)
{
    return name.simplified().toCaseFolded();
}

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
    preview.countedAt = context.eventDate;
    const auto cellOf = [&](std::size_t row, ImportField field) {
        for (std::size_t c = 0; c < mapping.size(); ++c) {
            if (mapping[c] == field)
                return oneLine(table.cell(row, int(c)));
        }
        return QString();
    };
    const auto mapped
        = [&](ImportField field) { return std::find(mapping.begin(), mapping.end(), field) != mapping.end(); };
    const auto shownName = [&](int classIndex) {
        const QString &renamed = context.newNames[std::size_t(classIndex - 1)];
        return renamed.isEmpty() ? context.classNames[std::size_t(classIndex - 1)] : renamed;
    };
    for (int c = 1; c <= int(preview.classNames.size()); ++c)
        preview.classNames[std::size_t(c - 1)] = shownName(c);
    std::set<QString> fileClassKeys;
    // Rows by class and start number, for the numbers given twice.
    std::map<std::pair<int, QString>, std::vector<int>> startNumbers;

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

        int birthYear = 0;
        QDate birthDate;
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
            birthYear = born;
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
            birthDate = *date;
        }

        int classIndex = context.defaultClass;
        if (const QString className = cellOf(r, ImportField::Class);
            mapped(ImportField::Class) && !className.isEmpty()) {
            if (namedClass(className, context) == 0 && fileClassKeys.insert(fileClassKey(className)).second)
                preview.fileClasses << className;
            classIndex = classOf(className, context);
            if (classIndex == 0) {
                problem(QStringLiteral("keine Klasse „%1“").arg(className));
                continue;
            }
            if (classIndex < 0) {
                problem(QStringLiteral("Klasse „%1“ wird nicht übernommen").arg(className));
                continue;
            }
        }

        ImportedEntry imported;
        imported.classIndex = classIndex;
        imported.rowNumber = rowNumber;
        imported.birthYear = birthYear;
        imported.birthDate = birthDate;
        auto &texts = imported.entry.texts;
        texts[std::size_t(textSlot(ListField::Name))] = name;
        texts[std::size_t(textSlot(ListField::Age))] = age;
        texts[std::size_t(textSlot(ListField::StartNr))] = cellOf(r, ImportField::StartNr);
        texts[std::size_t(textSlot(ListField::Info1))] = cellOf(r, ImportField::Info1);
        texts[std::size_t(textSlot(ListField::Info2))] = cellOf(r, ImportField::Info2);
        texts[std::size_t(textSlot(ListField::Info3))] = cellOf(r, ImportField::Info3);
        for (QString &text : texts) {
            const QString stored = asSavedInWindows1252(text);
            if (stored != text)
                preview.notes.push_back(
                    {rowNumber,
                     QStringLiteral("„%1“ wird als „%2“ gespeichert (Zeichensatz Windows-1252)").arg(text, stored)});
            text = stored;
        }
        if (const QString number = texts[std::size_t(textSlot(ListField::StartNr))]; !number.isEmpty())
            startNumbers[{classIndex, number}].push_back(rowNumber);
        ++preview.perClass[std::size_t(classIndex - 1)];
        preview.entries.push_back(std::move(imported));
    }
    for (const auto &[key, rows] : startNumbers) {
        if (rows.size() < 2)
            continue;
        QStringList others;
        for (std::size_t i = 1; i < rows.size(); ++i)
            others << QString::number(rows[i]);
        preview.notes.push_back({rows.front(),
                                 QStringLiteral("Start-Nr %1 steht in %2 noch in Zeile %3")
                                     .arg(key.second, shownName(key.first), others.join(QStringLiteral(", ")))});
    }
    std::stable_sort(preview.notes.begin(), preview.notes.end(),
                     [](const ImportProblem &a, const ImportProblem &b) { return a.rowNumber < b.rowNumber; });
    return preview;
}
