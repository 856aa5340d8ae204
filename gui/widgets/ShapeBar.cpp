#include "gui/widgets/ShapeBar.h"

#include <QPainter>

ShapeBar::ShapeBar(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ShapeBar::setBrushColor(const QColor &color)
{
    if (color == m_color)
        return;
    m_color = color;
    update();
}

void ShapeBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_color);
}
