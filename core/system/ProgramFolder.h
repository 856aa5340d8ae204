#pragma once

#include <QString>

// The folder that holds the program file, with a trailing separator. A portable copy keeps its
// class files here; dataFolder() says where they are.
QString programFolder();

// Tests run against a temporary folder instead of the build directory.
void overrideProgramFolder(const QString &folder);
