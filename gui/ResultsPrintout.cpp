#include "gui/ResultsPrintout.h"

#include "core/settings/RaceDaySettings.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QRawFont>

#include <algorithm>
#include <array>
#include <cmath>

namespace {
// Relative column widths; the page width is shared out in these proportions.
double columnWeight(ResultColumn column)
{
    switch (column) {
    case ResultColumn::Place:
        return 5;
    case ResultColumn::Number:
        return 5.5;
    case ResultColumn::StartNr:
        return 7.5;
    case ResultColumn::Name:
        return 19;
    case ResultColumn::Info1:
    case ResultColumn::Info2:
    case ResultColumn::Info3:
        return 10;
    default:
        return resultColumnKind(column) == ResultKind::Time ? 8.5 : 4;
    }
}

QFont printFont(double points, bool bold = false)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

struct Geometry
{
    double pointsToPixels = 1;
    QFont title, facts, heading, body;
    double titleHeight = 0, factsHeight = 0, rowHeight = 0, footerHeight = 0, padding = 0;
    std::array<double, ResultColumnCount> left {}, width {};
    int rowsPerPage = 1;
};

Geometry layOut(QPaintDevice &device, const QRectF &page)
{
    Geometry g;
    g.pointsToPixels = device.logicalDpiY() / 72.0;
    double weights = 0;
    for (int c = 0; c < ResultColumnCount; ++c)
        weights += columnWeight(ResultColumn(c));

    // The largest type, up to 8.5 pt, in which a time fits its column.
    double points = 8.5;
    for (; points > 4.5; points -= 0.5) {
        const QFontMetricsF metrics(printFont(points, true), &device);
        const double timeWidth = page.width() * columnWeight(ResultColumn::Time1) / weights;
        if (metrics.horizontalAdvance(QStringLiteral("000:00.00")) <= timeWidth)
            break;
    }
    g.body = printFont(points);
    g.heading = printFont(points, true);
    g.title = printFont(points + 5, true);
    g.facts = printFont(points + 1);
    const QFontMetricsF body(g.body, &device);
    g.padding = body.averageCharWidth() * 0.6;
    g.rowHeight = std::ceil(body.height() * 1.4);
    g.titleHeight = std::ceil(QFontMetricsF(g.title, &device).height() * 1.3);
    g.factsHeight = std::ceil(QFontMetricsF(g.facts, &device).height() * 1.8);
    g.footerHeight = std::ceil(body.height() * 2.0);

    double x = page.left();
    for (int c = 0; c < ResultColumnCount; ++c) {
        g.left[std::size_t(c)] = x;
        g.width[std::size_t(c)] = page.width() * columnWeight(ResultColumn(c)) / weights;
        x += g.width[std::size_t(c)];
    }
    const double forRows = page.height() - g.titleHeight - g.factsHeight - g.rowHeight - g.footerHeight;
    g.rowsPerPage = std::max(1, int(forRows / g.rowHeight));
    return g;
}

bool isLeftAligned(ResultColumn column)
{
    return resultColumnKind(column) == ResultKind::Text && column != ResultColumn::StartNr;
}

// The participants' cells, each distinct text shaped once and drawn as glyphs: a class of 10,000
// is 180,000 cells, and shaping every one of them again in drawText() took most of a second.
class BodyText final
{
public:
    struct Shaped
    {
        QGlyphRun run;
        double advance = 0;
    };

    BodyText(const QFont &font, QPaintDevice &device)
        : m_metrics(font, &device)
        , m_raw(QRawFont::fromFont(font))
    {
        m_raw.setPixelSize(font.pointSizeF() * device.logicalDpiY() / 72.0);
    }

    const QFontMetricsF &metrics() const { return m_metrics; }

    const Shaped &shape(const QString &text)
    {
        auto known = m_shaped.constFind(text);
        if (known != m_shaped.constEnd())
            return *known;
        Shaped shaped;
        const QList<quint32> glyphs = m_raw.isValid() ? m_raw.glyphIndexesForString(text) : QList<quint32>();
        // A character the font lacks (or beyond one glyph per character) goes the long way.
        if (glyphs.size() == text.size() && !glyphs.contains(0)) {
            const QList<QPointF> advances = m_raw.advancesForGlyphIndexes(glyphs);
            QList<QPointF> positions;
            positions.reserve(glyphs.size());
            for (const QPointF &step : advances) {
                positions << QPointF(shaped.advance, 0);
                shaped.advance += step.x();
            }
            shaped.run.setRawFont(m_raw);
            shaped.run.setGlyphIndexes(glyphs);
            shaped.run.setPositions(positions);
        } else {
            shaped.advance = m_metrics.horizontalAdvance(text);
        }
        return *m_shaped.insert(text, shaped);
    }

