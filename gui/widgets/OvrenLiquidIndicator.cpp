#include "gui/widgets/OvrenLiquidIndicator.h"

#include "gui/common/Colors.h"
#include "gui/widgets/LiquidGeometry.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace {

using LiquidGeometry::CellKind;
using LiquidGeometry::Thickness;

struct SchemeColors
{
    std::uint32_t back, bevel, unlit, lit, hover;
};

constexpr std::array<SchemeColors, 7> kSchemes = {{
    {14540253, 14540253, 13882323, 3552822, 255},
    {0, 14540253, 3552822, 14540253, 255},
    {16777215, 14540253, 16777215, 0, 255},
    {0, 8421504, 0, 16777215, 33023},
    {128, 128, 4194432, 4767743, 8454143},
    {4767743, 4767743, 5743607, 128, 2574332},
    {10485760, 10485760, 8404992, 14349174, 65535},
}};

QColor shifted(const QColor &color, int delta)
{
    const auto channel = [delta](int value) { return std::clamp(value + delta, 0, 255); };
    return QColor(channel(color.red()), channel(color.green()), channel(color.blue()));
}

QImage shifted(const QImage &image, int delta)
{
    QImage result = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < result.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x) {
            const QRgb c = line[x];
            line[x] = qRgb(std::clamp(qRed(c) + delta, 0, 255), std::clamp(qGreen(c) + delta, 0, 255),
                           std::clamp(qBlue(c) + delta, 0, 255));
        }
    }
    return result;
}

// A picture stretched over, or tiled across, an area of the given size.
QImage covering(const QPixmap &picture, TOvrenLiquidIndicator::TMaterialMode mode, QSize size)
{
    const QImage source = picture.toImage().convertToFormat(QImage::Format_RGB32);
    if (mode == TOvrenLiquidIndicator::mmStretch)
        return source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QImage result(size, QImage::Format_RGB32);
    QPainter painter(&result);
    painter.fillRect(result.rect(), QBrush(source));
    return result;
}

Thickness thicknessOf(TOvrenLiquidIndicator::TIndicatorStyle style)
{
    switch (style) {
    case TOvrenLiquidIndicator::isThin:
        return Thickness::Thin;
    case TOvrenLiquidIndicator::isNormal:
        return Thickness::Normal;
    case TOvrenLiquidIndicator::isThick:
        break;
    }
    return Thickness::Thick;
}

void appendPolygon(TOvrenLiquidIndicator::PolygonList &list, const QPoint *points, int count, QPoint offset)
{
    for (int i = 0; i < count; ++i)
        list.points.append(points[i] + offset);
    list.counts.append(count);
}

// All polygons as one even-odd region, as a single fill.
void fillEvenOdd(QPainter &painter, const TOvrenLiquidIndicator::PolygonList &list, const QBrush &brush)
{
    if (list.counts.isEmpty())
        return;
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    qsizetype first = 0;
    for (const int count : list.counts) {
        path.moveTo(list.points[first]);
        for (int i = 1; i < count; ++i)
            path.lineTo(list.points[first + i]);
        path.closeSubpath();
        first += count;
    }
    painter.fillPath(path, brush);
}

} // namespace

TOvrenLiquidIndicator::TOvrenLiquidIndicator(QWidget *parent)
    : QWidget(parent)
{
    applyScheme();
    setAttribute(Qt::WA_OpaquePaintEvent, true);
    m_fitting = true;
    resize(m_indicatorWidth, m_indicatorHeight);
    m_fitting = false;
    rebuild();
}

TOvrenLiquidIndicator::~TOvrenLiquidIndicator() = default;

void TOvrenLiquidIndicator::configureAsTablo(TOvrenLiquidIndicator &indicator)
{
    indicator.beginLoading();
    indicator.setColorScheme(csBlack);
    indicator.setSignNumber(7);
    indicator.setIndicatorWidth(545);
    indicator.setIndicatorHeight(101);
    indicator.setIndicatorString(QStringLiteral("00:00.00"));
    indicator.setIndicatorKind(ik9segment);
    indicator.setInnerBevel(bkNone);
    indicator.setOuterBevel(bkNone);
    indicator.setBevelColor(colorFromBgr(8421504));
    indicator.setBackColor(colorFromBgr(0));
    indicator.setNumberForeColor(colorFromBgr(65280));
    indicator.setNumberForeColor1(colorFromBgr(33023));
    indicator.setNumberBackColor(colorFromBgr(11520));
    indicator.setIndicatorStyle(isThick);
    indicator.finishLoading();
}

