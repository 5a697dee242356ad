// How the game stands after a move is played: repetition, the fifty-move
// rule, checkmate and stalemate.
#pragma once

#include "position/position.h"

// The ends that apply, as bits: a draw rule and a mate or stalemate may hold
// at once (a mate on the hundredth ply).
constexpr unsigned GAME_END_REPETITION = 1;   // the position stands for the third time
constexpr unsigned GAME_END_FIFTY_MOVES = 2;  // a hundred plies without capture or pawn move
constexpr unsigned GAME_END_MATE = 4;         // the side to move is checkmated
constexpr unsigned GAME_END_STALEMATE = 8;

// 0 while the game goes on.
unsigned gameEnd(const Position& pos);
