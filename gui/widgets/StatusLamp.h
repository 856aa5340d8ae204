#pragma once

#include <QWidget>

// A small round lamp, green, lit or dark.
class StatusLamp final : public QWidget
{
    Q_OBJECT

public:
    explicit StatusLamp(QWidget *parent = nullptr);

    bool isLit() const { return m_lit; }
    void setLit(bool lit);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_lit = false;
};
