#include "gui/common/PrintedPage.h"

#include <QPaintDevice>
#include <QPainter>

#include <algorithm>

namespace PrintedPage {

QPageLayout a4(QPageLayout::Orientation orientation, double topMarginMm)
{
    return QPageLayout(QPageSize(QPageSize::A4), orientation, QMarginsF(12, topMarginMm, 12, 10),
                       QPageLayout::Millimeter);
}

QFont font(double points, bool bold)
{
    QFont result(QStringLiteral("Arial"));
    result.setPointSizeF(points);
    result.setBold(bold);
    return result;
}

double ruleWidth(const QPaintDevice &device)
{
    return std::max(1.0, device.logicalDpiY() / 72.0 * 0.6);
}

void drawFooter(QPainter &painter, const QRectF &page, double height, const Footer &footer)
{
    const double top = page.bottom() - height;
    painter.setPen(QPen(QColor(0x99, 0x99, 0x99), ruleWidth(*painter.device())));
    painter.drawLine(QPointF(page.left(), top), QPointF(page.right(), top));
    painter.setPen(Qt::black);
    const QRectF room(page.left(), top, page.width(), height);
    painter.drawText(room, Qt::AlignLeft | Qt::AlignVCenter, footer.left);
    painter.drawText(room, Qt::AlignRight | Qt::AlignVCenter,
                     QStringLiteral("Seite %1 von %2").arg(footer.page).arg(footer.pages));
    if (!footer.centre.isEmpty())
        painter.drawText(room, Qt::AlignHCenter | Qt::AlignVCenter, footer.centre);
}

} // namespace PrintedPage
