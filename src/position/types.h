// Basic types shared by every subsystem: bitboards, moves, scores, piece codes.
#pragma once

#include <cstdint>

using Bitboard = uint64_t;
using Move = uint32_t;    // kind | from << 8 | to << 16 | promotion << 24
using Score = int16_t;

enum PieceCode : int { EMPTY = 0, PAWN = 1, KNIGHT = 2, BISHOP = 3, ROOK = 4, QUEEN = 5, KING = 6 };

// Move kinds: moving piece code, +8 for a capture, +16/+32 for the special moves.
enum MoveKind : int {
    KIND_PAWN_PUSH = 1,
    KIND_KNIGHT = 2,
    KIND_BISHOP = 3,
    KIND_ROOK = 4,
    KIND_QUEEN = 5,
    KIND_KING = 6,
    KIND_CAPTURE = 8,
    KIND_PROMOTION = 17,
    KIND_PROMOTION_CAPTURE = 25,
    KIND_CASTLE_KING_SIDE = 22,
    KIND_CASTLE_QUEEN_SIDE = 38,
    KIND_EN_PASSANT = 41,
};

constexpr int moveKind(Move m) { return int(m & 0xFF); }
constexpr int moveFrom(Move m) { return int((m >> 8) & 0xFF); }
constexpr int moveTo(Move m) { return int((m >> 16) & 0xFF); }
constexpr int movePromotion(Move m) { return int(m >> 24); }
constexpr bool isCapture(Move m) { return (m & 8) != 0; }
// Plain non-capturing moves and castlings; promotions are not quiet.
constexpr bool isQuietMove(Move m) { return !isCapture(m) && moveKind(m) != KIND_PROMOTION; }
constexpr int movingPiece(Move m) { return int(m & 7); }
constexpr Move makeMoveWord(int kind, int from, int to, int promotion = 0)
{
    return Move(kind) | Move(from) << 8 | Move(to) << 16 | Move(promotion) << 24;
}

// A move-list entry: the move in the low 32 bits, a signed 16-bit ordering score above.
using MoveEntry = uint64_t;
constexpr Move entryMove(MoveEntry e) { return Move(e); }
constexpr int16_t entryScore(MoveEntry e) { return int16_t(uint16_t(e >> 32)); }
constexpr MoveEntry makeEntry(Move m, int score) { return MoveEntry(m) | MoveEntry(uint16_t(score)) << 32; }

// Room a caller gives a move list.
constexpr int MAX_MOVES = 260;

// Scores, from the side to move's view.
constexpr int MATE = 20000;
constexpr int INFINITE = 30000;
constexpr int HASH_UNUSABLE = 30001;
constexpr int HASH_MISS = 30002;
constexpr int TB_WIN = 15000;

constexpr int A1 = 0, B1 = 1, C1 = 2, D1 = 3, E1 = 4, F1 = 5, G1 = 6, H1 = 7;
constexpr int A8 = 56, H8 = 63;

constexpr int squareFile(int s) { return s & 7; }
constexpr int squareRank(int s) { return s >> 3; }

// Castling words: `from` is the king's square, `to` its destination (g1 or
// c1), and the promotion byte holds the castling rook's distance from its
// corner (h1 for the king side, a1 for the queen side). In standard chess the
// rook stands in the corner, so the words are the plain e1g1 and e1c1; in
// Chess960 the king may start on any file between its rooks, and may already
// stand on its destination.
constexpr bool isCastling(Move m)
{
    return moveKind(m) == KIND_CASTLE_KING_SIDE || moveKind(m) == KIND_CASTLE_QUEEN_SIDE;
}
constexpr int castlingRookSquare(Move m)
{
    // Masked so that even a word no generator made names a first-rank square.
    const int distance = movePromotion(m) & 7;
    return moveKind(m) == KIND_CASTLE_KING_SIDE ? H1 - distance : A1 + distance;
}
constexpr Move makeCastlingWord(bool kingSide, int kingFrom, int rookFrom)
{
    return kingSide ? makeMoveWord(KIND_CASTLE_KING_SIDE, kingFrom, G1, H1 - rookFrom)
                    : makeMoveWord(KIND_CASTLE_QUEEN_SIDE, kingFrom, C1, rookFrom - A1);
}
