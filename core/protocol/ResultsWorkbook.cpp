#include "core/protocol/ResultsWorkbook.h"

#include "core/marks/HandTimes.h"
#include "core/protocol/ExportedResults.h"
#include "core/protocol/ProtocolExport.h"

#include <QCoreApplication>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <memory>

namespace {
constexpr lxw_row_t HeadingRow = 5;
constexpr int MaxCellText = 32767;
constexpr std::uint8_t PaperA4 = 9;
constexpr double HundredthsPerDay = 24.0 * 60 * 60 * 100;

struct WorkbookCloser
{
    void operator()(lxw_workbook *workbook) const { workbook_close(workbook); }
};

double columnWidth(ListField column)
{
    switch (column) {
    case ListField::Place:
        return 6;
    case ListField::Number:
        return 5;
    case ListField::StartNr:
        return 8;
    case ListField::Name:
        return 26;
    case ListField::Age:
        return 6;
    case ListField::Info1:
    case ListField::Info2:
    case ListField::Info3:
        return 14;
    default:
        return resultColumnKind(column) == ResultKind::Time ? 10 : 5;
    }
}

QByteArray cellText(const QString &text)
{
    return text.left(MaxCellText).toUtf8();
}

// A start number or an age that is a plain whole number sorts as one; anything else stays text.
bool isPlainWholeNumber(const QString &text)
{
    static const QRegularExpression digits(QStringLiteral("^-?[0-9]{1,9}$"));
    return digits.match(text).hasMatch();
}

class SheetWriter final
{
public:
    SheetWriter(lxw_workbook *workbook, lxw_worksheet *sheet)
        : m_sheet(sheet)
    {
        m_title = workbook_add_format(workbook);
        format_set_bold(m_title);
        format_set_font_size(m_title, 14);
        m_label = workbook_add_format(workbook);
        format_set_bold(m_label);
        m_heading = workbook_add_format(workbook);
        format_set_bold(m_heading);
        format_set_bg_color(m_heading, 0xDDDDEE);
        format_set_bottom(m_heading, LXW_BORDER_THIN);
        format_set_align(m_heading, LXW_ALIGN_CENTER);
        m_centred = workbook_add_format(workbook);
        format_set_align(m_centred, LXW_ALIGN_CENTER);
        // A day fraction, so times sort and sum; [mm] counts minutes past the hour.
        m_time = workbook_add_format(workbook);
        format_set_align(m_time, LXW_ALIGN_CENTER);
        format_set_num_format(m_time, "[mm]:ss.00");
    }

    void write(const ResultsDocument &document, const ClassResults &results)
    {
        text(0, 0, document.title(), m_title);
        text(1, 0, QStringLiteral("Klasse"), m_label);
        text(1, 1, results.className);
        text(2, 0, QStringLiteral("Datum"), m_label);
        text(2, 1, document.dateText());
        text(3, 0, QStringLiteral("Strafsekunden FP/FS"), m_label);
        text(3, 1, document.penaltySecondsText());
        text(4, 0, QStringLiteral("Wertung"), m_label);
        text(4, 1, document.scoringText);

        // A class with hand times gets a narrow column after each run's time: the time stays a number
        // and the mark travels with its row when a club sorts or filters the sheet.
        m_handColumns = hasHandTimes(results);
        m_columns = document.columns();
        const std::vector<ListField> &columns = m_columns;
        for (const ListField column : columns) {
            const int at = sheetColumn(column);
            worksheet_set_column(m_sheet, lxw_col_t(at), lxw_col_t(at), columnWidth(column), nullptr);
            text(HeadingRow, at, document.heading(column), m_heading);
            if (m_handColumns && isRunTime(column)) {
                worksheet_set_column(m_sheet, lxw_col_t(at + 1), lxw_col_t(at + 1), 3, nullptr);
                text(HeadingRow, at + 1, handTimeMark(), m_heading);
            }
        }
        lxw_row_t row = HeadingRow + 1;
        for (const ResultLine *line : exportedLines(results)) {
            for (const ListField column : columns) {
                cell(row, sheetColumn(column), column, *line);
                if (m_handColumns && isHandTime(*line, column))
                    text(row, sheetColumn(column) + 1, handTimeMark(), m_centred);
            }
            ++row;
        }
        // A blank row keeps the legend and the notes out of the range a spreadsheet sorts.
        if (m_handColumns)
            text(++row, 0, handTimeLegend());
        for (const QString &note : results.notes)
            text(++row, 0, note);

        worksheet_freeze_panes(m_sheet, HeadingRow + 1, 0);
        worksheet_set_landscape(m_sheet);
        worksheet_set_paper(m_sheet, PaperA4);
        worksheet_fit_to_pages(m_sheet, 1, 0);
        worksheet_repeat_rows(m_sheet, HeadingRow, HeadingRow);
        worksheet_set_footer(m_sheet, "&CSeite &P von &N");
    }

