#pragma once

#include <QFont>

class QWidget;

// The windows' common font: Arial (Liberation Sans on Linux), bold, at a pixel height.
QFont ArialBold(int pixelSize);

void CentreOnScreen(QWidget *window);
