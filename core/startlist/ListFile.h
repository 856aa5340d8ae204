#pragma once

#include "core/startlist/StartList.h"
#include "core/system/FileResult.h"

#include <QString>

inline constexpr char ListFileTag[] = "[ZVX1FILE]";
inline constexpr char ListRecordTag[] = "[ZVX1RECORD]";
inline constexpr char ListEndTag[] = "[ZVX1END]";

// A class of a kart slalom holds some hundred participants, well under 1 MiB of file. Larger files
// are refused rather than read: 256 MiB leaves room for any list a person makes, and its texts
// (twice the size in memory) stay far below a workstation's memory.
inline constexpr long long MaxListFileSize = 256LL << 20;

// List01.dat .. List10.dat in the data folder.
QString ClassListPath(int classIndex);

// The value tells whether the file was taken as a start list file: no file, and a first line that
// is not the file tag, give false without a failure. A FIFO, device or folder, or a file larger
// than MaxListFileSize, is refused with a failure naming it (through links, the file they lead
// to), without waiting for or reading its bytes. Replace mode empties the list only once the file
// tag is accepted; merge appends. After a failure the entries read before it stay in the list.
Result<bool> ReadListFile(StartList &list, const QString &path, bool merge);
// Through CheckedSave: the old file stays whole until the new one is complete and synced; a
// FIFO, device or folder in its place is refused.
FileResult WriteListFile(const StartList &list, const QString &path);
