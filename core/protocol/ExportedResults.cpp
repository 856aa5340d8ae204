#include "core/protocol/ExportedResults.h"

#include "core/marks/HandTimes.h"

#include <algorithm>

bool isBlankEntry(const ResultLine &line)
{
    return line.text(ListField::Name).trimmed().isEmpty() && line.value(ListField::Time1) == 0
        && line.value(ListField::Time2) == 0;
}

std::vector<const ResultLine *> exportedLines(const ClassResults &results)
{
    std::vector<const ResultLine *> lines;
    lines.reserve(results.lines.size());
    for (const ResultLine &line : results.lines) {
        if (!isBlankEntry(line))
            lines.push_back(&line);
    }
    return lines;
}

QString exportedText(const ResultLine &line, ListField column)
{
    if (isHandTime(line, column))
        return line.text(column) + QLatin1Char(' ') + handTimeMark();
    return line.text(column);
}

bool isHandTime(const ResultLine &line, ListField column)
{
    if (column == ListField::Time1)
        return line.handRuns[0];
    if (column == ListField::Time2)
        return line.handRuns[1];
    return false;
}

bool hasHandTimes(const ClassResults &results)
{
    const std::vector<const ResultLine *> lines = exportedLines(results);
    return std::any_of(lines.begin(), lines.end(),
                       [](const ResultLine *line) { return line->handRuns[0] || line->handRuns[1]; });
}

std::optional<std::int64_t> exportedHundredths(const ResultLine &line, ListField column)
{
    if (resultColumnKind(column) != ResultKind::Time || exportedText(line, column).isEmpty())
        return std::nullopt;
    if ((column == ListField::Time1 && line.runMarks[0] != RunMark::None)
        || (column == ListField::Time2 && line.runMarks[1] != RunMark::None))
        return std::nullopt;
    const std::int32_t ms = line.value(column);
    if (ms < 0)
        return std::nullopt;
    // The shown time drops the thousandths; the number must be the time as shown.
    return std::int64_t(ms) / 10;
}
