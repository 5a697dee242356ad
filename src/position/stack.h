// The position stack: the game's positions followed by the search's, one slot
// per ply. Every search thread's record embeds one.
#pragma once

#include <cstdint>

#include "position/position.h"

constexpr int MAX_PLY = 64;

struct PositionStack {
    uint32_t rootLastMove;  // stands for the lastMove of slot 0's parent
    // Two zeroed slots in front of slot 0, never written: a position with no
    // own pieces, where every backward scan (repetitions) stops.
    Position stackGuard[2];
    Position positions[POSITION_STACK_SIZE];
    Position* current;
};

// The lastMove word of the slot before pos (rootLastMove for slot 0).
inline Move parentLastMove(const PositionStack& s, const Position* pos)
{
    return pos == s.positions ? s.rootLastMove : pos[-1].lastMove;
}

// Clears the whole stack, puts the start position in slot 0 (of a Chess960
// game with chess960: Position::chess960), makes it current and returns it.
// Only the board: callers that start a new game also clear the search's
// tables.
Position* newGame(PositionStack& stack, bool chess960 = false);
