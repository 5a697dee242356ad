// Principal-variation alpha-beta search below the root (the root itself is
// think's rootSearch).
#pragma once

#include <array>
#include <cstdint>

#include "search/searchthread.h"

// Plies of reduction for a late quiet move: row = remaining depth (0..63),
// column = index of the quiet move (1 for the first, capped at 63).
extern const std::array<std::array<uint8_t, 64>, 64> CT_LMR_R;

// Searches t.current to `depth` remaining plies at distance `ply` from the
// root. Writes the principal variation into `pv` when a move raises alpha.
// tbLimit: tablebases are probed when at most this many pieces remain (0 = off).
int alphaBeta(SearchThread& t, int depth, int ply, int alpha, int beta, int tbLimit, PvLine& pv);

