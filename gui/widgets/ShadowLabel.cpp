#include "gui/widgets/ShadowLabel.h"

#include "gui/widgets/DrawnText.h"

#include <QPainter>

ShadowLabel::ShadowLabel(QWidget *parent)
    : QWidget(parent)
{
}

void ShadowLabel::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    update();
}

void ShadowLabel::setTextColor(const QColor &color)
{
    m_textColor = color;
    update();
}

void ShadowLabel::setShadowColor(const QColor &color)
{
    m_shadowColor = color;
    update();
}

void ShadowLabel::setBackgroundColor(const QColor &color)
{
    m_backgroundColor = color;
    update();
}

void ShadowLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    if (m_backgroundColor.alpha() > 0)
        painter.fillRect(rect(), m_backgroundColor);
    painter.setFont(font());
    const int flags = Qt::AlignCenter | Qt::TextSingleLine;
    const QString shown = fontMetrics().elidedText(drawnText(m_text), Qt::ElideRight, width() - 4);
    painter.setPen(m_shadowColor);
    painter.drawText(rect().translated(2, 2), flags, shown);
    painter.setPen(m_textColor);
    painter.drawText(rect(), flags, shown);
}
