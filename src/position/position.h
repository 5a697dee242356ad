// The position record, always seen from the side to move.
// After every move the board is mirrored top to bottom, so the side to move
// always plays up the board; only hash keys and text care about real colours.
#pragma once

#include <cstdint>

#include "position/bitboard.h"
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
    uint8_t sideToMove;     // 0 White, 1 Black
    // A Chess960 game (set with the position, copied into every child): FEN
    // castling by rook file, castling written as the king taking its rook.
    // Keys, generation and make-move do not read it.
    uint8_t chess960;
    uint16_t castlingRooks; // castling rook files (castlingRookFile): low byte own, high byte opponent's
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
// The squares holding piece code `code` (0 gives the empty squares).
inline Bitboard piecesOfCode(const Position& p, int code)
{
    return ((code & 1) ? p.type0 : ~p.type0) & ((code & 2) ? p.type1 : ~p.type1) & ((code & 4) ? p.type2 : ~p.type2);
}
// The own king's square; 0 when the side to move has no king.
inline int ownKingSquare(const Position& p)
{
    Bitboard k = p.own & kings(p);
    return k ? lsb(k) : 0;
}

inline int pieceOn(const Position& p, int s)
{
    return int((p.type0 >> s) & 1) | int((p.type1 >> s) & 1) << 1 | int((p.type2 >> s) & 1) << 2;
}

// Zobrist values. piece[colour][code][square] with the square in the owner's
// view; codes 0 and 7 are zero. castling is indexed by the stored (relative)
// byte, enPassant by epFile (index 8, none, is zero), side by sideToMove
// (non-zero for White, zero for Black, so every move toggles the same value).
struct ZobristKeys {
    uint64_t piece[2][8][64];
    uint64_t castling[0x34];
    uint64_t enPassant[9];
    uint64_t side[2];
    // [colour][king side][file] of a right's rook; zero for the corner file,
    // so that standard chess needs none of them.
    uint64_t castlingRook[2][2][8];
};
extern const ZobristKeys zobrist;

// Castling byte bits, relative to the side to move.
constexpr uint8_t CASTLE_OWN_QUEEN = 0x01;
constexpr uint8_t CASTLE_OWN_KING = 0x02;
constexpr uint8_t CASTLE_THEIR_QUEEN = 0x10;
constexpr uint8_t CASTLE_THEIR_KING = 0x20;
constexpr uint8_t CASTLE_OWN = CASTLE_OWN_QUEEN | CASTLE_OWN_KING;
constexpr int NO_EP_FILE = 8;

// The file of the rook that castles for `right` (one CASTLE_ bit). Each side
// has a byte of castlingRooks: 0 when its rights are those of standard chess
// (king on the e-file, rooks on the a- and h-files), otherwise 0x80 | king-side
// rook file << 3 | queen-side rook file (Chess960). A right implies its king
// and rook stand on these squares of their first rank.
inline int castlingRookFile(const Position& p, uint8_t right)
{
    const int layout = (right & CASTLE_OWN) ? p.castlingRooks & 0xFF : p.castlingRooks >> 8;
    const bool kingSide = (right & (CASTLE_OWN_KING | CASTLE_THEIR_KING)) != 0;
    if (!layout)
        return kingSide ? 7 : 0;
    return kingSide ? (layout >> 3) & 7 : layout & 7;
}

// The part of the key that the rook files of `rights` (a subset of
// p.castling) add: zero unless a rook starts off its corner.
uint64_t castlingRookKeys(const Position& p, uint8_t rights);

// Flips the board top to bottom and hands the move to the other side: planes
// byte-reversed, own := the opponent, castling nibbles and rook bytes swapped,
// scores negated, sideToMove toggled. Keys are left alone.
inline void mirrorPosition(Position& pos)
{
    const Bitboard opponent = occupied(pos) ^ pos.own;
    pos.own = byteReverse(opponent);
    pos.type0 = byteReverse(pos.type0);
    pos.type1 = byteReverse(pos.type1);
    pos.type2 = byteReverse(pos.type2);
    pos.castling = uint8_t((pos.castling >> 4) | (pos.castling << 4));
    pos.castlingRooks = uint16_t((pos.castlingRooks >> 8) | (pos.castlingRooks << 8));
    pos.scoreMg = Score(-pos.scoreMg);  // 16-bit wrap is intended
    pos.scoreEg = Score(-pos.scoreEg);
    pos.sideToMove ^= 1;
}

// From-scratch values of the incremental fields (for checks and set-up).
uint64_t computeKey(const Position& pos);
uint64_t computePawnKey(const Position& pos);
Score computeScoreMg(const Position& pos);
Score computeScoreEg(const Position& pos);