    lxw_error error() const { return m_error; }

private:
    static bool isRunTime(ListField column) { return column == ListField::Time1 || column == ListField::Time2; }

    int sheetColumn(ListField column) const
    {
        // After each run's time, its hand-time column.
        int at = 0;
        for (const ListField shown : m_columns) {
            if (shown == column)
                break;
            at += m_handColumns && isRunTime(shown) ? 2 : 1;
        }
        return at;
    }

    void cell(lxw_row_t row, int c, ListField column, const ResultLine &line)
    {
        // The mark has a column of its own; the cell keeps the time alone.
        const QString shown = isHandTime(line, column) ? line.text(column) : exportedText(line, column);
        switch (resultColumnKind(column)) {
        case ResultKind::WholeNumber:
            // An empty place stays an empty cell; a mark in its place stays text.
            if (column == ListField::Place && !shown.isEmpty() && line.value(column) == 0)
                text(row, c, shown, m_centred);
            else if (!shown.isEmpty())
                number(row, c, line.value(column));
            return;
        case ResultKind::Time:
            if (const std::optional<std::int64_t> hundredths = exportedHundredths(line, column))
                number(row, c, double(*hundredths) / HundredthsPerDay, m_time);
            else if (!shown.isEmpty())
                text(row, c, shown, m_centred);
            return;
        case ResultKind::Text:
            if ((column == ListField::StartNr || column == ListField::Age) && isPlainWholeNumber(shown))
                number(row, c, shown.toInt());
            else if (!shown.isEmpty())
                text(row, c, shown);
            return;
        }
    }

    void text(lxw_row_t row, int c, const QString &value, lxw_format *format = nullptr)
    {
        keep(worksheet_write_string(m_sheet, row, lxw_col_t(c), cellText(value).constData(), format));
    }

    void number(lxw_row_t row, int c, double value, lxw_format *format = nullptr)
    {
        keep(worksheet_write_number(m_sheet, row, lxw_col_t(c), value, format ? format : m_centred));
    }

    void keep(lxw_error error)
    {
        if (m_error == LXW_NO_ERROR)
            m_error = error;
    }

    lxw_worksheet *m_sheet;
    lxw_format *m_title = nullptr;
    lxw_format *m_label = nullptr;
    lxw_format *m_heading = nullptr;
    lxw_format *m_centred = nullptr;
    lxw_format *m_time = nullptr;
    lxw_error m_error = LXW_NO_ERROR;
    bool m_handColumns = false;
    std::vector<ListField> m_columns;
};

std::unique_ptr<QTemporaryFile> scratchFile(const QString &folder)
{
    for (const QString &place : {folder, QDir::tempPath()}) {
        auto file = std::make_unique<QTemporaryFile>(QDir(place).filePath(QStringLiteral(".zorvexa-XXXXXX.xlsx")));
        if (file->open()) {
            file->close();
            return file;
        }
    }
    return nullptr;
}

// The operator's words for a failure of the library: the system's reason where a file operation
// failed, else a plain statement.
QString libraryReason(lxw_error error, int systemError)
{
    switch (error) {
    case LXW_ERROR_CREATING_XLSX_FILE:
    case LXW_ERROR_CREATING_TMPFILE:
    case LXW_ERROR_ZIP_FILE_OPERATION:
    case LXW_ERROR_ZIP_FILE_ADD:
    case LXW_ERROR_ZIP_CLOSE:
        if (systemError != 0)
            return fileErrorText(systemError);
        break;
    default:
        break;
    }
    return QCoreApplication::translate("ResultsWorkbook", "The workbook could not be made (%1).")
        .arg(QString::fromUtf8(lxw_strerror(error)));
}
} // namespace

QString workbookSheetName(const QString &className, const QStringList &taken)
{
    QString base = className;
    static const QRegularExpression forbidden(QStringLiteral("[\\[\\]:*?/\\\\]"));
    base.replace(forbidden, QStringLiteral("_"));
    base = base.trimmed();
    while (base.startsWith(QLatin1Char('\'')))
        base.remove(0, 1);
    while (base.endsWith(QLatin1Char('\'')))
        base.chop(1);
    if (base.isEmpty())
        base = QStringLiteral("Klasse");
    const auto isTaken = [&taken](const QString &name) { return taken.contains(name, Qt::CaseInsensitive); };
    QString name = base.left(31);
    for (int n = 2; isTaken(name); ++n) {
        const QString suffix = QStringLiteral(" (%1)").arg(n);
        name = base.left(31 - suffix.size()) + suffix;
    }
    return name;
}

