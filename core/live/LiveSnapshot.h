#pragma once

#include "core/protocol/RaceRules.h"
#include "core/protocol/Standings.h"
#include "core/startlist/StartList.h"

#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

// One class as the live outputs show it: the entries' texts and their standings, nothing worked
// out a second time.
struct LiveClass
{
    int index = 0;
    QString name;
    // In list order; only the texts are shown, the runs come from the standings.
    StartList::Entries entries;
    ClassStandings standings;
    // The run that "still to run" and "next" refer to.
    int run = 1;
    // Failure to read the class file, shown instead of the entries.
    QString error;

    int entryCount() const { return int(entries.size()); }
    // Both runs timed or marked.
    int doneCount() const;
    int toRunCount() const { return int(standings.toRun.size()); }
    // The entry's text; row in list order.
    const QString &text(int row, ListField field) const;
    const EntryStanding &standing(int row) const { return standings.entries[std::size_t(row)]; }
    bool isRow(int row) const { return row >= 0 && row < entryCount(); }
    // The row by the position counted from 1, as the JSON and the runs name it; -1 for none.
    int rowOf(int number) const { return isRow(number - 1) ? number - 1 : -1; }
    bool isToRun(int row) const;
};

// The participant on course, or the last one who finished.
struct LiveRun
{
    int classIndex = 0;
    int number = 0; // 0: nobody
    int run = 1;
    // Wall-clock start of the run on course, ms since the epoch; phones count from it.
    std::int64_t startEpochMs = 0;
    std::int32_t timeMs = 0; // the finisher's run time
};

// Everything the pages, the interface for tools and the audience window show, taken at one moment.
// It is immutable once published, so the server thread reads it without locks.
struct LiveSnapshot
{
    static constexpr int FirstClass = ::FirstClass;
    static constexpr int ClassCount = ::ClassCount;

    std::uint64_t version = 0;
    RaceRules rules;
    int currentClass = 1;
    bool running = false;
    LiveRun onCourse; // valid while running
    LiveRun lastFinish; // number 0 while nobody finished since the program started
    std::array<LiveClass, ClassCount> classes;

    const LiveClass *classAt(int classIndex) const;
    // The row of the entry who starts next in the current class, -1 for nobody.
    int nextUp() const;
    // "Name, Place, dd.MM.yyyy", what the event gives of them; empty for none.
    QString eventText() const;
};

using LiveSnapshotPtr = std::shared_ptr<const LiveSnapshot>;
