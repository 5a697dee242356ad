// Quiescence search, cached in the thread's HashQ.
#pragma once

#include <cstdint>

#include "search/searchthread.h"

// Resolves captures (and quiet checks in the first two plies, evasions in
// check) below the nominal depth. depth is 0 on entry and falls by 1 per ply.
int quiescence(SearchThread& t, int depth, int ply, int alpha, int beta, int tbLimit);
