// The terms of the static evaluation, shared by the evaluation itself and by
// its trace. Every term function takes a sink that is told what each term
// added for the side being scored, and which parameters it read how many
// times: the evaluation passes NoTrace, whose calls compile to nothing, so its
// code is what it would be without a trace; the trace passes a recorder.
// Included only by evaluate.cpp and trace.cpp, each of which gets its own
// internal copy.
//
// The term functions take a template flag Full: false gives the classic
// evaluation, whose code is exactly what it was before the flag; true adds
// the default evaluation's terms (blocks under `if constexpr (Full)`).
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
    // The default evaluation's terms.
    ISOLATED,
    DOUBLED,
    BACKWARD,
    PASSED_FREE_PATH,
    PASSED_KING_DISTANCE,
    PASSED_SUPPORTED,
    KING_SUPPORT,      // the own king next to a passed pawn
    KNIGHT_OUTPOST,
    KNIGHT_ADJUSTMENT, // by the number of own pawns
    BISHOP_OUTPOST,
    COLOR_WEAKNESS,    // own pawns on the bishop's colour
    ROOK_OUTPOST,
    ROOK_ADJUSTMENT,
    ROOK_7TH,
    ROOK_QUEEN_FILE,   // on the file of an enemy queen
    CASTLING,          // may still castle, or the king stands castled
    THREAT_BY_PAWN,
    THREAT_BY_PIECE,   // a rook or queen attacked by a minor, a queen by a rook
    HANGING,
    SPACE,
    SIDE_TO_MOVE,
    COUNT
};

// The sink of the plain evaluation: records nothing. `uses` says that the
// parameter `param` went into the side's middle-game sum mg times and into
// its end-game sum eg times (negative for a penalty).
struct NoTrace {
    void side(int) {}
    void add(Term, int, int) {}
    void uses(const int&, int, int) {}
};

// A middle-game and end-game pair of parameters taken n times.
template <class Sink>
inline void usesPair(Sink& sink, const int& mgParam, const int& egParam, int n)
{
    sink.uses(mgParam, n, 0);
    sink.uses(egParam, 0, n);
}

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
    Bitboard frontSpan[64];    // the squares ahead on the same file
    Bitboard attackSpan[64];   // the squares ahead on the neighbouring files
    Bitboard supportSpan[64];  // the neighbouring files' squares level with it or behind
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
        for (int r = rank + 1; r <= 7; r++) {
            g.frontSpan[s] |= bitAt(r, file);
            g.attackSpan[s] |= bitAt(r, file - 1) | bitAt(r, file + 1);
        }
        for (int r = 0; r <= rank; r++)
            g.supportSpan[s] |= bitAt(r, file - 1) | bitAt(r, file + 1);

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

// Files a..h as bitboards, and the neighbouring files of each.
inline Bitboard fileOf(int square) { return FILE_A << squareFile(square); }
inline Bitboard neighbourFiles(int square)
{
    const Bitboard f = fileOf(square);
    return ((f << 1) & NOT_FILE_A) | ((f >> 1) & NOT_FILE_H);
}

// One side's attacks by kind of attacker (default evaluation only).
struct AttackMaps {
    Bitboard pawn, minor, rook, queen, all;
};

// The maps of the other side, turned into the view of this one.
inline AttackMaps turned(const AttackMaps& m)
{
    return {byteReverse(m.pawn), byteReverse(m.minor), byteReverse(m.rook), byteReverse(m.queen), byteReverse(m.all)};
}

// Ranks 4 to 6 of the side being scored: where an outpost can be.
constexpr Bitboard OUTPOST_RANKS = 0x0000FFFFFF000000ULL;
// Files c-f on ranks 2 to 4: the squares counted as space.
constexpr Bitboard SPACE_SQUARES = 0x000000003C3C3C00ULL;

int taper(int mg, int eg, int phase) { return (mg * phase + eg * (64 - phase)) / 64; }

// A default-evaluation term worth n times the pair (mgParam, egParam): added
// to the side's sums and told to the sink.
template <class Sink>
inline void addTerm(int16_t& mg, int16_t& eg, Sink& sink, Term term, const int& mgParam, const int& egParam, int n = 1)
{
    mg = int16_t(mg + s16(mgParam) * n);
    eg = int16_t(eg + s16(egParam) * n);
    sink.add(term, s16(mgParam) * n, s16(egParam) * n);
    usesPair(sink, mgParam, egParam, n);
}

