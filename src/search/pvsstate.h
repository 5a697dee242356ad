// What the default node search keeps per thread besides the position stack:
// one record per ply (static evaluation, killers, the move a singular search
// leaves out) and the history tables. Part of the thread's record, so that
// nothing is allocated while searching.
#pragma once

#include <cstdint>
#include <cstring>

#include "position/stack.h"
#include "search/history.h"

// The static evaluation of a ply in check: unknown.
constexpr int NO_EVAL = -30001;

struct PlyState {
    int16_t staticEval;  // corrected static evaluation; NO_EVAL in check
    Move excluded;       // left out by a singular-extension search, else 0
    Move killers[2];
};

// Plies below the root that a node may look back at (ply - 4 at ply 0).
constexpr int PLY_STATE_OFFSET = 4;

struct PvsThreadState {
    PlyState plies[MAX_PLY + PLY_STATE_OFFSET + 4];
    HistoryTables history;
    uint8_t searchAge;  // the table age of the search the killers belong to
};

// Empties the thread's killers, histories and corrections (a new game).
inline void clearPvsState(PvsThreadState& s)
{
    std::memset(static_cast<void*>(s.plies), 0, sizeof s.plies);
    clearHistoryTables(s.history);
    s.searchAge = 0;
}

// The record of `ply` (0 = the root).
inline PlyState* plyState(PvsThreadState& s, int ply) { return &s.plies[ply + PLY_STATE_OFFSET]; }
