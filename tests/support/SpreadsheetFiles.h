#pragma once

#include <xlsxwriter.h>

#include <QFile>
#include <QList>
#include <QString>
#include <QVariant>

// Workbooks made by a spreadsheet library, as an office program would save them: texts as shared
// strings, or (in the library's low-memory mode) as inline strings. A number cell is written for
// every QVariant that holds a number.
inline bool writeXlsxFile(const QString &path, const QList<QVariantList> &rows, bool inlineStrings = false,
                          const char *sheetName = "Meldungen")
{
    lxw_workbook_options options {};
    options.constant_memory = inlineStrings ? LXW_TRUE : LXW_FALSE;
    lxw_workbook *workbook = workbook_new_opt(QFile::encodeName(path).constData(), &options);
    if (!workbook)
        return false;
    lxw_worksheet *sheet = workbook_add_worksheet(workbook, sheetName);
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < rows[r].size(); ++c) {
            const QVariant &value = rows[r][c];
            if (value.typeId() == QMetaType::Int || value.typeId() == QMetaType::Double)
                worksheet_write_number(sheet, lxw_row_t(r), lxw_col_t(c), value.toDouble(), nullptr);
            else if (!value.toString().isEmpty())
                worksheet_write_string(sheet, lxw_row_t(r), lxw_col_t(c), value.toString().toUtf8().constData(),
                                       nullptr);
        }
    }
    return workbook_close(workbook) == LXW_NO_ERROR;
}
