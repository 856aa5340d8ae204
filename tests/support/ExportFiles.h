#pragma once

#include <QFile>
#include <QList>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QXmlStreamReader>

// Reads back what the exports wrote: workbooks through Debian's unzip, PDF files through
// poppler-utils' pdftotext (scripts/setup.sh installs both). A missing tool is a failure with a
// clear message, never a silent skip.
namespace ExportFiles {

// Runs a tool and gives its standard output; failure names the tool and what went wrong.
inline QByteArray runTool(const QString &tool, const QStringList &arguments, QString &failure)
{
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty()) {
        failure = QStringLiteral("'%1' is missing; scripts/setup.sh installs it").arg(tool);
        return {};
    }
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60'000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        failure
            = QStringLiteral("%1 %2 failed: %3")
                  .arg(tool, arguments.join(QLatin1Char(' ')), QString::fromLocal8Bit(process.readAllStandardError()));
        return {};
    }
    return process.readAllStandardOutput();
}

inline QByteArray zipEntry(const QString &zip, const QString &entry, QString &failure)
{
    return runTool(QStringLiteral("unzip"), {QStringLiteral("-p"), zip, entry}, failure);
}

inline QStringList zipEntries(const QString &zip, QString &failure)
{
    const QByteArray listing = runTool(QStringLiteral("unzip"), {QStringLiteral("-Z1"), zip}, failure);
    return QString::fromUtf8(listing).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// One cell as the sheet holds it.
struct Cell
{
    QString text;
    // 's' shared or inline string, 'n' number, 'f' formula.
    char type = 'n';
    friend bool operator==(const Cell &, const Cell &) = default;
};

struct Sheet
{
    QString name;
    // Cells by row and column, both counted from 0.
    QMap<int, QMap<int, Cell>> rows;

    Cell at(int row, int column) const { return rows.value(row).value(column); }
    QString text(int row, int column) const { return at(row, column).text; }
    // The texts of one row, empty cells as empty texts, up to the last cell.
    QStringList rowTexts(int row) const
    {
        QStringList texts;
        const QMap<int, Cell> cells = rows.value(row);
        if (cells.isEmpty())
            return texts;
        for (int c = 0; c <= cells.lastKey(); ++c)
            texts << cells.value(c).text;
        return texts;
    }
};

inline int columnOf(QStringView reference)
{
    int column = 0;
    for (const QChar ch : reference) {
        if (!ch.isLetter())
            break;
        column = column * 26 + (ch.toUpper().unicode() - 'A' + 1);
    }
    return column - 1;
}

inline int rowOf(QStringView reference)
{
    qsizetype i = 0;
    while (i < reference.size() && reference[i].isLetter())
        ++i;
    return reference.mid(i).toInt() - 1;
}

// Every sheet of a workbook, in the workbook's order.
inline QList<Sheet> readWorkbook(const QString &path, QString &failure)
{
    QList<Sheet> sheets;
    const QStringList entries = zipEntries(path, failure);
    if (!failure.isEmpty())
        return sheets;

    QStringList shared;
    if (entries.contains(QStringLiteral("xl/sharedStrings.xml"))) {
        QXmlStreamReader xml(zipEntry(path, QStringLiteral("xl/sharedStrings.xml"), failure));
        QString current;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == QLatin1String("si"))
                current.clear();
            else if (xml.isStartElement() && xml.name() == QLatin1String("t"))
                current += xml.readElementText();
            else if (xml.isEndElement() && xml.name() == QLatin1String("si"))
                shared << current;
        }
    }

    QXmlStreamReader book(zipEntry(path, QStringLiteral("xl/workbook.xml"), failure));
    while (!book.atEnd()) {
        book.readNext();
        if (book.isStartElement() && book.name() == QLatin1String("sheet"))
            sheets.append(Sheet {book.attributes().value(QLatin1String("name")).toString(), {}});
    }
    for (int i = 0; i < sheets.size() && failure.isEmpty(); ++i) {
        QXmlStreamReader xml(zipEntry(path, QStringLiteral("xl/worksheets/sheet%1.xml").arg(i + 1), failure));
        int row = 0, column = 0;
        QString type;
        Cell cell;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == QLatin1String("c")) {
                const QString reference = xml.attributes().value(QLatin1String("r")).toString();
                row = rowOf(reference);
                column = columnOf(reference);
                type = xml.attributes().value(QLatin1String("t")).toString();
                cell = Cell {{}, type == QLatin1String("s") || type == QLatin1String("inlineStr") ? 's' : 'n'};
            } else if (xml.isStartElement() && xml.name() == QLatin1String("f")) {
                cell.type = 'f';
                cell.text = xml.readElementText();
            } else if (xml.isStartElement() && xml.name() == QLatin1String("v") && cell.type != 'f') {
                const QString value = xml.readElementText();
                cell.text = type == QLatin1String("s") ? shared.value(value.toInt()) : value;
            } else if (xml.isStartElement() && xml.name() == QLatin1String("t") && cell.type == 's') {
                cell.text += xml.readElementText();
            } else if (xml.isEndElement() && xml.name() == QLatin1String("c")) {
                sheets[i].rows[row][column] = cell;
            }
        }
        if (xml.hasError())
            failure = QStringLiteral("sheet %1: %2").arg(i + 1).arg(xml.errorString());
    }
    return sheets;
}

// The text of each page of a PDF file, in layout mode (one printed row per line).
inline QStringList pdfPages(const QString &path, QString &failure)
{
    const QByteArray text = runTool(
        QStringLiteral("pdftotext"),
        {QStringLiteral("-layout"), QStringLiteral("-enc"), QStringLiteral("UTF-8"), path, QStringLiteral("-")},
        failure);
    QStringList pages = QString::fromUtf8(text).split(QLatin1Char('\f'));
    // pdftotext ends the last page with a form feed too.
    if (!pages.isEmpty() && pages.constLast().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

} // namespace ExportFiles