// The default evaluation's pawn terms of one side: isolated, doubled and
// backward pawns, and of its passed pawns the support of an own pawn and the
// distances of the kings to the square in front. They depend on pawns and
// kings only, so they are kept in the pawn table with the classic ones.
template <class Sink>
void addPawnStructure(const SideView& v, int16_t& mg, int16_t& eg, Sink& sink)
{
    const Bitboard ownPawns = v.pawns & v.own;
    const Bitboard enemyPawns = v.pawns & ~v.own;
    const Bitboard defended = pawnAttacksUp(ownPawns);
    const Bitboard enemyPawnAttacks = pawnAttacksDown(enemyPawns);
    const int ownKing = kingSquareOf(v.kings & v.own);
    const int enemyKing = kingSquareOf(v.kings & ~v.own);
    for (Bitboard b = ownPawns; b;) {
        const int s = popLsb(b), file = squareFile(s), rank = squareRank(s);
        if (!(ownPawns & neighbourFiles(s)))
            addTerm(mg, eg, sink, Term::ISOLATED, PT_PawnIsolatedMg[file], PT_PawnIsolatedEg[file], -1);
        else if (!(ownPawns & GEO.supportSpan[s]) && has(enemyPawnAttacks, s + 8))
            // No own pawn can come level to defend it, and its step is watched.
            addTerm(mg, eg, sink, Term::BACKWARD, PT_BackwardPawnMg[file], PT_BackwardPawnEg[file], -1);
        if (ownPawns & GEO.frontSpan[s])
            addTerm(mg, eg, sink, Term::DOUBLED, PT_PawnDoubledMg[file], PT_PawnDoubledEg[file], -1);
        if (GEO.passedMask[s] & enemyPawns)
            continue;
        if (has(defended, s))
            addTerm(mg, eg, sink, Term::PASSED_SUPPORTED, P_PassedSupportedMg, P_PassedSupportedEg);
        const int stop = s + 8;
        const int ownSteps = GEO.distance[ownKing][stop], enemySteps = GEO.distance[enemyKing][stop];
        const int kings = s16(PT_PassedEnemyKingEg[rank - 1]) * enemySteps - s16(PT_PassedOwnKingEg[rank - 1]) * ownSteps;
        eg = int16_t(eg + kings);
        sink.add(Term::PASSED_KING_DISTANCE, 0, kings);
        sink.uses(PT_PassedEnemyKingEg[rank - 1], 0, enemySteps);
        sink.uses(PT_PassedOwnKingEg[rank - 1], 0, -ownSteps);
        if (GEO.distance[ownKing][s] <= 1) {
            eg = int16_t(eg + s16(P_KingSupportEg));
            sink.add(Term::KING_SUPPORT, 0, s16(P_KingSupportEg));
            sink.uses(P_KingSupportEg, 0, 1);
        }
    }
}

// Passed pawns, king shield, pawn islands and file transitions of one side,
// added to the running accumulators.
template <bool Full, class Sink>
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
            usesPair(sink, PT_PawnPassedMg[squareRank(s)], PT_PawnPassedEg[squareRank(s)], 1);
        }
    }
    if constexpr (Full)
        addPawnStructure(v, mg, eg, sink);

    int king = kingSquareOf(v.kings & v.own);
    const int shieldNear = popcount(ownPawns & GEO.shieldRow1[king]);
    const int shieldFar = popcount(ownPawns & GEO.shieldRow2[king]);
    int16_t shield = int16_t(s16(PT_KingShield[0]) * shieldNear + s16(PT_KingShield[1]) * shieldFar);
    sink.uses(PT_KingShield[0], shieldNear, 0);
    sink.uses(PT_KingShield[1], shieldFar, 0);

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

// Passed pawns whose every square ahead is empty (default evaluation).
template <class Sink>
void addPassedPieceTerms(const SideView& v, int16_t& mg, int16_t& eg, Sink& sink)
{
    const Bitboard enemyPawns = v.pawns & ~v.own;
    for (Bitboard b = v.pawns & v.own; b;) {
        const int s = popLsb(b);
        if ((GEO.passedMask[s] & enemyPawns) || (GEO.frontSpan[s] & v.occ))
            continue;
        const int r = squareRank(s) - 1;
        addTerm(mg, eg, sink, Term::PASSED_FREE_PATH, PT_PassedFreePathMg[r], PT_PassedFreePathEg[r]);
    }
}

