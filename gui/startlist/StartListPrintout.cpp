#include "gui/startlist/StartListPrintout.h"

#include "gui/common/PrintedPage.h"

#include "core/protocol/ProtocolExport.h"
#include "gui/common/OperatorDialogs.h"
#include "gui/common/PreviewPdf.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QRegularExpression>

#include <array>
#include <cmath>
#include <memory>

namespace {
enum Column { StartNr, Name, Age, Club, Time1, FP1, FS1, Time2, FP2, FS2, ColumnCount };
constexpr std::array<double, ColumnCount> Weights {9, 25, 6, 18, 12, 5, 5, 12, 5, 5};

using PrintedPage::font;

struct Geometry
{
    std::array<double, ColumnCount> left {}, width {};
    double titleHeight = 0, factsHeight = 0, headingHeight = 0, rowHeight = 0, footerHeight = 0, padding = 0;
    int rowsPerPage = 1;
};

Geometry layOut(const QPaintDevice &device, const QRectF &page)
{
    Geometry g;
    const double mm = device.logicalDpiY() / 25.4;
    double sum = 0;
    for (double w : Weights)
        sum += w;
    double x = page.left();
    for (int c = 0; c < ColumnCount; ++c) {
        g.left[std::size_t(c)] = x;
        g.width[std::size_t(c)] = page.width() * Weights[std::size_t(c)] / sum;
        x += g.width[std::size_t(c)];
    }
    g.titleHeight = std::ceil(9 * mm);
    g.factsHeight = std::ceil(8 * mm);
    g.headingHeight = std::ceil(10 * mm);
    // Room to write a time by hand.
    g.rowHeight = std::ceil(8 * mm);
    g.footerHeight = std::ceil(8 * mm);
    g.padding = 1.2 * mm;
    const double forRows = page.height() - g.titleHeight - g.factsHeight - g.headingHeight - g.footerHeight;
    g.rowsPerPage = std::max(1, int(forRows / g.rowHeight));
    return g;
}

int pagesOf(const StartListSheet &sheet, int rowsPerPage)
{
    return std::max(1, (sheet.list.count() + rowsPerPage - 1) / rowsPerPage);
}

QString safeFileName(QString name)
{
    static const QRegularExpression unsafe(QStringLiteral("[/\\\\:*?\"<>|\\x00-\\x1f]"));
    return name.replace(unsafe, QStringLiteral("_")).trimmed();
}
} // namespace

StartListPrintout::StartListPrintout(const StartListSheets &sheets)
    : m_sheets(sheets)
{
}

QPageLayout StartListPrintout::defaultPageLayout()
{
    return PrintedPage::a4(QPageLayout::Portrait);
}

