#pragma once

#include <QDate>

// Today's date as the program counts it. Tests set a day of their own, so that nothing they
// check depends on the day they run; a null date gives the system's date again.
QDate today();
void setToday(const QDate &date);
