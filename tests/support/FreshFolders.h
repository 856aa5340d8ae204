#pragma once

#include "core/startlist/ListFile.h"
#include "core/system/DataFolder.h"
#include "core/system/ProgramFolder.h"
#include "support/StartListSamples.h"

#include <QDir>

// The folders a test begins with, as at a first start of the program.
namespace FreshFolders {

// An empty program folder; where the class files go is decided again.
inline bool program()
{
    QDir(programFolder()).removeRecursively();
    resetDataFolder();
    return QDir().mkpath(programFolder());
}

// An empty data folder, the journal's as well.
inline bool data()
{
    QDir(dataFolder()).removeRecursively();
    return QDir().mkpath(dataFolder());
}

// The first class holds these participants, and nothing else has been written yet.
inline bool withFirstClass(const QStringList &names, bool emptyProgramFolder = false)
{
    return (emptyProgramFolder ? program() : data()) && WriteListFile(listOfNames(names), ClassListPath(1)).ok();
}

} // namespace FreshFolders
