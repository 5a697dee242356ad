// The terms of the static evaluation, shared by the evaluation itself and by
// its trace. Every term function takes a sink that is told what each term
// added for the side being scored: the evaluation passes NoTrace, whose calls
// compile to nothing, so its code is what it would be without a trace; the
// trace passes a recorder. Included only by evaluate.cpp and trace.cpp, each
// of which gets its own internal copy.
//
// Each side is scored from its own point of view (its pawns move up the
// board), the side to move first, and the opponent's terms are subtracted.
// The accumulators are 16-bit and the attack and danger counts 8-bit on
// purpose: their wrap-around and the order of the truncations are part of the
// score, so every narrowing below is written out.
#pragma once

#include <algorithm>
#include <cstdint>

#include "eval/evalcache.h"
#include "eval/params.h"
#include "position/attacks.h"
#include "position/bitboard.h"
#include "position/position.h"

namespace {

// What a sink is told: one evaluation term of the side being scored, with its
// middle-game and end-game parts.
enum class Term {
    PASSED,
    KING_SHIELD,
    ISLANDS,      // |3 x islands^2 - pawns|
    FILE_SPLITS,  // pawn-file transitions over every rank level
    KNIGHT_MOBILITY,
    KNIGHT_TRAPPED,
    BISHOP_MOBILITY,
    BISHOP_TRAPPED,
    BISHOP_OPEN_DIAGONAL,
    BISHOP_FIANCHETTO,
    BISHOP_PAIR,
    ROOK_MOBILITY,
    ROOK_TRAPPED,
    ROOK_OPEN_FILE,
    ROOK_SEMI_OPEN_FILE,
    QUEEN_MOBILITY,
    QUEEN_TROPISM,
    KING_SAFETY,  // middle game only: the table value for the own king's danger, negated
    COUNT
};

// The sink of the plain evaluation: records nothing.
struct NoTrace {
    void side(int) {}
    void add(Term, int, int) {}
};

constexpr Bitboard LIGHT_SQUARES = 0x55AA55AA55AA55AAULL;
constexpr Bitboard LONG_DIAGONALS = 0x8142241818244281ULL;

// King-file danger by file a..h: no pawn on the file, only own pawns, and by
// the rank (1..8) of the enemy pawn nearest to the own back rank.
constexpr uint8_t OPEN_FILE_DANGER[8] = {6, 5, 4, 4, 4, 4, 5, 6};
constexpr uint8_t OWN_PAWN_FILE_DANGER[8] = {5, 4, 3, 3, 3, 3, 4, 5};
constexpr uint8_t ENEMY_PAWN_RANK_DANGER[8] = {0, 0, 3, 2, 1, 0, 0, 0};

constexpr int A2 = 8, B2 = 9, C2 = 10, D2 = 11, E2 = 12, F2 = 13, G2 = 14, H2 = 15;
constexpr int B3 = 17, D3 = 19, E3 = 20, G3 = 22;
constexpr int A6 = 40, B6 = 41, G6 = 46, H6 = 47;
constexpr int A7 = 48, B7 = 49, C7 = 50, F7 = 53, G7 = 54, H7 = 55;

constexpr Bitboard bitAt(int rank, int file)
{
    return rank >= 0 && rank < 8 && file >= 0 && file < 8 ? Bitboard(1) << (rank * 8 + file) : 0;
}

// Squares of `rank` on files file-1 .. file+1.
constexpr Bitboard threeFiles(int rank, int file)
{
    return bitAt(rank, file - 1) | bitAt(rank, file) | bitAt(rank, file + 1);
}

// Fixed geometry, in the view of the side being scored.
struct Geometry {
    Bitboard kingZone[64];
    Bitboard shieldRow1[64];
    Bitboard shieldRow2[64];
    Bitboard passedMask[64];
    Bitboard diagonals[64];  // both diagonals through the square, without it
    uint8_t distance[64][64];
};

constexpr Geometry buildGeometry()
{
    Geometry g{};
    for (int s = 0; s < 64; s++) {
        int rank = squareRank(s), file = squareFile(s);

        // A king on its back rank (rank 8 from the attacker's side) is
        // watched three ranks deep: its zone is centred one rank lower.
        int zoneRank = rank == 7 ? 6 : rank;
        g.kingZone[s] = threeFiles(zoneRank - 1, file) | threeFiles(zoneRank, file) | threeFiles(zoneRank + 1, file);

        // A king castled short or long (f1, c1) is covered by the pawns in
        // front of the castled position; a king in the centre (d1, e1) has no shelter.
        int shieldFile = s == C1 ? 1 : s == F1 ? 6 : file;
        if (s != D1 && s != E1) {
            g.shieldRow1[s] = threeFiles(rank + 1, shieldFile);
            g.shieldRow2[s] = threeFiles(rank + 2, shieldFile);
        }

        if (rank >= 1)
            for (int r = rank + 1; r <= 6; r++)
                g.passedMask[s] |= threeFiles(r, file);

        for (int t = 0; t < 64; t++) {
            int dr = squareRank(t) - rank, df = squareFile(t) - file;
            if (t != s && (dr == df || dr == -df))
                g.diagonals[s] |= Bitboard(1) << t;
            g.distance[s][t] = uint8_t(std::max(dr < 0 ? -dr : dr, df < 0 ? -df : df));
        }
    }
    return g;
}

constexpr Geometry GEO = buildGeometry();

// Parameters are ints in the table, but the evaluation reads scores as
// 16-bit and attack weights as 8-bit numbers.
inline int s16(int parameter) { return int16_t(parameter); }
inline int u8(int parameter) { return uint8_t(parameter); }

inline bool has(Bitboard set, int square) { return (set >> square) & 1; }

// One side's pieces seen from that side: its pawns move up the board.
struct SideView {
    Bitboard own;
    Bitboard occ;
    Bitboard pawns, knights, bishops, rooks, queens, kings;  // both colours
};

SideView sideToMoveView(const Position& pos)
{
    return {pos.own, occupied(pos), pawns(pos), knights(pos), bishops(pos), rooks(pos), queens(pos), kings(pos)};
}

// The board turned top to bottom, with the other side as own.
SideView otherSide(const SideView& v)
{
    return {byteReverse(v.occ ^ v.own), byteReverse(v.occ),     byteReverse(v.pawns),
            byteReverse(v.knights),     byteReverse(v.bishops), byteReverse(v.rooks),
            byteReverse(v.queens),      byteReverse(v.kings)};
}

inline int kingSquareOf(Bitboard king) { return king ? lsb(king) : 0; }

int taper(int mg, int eg, int phase) { return (mg * phase + eg * (64 - phase)) / 64; }

// Passed pawns, king shield, pawn islands and file transitions of one side,
// added to the running accumulators.
template <class Sink>
void addPawnTerms(const SideView& v, int16_t& mg, int16_t& eg, Sink& sink)
{
    Bitboard ownPawns = v.pawns & v.own;
    if (!ownPawns)
        return;
    Bitboard enemyPawns = v.pawns & ~v.own;

    for (Bitboard b = ownPawns; b;) {
        int s = popLsb(b);
        if (!(GEO.passedMask[s] & enemyPawns)) {
            mg = int16_t(mg + s16(PT_PawnPassedMg[squareRank(s)]));
            eg = int16_t(eg + s16(PT_PawnPassedEg[squareRank(s)]));
            sink.add(Term::PASSED, s16(PT_PawnPassedMg[squareRank(s)]), s16(PT_PawnPassedEg[squareRank(s)]));
        }
    }

    int king = kingSquareOf(v.kings & v.own);
    int16_t shield = int16_t(s16(PT_KingShield[0]) * popcount(ownPawns & GEO.shieldRow1[king]) +
                             s16(PT_KingShield[1]) * popcount(ownPawns & GEO.shieldRow2[king]));

    // Byte k of `files` marks the files holding an own pawn on rank k+1 or above.
    Bitboard files = ownPawns | ownPawns >> 8;
    files |= files >> 16;
    files |= files >> 32;
    unsigned firstRank = unsigned(files & 0xFF);
    int islands = popcount(firstRank & ~(firstRank >> 1));
    int d1 = 3 * islands * islands - popcount(ownPawns);
    d1 = d1 < 0 ? -d1 : d1;
    int d2 = popcount((files ^ (files << 1)) & NOT_FILE_A);

    mg = int16_t(mg + shield - d2 - d1);
    // Truncated one term at a time, toward zero, on the running sum, so the
    // trace records what each step really changed.
    const int16_t egBefore = eg;
    eg = int16_t(int(double(eg) - 1.5 * d1));
    const int16_t egAfterIslands = eg;
    eg = int16_t(int(double(eg) - 1.5 * d2));
    sink.add(Term::KING_SHIELD, shield, 0);
    sink.add(Term::ISLANDS, -d1, egAfterIslands - egBefore);
    sink.add(Term::FILE_SPLITS, -d2, eg - egAfterIslands);
}

// What the piece terms of one side read besides the board.
struct PieceTermView {
    Bitboard own;
    Bitboard ownPawns;
    Bitboard enemyPawns;
    Bitboard enemyPawnAttacks;
    Bitboard safe;       // squares neither own nor attacked by an enemy pawn
    int enemyKing;
    Bitboard zone;       // the enemy king's zone
    Bitboard ownQueens;
};

// Knight mobility and trapped knights; the knights' weighted attacks on the
// king zone are added to attacks (8 bits, wrapping).
template <class Sink>
void addKnightTerms(const SideView& v, const PieceTermView& p, int16_t& mg, int16_t& eg, uint8_t& attacks, Sink& sink)
{
    for (Bitboard b = v.knights & p.own; b;) {
        int s = popLsb(b);
        Bitboard a = knightAttacks[s] & ~p.own;
        int m = popcount(a & p.safe);
        mg = int16_t(mg + s16(PT_KnightMobilityMg[m]));
        eg = int16_t(eg + s16(PT_KnightMobilityEg[m]));
        sink.add(Term::KNIGHT_MOBILITY, s16(PT_KnightMobilityMg[m]), s16(PT_KnightMobilityEg[m]));
        attacks = uint8_t(attacks + popcount(a & p.zone) * u8(PT_AttackWeight[KNIGHT]));
        const Bitboard enemyPawns = p.enemyPawns;
        bool trapped = (s == A8 && (has(enemyPawns, A7) || has(enemyPawns, C7))) ||
                       (s == H8 && (has(enemyPawns, H7) || has(enemyPawns, F7))) ||
                       (s == A7 && (has(enemyPawns, A6) || has(enemyPawns, B7))) ||
                       (s == H7 && (has(enemyPawns, H6) || has(enemyPawns, G7)));
        if (trapped) {
            mg = int16_t(mg - s16(P_TrappedKnightMg));
            eg = int16_t(eg - s16(P_TrappedKnightEg));
            sink.add(Term::KNIGHT_TRAPPED, -s16(P_TrappedKnightMg), -s16(P_TrappedKnightEg));
        }
    }
}

// Bishop mobility, trapped bishops, open long diagonals, fianchettos and the
// bishop pair; the bishops' weighted attacks on the king zone are added to
// attacks.
template <class Sink>
void addBishopTerms(const SideView& v, const PieceTermView& p, int16_t& mg, int16_t& eg, uint8_t& attacks, Sink& sink)
{
    const Bitboard ownBishops = v.bishops & p.own;
    const Bitboard ownPawns = p.ownPawns, enemyPawns = p.enemyPawns;
    for (Bitboard b = ownBishops; b;) {
        int s = popLsb(b);
        int m = popcount(bishopAttacks(s, v.occ) & p.safe);
        mg = int16_t(mg + s16(PT_BishopMobilityMg[m]));
        eg = int16_t(eg + s16(PT_BishopMobilityEg[m]));
        sink.add(Term::BISHOP_MOBILITY, s16(PT_BishopMobilityMg[m]), s16(PT_BishopMobilityEg[m]));
        // Attacks on the king zone see through the own queen (a battery).
        Bitboard xray = bishopAttacks(s, v.occ & ~p.ownQueens) & ~p.own;
        attacks = uint8_t(attacks + popcount(xray & p.zone) * u8(PT_AttackWeight[BISHOP]));
        if ((s == A7 && has(enemyPawns, B6)) || (s == H7 && has(enemyPawns, G6))) {
            mg = int16_t(mg - s16(P_TrappedBishopMg));
            eg = int16_t(eg - s16(P_TrappedBishopEg));
            sink.add(Term::BISHOP_TRAPPED, -s16(P_TrappedBishopMg), -s16(P_TrappedBishopEg));
        } else if ((s == F1 && has(ownPawns, E2) && has(v.occ, E3)) ||
                   (s == C1 && has(ownPawns, D2) && has(v.occ, D3))) {
            mg = int16_t(mg - s16(P_TrappedBishopMg));
            sink.add(Term::BISHOP_TRAPPED, -s16(P_TrappedBishopMg), 0);
        }
        if (has(LONG_DIAGONALS, s) && !(v.pawns & GEO.diagonals[s] & ~RANK_7)) {
            mg = int16_t(mg + s16(P_BishopBigOpenDiagMg));
            eg = int16_t(eg + s16(P_BishopBigOpenDiagEg));
            sink.add(Term::BISHOP_OPEN_DIAGONAL, s16(P_BishopBigOpenDiagMg), s16(P_BishopBigOpenDiagEg));
        }
        if ((s == G2 && (has(ownPawns, F2) || has(ownPawns, G3))) ||
            (s == B2 && (has(ownPawns, C2) || has(ownPawns, B3)))) {
            mg = int16_t(mg + s16(P_BishopFianchettoMg));
            eg = int16_t(eg + s16(P_BishopFianchettoEg));
            sink.add(Term::BISHOP_FIANCHETTO, s16(P_BishopFianchettoMg), s16(P_BishopFianchettoEg));
        }
    }
    if (popcount(ownBishops) >= 2 && popcount(ownBishops & LIGHT_SQUARES) == 1) {
        mg = int16_t(mg + s16(P_BishopPairMg));
        eg = int16_t(eg + s16(P_BishopPairEg));
        sink.add(Term::BISHOP_PAIR, s16(P_BishopPairMg), s16(P_BishopPairEg));
    }
}

// Rook mobility, rooks shut in by their king, open and half-open files; the
// rooks' weighted attacks on the king zone are added to attacks.
template <class Sink>
void addRookTerms(const SideView& v, const PieceTermView& p, int16_t& mg, int16_t& eg, uint8_t& attacks, Sink& sink)
{
    const Bitboard ownRooks = v.rooks & p.own;
    const int ownKing = kingSquareOf(v.kings & p.own);
    for (Bitboard b = ownRooks; b;) {
        int s = popLsb(b);
        int m = popcount(rookAttacks(s, v.occ) & p.safe);
        mg = int16_t(mg + s16(PT_RookMobilityMg[m]));
        eg = int16_t(eg + s16(PT_RookMobilityEg[m]));
        sink.add(Term::ROOK_MOBILITY, s16(PT_RookMobilityMg[m]), s16(PT_RookMobilityEg[m]));
        Bitboard xray = rookAttacks(s, v.occ & ~p.ownQueens & ~ownRooks) & ~p.own;
        attacks = uint8_t(attacks + popcount(xray & p.zone) * u8(PT_AttackWeight[ROOK]));
        if (!v.pawns)
            continue;
        // A rook shut in by its own uncastled king.
        if (((ownKing == B1 || ownKing == C1) && (s == A1 || s == B1 || s == A2)) ||
            ((ownKing == F1 || ownKing == G1) && (s == G1 || s == H1 || s == H2))) {
            mg = int16_t(mg - s16(P_TrappedRookMg));
            sink.add(Term::ROOK_TRAPPED, -s16(P_TrappedRookMg), 0);
        }
        Bitboard file = FILE_A << squareFile(s);
        if (!(p.ownPawns & file)) {
            const bool semiOpen = p.enemyPawns & file;
            mg = int16_t(mg + s16(semiOpen ? P_RookSemiOpenFile : P_RookOpenFile));
            sink.add(semiOpen ? Term::ROOK_SEMI_OPEN_FILE : Term::ROOK_OPEN_FILE,
                     s16(semiOpen ? P_RookSemiOpenFile : P_RookOpenFile), 0);
        }
    }
}

// Queen mobility and tropism to the enemy king; the queens' weighted attacks
// on the king zone are added to attacks.
template <class Sink>
void addQueenTerms(const SideView& v, const PieceTermView& p, int16_t& mg, int16_t& eg, uint8_t& attacks, Sink& sink)
{
    for (Bitboard b = p.ownQueens; b;) {
        int s = popLsb(b);
        Bitboard a = queenAttacks(s, v.occ) & ~p.own;
        int m = popcount(a & ~p.enemyPawnAttacks);
        mg = int16_t(mg + s16(PT_QueenMobilityMg[m]));
        eg = int16_t(eg + s16(PT_QueenMobilityEg[m]));
        sink.add(Term::QUEEN_MOBILITY, s16(PT_QueenMobilityMg[m]), s16(PT_QueenMobilityEg[m]));
        attacks = uint8_t(attacks + popcount(a & p.zone) * u8(PT_AttackWeight[QUEEN]));
        int tropism = 10 - GEO.distance[s][p.enemyKing];
        mg = int16_t(mg + tropism);
        eg = int16_t(eg + tropism);
        sink.add(Term::QUEEN_TROPISM, tropism, tropism);
    }
}

// Mobility, trapped pieces, bishop and rook terms and queen tropism of one
// side, added to the accumulators; returns the side's attack count on the
// zone of the enemy king.
template <class Sink>
uint8_t addPieceTerms(const SideView& v, int16_t& mg, int16_t& eg, Sink& sink)
{
    PieceTermView p;
    p.own = v.own;
    p.ownPawns = v.pawns & p.own;
    p.enemyPawns = v.pawns & ~p.own;
    p.enemyPawnAttacks = pawnAttacksDown(p.enemyPawns);
    p.safe = ~p.own & ~p.enemyPawnAttacks;
    p.enemyKing = kingSquareOf(v.kings & ~p.own);
    p.zone = GEO.kingZone[p.enemyKing];
    p.ownQueens = v.queens & p.own;
    uint8_t attacks = 0;
    addKnightTerms(v, p, mg, eg, attacks, sink);
    addBishopTerms(v, p, mg, eg, attacks, sink);
    addRookTerms(v, p, mg, eg, attacks, sink);
    addQueenTerms(v, p, mg, eg, attacks, sink);
    return attacks;
}

// Danger to one side's king from the pawn cover of the three files around it.
uint8_t kingFileDanger(const SideView& v)
{
    const Bitboard ownPawns = v.pawns & v.own;
    const Bitboard enemyPawns = v.pawns & ~v.own;
    int file = std::clamp(squareFile(kingSquareOf(v.kings & v.own)), 1, 6);
    uint8_t danger = 0;
    for (int g = file - 1; g <= file + 1; g++) {
        Bitboard mask = FILE_A << g;
        if (enemyPawns & mask)
            danger = uint8_t(danger + ENEMY_PAWN_RANK_DANGER[squareRank(lsb(enemyPawns & mask))]);
        else if (ownPawns & mask)
            danger = uint8_t(danger + OWN_PAWN_FILE_DANGER[g]);
        else
            danger = uint8_t(danger + OPEN_FILE_DANGER[g]);
    }
    return danger;
}

// Game phase: 5 per rook, 10 per queen, 3 per minor piece, at most 64.
inline int phaseOf(const Position& pos)
{
    // An 8-bit count: only boards with absurd numbers of pieces wrap.
    uint8_t phase = uint8_t(5 * popcount(rooks(pos)) + 10 * popcount(queens(pos)) +
                            3 * popcount(knights(pos) | bishops(pos)));
    return std::min<int>(phase, 64);
}

// The terms of both sides that depend on pawns and kings only.
template <class Sink>
PawnCacheEntry pawnStructure(const SideView& us, const SideView& them, uint64_t pawnKey, Sink& sink)
{
    // Each pass adds one side's terms to the running sums, which are negated
    // after it: after both, they hold ours minus theirs.
    PawnCacheEntry e{pawnKey, 0, 0, kingFileDanger(us), kingFileDanger(them)};
    sink.side(0);
    addPawnTerms(us, e.mg, e.eg, sink);
    e.mg = int16_t(-e.mg), e.eg = int16_t(-e.eg);
    sink.side(1);
    addPawnTerms(them, e.mg, e.eg, sink);
    e.mg = int16_t(-e.mg), e.eg = int16_t(-e.eg);
    return e;
}

// The static evaluation of pos, telling sink every term; side 0 of the sink
// is the side to move, side 1 the opponent. The pawn structure is taken from
// (and added to) the cache's pawn table when there is one; a trace passes no
// cache, so that every term is computed and recorded.
template <class Sink>
Score evaluateWith(const Position& pos, EvalCache* cache, Sink& sink)
{
    const int phase = phaseOf(pos);
    const SideView us = sideToMoveView(pos);
    const SideView them = otherSide(us);

    int material = taper(pos.scoreMg, pos.scoreEg, phase);

    PawnCacheEntry pawn;
    if (cache && cache->pawns) {
        PawnCacheEntry& slot = cache->pawns[pos.pawnKey & cache->pawnMask];
        if (slot.pawnKey != pos.pawnKey)
            slot = pawnStructure(us, them, pos.pawnKey, sink);
        pawn = slot;
    } else {
        pawn = pawnStructure(us, them, pos.pawnKey, sink);
    }
    int pawnBlock = taper(pawn.mg, pawn.eg, phase);

    int16_t pieceMg = 0, pieceEg = 0;
    sink.side(0);
    uint8_t ourAttacks = addPieceTerms(us, pieceMg, pieceEg, sink);
    pieceMg = int16_t(-pieceMg), pieceEg = int16_t(-pieceEg);
    sink.side(1);
    uint8_t theirAttacks = addPieceTerms(them, pieceMg, pieceEg, sink);
    pieceMg = int16_t(-pieceMg), pieceEg = int16_t(-pieceEg);
    int pieceBlock = taper(pieceMg, pieceEg, phase);

    int ourDanger = uint8_t(theirAttacks + pawn.ourDanger);
    int theirDanger = uint8_t(ourAttacks + pawn.theirDanger);
    int ourKingTable = s16(PT_KingSafety[std::min(99, ourDanger)]);
    int theirKingTable = s16(PT_KingSafety[std::min(99, theirDanger)]);
    int kingSafety = (theirKingTable - ourKingTable) * phase / 64;
    sink.side(0);
    sink.add(Term::KING_SAFETY, -ourKingTable, 0);
    sink.side(1);
    sink.add(Term::KING_SAFETY, -theirKingTable, 0);

    return Score(pieceBlock + kingSafety + material + pawnBlock);
}

} // namespace
