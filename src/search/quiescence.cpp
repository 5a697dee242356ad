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
#include "search/searchstate.h"
#include "search/tt.h"

bool allocHashQ(SearchThread& t, uint64_t entries, long sizeMb, bool print, int threadNumber)
{
    freeHashQ(t);
    while (entries & (entries - 1))
        entries &= entries - 1;  // keep the highest bit: the slot index is a mask
    void* p = entries ? std::calloc(entries, sizeof(HashQEntry)) : nullptr;
    if (!p) {
        std::printf("HashQ Table Memory Allocation Failed!\n");
        std::fflush(stdout);
        return false;
    }
    t.hashQ = static_cast<HashQEntry*>(p);
    t.hashQMask = entries - 1;
    if (print) {
        std::printf("Allocated %5i MB for the HashQ Table for Thread %i\n", int(sizeMb), threadNumber);
        std::fflush(stdout);
    }
    return true;
}

void clearHashQ(SearchThread& t)
{
    if (t.hashQ)
        std::memset(static_cast<void*>(t.hashQ), 0, (t.hashQMask + 1) * sizeof(HashQEntry));
}

void freeHashQ(SearchThread& t)
{
    std::free(t.hashQ);
    t.hashQ = nullptr;
    t.hashQMask = 0;
}

int probeHashQ(const SearchThread& t, HashQEntry& entry, int depth, int ply, int alpha, int beta)
{
    if (!t.hashQ)
        return HASH_MISS;
    uint64_t key = t.current->key;
    const HashQEntry& e = t.hashQ[key & t.hashQMask];
    if (e.key != key)
        return HASH_MISS;
    entry = e;
    if (e.depth < depth)
        return HASH_UNUSABLE;
    return usableScore(scoreFromTable(e.score, ply, QS_MATE_BAND), int(e.bound), alpha, beta);
}

void storeHashQ(SearchThread& t, int depth, int ply, int bound, int score, Move move)
{
    if (!t.hashQ)
        return;
    uint64_t key = t.current->key;
    HashQEntry& e = t.hashQ[key & t.hashQMask];
    e.key = key;
    // Below -32 the 6-bit field would wrap to a large positive depth. Every
    // depth below -1 searches the same way (captures only), so -32 is exact.
    e.depth = depth < -32 ? -32 : depth > 31 ? 31 : depth;
    e.bound = uint32_t(bound) & 3;
    e.score = int16_t(scoreToTable(score, ply, QS_MATE_BAND));
    e.move = move;
}

// Searches one move of a quiescence node; the caller unmakes nothing.
static inline int searchQChild(SearchThread& t, Position* pos, Move move, int depth, int ply, int alpha, int beta,
                               int tbLimit)
{
    t.current = makeMove(*pos, move);
    int s = -quiescence(t, depth - 1, ply + 1, -beta, -alpha, tbLimit);
    t.current = pos;
    return s;
}

int quiescence(SearchThread& t, int depth, int ply, int alpha, int beta, int tbLimit)
{
    t.nodes++;
    if (stopSearch.load(std::memory_order_relaxed)) {
        abortIteration.store(1, std::memory_order_relaxed);
        return alpha;
    }
    if (abortIteration.load(std::memory_order_relaxed))
        return alpha;

    // Tablebase probing below the first quiescence ply is not built yet.

    Position* pos = t.current;
    if (ply > 126)
        return evaluate(*t.current, &t.evalCache);

    if (alpha < ply - MATE)
        alpha = ply - MATE;
    if (beta > MATE - ply)
        beta = MATE - ply;
    if (alpha >= beta)
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
            if (eval + gain < alpha - 150 || leavesKingInCheck(*pos, m) || isLosingCapture(*pos, m))
                continue;
            if (tryMove(m))
                return cutoff;
        }
        if (depth >= -1) {
            MoveEntry* end = generateQuietChecks(*pos, list);
            for (MoveEntry* e = end; e != list;) {
                Move m = entryMove(*--e);
                if (m == hashMove || leavesKingInCheck(*pos, m) || staticExchange(*pos, m) < 0)
                    continue;
                if (tryMove(m))
                    return cutoff;
            }
        }
    }
    storeHashQ(t, depth, ply, bound, alpha, best);
    return alpha;
}
