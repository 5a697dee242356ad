// Bit primitives on bitboards. These compile to single BMI/POPCNT instructions;
// the processor check at start-up runs before any of them can.
#pragma once

#include <immintrin.h>

#include "position/types.h"

inline int lsb(Bitboard b) { return __builtin_ctzll(b); }
inline Bitboard clearLsb(Bitboard b) { return b & (b - 1); }
inline int popcount(Bitboard b) { return __builtin_popcountll(b); }
inline Bitboard pext(Bitboard b, Bitboard mask) { return _pext_u64(b, mask); }
inline Bitboard byteReverse(Bitboard b) { return __builtin_bswap64(b); }
inline Bitboard squareBit(int s) { return Bitboard(1) << s; }

// Pops and returns the lowest set square.
inline int popLsb(Bitboard& b)
{
    int s = lsb(b);
    b = clearLsb(b);
    return s;
}

constexpr Bitboard NOT_FILE_A = 0xFEFEFEFEFEFEFEFEULL;
constexpr Bitboard NOT_FILE_H = 0x7F7F7F7F7F7F7F7FULL;
constexpr Bitboard FILE_A = 0x0101010101010101ULL;
constexpr Bitboard RANK_1 = 0xFFULL;
constexpr Bitboard RANK_2 = RANK_1 << 8;
constexpr Bitboard RANK_3 = RANK_1 << 16;
constexpr Bitboard RANK_4 = RANK_1 << 24;
constexpr Bitboard RANK_7 = RANK_1 << 48;
constexpr Bitboard RANK_8 = RANK_1 << 56;

// Attacks of own pawns (upward) and of enemy pawns (downward).
inline Bitboard pawnAttacksUp(Bitboard p) { return ((p << 7) & NOT_FILE_H) | ((p << 9) & NOT_FILE_A); }
inline Bitboard pawnAttacksDown(Bitboard e) { return ((e >> 9) & NOT_FILE_H) | ((e >> 7) & NOT_FILE_A); }
