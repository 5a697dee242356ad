// Perft: the number of leaf nodes of the legal move tree, a check of move
// generation and make-move against known counts.
#pragma once

#include <cstdint>

#include "position/position.h"

// Leaf count at `depth` (>= 1) below the main thread's current position. The
// last ply is counted without making the moves. 0 when the depth would run
// past the end of the position stack.
uint64_t perft(int depth);

// perft(depth), and 1 for depth 0 (or any depth below 1).
uint64_t perftRoot(int depth);

// Leaf count below an arbitrary stack slot; the slots after pos are used.
uint64_t perftFrom(Position* pos, int depth);
