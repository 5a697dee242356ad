// Quiescence search: stand pat, delta-filtered captures, quiet checks in the
// first two plies, full evasions in check; results cached in the thread's HashQ.
#include "search/quiescence.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "eval/evaluate.h"
#include "eval/params.h"
#include "position/attacks.h"
#include "position/makemove.h"
#include "position/movegen.h"
#include "position/see.h"
#include "search/ordering.h"
#include "search/rootprobe.h"
#include "search/bounds.h"
#include "search/engine.h"
#include "search/hashq.h"
#include "search/prefetch.h"
#include "search/tt.h"
#include "tablebase/tbprobe.h"


// Searches one move of a quiescence node; the caller unmakes nothing.
static inline int searchQChild(SearchThread& t, Position* pos, Move move, int depth, int ply, int alpha, int beta,
                               int tbLimit)
{
    t.current = makeMoveForQuiescence(t, *pos, move);
    int s = -quiescence(t, depth - 1, ply + 1, -beta, -alpha, tbLimit);
    t.current = pos;
    return s;
}

int quiescence(SearchThread& t, int depth, int ply, int alpha, int beta, int tbLimit)
{
    // Checked before the node is counted, so that a node limit is never
    // passed and the siblings of a stopped node add nothing.
    if (nodeMustStop(t))
        return alpha;
    t.nodes++;

    // Below the first ply, right after a capture or pawn move, the tables
    // decide a position they cover.
    if (depth < 0 && tbLimit && t.current->halfmoveClock == 0 && popcount(occupied(*t.current)) <= tbLimit) {
        int ok;
        const int wdl = probeWdl(t.engine->tablebases, *t.current, &ok);
        if (ok) {
            t.tbHits++;
            return wdlScore(wdl);
        }
    }

    Position* pos = t.current;
    if (ply > 126)
        return evaluate(*t.current, &t.evalCache);

    if (mateDistanceCloses(ply, alpha, beta))
        return alpha;

    const int eval = evaluate(*t.current, &t.evalCache);
    const Bitboard inCheck = checkers(*pos);
    if (!inCheck) {
        if (eval >= beta)
            return eval;
        // A pawn about to promote can swing the balance by more than a queen.
        int delta = pawns(*pos) & pos->own & RANK_7 ? 2 * P_Queen - P_Pawn : P_Queen;
        if (eval < alpha - delta)
            return alpha;
    }
    // Even in check the static evaluation counts as a lower bound of the node.
    if (alpha < eval)
        alpha = eval;

    HashQEntry entry;
    int hashScore = probeHashQ(t, entry, depth, ply, alpha, beta);
    if (hashScore <= INFINITE)
        return hashScore;

    int bound = BOUND_UPPER;
    int legal = 0;
    Move best = 0;
    const Move hashMove = hashScore == HASH_MISS ? 0 : entry.move;

    // Searches move m; true when it refutes the node (stored and in `cutoff`).
    int cutoff = 0;
    auto tryMove = [&](Move m) {
        int s = searchQChild(t, pos, m, depth, ply, alpha, beta, tbLimit);
        if (s > alpha) {
            best = m;
            if (s >= beta) {
                storeHashQ(t, depth, ply, BOUND_LOWER, s, m);
                cutoff = s;
                return true;
            }
            alpha = s;
            bound = BOUND_EXACT;
        }
        return false;
    };

    if (hashMove && !leavesKingInCheck(*pos, hashMove)) {
        legal = 1;
        if (tryMove(hashMove))
            return cutoff;
    }

    MoveEntry list[MAX_MOVES];
    if (inCheck) {
        // Every evasion, last generated first, without ordering or pruning.
        MoveEntry* end = generateEvasions(*pos, inCheck, list);
        for (MoveEntry* e = end; e != list;) {
            Move m = entryMove(*--e);
            if (m == hashMove || leavesKingInCheck(*pos, m))
                continue;
            legal++;
            if (tryMove(m))
                return cutoff;
        }
        if (legal == 0)
            return ply - MATE;
    } else {
        int count = int(generateCaptures(*pos, list) - list);
        while (count > 0) {
            Move m = entryMove(pickBest(list, count));
            if (m == hashMove)
                continue;
            int gain = moveKind(m) == KIND_EN_PASSANT ? P_Pawn : pieceValue(pieceOn(*pos, moveTo(m)));
            if (moveKind(m) == KIND_PROMOTION_CAPTURE)
                gain += pieceValue(movePromotion(m)) - P_Pawn;
            if (eval + gain < alpha - 150)
                continue;
            // The legality and exchange tests take long enough to hide the
            // child's table loads behind them.
            prefetchQuiescenceChild(t, keyAfterMove(*pos, m));
            if (leavesKingInCheck(*pos, m) || isLosingCapture(*pos, m))
                continue;
            if (tryMove(m))
                return cutoff;
        }
        if (depth >= -1) {
            MoveEntry* end = generateQuietChecks(*pos, list);
            for (MoveEntry* e = end; e != list;) {
                Move m = entryMove(*--e);
                if (m == hashMove)
                    continue;
                prefetchQuiescenceChild(t, keyAfterMove(*pos, m));
                if (leavesKingInCheck(*pos, m) || staticExchange(*pos, m) < 0)
                    continue;
                if (tryMove(m))
                    return cutoff;
            }
        }
    }
    storeHashQ(t, depth, ply, bound, alpha, best);
    return alpha;
}
