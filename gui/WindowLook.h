#pragma once

#include <QFont>

class QWidget;

// The windows' common font: Arial (Liberation Sans on Linux), bold, at a pixel height.
QFont arialBold(int pixelSize);

void centreOnScreen(QWidget *window);
