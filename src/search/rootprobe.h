// The tablebase decision at the root: every legal root move gets a value from
// the DTZ tables, only the moves that keep the result (within the fifty-move
// budget) stay in the list, and the position gets a tablebase score.
#pragma once

#include <cstdint>

#include "position/position.h"
#include "search/searchthread.h"

struct Tablebases;

constexpr int TB_WIN_SCORE = 15000;

// Tablebase score of a WDL probe result (-2..2) inside the tree. Without the
// fifty-move rule a cursed win (1) scores as a win, a blessed loss (-1) as a
// loss.
inline int wdlScore(int wdl, bool fiftyMoveRule)
{
    if (!fiftyMoveRule && wdl != 0)
        wdl = wdl > 0 ? 2 : -2;
    return wdl > 1 ? TB_WIN_SCORE : wdl < -1 ? -TB_WIN_SCORE : 2 * wdl;
}

// Whether a node with `depth` plies left may probe the WDL tables: any node
// at the least probe depth (1), otherwise those with at least that much left.
inline bool tbProbeDepthReached(const SearchThread& t, int depth)
{
    return t.tbProbeDepth <= 1 || depth >= t.tbProbeDepth;
}

// pos is a slot of a position stack with the next slot free (moves are made
// into it); [first, end) holds the legal moves of pos; tb the tables. On success returns 1,
// stores each kept move's value (plies, mover's view) in its entry score,
// moves end down past the last kept move, sorted ascending by value, and sets
// tbScore. Returns 0 when a probe failed (ignore list and score then). With
// fiftyMoveRule off a cursed win scores as a win and a blessed loss as a
// loss, and a lost root keeps every move (none is saved by the rule).
int rootProbe(Tablebases& tb, Position& pos, MoveEntry* first, int16_t& tbScore, MoveEntry*& end,
              bool fiftyMoveRule = true);

// The search driver's root step: when the front end's position has at most
// tbLimit men and rootProbe (under front.tbFiftyMoveRule) succeeds on its
// engine's tables, front's root list holds only the kept moves, front.tbLimit
// becomes 0 (nothing below the root probes) and the result is true with the
// tables' score in tbScore.
bool decideRootByTables(SearchThread& front, int tbLimit, int& tbScore);