// A knight, bishop or rook on ranks 4-6, defended by an own pawn, where no
// enemy pawn can ever attack it.
inline bool onOutpost(int s, Bitboard ownPawns, Bitboard enemyPawns)
{
    return has(OUTPOST_RANKS & pawnAttacksUp(ownPawns), s) && !(GEO.attackSpan[s] & enemyPawns);
}

// The default evaluation's terms of the rook on s, which attacks `reach`:
// outpost, adjustment by the number of own pawns, the seventh rank (with the
// enemy king on the eighth or enemy pawns on the seventh) and the file of an
// enemy queen.
template <class Sink>
void addDefaultRookTerms(const SideView& v, int s, Bitboard reach, int ownPawnCount, int16_t& mg, int16_t& eg, Sink& sink,
                         AttackMaps& maps)
{
    const Bitboard ownPawns = v.pawns & v.own, enemyPawns = v.pawns & ~v.own;
    maps.rook |= reach;
    if (onOutpost(s, ownPawns, enemyPawns))
        addTerm(mg, eg, sink, Term::ROOK_OUTPOST, P_RookOutpostMg, P_RookOutpostEg);
    addTerm(mg, eg, sink, Term::ROOK_ADJUSTMENT, PT_RookDelta[ownPawnCount], PT_RookDelta[ownPawnCount]);
    if (squareRank(s) == 6 && ((v.kings & ~v.own & RANK_8) || (enemyPawns & RANK_7)))
        addTerm(mg, eg, sink, Term::ROOK_7TH, P_Rook7th, P_Rook7th);
    if (v.queens & ~v.own & fileOf(s)) {
        mg = int16_t(mg + s16(P_oQueenRookFile));
        sink.add(Term::ROOK_QUEEN_FILE, s16(P_oQueenRookFile), 0);
        sink.uses(P_oQueenRookFile, 1, 0);
    }
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
    int ownPawnCount;    // at most 8 (default evaluation only)
};

// Knight mobility and trapped knights; the knights' weighted attacks on the
// king zone are added to attacks (8 bits, wrapping).
template <bool Full, class Sink>
void addKnightTerms(const SideView& v, const PieceTermView& p, int16_t& mg, int16_t& eg, uint8_t& attacks, Sink& sink,
                    AttackMaps& maps)
{
    for (Bitboard b = v.knights & p.own; b;) {
        int s = popLsb(b);
        Bitboard a = knightAttacks[s] & ~p.own;
        int m = popcount(a & p.safe);
        mg = int16_t(mg + s16(PT_KnightMobilityMg[m]));
        eg = int16_t(eg + s16(PT_KnightMobilityEg[m]));
        sink.add(Term::KNIGHT_MOBILITY, s16(PT_KnightMobilityMg[m]), s16(PT_KnightMobilityEg[m]));
        usesPair(sink, PT_KnightMobilityMg[m], PT_KnightMobilityEg[m], 1);
        attacks = uint8_t(attacks + popcount(a & p.zone) * u8(PT_AttackWeight[KNIGHT]));
        const Bitboard enemyPawns = p.enemyPawns;
        if constexpr (Full) {
            maps.minor |= knightAttacks[s];
            if (onOutpost(s, p.ownPawns, enemyPawns))
                addTerm(mg, eg, sink, Term::KNIGHT_OUTPOST, P_KnightOutpostMg, P_KnightOutpostEg);
            addTerm(mg, eg, sink, Term::KNIGHT_ADJUSTMENT, PT_KnightDelta[p.ownPawnCount], PT_KnightDelta[p.ownPawnCount]);
        }
        bool trapped = (s == A8 && (has(enemyPawns, A7) || has(enemyPawns, C7))) ||
                       (s == H8 && (has(enemyPawns, H7) || has(enemyPawns, F7))) ||
                       (s == A7 && (has(enemyPawns, A6) || has(enemyPawns, B7))) ||
                       (s == H7 && (has(enemyPawns, H6) || has(enemyPawns, G7)));
        if (trapped) {
            mg = int16_t(mg - s16(P_TrappedKnightMg));
            eg = int16_t(eg - s16(P_TrappedKnightEg));
            sink.add(Term::KNIGHT_TRAPPED, -s16(P_TrappedKnightMg), -s16(P_TrappedKnightEg));
            usesPair(sink, P_TrappedKnightMg, P_TrappedKnightEg, -1);
        }
    }
}

