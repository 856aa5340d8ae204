#include "gui/journal/HistoryPrintout.h"

#include "gui/common/PrintedPage.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace {
// Row, when, participant, what, old -> new, source, reason.
constexpr std::array<double, 7> Weights {5, 11, 16, 14, 17, 9, 28};

using PrintedPage::font;
} // namespace

HistoryPrintout::HistoryPrintout(const HistorySheet &sheet)
    : m_sheet(sheet)
{
}

QPageLayout HistoryPrintout::defaultPageLayout()
{
    return PrintedPage::a4(QPageLayout::Landscape);
}

int HistoryPrintout::paint(QPagedPaintDevice &device) const
{
    QPainter painter;
    if (!painter.begin(&device))
        return 0;
    const QRectF page(0, 0, device.width(), device.height());
    const double mm = device.logicalDpiY() / 25.4;
    const QFont title = font(14, true), facts = font(9.5), heading = font(8.5, true), body = font(8.5);
    const QFontMetricsF metrics(body, &device);
    const double padding = 1.2 * mm;
    const double titleHeight = std::ceil(8 * mm), factsHeight = std::ceil(7 * mm), footerHeight = std::ceil(8 * mm);
    const double headingHeight = std::ceil(metrics.height() + 2 * padding);

    const int columns = int(std::min<std::size_t>(Weights.size(), std::size_t(m_sheet.headings.size())));
    double sum = 0;
    for (int c = 0; c < columns; ++c)
        sum += Weights[std::size_t(c)];
    std::vector<double> left(static_cast<std::size_t>(columns)), width(static_cast<std::size_t>(columns));
    double x = page.left();
    for (int c = 0; c < columns; ++c) {
        left[std::size_t(c)] = x;
        width[std::size_t(c)] = page.width() * Weights[std::size_t(c)] / sum;
        x += width[std::size_t(c)];
    }
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
    const double bodyTop = page.top() + titleHeight + factsHeight + headingHeight;
    const double bodyBottom = page.bottom() - footerHeight;
    // Each row as tall as its longest wrapped text, at most the page's room for rows.
    std::vector<double> heights;
    heights.reserve(std::size_t(m_sheet.rows.size()));
    for (const QStringList &row : m_sheet.rows) {
        double h = metrics.height();
        for (int c = 0; c < columns && c < row.size(); ++c) {
            const QRectF room(0, 0, width[std::size_t(c)] - 2 * padding, 1e6);
            h = std::max(h, metrics.boundingRect(room, flags, row.at(c)).height());
        }
        heights.push_back(std::min(std::ceil(h + padding), bodyBottom - bodyTop));
    }
    // Rows to pages.
    std::vector<int> firstOfPage {0};
    double y = bodyTop;
    for (int i = 0; i < int(heights.size()); ++i) {
        if (y + heights[std::size_t(i)] > bodyBottom && i > firstOfPage.back()) {
            firstOfPage.push_back(i);
            y = bodyTop;
        }
        y += heights[std::size_t(i)];
    }
    const int pages = int(firstOfPage.size());
    const QColor shade(0xF2, 0xF2, 0xF6), headingShade(0xDD, 0xDD, 0xEE);

    for (int p = 0; p < pages; ++p) {
        if (p > 0)
            device.newPage();
        y = page.top();
        painter.setPen(Qt::black);
        painter.setFont(title);
        painter.drawText(QRectF(page.left(), y, page.width(), titleHeight), Qt::AlignLeft | Qt::AlignTop,
                         QStringLiteral("Verlauf \u2013 %1").arg(m_sheet.className));
        y += titleHeight;
        painter.setFont(facts);
        painter.drawText(QRectF(page.left(), y, page.width(), factsHeight), Qt::AlignLeft | Qt::AlignTop,
                         QStringLiteral("Klasse: %1      Teilnehmer: %2      Stand: %3")
                             .arg(m_sheet.className, m_sheet.person.isEmpty() ? QStringLiteral("alle") : m_sheet.person,
                                  m_sheet.printed.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"))));
        y += factsHeight;

        painter.fillRect(QRectF(page.left(), y, page.width(), headingHeight), headingShade);
        painter.setFont(heading);
        for (int c = 0; c < columns; ++c)
            painter.drawText(
                QRectF(left[std::size_t(c)] + padding, y, width[std::size_t(c)] - 2 * padding, headingHeight),
                Qt::AlignLeft | Qt::AlignVCenter, m_sheet.headings.at(c));
        y += headingHeight;

        painter.setFont(body);
        const int first = firstOfPage[std::size_t(p)];
        const int last = p + 1 < pages ? firstOfPage[std::size_t(p + 1)] : int(heights.size());
        for (int i = first; i < last; ++i) {
            const double h = heights[std::size_t(i)];
            if ((i - first) % 2 == 1)
                painter.fillRect(QRectF(page.left(), y, page.width(), h), shade);
            const QStringList &row = m_sheet.rows.at(i);
            for (int c = 0; c < columns && c < row.size(); ++c)
                painter.drawText(QRectF(left[std::size_t(c)] + padding, y + padding / 2,
                                        width[std::size_t(c)] - 2 * padding, h - padding / 2),
                                 flags, row.at(c));
            y += h;
        }
        if (m_sheet.rows.isEmpty())
            painter.drawText(QRectF(page.left() + padding, y + padding, page.width(), metrics.height()),
                             Qt::AlignLeft | Qt::AlignTop, QStringLiteral("Keine Einträge."));

        painter.setFont(facts);
        PrintedPage::drawFooter(painter, page, footerHeight,
                                {QStringLiteral("Verlauf %1 \u2013 %2")
                                     .arg(m_sheet.className, m_sheet.printed.toString(QStringLiteral("dd.MM.yyyy"))),
                                 {},
                                 p + 1,
                                 pages});
    }
    painter.end();
    return pages;
}
