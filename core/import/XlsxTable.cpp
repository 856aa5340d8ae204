#include "core/import/XlsxTable.h"

#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <memory>
#include <utility>

#include <unzip.h>

namespace {
QString damaged(const QString &what)
{
    return QStringLiteral("Die Arbeitsmappe ist beschädigt oder keine Excel-Datei (%1).").arg(what);
}

struct CloseZip
{
    void operator()(void *zip) const { unzClose(zip); }
};
using Zip = std::unique_ptr<void, CloseZip>;

// One part of the package, at most MaxImportFileSize unpacked and within the read's budget: a
// small file can unpack to a huge one.
Result<QByteArray> readPart(const Zip &zip, const QString &name, const QString &path, bool required,
                            ImportBudget &budget)
{
    constexpr int CaseInsensitive = 2;
    if (unzLocateFile(zip.get(), name.toUtf8().constData(), CaseInsensitive) != UNZ_OK) {
        if (required)
            return FileError {path, damaged(name)};
        return QByteArray();
    }
    if (unzOpenCurrentFile(zip.get()) != UNZ_OK)
        return FileError {path, damaged(name)};
    QByteArray bytes;
    char chunk[64 * 1024];
    int n = 0;
    while ((n = unzReadCurrentFile(zip.get(), chunk, sizeof chunk)) > 0) {
        bytes.append(chunk, n);
        if (bytes.size() > MaxImportFileSize || !budget.take(n)) {
            unzCloseCurrentFile(zip.get());
            return FileError {path, tooMuchMemoryText()};
        }
    }
    // Closing checks the part's checksum.
    if (unzCloseCurrentFile(zip.get()) != UNZ_OK || n < 0)
        return FileError {path, damaged(name)};
    return bytes;
}

// The text of an <si> or <is> element: its <t> and the <t> of its runs, not the phonetic hints.
QString stringItem(QXmlStreamReader &xml)
{
    QString text;
    const QStringView end = xml.name();
    const QString endName = end.toString();
    int phonetic = 0;
    while (xml.readNext() != QXmlStreamReader::Invalid) {
        if (xml.isStartElement()) {
            if (xml.name() == QLatin1String("rPh"))
                ++phonetic;
            else if (xml.name() == QLatin1String("t") && phonetic == 0)
                text += xml.readElementText(QXmlStreamReader::IncludeChildElements);
        } else if (xml.isEndElement()) {
            if (xml.name() == QLatin1String("rPh"))
                --phonetic;
            else if (xml.name() == endName)
                break;
        }
    }
    return text;
}

Result<QStringList> sharedStrings(const QByteArray &bytes, const QString &path, ImportBudget &budget)
{
    QStringList strings;
    // A workbook without texts may have no table of them.
    if (bytes.isEmpty())
        return strings;
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("si")) {
            strings << stringItem(xml);
            if (!budget.take(qsizetype(sizeof(QString)) + strings.constLast().size() * 2))
                return FileError {path, tooMuchMemoryText()};
        }
    }
    if (xml.hasError())
        return FileError {path, damaged(QStringLiteral("sharedStrings.xml"))};
    return strings;
}

struct FirstSheet
{
    QString name;
    QString part;
};

Result<FirstSheet> firstSheet(const Zip &zip, const QString &path, ImportBudget &budget)
{
    const Result<QByteArray> workbook = readPart(zip, QStringLiteral("xl/workbook.xml"), path, true, budget);
    if (!workbook)
        return workbook.error();
    FirstSheet sheet;
    QString relation;
    QXmlStreamReader xml(workbook.value());
    while (!xml.atEnd() && relation.isEmpty()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("sheet")) {
            sheet.name = xml.attributes().value(QLatin1String("name")).toString();
            for (const QXmlStreamAttribute &attribute : xml.attributes()) {
                if (attribute.name() == QLatin1String("id"))
                    relation = attribute.value().toString();
            }
        }
    }
    if (relation.isEmpty())
        return FileError {path, damaged(QStringLiteral("workbook.xml"))};

    const Result<QByteArray> links = readPart(zip, QStringLiteral("xl/_rels/workbook.xml.rels"), path, true, budget);
    if (!links)
        return links.error();
    QXmlStreamReader rels(links.value());
    while (!rels.atEnd()) {
        if (rels.readNext() == QXmlStreamReader::StartElement && rels.name() == QLatin1String("Relationship")
            && rels.attributes().value(QLatin1String("Id")) == relation) {
            const QString target = rels.attributes().value(QLatin1String("Target")).toString();
            sheet.part = target.startsWith(QLatin1Char('/')) ? target.mid(1) : QStringLiteral("xl/") + target;
            return sheet;
        }
    }
    return FileError {path, damaged(QStringLiteral("workbook.xml.rels"))};
}

// "C12" gives 2 (columns from 0); -1 when the reference has no letters.
int columnOf(QStringView reference)
{
    int column = 0, letters = 0;
    for (QChar c : reference) {
        if (c < QLatin1Char('A') || c > QLatin1Char('Z'))
            break;
        column = column * 26 + (c.unicode() - 'A' + 1);
        if (++letters > 3)
            return -1;
    }
    return letters == 0 ? -1 : column - 1;
}

