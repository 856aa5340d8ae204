#include "core/system/ProgramFolder.h"

#include <QCoreApplication>

namespace {
QString &overriddenFolder()
{
    static QString folder;
    return folder;
}

QString withTrailingSeparator(const QString &folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}
} // namespace

QString programFolder()
{
    if (!overriddenFolder().isEmpty())
        return overriddenFolder();
    return withTrailingSeparator(QCoreApplication::applicationDirPath());
}

void overrideProgramFolder(const QString &folder)
{
    overriddenFolder() = withTrailingSeparator(folder);
}
