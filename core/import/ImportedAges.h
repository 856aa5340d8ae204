#pragma once

#include "core/import/StartListImport.h"
#include "core/system/FileResult.h"

#include <QDate>
#include <QString>

#include <optional>
#include <vector>

class ClassStore;
class StartList;

// Where the age of an imported driver came from: a year or a date of birth. Kept per class in the
// data folder ("Ages01.json" beside "List01.dat"), so that a later change of the event's date can
// count the ages again. The class file itself has no place for a date of birth.
struct AgeOrigin
{
    QString name;
    QString startNr;
    int birthYear = 0;
    QDate birthDate;
    // The age as the import (or the last recount) wrote it.
    QString age;
};

struct ClassAges
{
    // The date the ages were counted at.
    QDate countedAt;
    std::vector<AgeOrigin> entries;
};

QString classAgesPath(int classIndex);
// No file is an empty record.
Result<ClassAges> readClassAges(int classIndex);
FileResult writeClassAges(int classIndex, const ClassAges &ages);

// The origin of an imported entry's age; nullopt when the file gave the age itself.
std::optional<AgeOrigin> ageOrigin(const ImportedEntry &imported);

// The classes whose imported ages were counted at another date than date.
std::vector<int> classesCountedAtOtherDate(const QDate &date);

// Counts the ages again at date. An entry gets its new age only while its name and start number
// match a record and it still holds the age counted then: an age the operator typed stays.
// Returns how many entries changed; the record then holds the new ages and date.
int recountAges(StartList &list, ClassAges &ages, const QDate &date);

// recountAges for every class of classesCountedAtOtherDate: the current class through the store,
// the others in their files. changed counts the entries that got a new age.
FileResult recountImportedAges(ClassStore &store, const QDate &date, int &changed);
