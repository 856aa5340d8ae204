#pragma once

#include "core/protocol/ClassResults.h"

#include <QString>

#include <optional>
#include <vector>

// What the notice-board exports (workbook, web page, printout) show of the scored results, so the
// three never disagree.

// A start list row with no name and no time in either run: a line nobody has filled in yet.
bool isBlankEntry(const ResultLine &line);

// The lines an export lists, in the results' order, without blank entries.
std::vector<const ResultLine *> exportedLines(const ClassResults &results);

// The cell text an export shows: the results' text, a time entered by hand with its mark beside it.
QString exportedText(const ResultLine &line, ListField column);

// The run's time column holds a time entered by hand.
bool isHandTime(const ResultLine &line, ListField column);
// Any line the export lists has a hand time, so the legend goes with it.
bool hasHandTimes(const ClassResults &results);

// The exported time of a time column in hundredths, as its text shows it; nothing for a marked run,
// an empty or a negative (wrapped) time.
std::optional<std::int64_t> exportedHundredths(const ResultLine &line, ListField column);
