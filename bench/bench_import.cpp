// A club's start list of 300 rows, from a CSV file and from an Excel workbook, read to the preview
// the operator sees: the file read, the columns recognised, every row checked, and the preview
// window filled. Median of 20 rounds each.
// Usage: bench_import
#include "core/import/CsvTable.h"
#include "core/import/StartListImport.h"
#include "core/import/XlsxTable.h"
#include "gui/raceday/Form_Import.h"

#include <xlsxwriter.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
constexpr int Rows = 300;
constexpr int Rounds = 20;

QList<QStringList> sampleRows()
{
    QList<QStringList> rows {{"Start-Nr.", "Nachname", "Vorname", "Jahrgang", "Verein", "Klasse"}};
    for (int i = 0; i < Rows; ++i)
        rows << QStringList {
            QString::number(100 + i),       QStringLiteral("Müller-%1").arg(i),        QStringLiteral("Kim"),
            QString::number(2008 + i % 10), QStringLiteral("MSC Club %1").arg(i % 25), QString::number(1 + i % 10)};
    return rows;
}

bool writeCsv(const QString &path)
{
    QByteArray bytes;
    for (const QStringList &row : sampleRows())
        bytes += row.join(QLatin1Char(';')).toUtf8() + "\r\n";
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool writeXlsx(const QString &path)
{
    lxw_workbook *workbook = workbook_new(QFile::encodeName(path).constData());
    lxw_worksheet *sheet = workbook_add_worksheet(workbook, nullptr);
    const QList<QStringList> rows = sampleRows();
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < rows[r].size(); ++c) {
            bool number = false;
            const double value = rows[r][c].toDouble(&number);
            if (number)
                worksheet_write_number(sheet, lxw_row_t(r), lxw_col_t(c), value, nullptr);
            else
                worksheet_write_string(sheet, lxw_row_t(r), lxw_col_t(c), rows[r][c].toUtf8().constData(), nullptr);
        }
    }
    return workbook_close(workbook) == LXW_NO_ERROR;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void measure(const char *what, const QString &path, bool workbook)
{
    ImportContext context;
    for (int c = 0; c < 10; ++c)
        context.classNames[std::size_t(c)] = QStringLiteral("Klasse %1").arg(c + 1);
    context.eventDate = QDate(2026, 6, 13);
    std::vector<double> core, window;
    int entries = 0;
    for (int round = 0; round < Rounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        const Result<ImportTable> table = workbook ? readXlsxTable(path) : readCsvTable(path);
        if (!table) {
            std::fprintf(stderr, "%s: %s\n", what, qPrintable(table.error().message()));
            return;
        }
        const ImportPreview preview
            = previewImport(table.value(), guessMapping(table.value().headers, context), context);
        core.push_back(timer.nsecsElapsed() / 1e6);
        entries = int(preview.entries.size());
        TfrmImport dialog(QStringLiteral("bench"), table.value(), context, true);
        window.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf("%-5s %d rows -> %d entries: read + preview %.2f ms, with the preview window %.2f ms (median of %d)\n",
                what, Rows, entries, median(core), median(window), Rounds);
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir folder;
    const QString csv = folder.filePath(QStringLiteral("start.csv"));
    const QString xlsx = folder.filePath(QStringLiteral("start.xlsx"));
    if (!writeCsv(csv) || !writeXlsx(xlsx))
        return 1;
    measure("CSV", csv, false);
    measure("XLSX", xlsx, true);
    return 0;
}
