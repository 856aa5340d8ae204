#include "gui/widgets/PressButton.h"

#include <QMouseEvent>

void PressButton::mousePressEvent(QMouseEvent *event)
{
    QPushButton::mousePressEvent(event);
    // A disabled button never gets here: Qt does not deliver presses to it.
    emit mouseDown(event->button(), event->timestamp());
}
