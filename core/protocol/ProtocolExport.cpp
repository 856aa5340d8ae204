#include "core/protocol/ProtocolExport.h"

#include "core/protocol/ProtocolModel.h"
#include "core/system/CheckedSave.h"

namespace {
QString csvField(const QString &text)
{
    if (!text.contains(QLatin1Char(';')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString header(const ProtocolModel &model, int column)
{
    return model.headerData(column, Qt::Horizontal).toString();
}
} // namespace

QByteArray protocolAsCsv(const ProtocolModel &model)
{
    QString out;
    QStringList fields;
    for (int c = 0; c < ProtocolModel::ColumnCount; ++c)
        fields << csvField(header(model, c));
    out += fields.join(QLatin1Char(';')) + QStringLiteral("\r\n");
    for (int r = 0; r < model.rowCount(); ++r) {
        fields.clear();
        for (int c = 0; c < ProtocolModel::ColumnCount; ++c)
            fields << csvField(model.cellText(r, c));
        out += fields.join(QLatin1Char(';')) + QStringLiteral("\r\n");
    }
    // The byte order mark makes spreadsheet programs read the names as UTF-8.
    return QByteArrayLiteral("\xEF\xBB\xBF") + out.toUtf8();
}

QByteArray protocolAsHtml(const ProtocolModel &model, const QString &className)
{
    QString out = QStringLiteral(
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>%1</title>\n"
        "<style>body{font-family:Arial,sans-serif}table{border-collapse:collapse}"
        "th,td{border:1px solid #999;padding:2px 6px}th{background:#dde}td.t{text-align:center}</style>\n"
        "</head><body>\n<h1>%1</h1>\n<table>\n<tr>")
                      .arg(className.toHtmlEscaped());
    for (int c = 0; c < ProtocolModel::ColumnCount; ++c)
        out += QStringLiteral("<th>%1</th>").arg(header(model, c).toHtmlEscaped());
    out += QStringLiteral("</tr>\n");
    for (int r = 0; r < model.rowCount(); ++r) {
        out += QStringLiteral("<tr>");
        for (int c = 0; c < ProtocolModel::ColumnCount; ++c) {
            const bool centred = c > ProtocolModel::Name && c < ProtocolModel::Place;
            out += QStringLiteral("<td%1>%2</td>")
                       .arg(centred ? QStringLiteral(" class=\"t\"") : QString(), model.cellText(r, c).toHtmlEscaped());
        }
        out += QStringLiteral("</tr>\n");
    }
    out += QStringLiteral("</table>\n</body></html>\n");
    return out.toUtf8();
}

FileResult writeExportFile(const QString &path, const QByteArray &content)
{
    CheckedSave file(path);
    if (FileResult opened = file.open(); !opened)
        return opened;
    file.write(content.constData(), content.size());
    return file.commit();
}
