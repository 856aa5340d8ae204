#include "core/import/CsvTable.h"

#include "core/startlist/CodePage1252.h"

#include <QStringDecoder>

#include <algorithm>
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

Result<ImportTable> readCsvTable(const QString &path)
{
    const Result<QByteArray> bytes = readImportFile(path);
    if (!bytes)
        return bytes.error();
    return parseCsv(bytes.value(), path);
}
