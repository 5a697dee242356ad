// The search driver: iterative deepening with an aspiration window over the
// root list, each iteration run by every search thread at once, and the three
// output routines (search information, principal variation, best move).
#pragma once

#include <cstdint>

#include "search/searchthread.h"

// State of the last completed iteration, written by its winning thread.
extern PvLine bestLine;
extern Move ponderMove;
extern uint8_t winnerThread;
extern uint8_t winnerSelDepth;
extern uint64_t totalNodes;
extern uint64_t totalTbHits;

// Searches the front end's current position; returns the result word (move 0
// when the side to move has no legal move). The caller clears stopSearch
// first (setupTimer does).
uint64_t think(SearchThread& front);

// One thread's search of the root list [first, end) at ply 0.
uint64_t rootSearch(SearchThread& t, int depth, int alpha, int beta, uint64_t* first, uint64_t* end,
                    int tbLimit, PvLine& line);

// Runs one iteration on all search threads; returns the winner's result word.
uint64_t runIteration(SearchThread& front);

void printSearchInfo(const SearchThread& front, uint64_t result, const PvLine& line);
void printLine(const SearchThread& front, const PvLine& line);
// Called after the best move was played on the front end's board: the best
// move is written for the side that played it, the ponder move for the side
// now to move.
void printBestMove(const SearchThread& front, uint64_t result, Move ponder);