void TOvrenLiquidIndicator::beginLoading()
{
    m_loaded = false;
}

void TOvrenLiquidIndicator::finishLoading()
{
    if (m_loaded)
        return;
    m_loaded = true;
    fitWidgetToIndicator();
    rebuild();
    update();
}

template<typename T> void TOvrenLiquidIndicator::assign(T &member, const T &value)
{
    if (member == value)
        return;
    member = value;
    rebuild();
    update();
}

void TOvrenLiquidIndicator::rebuildIfLoaded()
{
    if (!m_loaded)
        return;
    rebuild();
    update();
}

void TOvrenLiquidIndicator::setColorScheme(TColorScheme scheme)
{
    if (scheme == m_colorScheme || scheme < csSilver || scheme > csBlue)
        return;
    m_colorScheme = scheme;
    if (!m_loaded)
        return;
    applyScheme();
    rebuildIfLoaded();
}

void TOvrenLiquidIndicator::applyScheme()
{
    const SchemeColors &scheme = kSchemes[std::size_t(m_colorScheme)];
    m_backColor = colorFromBgr(scheme.back);
    m_bevelColor = colorFromBgr(scheme.bevel);
    m_unlitColor = colorFromBgr(scheme.unlit);
    m_foreColor = colorFromBgr(scheme.lit);
    m_hoverColor = colorFromBgr(scheme.hover);
}

void TOvrenLiquidIndicator::setSignNumber(int count)
{
    if (count <= 0 || count == m_signNumber)
        return;
    m_signNumber = count;
    rebuildIfLoaded();
}

void TOvrenLiquidIndicator::setIndicatorWidth(int width)
{
    if (width <= 0 || width == m_indicatorWidth)
        return;
    m_indicatorWidth = width;
    if (m_loaded)
        fitWidgetToIndicator();
    rebuildIfLoaded();
}

void TOvrenLiquidIndicator::setIndicatorHeight(int height)
{
    if (height <= 0 || height == m_indicatorHeight)
        return;
    m_indicatorHeight = height;
    if (m_loaded)
        fitWidgetToIndicator();
    rebuildIfLoaded();
}

void TOvrenLiquidIndicator::setIndicatorAngle(int tenthsOfDegree)
{
    if (tenthsOfDegree == m_indicatorAngle)
        return;
    m_indicatorAngle = tenthsOfDegree;
    if (m_loaded)
        fitWidgetToIndicator();
    rebuildIfLoaded();
}

void TOvrenLiquidIndicator::setIndicatorGap(int gap)
{
    assign(m_indicatorGap, gap);
}
void TOvrenLiquidIndicator::setIndicatorString(const QString &text)
{
    assign(m_text, text);
}
void TOvrenLiquidIndicator::setIndicatorKind(TIndicatorKind kind)
{
    assign(m_kind, kind);
}
void TOvrenLiquidIndicator::setInnerBevel(TBevelKind bevel)
{
    assign(m_innerBevel, bevel);
}
void TOvrenLiquidIndicator::setOuterBevel(TBevelKind bevel)
{
    assign(m_outerBevel, bevel);
}

void TOvrenLiquidIndicator::setInnerBevelWidth(int width)
{
    if (width > 0)
        assign(m_innerBevelWidth, width);
}

void TOvrenLiquidIndicator::setOuterBevelWidth(int width)
{
    if (width > 0)
        assign(m_outerBevelWidth, width);
}

void TOvrenLiquidIndicator::setBevelColor(const QColor &color)
{
    assign(m_bevelColor, color);
}
void TOvrenLiquidIndicator::setBackColor(const QColor &color)
{
    assign(m_backColor, color);
}
void TOvrenLiquidIndicator::setNumberForeColor(const QColor &color)
{
    assign(m_foreColor, color);
}
void TOvrenLiquidIndicator::setNumberForeColor1(const QColor &color)
{
    assign(m_hoverColor, color);
}
void TOvrenLiquidIndicator::setNumberBackColor(const QColor &color)
{
    assign(m_unlitColor, color);
}
void TOvrenLiquidIndicator::setIndicatorStyle(TIndicatorStyle style)
{
    assign(m_style, style);
}
void TOvrenLiquidIndicator::setMouseAction(TMouseAction action)
{
    assign(m_mouseAction, action);
}

