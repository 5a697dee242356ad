// Perft: the number of leaf nodes of the legal move tree, a check of move
// generation and make-move against known counts.
#pragma once

#include <cstdint>

#include "position/position.h"
#include "position/stack.h"

// Leaf count at `depth` (>= 1) below the stack's current position. The last
// ply is counted without making the moves. 0 when the depth would run past
// the end of the position stack.
uint64_t perft(PositionStack& stack, int depth);

// perft(stack, depth), and 1 for depth 0 (or any depth below 1).
uint64_t perftRoot(PositionStack& stack, int depth);

// Leaf count below an arbitrary stack slot; the slots after pos are used.
uint64_t perftFrom(Position* pos, int depth);

// The six positions of the perft suite with their depths and known counts;
// the console's perft test, the search bench and the search's node signature
// use the same positions.
struct PerftCase {
    const char* fen;
    int depth;
    uint64_t expected;
};
constexpr int PERFT_SUITE_SIZE = 6;
extern const PerftCase PERFT_SUITE[PERFT_SUITE_SIZE];
