// Process-wide search state that outlives a single search.
#pragma once

#include <cstdint>

// Search counter: advanced by every search, reset by a new game; ages TT entries.
extern uint8_t hashAge;

// Clears killers, history and counter-moves of the front end's record and of
// every search thread's record, and resets hashAge (a new game).
void clearSearchState();
