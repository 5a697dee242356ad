// The default search's statistics, one set per search thread: butterfly,
// capture and continuation histories, counter-moves, killers and the static
// evaluation's correction by pawn structure. Squares are the mover's own view
// (the board is mirrored after every move), so both colours share the tables
// that are not split by side.
#pragma once

#include <cstdint>
#include <cstdlib>

#include "position/types.h"

// Every history counter stays within +-HISTORY_MAX: an update moves it by the
// bonus less the share of the bonus it already holds ("gravity"), so counters
// saturate smoothly and old news fades.
constexpr int HISTORY_MAX = 16384;

inline void addHistory(int16_t& entry, int bonus)
{
    const int clamped = bonus > HISTORY_MAX ? HISTORY_MAX : bonus < -HISTORY_MAX ? -HISTORY_MAX : bonus;
    entry = int16_t(entry + clamped - entry * std::abs(clamped) / HISTORY_MAX);
}

// The reward of a move that refuted a node of `depth` remaining plies; the
// moves tried before it lose the same amount.
inline int historyBonus(int depth)
{
    const int b = 280 * depth - 250;
    return b > 2400 ? 2400 : b;
}

// Correction of the static evaluation: per side to move and pawn structure,
// the running mean of (search score - static evaluation), in 1/CORRECTION_GRAIN
// centipawns.
constexpr int CORRECTION_SIZE = 16384;
constexpr int CORRECTION_GRAIN = 256;
constexpr int CORRECTION_LIMIT = 96 * CORRECTION_GRAIN;

// One row of continuation history: the scores of every (piece, to-square)
// that follows one earlier (piece, to-square). Piece codes 0..6 (0 for "no
// move", a null move or the root's parent).
using ContinuationRow = int16_t[7][64];

struct HistoryTables {
    int16_t butterfly[2][64][64];       // [side to move][from][to]
    int16_t capture[7][64][7];          // [moving piece][to][captured piece]
    ContinuationRow continuation[7][64];  // [earlier piece][earlier to]
    Move counterMoves[7][64];           // [previous piece][previous to]
    int16_t correction[2][CORRECTION_SIZE];  // [side to move][pawn key]
};

// The continuation row a move opens (the row of "no move" for 0).
inline ContinuationRow& continuationRow(HistoryTables& h, Move m)
{
    return h.continuation[movingPiece(m) % 7][moveTo(m)];
}
inline const ContinuationRow& continuationRow(const HistoryTables& h, Move m)
{
    return h.continuation[movingPiece(m) % 7][moveTo(m)];
}

// Zeroes everything (a new game).
void clearHistoryTables(HistoryTables& h);

// The correction for a static evaluation, in centipawns.
inline int evalCorrection(const HistoryTables& h, int side, uint64_t pawnKey)
{
    return h.correction[side][pawnKey & (CORRECTION_SIZE - 1)] / CORRECTION_GRAIN;
}

// Moves the pawn-structure entry towards (searched - raw static evaluation),
// weighted by the depth of the search that found it.
void updateCorrection(HistoryTables& h, int side, uint64_t pawnKey, int depth, int difference);
