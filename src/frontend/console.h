// The console protocol loop. Returns 1 when it ends on its quit command.
#pragma once

#include <cstdint>

#include "search/think.h"

int consoleLoop();


// The console's search: the root side noted, the clock started (a timer only
// when a move time is set), the search run and its best move played on the
// thread's board. Returns the search's result.
SearchResult thinkAndPlay(SearchThread& t);
