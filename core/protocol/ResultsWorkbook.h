#pragma once

#include "core/protocol/ClassResults.h"
#include "core/system/FileResult.h"

#include <QByteArray>
#include <QString>

// The results as an Excel workbook (.xlsx): one sheet per class. Every name is written as text,
// so a name such as "=1+1" never becomes a formula.
//
// The library writes files only, so the workbook is made in a scratch file in scratchFolder (the
// system's temporary folder when that one takes no file) and handed back as bytes.
Result<QByteArray> resultsWorkbook(const ResultsDocument &document, const QString &scratchFolder);

// Writes the workbook to path through the checked, atomic export writer.
FileResult writeResultsWorkbook(const QString &path, const ResultsDocument &document);

// A sheet name Excel accepts: no []:*?/\, at most 31 characters, not used before (case ignored).
QString workbookSheetName(const QString &className, const QStringList &taken);
