#pragma once

#include <QColor>
#include <QWidget>

// A plain filled bar without outline: the posts and the beam of the light barrier.
class ShapeBar final : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QColor brushColor READ brushColor WRITE setBrushColor)

public:
    explicit ShapeBar(QWidget *parent = nullptr);

    QColor brushColor() const { return m_color; }
    void setBrushColor(const QColor &color);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_color = Qt::black;
};