void TOvrenLiquidIndicator::setTransparentMode(TTransparentMode mode)
{
    // What lies behind must be painted first wherever the picture leaves a pixel clear.
    setAttribute(Qt::WA_OpaquePaintEvent, mode == tmNone);
    assign(m_transparentMode, mode);
}

void TOvrenLiquidIndicator::setBackMaterial(const QPixmap &picture)
{
    if (picture.cacheKey() == m_backMaterial.cacheKey())
        return;
    m_backMaterial = picture;
    rebuild();
    update();
}

void TOvrenLiquidIndicator::setForeMaterial(const QPixmap &picture)
{
    if (picture.cacheKey() == m_foreMaterial.cacheKey())
        return;
    m_foreMaterial = picture;
    rebuild();
    update();
}

void TOvrenLiquidIndicator::setMaterialShadowMode(TMaterialShadowMode mode)
{
    assign(m_shadowMode, mode);
}
void TOvrenLiquidIndicator::setMaterialMode(TMaterialMode mode)
{
    assign(m_materialMode, mode);
}
void TOvrenLiquidIndicator::setForeMaterialMode(TMaterialMode mode)
{
    assign(m_foreMaterialMode, mode);
}

QSize TOvrenLiquidIndicator::rotatedIndicatorSize() const
{
    if (m_indicatorAngle % 3600 == 0)
        return {m_indicatorWidth, m_indicatorHeight};
    const double radians = m_indicatorAngle / 10.0 * std::numbers::pi / 180.0;
    const double c = std::abs(std::cos(radians));
    const double s = std::abs(std::sin(radians));
    const auto extent = [](double v) { return std::max(1, int(std::ceil(v - 1e-9))); };
    return {extent(m_indicatorWidth * c + m_indicatorHeight * s), extent(m_indicatorWidth * s + m_indicatorHeight * c)};
}

void TOvrenLiquidIndicator::fitWidgetToIndicator()
{
    // The caller rebuilds once; the resize must not rebuild on its own.
    m_fitting = true;
    resize(rotatedIndicatorSize().boundedTo(QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX)));
    m_fitting = false;
}

QSize TOvrenLiquidIndicator::sizeHint() const
{
    return rotatedIndicatorSize();
}

void TOvrenLiquidIndicator::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (m_fitting)
        return;
    bool changed = false;
    if (m_indicatorAngle == 0) {
        if (width() > 0 && width() != m_indicatorWidth) {
            m_indicatorWidth = width();
            changed = true;
        }
        if (height() > 0 && height() != m_indicatorHeight) {
            m_indicatorHeight = height();
            changed = true;
        }
    }
    if (changed || m_image.deviceIndependentSize() != QSizeF(size())) {
        rebuild();
        update();
    }
}

void TOvrenLiquidIndicator::paintEvent(QPaintEvent *event)
{
    // Moved to a screen of another scale: prepare the picture again at the new ratio.
    if (!m_image.isNull() && m_image.devicePixelRatio() != devicePixelRatioF())
        rebuild();
    if (m_image.isNull())
        return;
    QPainter painter(this);
    painter.setClipRegion(event->region());
    // The picture has the device's pixels, so this copies them one to one.
    painter.drawImage(QPoint(0, 0), m_image);
}

void TOvrenLiquidIndicator::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    setMouseInside(true);
    emit mouseEnter(this);
}

void TOvrenLiquidIndicator::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    setMouseInside(false);
    emit mouseExit(this);
}

void TOvrenLiquidIndicator::setMouseInside(bool inside)
{
    if (inside == m_mouseInside)
        return;
    m_mouseInside = inside;
    // Without a hover effect the picture would come out the same.
    if (m_mouseAction != maNone) {
        rebuild();
        update();
    }
}

