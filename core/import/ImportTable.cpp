#include "core/import/ImportTable.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <cerrno>

QString ImportTable::cell(std::size_t row, int column) const
{
    const ImportRow &cells = rows[row];
    const auto found = std::lower_bound(cells.begin(), cells.end(), column,
                                        [](const std::pair<int, QString> &cell, int c) { return cell.first < c; });
    return found != cells.end() && found->first == column ? found->second : QString();
}

ImportTable tableFromRows(std::vector<ImportRow> rows, const std::vector<int> &rowNumbers)
{
    ImportTable table;
    bool header = true;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        ImportRow &cells = rows[i];
        for (auto &cell : cells)
            cell.second = cell.second.simplified();
        std::stable_sort(cells.begin(), cells.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
        ImportRow kept;
        for (auto &cell : cells) {
            if (!kept.empty() && kept.back().first == cell.first)
                kept.pop_back();
            kept.push_back(std::move(cell));
        }
        std::erase_if(kept, [](const auto &cell) { return cell.second.isEmpty(); });
        if (kept.empty())
            continue;
        if (header) {
            for (auto &[column, text] : kept) {
                while (table.headers.size() < column)
                    table.headers << QString();
                table.headers << std::move(text);
            }
            header = false;
            continue;
        }
        table.rows.push_back(std::move(kept));
        table.rowNumbers.push_back(rowNumbers[i]);
    }
    return table;
}

Result<QByteArray> readImportFile(const QString &path)
{
    const QFileInfo info(path);
    // A FIFO or a device would block the window or never end.
    if (!info.exists())
        return fileError(path, ENOENT);
    if (info.isDir())
        return fileError(path, EISDIR);
    if (!info.isFile())
        return FileError {path, QStringLiteral("Das ist keine Datei.")};
    if (info.size() > MaxImportFileSize)
        return FileError {path, QStringLiteral("Die Datei ist zu groß für eine Startliste.")};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fileError(path, info.isReadable() ? EIO : EACCES);
    const QByteArray bytes = file.read(MaxImportFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        return FileError {path, file.errorString()};
    if (bytes.size() > MaxImportFileSize)
        return FileError {path, QStringLiteral("Die Datei ist zu groß für eine Startliste.")};
    return bytes;
}

ImportBudget::ImportBudget(long long fileSize)
    : m_left(std::max(50 * fileSize, 1LL << 20))
{
}

bool ImportBudget::take(long long bytes)
{
    m_left -= bytes;
    return m_left >= 0;
}

QString tooManyRowsText()
{
    return QStringLiteral("Die Tabelle hat mehr als %1 Zeilen. So viele Fahrer hat keine Startliste; "
                          "es wurde nichts gelesen.")
        .arg(QLocale(QLocale::German).toString(MaxImportRows));
}

QString tooManyColumnsText(int row, const QString &column)
{
    return QStringLiteral("Zeile %1 hat einen Eintrag in Spalte %2. Eine Startliste hat höchstens %3 Spalten; "
                          "es wurde nichts gelesen.")
        .arg(row)
        .arg(column)
        .arg(MaxImportColumns);
}

QString tooMuchMemoryText()
{
    return QStringLiteral("Die Tabelle braucht beim Lesen mehr Speicher, als eine Startliste dieser Dateigröße "
                          "braucht. Es wurde nichts gelesen.");
}
