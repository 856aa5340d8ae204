#pragma once

#include "startlist/StartList.h"

#include <QByteArray>
#include <QString>

// Outcome of a file operation. The core never shows anything; the window shows `error`.
struct ListFileResult
{
    // Read: the file was taken as a start list file. Write: the file was written completely.
    bool accepted = false;
    // The message for the operator; empty when there is nothing to say.
    QString error;
};

inline constexpr char ListFileTag[] = "[ZVX1FILE]";
inline constexpr char ListRecordTag[] = "[ZVX1RECORD]";
inline constexpr char ListEndTag[] = "[ZVX1END]";

// List01.dat .. List10.dat in the program folder.
QString ClassListPath(int classIndex);

// Replace mode empties the list only once the file tag is accepted; merge appends.
ListFileResult ReadListFile(StartList &list, const QString &path, bool merge);
// Atomic: the old file stays whole until the new one is complete.
ListFileResult WriteListFile(const StartList &list, const QString &path);

// Text fields are stored in Windows-1252 so files from Windows workstations read correctly.
QString DecodeWindows1252(const char *data, std::size_t size);
// A character the code page lacks, and a line break or Ctrl+Z that would split or end the file,
// becomes "?".
void AppendWindows1252(std::string &out, QStringView text);

// The platform's reason for an errno value, in the words the operator sees.
QString FileErrorText(int error);