int StartListPrintout::paint(QPagedPaintDevice &device) const
{
    QPainter painter;
    if (!painter.begin(&device))
        return 0;
    const QRectF page(0, 0, device.width(), device.height());
    const Geometry g = layOut(device, page);
    const double line = PrintedPage::ruleWidth(device);
    const QFont title = font(15, true), facts = font(10), heading = font(9, true), body = font(10);
    const QColor shade(0xF2, 0xF2, 0xF6), headingShade(0xDD, 0xDD, 0xEE);

    int totalPages = 0;
    for (const StartListSheet &sheet : m_sheets.classes)
        totalPages += pagesOf(sheet, g.rowsPerPage);

    const QFontMetricsF metrics(body, &device);
    int pageNumber = 0;
    for (const StartListSheet &sheet : m_sheets.classes) {
        const int pages = pagesOf(sheet, g.rowsPerPage);
        for (int p = 0; p < pages; ++p) {
            if (pageNumber > 0)
                device.newPage();
            ++pageNumber;
            double y = page.top();
            painter.setPen(Qt::black);
            painter.setFont(title);
            painter.drawText(QRectF(page.left(), y, page.width(), g.titleHeight), Qt::AlignLeft | Qt::AlignTop,
                             m_sheets.title());
            y += g.titleHeight;
            painter.setFont(facts);
            painter.drawText(QRectF(page.left(), y, page.width(), g.factsHeight), Qt::AlignLeft | Qt::AlignTop,
                             QStringLiteral("Klasse: %1      %2").arg(sheet.className, m_sheets.facts()));
            y += g.factsHeight;

            // Two heading lines: the runs over their three boxes, then the columns.
            painter.fillRect(QRectF(page.left(), y, page.width(), g.headingHeight), headingShade);
            painter.setFont(heading);
            const double half = g.headingHeight / 2;
            const auto headingCell = [&](int first, int last, double top, double height, const QString &text) {
                const double left = g.left[std::size_t(first)];
                const double right = g.left[std::size_t(last)] + g.width[std::size_t(last)];
                const QRectF cell(left + g.padding, top, right - left - 2 * g.padding, height);
                painter.drawText(cell, (first >= Time1 ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter, text);
            };
            headingCell(Time1, FS1, y, half, QStringLiteral("Lauf 1"));
            headingCell(Time2, FS2, y, half, QStringLiteral("Lauf 2"));
            const std::array<QString, ColumnCount> titles {
                QStringLiteral("Start-Nr"), QStringLiteral("Name"), QStringLiteral("Alter"), m_sheets.clubTitle,
                QStringLiteral("Zeit"),     QStringLiteral("FP"),   QStringLiteral("FS"),    QStringLiteral("Zeit"),
                QStringLiteral("FP"),       QStringLiteral("FS")};
            for (int c = 0; c < ColumnCount; ++c)
                headingCell(c, c, c >= Time1 ? y + half : y, c >= Time1 ? half : g.headingHeight,
                            titles[std::size_t(c)]);
            y += g.headingHeight;

            painter.setFont(body);
            const int first = p * g.rowsPerPage;
            const int last = std::min(sheet.list.count(), first + g.rowsPerPage);
            for (int i = first; i < last; ++i) {
                if ((i - first) % 2 == 1)
                    painter.fillRect(QRectF(page.left(), y, page.width(), g.rowHeight), shade);
                const std::array<QString, 4> texts {
                    sheet.list.text(i, ListField::StartNr), sheet.list.text(i, ListField::Name),
                    sheet.list.text(i, ListField::Age),
                    sheet.list.text(i, ListField(int(ListField::Info1) + m_sheets.clubField - 1))};
                painter.setPen(Qt::black);
                for (int c = 0; c <= Club; ++c) {
                    const double width = g.width[std::size_t(c)] - 2 * g.padding;
                    const QString text = metrics.elidedText(texts[std::size_t(c)], Qt::ElideRight, width);
                    painter.drawText(QRectF(g.left[std::size_t(c)] + g.padding, y, width, g.rowHeight),
                                     Qt::AlignLeft | Qt::AlignVCenter, text);
                }
                painter.setPen(QPen(Qt::black, line));
                for (int c = Time1; c < ColumnCount; ++c) {
                    const double inset = g.padding;
                    painter.drawRect(QRectF(g.left[std::size_t(c)] + inset, y + inset,
                                            g.width[std::size_t(c)] - 2 * inset, g.rowHeight - 2 * inset));
                }
                y += g.rowHeight;
            }

            painter.setFont(facts);
            PrintedPage::drawFooter(
                painter, page, g.footerHeight,
                {QStringLiteral("%1 \u2013 %2")
                     .arg(sheet.className, m_sheets.event.date.toString(QStringLiteral("dd.MM.yyyy"))),
                 {},
                 pageNumber,
                 totalPages});
        }
    }
    painter.end();
    return pageNumber;
}

namespace {
void saveStartListPdf(QPrintPreviewDialog *dialog, const StartListSheets &sheets)
{
    static QString folder = QDir::homePath();
    const QString what = sheets.classes.size() == 1 ? sheets.classes.front().className : QObject::tr("All classes");
    const QString proposed = safeFileName(QStringLiteral("%1 %2 %3")
                                              .arg(QObject::tr("Start list"), what,
                                                   sheets.event.date.toString(QStringLiteral("yyyy-MM-dd"))))
        + QStringLiteral(".pdf");
    savePreviewAsPdf(dialog, proposed, sheets.title(), folder,
                     [&sheets](QPagedPaintDevice &pdf) { return StartListPrintout(sheets).paint(pdf); });
}
} // namespace

void printStartLists(QWidget *parent, const ClassStore &store, const RaceRules &rules)
{
    Result<StartListSheets> current = startListSheets(store, rules, false);
    if (!current) {
        OperatorDialogs::showError(parent, current.error().message());
        return;
    }
    // The preview keeps its own copy; the switch to all classes reads the class files then.
    auto sheets = std::make_shared<StartListSheets>(current.value());
    auto *all = new QAction(QObject::tr("All classes"));
    all->setObjectName(QStringLiteral("actAllClasses"));
    all->setCheckable(true);
    const PdfPreview preview = makePdfPreview(
        parent, QStringLiteral("StartListPreview"), QObject::tr("Start list %1").arg(sheets->classes.front().className),
        StartListPrintout::defaultPageLayout(),
        [sheets](QPrinter &printer) { StartListPrintout(*sheets).paint(printer); }, {all});
    // Named pointers, not a structured binding: clang 14 cannot capture those in a lambda.
    QPrintPreviewDialog *const dialog = preview.dialog;
    QAction *const save = preview.savePdf;
    QObject::connect(all, &QAction::toggled, dialog, [dialog, sheets, &store, rules](bool on) {
        Result<StartListSheets> chosen = startListSheets(store, rules, on);
        if (!chosen) {
            OperatorDialogs::showError(dialog, chosen.error().message());
            return;
        }
        *sheets = chosen.value();
        if (QPrintPreviewWidget *view = dialog->findChild<QPrintPreviewWidget *>())
            view->updatePreview();
    });
    QObject::connect(save, &QAction::triggered, dialog, [dialog, sheets] { saveStartListPdf(dialog, *sheets); });
    dialog->open();
}
