#pragma once

#include <QByteArray>
#include <QString>

class ProtocolModel;

// The protocol as the operator sees it, for a spreadsheet (semicolon-separated UTF-8 text that
// spreadsheet programs open directly) or for a web page.
QByteArray ProtocolAsCsv(const ProtocolModel &model);
QByteArray ProtocolAsHtml(const ProtocolModel &model, const QString &className);

// Writes atomically; returns the operator's message on failure, an empty text on success.
QString WriteExportFile(const QString &path, const QByteArray &content);
