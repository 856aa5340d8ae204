#pragma once

#include "core/marks/RunMarks.h"

#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

// One participant as the live pages show it. Times are whole milliseconds, 0 for "no time".
struct LiveEntry
{
    int number = 0; // position in the start list, from 1
    QString startNr, name, age, info1, info2, info3;
    std::int32_t time1 = 0, fp1 = 0, fs1 = 0, penalty1 = 0, total1 = 0;
    std::int32_t time2 = 0, fp2 = 0, fs2 = 0, penalty2 = 0, total2 = 0;
    std::int32_t grandTotal = 0;
    int place = 0; // 0: no place yet
    // n.a., DNF or DSQ of each run, with a disqualification's reason.
    EntryMarks marks;
    // Each run's time was entered by hand.
    std::array<bool, 2> handRuns {};
    // The texts of the times as the protocol shows them.
    QString time1Text, total1Text, time2Text, total2Text, grandTotalText;

    bool isDone() const { return time1 != 0 && time2 != 0; }
    std::int32_t runTime(int run) const { return run == 1 ? time1 : time2; }
};

struct LiveClass
{
    int index = 0;
    QString name;
    // By place; participants without a place last, in start order.
    std::vector<LiveEntry> lines;
    // Failure to read the class file, shown instead of the entries.
    QString error;

    int entryCount() const { return int(lines.size()); }
    // Both runs timed.
    int doneCount() const;
    // At least one run still to drive.
    int toRunCount() const { return entryCount() - doneCount(); }
    const LiveEntry *entryByNumber(int number) const;
    const LiveEntry *leader() const { return !lines.empty() && lines.front().place == 1 ? &lines.front() : nullptr; }
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
    static constexpr int FirstClass = 1;
    static constexpr int ClassCount = 10;

    std::uint64_t version = 0;
    QString eventName;
    std::int64_t fpSeconds = 2, fsSeconds = 10;
    int currentClass = 1;
    bool running = false;
    LiveRun onCourse; // valid while running
    LiveRun lastFinish; // number 0 while nobody finished since the program started
    std::array<LiveClass, ClassCount> classes;

    const LiveClass *classAt(int classIndex) const;
    // The entry who starts next: the first after the one on course (or the last finisher) in start
    // order whose time in the current run is missing.
    const LiveEntry *nextUp() const;
};

using LiveSnapshotPtr = std::shared_ptr<const LiveSnapshot>;
