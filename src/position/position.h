// The position record, always seen from the side to move, and its stack.
// After every move the board is mirrored top to bottom, so the side to move
// always plays up the board; only hash keys and text care about real colours.
#pragma once

#include <cstdint>

#include "position/types.h"

struct Position {
    Bitboard own;    // squares of the side to move
    Bitboard type0;  // bit 0 of each square's piece code
    Bitboard type1;  // bit 1
    Bitboard type2;  // bit 2
    uint8_t castling;       // bits 0/1: own queen/king side, bits 4/5: opponent's
    uint8_t epFile;         // 8 = none
    uint8_t halfmoveClock;
    uint8_t repetitions;
    uint32_t sideToMove;    // 0 White, 1 Black
    uint64_t key;
    uint64_t pawnKey;
    uint32_t lastMove;      // move made from this slot (copied into the child)
    int16_t scoreMg;        // material + piece-square, own minus opponent
    int16_t scoreEg;
};
static_assert(sizeof(Position) == 64, "Position must fill one cache line");

constexpr int POSITION_STACK_SIZE = 800;

// Derived piece sets (both colours unless combined with own/enemy).
inline Bitboard occupied(const Position& p) { return p.type0 | p.type1 | p.type2; }
inline Bitboard enemy(const Position& p) { return occupied(p) ^ p.own; }
inline Bitboard pawns(const Position& p) { return p.type0 & ~p.type1 & ~p.type2; }
inline Bitboard knights(const Position& p) { return p.type1 & ~p.type0 & ~p.type2; }
inline Bitboard bishops(const Position& p) { return p.type0 & p.type1 & ~p.type2; }
inline Bitboard rooks(const Position& p) { return p.type2 & ~p.type0 & ~p.type1; }
inline Bitboard queens(const Position& p) { return p.type0 & p.type2 & ~p.type1; }
inline Bitboard kings(const Position& p) { return p.type1 & p.type2; }
inline Bitboard diagonalSliders(const Position& p) { return p.type0 & (p.type1 | p.type2); }
inline Bitboard straightSliders(const Position& p) { return p.type2 & (p.type0 | ~p.type1); }
inline int pieceOn(const Position& p, int s)
{
    return int((p.type0 >> s) & 1) | int((p.type1 >> s) & 1) << 1 | int((p.type2 >> s) & 1) << 2;
}

struct SearchThread;

// Clears the thread's stack, puts the start position in slot 0 and returns it;
// also clears the search state of a new game (hash age, ordering tables).
Position* newGame(SearchThread& thread);
