// The search driver: iterative deepening with an aspiration window over the
// root list, each iteration run by every search thread at once. The caller
// passes the settings and gets the result back in a record.
#pragma once

#include <cstdint>

#include "search/searchthread.h"
#include "search/settings.h"

struct Engine;

// Searches the current position of the engine's front-end record. The caller
// clears the stop flag first (setupTimer does).
SearchResult think(Engine& engine, const SearchSettings& settings);

// One thread's search of the root list [first, end) at ply 0: the hash move
// first (only when tbLimit is not 0), then the others from the highest entry
// score down (from depth 2 on);
// each entry's score becomes the effort its move took (rootEffortScore), by
// which think orders the next iteration.
uint64_t rootSearch(SearchThread& t, int depth, int alpha, int beta, uint64_t* first, uint64_t* end,
                    int tbLimit, PvLine& line);
