#pragma once

#include <QColor>
#include <QWidget>

// Single-line, centred, anti-aliased text with a drop shadow on a solid background.
class ShadowLabel final : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText)
    Q_PROPERTY(QColor textColor READ textColor WRITE setTextColor)
    Q_PROPERTY(QColor shadowColor READ shadowColor WRITE setShadowColor)
    Q_PROPERTY(QColor backgroundColor READ backgroundColor WRITE setBackgroundColor)

public:
    explicit ShadowLabel(QWidget *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);
    QColor textColor() const { return m_textColor; }
    void setTextColor(const QColor &color);
    QColor shadowColor() const { return m_shadowColor; }
    void setShadowColor(const QColor &color);
    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor &color);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_text;
    QColor m_textColor = Qt::black;
    QColor m_shadowColor = Qt::gray;
    QColor m_backgroundColor = Qt::transparent;
};
