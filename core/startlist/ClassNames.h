#pragma once

#include <QString>

inline constexpr int FirstClass = 1;
inline constexpr int LastClass = 10;

// The name of a class (1..10); a null string when there is none to give.
// Until the class editor keeps the names, every class has its default name "Class 01".."Class 10".
QString ClassNameOf(int classIndex);

// "Class " and the two-digit class number, the word translated by the catalogue.
QString defaultClassName(int classIndex);