// Bishop mobility, trapped bishops, open long diagonals, fianchettos and the
// bishop pair; the bishops' weighted attacks on the king zone are added to
// attacks.
template <bool Full, class Sink>
void addBishopTerms(const SideView& v, const PieceTermView& p, int16_t& mg, int16_t& eg, uint8_t& attacks, Sink& sink,
                    AttackMaps& maps)
{
    const Bitboard ownBishops = v.bishops & p.own;
    const Bitboard ownPawns = p.ownPawns, enemyPawns = p.enemyPawns;
    for (Bitboard b = ownBishops; b;) {
        int s = popLsb(b);
        const Bitboard reach = bishopAttacks(s, v.occ);
        int m = popcount(reach & p.safe);
        mg = int16_t(mg + s16(PT_BishopMobilityMg[m]));
        eg = int16_t(eg + s16(PT_BishopMobilityEg[m]));
        sink.add(Term::BISHOP_MOBILITY, s16(PT_BishopMobilityMg[m]), s16(PT_BishopMobilityEg[m]));
        usesPair(sink, PT_BishopMobilityMg[m], PT_BishopMobilityEg[m], 1);
        if constexpr (Full) {
            maps.minor |= reach;
            if (onOutpost(s, ownPawns, enemyPawns))
                addTerm(mg, eg, sink, Term::BISHOP_OUTPOST, P_BishopOutpostMg, P_BishopOutpostEg);
            // Own pawns on the bishop's colour: squares it can neither guard
            // nor use.
            const int blocking = popcount(ownPawns & (has(LIGHT_SQUARES, s) ? LIGHT_SQUARES : ~LIGHT_SQUARES));
            addTerm(mg, eg, sink, Term::COLOR_WEAKNESS, P_ColorWeaknessMg, P_ColorWeaknessEg, -blocking);
        }
        // Attacks on the king zone see through the own queen (a battery).
        Bitboard xray = bishopAttacks(s, v.occ & ~p.ownQueens) & ~p.own;
        attacks = uint8_t(attacks + popcount(xray & p.zone) * u8(PT_AttackWeight[BISHOP]));
        if ((s == A7 && has(enemyPawns, B6)) || (s == H7 && has(enemyPawns, G6))) {
            mg = int16_t(mg - s16(P_TrappedBishopMg));
            eg = int16_t(eg - s16(P_TrappedBishopEg));
            sink.add(Term::BISHOP_TRAPPED, -s16(P_TrappedBishopMg), -s16(P_TrappedBishopEg));
            usesPair(sink, P_TrappedBishopMg, P_TrappedBishopEg, -1);
        } else if ((s == F1 && has(ownPawns, E2) && has(v.occ, E3)) ||
                   (s == C1 && has(ownPawns, D2) && has(v.occ, D3))) {
            mg = int16_t(mg - s16(P_TrappedBishopMg));
            sink.add(Term::BISHOP_TRAPPED, -s16(P_TrappedBishopMg), 0);
            sink.uses(P_TrappedBishopMg, -1, 0);
        }
        if (has(LONG_DIAGONALS, s) && !(v.pawns & GEO.diagonals[s] & ~RANK_7)) {
            mg = int16_t(mg + s16(P_BishopBigOpenDiagMg));
            eg = int16_t(eg + s16(P_BishopBigOpenDiagEg));
            sink.add(Term::BISHOP_OPEN_DIAGONAL, s16(P_BishopBigOpenDiagMg), s16(P_BishopBigOpenDiagEg));
            usesPair(sink, P_BishopBigOpenDiagMg, P_BishopBigOpenDiagEg, 1);
        }
        if ((s == G2 && (has(ownPawns, F2) || has(ownPawns, G3))) ||
            (s == B2 && (has(ownPawns, C2) || has(ownPawns, B3)))) {
            mg = int16_t(mg + s16(P_BishopFianchettoMg));
            eg = int16_t(eg + s16(P_BishopFianchettoEg));
            sink.add(Term::BISHOP_FIANCHETTO, s16(P_BishopFianchettoMg), s16(P_BishopFianchettoEg));
            usesPair(sink, P_BishopFianchettoMg, P_BishopFianchettoEg, 1);
        }
    }
    if (popcount(ownBishops) >= 2 && popcount(ownBishops & LIGHT_SQUARES) == 1) {
        mg = int16_t(mg + s16(P_BishopPairMg));
        eg = int16_t(eg + s16(P_BishopPairEg));
        sink.add(Term::BISHOP_PAIR, s16(P_BishopPairMg), s16(P_BishopPairEg));
        usesPair(sink, P_BishopPairMg, P_BishopPairEg, 1);
    }
}

