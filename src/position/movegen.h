// Pseudo-legal move generators. Each writes entries (move word and ordering
// score) from `list` on and returns the end; callers give room for MAX_MOVES
// entries. Legality is tested afterwards, move by move, with
// leavesKingInCheck; only castling is checked for attacked squares here.
#pragma once

#include "position/position.h"

// Captures (most valuable victim, least valuable attacker: 16 x victim code +
// 6 - attacker code), all promotions (queen 85, rook -1, bishop -2, knight -3)
// and en passant (21).
MoveEntry* generateCaptures(const Position& pos, MoveEntry* list);

// Non-capturing moves other than promotions, castling included; score 0.
MoveEntry* generateQuiets(const Position& pos, MoveEntry* list);

// generateQuiets followed by generateCaptures.
MoveEntry* generateAll(const Position& pos, MoveEntry* list);

// The legal moves, quiet ones first, as bare words (score 0).
MoveEntry* generateLegal(const Position& pos, MoveEntry* list);

// Whether the side to move has at least one legal move: captures are tried
// first, then quiet moves, stopping at the first legal one.
bool hasLegalMove(const Position& pos);

// The number of legal moves (the length of generateLegal's list), counted
// from pins and target sets without listing or testing the moves one by one.
int countLegalMoves(const Position& pos);

// Replies to a check; checkerSet is the nonzero result of checkers(pos).
MoveEntry* generateEvasions(const Position& pos, Bitboard checkerSet, MoveEntry* list);

// Non-capturing moves that give check, directly or by uncovering a slider.
MoveEntry* generateQuietChecks(const Position& pos, MoveEntry* list);
