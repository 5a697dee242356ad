// Attack tables, built once at start-up by walking rays, and the attack tests
// that every other module asks: who checks the king, would a move leave it
// attacked, which pieces are pinned so hard that they cannot move.
#include "position/attacks.h"

Bitboard Between[64][64];
Bitboard kingAttacks[64];
Bitboard knightAttacks[64];
Bitboard pawnAttacks[64];
Bitboard pawnAttackers[64];
Bitboard epAttackers[8];
Bitboard rookMask[64];
Bitboard bishopMask[64];
const Bitboard* rookTable[64];
const Bitboard* bishopTable[64];

namespace {

constexpr int BISHOP_TABLE_ENTRIES = 5248;
constexpr int ROOK_TABLE_ENTRIES = 102400;

// Bishop tables first, then rook tables, each square's block after the last.
Bitboard sliderStorage[BISHOP_TABLE_ENTRIES + ROOK_TABLE_ENTRIES];

struct Direction {
    int fileStep, rankStep;
};
constexpr Direction ROOK_DIRECTIONS[4] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
constexpr Direction BISHOP_DIRECTIONS[4] = {{1, 1}, {-1, 1}, {1, -1}, {-1, -1}};

bool onBoard(int file, int rank) { return file >= 0 && file < 8 && rank >= 0 && rank < 8; }

// The square one step away, or -1 off the board.
int stepSquare(int s, int fileStep, int rankStep)
{
    int f = squareFile(s) + fileStep, r = squareRank(s) + rankStep;
    return onBoard(f, r) ? r * 8 + f : -1;
}

// Squares a slider on s reaches given blockers: each ray up to and including
// the first occupied square.
Bitboard slidingAttacks(int s, Bitboard occ, const Direction (&dirs)[4])
{
    Bitboard attacks = 0;
    for (const Direction& d : dirs) {
        for (int t = stepSquare(s, d.fileStep, d.rankStep); t >= 0; t = stepSquare(t, d.fileStep, d.rankStep)) {
            attacks |= squareBit(t);
            if (occ & squareBit(t))
                break;
        }
    }
    return attacks;
}

// The relevant-occupancy mask: every ray square except the last one at the edge,
// since a blocker there changes nothing.
Bitboard relevantMask(int s, const Direction (&dirs)[4])
{
    Bitboard mask = 0;
    for (const Direction& d : dirs) {
        for (int t = stepSquare(s, d.fileStep, d.rankStep); t >= 0; t = stepSquare(t, d.fileStep, d.rankStep)) {
            if (stepSquare(t, d.fileStep, d.rankStep) < 0)
                break;
            mask |= squareBit(t);
        }
    }
    return mask;
}

// Fills one square's table: subsets of the mask in carry-rippler order, which
// is increasing PEXT index order. Returns the number of entries written.
int fillSliderTable(Bitboard* table, int s, Bitboard mask, const Direction (&dirs)[4])
{
    int n = 0;
    Bitboard subset = 0;
    do {
        table[n++] = slidingAttacks(s, subset, dirs);
        subset = (subset - mask) & mask;
    } while (subset);
    return n;
}

Bitboard stepAttacks(int s, const int (&steps)[8][2])
{
    Bitboard b = 0;
    for (const auto& st : steps) {
        int t = stepSquare(s, st[0], st[1]);
        if (t >= 0)
            b |= squareBit(t);
    }
    return b;
}

constexpr int KING_STEPS[8][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {1, 1}, {1, -1}, {-1, 1}, {-1, -1}};
constexpr int KNIGHT_STEPS[8][2] = {{1, 2}, {2, 1}, {2, -1}, {1, -2}, {-1, -2}, {-2, -1}, {-2, 1}, {-1, 2}};

}  // namespace

void buildSliderTables()
{
    int next = 0;
    for (int s = 0; s < 64; s++) {
        bishopMask[s] = relevantMask(s, BISHOP_DIRECTIONS);
        bishopTable[s] = sliderStorage + next;
        next += fillSliderTable(sliderStorage + next, s, bishopMask[s], BISHOP_DIRECTIONS);
    }
    for (int s = 0; s < 64; s++) {
        rookMask[s] = relevantMask(s, ROOK_DIRECTIONS);
        rookTable[s] = sliderStorage + next;
        next += fillSliderTable(sliderStorage + next, s, rookMask[s], ROOK_DIRECTIONS);
    }

    for (int s = 0; s < 64; s++) {
        kingAttacks[s] = stepAttacks(s, KING_STEPS);
        knightAttacks[s] = stepAttacks(s, KNIGHT_STEPS);
        int rank = squareRank(s);
        pawnAttacks[s] = (rank == 0 || rank == 7) ? 0 : pawnAttacksUp(squareBit(s));
        pawnAttackers[s] = (rank <= 1) ? 0 : pawnAttacksDown(squareBit(s));
    }
    for (int f = 0; f < 8; f++)
        epAttackers[f] = pawnAttackers[40 + f];

    // Between: walk each of the eight rays from every square, collecting the
    // squares passed before reaching the target.
    for (int a = 0; a < 64; a++) {
        for (int b = 0; b < 64; b++)
            Between[a][b] = 0;
        for (const auto& st : KING_STEPS) {
            Bitboard passed = 0;
            for (int t = stepSquare(a, st[0], st[1]); t >= 0; t = stepSquare(t, st[0], st[1])) {
                Between[a][t] = passed;
                passed |= squareBit(t);
            }
        }
    }
}

Bitboard checkers(const Position& pos)
{
    return attackersOf(pos, ownKingSquare(pos), occupied(pos), enemy(pos));
}

Bitboard pinnedImmobile(const Position& pos)
{
    const int k = ownKingSquare(pos);
    const Bitboard occ = occupied(pos);
    const Bitboard them = enemy(pos);
    Bitboard result = 0;

    Bitboard attacks = rookAttacks(k, occ);
    Bitboard xray = attacks ^ rookAttacks(k, occ & ~(attacks & pos.own));
    for (Bitboard pinners = xray & them & straightSliders(pos); pinners;) {
        int p = popLsb(pinners);
        result |= Between[p][k] & pos.own & (knights(pos) | bishops(pos));
    }

    attacks = bishopAttacks(k, occ);
    xray = attacks ^ bishopAttacks(k, occ & ~(attacks & pos.own));
    for (Bitboard pinners = xray & them & diagonalSliders(pos); pinners;) {
        int p = popLsb(pinners);
        result |= Between[p][k] & pos.own & (knights(pos) | rooks(pos));
    }
    return result;
}
