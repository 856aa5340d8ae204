#pragma once

#include <QLocale>
#include <QString>

// Both "," and "." are typed as the decimal sign, whatever the desktop's language: read as a group
// separator, "2.9" would become 29. The other sign becomes the locale's own.
inline void takeEitherDecimalSign(QString &input, const QLocale &locale)
{
    const QString point = locale.decimalPoint();
    if (point == QStringLiteral(","))
        input.replace(QLatin1Char('.'), QLatin1Char(','));
    else if (point == QStringLiteral("."))
        input.replace(QLatin1Char(','), QLatin1Char('.'));
}
