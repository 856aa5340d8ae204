#pragma once

#include "core/protocol/RaceRules.h"
#include "core/startlist/StartList.h"
#include "core/system/FileResult.h"

#include <QString>

#include <vector>

class ClassStore;

// Start lists on paper for the starter and for hand timing as a backup: each class in start order.
struct StartListSheet
{
    int classIndex = 0;
    QString className;
    StartList list;
};

struct StartListSheets
{
    EventInfo event;
    // The Info field printed as the club: the configured one, else Info1.
    int clubField = 1;
    QString clubTitle;
    std::vector<StartListSheet> classes;

    // The event's name and "Startliste", or "Startliste" alone.
    QString title() const;
    // "Ort: …   Datum: …", what the heading says under the title.
    QString facts() const;
};

// The current class as the store holds it; with allClasses the others from their class files, in
// class order, leaving out classes without participants. A class file that cannot be read fails.
// The event, the club's title and the class names come from rules.
Result<StartListSheets> startListSheets(const ClassStore &store, const RaceRules &rules, bool allClasses);