void TOvrenLiquidIndicator::buildPolygons()
{
    m_lit.points.clear();
    m_lit.counts.clear();
    m_unlit.points.clear();
    m_unlit.counts.clear();

    qint64 margin = m_indicatorGap;
    if (m_outerBevel != bkNone)
        margin += m_outerBevelWidth;
    if (m_innerBevel != bkNone)
        margin += m_innerBevelWidth;
    const auto layout = LiquidGeometry::computeLayout(m_indicatorWidth, m_indicatorHeight, m_signNumber, margin);
    const int w = layout.cellWidth;
    const int h = layout.cellHeight;
    // Cells narrower than a pixel show nothing; this also bounds the work to the width. A
    // margin as large as the area puts every cell outside it (and near the integer limits).
    const qint64 extent = std::min(m_indicatorWidth, m_indicatorHeight);
    if (w < 1 || h < 1 || std::abs(qint64(layout.margin)) >= extent)
        return;

    const bool widen = m_mouseInside && (m_mouseAction == maWidth || m_mouseAction == maBoth);
    const Thickness thickness = thicknessOf(m_style);
    const QPoint origin(layout.margin, layout.margin);

    if (m_kind == ik5x7matrix) {
        std::array<std::array<QPoint, 8>, 35> dots;
        for (int row = 0; row < 7; ++row)
            for (int column = 0; column < 5; ++column)
                dots[row * 5 + column] = LiquidGeometry::matrixDotPolygon(row, column, w, h, thickness, widen);
        const auto cells = LiquidGeometry::placeMatrixText(m_text, m_signNumber);
        for (qsizetype k = 0; k < cells.size(); ++k) {
            const auto *glyph = LiquidGeometry::matrixGlyph(cells[k].character);
            const QPoint offset = origin + QPoint(int(k) * w, 0);
            for (int row = 0; row < 7; ++row)
                for (int column = 0; column < 5; ++column) {
                    const bool lit = glyph && ((*glyph)[row] & (0x10u >> column));
                    appendPolygon(lit ? m_lit : m_unlit, dots[row * 5 + column].data(), 8, offset);
                }
        }
    } else {
        const double t = LiquidGeometry::segmentThickness(w, h, thickness, widen);
        // The seven-segment kind uses segments 1..7 and the decimal point.
        const bool nine = m_kind == ik9segment;
        const std::array<int, 10> segments = nine ? std::array<int, 10> {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}
                                                  : std::array<int, 10> {1, 2, 3, 4, 5, 6, 7, 10, 0, 0};
        const int segmentCount = nine ? 10 : 8;
        std::array<LiquidGeometry::Hexagon, 10> shapes;
        for (int i = 0; i < segmentCount; ++i)
            shapes[i] = LiquidGeometry::segmentPolygon(segments[i], w, h, t);
        const auto cells = LiquidGeometry::placeSegmentText(m_text, m_signNumber);
        for (qsizetype k = 0; k < cells.size(); ++k) {
            const std::uint16_t mask = LiquidGeometry::nineSegmentMask(cells[k].character);
            const QPoint offset = origin + QPoint(int(k) * w, 0);
            for (int i = 0; i < segmentCount; ++i) {
                const int segment = segments[i];
                const bool lit = segment == 10 ? cells[k].point : (mask & (1u << (segment - 1))) != 0;
                appendPolygon(lit ? m_lit : m_unlit, shapes[i].data(), 6, offset);
            }
        }
    }
}

