#pragma once

#include <QFont>

class QWidget;

// The windows' common font: Arial (Liberation Sans on Linux), bold, at a pixel height.
QFont arialBold(int pixelSize);

void centreOnScreen(QWidget *window);

// The program's organisation and name, as the settings and the session see them. No display
// name: the platform would append it to every window title ("Info — Zorvexa"), and the titles
// are exactly the designed ones.
void setApplicationIdentity();
