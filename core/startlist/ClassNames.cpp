#include "core/startlist/ClassNames.h"

#include <QCoreApplication>

QString defaultClassName(int classIndex)
{
    return QCoreApplication::translate("ClassNames", "Class") + QLatin1Char(' ')
         + QStringLiteral("%1").arg(classIndex, 2, 10, QLatin1Char('0'));
}

QString ClassNameOf(int classIndex)
{
    if (classIndex < FirstClass || classIndex > LastClass)
        return QString();
    return defaultClassName(classIndex);
}
