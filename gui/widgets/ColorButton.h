#pragma once

#include <QToolButton>

#include <cstdint>

// A button showing a colour; it drops down a palette of common colours and an "&Other..." entry
// that opens the full colour dialog. Colours are 0xBBGGRR numbers, as the settings keep them.
class ColorButton final : public QToolButton
{
    Q_OBJECT

public:
    explicit ColorButton(QWidget *parent = nullptr);

    std::uint32_t color() const { return m_color; }
    // Shows the colour; emits colorChanged only when it differs.
    void setColor(std::uint32_t bgr);

signals:
    void colorChanged(std::uint32_t bgr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void chooseOther();

    std::uint32_t m_color = 0;
};
