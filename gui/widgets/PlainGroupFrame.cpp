#include "gui/widgets/PlainGroupFrame.h"

#include <QPainter>
#include <QStyleFactory>
#include <QStyleOption>
#include <QWidget>

void PlainGroupFrame::drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                                    const QWidget *widget) const
{
    if (element != PE_FrameGroupBox) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    // Where and how Fusion draws the frame of a box without a title: a line with rounded corners,
    // a lighter line inside it, and a face a shade below the window's.
    const QRect r = option->rect.adjusted(1, 4, 0, 0);
    const QColor window = option->palette.window().color();
    const int l = r.left(), t = r.top(), rr = r.right(), b = r.bottom();
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->fillRect(r.adjusted(1, 1, -1, -1), window.darker(101));
    painter->setPen(window.darker(103));
    painter->drawLines(QList<QLine> {QLine(l + 1, t + 1, rr - 1, t + 1), QLine(l + 1, b - 1, rr - 1, b - 1),
                                     QLine(l + 1, t + 1, l + 1, b - 1), QLine(rr - 1, t + 1, rr - 1, b - 1)});
    painter->setPen(window.darker(111));
    painter->drawLines(QList<QLine> {QLine(l + 1, t, rr - 1, t), QLine(l + 1, b, rr - 1, b), QLine(l, t + 1, l, b - 1),
                                     QLine(rr, t + 1, rr, b - 1)});
    painter->restore();
}

void PlainGroupFrame::apply(QWidget *groupBox)
{
    if (groupBox->style()->name().compare(QLatin1String("fusion"), Qt::CaseInsensitive) != 0)
        return;
    auto *style = new PlainGroupFrame(QStyleFactory::create(QStringLiteral("Fusion")));
    style->setParent(groupBox);
    groupBox->setStyle(style);
}
