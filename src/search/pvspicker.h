// The default search's staged move picker: the hash move, captures that do
// not lose material (best victim and capture history first), quiet moves
// (killers, counter-move, then butterfly and continuation history), and last
// the captures that lose material and the under-promotions. Each list is
// generated when its stage begins; a node that has seen enough quiet moves
// can skip the rest of them.
#pragma once

#include <cstdint>

#include "position/attacks.h"
#include "position/movegen.h"
#include "position/see.h"
#include "search/history.h"

enum class PvsStage : uint8_t { Start, Hash, GoodCaptures, Quiets, BadCaptures, Done };

struct ScoredMove {
    Move move;
    int score;
};

struct PvsPicker {
    const Position* pos;
    const HistoryTables* history;
    const ContinuationRow* cont1;  // rows of the moves one and two plies back
    const ContinuationRow* cont2;
    Move hashMove;
    Move killers[2];
    Move counter;
    PvsStage stage;    // the stage of the move last returned
    bool skipQuiets;   // set by the node: no further quiet moves
    int count;         // moves left in the current list
    int badCount;
    ScoredMove list[MAX_MOVES];
    ScoredMove bad[MAX_MOVES];
};

// A quiet move that gives check directly is tried before the other quiet
// moves of equal history: late-move pruning must not lose a mating check.
constexpr int CHECK_BONUS = 12000;

// Per piece code, the squares from which that piece of the side to move would
// attack the enemy king (sliders on the current occupancy).
inline void checkSquares(const Position& pos, Bitboard squares[7])
{
    const Bitboard king = kings(pos) & enemy(pos);
    squares[0] = squares[KING] = 0;
    if (!king) {
        squares[PAWN] = squares[KNIGHT] = squares[BISHOP] = squares[ROOK] = squares[QUEEN] = 0;
        return;
    }
    const int k = lsb(king);
    const Bitboard occ = occupied(pos);
    squares[PAWN] = pawnAttacksDown(king);
    squares[KNIGHT] = knightAttacks[k];
    squares[BISHOP] = bishopAttacks(k, occ);
    squares[ROOK] = rookAttacks(k, occ);
    squares[QUEEN] = squares[BISHOP] | squares[ROOK];
}

constexpr int KILLER1_BONUS = 1 << 20;
constexpr int KILLER2_BONUS = (1 << 20) - 1;
constexpr int COUNTER_BONUS = (1 << 20) - 2;

inline int capturedPiece(const Position& pos, Move m)
{
    return moveKind(m) == KIND_EN_PASSANT ? PAWN : pieceOn(pos, moveTo(m));
}

inline int captureHistory(const HistoryTables& h, const Position& pos, Move m)
{
    return h.capture[movingPiece(m)][moveTo(m)][capturedPiece(pos, m)];
}

inline int quietHistory(const HistoryTables& h, const ContinuationRow& c1, const ContinuationRow& c2, int side, Move m)
{
    return 2 * h.butterfly[side][moveFrom(m)][moveTo(m)] + c1[movingPiece(m)][moveTo(m)]
           + c2[movingPiece(m)][moveTo(m)];
}

inline void startPvsPicker(PvsPicker& p, const Position& pos, const HistoryTables& h, Move hashMove, Move prev1,
                           Move prev2, const Move killers[2])
{
    p.pos = &pos;
    p.history = &h;
    p.cont1 = &continuationRow(h, prev1);
    p.cont2 = &continuationRow(h, prev2);
    p.hashMove = hashMove;
    p.killers[0] = killers[0];
    p.killers[1] = killers[1];
    p.counter = prev1 ? h.counterMoves[movingPiece(prev1)][moveTo(prev1)] : 0;
    p.stage = PvsStage::Start;
    p.skipQuiets = false;
    p.count = p.badCount = 0;
}

// Takes the best-scored move of list [0, count) out of it.
inline ScoredMove takeBest(ScoredMove* list, int& count)
{
    int best = 0;
    for (int i = 1; i < count; i++)
        if (list[i].score > list[best].score)
            best = i;
    const ScoredMove e = list[best];
    list[best] = list[--count];
    return e;
}

// The next pseudo-legal move that leaves the own king safe; 0 when none is left.
inline Move nextPvsMove(PvsPicker& p)
{
    const Position& pos = *p.pos;
    switch (p.stage) {
    case PvsStage::Start:
        p.stage = PvsStage::Hash;
        if (p.hashMove && !leavesKingInCheck(pos, p.hashMove))
            return p.hashMove;
        [[fallthrough]];
    case PvsStage::Hash: {
        p.stage = PvsStage::GoodCaptures;
        MoveEntry entries[MAX_MOVES];
        const int n = int(generateCaptures(pos, entries) - entries);
        p.count = 0;
        for (int i = 0; i < n; i++) {
            const Move m = entryMove(entries[i]);
            if (m == p.hashMove)
                continue;
            // Under-promotions go straight to the end.
            if (movePromotion(m) && movePromotion(m) != QUEEN) {
                p.bad[p.badCount++] = ScoredMove{m, -100000 + movePromotion(m)};
                continue;
            }
            int victim = pieceValue(capturedPiece(pos, m));
            if (movePromotion(m))
                victim += pieceValue(QUEEN);
            p.list[p.count++] = ScoredMove{m, 16 * victim + captureHistory(*p.history, pos, m)};
        }
        [[fallthrough]];
    }
    case PvsStage::GoodCaptures:
        while (p.count > 0) {
            const ScoredMove e = takeBest(p.list, p.count);
            if (leavesKingInCheck(pos, e.move))
                continue;
            if (!captureCannotLose(pos, e.move) && staticExchange(pos, e.move) < 0) {
                p.bad[p.badCount++] = e;
                continue;
            }
            return e.move;
        }
        p.stage = PvsStage::Quiets;
        if (!p.skipQuiets) {
            MoveEntry entries[MAX_MOVES];
            const int n = int(generateQuiets(pos, entries) - entries);
            const int side = int(pos.sideToMove & 1);
            Bitboard checks[7];
            checkSquares(pos, checks);
            p.count = 0;
            for (int i = 0; i < n; i++) {
                const Move m = entryMove(entries[i]);
                if (m == p.hashMove)
                    continue;
                const int score = m == p.killers[0]   ? KILLER1_BONUS
                                  : m == p.killers[1] ? KILLER2_BONUS
                                  : m == p.counter    ? COUNTER_BONUS
                                                      : quietHistory(*p.history, *p.cont1, *p.cont2, side, m)
                                                            + (checks[movingPiece(m)] >> moveTo(m) & 1) * CHECK_BONUS;
                p.list[p.count++] = ScoredMove{m, score};
            }
        }
        [[fallthrough]];
    case PvsStage::Quiets:
        while (!p.skipQuiets && p.count > 0) {
            const Move m = takeBest(p.list, p.count).move;
            if (!leavesKingInCheck(pos, m))
                return m;
        }
        p.stage = PvsStage::BadCaptures;
        [[fallthrough]];
    case PvsStage::BadCaptures:
        while (p.badCount > 0) {
            const Move m = takeBest(p.bad, p.badCount).move;
            if (!leavesKingInCheck(pos, m))
                return m;
        }
        p.stage = PvsStage::Done;
        [[fallthrough]];
    case PvsStage::Done:
        break;
    }
    return 0;
}