void TOvrenLiquidIndicator::rebuild()
{
    ++m_rebuildCount;
    buildPolygons();

    const QSize area = size();
    const QSize indicator(m_indicatorWidth, m_indicatorHeight);
    const bool rotated = m_indicatorAngle % 3600 != 0;
    const double radians = m_indicatorAngle / 10.0 * std::numbers::pi / 180.0;
    const double cosA = std::cos(radians);
    const double sinA = std::sin(radians);
    const QPointF centre(indicator.width() / 2.0, indicator.height() / 2.0);
    const QPointF target(area.width() / 2.0, area.height() / 2.0);
    const QPoint shift((area.width() - indicator.width()) / 2, (area.height() - indicator.height()) / 2);
    // Positive angles turn counter-clockwise on screen, about the indicator's centre, which
    // lands on the widget's centre.
    const auto place = [&](QPoint p) -> QPoint {
        if (!rotated)
            return p + shift;
        const double dx = p.x() - centre.x();
        const double dy = p.y() - centre.y();
        return QPoint(qRound(target.x() + dx * cosA + dy * sinA), qRound(target.y() - dx * sinA + dy * cosA));
    };
    if (rotated || !shift.isNull()) {
        for (QPoint &p : m_lit.points)
            p = place(p);
        for (QPoint &p : m_unlit.points)
            p = place(p);
    }

    const QImage::Format format
        = m_transparentMode == tmNone ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied;
    // Drawn at the screen's pixel density, so segment edges stay sharp on a scaled desktop.
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(area) * ratio).toSize();
    if (m_image.size() != pixels || m_image.format() != format || m_image.devicePixelRatio() != ratio) {
        m_image = QImage(pixels, format);
        m_image.setDevicePixelRatio(ratio);
    }
    if (m_image.isNull())
        return;

    QImage backCover;
    if (!m_backMaterial.isNull())
        backCover = covering(m_backMaterial, m_materialMode, area);

    if (m_transparentMode != tmNone)
        m_image.fill(Qt::transparent);
    else if (backCover.isNull())
        m_image.fill(m_backColor);
    QPainter painter(&m_image);
    painter.setPen(Qt::NoPen);
    if (m_transparentMode == tmNone && !backCover.isNull())
        painter.drawImage(0, 0, backCover);

    // Bevels: four trapezoids per frame; the two faces turned most toward the upper left are
    // lighter on a raised frame and darker on a sunken one.
    const auto drawFrame = [&](TBevelKind kind, int inset, int width) {
        const int x0 = inset;
        const int y0 = inset;
        const int x1 = indicator.width() - inset;
        const int y1 = indicator.height() - inset;
        const int b = width;
        const std::array<std::array<QPoint, 4>, 4> faces = {{
            {{{x0, y0}, {x1, y0}, {x1 - b, y0 + b}, {x0 + b, y0 + b}}},
            {{{x0, y0}, {x0 + b, y0 + b}, {x0 + b, y1 - b}, {x0, y1}}},
            {{{x0, y1}, {x0 + b, y1 - b}, {x1 - b, y1 - b}, {x1, y1}}},
            {{{x1, y0}, {x1, y1}, {x1 - b, y1 - b}, {x1 - b, y0 + b}}},
        }};
        const std::array<QPointF, 4> normals = {{{0, -1}, {-1, 0}, {0, 1}, {1, 0}}};
        std::array<int, 4> order = {0, 1, 2, 3};
        const auto towardLight = [&](int face) {
            const QPointF n = normals[face];
            const double nx = n.x() * cosA + n.y() * sinA;
            const double ny = -n.x() * sinA + n.y() * cosA;
            return -nx - ny;
        };
        std::stable_sort(order.begin(), order.end(),
                         [&](int first, int second) { return towardLight(first) > towardLight(second) + 1e-9; });
        QBrush light, dark;
        if (!backCover.isNull()) {
            light = QBrush(shifted(backCover, 64));
            dark = QBrush(shifted(backCover, -64));
        } else {
            light = QBrush(shifted(m_bevelColor, 32));
            dark = QBrush(shifted(m_bevelColor, -32));
        }
        if (kind == bkDown)
            std::swap(light, dark);
        for (int rank = 0; rank < 4; ++rank) {
            const auto &face = faces[order[rank]];
            QPolygon polygon;
            for (const QPoint &p : face)
                polygon << place(p);
            painter.setBrush(rank < 2 ? light : dark);
            painter.drawPolygon(polygon);
        }
    };
    int inset = 0;
    if (m_outerBevel != bkNone) {
        drawFrame(m_outerBevel, 0, m_outerBevelWidth);
        inset = m_outerBevelWidth;
    }
    if (m_innerBevel != bkNone)
        drawFrame(m_innerBevel, inset, m_innerBevelWidth);

    const bool hoverColor = m_mouseInside && (m_mouseAction == maColor || m_mouseAction == maBoth);
    QBrush litBrush(hoverColor ? m_hoverColor : m_foreColor);
    if (!hoverColor && !m_foreMaterial.isNull())
        litBrush = QBrush(covering(m_foreMaterial, m_foreMaterialMode, area));
    fillEvenOdd(painter, m_lit, litBrush);

    if (m_transparentMode != tmAll) {
        QBrush unlitBrush(m_unlitColor);
        if (!backCover.isNull()) {
            const int delta = m_shadowMode == msmDark ? -32 : m_shadowMode == msmLight ? 32 : 0;
            unlitBrush = QBrush(delta == 0 ? backCover : shifted(backCover, delta));
        }
        fillEvenOdd(painter, m_unlit, unlitBrush);
    }
}
