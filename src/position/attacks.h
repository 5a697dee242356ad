// Attack tables of every piece from every square, the PEXT slider lookups and
// the two attack tests used everywhere (checkers, leavesKingInCheck).
#pragma once

#include "position/bitboard.h"
#include "position/position.h"

extern Bitboard Between[64][64];
extern Bitboard kingAttacks[64];
extern Bitboard knightAttacks[64];
extern Bitboard pawnAttacks[64];
extern Bitboard pawnAttackers[64];
extern Bitboard epAttackers[8];
extern Bitboard rookMask[64];
extern Bitboard bishopMask[64];
extern const Bitboard* rookTable[64];
extern const Bitboard* bishopTable[64];

// Builds all attack tables. Uses PEXT: call only after BMI2 is confirmed.
void buildSliderTables();

inline Bitboard rookAttacks(int s, Bitboard occ) { return rookTable[s][pext(occ, rookMask[s])]; }
inline Bitboard bishopAttacks(int s, Bitboard occ) { return bishopTable[s][pext(occ, bishopMask[s])]; }
inline Bitboard queenAttacks(int s, Bitboard occ) { return rookAttacks(s, occ) | bishopAttacks(s, occ); }

// The own king's square; 0 when the side to move has no king.
inline int ownKingSquare(const Position& p)
{
    Bitboard k = p.own & kings(p);
    return k ? lsb(k) : 0;
}

Bitboard checkers(const Position& pos);
int leavesKingInCheck(const Position& pos, Move move);
Bitboard pinnedImmobile(const Position& pos);
