#pragma once

#include "core/import/ImportTable.h"
#include "core/system/FileResult.h"

#include <QByteArray>
#include <QChar>

// A table as a text file: fields separated by ";", "," or a tab, which the header row tells;
// quoted fields may hold separators, doubled quotes and line breaks. UTF-8 (with or without its
// byte order mark) when the bytes are valid UTF-8, Windows-1252 otherwise.
struct CsvFormat
{
    QChar separator = QLatin1Char(';');
    bool utf8 = true;
};

CsvFormat detectCsvFormat(const QByteArray &bytes);
// Refuses a table past the bounds of ImportTable.h; path only names the file in the failure.
Result<ImportTable> parseCsv(const QByteArray &bytes, const QString &path = QString());
Result<ImportTable> readCsvTable(const QString &path);