// Rook mobility, rooks shut in by their king, open and half-open files; the
// rooks' weighted attacks on the king zone are added to attacks.
template <bool Full, class Sink>
void addRookTerms(const SideView& v, const PieceTermView& p, int16_t& mg, int16_t& eg, uint8_t& attacks, Sink& sink,
                  AttackMaps& maps)
{
    const Bitboard ownRooks = v.rooks & p.own;
    const int ownKing = kingSquareOf(v.kings & p.own);
    for (Bitboard b = ownRooks; b;) {
        int s = popLsb(b);
        const Bitboard reach = rookAttacks(s, v.occ);
        int m = popcount(reach & p.safe);
        mg = int16_t(mg + s16(PT_RookMobilityMg[m]));
        eg = int16_t(eg + s16(PT_RookMobilityEg[m]));
        sink.add(Term::ROOK_MOBILITY, s16(PT_RookMobilityMg[m]), s16(PT_RookMobilityEg[m]));
        usesPair(sink, PT_RookMobilityMg[m], PT_RookMobilityEg[m], 1);
        Bitboard xray = rookAttacks(s, v.occ & ~p.ownQueens & ~ownRooks) & ~p.own;
        attacks = uint8_t(attacks + popcount(xray & p.zone) * u8(PT_AttackWeight[ROOK]));
        if constexpr (Full)
            addDefaultRookTerms(v, s, reach, p.ownPawnCount, mg, eg, sink, maps);
        if (!v.pawns)
            continue;
        // A rook shut in by its own uncastled king.
        if (((ownKing == B1 || ownKing == C1) && (s == A1 || s == B1 || s == A2)) ||
            ((ownKing == F1 || ownKing == G1) && (s == G1 || s == H1 || s == H2))) {
            mg = int16_t(mg - s16(P_TrappedRookMg));
            sink.add(Term::ROOK_TRAPPED, -s16(P_TrappedRookMg), 0);
            sink.uses(P_TrappedRookMg, -1, 0);
        }
        Bitboard file = FILE_A << squareFile(s);
        if (!(p.ownPawns & file)) {
            const bool semiOpen = p.enemyPawns & file;
            mg = int16_t(mg + s16(semiOpen ? P_RookSemiOpenFile : P_RookOpenFile));
            sink.add(semiOpen ? Term::ROOK_SEMI_OPEN_FILE : Term::ROOK_OPEN_FILE,
                     s16(semiOpen ? P_RookSemiOpenFile : P_RookOpenFile), 0);
            sink.uses(semiOpen ? P_RookSemiOpenFile : P_RookOpenFile, 1, 0);
        }
    }
}

// Queen mobility and tropism to the enemy king; the queens' weighted attacks
// on the king zone are added to attacks.
template <bool Full, class Sink>
void addQueenTerms(const SideView& v, const PieceTermView& p, int16_t& mg, int16_t& eg, uint8_t& attacks, Sink& sink,
                   AttackMaps& maps)
{
    for (Bitboard b = p.ownQueens; b;) {
        int s = popLsb(b);
        const Bitboard reach = queenAttacks(s, v.occ);
        Bitboard a = reach & ~p.own;
        int m = popcount(a & ~p.enemyPawnAttacks);
        mg = int16_t(mg + s16(PT_QueenMobilityMg[m]));
        eg = int16_t(eg + s16(PT_QueenMobilityEg[m]));
        sink.add(Term::QUEEN_MOBILITY, s16(PT_QueenMobilityMg[m]), s16(PT_QueenMobilityEg[m]));
        usesPair(sink, PT_QueenMobilityMg[m], PT_QueenMobilityEg[m], 1);
        if constexpr (Full)
            maps.queen |= reach;
        attacks = uint8_t(attacks + popcount(a & p.zone) * u8(PT_AttackWeight[QUEEN]));
        int tropism = 10 - GEO.distance[s][p.enemyKing];
        mg = int16_t(mg + tropism);
        eg = int16_t(eg + tropism);
        sink.add(Term::QUEEN_TROPISM, tropism, tropism);
    }
}

