#pragma once

#include "core/system/FileResult.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

// A table read from a spreadsheet or a text file: its first row that holds anything is the
// header, the rows after it are the data, each with its row number as the file counts it.
struct ImportTable
{
    QStringList headers;
    std::vector<QStringList> rows;
    std::vector<int> rowNumbers;
    // How the file was read, for the operator: "CSV, UTF-8, Semikolon" or "Excel, Tabelle1".
    QString description;

    // A cell of a data row; an empty text past its end.
    QString cell(std::size_t row, int column) const
    {
        const QStringList &cells = rows[row];
        return column < cells.size() ? cells[column] : QString();
    }
};

// A start list that a person keeps in a spreadsheet is a few thousand rows at most; a larger file
// is refused rather than read into memory.
inline constexpr long long MaxImportFileSize = 64LL << 20;

// Takes the first row with any text as the header and the others as data; empty rows are dropped.
ImportTable tableFromRows(std::vector<QStringList> rows, const std::vector<int> &rowNumbers);

// The bytes of a file to import: a regular file up to MaxImportFileSize, else a failure naming it.
Result<QByteArray> readImportFile(const QString &path);
