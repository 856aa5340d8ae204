#include "gui/widgets/LiquidGeometry.h"

#include <QString>

#include <algorithm>
#include <climits>
#include <cmath>

namespace LiquidGeometry {

Layout computeLayout(int indicatorWidth, int indicatorHeight, int signNumber, qint64 margin)
{
    Layout layout;
    layout.margin = int(std::clamp<qint64>(margin, INT_MIN / 4, INT_MAX / 4));
    if (indicatorWidth <= 0 || indicatorHeight <= 0 || signNumber <= 0)
        return layout;
    // 64-bit so that a huge gap or bevel width cannot overflow.
    const qint64 width = indicatorWidth;
    const qint64 height = indicatorHeight;
    qint64 h = height - 2 * qint64(layout.margin);
    if (h < 1 || h > height)
        h = height;
    const qint64 widest = width / signNumber;
    qint64 w = (width - 2 * qint64(layout.margin)) / signNumber;
    if (w < 1 || w > widest)
        w = widest;
    layout.cellWidth = int(w);
    layout.cellHeight = int(h);
    return layout;
}

double segmentThickness(int w, int h, Thickness style, bool hoverWidens)
{
    double divisor = 0;
    double least = 0;
    switch (style) {
    case Thickness::Thin:
        divisor = hoverWidens ? 6.0 : 8.0;
        least = 2;
        break;
    case Thickness::Normal:
        divisor = hoverWidens ? 5.0 : 6.0;
        least = 3;
        break;
    case Thickness::Thick:
        divisor = hoverWidens ? 4.5 : 5.0;
        least = 4;
        break;
    }
    return std::max(std::min(h / divisor, w / divisor), least);
}

int truncateToInt(double value)
{
    return int(std::trunc(value));
}

Hexagon segmentPolygon(int segment, int w, int h, double t)
{
    const double cx = w / 8.0;
    const double cy = h / 8.0;
    const double s = t / 2;
    const auto T = &truncateToInt;
    const auto dot = [&](double x, double y) -> Hexagon {
        return {{{T(x - t / 3), T(y + 2 * t / 3)},
                 {T(x - 2 * t / 3), T(y)},
                 {T(x - t / 3), T(y - 2 * t / 3)},
                 {T(x + t / 3), T(y - 2 * t / 3)},
                 {T(x + 2 * t / 3), T(y)},
                 {T(x + t / 3), T(y + 2 * t / 3)}}};
    };
    switch (segment) {
    case 1:
        return {{{T(cx), T(7 * cy + s) - 1},
                 {T(cx - s), T(7 * cy - s) - 1},
                 {T(1.5 * cx - s), T(4 * cy + s)},
                 {T(1.5 * cx), T(4 * cy)},
                 {T(1.5 * cx + s), T(4 * cy + s)},
                 {T(cx + s), T(7 * cy - s) - 1}}};
    case 2:
        return {{{T(1.5 * cx), T(4 * cy) - 1},
                 {T(1.5 * cx - s), T(4 * cy - s) - 1},
                 {T(2 * cx - s), T(cy + s)},
                 {T(2 * cx), T(cy - s)},
                 {T(2 * cx + s), T(cy + s)},
                 {T(1.5 * cx + s), T(4 * cy - s) - 1}}};
    case 3:
        return {{{T(2 * cx) + 1, T(cy - s)},
                 {T(2 * cx + s) + 1, T(cy - s)},
                 {T(6.5 * cx - s) - 1, T(cy - s)},
                 {T(6.5 * cx) - 1, T(cy - s)},
                 {T(6.5 * cx - s) - 1, T(cy + s)},
                 {T(2 * cx + s) + 1, T(cy + s)}}};
    case 4:
        return {{{T(6.5 * cx), T(cy - s)},
                 {T(6.5 * cx + s), T(cy + s)},
                 {T(6 * cx + s), T(4 * cy - s) - 1},
                 {T(6 * cx), T(4 * cy) - 1},
                 {T(6 * cx - s), T(4 * cy - s) - 1},
                 {T(6.5 * cx - s), T(cy + s)}}};
    case 5:
        return {{{T(6 * cx), T(4 * cy)},
                 {T(6 * cx + s), T(4 * cy + s)},
                 {T(5.5 * cx + s), T(7 * cy - s) - 1},
                 {T(5.5 * cx), T(7 * cy + s) - 1},
                 {T(5.5 * cx - s), T(7 * cy - s) - 1},
                 {T(6 * cx - s), T(4 * cy + s)}}};
    case 6:
        return {{{T(cx) + 1, T(7 * cy + s)},
                 {T(cx + s) + 1, T(7 * cy - s)},
                 {T(5.5 * cx - s) - 1, T(7 * cy - s)},
                 {T(5.5 * cx) - 1, T(7 * cy + s)},
                 {T(5.5 * cx - s) - 1, T(7 * cy + s)},
                 {T(cx + s) + 1, T(7 * cy + s)}}};
    case 7:
        return {{{T(1.5 * cx) + 1, T(4 * cy)},
                 {T(1.5 * cx + s) + 1, T(4 * cy - s)},
                 {T(6 * cx - s) - 1, T(4 * cy - s)},
                 {T(6 * cx) - 1, T(4 * cy)},
                 {T(6 * cx - s) - 1, T(4 * cy + s)},
                 {T(1.5 * cx + s) + 1, T(4 * cy + s)}}};
    case 8:
        return dot(4 * cx, 2.5 * cy);
    case 9:
        return dot(3.5 * cx, 5.5 * cy);
    case 10:
        return {{{T(5.5 * cx + t / 4) + 1, T(7 * cy)},
                 {T(5.5 * cx + t / 2) + 1, T(7 * cy - s)},
                 {T(5.5 * cx + 5 * t / 4), T(7 * cy - s)},
                 {T(5.5 * cx + 3 * t / 2), T(7 * cy)},
                 {T(5.5 * cx + 5 * t / 4), T(7 * cy + s)},
                 {T(5.5 * cx + t / 2) + 1, T(7 * cy + s)}}};
    default:
        return {};
    }
}

std::uint16_t nineSegmentMask(char32_t ch)
{
    // Written as segments 1..9 from left to right.
    const auto m = [](const char(&bits)[10]) {
        std::uint16_t mask = 0;
        for (int i = 0; i < 9; ++i)
            if (bits[i] == '1')
                mask |= std::uint16_t(1u << i);
        return mask;
    };
    switch (ch) {
    case U'0':
    case U'O':
        return m("111111000");
    case U'1':
        return m("000110000");
    case U'2':
        return m("101101100");
    case U'3':
        return m("001111100");
    case U'4':
        return m("010110100");
    case U'5':
        return m("011011100");
    case U'6':
        return m("111011100");
    case U'7':
        return m("001110000");
    case U'8':
        return m("111111100");
    case U'9':
        return m("011111100");
    case U'-':
        return m("000000100");
    case U':':
        return m("000000011");
    case U'_':
        return m("000001000");
    case U'A':
        return m("111110100");
    case U'C':
        return m("111001000");
    case U'E':
        return m("111001100");
    case U'F':
        return m("111000100");
    case U'G':
        return m("111011000");
    case U'H':
        return m("110110100");
    case U'J':
        return m("100111000");
    case U'L':
        return m("110001000");
    case U'P':
        return m("111100100");
    case U'U':
        return m("110111000");
    case U'Y':
        return m("010111100");
    case U'b':
        return m("110011100");
    case U'c':
        return m("100001100");
    case U'd':
        return m("100111100");
    case U'h':
        return m("110010100");
    case U'i':
        return m("100000000");
    case U'j':
        return m("000011000");
    case U'l':
        return m("110000000");
    case U'n':
        return m("100010100");
    case U'o':
        return m("100011100");
    case U'r':
        return m("100000100");
    case U't':
        return m("110001100");
    case U'u':
        return m("100011000");
    default:
        return 0;
    }
}

namespace {

bool isPoint(char32_t ch)
{
    return ch == U'.' || ch == U',';
}

QList<cell> rightAlign(QList<cell> cells, int signNumber)
{
    if (signNumber <= 0)
        return {};
    if (cells.size() > signNumber)
        cells.resize(signNumber);
    QList<cell> aligned(signNumber - cells.size());
    aligned.append(cells);
    return aligned;
}

} // namespace

QList<cell> placeSegmentText(QStringView text, int signNumber)
{
    QList<cell> cells;
    bool previousTakesPoint = false;
    // Code points, so a character outside the basic plane is one (blank) cell, not two.
    for (const char32_t ch : text.toUcs4()) {
        if (isPoint(ch) && previousTakesPoint) {
            cells.last().point = true;
            previousTakesPoint = false;
        } else if (isPoint(ch)) {
            cells.append({0, true});
        } else {
            cells.append({ch, false});
            previousTakesPoint = true;
        }
        // Nothing after this can change the cells that are shown.
        if (cells.size() > signNumber)
            break;
    }
    return rightAlign(std::move(cells), signNumber);
}

QList<cell> placeMatrixText(QStringView text, int signNumber)
{
    QList<cell> cells;
    for (const char32_t ch : text.toUcs4()) {
        if (cells.size() >= signNumber)
            break;
        cells.append({ch, false});
    }
    return rightAlign(std::move(cells), signNumber);
}

namespace {

// Printable ASCII, one byte per column from left to right, bit 0 = top row.
constexpr std::uint8_t kColumns[95][5] = {
    {0x00, 0x00, 0x00, 0x00, 0x00}, // space
    {0x00, 0x00, 0x5F, 0x00, 0x00}, // !
    {0x00, 0x07, 0x00, 0x07, 0x00}, // "
    {0x14, 0x7F, 0x14, 0x7F, 0x14}, // #
    {0x24, 0x2A, 0x7F, 0x2A, 0x12}, // $
    {0x23, 0x13, 0x08, 0x64, 0x62}, // %
    {0x36, 0x49, 0x55, 0x22, 0x50}, // &
    {0x00, 0x05, 0x03, 0x00, 0x00}, // '
    {0x00, 0x1C, 0x22, 0x41, 0x00}, // (
    {0x00, 0x41, 0x22, 0x1C, 0x00}, // )
    {0x14, 0x08, 0x3E, 0x08, 0x14}, // *
    {0x08, 0x08, 0x3E, 0x08, 0x08}, // +
    {0x00, 0x50, 0x30, 0x00, 0x00}, // ,
    {0x08, 0x08, 0x08, 0x08, 0x08}, // -
    {0x00, 0x60, 0x60, 0x00, 0x00}, // .
    {0x20, 0x10, 0x08, 0x04, 0x02}, // /
    {0x3E, 0x51, 0x49, 0x45, 0x3E}, // 0
    {0x00, 0x42, 0x7F, 0x40, 0x00}, // 1
    {0x42, 0x61, 0x51, 0x49, 0x46}, // 2
    {0x21, 0x41, 0x45, 0x4B, 0x31}, // 3
    {0x18, 0x14, 0x12, 0x7F, 0x10}, // 4
    {0x27, 0x45, 0x45, 0x45, 0x39}, // 5
    {0x3C, 0x4A, 0x49, 0x49, 0x30}, // 6
    {0x01, 0x71, 0x09, 0x05, 0x03}, // 7
    {0x36, 0x49, 0x49, 0x49, 0x36}, // 8
    {0x06, 0x49, 0x49, 0x29, 0x1E}, // 9
    {0x00, 0x36, 0x36, 0x00, 0x00}, // :
    {0x00, 0x56, 0x36, 0x00, 0x00}, // ;
    {0x08, 0x14, 0x22, 0x41, 0x00}, // <
    {0x14, 0x14, 0x14, 0x14, 0x14}, // =
    {0x00, 0x41, 0x22, 0x14, 0x08}, // >
    {0x02, 0x01, 0x51, 0x09, 0x06}, // ?
    {0x32, 0x49, 0x79, 0x41, 0x3E}, // @
    {0x7E, 0x11, 0x11, 0x11, 0x7E}, // A
    {0x7F, 0x49, 0x49, 0x49, 0x36}, // B
    {0x3E, 0x41, 0x41, 0x41, 0x22}, // C
    {0x7F, 0x41, 0x41, 0x22, 0x1C}, // D
    {0x7F, 0x49, 0x49, 0x49, 0x41}, // E
    {0x7F, 0x09, 0x09, 0x09, 0x01}, // F
    {0x3E, 0x41, 0x49, 0x49, 0x7A}, // G
    {0x7F, 0x08, 0x08, 0x08, 0x7F}, // H
    {0x00, 0x41, 0x7F, 0x41, 0x00}, // I
    {0x20, 0x40, 0x41, 0x3F, 0x01}, // J
    {0x7F, 0x08, 0x14, 0x22, 0x41}, // K
    {0x7F, 0x40, 0x40, 0x40, 0x40}, // L
    {0x7F, 0x02, 0x0C, 0x02, 0x7F}, // M
    {0x7F, 0x04, 0x08, 0x10, 0x7F}, // N
    {0x3E, 0x41, 0x41, 0x41, 0x3E}, // O
    {0x7F, 0x09, 0x09, 0x09, 0x06}, // P
    {0x3E, 0x41, 0x51, 0x21, 0x5E}, // Q
    {0x7F, 0x09, 0x19, 0x29, 0x46}, // R
    {0x46, 0x49, 0x49, 0x49, 0x31}, // S
    {0x01, 0x01, 0x7F, 0x01, 0x01}, // T
    {0x3F, 0x40, 0x40, 0x40, 0x3F}, // U
    {0x1F, 0x20, 0x40, 0x20, 0x1F}, // V
    {0x3F, 0x40, 0x38, 0x40, 0x3F}, // W
    {0x63, 0x14, 0x08, 0x14, 0x63}, // X
    {0x07, 0x08, 0x70, 0x08, 0x07}, // Y
    {0x61, 0x51, 0x49, 0x45, 0x43}, // Z
    {0x00, 0x7F, 0x41, 0x41, 0x00}, // [
    {0x02, 0x04, 0x08, 0x10, 0x20}, // backslash
    {0x00, 0x41, 0x41, 0x7F, 0x00}, // ]
    {0x04, 0x02, 0x01, 0x02, 0x04}, // ^
    {0x40, 0x40, 0x40, 0x40, 0x40}, // _
    {0x00, 0x01, 0x02, 0x04, 0x00}, // `
    {0x20, 0x54, 0x54, 0x54, 0x78}, // a
    {0x7F, 0x48, 0x44, 0x44, 0x38}, // b
    {0x38, 0x44, 0x44, 0x44, 0x20}, // c
    {0x38, 0x44, 0x44, 0x48, 0x7F}, // d
    {0x38, 0x54, 0x54, 0x54, 0x18}, // e
    {0x08, 0x7E, 0x09, 0x01, 0x02}, // f
    {0x0C, 0x52, 0x52, 0x52, 0x3E}, // g
    {0x7F, 0x08, 0x04, 0x04, 0x78}, // h
    {0x00, 0x44, 0x7D, 0x40, 0x00}, // i
    {0x20, 0x40, 0x44, 0x3D, 0x00}, // j
    {0x7F, 0x10, 0x28, 0x44, 0x00}, // k
    {0x00, 0x41, 0x7F, 0x40, 0x00}, // l
    {0x7C, 0x04, 0x18, 0x04, 0x78}, // m
    {0x7C, 0x08, 0x04, 0x04, 0x78}, // n
    {0x38, 0x44, 0x44, 0x44, 0x38}, // o
    {0x7C, 0x14, 0x14, 0x14, 0x08}, // p
    {0x08, 0x14, 0x14, 0x18, 0x7C}, // q
    {0x7C, 0x08, 0x04, 0x04, 0x08}, // r
    {0x48, 0x54, 0x54, 0x54, 0x20}, // s
    {0x04, 0x3F, 0x44, 0x40, 0x20}, // t
    {0x3C, 0x40, 0x40, 0x20, 0x7C}, // u
    {0x1C, 0x20, 0x40, 0x20, 0x1C}, // v
    {0x3C, 0x40, 0x30, 0x40, 0x3C}, // w
    {0x44, 0x28, 0x10, 0x28, 0x44}, // x
    {0x0C, 0x50, 0x50, 0x50, 0x3C}, // y
    {0x44, 0x64, 0x54, 0x4C, 0x44}, // z
    {0x00, 0x08, 0x36, 0x41, 0x00}, // {
    {0x00, 0x00, 0x7F, 0x00, 0x00}, // |
    {0x00, 0x41, 0x36, 0x08, 0x00}, // }
    {0x08, 0x04, 0x08, 0x10, 0x08}, // ~
};

constexpr auto kRows = [] {
    std::array<std::array<std::uint8_t, 7>, 95> rows {};
    for (std::size_t g = 0; g < 95; ++g)
        for (int row = 0; row < 7; ++row)
            for (int column = 0; column < 5; ++column)
                if (kColumns[g][column] & (1u << row))
                    rows[g][row] |= std::uint8_t(0x10u >> column);
    return rows;
}();

} // namespace

const std::array<std::uint8_t, 7> *matrixGlyph(char32_t ch)
{
    if (ch < 0x20 || ch > 0x7E)
        return nullptr;
    return &kRows[ch - 0x20];
}

std::array<QPoint, 8> matrixDotPolygon(int row, int column, int w, int h, Thickness style, bool hoverWidens)
{
    // Five columns plus one column of spacing; seven rows plus one row of spacing.
    const double px = w / 6.0;
    const double py = h / 8.0;
    double fill = style == Thickness::Thin ? 0.55 : style == Thickness::Normal ? 0.7 : 0.85;
    if (hoverWidens)
        fill = std::min(fill + 0.12, 0.97);
    const double r = std::min(px, py) * fill / 2;
    const double k = r * 0.6;
    const double x = px * (column + 1);
    const double y = py * (row + 1);
    const auto T = &truncateToInt;
    return {{{T(x - r + k), T(y - r)},
             {T(x + r - k), T(y - r)},
             {T(x + r), T(y - r + k)},
             {T(x + r), T(y + r - k)},
             {T(x + r - k), T(y + r)},
             {T(x - r + k), T(y + r)},
             {T(x - r), T(y + r - k)},
             {T(x - r), T(y - r + k)}}};
}

} // namespace LiquidGeometry
