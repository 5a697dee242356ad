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

// Pieces of the set t attacking square k when the board holds occ. Enemy pawns
// attack downward, so they stand where an own pawn on k would attack; the
// shift rather than pawnAttacks, which is empty on rank 1 where a king can be.
inline Bitboard attackersOf(const Position& pos, int k, Bitboard occ, Bitboard t)
{
    return ((pawnAttacksUp(squareBit(k)) & pawns(pos)) | (knightAttacks[k] & knights(pos)) | (kingAttacks[k] & kings(pos))
            | (rookAttacks(k, occ) & straightSliders(pos)) | (bishopAttacks(k, occ) & diagonalSliders(pos)))
           & t;
}

// Enemy pieces giving check to the own king.
Bitboard checkers(const Position& pos);

// Nonzero when the pseudo-legal move would leave the own king attacked. The
// planes are those before the move: the mover is own and the captured piece is
// taken out of the attacker set, so neither disturbs the test.
inline int leavesKingInCheck(const Position& pos, Move move)
{
    const int from = moveFrom(move), to = moveTo(move);
    Bitboard occ = (occupied(pos) ^ squareBit(from)) | squareBit(to);
    Bitboard t = enemy(pos) & ~squareBit(to);
    int k;
    if (movingPiece(move) == KING) {
        k = to;
    } else {
        k = ownKingSquare(pos);
        if (moveKind(move) == KIND_EN_PASSANT) {
            occ ^= squareBit(to - 8);
            t ^= squareBit(to - 8);
        }
    }
    return attackersOf(pos, k, occ, t) != 0;
}

// Own knights, bishops and rooks pinned against their king along a line they
// cannot move on (knights on any line, bishops on files and ranks, rooks on
// diagonals).
Bitboard pinnedImmobile(const Position& pos);
