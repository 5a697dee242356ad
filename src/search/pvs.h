// The default node search (the one played unless Classic is set): fail-soft
// principal-variation search with history-driven pruning and reductions, and
// its own quiescence search over the shared table. The root move loop is the
// driver's (think's rootSearch); this search starts one ply below it.
#pragma once

#include "search/searchthread.h"

// Searches t.current, a child of the root made from the slot before it, to
// `depth` remaining plies at distance `ply` (1) from the root. Writes the
// principal variation into `pv` at PV nodes.
int pvsRootChild(SearchThread& t, int depth, int ply, int alpha, int beta, int tbLimit, PvLine& pv);

// The quiescence search of the default search (captures, and every evasion
// in check), from t.current at distance `ply`.
int pvsQuiescence(SearchThread& t, int ply, int alpha, int beta, int tbLimit);

// Base late-move reduction in 1/1024 plies for a move searched `moveNumber`th
// (1 = first) at `depth` remaining plies; grows with log(depth) * log(moves).
int lateMoveReduction(int depth, int moveNumber);
