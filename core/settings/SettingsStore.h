#pragma once

#include <QString>

// The per-user settings: an INI file in the user's configuration folder (organisation
// "Brasquell", application "Zorvexa"), sections as groups, every value stored as text. Each
// call opens and closes the store, so nothing is held open between operations.
class SettingsStore final
{
public:
    SettingsStore() = default;

    // The default when the value is missing or is no finite number.
    double readNumber(const QString &section, const QString &key, double defaultValue) const;
    // False when the store could not be written.
    bool writeNumber(const QString &section, const QString &key, double value) const;

    QString readText(const QString &section, const QString &key, const QString &defaultValue) const;
    bool writeText(const QString &section, const QString &key, const QString &value) const;
};
