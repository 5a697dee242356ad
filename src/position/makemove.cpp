// Make-move: the child is a copy of the parent with the move applied, then
// mirrored. Keys, pawn key and scores are updated incrementally; the
// repetition count is found by scanning back over the reversible tail.
#include "position/makemove.h"

#include <cstring>
#include <initializer_list>

#include "position/attacks.h"
#include "position/movegen.h"
#include "position/piecesquare.h"

namespace {

// Castling rights that survive a move touching each square (mover's view), in
// standard chess: leaving or landing on a corner or the king square drops the
// matching right. Rights always imply their king and rook are in place, so a
// square's mask only matters when the right is still set.
constexpr auto CASTLE_KEEP = [] {
    struct Table {
        uint8_t keep[64];
    } t{};
    for (uint8_t& k : t.keep)
        k = 0xFF;
    t.keep[A1] = uint8_t(~CASTLE_OWN_QUEEN);
    t.keep[H1] = uint8_t(~CASTLE_OWN_KING);
    t.keep[E1] = uint8_t(~(CASTLE_OWN_QUEEN | CASTLE_OWN_KING));
    t.keep[A8] = uint8_t(~CASTLE_THEIR_QUEEN);
    t.keep[H8] = uint8_t(~CASTLE_THEIR_KING);
    return t;
}();

// The rights left after `move` when some rook starts off its corner (Chess960):
// a king move drops the mover's rights, and a move from or onto a castling
// rook's square drops that rook's right.
uint8_t rightsAfter960(const Position& pos, Move move)
{
    uint8_t rights = pos.castling;
    if (movingPiece(move) == KING)
        rights &= uint8_t(~CASTLE_OWN);
    const Bitboard touched = squareBit(moveFrom(move)) | squareBit(moveTo(move));
    for (const uint8_t right : {CASTLE_OWN_QUEEN, CASTLE_OWN_KING, CASTLE_THEIR_QUEEN, CASTLE_THEIR_KING}) {
        const int rank = (right & CASTLE_OWN) ? 0 : 56;
        if ((rights & right) && (touched & squareBit(rank + castlingRookFile(pos, right))))
            rights &= uint8_t(~right);
    }
    return rights;
}

// The rights after `move` (mover's view); key takes the change of the rook
// file keys.
inline uint8_t rightsAfter(const Position& pos, Move move, uint64_t& key)
{
    if (pos.castlingRooks == 0)
        return pos.castling & CASTLE_KEEP.keep[moveFrom(move)] & CASTLE_KEEP.keep[moveTo(move)];
    const uint8_t rights = rightsAfter960(pos, move);
    key ^= castlingRookKeys(pos, pos.castling ^ rights);
    return rights;
}

// Low 16 bits of a table value: the incremental scores are 16-bit sums.
inline int psMg(int code, int s) { return int16_t(uint16_t(pieceSquareMg[code][s])); }
inline int psEg(int code, int s) { return int16_t(uint16_t(pieceSquareEg[code][s])); }

// Toggles piece `code` on the squares of `squares` in the type planes.
inline void toggleType(Position& c, int code, Bitboard squares)
{
    c.type0 ^= (code & 1) ? squares : 0;
    c.type1 ^= (code & 2) ? squares : 0;
    c.type2 ^= (code & 4) ? squares : 0;
}

// What a move changes besides the boards: the keys and the incremental
// scores, and whether the move can be taken back by the opponent's reply
// (no capture, pawn move or promotion), which the repetition scan needs.
struct MoveChange {
    const uint64_t (*mine)[64];    // the mover's piece keys, by code and square
    const uint64_t (*theirs)[64];  // the opponent's (squares in their view)
    uint64_t key;
    uint64_t pawnKey;
    int mg, eg;
    bool reversible;
};

// A captured piece leaves `to`; the opponent's key and table use to XOR 56.
inline void removeCaptured(Position& c, const Position& parent, int to, MoveChange& d)
{
    const int victim = pieceOn(parent, to);
    const int theirSquare = to ^ 56;
    const Bitboard toBit = squareBit(to);
    c.type0 &= ~toBit;
    c.type1 &= ~toBit;
    c.type2 &= ~toBit;
    d.key ^= d.theirs[victim][theirSquare];
    if (victim == PAWN || victim == KING)
        d.pawnKey ^= d.theirs[victim][theirSquare];
    d.mg += psMg(victim, theirSquare);
    d.eg += psEg(victim, theirSquare);
}

// A pawn step or capture (not a promotion); a double step opens en passant.
inline void movePawn(Position& c, int from, int to, MoveChange& d)
{
    const Bitboard both = squareBit(from) | squareBit(to);
    c.own ^= both;
    c.type0 ^= both;
    d.key ^= d.mine[PAWN][from] ^ d.mine[PAWN][to];
    d.pawnKey ^= d.mine[PAWN][from] ^ d.mine[PAWN][to];
    d.mg += psMg(PAWN, to) - psMg(PAWN, from);
    d.eg += psEg(PAWN, to) - psEg(PAWN, from);
    if (to - from == 16) {
        c.epFile = uint8_t(to & 7);
        d.key ^= zobrist.enPassant[to & 7];
    }
}

// A piece move or capture (the king's included; its keys are in the pawn key).
inline void movePiece(Position& c, int code, int from, int to, MoveChange& d)
{
    const Bitboard both = squareBit(from) | squareBit(to);
    c.own ^= both;
    toggleType(c, code, both);
    d.key ^= d.mine[code][from] ^ d.mine[code][to];
    if (code == KING)
        d.pawnKey ^= d.mine[KING][from] ^ d.mine[KING][to];
    d.mg += psMg(code, to) - psMg(code, from);
    d.eg += psEg(code, to) - psEg(code, from);
}

inline void promote(Position& c, int promo, int from, int to, MoveChange& d)
{
    const Bitboard fromBit = squareBit(from), toBit = squareBit(to);
    c.own ^= fromBit | toBit;
    c.type0 ^= fromBit;
    toggleType(c, promo, toBit);
    d.key ^= d.mine[PAWN][from] ^ d.mine[promo][to];
    d.pawnKey ^= d.mine[PAWN][from];
    d.mg += psMg(promo, to) - psMg(PAWN, from);
    d.eg += psEg(promo, to) - psEg(PAWN, from);
}

// The king goes from `from` to `to` (g1 or c1), the rook from the square the
// word names to the square the king crossed (f1 or d1). In Chess960 the
// squares may coincide (a king already on its destination, a king landing on
// the rook's square): the XORs of the two moves still leave each piece where
// it belongs.
inline void castle(Position& c, Move move, MoveChange& d)
{
    const int from = moveFrom(move), to = moveTo(move);
    const int rookFrom = castlingRookSquare(move);
    const int rookTo = moveKind(move) == KIND_CASTLE_KING_SIDE ? F1 : D1;
    const Bitboard kingMove = squareBit(from) ^ squareBit(to);
    const Bitboard rookMove = squareBit(rookFrom) ^ squareBit(rookTo);
    const auto& mine = d.mine;
    c.own ^= kingMove ^ rookMove;
    c.type1 ^= kingMove;
    c.type2 ^= kingMove ^ rookMove;
    d.key ^= mine[KING][from] ^ mine[KING][to] ^ mine[ROOK][rookFrom] ^ mine[ROOK][rookTo];
    d.pawnKey ^= mine[KING][from] ^ mine[KING][to];
    d.mg += psMg(KING, to) - psMg(KING, from) + psMg(ROOK, rookTo) - psMg(ROOK, rookFrom);
    d.eg += psEg(KING, to) - psEg(KING, from) + psEg(ROOK, rookTo) - psEg(ROOK, rookFrom);
}

inline void captureEnPassant(Position& c, int from, int to, MoveChange& d)
{
    const int captured = to - 8;
    const int theirSquare = captured ^ 56;
    const auto& mine = d.mine;
    const auto& theirs = d.theirs;
    c.own ^= squareBit(from) | squareBit(to);
    c.type0 ^= squareBit(from) | squareBit(to) | squareBit(captured);
    d.key ^= mine[PAWN][from] ^ mine[PAWN][to] ^ theirs[PAWN][theirSquare];
    d.pawnKey ^= mine[PAWN][from] ^ mine[PAWN][to] ^ theirs[PAWN][theirSquare];
    d.mg += psMg(PAWN, to) - psMg(PAWN, from) + psMg(PAWN, theirSquare);
    d.eg += psEg(PAWN, to) - psEg(PAWN, from) + psEg(PAWN, theirSquare);
}

// One more reversible ply (the counter saturates).
inline uint8_t nextHalfmoveClock(const Position& parent)
{
    return uint8_t(parent.halfmoveClock + (parent.halfmoveClock != 255));
}

// Repetitions: the positions 2, 4, ... plies back with the same side to
// move, within the reversible tail. The guard slots in front of slot 0 have
// no own pieces and end the scan there.
inline uint8_t repetitionsOf(const Position* child)
{
    const Position& c = *child;
    for (int back = 2; back <= c.halfmoveClock; back += 2) {
        const Position& q = child[-back];
        if (q.own == 0)
            break;
        if (q.own == c.own && q.type0 == c.type0 && q.type1 == c.type1 && q.type2 == c.type2)
            return uint8_t(q.repetitions + 1);
    }
    return 0;
}

}  // namespace

