// The tablebase decision at the root: every legal root move gets a value from
// the DTZ tables, only the moves that keep the result (within the fifty-move
// budget) stay in the list, and the position gets a tablebase score.
#pragma once

#include <cstdint>

#include "position/position.h"
#include "search/searchthread.h"

struct Tablebases;

constexpr int TB_WIN_SCORE = 15000;

// Tablebase score of a WDL probe result (-2..2) inside the tree.
inline int wdlScore(int wdl) { return wdl > 1 ? TB_WIN_SCORE : wdl < -1 ? -TB_WIN_SCORE : 2 * wdl; }

// pos is a slot of a position stack with the next slot free (moves are made
// into it); [first, end) holds the legal moves of pos; tb the tables. On success returns 1,
// stores each kept move's value (plies, mover's view) in its entry score,
// moves end down past the last kept move, sorted ascending by value, and sets
// tbScore. Returns 0 when a probe failed (ignore list and score then).
int rootProbe(Tablebases& tb, Position& pos, MoveEntry* first, int16_t& tbScore, MoveEntry*& end);

// The search driver's root step: when the front end's position has at most
// tbLimit men and rootProbe succeeds on its engine's tables, front's root list holds only the kept
// moves, front.tbLimit becomes 0 (nothing below the root probes) and the
// result is true with the tables' score in tbScore.
bool decideRootByTables(SearchThread& front, int tbLimit, int& tbScore);
