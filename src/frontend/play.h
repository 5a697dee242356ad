// The console's search-and-play step, shared by its go command and the
// move-ordering test.
#pragma once

#include "search/settings.h"

struct Session;

// The console's search: the root side noted, the clock started (a timer only
// when a move time is set), the search run and its best move played on the
// game's board. Returns the search's result.
SearchResult thinkAndPlay(Session& session);

// Starts the engine's timer for a search; a timer that cannot be started
// ends the process (a search without its clock would never stop).
void startTimerOrExit(Engine& engine, int moveNumber, bool consoleClock);