Position* makeMove(Position& parent, Move move)
{
    Position* pos = &parent;
    pos->lastMove = move;
    Position* child = pos + 1;
    std::memcpy(static_cast<void*>(child), pos, sizeof(Position));
    Position& c = *child;

    const int kind = moveKind(move);
    const int from = moveFrom(move), to = moveTo(move);
    MoveChange d;
    d.mine = zobrist.piece[pos->sideToMove];
    d.theirs = zobrist.piece[pos->sideToMove ^ 1];
    d.key = pos->key ^ zobrist.castling[pos->castling] ^ zobrist.enPassant[pos->epFile] ^ zobrist.side[0];
    d.pawnKey = pos->pawnKey ^ zobrist.side[0];
    d.mg = 0;
    d.eg = 0;
    d.reversible = false;
    c.epFile = NO_EP_FILE;
    c.halfmoveClock = 0;

    // Kinds with bit 3 capture on `to`, except en passant, handled on its own.
    if ((kind & KIND_CAPTURE) && kind != KIND_EN_PASSANT && kind <= KIND_PROMOTION_CAPTURE)
        removeCaptured(c, *pos, to, d);

    switch (kind) {
    case KIND_PAWN_PUSH:
    case KIND_PAWN_PUSH + KIND_CAPTURE:
        movePawn(c, from, to, d);
        break;
    case KIND_KNIGHT:
    case KIND_BISHOP:
    case KIND_ROOK:
    case KIND_QUEEN:
    case KIND_KING:
        d.reversible = true;
        c.halfmoveClock = nextHalfmoveClock(*pos);
        [[fallthrough]];
    case KIND_KNIGHT + KIND_CAPTURE:
    case KIND_BISHOP + KIND_CAPTURE:
    case KIND_ROOK + KIND_CAPTURE:
    case KIND_QUEEN + KIND_CAPTURE:
    case KIND_KING + KIND_CAPTURE:
        movePiece(c, kind & 7, from, to, d);
        break;
    case KIND_PROMOTION:
    case KIND_PROMOTION_CAPTURE:
        promote(c, movePromotion(move), from, to, d);
        break;
    case KIND_CASTLE_KING_SIDE:
    case KIND_CASTLE_QUEEN_SIDE:
        castle(c, move, d);
        d.reversible = true;
        c.halfmoveClock = nextHalfmoveClock(*pos);
        break;
    case KIND_EN_PASSANT:
        captureEnPassant(c, from, to, d);
        break;
    default:
        // Not a move: an unchanged copy, still with the same side to move.
        std::memcpy(static_cast<void*>(child), pos, sizeof(Position));
        child->repetitions = 0;
        return child;
    }

    c.castling = rightsAfter(*pos, move, d.key);
    c.scoreMg = Score(c.scoreMg + d.mg);  // 16-bit wrap is intended
    c.scoreEg = Score(c.scoreEg + d.eg);
    mirrorPosition(c);
    c.key = d.key ^ zobrist.castling[c.castling];
    c.pawnKey = d.pawnKey;
    c.repetitions = d.reversible ? repetitionsOf(child) : 0;
    return child;
}

