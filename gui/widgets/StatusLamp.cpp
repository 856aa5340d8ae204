#include "gui/widgets/StatusLamp.h"

#include <QPainter>
#include <QRadialGradient>

StatusLamp::StatusLamp(QWidget *parent)
    : QWidget(parent)
{
}

void StatusLamp::setLit(bool lit)
{
    if (lit == m_lit)
        return;
    m_lit = lit;
    update();
}

void StatusLamp::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int side = std::min(width(), height()) - 4;
    const QRectF lamp((width() - side) / 2.0, (height() - side) / 2.0, side, side);
    QRadialGradient glass(lamp.center() - QPointF(side / 6.0, side / 6.0), side / 1.6);
    glass.setColorAt(0, m_lit ? QColor(190, 255, 190) : QColor(90, 140, 90));
    glass.setColorAt(1, m_lit ? QColor(0, 200, 0) : QColor(0, 70, 0));
    painter.setBrush(glass);
    painter.setPen(QPen(QColor(40, 40, 40), 1));
    painter.drawEllipse(lamp);
}
