#include "core/marks/HandTime.h"

#include <QRegularExpression>

std::optional<std::int32_t> parseHandTime(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral("^\\s*(\\d{1,2}):(\\d{2})[.,](\\d{2})\\s*$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const int minutes = match.captured(1).toInt();
    const int seconds = match.captured(2).toInt();
    const int hundredths = match.captured(3).toInt();
    if (seconds >= 60)
        return std::nullopt;
    const std::int32_t ms = ((minutes * 60 + seconds) * 100 + hundredths) * 10;
    // No time at all is no result: a run cell holding 0 is an empty run.
    if (ms == 0)
        return std::nullopt;
    return ms;
}