uint64_t keyAfterMove(const Position& pos, Move move)
{
    const int kind = moveKind(move);
    const int from = moveFrom(move), to = moveTo(move);
    const auto& mine = zobrist.piece[pos.sideToMove];
    const auto& theirs = zobrist.piece[pos.sideToMove ^ 1];
    uint64_t key = pos.key ^ zobrist.castling[pos.castling] ^ zobrist.enPassant[pos.epFile] ^ zobrist.side[0];
    if ((kind & KIND_CAPTURE) && kind != KIND_EN_PASSANT && kind <= KIND_PROMOTION_CAPTURE)
        key ^= theirs[pieceOn(pos, to)][to ^ 56];
    switch (kind) {
    case KIND_PAWN_PUSH:
    case KIND_PAWN_PUSH + KIND_CAPTURE:
        key ^= mine[PAWN][from] ^ mine[PAWN][to];
        if (to - from == 16)
            key ^= zobrist.enPassant[to & 7];
        break;
    case KIND_KNIGHT:
    case KIND_BISHOP:
    case KIND_ROOK:
    case KIND_QUEEN:
    case KIND_KING:
    case KIND_KNIGHT + KIND_CAPTURE:
    case KIND_BISHOP + KIND_CAPTURE:
    case KIND_ROOK + KIND_CAPTURE:
    case KIND_QUEEN + KIND_CAPTURE:
    case KIND_KING + KIND_CAPTURE:
        key ^= mine[kind & 7][from] ^ mine[kind & 7][to];
        break;
    case KIND_PROMOTION:
    case KIND_PROMOTION_CAPTURE:
        key ^= mine[PAWN][from] ^ mine[movePromotion(move)][to];
        break;
    case KIND_CASTLE_KING_SIDE:
    case KIND_CASTLE_QUEEN_SIDE:
        key ^= mine[KING][from] ^ mine[KING][to] ^ mine[ROOK][castlingRookSquare(move)]
               ^ mine[ROOK][kind == KIND_CASTLE_KING_SIDE ? F1 : D1];
        break;
    case KIND_EN_PASSANT:
        key ^= mine[PAWN][from] ^ mine[PAWN][to] ^ theirs[PAWN][(to - 8) ^ 56];
        break;
    default:
        return pos.key;  // not a move: makeMove copies the position
    }
    const uint8_t castling = rightsAfter(pos, move, key);
    return key ^ zobrist.castling[uint8_t((castling >> 4) | (castling << 4))];
}

