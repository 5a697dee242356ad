// "go perft N" in UCI: the leaf count below each root move, then the total,
// the form that move-generator tools compare line by line.
#pragma once

#include <atomic>
#include <cstdint>

#include "position/stack.h"

// Whether a "go" line asks for perft (its first word after "go" is "perft").
bool isGoPerftLine(const char* line);

// Answers "go perft N" for the game's current position: one "<move>: <count>"
// line per legal move, in UCI move text and in generation order, then an
// empty line and "Nodes searched: <total>". A depth that is not 1..64 is
// answered with an info string line alone. Above depth 5 `stop` is looked at
// every few thousand leaves; once it is raised the count ends with an info
// string line before the total of the moves finished.
void goPerft(PositionStack& game, const char* line, const std::atomic<uint32_t>& stop);
