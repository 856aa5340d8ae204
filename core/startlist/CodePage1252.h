#pragma once

#include <QString>
#include <QStringView>

#include <string>

// Text fields are stored in Windows-1252 so files from Windows workstations read correctly.
QString decodeWindows1252(const char *data, std::size_t size);

// A letter the code page lacks becomes the nearest one it holds ("Ł" is "L", "č" is "c"); any
// other character it lacks, and a line break or Ctrl+Z that would split or end the file, "?".
void appendWindows1252(std::string &out, QStringView text);

// The text as a list file gives it back.
QString asSavedInWindows1252(QStringView text);
