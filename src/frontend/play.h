// The console's search-and-play step, shared by its go command and the
// move-ordering test.
#pragma once

#include "search/settings.h"

// The console's search: the root side noted, the clock started (a timer only
// when a move time is set), the search run and its best move played on the
// thread's board. Returns the search's result.
SearchResult thinkAndPlay(SearchThread& t);