int isLegalMove(const Position& pos, Move move)
{
    if (move == 0)
        return 0;
    MoveEntry list[MAX_MOVES];
    MoveEntry* end = generateAll(pos, list);
    for (MoveEntry* e = end; e != list;) {
        if (entryMove(*--e) == move)
            return !leavesKingInCheck(pos, move);
    }
    return 0;
}

Position* keepStackRoom(PositionStack& thread)
{
    const long index = thread.current - thread.positions;
    if (index >= GAME_STACK_LIMIT) {
        const long first = index + 1 - GAME_STACK_KEEP;
        std::memmove(static_cast<void*>(thread.positions), thread.positions + first, GAME_STACK_KEEP * sizeof(Position));
        thread.current = thread.positions + (GAME_STACK_KEEP - 1);
    }
    return thread.current;
}

bool gameHasRoom(const PositionStack& thread)
{
    return thread.current - thread.positions < GAME_STACK_LIMIT;
}

int makeMoveIfLegal(PositionStack& thread, Move move)
{
    if (!gameHasRoom(thread) || !isLegalMove(*thread.current, move))
        return 0;
    thread.current = makeMove(*thread.current, move);
    return 1;
}

Position* makeNullMove(Position* pos)
{
    pos->lastMove = 0;
    Position* child = pos + 1;
    *child = *pos;
    child->epFile = NO_EP_FILE;
    mirrorPosition(*child);
    child->key ^= zobrist.enPassant[pos->epFile] ^ zobrist.castling[pos->castling]
                ^ zobrist.castling[child->castling] ^ zobrist.side[0];
    child->pawnKey ^= zobrist.side[0];
    return child;
}
