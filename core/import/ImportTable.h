#pragma once

#include "core/system/FileResult.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

// A row as the file holds it: only the cells with a text, each with its column (from 0). A sheet
// may name a far column on every row; nothing is kept for the columns between.
using ImportRow = std::vector<std::pair<int, QString>>;

// A table read from a spreadsheet or a text file: its first row that holds anything is the
// header, the rows after it are the data, each with its row number as the file counts it.
struct ImportTable
{
    QStringList headers;
    // In column order, each column once.
    std::vector<ImportRow> rows;
    std::vector<int> rowNumbers;
    // How the file was read, for the operator: "CSV, UTF-8, Semikolon" or "Excel, Tabelle1".
    QString description;

    // A cell of a data row; an empty text where the row has none.
    QString cell(std::size_t row, int column) const;
};

// A start list that a person keeps in a spreadsheet is a few thousand rows at most; a larger file
// is refused rather than read into memory.
inline constexpr long long MaxImportFileSize = 64LL << 20;
// A table past these bounds is refused before its rows are built: no start list is that wide or long.
inline constexpr int MaxImportRows = 10000;
inline constexpr int MaxImportColumns = 256;

// The memory a read may take, about 50 times the file's size: unpacked parts, texts and cells. A
// few lines of a file are held as a floor, so that a tiny file is not refused for its overheads.
class ImportBudget
{
public:
    explicit ImportBudget(long long fileSize);
    // False once the read has taken more than it may.
    bool take(long long bytes);
    long long left() const { return m_left; }

private:
    long long m_left;
};

// The refusals of the bounds, in the operator's words.
QString tooManyRowsText();
QString tooManyColumnsText(int row, const QString &column);
QString tooMuchMemoryText();

// Takes the first row with any text as the header and the others as data; empty rows are dropped.
// Of two cells in one column the later counts.
ImportTable tableFromRows(std::vector<ImportRow> rows, const std::vector<int> &rowNumbers);

// The bytes of a file to import: a regular file up to MaxImportFileSize, else a failure naming it.
Result<QByteArray> readImportFile(const QString &path);
