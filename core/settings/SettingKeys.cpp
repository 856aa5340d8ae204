#include "core/settings/SettingKeys.h"

#include "core/settings/ClassNames.h"

SettingKey<QString> Setting::ClassName(int classIndex)
{
    return {QStringLiteral("Class Names"), QStringLiteral("Class %1").arg(classIndex, 2, 10, QLatin1Char('0')),
            defaultClassName(classIndex)};
}
