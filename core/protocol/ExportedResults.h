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

// The cell text an export shows. A participant without a time in both runs has no "Ges.Zeit":
// the sum of one run would read like the best result of the class. A time entered by hand has
// its mark beside it.
QString exportedText(const ResultLine &line, ResultColumn column);

// The run's time column holds a time entered by hand.
bool isHandTime(const ResultLine &line, ResultColumn column);
// Any line the export lists has a hand time, so the legend goes with it.
bool hasHandTimes(const ClassResults &results);

// The exported time of a time column in hundredths, as its text shows it; nothing for an empty or
// a negative (wrapped) time.
std::optional<std::int64_t> exportedHundredths(const ResultLine &line, ResultColumn column);