// Mobility, trapped pieces, bishop and rook terms and queen tropism of one
// side, added to the accumulators; returns the side's attack count on the
// zone of the enemy king. The default evaluation adds its own piece terms and
// fills maps with the side's attacks.
template <bool Full, class Sink>
uint8_t addPieceTerms(const SideView& v, int16_t& mg, int16_t& eg, Sink& sink, AttackMaps& maps)
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
    p.ownPawnCount = 0;
    if constexpr (Full) {
        p.ownPawnCount = std::min(8, popcount(p.ownPawns));
        maps = AttackMaps{};
        maps.pawn = pawnAttacksUp(p.ownPawns);
    }
    uint8_t attacks = 0;
    addKnightTerms<Full>(v, p, mg, eg, attacks, sink, maps);
    addBishopTerms<Full>(v, p, mg, eg, attacks, sink, maps);
    addRookTerms<Full>(v, p, mg, eg, attacks, sink, maps);
    addQueenTerms<Full>(v, p, mg, eg, attacks, sink, maps);
    if constexpr (Full) {
        maps.all = maps.pawn | maps.minor | maps.rook | maps.queen | kingAttacks[kingSquareOf(v.kings & p.own)];
        addPassedPieceTerms(v, mg, eg, sink);
    }
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
template <bool Full, class Sink>
PawnCacheEntry pawnStructure(const SideView& us, const SideView& them, uint64_t pawnKey, Sink& sink)
{
    // Each pass adds one side's terms to the running sums, which are negated
    // after it: after both, they hold ours minus theirs.
    PawnCacheEntry e{pawnKey, 0, 0, kingFileDanger(us), kingFileDanger(them)};
    sink.side(0);
    addPawnTerms<Full>(us, e.mg, e.eg, sink);
    e.mg = int16_t(-e.mg), e.eg = int16_t(-e.eg);
    sink.side(1);
    addPawnTerms<Full>(them, e.mg, e.eg, sink);
    e.mg = int16_t(-e.mg), e.eg = int16_t(-e.eg);
    return e;
}

// The default evaluation's terms of one side that need both sides' attacks:
// enemy pieces attacked by pawns or by lesser pieces, enemy pieces attacked
// and not defended, and space (safe squares of files c-f on ranks 2-4,
// counted twice behind an own pawn). ours are the side's attacks, theirs the
// other side's in this side's view.
template <class Sink>
void addThreatTerms(const SideView& v, const AttackMaps& ours, const AttackMaps& theirs, int& mg, int& eg, Sink& sink)
{
    const Bitboard enemyPieces = v.occ & ~v.own;
    const Bitboard minors = (v.knights | v.bishops) & enemyPieces;
    const Bitboard rooks = v.rooks & enemyPieces, queens = v.queens & enemyPieces;
    struct Threat {
        Term term;
        Bitboard hit;
        const int& mgParam;
        const int& egParam;
    };
    const Threat threats[] = {
        {Term::THREAT_BY_PAWN, ours.pawn & minors, P_ThreatPawnOnMinorMg, P_ThreatPawnOnMinorEg},
        {Term::THREAT_BY_PAWN, ours.pawn & rooks, P_ThreatPawnOnRookMg, P_ThreatPawnOnRookEg},
        {Term::THREAT_BY_PAWN, ours.pawn & queens, P_ThreatPawnOnQueenMg, P_ThreatPawnOnQueenEg},
        {Term::THREAT_BY_PIECE, ours.minor & rooks, P_ThreatMinorOnRookMg, P_ThreatMinorOnRookEg},
        {Term::THREAT_BY_PIECE, ours.minor & queens, P_ThreatMinorOnQueenMg, P_ThreatMinorOnQueenEg},
        {Term::THREAT_BY_PIECE, ours.rook & queens, P_ThreatRookOnQueenMg, P_ThreatRookOnQueenEg},
        {Term::HANGING, ours.all & (minors | rooks | queens) & ~theirs.all, P_HangingMg, P_HangingEg},
    };
    for (const Threat& t : threats) {
        const int n = popcount(t.hit);
        if (!n)
            continue;
        mg += t.mgParam * n;
        eg += t.egParam * n;
        sink.add(t.term, t.mgParam * n, t.egParam * n);
        usesPair(sink, t.mgParam, t.egParam, n);
    }
    const Bitboard ownPawns = v.pawns & v.own;
    const Bitboard safe = SPACE_SQUARES & ~ownPawns & ~theirs.pawn;
    const Bitboard behind = (ownPawns >> 8) | (ownPawns >> 16) | (ownPawns >> 24);
    const int space = popcount(safe) + popcount(safe & behind);
    mg += P_SpaceMg * space;
    sink.add(Term::SPACE, P_SpaceMg * space, 0);
    sink.uses(P_SpaceMg, space, 0);
}

