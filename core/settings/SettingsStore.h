#pragma once

#include "core/settings/SettingKey.h"
#include "core/system/FileResult.h"

#include <QString>

// The per-user settings file: INI at user scope, organisation "Brasquell", application "Zorvexa",
// so $XDG_CONFIG_HOME/Brasquell/Zorvexa.ini. Every value is kept as text; nothing holds the file
// open. Reads come from the file as last parsed while it is the same file, unchanged in size and
// time; a write, or an edit by hand, has it parsed again. The keys are in SettingKeys.h.
//
// A missing file, section or value gives the key's default. A value that is there but is not
// text (a "@ByteArray(...)" or "@Variant(...)" entry) is a failure with the value's name.
//
// Only a regular file (links followed) of at most MaxFileSize is read or written. Anything else
// (a FIFO, a device, a folder, a link to nothing, a huge file) is left alone: reads give the
// defaults, writes fail, and checkFile() says why.
class SettingsStore final
{
public:
    static constexpr qint64 MaxFileSize = 1024 * 1024;

    static QString filePath();
    // Fine when the file is missing or usable; otherwise why it is left alone.
    static FileResult checkFile();

    Result<QString> read(const SettingKey<QString> &key) const;
    // The stored text read as a decimal integer; the default when it is no valid integer.
    Result<int> read(const SettingKey<int> &key) const;
    // Stored as an integer, 1 for true and 0 for false; true when it is not 0.
    Result<bool> read(const SettingKey<bool> &key) const;
    // A decimal number with a point, whatever the workstation's separator, so the file reads the
    // same everywhere; the default when it is no finite number.
    Result<double> read(const SettingKey<double> &key) const;

    // Creates the section when it is missing and replaces the value.
    FileResult write(const SettingKey<QString> &key, const QString &value);
    FileResult write(const SettingKey<int> &key, int value);
    FileResult write(const SettingKey<bool> &key, bool value);
    FileResult write(const SettingKey<double> &key, double value);
};
