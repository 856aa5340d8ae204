#include "gui/common/Colors.h"
#include "gui/widgets/LiquidGeometry.h"
#include "gui/widgets/OvrenLiquidIndicator.h"
#include "support/GuiTestMain.h"

#include <QEnterEvent>
#include <QSignalSpy>

#include <cmath>
#include <limits>
#include <numbers>

using namespace LiquidGeometry;
using Indicator = TOvrenLiquidIndicator;

namespace {

const QColor kGreen(0, 255, 0);
const QColor kGhost(0, 45, 0);
const QColor kBlack(0, 0, 0);

QPoint centreOf(const QPoint *points, int count)
{
    int x = 0, y = 0;
    for (int i = 0; i < count; ++i) {
        x += points[i].x();
        y += points[i].y();
    }
    return {x / count, y / count};
}

// Centre of a segment of cell `cell` (0-based) on a Tablo-shaped display: 77 x 97 cells, margin 2.
QPoint tabloSegmentCentre(int cell, int segment)
{
    const Hexagon hexagon = segmentPolygon(segment, 77, 97, segmentThickness(77, 97, Thickness::Thick, false));
    return centreOf(hexagon.data(), 6) + QPoint(2 + cell * 77, 2);
}

QImage screenOf(Indicator &indicator)
{
    return indicator.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// '1' lit, '0' unlit, '?' neither, for each listed segment of one cell.
QString segmentStates(const QImage &image, int cell, const QList<int> &segments)
{
    QString states;
    for (const int segment : segments) {
        const QColor c = image.pixelColor(tabloSegmentCentre(cell, segment));
        states += c == kGreen ? u'1' : c == kGhost ? u'0' : u'?';
    }
    return states;
}

QString describe(const QList<cell> &cells)
{
    QStringList parts;
    for (const cell &cell : cells) {
        QString part = cell.character ? QString::fromUcs4(&cell.character, 1) : QString();
        parts << part + (cell.point ? QStringLiteral(".") : QString());
    }
    return parts.join(u'|');
}

QPixmap solid(const QColor &color)
{
    QPixmap picture(4, 4);
    picture.fill(color);
    return picture;
}

} // namespace

class TestLiquidIndicator final : public QObject
{
    Q_OBJECT

private slots:
    void segmentPolygons_data()
    {
        QTest::addColumn<int>("w");
        QTest::addColumn<int>("h");
        QTest::addColumn<int>("segment");
        QTest::addColumn<QList<QPoint>>("points");
        QTest::newRow("Tablo cell, middle bar")
            << 77 << 97 << 7 << QList<QPoint> {{15, 48}, {23, 40}, {49, 40}, {56, 48}, {49, 56}, {23, 56}};
        QTest::newRow("Tablo cell, decimal point")
            << 77 << 97 << 10 << QList<QPoint> {{57, 84}, {61, 77}, {72, 77}, {76, 84}, {72, 92}, {61, 92}};
        // cx - s = 1.5 - 2 = -0.5 truncates to 0, not to -1.
        QTest::newRow("small cell truncates toward zero")
            << 12 << 40 << 1 << QList<QPoint> {{1, 36}, {0, 32}, {0, 22}, {2, 20}, {4, 22}, {3, 32}};
    }
    void segmentPolygons()
    {
        QFETCH(int, w);
        QFETCH(int, h);
        QFETCH(int, segment);
        QFETCH(QList<QPoint>, points);
        const Hexagon hexagon = segmentPolygon(segment, w, h, segmentThickness(w, h, Thickness::Thick, false));
        QCOMPARE(QList<QPoint>(hexagon.begin(), hexagon.end()), points);
    }

