#pragma once

#include <QList>
#include <QPoint>
#include <QStringView>

#include <array>
#include <cstdint>

// Pure layout and shape computations of the liquid crystal display, kept apart from painting
// so they can be checked point by point.
namespace LiquidGeometry {

enum class CellKind { SevenSegment, Matrix5x7, NineSegment };
enum class Thickness { Thin, Normal, Thick };

struct Layout
{
    int margin = 0;
    int cellWidth = 0;
    int cellHeight = 0;
};

// margin: gap plus the widths of the bevels that are drawn.
Layout computeLayout(int indicatorWidth, int indicatorHeight, int signNumber, qint64 margin);

// Real-valued segment thickness for a cell of w x h pixels.
double segmentThickness(int w, int h, Thickness style, bool hoverWidens);

// Toward zero, also for the negative values that very small cells produce.
int truncateToInt(double value);

using Hexagon = std::array<QPoint, 6>;

// Segment 1..10 of a nine-segment cell of w x h pixels with thickness t, in cell coordinates.
Hexagon segmentPolygon(int segment, int w, int h, double t);

// Segments 1..9 of a character (bit n-1 = segment n); 0 for characters without a pattern.
std::uint16_t nineSegmentMask(char32_t ch);

// One character cell after text placement. character 0 means a blank cell.
struct cell
{
    char32_t character = 0;
    bool point = false;
    friend bool operator==(const cell &, const cell &) = default;
};

// Segment kinds: points merge into the preceding cell, right alignment, cut after signNumber
// cells. Returns exactly signNumber cells (none for signNumber <= 0).
QList<cell> placeSegmentText(QStringView text, int signNumber);
// Dot matrix: one character per cell, right-aligned, first signNumber characters.
QList<cell> placeMatrixText(QStringView text, int signNumber);

// Seven rows of five dots (bit 4 = leftmost column); nullptr when the font has no glyph.
const std::array<std::uint8_t, 7> *matrixGlyph(char32_t ch);

// Octagonal dot (row 0..6, column 0..4) of a dot-matrix cell, in cell coordinates.
std::array<QPoint, 8> matrixDotPolygon(int row, int column, int w, int h, Thickness style, bool hoverWidens);

} // namespace LiquidGeometry
