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
#include "search/bounds.h"
#include "search/engine.h"
#include "search/hashq.h"
#include "search/ordering.h"
#include "search/prefetch.h"
#include "search/rootprobe.h"
#include "search/tt.h"
#include "tablebase/tbprobe.h"

namespace {

// One quiescence node while it is searched, shared by its steps.
struct QNode {
    SearchThread& t;
    Position* pos;
    int depth, ply;
    int alpha, beta;
    int tbLimit;
    int eval;  // the static evaluation, a lower bound of the node
    Bitboard inCheck;
    Move hashMove;  // from HashQ, 0 without
    int bound;
    int legal;
    Move best;
    int cutoff;  // the score of the move that refuted the node

    QNode(SearchThread& thread, int d, int p, int a, int b, int limit)
        : t(thread), pos(thread.current), depth(d), ply(p), alpha(a), beta(b), tbLimit(limit)
    {
    }
};

// Searches one move of a quiescence node; the caller unmakes nothing.
inline int searchQChild(SearchThread& t, Position* pos, Move move, int depth, int ply, int alpha, int beta,
                        int tbLimit)
{
    t.current = makeMoveForQuiescence(t, *pos, move);
    int s = -quiescence(t, depth - 1, ply + 1, -beta, -alpha, tbLimit);
    t.current = pos;
    return s;
}

// Everything before the moves: the stop check (before the node is counted,
// so that a node limit is never passed and the siblings of a stopped node add
// nothing), the tables, the ply limit, mate distance, stand pat with its
// delta margin, and HashQ. True when the node ends here, with its score.
inline bool endsBeforeMoves(QNode& n, int& score)
{
    SearchThread& t = n.t;
    if (nodeMustStop(t)) {
        score = n.alpha;
        return true;
    }
    t.nodes++;
    const Position& pos = *n.pos;
    // Below the first ply, right after a capture or pawn move, the tables
    // decide a position they cover.
    if (n.depth < 0 && n.tbLimit && pos.halfmoveClock == 0 && popcount(occupied(pos)) <= n.tbLimit
        && tbProbeDepthReached(t, n.depth)) {
        int ok;
        const int wdl = probeWdl(t.engine->tablebases, pos, &ok);
        if (ok) {
            t.tbHits++;
            score = wdlScore(wdl, t.tbFiftyMoveRule);
            return true;
        }
    }
    if (n.ply > 126) {
        score = evaluate(pos, &t.evalCache);
        return true;
    }
    if (mateDistanceCloses(n.ply, n.alpha, n.beta)) {
        score = n.alpha;
        return true;
    }
    n.eval = evaluate(pos, &t.evalCache);
    n.inCheck = checkers(pos);
    if (!n.inCheck) {
        if (n.eval >= n.beta) {
            score = n.eval;
            return true;
        }
        // A pawn about to promote can swing the balance by more than a queen.
        const int delta = pawns(pos) & pos.own & RANK_7 ? 2 * P_Queen - P_Pawn : P_Queen;
        if (n.eval < n.alpha - delta) {
            score = n.alpha;
            return true;
        }
    }
    // Even in check the static evaluation counts as a lower bound of the node.
    if (n.alpha < n.eval)
        n.alpha = n.eval;

    HashQEntry entry;
    const int hashScore = probeHashQ(t, entry, n.depth, n.ply, n.alpha, n.beta);
    if (hashScore <= INFINITE) {
        score = hashScore;
        return true;
    }
    n.hashMove = hashScore == HASH_MISS ? 0 : entry.move;
    n.bound = BOUND_UPPER;
    n.legal = 0;
    n.best = 0;
    return false;
}

// Searches move m; true when it refutes the node (stored, its score in
// n.cutoff).
inline bool refutes(QNode& n, Move m)
{
    const int s = searchQChild(n.t, n.pos, m, n.depth, n.ply, n.alpha, n.beta, n.tbLimit);
    if (s <= n.alpha)
        return false;
    n.best = m;
    if (s >= n.beta) {
        storeHashQ(n.t, n.depth, n.ply, BOUND_LOWER, s, m);
        n.cutoff = s;
        return true;
    }
    n.alpha = s;
    n.bound = BOUND_EXACT;
    return false;
}

// In check: every evasion, last generated first, without ordering or pruning.
inline bool evasionRefutes(QNode& n, MoveEntry* list)
{
    const Position& pos = *n.pos;
    MoveEntry* end = generateEvasions(pos, n.inCheck, list);
    for (MoveEntry* e = end; e != list;) {
        const Move m = entryMove(*--e);
        if (m == n.hashMove || leavesKingInCheck(pos, m))
            continue;
        n.legal++;
        if (refutes(n, m))
            return true;
    }
    return false;
}

// Captures, best-scored first, without those that cannot reach alpha by the
// material they win and those that lose material.
inline bool captureRefutes(QNode& n, MoveEntry* list)
{
    const Position& pos = *n.pos;
    int count = int(generateCaptures(pos, list) - list);
    while (count > 0) {
        const Move m = entryMove(pickBest(list, count));
        if (m == n.hashMove)
            continue;
        int gain = moveKind(m) == KIND_EN_PASSANT ? P_Pawn : pieceValue(pieceOn(pos, moveTo(m)));
        if (moveKind(m) == KIND_PROMOTION_CAPTURE)
            gain += pieceValue(movePromotion(m)) - P_Pawn;
        if (n.eval + gain < n.alpha - 150)
            continue;
        // The legality and exchange tests take long enough to hide the
        // child's table loads behind them.
        prefetchQuiescenceChild(n.t, keyAfterMove(pos, m));
        if (leavesKingInCheck(pos, m) || isLosingCapture(pos, m))
            continue;
        if (refutes(n, m))
            return true;
    }
    return false;
}

// Quiet checks (the first two plies only), last generated first, without
// those that lose material.
inline bool quietCheckRefutes(QNode& n, MoveEntry* list)
{
    const Position& pos = *n.pos;
    MoveEntry* end = generateQuietChecks(pos, list);
    for (MoveEntry* e = end; e != list;) {
        const Move m = entryMove(*--e);
        if (m == n.hashMove)
            continue;
        prefetchQuiescenceChild(n.t, keyAfterMove(pos, m));
        if (leavesKingInCheck(pos, m) || staticExchange(pos, m) < 0)
            continue;
        if (refutes(n, m))
            return true;
    }
    return false;
}

} // namespace

int quiescence(SearchThread& t, int depth, int ply, int alpha, int beta, int tbLimit)
{
    QNode n(t, depth, ply, alpha, beta, tbLimit);
    int score;
    if (endsBeforeMoves(n, score))
        return score;
    if (n.hashMove && !leavesKingInCheck(*n.pos, n.hashMove)) {
        n.legal = 1;
        if (refutes(n, n.hashMove))
            return n.cutoff;
    }
    MoveEntry list[MAX_MOVES];
    if (n.inCheck) {
        if (evasionRefutes(n, list))
            return n.cutoff;
        if (n.legal == 0)
            return ply - MATE;
    } else if (captureRefutes(n, list) || (depth >= -1 && quietCheckRefutes(n, list))) {
        return n.cutoff;
    }
    storeHashQ(t, depth, ply, n.bound, n.alpha, n.best);
    return n.alpha;
}
