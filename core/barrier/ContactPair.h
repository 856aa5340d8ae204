#pragma once

#include <QString>

#include <optional>

// The light barrier's two pins on the port: the output that powers the barrier and the input
// line whose change is a beam interruption. Both are TIOCM_* bits.
struct ContactPair
{
    int supply = 0;
    int watched = 0;
};

// The settings' contact index: 0 "4-1", 1 "4-6", 2 "7-8", 3 "7-9" (pin 4 DTR, 7 RTS; pin 1 DCD,
// 6 DSR, 8 CTS, 9 RI). Nothing for any other index.
std::optional<ContactPair> contactPairAt(int index);
