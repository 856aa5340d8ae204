#pragma once

#include "core/import/ImportTable.h"
#include "core/system/FileResult.h"

#include <QString>

// The first sheet of an Excel workbook (.xlsx) as a table: shared and inline strings as their
// text, numbers as the shortest decimal that gives them back ("7", "12.5"), formulas as their
// last computed value. The package is unpacked with minizip, the zip library the workbook
// writer uses: a second copy of its functions in the program would take the writer's calls.
Result<ImportTable> readXlsxTable(const QString &path);
