#pragma once

#include <QPushButton>

// A button that acts the moment any mouse button goes down on it, not at the release.
class PressButton final : public QPushButton
{
    Q_OBJECT

public:
    using QPushButton::QPushButton;

signals:
    // timestamp is the event's own, in the windowing system's milliseconds.
    void mouseDown(Qt::MouseButton button, quint64 timestamp);

protected:
    void mousePressEvent(QMouseEvent *event) override;
};
