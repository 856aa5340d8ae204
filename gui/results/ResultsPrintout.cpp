#include "gui/results/ResultsPrintout.h"

#include "gui/common/PrintedPage.h"

#include "core/marks/HandTimes.h"
#include "core/protocol/ExportedResults.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QRawFont>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

namespace {
constexpr double LargestPoints = 8.5;
constexpr double SmallestPoints = 5.5;
// Texts are measured once in this size; widths in other sizes follow in proportion.
constexpr double MeasuredPoints = 10;

// A column that no participant of the class fills takes no room on its pages.
bool goesWhenEmpty(ListField column)
{
    switch (column) {
    case ListField::StartNr:
    case ListField::Age:
    case ListField::Info1:
    case ListField::Info2:
    case ListField::Info3:
        return true;
    default:
        return false;
    }
}

// The most of the page's width a column's longest text may claim; a longer one is shortened.
double widestShare(ListField column)
{
    switch (column) {
    case ListField::Name:
        return 0.3;
    case ListField::Info1:
    case ListField::Info2:
    case ListField::Info3:
        return 0.2;
    default:
        return 0.1;
    }
}

bool isShortenable(ListField column)
{
    return column == ListField::Name || column == ListField::Info1 || column == ListField::Info2
        || column == ListField::Info3;
}

// Widths of texts in one font, through the font's glyph advances where it has every glyph (a
// class of 10,000 has 60,000 texts to measure).
class TextWidths final
{
public:
    TextWidths(const QFont &font, QPaintDevice &device)
        : m_metrics(font, &device)
        , m_raw(QRawFont::fromFont(font))
    {
        m_raw.setPixelSize(font.pointSizeF() * device.logicalDpiY() / 72.0);
    }

    double of(const QString &text) const
    {
        const QList<quint32> glyphs = m_raw.isValid() ? m_raw.glyphIndexesForString(text) : QList<quint32>();
        if (glyphs.size() != text.size() || glyphs.contains(0))
            return m_metrics.horizontalAdvance(text);
        double width = 0;
        for (const QPointF &step : m_raw.advancesForGlyphIndexes(glyphs))
            width += step.x();
        return width;
    }

