// The tuner's few points of contact with the position, evaluation and search
// code: setting up a training position, its static and quiescence scores, the
// score of a shallow search, and emptying the record's caches. The record
// belongs to an engine (its table and stop flags) for the searches.
#pragma once

#include "eval/trace.h"
#include "search/searchthread.h"

// Sets the record's game to the FEN; false when the FEN reader refuses it.
bool setUpTrainingPosition(SearchThread& t, const char* fen);

// Whether the side to move of the current position is in check, and whether
// it is Black.
bool positionInCheck(SearchThread& t);
bool sideToMoveIsBlack(SearchThread& t);

// The default evaluation's score of the current position and the counts of
// the parameters it read.
int positionCoefficients(SearchThread& t, EvalCoefficients& out);

// Static evaluation of the record's current position, computed afresh: the
// record's evaluation cache answers by key alone, so after a change of the
// parameters its entries would be stale.
int staticScore(SearchThread& t);

// Quiescence search of the current position at the root, full window.
int quiescenceScore(SearchThread& t);

// Root search of the current position to `depth` with the full window, on
// fresh move-ordering tables (the score of a position does not depend on the
// positions searched before it). -INFINITE when there is no legal move.
int searchScore(SearchThread& t, int depth);

// Empties the record's evaluation and quiescence caches and the shared
// transposition table: to be called whenever the parameters change and a
// search or quiescence score is to follow.
void clearTunerCaches(SearchThread& t);
