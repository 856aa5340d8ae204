#pragma once

#include "core/live/LiveSnapshot.h"

class StartList;

// The one place where the live results meet the program's scoring: places, penalties and totals
// exactly as the protocol shows them.
LiveClass scoreLiveClass(int classIndex, const StartList &list, std::int64_t fpSeconds, std::int64_t fsSeconds);
// A class from its class file; a class without a file is empty, one that cannot be read names why.
LiveClass scoreLiveClassFile(int classIndex, std::int64_t fpSeconds, std::int64_t fsSeconds);
