#pragma once

#include "core/protocol/ClassResults.h"
#include "core/system/FileResult.h"

#include <QByteArray>
#include <QString>

// The results as an Excel workbook (.xlsx): one sheet per class. Every name is written as text,
// so a name such as "=1+1" never becomes a formula.
//
// Times are numbers (day fractions shown as minutes, seconds and hundredths), so they sort and sum.
//
// The library writes files only, so the workbook is made in a hidden scratch file beside path (in
// the system's temporary folder when that folder takes no file) and handed back as bytes. Every
// failure names path, the file the operator chose.
Result<QByteArray> resultsWorkbook(const ResultsDocument &document, const QString &path);

// Writes the workbook to path through the checked, atomic export writer.
FileResult writeResultsWorkbook(const QString &path, const ResultsDocument &document);

// A sheet name Excel accepts: no []:*?/\, at most 31 characters, not used before (case ignored).
QString workbookSheetName(const QString &className, const QStringList &taken);
