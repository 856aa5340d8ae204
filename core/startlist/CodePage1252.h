#pragma once

#include <QString>
#include <QStringView>

#include <string>

// Text fields are stored in Windows-1252 so files from Windows workstations read correctly.
QString decodeWindows1252(const char *data, std::size_t size);

// A character the code page lacks, and a line break or Ctrl+Z that would split or end the file,
// becomes "?".
void appendWindows1252(std::string &out, QStringView text);

// The text as a list file gives it back: what the code page lacks shows as "?".
QString asSavedInWindows1252(QStringView text);
