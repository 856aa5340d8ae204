#pragma once

#include "core/system/FileResult.h"

#include <QByteArray>
#include <QString>

class ProtocolModel;

// The protocol as the operator sees it, for a spreadsheet (semicolon-separated UTF-8 text that
// spreadsheet programs open directly) or for a web page.
QByteArray protocolAsCsv(const ProtocolModel &model);
QByteArray protocolAsHtml(const ProtocolModel &model, const QString &className);

// Writes through CheckedSave: on failure the old file stays as it was.
FileResult writeExportFile(const QString &path, const QByteArray &content);