QString numberText(const QString &value)
{
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok || !std::isfinite(number))
        return value;
    return QString::number(number, 'g', 15);
}

// Column 0 is "A", 26 is "AA".
QString columnName(int column)
{
    QString name;
    for (++column; column > 0; column = (column - 1) / 26)
        name.prepend(QChar(u'A' + (column - 1) % 26));
    return name;
}

struct SparseRow
{
    int number = 0;
    ImportRow cells;
};
} // namespace

Result<ImportTable> readXlsxTable(const QString &path)
{
    const QFileInfo info(path);
    // A FIFO or a device would block the window or never end.
    if (!info.exists())
        return fileError(path, ENOENT);
    if (!info.isFile())
        return FileError {path, QStringLiteral("Das ist keine Datei.")};
    if (info.size() > MaxImportFileSize)
        return FileError {path, QStringLiteral("Die Datei ist zu groß für eine Startliste.")};
    if (!info.isReadable())
        return fileError(path, EACCES);
    const Zip zip(unzOpen64(QFile::encodeName(path).constData()));
    if (!zip)
        return FileError {path, QStringLiteral("Die Datei ist keine Excel-Arbeitsmappe (.xlsx).")};

    ImportBudget budget(info.size());
    const Result<FirstSheet> sheet = firstSheet(zip, path, budget);
    if (!sheet)
        return sheet.error();
    const Result<QByteArray> stringsPart = readPart(zip, QStringLiteral("xl/sharedStrings.xml"), path, false, budget);
    if (!stringsPart)
        return stringsPart.error();
    const Result<QStringList> strings = sharedStrings(stringsPart.value(), path, budget);
    if (!strings)
        return strings.error();
    const Result<QByteArray> sheetPart = readPart(zip, sheet.value().part, path, true, budget);
    if (!sheetPart)
        return sheetPart.error();

    std::vector<SparseRow> sparse;
    QXmlStreamReader xml(sheetPart.value());
    int nextColumn = 0;
    QString type;
    int column = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        const QStringView name = xml.name();
        if (name == QLatin1String("row")) {
            bool ok = false;
            const int number = xml.attributes().value(QLatin1String("r")).toInt(&ok);
            const int previous = sparse.empty() ? 0 : sparse.back().number;
            // A row without a text takes no place.
            if (!sparse.empty() && sparse.back().cells.empty())
                sparse.pop_back();
            sparse.push_back({ok ? number : previous + 1, {}});
            nextColumn = 0;
        } else if (name == QLatin1String("c") && !sparse.empty()) {
            const int given = columnOf(xml.attributes().value(QLatin1String("r")));
            column = given >= 0 ? given : nextColumn;
            nextColumn = column + 1;
            type = xml.attributes().value(QLatin1String("t")).toString();
            QString text;
            bool has = false;
            if (type == QLatin1String("inlineStr")) {
                // <is> holds the text; <v> is not used.
                while (xml.readNextStartElement()) {
                    if (xml.name() == QLatin1String("is")) {
                        text = stringItem(xml);
                        has = true;
                    } else {
                        xml.skipCurrentElement();
                    }
                }
            } else {
                while (xml.readNextStartElement()) {
                    if (xml.name() != QLatin1String("v")) {
                        xml.skipCurrentElement();
                        continue;
                    }
                    const QString value = xml.readElementText();
                    has = true;
                    if (type == QLatin1String("s")) {
                        bool ok = false;
                        const int index = value.toInt(&ok);
                        if (!ok || index < 0 || index >= strings.value().size())
                            return FileError {path, damaged(QStringLiteral("sharedStrings.xml"))};
                        text = strings.value()[index];
                    } else if (type == QLatin1String("b")) {
                        text = value == QLatin1String("1") ? QStringLiteral("WAHR") : QStringLiteral("FALSCH");
                    } else if (type.isEmpty() || type == QLatin1String("n")) {
                        text = numberText(value);
                    } else {
                        text = value;
                    }
                }
            }
            if (!has || text.trimmed().isEmpty())
                continue;
            if (column >= MaxImportColumns)
                return FileError {path, tooManyColumnsText(sparse.back().number, columnName(column))};
            // The header and MaxImportRows rows of drivers.
            if (sparse.back().cells.empty() && int(sparse.size()) > MaxImportRows + 1)
                return FileError {path, tooManyRowsText()};
            if (!budget.take(qsizetype(sizeof(ImportRow::value_type)) + text.size() * 2))
                return FileError {path, tooMuchMemoryText()};
            sparse.back().cells.emplace_back(column, std::move(text));
        }
    }
    if (xml.hasError())
        return FileError {path, damaged(sheet.value().part)};
    if (!sparse.empty() && sparse.back().cells.empty())
        sparse.pop_back();

    std::vector<ImportRow> rows;
    std::vector<int> numbers;
    rows.reserve(sparse.size());
    numbers.reserve(sparse.size());
    for (SparseRow &row : sparse) {
        rows.push_back(std::move(row.cells));
        numbers.push_back(row.number);
    }

    ImportTable table = tableFromRows(std::move(rows), numbers);
    table.description = QStringLiteral("Excel, Blatt „%1“").arg(sheet.value().name);
    return table;
}
