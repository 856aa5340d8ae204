#pragma once

#include <QProxyStyle>

// The Fusion style draws a group box's frame from a scaled image, and that drawing waits on Qt's
// own paint threads. The main window's top bar is repainted at every start and stop, so it draws
// the same frame as lines instead.
class PlainGroupFrame final : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget = nullptr) const override;

    // Gives the group box this frame when the program runs in the Fusion style; other styles keep
    // their own.
    static void apply(QWidget *groupBox);
};
