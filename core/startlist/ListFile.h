#pragma once

#include "core/startlist/StartList.h"
#include "core/system/FileResult.h"

#include <QString>

inline constexpr char ListFileTag[] = "[ZVX1FILE]";
inline constexpr char ListRecordTag[] = "[ZVX1RECORD]";
inline constexpr char ListEndTag[] = "[ZVX1END]";

// List01.dat .. List10.dat in the data folder.
QString ClassListPath(int classIndex);

// The value tells whether the file was taken as a start list file: no file, and a first line that
// is not the file tag, give false without a failure. Replace mode empties the list only once the
// file tag is accepted; merge appends. After a failure the entries read before it stay in the list.
Result<bool> ReadListFile(StartList &list, const QString &path, bool merge);
// Atomic: the old file stays whole until the new one is complete.
FileResult WriteListFile(const StartList &list, const QString &path);
