// Hash-key values, from-scratch computation of the incremental fields, and the
// start of a new game.
#include "position/position.h"

#include <cstring>
#include <initializer_list>

#include "position/piecesquare.h"

namespace {

// splitmix64: a fixed sequence, so keys are the same in every build and run.
constexpr uint64_t nextRandom(uint64_t& state)
{
    uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

constexpr ZobristKeys makeZobrist()
{
    ZobristKeys z{};
    uint64_t state = 0x41726465E7715ULL;
    for (int colour = 0; colour < 2; colour++)
        for (int code = PAWN; code <= KING; code++)
            for (int s = 0; s < 64; s++)
                z.piece[colour][code][s] = nextRandom(state);
    for (uint64_t& v : z.castling)
        v = nextRandom(state);
    for (int f = 0; f < 8; f++)
        z.enPassant[f] = nextRandom(state);
    z.enPassant[NO_EP_FILE] = 0;
    z.side[0] = nextRandom(state);
    z.side[1] = 0;
    // Drawn after all the others, so that adding them changed no other key.
    for (int colour = 0; colour < 2; colour++)
        for (int kingSide = 0; kingSide < 2; kingSide++)
            for (int file = 0; file < 8; file++)
                z.castlingRook[colour][kingSide][file] = file == (kingSide ? 7 : 0) ? 0 : nextRandom(state);
    return z;
}

// XOR of the side to move's pieces (all of them, or pawns and king only).
uint64_t ownPieceKeys(const Position& pos, bool pawnsAndKingOnly)
{
    const auto& table = zobrist.piece[pos.sideToMove];
    uint64_t key = 0;
    for (int code = PAWN; code < KING; code++) {
        if (pawnsAndKingOnly && code != PAWN)
            continue;
        for (Bitboard b = pos.own & piecesOfCode(pos, code); b;)
            key ^= table[code][popLsb(b)];
    }
    key ^= table[KING][ownKingSquare(pos)];
    return key;
}

// Sum of the low 16 bits of the table entries of the side to move's pieces.
uint16_t ownPieceScore(const Position& pos, const int (&table)[7][64])
{
    uint16_t sum = 0;
    for (int code = PAWN; code <= KING; code++)
        for (Bitboard b = pos.own & piecesOfCode(pos, code); b;)
            sum = uint16_t(sum + uint16_t(table[code][popLsb(b)]));
    return sum;
}

Score computeScore(const Position& pos, const int (&table)[7][64])
{
    Position p = pos;
    uint16_t own = ownPieceScore(p, table);
    mirrorPosition(p);
    uint16_t opponent = ownPieceScore(p, table);
    return Score(uint16_t(own - opponent));
}

}  // namespace

constinit const ZobristKeys zobrist = makeZobrist();

uint64_t castlingRookKeys(const Position& p, uint8_t rights)
{
    if (!p.castlingRooks)
        return 0;
    uint64_t key = 0;
    for (const uint8_t right : {CASTLE_OWN_QUEEN, CASTLE_OWN_KING, CASTLE_THEIR_QUEEN, CASTLE_THEIR_KING}) {
        if (!(rights & right))
            continue;
        const int colour = (right & CASTLE_OWN) ? p.sideToMove : p.sideToMove ^ 1;
        const int kingSide = (right & (CASTLE_OWN_KING | CASTLE_THEIR_KING)) != 0;
        key ^= zobrist.castlingRook[colour][kingSide][castlingRookFile(p, right)];
    }
    return key;
}

uint64_t computeKey(const Position& pos)
{
    Position p = pos;
    uint64_t key = ownPieceKeys(p, false);
    mirrorPosition(p);
    key ^= ownPieceKeys(p, false);
    return key ^ zobrist.enPassant[pos.epFile] ^ zobrist.castling[pos.castling] ^ zobrist.side[pos.sideToMove]
           ^ castlingRookKeys(pos, pos.castling);
}

uint64_t computePawnKey(const Position& pos)
{
    Position p = pos;
    uint64_t key = ownPieceKeys(p, true);
    mirrorPosition(p);
    key ^= ownPieceKeys(p, true);
    return key ^ zobrist.side[pos.sideToMove];
}

Score computeScoreMg(const Position& pos) { return computeScore(pos, pieceSquareMg); }
Score computeScoreEg(const Position& pos) { return computeScore(pos, pieceSquareEg); }
