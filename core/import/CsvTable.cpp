#include "core/import/CsvTable.h"

#include "core/startlist/CodePage1252.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <optional>

namespace {
const QByteArray Utf8Mark("\xEF\xBB\xBF");

bool isUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(bytes);
    return !decoder.hasError();
}

QString decoded(const QByteArray &bytes, bool utf8)
{
    if (!utf8)
        return decodeWindows1252(bytes.constData(), std::size_t(bytes.size()));
    QByteArrayView view(bytes);
    if (view.startsWith(Utf8Mark))
        view = view.sliced(Utf8Mark.size());
    return QString::fromUtf8(view);
}

// The separator that occurs most often outside quotes in the first line; ";" when none does.
QChar separatorOf(QStringView text)
{
    int semicolons = 0, commas = 0, tabs = 0;
    bool quoted = false;
    for (QChar c : text) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (!quoted && (c == QLatin1Char('\n') || c == QLatin1Char('\r')))
            break;
        else if (!quoted && c == QLatin1Char(';'))
            ++semicolons;
        else if (!quoted && c == QLatin1Char(','))
            ++commas;
        else if (!quoted && c == QLatin1Char('\t'))
            ++tabs;
    }
    if (tabs > semicolons && tabs > commas)
        return QLatin1Char('\t');
    if (commas > semicolons)
        return QLatin1Char(',');
    return QLatin1Char(';');
}
} // namespace

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

CsvFormat detectCsvFormat(const QByteArray &bytes)
{
    CsvFormat format;
    format.utf8 = isUtf8(bytes);
    format.separator = separatorOf(decoded(bytes.left(64 * 1024), format.utf8));
    return format;
}

Result<ImportTable> parseCsv(const QByteArray &bytes, const QString &path)
{
    ImportBudget budget(bytes.size());
    const CsvFormat format = detectCsvFormat(bytes);
    const QString text = decoded(bytes, format.utf8);
    budget.take(text.size() * 2);

    std::vector<ImportRow> rows;
    std::vector<int> numbers;
    ImportRow row;
    int column = 0;
    QString field;
    bool quoted = false;
    int line = 1, rowStart = 1;
    std::optional<FileError> refused;
    const auto endField = [&] {
        if (!field.trimmed().isEmpty()) {
            if (column >= MaxImportColumns)
                refused = FileError {path, tooManyColumnsText(rowStart, QString::number(column + 1))};
            else if (!budget.take(qsizetype(sizeof(ImportRow::value_type)) + field.size() * 2))
                refused = FileError {path, tooMuchMemoryText()};
            else
                row.emplace_back(column, field);
        }
        ++column;
        field.clear();
    };
    const auto endRow = [&] {
        endField();
        if (!row.empty()) {
            rows.push_back(std::move(row));
            numbers.push_back(rowStart);
            // The header and MaxImportRows rows of drivers.
            if (int(rows.size()) > MaxImportRows + 1)
                refused = FileError {path, tooManyRowsText()};
        }
        row = ImportRow();
        column = 0;
    };
    for (qsizetype i = 0; i < text.size() && !refused; ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
                    field += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                if (c == QLatin1Char('\n'))
                    ++line;
                field += c;
            }
        } else if (c == QLatin1Char('"') && field.trimmed().isEmpty()) {
            field.clear();
            quoted = true;
        } else if (c == format.separator) {
            endField();
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
            endRow();
            rowStart = ++line;
        } else {
            field += c;
        }
    }
    if (!refused && (!field.isEmpty() || !row.empty() || column > 0))
        endRow();
    if (refused)
        return *refused;

    ImportTable table = tableFromRows(std::move(rows), numbers);
    const QString separator = format.separator == QLatin1Char('\t') ? QStringLiteral("Tabulator")
        : format.separator == QLatin1Char(',')                      ? QStringLiteral("Komma")
                                                                    : QStringLiteral("Semikolon");
    table.description = QStringLiteral("CSV, %1, %2")
                            .arg(format.utf8 ? QStringLiteral("UTF-8") : QStringLiteral("Windows-1252"), separator);
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

Result<ImportTable> readCsvTable(const QString &path)
{
    const Result<QByteArray> bytes = readImportFile(path);
    if (!bytes)
        return bytes.error();
    return parseCsv(bytes.value(), path);
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
