#include "core/import/CsvTable.h"

#include "core/startlist/CodePage1252.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <cerrno>

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

ImportTable tableFromRows(std::vector<QStringList> rows, const std::vector<int> &rowNumbers)
{
    ImportTable table;
    bool header = true;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        QStringList &cells = rows[i];
        for (QString &cell : cells)
            cell = cell.simplified();
        while (!cells.isEmpty() && cells.last().isEmpty())
            cells.removeLast();
        if (cells.isEmpty())
            continue;
        if (header) {
            table.headers = std::move(cells);
            header = false;
            continue;
        }
        table.rows.push_back(std::move(cells));
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

ImportTable parseCsv(const QByteArray &bytes)
{
    const CsvFormat format = detectCsvFormat(bytes);
    const QString text = decoded(bytes, format.utf8);

    std::vector<QStringList> rows;
    std::vector<int> numbers;
    QStringList row;
    QString field;
    bool quoted = false;
    int line = 1, rowStart = 1;
    const auto endRow = [&] {
        row << field;
        field.clear();
        rows.push_back(std::move(row));
        row = QStringList();
        numbers.push_back(rowStart);
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
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
            row << field;
            field.clear();
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
            endRow();
            rowStart = ++line;
        } else {
            field += c;
        }
    }
    if (!field.isEmpty() || !row.isEmpty())
        endRow();

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
    return parseCsv(bytes.value());
}
