#pragma once

#include "core/import/ImportTable.h"
#include "core/startlist/StartList.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <array>
#include <map>
#include <vector>

// What a column of an imported table goes into.
enum class ImportField : int {
    Ignore = 0,
    Name,
    FirstName,
    LastName,
    Age,
    BirthYear,
    BirthDate,
    StartNr,
    Info1,
    Info2,
    Info3,
    Class,
};
inline constexpr int ImportFieldCount = 12;

QString importFieldTitle(ImportField field);

// One target per column, in the table's column order.
using ImportMapping = std::vector<ImportField>;

// What the import needs to know of the program: the class names, the operator's Info titles and
// which Info field holds the club (0 for none), the event's date for ages from a year of birth.
struct ImportContext
{
    std::array<QString, 10> classNames;
    std::array<QString, 3> infoNames;
    int clubField = 0;
    QDate eventDate;
    // Where rows without a class column or with an empty class go.
    int defaultClass = 1;
    // Where the operator sends a class name of the file that names no class, by the name in lower
    // case: a class 1..10, or 0 to leave its rows out.
    std::map<QString, int> classMap;
    // The names the import gives classes, where the operator renames one; shown in notes.
    std::array<QString, 10> newNames;
};

// The key of classMap for a class name of the file.
QString fileClassKey(const QString &name);

// The targets the headers read like: Name, Vorname, Nachname, Alter, Jahrgang, Geburtsdatum,
// Startnummer, Verein (the club's Info field, else the first free one), Klasse, Info1..3 and the
// operator's Info titles. Each target is given to its first column only; the rest are ignored.
ImportMapping guessMapping(const QStringList &headers, const ImportContext &context);

struct ImportedEntry
{
    int classIndex = 1;
    int rowNumber = 0;
    StartListEntry entry;
    // What the age was counted from, so it can be counted again at another date; neither when
    // the file gave the age itself.
    int birthYear = 0;
    QDate birthDate;
};

struct ImportProblem
{
    int rowNumber = 0;
    QString reason;
};

struct ImportPreview
{
    std::vector<ImportedEntry> entries;
    std::vector<ImportProblem> problems;
    // What the operator should know of rows that are taken: start numbers twice in a class, texts
    // the class file's code page changes.
    std::vector<ImportProblem> notes;
    // The class names of the file that name no class, mapped or not, as first spelled, in file order.
    QStringList fileClasses;
    // Entries per class, index 0 for class 1.
    std::array<int, 10> perClass {};
    // Each class's name as the import leaves it, renamed or not; index 0 for class 1.
    std::array<QString, 10> classNames;
    // The date the ages were counted at.
    QDate countedAt;
};

// Every row as an entry of its class, or as a problem with its reason. Times and counts are 0.
// Texts are as the class file will hold them.
ImportPreview previewImport(const ImportTable &table, const ImportMapping &mapping, const ImportContext &context);

// The age at date of someone born on birth; -1 when birth is after date.
int ageAt(const QDate &birth, const QDate &date);
