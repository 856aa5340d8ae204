#pragma once

#include "core/system/FileResult.h"

#include <QString>

// The per-user settings file: INI at user scope, organisation "Brasquell", application "Zorvexa",
// so $XDG_CONFIG_HOME/Brasquell/Zorvexa.ini. Every value is kept as text; each read or write opens
// the file and closes it again, so nothing holds it in between.
//
// A missing file, section or value gives the caller's default. A value that is there but is not
// text (a "@ByteArray(...)" or "@Variant(...)" entry) is a failure with the value's name.
class SettingsStore final
{
public:
    static QString filePath();

    Result<QString> readText(const QString &section, const QString &name, const QString &fallback) const;
    // The stored text read as a decimal integer; the default when it is no valid integer.
    Result<int> readInteger(const QString &section, const QString &name, int fallback) const;
    // An integer whose default is 1 for true and 0 for false; true when it is not 0.
    Result<bool> readBoolean(const QString &section, const QString &name, bool fallback) const;
    // A decimal number with a point, whatever the workstation's separator, so the file reads the
    // same everywhere; the default when it is no finite number.
    Result<double> readNumber(const QString &section, const QString &name, double fallback) const;

    // Creates the section when it is missing and replaces the value.
    FileResult writeText(const QString &section, const QString &name, const QString &value);
    FileResult writeInteger(const QString &section, const QString &name, int value);
    FileResult writeBoolean(const QString &section, const QString &name, bool value);
    FileResult writeNumber(const QString &section, const QString &name, double value);
};