    void draw(QPainter &painter, const QPointF &baseline, const QString &text, const Shaped &shaped) const
    {
        if (shaped.run.isEmpty())
            painter.drawText(baseline, text);
        else
            painter.drawGlyphRun(baseline, shaped.run);
    }

private:
    QFontMetricsF m_metrics;
    QRawFont m_raw;
    QHash<QString, Shaped> m_shaped;
};

int clubPagesOf(const ClassResults &results, int rowsPerPage)
{
    return int((results.clubs.size() + std::size_t(rowsPerPage) - 1) / std::size_t(rowsPerPage));
}

int pagesOf(const ClassResults &results, int rowsPerPage)
{
    return std::max(1, int((results.lines.size() + std::size_t(rowsPerPage) - 1) / std::size_t(rowsPerPage)));
}
} // namespace

ResultsPrintout::ResultsPrintout(const ResultsDocument &document)
    : m_document(document)
{
}

QPageLayout ResultsPrintout::defaultPageLayout()
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(12, 10, 12, 10),
                       QPageLayout::Millimeter);
}

int ResultsPrintout::paint(QPagedPaintDevice &device) const
{
    QPainter painter;
    if (!painter.begin(&device))
        return 0;
    const QRectF page(0, 0, device.width(), device.height());
    const Geometry g = layOut(device, page);
    const double line = std::max(1.0, g.pointsToPixels * 0.5);
    const QColor shade(0xEE, 0xEE, 0xF4), headingShade(0xDD, 0xDD, 0xEE), rule(0x99, 0x99, 0x99);

    int totalPages = 0;
    for (const ClassResults &results : m_document.classes)
        totalPages += pagesOf(results, g.rowsPerPage) + clubPagesOf(results, g.rowsPerPage);

    BodyText body(g.body, device);
    int pageNumber = 0;
    for (const ClassResults &results : m_document.classes) {
        const int pages = pagesOf(results, g.rowsPerPage);
        for (int p = 0; p < pages; ++p) {
            if (pageNumber > 0)
                device.newPage();
            ++pageNumber;

            double y = page.top();
            painter.setFont(g.title);
            painter.setPen(Qt::black);
            painter.drawText(QRectF(page.left(), y, page.width(), g.titleHeight), Qt::AlignLeft | Qt::AlignTop,
                             m_document.title());
            y += g.titleHeight;
            painter.setFont(g.facts);
            painter.drawText(QRectF(page.left(), y, page.width(), g.factsHeight), Qt::AlignLeft | Qt::AlignTop,
                             QStringLiteral("Klasse: %1      Datum: %2      Strafsekunden FP/FS: %3      Wertung: %4")
                                 .arg(results.className, m_document.dateText(), m_document.penaltySecondsText(),
                                      m_document.scoringText));
            y += g.factsHeight;

            painter.fillRect(QRectF(page.left(), y, page.width(), g.rowHeight), headingShade);
            painter.setFont(g.heading);
            for (int c = 0; c < ResultColumnCount; ++c) {
                const QRectF cell(g.left[std::size_t(c)] + g.padding, y, g.width[std::size_t(c)] - 2 * g.padding,
                                  g.rowHeight);
                const Qt::Alignment across = isLeftAligned(ResultColumn(c)) ? Qt::AlignLeft : Qt::AlignHCenter;
                painter.drawText(cell, across | Qt::AlignVCenter, resultColumnHeading(ResultColumn(c)));
            }
            y += g.rowHeight;
            painter.setPen(QPen(rule, line));
            painter.drawLine(QPointF(page.left(), y), QPointF(page.right(), y));

            painter.setFont(g.body);
            const QFontMetricsF &metrics = body.metrics();
            const double baseline = (g.rowHeight - metrics.height()) / 2 + metrics.ascent();
            const std::size_t first = std::size_t(p) * std::size_t(g.rowsPerPage);
            const std::size_t last = std::min(results.lines.size(), first + std::size_t(g.rowsPerPage));
            painter.setPen(Qt::black);
            for (std::size_t i = first; i < last; ++i) {
                const ResultLine &resultLine = results.lines[i];
                if ((i - first) % 2 == 1)
                    painter.fillRect(QRectF(page.left(), y, page.width(), g.rowHeight), shade);
                for (int c = 0; c < ResultColumnCount; ++c) {
                    const auto column = ResultColumn(c);
                    QString text = resultLine.text(column);
                    if (text.isEmpty())
                        continue;
                    const double width = g.width[std::size_t(c)] - 2 * g.padding;
                    const BodyText::Shaped *shaped = &body.shape(text);
                    // One line per participant: a long name is shortened, never wrapped.
                    if (shaped->advance > width && resultColumnKind(column) == ResultKind::Text) {
                        text = metrics.elidedText(text, Qt::ElideRight, width);
                        shaped = &body.shape(text);
                    }
                    const double x = g.left[std::size_t(c)] + g.padding
                        + (isLeftAligned(column) ? 0 : (width - shaped->advance) / 2);
                    body.draw(painter, QPointF(x, y + baseline), text, *shaped);
                }
                y += g.rowHeight;
            }

            painter.setPen(QPen(rule, line));
            const double footerTop = page.bottom() - g.footerHeight;
            painter.drawLine(QPointF(page.left(), footerTop), QPointF(page.right(), footerTop));
            painter.setPen(Qt::black);
            const QRectF footer(page.left(), footerTop, page.width(), g.footerHeight);
            painter.drawText(footer, Qt::AlignLeft | Qt::AlignVCenter,
                             QStringLiteral("%1 \u2013 %2").arg(results.className, m_document.dateText()));
            painter.drawText(footer, Qt::AlignRight | Qt::AlignVCenter,
                             QStringLiteral("Seite %1 von %2").arg(pageNumber).arg(totalPages));
        }
    }
    // The club rankings after all classes, each from a new page.
    const std::array<double, 4> clubLeft{0, 0.08, 0.62, 0.8};
    for (const ClassResults &results : m_document.classes) {
        const int pages = clubPagesOf(results, g.rowsPerPage);
        for (int p = 0; p < pages; ++p) {
            device.newPage();
            ++pageNumber;
            double y = page.top();
            painter.setPen(Qt::black);
            painter.setFont(g.title);
            painter.drawText(QRectF(page.left(), y, page.width(), g.titleHeight), Qt::AlignLeft | Qt::AlignTop,
                             m_document.title());
            y += g.titleHeight;
            painter.setFont(g.facts);
            painter.drawText(QRectF(page.left(), y, page.width(), g.factsHeight), Qt::AlignLeft | Qt::AlignTop,
                             QStringLiteral("Klasse: %1      %2      Wertung: %3")
                                 .arg(results.className, clubRankingTitle(results.clubBest), m_document.scoringText));
            y += g.factsHeight;
            const auto row = [&](const std::array<QString, 4> &texts) {
                for (std::size_t c = 0; c < texts.size(); ++c) {
                    const double left = page.left() + page.width() * clubLeft[c];
                    const double right = c + 1 < texts.size() ? page.left() + page.width() * clubLeft[c + 1] : page.right();
                    painter.drawText(QRectF(left + g.padding, y, right - left - 2 * g.padding, g.rowHeight),
                                     (c == 1 ? Qt::AlignLeft : Qt::AlignHCenter) | Qt::AlignVCenter, texts[c]);
                }
                y += g.rowHeight;
            };
            painter.fillRect(QRectF(page.left(), y, page.width(), g.rowHeight), headingShade);
            painter.setFont(g.heading);
            row({QStringLiteral("Platz"), infoTitle(raceDay().clubField), QStringLiteral("Summe"), QStringLiteral("Fahrer")});
            painter.setFont(g.body);
            const std::size_t first = std::size_t(p) * std::size_t(g.rowsPerPage);
            const std::size_t last = std::min(results.clubs.size(), first + std::size_t(g.rowsPerPage));
            for (std::size_t i = first; i < last; ++i) {
                const ClubStanding &club = results.clubs[i];
                if ((i - first) % 2 == 1)
                    painter.fillRect(QRectF(page.left(), y, page.width(), g.rowHeight), shade);
                row({club.place > 0 ? QString::number(club.place) : QString(), club.club, clubTotalText(club),
                     QString::number(club.rankedDrivers)});
            }
            painter.setPen(QPen(rule, line));
            const double footerTop = page.bottom() - g.footerHeight;
            painter.drawLine(QPointF(page.left(), footerTop), QPointF(page.right(), footerTop));
            painter.setPen(Qt::black);
            const QRectF footer(page.left(), footerTop, page.width(), g.footerHeight);
            painter.drawText(footer, Qt::AlignLeft | Qt::AlignVCenter,
                             QStringLiteral("%1 \u2013 %2").arg(results.className, m_document.dateText()));
            painter.drawText(footer, Qt::AlignRight | Qt::AlignVCenter,
                             QStringLiteral("Seite %1 von %2").arg(pageNumber).arg(totalPages));
        }
    }
    painter.end();
    return pageNumber;
}
