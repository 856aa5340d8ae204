#pragma once

#include <QFont>
#include <QPageLayout>
#include <QRectF>
#include <QString>

class QPainter;
class QPaintDevice;

// What every printout shares: A4 with the same margins, Arial, the hairline rules and the footer
// with its text at the left and "Seite n von N" at the right.
namespace PrintedPage {

QPageLayout a4(QPageLayout::Orientation orientation, double topMarginMm = 12);
QFont font(double points, bool bold = false);
// A rule of about 0.6 points, never thinner than one device pixel.
double ruleWidth(const QPaintDevice &device);

struct Footer
{
    QString left;
    // Between the two; empty for none.
    QString centre;
    int page = 1;
    int pages = 1;
};

// The footer at the bottom of page, height tall, under a grey rule; the painter's font is used.
void drawFooter(QPainter &painter, const QRectF &page, double height, const Footer &footer);

} // namespace PrintedPage
