// Copy-make: a move writes the child position into the next stack slot,
// mirrored for the opponent. Unmaking is stepping back one slot.
#pragma once

#include "position/position.h"
#include "position/stack.h"

// A game move (one played in the console or after a search, or one of a
// set-up move list) is made only from a slot below GAME_STACK_LIMIT, so a
// search from any game position has at least 2 * MAX_PLY - 1 free slots
// above it. Moves played one by one are refused at the limit (gameHasRoom);
// a set-up move list instead slides its newest GAME_STACK_KEEP positions down
// to slot 0, dropping older ones, which loses nothing a search reads (more
// than 100 reversible plies back, the fifty-move rule has already made the
// position a draw).
constexpr int GAME_STACK_LIMIT = POSITION_STACK_SIZE - 2 * MAX_PLY;
constexpr int GAME_STACK_KEEP = 128;

// Plays a pseudo-legal move from pos (a stack slot) into the slot after it and
// returns that slot. pos.lastMove records the move. A word that is not a move (kind 0 or
// any value outside the move kinds) gives an unchanged copy of pos.
Position* makeMove(Position& pos, Move move);

// The null move: the opponent moves next on an otherwise unchanged board,
// made from pos (a stack slot, whose lastMove becomes 0) into the slot after
// it, which is returned.
Position* makeNullMove(Position* pos);

// The key makeMove(pos, move) would give the child, without making the move:
// lets a search start loading the child's table entries early.
uint64_t keyAfterMove(const Position& pos, Move move);

// Whether move is one of the pseudo-legal moves of pos and leaves the own king
// safe.
int isLegalMove(const Position& pos, Move move);

// Whether one more game move may be made from the thread's current slot.
bool gameHasRoom(const PositionStack& thread);

// A game move: when the thread has room and move is legal in its current
// position, plays it, makes the child current and returns 1; otherwise
// returns 0 and changes nothing.
int makeMoveIfLegal(PositionStack& thread, Move move);

// Slides the thread's stack down when its current slot has reached
// GAME_STACK_LIMIT (see above) and returns the (possibly moved) current slot.
Position* keepStackRoom(PositionStack& thread);