// The castling bonus of a side: it may still castle, or its king stands on a
// square castling leads to.
template <class Sink>
void addCastlingTerm(const SideView& v, bool mayCastle, int& mg, Sink& sink)
{
    const int king = kingSquareOf(v.kings & v.own);
    if (mayCastle || king == B1 || king == C1 || king == G1 || king == H1) {
        mg += P_Castling;
        sink.add(Term::CASTLING, P_Castling, 0);
        sink.uses(P_Castling, 1, 0);
    }
}

// The static evaluation of pos, telling sink every term; side 0 of the sink
// is the side to move, side 1 the opponent. The pawn structure is taken from
// (and added to) the cache's pawn table when there is one; a trace passes no
// cache, so that every term is computed and recorded.
template <bool Full, class Sink>
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
            slot = pawnStructure<Full>(us, them, pos.pawnKey, sink);
        pawn = slot;
    } else {
        pawn = pawnStructure<Full>(us, them, pos.pawnKey, sink);
    }
    int pawnBlock = taper(pawn.mg, pawn.eg, phase);

    int16_t pieceMg = 0, pieceEg = 0;
    AttackMaps ourMaps, theirMaps;
    sink.side(0);
    uint8_t ourAttacks = addPieceTerms<Full>(us, pieceMg, pieceEg, sink, ourMaps);
    pieceMg = int16_t(-pieceMg), pieceEg = int16_t(-pieceEg);
    sink.side(1);
    uint8_t theirAttacks = addPieceTerms<Full>(them, pieceMg, pieceEg, sink, theirMaps);
    pieceMg = int16_t(-pieceMg), pieceEg = int16_t(-pieceEg);
    int pieceBlock = taper(pieceMg, pieceEg, phase);

    int ourDanger = uint8_t(theirAttacks + pawn.ourDanger);
    int theirDanger = uint8_t(ourAttacks + pawn.theirDanger);
    int ourKingTable = s16(PT_KingSafety[std::min(99, ourDanger)]);
    int theirKingTable = s16(PT_KingSafety[std::min(99, theirDanger)]);
    int kingSafety = (theirKingTable - ourKingTable) * phase / 64;
    sink.side(0);
    sink.add(Term::KING_SAFETY, -ourKingTable, 0);
    sink.uses(PT_KingSafety[std::min(99, ourDanger)], -1, 0);
    sink.side(1);
    sink.add(Term::KING_SAFETY, -theirKingTable, 0);
    sink.uses(PT_KingSafety[std::min(99, theirDanger)], -1, 0);

    if constexpr (Full) {
        // Ours minus theirs in plain ints: these terms need no 16-bit sums.
        int ourMg = 0, ourEg = 0, theirMg = 0, theirEg = 0;
        sink.side(0);
        addThreatTerms(us, ourMaps, turned(theirMaps), ourMg, ourEg, sink);
        addCastlingTerm(us, (pos.castling & (CASTLE_OWN_QUEEN | CASTLE_OWN_KING)) != 0, ourMg, sink);
        sink.add(Term::SIDE_TO_MOVE, P_SideToMove, P_SideToMove);
        sink.uses(P_SideToMove, 1, 1);
        sink.side(1);
        addThreatTerms(them, theirMaps, turned(ourMaps), theirMg, theirEg, sink);
        addCastlingTerm(them, (pos.castling & (CASTLE_THEIR_QUEEN | CASTLE_THEIR_KING)) != 0, theirMg, sink);
        const int extra = taper(ourMg - theirMg, ourEg - theirEg, phase) + P_SideToMove;
        return Score(pieceBlock + kingSafety + material + pawnBlock + extra);
    }
    return Score(pieceBlock + kingSafety + material + pawnBlock);
}

} // namespace