    void layoutAndThickness_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("cells");
        QTest::addColumn<int>("margin");
        QTest::addColumn<int>("style");
        QTest::addColumn<bool>("hover");
        QTest::addColumn<int>("cellWidth");
        QTest::addColumn<int>("cellHeight");
        QTest::addColumn<double>("thickness");
        QTest::newRow("Tablo") << 545 << 101 << 7 << 2 << int(Thickness::Thick) << false << 77 << 97 << 15.4;
        QTest::newRow("Tablo hovered") << 545 << 101 << 7 << 2 << int(Thickness::Thick) << true << 77 << 97 << 77 / 4.5;
        QTest::newRow("Tablo normal") << 545 << 101 << 7 << 2 << int(Thickness::Normal) << false << 77 << 97
                                      << 77 / 6.0;
        QTest::newRow("Tablo thin") << 545 << 101 << 7 << 2 << int(Thickness::Thin) << false << 77 << 97 << 77 / 8.0;
        QTest::newRow("defaults: normal has at least 3")
            << 172 << 36 << 10 << 6 << int(Thickness::Normal) << false << 16 << 24 << 3.0;
        QTest::newRow("thin has at least 2") << 60 << 12 << 4 << 0 << int(Thickness::Thin) << false << 15 << 12 << 2.0;
        QTest::newRow("thick has at least 4") << 60 << 12 << 4 << 0 << int(Thickness::Thick) << true << 15 << 12 << 4.0;
        QTest::newRow("margin eats the height only")
            << 100 << 30 << 4 << 10 << int(Thickness::Thick) << false << 20 << 10 << 4.0;
        QTest::newRow("margin larger than the area")
            << 100 << 30 << 4 << 60 << int(Thickness::Thick) << false << 25 << 30 << 5.0;
        QTest::newRow("negative margin widens nothing")
            << 100 << 30 << 4 << -5 << int(Thickness::Thick) << false << 25 << 30 << 5.0;
    }
    void layoutAndThickness()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, cells);
        QFETCH(int, margin);
        QFETCH(int, style);
        QFETCH(bool, hover);
        QFETCH(int, cellWidth);
        QFETCH(int, cellHeight);
        QFETCH(double, thickness);
        const Layout layout = computeLayout(width, height, cells, margin);
        QCOMPARE(layout.cellWidth, cellWidth);
        QCOMPARE(layout.cellHeight, cellHeight);
        QCOMPARE(segmentThickness(cellWidth, cellHeight, Thickness(style), hover), thickness);
    }

    void placement_data()
    {
        QTest::addColumn<bool>("matrix");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("cells");
        QTest::addColumn<QString>("shown");
        QTest::newRow("time fills all seven") << false << "00:00.00" << 7 << "0|0|:|0|0.|0|0";
        QTest::newRow("100 minutes drop the last digit") << false << "100:00.00" << 7 << "1|0|0|:|0|0.|0";
        QTest::newRow("short text right-aligned") << false << "5.3" << 7 << "|||||5.|3";
        QTest::newRow("leading point takes a cell") << false << ".5" << 3 << "|.|5";
        QTest::newRow("second point takes a cell") << false << "5..3" << 4 << "|5.|.|3";
        QTest::newRow("comma is a point") << false << "1,2" << 2 << "1.|2";
        QTest::newRow("point after the cut still merges") << false << "123.4" << 3 << "1|2|3.";
        QTest::newRow("empty text is all blank") << false << "" << 3 << "||";
        QTest::newRow("character outside the basic plane is one cell") << false
                                                                       << QString::fromUcs4(U"\U0001F600"
                                                                                            "1")
                                                                       << 3 << "|\U0001F600|1";
        QTest::newRow("matrix keeps points in cells") << true << "5.3" << 4 << "|5|.|3";
        QTest::newRow("matrix shows the first characters") << true << "ABCDE" << 3 << "A|B|C";
        QTest::newRow("no cells") << false << "12" << 0 << "";
    }
    void placement()
    {
        QFETCH(bool, matrix);
        QFETCH(QString, text);
        QFETCH(int, cells);
        QFETCH(QString, shown);
        const QList<cell> placed = matrix ? placeMatrixText(text, cells) : placeSegmentText(text, cells);
        QCOMPARE(placed.size(), qsizetype(std::max(cells, 0)));
        QCOMPARE(describe(placed), shown);
    }

    // Which segments light up, read back from the painted pixels of a one-cell display.
    void litSegments_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("states");
        const int nine = Indicator::ik9segment;
        const int seven = Indicator::ik7segment;
        QTest::newRow("0") << nine << "0"
                           << "1111110000";
        QTest::newRow("O like 0") << nine << "O"
                                  << "1111110000";
        QTest::newRow("1") << nine << "1"
                           << "0001100000";
        QTest::newRow("2") << nine << "2"
                           << "1011011000";
        QTest::newRow("4") << nine << "4"
                           << "0101101000";
        QTest::newRow("8 with point") << nine << "8."
                                      << "1111111001";
        QTest::newRow("colon") << nine << ":"
                               << "0000000110";
        QTest::newRow("A") << nine << "A"
                           << "1111101000";
        QTest::newRow("b") << nine << "b"
                           << "1100111000";
        QTest::newRow("point alone") << nine << "."
                                     << "0000000001";
        QTest::newRow("lower-case a has no pattern") << nine << "a"
                                                     << "0000000000";
        QTest::newRow("blank") << nine << " "
                               << "0000000000";
        QTest::newRow("seven: 8 with point") << seven << "8."
                                             << "11111111";
        QTest::newRow("seven: colon is blank") << seven << ":"
                                               << "00000000";
        QTest::newRow("seven: 7") << seven << "7"
                                  << "00111000";
    }
    void litSegments()
    {
        QFETCH(int, kind);
        QFETCH(QString, text);
        QFETCH(QString, states);
        Indicator indicator;
        Indicator::configureAsTablo(indicator);
        indicator.setIndicatorKind(Indicator::TIndicatorKind(kind));
        indicator.setSignNumber(1);
        indicator.setIndicatorWidth(81); // one cell of Tablo's 77 x 97
        indicator.setText(text);
        const QList<int> segments = kind == Indicator::ik9segment ? QList<int> {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}
                                                                  : QList<int> {1, 2, 3, 4, 5, 6, 7, 10};
        QCOMPARE(segmentStates(screenOf(indicator), 0, segments), states);
    }

    void tabloPixels_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("cell");
        QTest::addColumn<int>("segment");
        QTest::addColumn<QColor>("color");
        QTest::newRow("first digit top lit") << "00:00.00" << 0 << 3 << kGreen;
        QTest::newRow("first digit middle ghost") << "00:00.00" << 0 << 7 << kGhost;
        QTest::newRow("digit's colon dots ghost") << "00:00.00" << 1 << 8 << kGhost;
        QTest::newRow("colon cell upper dot lit") << "00:00.00" << 2 << 8 << kGreen;
        QTest::newRow("colon cell lower dot lit") << "00:00.00" << 2 << 9 << kGreen;
        QTest::newRow("colon cell bars ghost") << "00:00.00" << 2 << 3 << kGhost;
        QTest::newRow("point in the fifth cell") << "00:00.00" << 4 << 10 << kGreen;
        QTest::newRow("no point in the fourth") << "00:00.00" << 3 << 10 << kGhost;
        QTest::newRow("last digit lower right") << "00:00.00" << 6 << 5 << kGreen;
        QTest::newRow("5.3: blank cells stay ghost") << "5.3" << 4 << 3 << kGhost;
        QTest::newRow("5.3: point of the 5") << "5.3" << 5 << 10 << kGreen;
        QTest::newRow("5.3: 3 has no lower left") << "5.3" << 6 << 1 << kGhost;
        QTest::newRow("5.3: 3 middle") << "5.3" << 6 << 7 << kGreen;
    }
    void tabloPixels()
    {
        QFETCH(QString, text);
        QFETCH(int, cell);
        QFETCH(int, segment);
        QFETCH(QColor, color);
        Indicator tablo;
        Indicator::configureAsTablo(tablo);
        tablo.setText(text);
        QCOMPARE(tablo.size(), QSize(545, 101));
        const QImage image = screenOf(tablo);
        QCOMPARE(image.pixelColor(tabloSegmentCentre(cell, segment)), color);
        // Margin and the pixels left over at the right stay background.
        QCOMPARE(image.pixelColor(0, 0), kBlack);
        QCOMPARE(image.pixelColor(543, 50), kBlack);
    }

    void tabloKeepsItsColours()
    {
        Indicator tablo;
        Indicator::configureAsTablo(tablo);
        QCOMPARE(tablo.colorScheme(), Indicator::csBlack);
        QCOMPARE(tablo.numberBackColor(), kGhost);
        QCOMPARE(tablo.numberForeColor(), kGreen);
        QCOMPARE(tablo.numberForeColor1(), QColor(255, 128, 0));
        QCOMPARE(tablo.indicatorString(), QStringLiteral("00:00.00"));
        // A scheme chosen later replaces the colours; red sits in the low byte.
        tablo.setColorScheme(Indicator::csPlasma);
        QCOMPARE(tablo.backColor(), QColor(128, 0, 0));
        QCOMPARE(screenOf(tablo).pixelColor(0, 0), QColor(128, 0, 0));
    }

    void sameTextDoesNothing()
    {
        Indicator tablo;
        Indicator::configureAsTablo(tablo);
        const quint64 before = tablo.rebuildCount();
        tablo.setText(QStringLiteral("00:00.00"));
        tablo.setProperty("Indicatorstring", QStringLiteral("00:00.00"));
        QCOMPARE(tablo.rebuildCount(), before);
        tablo.setText(QStringLiteral("00:00.01"));
        QCOMPARE(tablo.rebuildCount(), before + 1);
        tablo.setNumberForeColor(kGreen);
        QCOMPARE(tablo.rebuildCount(), before + 1);
    }

    void ignoredValues_data()
    {
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<int>("value");
        QTest::newRow("no cells") << QByteArray("SignNumber") << 0;
        QTest::newRow("negative cells") << QByteArray("SignNumber") << -3;
        QTest::newRow("zero width") << QByteArray("IndicatorWidth") << 0;
        QTest::newRow("negative height") << QByteArray("IndicatorHeight") << -1;
        QTest::newRow("zero bevel") << QByteArray("InnerBevelWidth") << 0;
        QTest::newRow("negative bevel") << QByteArray("OuterBevelWidth") << -2;
    }
    void ignoredValues()
    {
        QFETCH(QByteArray, property);
        QFETCH(int, value);
        Indicator indicator;
        const QVariant before = indicator.property(property);
        QVERIFY(before.isValid());
        const quint64 rebuilds = indicator.rebuildCount();
        indicator.setProperty(property, value);
        QCOMPARE(indicator.property(property), before);
        QCOMPARE(indicator.rebuildCount(), rebuilds);
    }

    void schemeWaitsForLoading()
    {
        Indicator indicator;
        indicator.beginLoading();
        const quint64 rebuilds = indicator.rebuildCount();
        indicator.setColorScheme(Indicator::csWhite);
        indicator.setSignNumber(3);
        QCOMPARE(indicator.rebuildCount(), rebuilds);
        indicator.finishLoading();
        QCOMPARE(indicator.rebuildCount(), rebuilds + 1);
        QCOMPARE(indicator.backColor(), colorFromBgr(14540253)); // csSilver's colours stay
        QCOMPARE(indicator.colorScheme(), Indicator::csWhite);
    }

    void sizeFollows()
    {
        Indicator indicator;
        QCOMPARE(indicator.size(), QSize(172, 36));
        indicator.setIndicatorWidth(300);
        QCOMPARE(indicator.size(), QSize(300, 36));
        indicator.show();
        indicator.resize(200, 50);
        QTRY_COMPARE(indicator.indicatorHeight(), 50);
        QCOMPARE(indicator.indicatorWidth(), 200);
        QCOMPARE(indicator.preparedImage().size(), QSize(200, 50));
    }

    void rotation_data()
    {
        QTest::addColumn<int>("angle");
        QTest::addColumn<QSize>("size");
        QTest::newRow("quarter turn") << 900 << QSize(101, 545);
        QTest::newRow("half turn") << 1800 << QSize(545, 101);
        QTest::newRow("three quarters") << 2700 << QSize(101, 545);
    }
    void rotation()
    {
        QFETCH(int, angle);
        QFETCH(QSize, size);
        Indicator tablo;
        Indicator::configureAsTablo(tablo);
        tablo.setText(QStringLiteral("8"));
        tablo.setIndicatorAngle(angle);
        QCOMPARE(tablo.size(), size);
        QCOMPARE(tablo.indicatorWidth(), 545);
        // The lit top bar of the last cell, turned counter-clockwise about the centre.
        const QPointF p = QPointF(tabloSegmentCentre(6, 3)) - QPointF(272.5, 50.5);
        const double radians = angle / 10.0 * std::numbers::pi / 180.0;
        const QPoint turned(qRound(size.width() / 2.0 + p.x() * std::cos(radians) + p.y() * std::sin(radians)),
                            qRound(size.height() / 2.0 - p.x() * std::sin(radians) + p.y() * std::cos(radians)));
        const QImage image = screenOf(tablo);
        QCOMPARE(image.pixelColor(turned), kGreen);
        QCOMPARE(image.pixelColor(0, 0), kBlack);
    }

    void bevels_data()
    {
        QTest::addColumn<QPoint>("pixel");
        QTest::addColumn<int>("grey");
        QTest::newRow("raised outer frame, left face light") << QPoint(0, 18) << 221 + 32;
        QTest::newRow("raised outer frame, top face light") << QPoint(86, 1) << 221 + 32;
        QTest::newRow("raised outer frame, bottom face dark") << QPoint(86, 35) << 221 - 32;
        QTest::newRow("raised outer frame, right face dark") << QPoint(171, 18) << 221 - 32;
        QTest::newRow("sunken inner frame, left face dark") << QPoint(2, 18) << 221 - 32;
        QTest::newRow("sunken inner frame, bottom face light") << QPoint(86, 33) << 221 + 32;
    }
    void bevels()
    {
        QFETCH(QPoint, pixel);
        QFETCH(int, grey);
        Indicator indicator; // defaults: csSilver, raised outer and sunken inner frame
        QCOMPARE(screenOf(indicator).pixelColor(pixel), QColor(grey, grey, grey));
    }

    void hover_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<QColor>("litWhileInside");
        QTest::addColumn<bool>("rebuilds");
        QTest::newRow("none") << int(Indicator::maNone) << kGreen << false;
        QTest::newRow("colour") << int(Indicator::maColor) << QColor(255, 128, 0) << true;
        QTest::newRow("width keeps the colour") << int(Indicator::maWidth) << kGreen << true;
        QTest::newRow("both") << int(Indicator::maBoth) << QColor(255, 128, 0) << true;
    }
    void hover()
    {
        QFETCH(int, action);
        QFETCH(QColor, litWhileInside);
        QFETCH(bool, rebuilds);
        Indicator tablo;
        Indicator::configureAsTablo(tablo);
        tablo.setMouseAction(Indicator::TMouseAction(action));
        QSignalSpy entered(&tablo, &Indicator::mouseEnter);
        QSignalSpy exited(&tablo, &Indicator::mouseExit);
        const quint64 before = tablo.rebuildCount();
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QApplication::sendEvent(&tablo, &enter);
        QCOMPARE(entered.count(), 1);
        QCOMPARE(entered.first().first().value<Indicator *>(), &tablo);
        QCOMPARE(tablo.rebuildCount() > before, rebuilds);
        QCOMPARE(screenOf(tablo).pixelColor(tabloSegmentCentre(0, 3)), litWhileInside);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&tablo, &leave);
        QCOMPARE(exited.count(), 1);
        QCOMPARE(screenOf(tablo).pixelColor(tabloSegmentCentre(0, 3)), kGreen);
    }

    void transparency_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("backgroundAlpha");
        QTest::addColumn<int>("unlitAlpha");
        QTest::newRow("opaque") << int(Indicator::tmNone) << 255 << 255;
        QTest::newRow("background only") << int(Indicator::tmBackOnly) << 0 << 255;
        QTest::newRow("all but lit") << int(Indicator::tmAll) << 0 << 0;
    }
    void transparency()
    {
        QFETCH(int, mode);
        QFETCH(int, backgroundAlpha);
        QFETCH(int, unlitAlpha);
        Indicator tablo;
        Indicator::configureAsTablo(tablo);
        tablo.setTransparentMode(Indicator::TTransparentMode(mode));
        const QImage &image = tablo.preparedImage();
        QCOMPARE(qAlpha(image.pixel(0, 0)), backgroundAlpha);
        QCOMPARE(qAlpha(image.pixel(tabloSegmentCentre(0, 7))), unlitAlpha);
        QCOMPARE(image.pixelColor(tabloSegmentCentre(0, 3)), kGreen);
        QCOMPARE(tablo.testAttribute(Qt::WA_OpaquePaintEvent), mode == Indicator::tmNone);
    }

    void materials_data()
    {
        QTest::addColumn<int>("shadow");
        QTest::addColumn<QColor>("unlit");
        QTest::newRow("darker") << int(Indicator::msmDark) << QColor(0, 0, 200 - 32);
        QTest::newRow("lighter") << int(Indicator::msmLight) << QColor(32, 32, 232);
        QTest::newRow("unchanged") << int(Indicator::msmNone) << QColor(0, 0, 200);
    }
    void materials()
    {
        QFETCH(int, shadow);
        QFETCH(QColor, unlit);
        Indicator tablo;
        Indicator::configureAsTablo(tablo);
        tablo.setMaterialShadowMode(Indicator::TMaterialShadowMode(shadow));
        tablo.setBackMaterial(solid(QColor(0, 0, 200)));
        tablo.setForeMaterial(solid(QColor(200, 0, 0)));
        const QImage image = screenOf(tablo);
        QCOMPARE(image.pixelColor(0, 0), QColor(0, 0, 200));
        QCOMPARE(image.pixelColor(tabloSegmentCentre(0, 7)), unlit);
        QCOMPARE(image.pixelColor(tabloSegmentCentre(0, 3)), QColor(200, 0, 0));
    }

    void materialModes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QPoint>("pixel");
        QTest::addColumn<QColor>("color");
        const QColor red(255, 0, 0), blue(0, 0, 255);
        QTest::newRow("tiled: first copy, left") << int(Indicator::mmTile) << QPoint(0, 0) << red;
        QTest::newRow("tiled: first copy, right") << int(Indicator::mmTile) << QPoint(1, 0) << blue;
        QTest::newRow("tiled: second copy") << int(Indicator::mmTile) << QPoint(2, 0) << red;
        QTest::newRow("stretched: left half") << int(Indicator::mmStretch) << QPoint(100, 0) << red;
        QTest::newRow("stretched: right half") << int(Indicator::mmStretch) << QPoint(444, 0) << blue;
    }
    void materialModes()
    {
        QFETCH(int, mode);
        QFETCH(QPoint, pixel);
        QFETCH(QColor, color);
        QImage halves(2, 1, QImage::Format_RGB32);
        halves.setPixelColor(0, 0, QColor(255, 0, 0));
        halves.setPixelColor(1, 0, QColor(0, 0, 255));
        Indicator tablo;
        Indicator::configureAsTablo(tablo);
        tablo.setMaterialMode(Indicator::TMaterialMode(mode));
        tablo.setBackMaterial(QPixmap::fromImage(halves));
        QCOMPARE(screenOf(tablo).pixelColor(pixel), color);
    }

    void dotMatrix()
    {
        Indicator indicator;
        Indicator::configureAsTablo(indicator);
        indicator.setIndicatorKind(Indicator::ik5x7matrix);
        indicator.setText(QStringLiteral("8I"));
        // Right-aligned: five blank cells, then the glyphs of 8 and I.
        QCOMPARE(indicator.litPolygons().polygonCount(), 17 + 11);
        QCOMPARE(indicator.unlitPolygons().polygonCount(), 7 * 35 - 28);
        const QImage image = screenOf(indicator);
        const auto dotCentre = [](int cell, int row, int column) {
            const auto dot = matrixDotPolygon(row, column, 77, 97, Thickness::Thick, false);
            return centreOf(dot.data(), 8) + QPoint(2 + cell * 77, 2);
        };
        QCOMPARE(image.pixelColor(dotCentre(6, 3, 2)), kGreen); // stem of I
        QCOMPARE(image.pixelColor(dotCentre(6, 3, 0)), kGhost);
        QCOMPARE(image.pixelColor(dotCentre(5, 0, 0)), kGhost); // 8 has round corners
        QCOMPARE(image.pixelColor(dotCentre(5, 0, 1)), kGreen);
        QCOMPARE(image.pixelColor(dotCentre(0, 3, 2)), kGhost);
        QVERIFY(!matrixGlyph(U'\u00e4'));
    }

    // Degenerate settings must neither hang nor crash; they draw no cells.
    void hugeCellCount()
    {
        Indicator indicator;
        indicator.setSignNumber(1'000'000'000);
        indicator.setText(QStringLiteral("12:34.56"));
        QCOMPARE(indicator.litPolygons().polygonCount(), 0);
        QCOMPARE(indicator.unlitPolygons().polygonCount(), 0);
        indicator.setSignNumber(2);
        QCOMPARE(indicator.litPolygons().polygonCount(), 2 + 5); // "1" and "2"
        indicator.setIndicatorGap(std::numeric_limits<int>::max());
        QCOMPARE(indicator.litPolygons().polygonCount(), 0);
        indicator.setIndicatorGap(std::numeric_limits<int>::min());
        QCOMPARE(indicator.litPolygons().polygonCount(), 0);
    }
};

ZORVEXA_TEST_MAIN(TestLiquidIndicator)
#include "test_liquid_indicator.moc"