namespace {
// Every class's club ranking on one sheet, one block per class.
lxw_error writeClubSheet(lxw_workbook *workbook, lxw_worksheet *sheet, const ResultsDocument &document)
{
    lxw_format *bold = workbook_add_format(workbook);
    format_set_bold(bold);
    lxw_format *time = workbook_add_format(workbook);
    format_set_num_format(time, "[mm]:ss.00");
    lxw_error error = LXW_NO_ERROR;
    const auto keep = [&error](lxw_error e) {
        if (error == LXW_NO_ERROR)
            error = e;
    };
    const auto text = [&](lxw_row_t row, lxw_col_t column, const QString &value, lxw_format *format = nullptr) {
        keep(worksheet_write_string(sheet, row, column, cellText(value).constData(), format));
    };
    worksheet_set_column(sheet, 1, 1, 30, nullptr);
    worksheet_set_column(sheet, 2, 3, 16, nullptr);
    lxw_row_t row = 0;
    text(row, 0, document.title(), bold);
    text(++row, 0, QStringLiteral("Wertung"), bold);
    text(row, 1, document.scoringText);
    for (const ClassResults &results : document.classes) {
        if (results.clubs.empty())
            continue;
        row += 2;
        text(row, 0, results.className + QStringLiteral(" \u2013 ") + clubRankingTitle(results.clubBest), bold);
        ++row;
        const QStringList headings {QStringLiteral("Platz"), results.clubTitle, QStringLiteral("Summe"),
                                    QStringLiteral("Gewertete Fahrer")};
        for (int c = 0; c < headings.size(); ++c)
            text(row, lxw_col_t(c), headings[c], bold);
        for (const ClubStanding &club : results.clubs) {
            ++row;
            if (club.place > 0)
                keep(worksheet_write_number(sheet, row, 0, club.place, nullptr));
            text(row, 1, club.club);
            if (const std::optional<std::int64_t> hundredths = clubTotalHundredths(club))
                keep(worksheet_write_number(sheet, row, 2, double(*hundredths) / HundredthsPerDay, time));
            keep(worksheet_write_number(sheet, row, 3, countedDrivers(club, results.clubBest), nullptr));
        }
    }
    return error;
}
} // namespace

Result<QByteArray> resultsWorkbook(const ResultsDocument &document, const QString &path)
{
    // The scratch file is hidden and removed again: a failure names the file the operator chose.
    const std::unique_ptr<QTemporaryFile> scratch = scratchFile(QFileInfo(path).absolutePath());
    if (!scratch)
        return FileError {
            path, QCoreApplication::translate("ResultsWorkbook", "No temporary file could be made for the workbook.")};
    const QString scratchPath = scratch->fileName();

    lxw_error failure = LXW_NO_ERROR;
    int systemError = 0;
    {
        const QByteArray name = QFile::encodeName(scratchPath);
        errno = 0;
        std::unique_ptr<lxw_workbook, WorkbookCloser> workbook(workbook_new(name.constData()));
        if (!workbook)
            return FileError {path, libraryReason(LXW_ERROR_CREATING_XLSX_FILE, errno)};
        QStringList sheetNames;
        for (const ClassResults &results : document.classes) {
            sheetNames << workbookSheetName(results.className, sheetNames);
            lxw_worksheet *sheet = workbook_add_worksheet(workbook.get(), cellText(sheetNames.constLast()).constData());
            if (!sheet)
                return FileError {path, libraryReason(LXW_ERROR_SHEETNAME_ALREADY_USED, 0)};
            SheetWriter writer(workbook.get(), sheet);
            writer.write(document, results);
            if (writer.error() != LXW_NO_ERROR)
                return FileError {path, libraryReason(writer.error(), 0)};
        }
        if (std::any_of(document.classes.begin(), document.classes.end(),
                        [](const ClassResults &results) { return !results.clubs.empty(); })) {
            sheetNames << workbookSheetName(QStringLiteral("Vereinswertung"), sheetNames);
            lxw_worksheet *sheet = workbook_add_worksheet(workbook.get(), cellText(sheetNames.constLast()).constData());
            if (!sheet)
                return FileError {path, libraryReason(LXW_ERROR_SHEETNAME_ALREADY_USED, 0)};
            const lxw_error written = writeClubSheet(workbook.get(), sheet, document);
            if (written != LXW_NO_ERROR)
                return FileError {path, libraryReason(written, 0)};
        }
        errno = 0;
        failure = workbook_close(workbook.release());
        systemError = errno;
    }
    if (failure != LXW_NO_ERROR)
        return FileError {path, libraryReason(failure, systemError)};

    QFile made(scratchPath);
    if (!made.open(QIODevice::ReadOnly))
        return FileError {path, QCoreApplication::translate("ResultsWorkbook", "The workbook could not be read back.")};
    return made.readAll();
}

FileResult writeResultsWorkbook(const QString &path, const ResultsDocument &document)
{
    const Result<QByteArray> bytes = resultsWorkbook(document, path);
    if (!bytes)
        return bytes.error();
    return writeExportFile(path, bytes.value());
}
