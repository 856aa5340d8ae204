#pragma once

#include "core/system/FileResult.h"

#include <QByteArray>
#include <QString>

// Writes an export (workbook, web page) through CheckedSave: on failure the old file stays as it
// was.
FileResult writeExportFile(const QString &path, const QByteArray &content);
