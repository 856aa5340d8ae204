#pragma once

#include <QString>

// The folder that holds the program file, with a trailing separator; the class files live here.
QString programFolder();

// Tests run against a temporary folder instead of the build directory.
void overrideProgramFolder(const QString &folder);
