#include "core/protocol/ExportedResults.h"

namespace {
bool hasBothRuns(const ResultLine &line)
{
    return line.value(ResultColumn::Time1) != 0 && line.value(ResultColumn::Time2) != 0;
}
} // namespace

bool isBlankEntry(const ResultLine &line)
{
    return line.text(ResultColumn::Name).trimmed().isEmpty() && line.value(ResultColumn::Time1) == 0
        && line.value(ResultColumn::Time2) == 0;
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

QString exportedText(const ResultLine &line, ResultColumn column)
{
    if (column == ResultColumn::GrandTotal && !hasBothRuns(line))
        return QString();
    return line.text(column);
}

std::optional<std::int64_t> exportedHundredths(const ResultLine &line, ResultColumn column)
{
    if (resultColumnKind(column) != ResultKind::Time || exportedText(line, column).isEmpty())
        return std::nullopt;
    const std::int32_t ms = line.value(column);
    if (ms < 0)
        return std::nullopt;
    // The shown time drops the thousandths; the number must be the time as shown.
    return std::int64_t(ms) / 10;
}
