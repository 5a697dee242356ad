// The static evaluation: a tapered middle-game/end-game score of a position
// from the side to move's view, cached per thread in HashEval.
#pragma once

#include "position/position.h"
#include "search/searchthread.h"

// Score of the thread's current position. Probes and stores the thread's
// HashEval; a thread without one (its allocation failed) evaluates every
// time. The position is not changed.
Score evaluate(SearchThread& thread);

// The evaluation computed from scratch, without any cache.
Score evaluatePosition(const Position& pos);

// Game phase from the material on the board: 64 with all pieces, 0 with
// kings and pawns only.
int gamePhase(const Position& pos);
