#pragma once

#include <QFont>

class QDialog;
class QWidget;

// The windows' common font: Arial (Liberation Sans on Linux), bold, at a pixel height.
QFont arialBold(int pixelSize);

void centreOnScreen(QWidget *window);

// Shows a dialog modally over owner, which stays in front of the other windows while it is open,
// and gives it back to its own parent afterwards. The dialog keeps its place on the screen.
int execInFrontOf(QDialog &dialog, QWidget &owner);

// The program's organisation and name, as the settings and the session see them. No display
// name: the platform would append it to every window title ("Info — Zorvexa"), and the titles
// are exactly the designed ones.
void setApplicationIdentity();
