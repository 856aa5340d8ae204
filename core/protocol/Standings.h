#pragma once

#include "core/marks/HandTimes.h"
#include "core/marks/RunMarks.h"
#include "core/protocol/RaceRanking.h"
#include "core/protocol/RaceRules.h"
#include "core/protocol/Scoring.h"
#include "core/startlist/StartList.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// What every output shows of a class: the protocol, the exports, the pages and the club ranking
// all render this and work nothing out themselves.

struct RunStanding
{
    // As stored: whole milliseconds, 0 for no time.
    std::int32_t time = 0, fp = 0, fs = 0;
    std::int32_t penalty = 0;
    // The shown time plus the penalty; none for a marked run.
    std::optional<std::int32_t> total;
    MarkedRun mark;
    // The time was entered by hand and still is that value.
    bool hand = false;
};

struct EntryStanding
{
    std::array<RunStanding, 2> runs;
    // Both runs timed and neither marked; a sum past 32 bits keeps its low 32 bits.
    std::optional<std::int32_t> total;
    // What places compare: the total read unsigned, or in "Bester Lauf" the better unmarked run's
    // total. None for a driver without a place.
    std::optional<std::uint32_t> rankValue;
    // 0 for no place; mark then says what keeps the driver from one, if anything.
    int place = 0;
    RunMark mark = RunMark::None;
    // The ranking value less the leader's; none without a place.
    std::optional<std::uint32_t> gap;

    const RunStanding &run(int run) const { return runs[run == 1 ? 0 : 1]; }
};

// The run being driven, and who drove last in it (on course, or the last to finish): -1 for nobody.
struct CurrentRun
{
    int run = 1;
    int after = -1;
};

struct ClassStandings
{
    // In list order.
    std::vector<EntryStanding> entries;
    // The order results are listed in: by place, then those without a place in start order.
    std::vector<int> order;
    // In start order: no time and no mark in the current run.
    std::vector<int> toRun;
    // The first of those after the current run's last driver, -1 for none.
    int next = -1;
    // When an Info field holds the club: the clubs by place, those with too few ranked drivers last.
    std::vector<ClubStanding> clubs;
};

// Marks and hand times may be shorter than the entries (no marks, no hand times for the rest).
ClassStandings standings(const StartList::Entries &entries, const std::vector<EntryMarks> &marks,
                         const ClassHandTimes &hands, const RaceRules &rules, const CurrentRun &current = {});

// One entry's ranking value, for the protocol's one-row updates while a run is timed. Sum of both
// runs: a driver with both runs timed and unmarked ranks by their total. Best run: the better of
// the timed, unmarked runs ranks. A disqualification in either run unranks in both modes.
std::optional<std::uint32_t> rankValueOf(const RunFields &runs, const Score &score, const EntryMarks &marks,
                                         ScoringMode mode);
