#pragma once

// What run control tells the protocol about the run going on: the protocol draws the current
// participant's cells and the running row from it.
struct RunState
{
    bool running = false;
    int currentRow = -1;
    int runNumber = 1; // 1, 2, or 0 for an empty run editor

    friend bool operator==(const RunState &, const RunState &) = default;
};
