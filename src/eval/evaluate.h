// The static evaluation: a tapered middle-game/end-game score of a position
// from the side to move's view, optionally cached in an EvalCache. It is the
// classic or the default evaluation as the mode in force says (setEvalMode in
// params.h); a cache holds the scores of one mode only.
#pragma once

#include "position/position.h"
#include "eval/evalcache.h"

// Score of pos. Probes and stores cache; a null cache or one without a table
// (its allocation failed) evaluates every time.
Score evaluate(const Position& pos, EvalCache* cache);

// The evaluation computed from scratch, without any cache.
Score evaluatePosition(const Position& pos);

// Game phase from the material on the board: 64 with all pieces, 0 with
// kings and pawns only.
int gamePhase(const Position& pos);
