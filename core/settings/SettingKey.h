#pragma once

#include <QString>

#include <utility>

// One value of the settings file: the section and name it is stored under, the type it is read
// as, and what stands when it is missing or unreadable. Declared once, in SettingKeys.h.
template<typename T> struct SettingKey final
{
    SettingKey(const char *sectionName, const char *valueName, T defaultValue)
        : section(QString::fromLatin1(sectionName))
        , name(QString::fromLatin1(valueName))
        , fallback(std::move(defaultValue))
    {
    }
    SettingKey(QString sectionName, QString valueName, T defaultValue)
        : section(std::move(sectionName))
        , name(std::move(valueName))
        , fallback(std::move(defaultValue))
    {
    }

    QString section;
    QString name;
    T fallback;
};
