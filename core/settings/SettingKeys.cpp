#include "core/settings/SettingKeys.h"

#include "core/settings/ClassNames.h"

SettingKey<QString> Setting::ClassName(int classIndex)
{
    return {QStringLiteral("Class Names"), QStringLiteral("Class %1").arg(classIndex, 2, 10, QLatin1Char('0')),
            defaultClassName(classIndex)};
}

SettingKey<QString> Setting::InfoName(int info)
{
    return {QStringLiteral("Configuration"), QStringLiteral("Info%1Name").arg(info), QString()};
}

SettingKey<QString> Setting::MarshalPostName(int post)
{
    return {QStringLiteral("Marshal"), QStringLiteral("Post%1Name").arg(post), QString()};
}

SettingKey<QString> Setting::MarshalPostPin(int post)
{
    return {QStringLiteral("Marshal"), QStringLiteral("Post%1Pin").arg(post), QString()};
}
