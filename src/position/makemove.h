// Copy-make: a move writes the child position into the next stack slot,
// mirrored for the opponent. Unmaking is stepping back one slot.
#pragma once

#include "position/position.h"
#include "search/searchthread.h"

// Game moves (set-up move lists, moves played one by one) never take the
// current slot past GAME_STACK_LIMIT, so a search from any game position has
// at least 2 * MAX_PLY free slots above it. When the limit is reached the
// newest GAME_STACK_KEEP positions slide down to slot 0; older ones are
// dropped, which loses nothing a search reads (more than 100 reversible plies
// back, the fifty-move rule has already made the position a draw).
constexpr int GAME_STACK_LIMIT = POSITION_STACK_SIZE - 2 * MAX_PLY;
constexpr int GAME_STACK_KEEP = 128;

// Plays a pseudo-legal move from pos (a stack slot) into the slot after it and
// returns that slot. pos.lastMove records the move. A word that is not a move (kind 0 or
// any value outside the move kinds) gives an unchanged copy of pos.
Position* makeMove(Position& pos, Move move);

// Whether move is one of the pseudo-legal moves of pos and leaves the own king
// safe.
int isLegalMove(const Position& pos, Move move);

// For a game move on the front end's stack: when pos is mainThread's current
// slot and move is legal there, plays it, makes the child current and returns
// 1; otherwise returns 0 and changes nothing.
int makeMoveIfLegal(Position& pos, Move move);

// Slides the thread's stack down when its current slot has reached
// GAME_STACK_LIMIT (see above); call before playing a game move with makeMove.
// Returns the (possibly moved) current slot.
Position* keepStackRoom(SearchThread& thread);