    double padding() const { return m_metrics.averageCharWidth() * 0.6; }

private:
    QFontMetricsF m_metrics;
    QRawFont m_raw;
};

// What is the same on every page: the header and the footer.
struct Frame
{
    double pointsToPixels = 1;
    QFont title, facts;
    double titleHeight = 0, factsHeight = 0, footerHeight = 0;
};

Frame frameOf(QPaintDevice &device)
{
    Frame f;
    f.pointsToPixels = device.logicalDpiY() / 72.0;
    f.title = PrintedPage::font(LargestPoints + 5, true);
    f.facts = PrintedPage::font(LargestPoints + 1);
    const QFontMetricsF facts(f.facts, &device);
    f.titleHeight = std::ceil(QFontMetricsF(f.title, &device).height() * 1.3);
    f.factsHeight = std::ceil(facts.height() * 1.8);
    f.footerHeight = std::ceil(facts.height() * 1.8);
    return f;
}

// The table of one class: its columns, as wide as their texts, and the type they fit in.
struct Geometry
{
    QFont heading, body;
    double rowHeight = 0, padding = 0;
    std::vector<ListField> columns;
    std::vector<double> left, width;
    int rowsPerPage = 1;
};

Geometry layOut(QPaintDevice &device, const QRectF &page, const Frame &frame, const ResultsDocument &document,
                const std::vector<const ResultLine *> &lines)
{
    Geometry g;
    const TextWidths headings(PrintedPage::font(MeasuredPoints, true), device);
    const TextWidths texts(PrintedPage::font(MeasuredPoints), device);
    const double padding = texts.padding();

    // Each column's width in the measuring size: its heading or its widest text, and padding.
    std::vector<double> natural;
    for (const ListField column : document.columns()) {
        double widest = -1;
        if (resultColumnKind(column) == ResultKind::Text) {
            for (const ResultLine *line : lines) {
                const QString text = exportedText(*line, column);
                if (!text.isEmpty())
                    widest = std::max(widest, texts.of(text));
            }
        } else {
            // Digits are all of one width: the longest text is the widest.
            QString longest;
            for (const ResultLine *line : lines) {
                const QString text = exportedText(*line, column);
                if (text.size() > longest.size())
                    longest = text;
            }
            widest = longest.isEmpty() ? -1 : texts.of(longest);
        }
        if (widest < 0 && goesWhenEmpty(column))
            continue;
        const double width = std::max(widest, headings.of(document.heading(column))) + 2 * padding;
        g.columns.push_back(column);
        natural.push_back(std::min(width, page.width() * widestShare(column) * MeasuredPoints / LargestPoints));
    }

    // The largest type in which every column fits across the page, within reason.
    const double needed = std::accumulate(natural.begin(), natural.end(), 0.0);
    double points = std::min(LargestPoints, page.width() / needed * MeasuredPoints);
    points = std::max(SmallestPoints, std::floor(points * 4) / 4);
    const double scale = points / MeasuredPoints;
    g.width.resize(natural.size());
    for (std::size_t i = 0; i < natural.size(); ++i)
        g.width[i] = natural[i] * scale;

    double spare = page.width() - std::accumulate(g.width.begin(), g.width.end(), 0.0);
    if (spare < 0) {
        // Even the smallest type is too wide: the names and infos give up room, down to their heading.
        double give = 0;
        std::vector<double> room(g.width.size(), 0);
        for (std::size_t i = 0; i < g.width.size(); ++i) {
            if (isShortenable(g.columns[i])) {
                room[i]
                    = std::max(0.0, g.width[i] - (headings.of(document.heading(g.columns[i])) + 2 * padding) * scale);
                give += room[i];
            }
        }
        const double share = give > 0 ? std::min(1.0, -spare / give) : 0;
        for (std::size_t i = 0; i < g.width.size(); ++i)
            g.width[i] -= room[i] * share;
        spare = 0;
    }
    // What is left widens every column alike, so the table spans the page.
    g.left.resize(g.width.size());
    double x = page.left();
    for (std::size_t i = 0; i < g.width.size(); ++i) {
        g.width[i] += spare / double(g.width.size());
        g.left[i] = x;
        x += g.width[i];
    }

    g.body = PrintedPage::font(points);
    g.heading = PrintedPage::font(points, true);
    const QFontMetricsF body(g.body, &device);
    g.padding = padding * scale;
    g.rowHeight = std::ceil(body.height() * 1.4);
    const double forRows = page.height() - frame.titleHeight - frame.factsHeight - g.rowHeight - frame.footerHeight;
    g.rowsPerPage = std::max(1, int(forRows / g.rowHeight));
    return g;
}

bool isLeftAligned(ListField column)
{
    return resultColumnKind(column) == ResultKind::Text && column != ListField::StartNr && column != ListField::Age;
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

std::size_t noteRowsOf(const ClassResults &results)
{
    return results.notes.isEmpty() ? 0 : std::size_t(results.notes.size()) + 1;
}

int pagesOf(std::size_t lines, int rowsPerPage)
{
    return std::max(1, int((lines + std::size_t(rowsPerPage) - 1) / std::size_t(rowsPerPage)));
}
} // namespace

ResultsPrintout::ResultsPrintout(const ResultsDocument &document)
    : m_document(document)
{
}

QPageLayout ResultsPrintout::defaultPageLayout()
{
    return PrintedPage::a4(QPageLayout::Landscape, 10);
}

int ResultsPrintout::paint(QPagedPaintDevice &device) const
{
    QPainter painter;
    if (!painter.begin(&device))
        return 0;
    const QRectF page(0, 0, device.width(), device.height());
    const Frame frame = frameOf(device);
    const double line = std::max(1.0, frame.pointsToPixels * 0.5);
    const QColor shade(0xEE, 0xEE, 0xF4), headingShade(0xDD, 0xDD, 0xEE), rule(0x99, 0x99, 0x99);

    // Each class is laid out for its own texts; the page count is known before the first page.
    std::vector<std::vector<const ResultLine *>> classLines;
    std::vector<Geometry> geometries;
    int totalPages = 0;
    for (const ClassResults &results : m_document.classes) {
        classLines.push_back(exportedLines(results));
        geometries.push_back(layOut(device, page, frame, m_document, classLines.back()));
        totalPages += pagesOf(classLines.back().size() + noteRowsOf(results), geometries.back().rowsPerPage)
            + clubPagesOf(results, geometries.back().rowsPerPage);
    }

    // The document's title and a line of facts at the top of every page; where the rows begin.
    const auto drawHead = [&](const QString &facts) {
        double y = page.top();
        painter.setPen(Qt::black);
        painter.setFont(frame.title);
        painter.drawText(QRectF(page.left(), y, page.width(), frame.titleHeight), Qt::AlignLeft | Qt::AlignTop,
                         m_document.title());
        y += frame.titleHeight;
        painter.setFont(frame.facts);
        painter.drawText(QRectF(page.left(), y, page.width(), frame.factsHeight), Qt::AlignLeft | Qt::AlignTop, facts);
        return y + frame.factsHeight;
    };

    int pageNumber = 0;
    for (std::size_t k = 0; k < m_document.classes.size(); ++k) {
        const ClassResults &results = m_document.classes[k];
        const std::vector<const ResultLine *> &lines = classLines[k];
        const Geometry &g = geometries[k];
        const std::size_t columns = g.columns.size();
        BodyText body(g.body, device);
        // The notes follow the participants as rows of their own, after a blank one.
        const std::size_t rows = lines.size() + noteRowsOf(results);
        const int pages = pagesOf(rows, g.rowsPerPage);
        const bool classHasHandTimes = hasHandTimes(results);
        for (int p = 0; p < pages; ++p) {
            if (pageNumber > 0)
                device.newPage();
            ++pageNumber;

            double y
                = drawHead(QStringLiteral("Klasse: %1      Datum: %2      Strafsekunden FP/FS: %3      Wertung: %4")
                               .arg(results.className, m_document.dateText(), m_document.penaltySecondsText(),
                                    m_document.scoringText));

            painter.fillRect(QRectF(page.left(), y, page.width(), g.rowHeight), headingShade);
            painter.setFont(g.heading);
            for (std::size_t i = 0; i < columns; ++i) {
                const QRectF cell(g.left[i] + g.padding, y, g.width[i] - 2 * g.padding, g.rowHeight);
                const Qt::Alignment across = isLeftAligned(g.columns[i]) ? Qt::AlignLeft : Qt::AlignHCenter;
                painter.drawText(cell, across | Qt::AlignVCenter, m_document.heading(g.columns[i]));
            }
            y += g.rowHeight;
            painter.setPen(QPen(rule, line));
            painter.drawLine(QPointF(page.left(), y), QPointF(page.right(), y));

            painter.setFont(g.body);
            const QFontMetricsF &metrics = body.metrics();
            const double baseline = (g.rowHeight - metrics.height()) / 2 + metrics.ascent();
            const std::size_t first = std::size_t(p) * std::size_t(g.rowsPerPage);
            const std::size_t last = std::min(rows, first + std::size_t(g.rowsPerPage));
            painter.setPen(Qt::black);
            for (std::size_t r = first; r < last; ++r) {
                if (r >= lines.size()) {
                    if (r > lines.size())
                        painter.drawText(QRectF(page.left() + g.padding, y, page.width() - 2 * g.padding, g.rowHeight),
                                         Qt::AlignLeft | Qt::AlignVCenter,
                                         results.notes.at(qsizetype(r - lines.size() - 1)));
                    y += g.rowHeight;
                    continue;
                }
                const ResultLine &resultLine = *lines[r];
                if ((r - first) % 2 == 1)
                    painter.fillRect(QRectF(page.left(), y, page.width(), g.rowHeight), shade);
                for (std::size_t i = 0; i < columns; ++i) {
                    const ListField column = g.columns[i];
                    QString text = exportedText(resultLine, column);
                    if (text.isEmpty())
                        continue;
                    const double width = g.width[i] - 2 * g.padding;
                    const BodyText::Shaped *shaped = &body.shape(text);
                    // One line per participant: a text wider than its column is shortened, never wrapped.
                    if (shaped->advance > width && resultColumnKind(column) == ResultKind::Text) {
                        text = metrics.elidedText(text, Qt::ElideRight, width);
                        shaped = &body.shape(text);
                    }
                    const double x
                        = g.left[i] + g.padding + (isLeftAligned(column) ? 0 : (width - shaped->advance) / 2);
                    body.draw(painter, QPointF(x, y + baseline), text, *shaped);
                }
                y += g.rowHeight;
            }

            painter.setFont(frame.facts);
            PrintedPage::drawFooter(painter, page, frame.footerHeight,
                                    {QStringLiteral("%1 \u2013 %2").arg(results.className, m_document.dateText()),
                                     classHasHandTimes ? handTimeLegend() : QString(), pageNumber, totalPages});
        }
    }
    // The club rankings after all classes, each from a new page.
    const std::array<double, 4> clubLeft {0, 0.08, 0.62, 0.8};
    for (std::size_t k = 0; k < m_document.classes.size(); ++k) {
        const ClassResults &results = m_document.classes[k];
        const Geometry &g = geometries[k];
        const int pages = clubPagesOf(results, g.rowsPerPage);
        for (int p = 0; p < pages; ++p) {
            device.newPage();
            ++pageNumber;
            double y
                = drawHead(QStringLiteral("Klasse: %1      %2      Wertung: %3")
                               .arg(results.className, clubRankingTitle(results.clubBest), m_document.scoringText));
            const auto row = [&](const std::array<QString, 4> &texts) {
                for (std::size_t c = 0; c < texts.size(); ++c) {
                    const double left = page.left() + page.width() * clubLeft[c];
                    const double right
                        = c + 1 < texts.size() ? page.left() + page.width() * clubLeft[c + 1] : page.right();
                    painter.drawText(QRectF(left + g.padding, y, right - left - 2 * g.padding, g.rowHeight),
                                     (c == 1 ? Qt::AlignLeft : Qt::AlignHCenter) | Qt::AlignVCenter, texts[c]);
                }
                y += g.rowHeight;
            };
            painter.fillRect(QRectF(page.left(), y, page.width(), g.rowHeight), headingShade);
            painter.setFont(g.heading);
            row({QStringLiteral("Platz"), results.clubTitle, QStringLiteral("Summe"), QStringLiteral("Fahrer")});
            painter.setFont(g.body);
            const std::size_t first = std::size_t(p) * std::size_t(g.rowsPerPage);
            const std::size_t last = std::min(results.clubs.size(), first + std::size_t(g.rowsPerPage));
            for (std::size_t i = first; i < last; ++i) {
                const ClubStanding &club = results.clubs[i];
                if ((i - first) % 2 == 1)
                    painter.fillRect(QRectF(page.left(), y, page.width(), g.rowHeight), shade);
                row({club.place > 0 ? QString::number(club.place) : QString(), club.club, clubTotalText(club),
                     QString::number(countedDrivers(club, results.clubBest))});
            }
            painter.setFont(frame.facts);
            PrintedPage::drawFooter(painter, page, frame.footerHeight,
                                    {QStringLiteral("%1 \u2013 %2").arg(results.className, m_document.dateText()),
                                     {},
                                     pageNumber,
                                     totalPages});
        }
    }
    painter.end();
    return pageNumber;
}
