// Alpha-beta search: draws, mate-distance pruning, TT cutoffs, reverse
// futility, razoring, futility, null move, internal iterative deepening, then
// the staged move picker's moves (hash move, winning captures, quiet moves,
// losing captures) with late-move pruning and reductions. Nothing here allocates or locks; move lists
// live in the node's frame and positions on the thread's stack.
#include "search/search.h"

#include <array>
#include <cstdlib>

#include "eval/evaluate.h"
#include "position/attacks.h"
#include "position/makemove.h"
#include "position/movegen.h"
#include "position/see.h"
#include "search/bounds.h"
#include "search/engine.h"
#include "search/movepicker.h"
#include "search/ordering.h"
#include "search/prefetch.h"
#include "search/pvs.h"
#include "search/quiescence.h"
#include "search/rootprobe.h"
#include "search/tt.h"
#include "search/workshare.h"
#include "tablebase/tbprobe.h"

namespace {

// Pruning margins and depths, in centipawns and plies.
// Reverse futility: a node this far above beta at depth <= STATIC_PRUNING_DEPTH
// returns its evaluation less the margin.
constexpr int STATIC_PRUNING_DEPTH = 5;
constexpr int REVERSE_FUTILITY_MARGIN = 70;   // per ply of depth
// Razoring: a non-PV node at depth <= RAZOR_DEPTH this far below alpha drops
// into quiescence.
constexpr int RAZOR_DEPTH = 3;
constexpr int RAZOR_MARGIN = 100;             // per ply of depth + 1
// Futility: quiet moves of a node this far below alpha are skipped (a PV node
// adds the PV terms to the reverse-futility margin).
constexpr int PV_FUTILITY_MARGIN = 35;        // per ply of depth
constexpr int PV_FUTILITY_BASE = 70;
// A losing capture of a futile node is skipped when even its exchange value
// leaves it this far below alpha; one losing more than this is reduced.
constexpr int LOSING_CAPTURE_FUTILITY_MARGIN = 150;
constexpr int LOSING_CAPTURE_REDUCTION_LOSS = 150;
// Null move: reduction of depth / divisor + base plies.
constexpr int NULL_MOVE_DEPTH_DIVISOR = 6;
constexpr int NULL_MOVE_BASE_REDUCTION = 3;
// Internal iterative deepening above this depth in PV nodes without a hash move.
constexpr int IID_MIN_DEPTH = 4;
// Late-move pruning: at depth <= LMP_DEPTH, quiet moves after LMP_LIMIT[depth]
// legal moves are skipped.
constexpr int LMP_DEPTH = 7;
constexpr int LMP_LIMIT[LMP_DEPTH + 1] = {0, 5, 8, 13, 21, 33, 50, 72};

// At most this many moves of a node wait for another thread (workshare.h).
constexpr int MAX_DEFERRED = 32;

// Columns from which each reduction value starts, per pair of depth rows.
struct LmrRowGroup {
    int lastDepth;
    int starts[6];
};
constexpr LmrRowGroup LMR_GROUPS[] = {
    {2, {}},
    {4, {2}},
    {6, {2, 10, 30}},
    {8, {2, 10, 18, 46}},
    {10, {2, 6, 14, 34}},
    {12, {2, 6, 14, 30, 62}},
    {14, {2, 6, 14, 26, 50}},
    {16, {2, 6, 10, 22, 42}},
    {18, {2, 6, 10, 18, 38}},
    {20, {2, 6, 10, 18, 34}},
    {22, {2, 6, 10, 18, 30, 58}},
    {24, {2, 6, 10, 18, 30, 54}},
    {26, {2, 6, 10, 18, 26, 50}},
    {28, {2, 6, 10, 18, 26, 46}},
    {63, {2, 6, 10, 18, 26, 42}},
};

}  // namespace

// Built once at compile time from the row groups above: the value at row d,
// column m counts the listed starts of d's group that are not above m.
constexpr std::array<std::array<uint8_t, 64>, 64> buildLmrTable()
{
    std::array<std::array<uint8_t, 64>, 64> table{};
    for (int d = 0; d < 64; d++) {
        const LmrRowGroup* g = LMR_GROUPS;
        while (g->lastDepth < d)
            g++;
        for (int m = 0; m < 64; m++) {
            int v = 0;
            for (int start : g->starts)
                v += start != 0 && start <= m;
            table[d][m] = uint8_t(v);
        }
    }
    return table;
}

const std::array<std::array<uint8_t, 64>, 64> CT_LMR_R = buildLmrTable();

namespace {

int searchNode(SearchThread& t, int depth, int ply, int alpha, int beta, int tbLimit, PvLine& pv);

// The line after `move` from pos as the table holds it: each entry's move
// while it is legal, at most `room` moves, ending at a repetition. A line
// another thread found leaves its exact entries there. Uses the stack slots
// after pos.
void lineFromTable(const TranspositionTable& tt, Position* pos, Move move, int room, PvLine& line)
{
    line.count = 0;
    Position* p = makeMove(*pos, move);
    while (int(line.count) < room && !p->repetitions) {
        uint64_t data = 0;
        if (probeHash(tt, *p, data, 0, 0, -INFINITE, INFINITE) == HASH_MISS)
            break;
        const Move next = ttMove(data);
        if (next == 0 || !isLegalMove(*p, next))
            break;
        line.moves[line.count++] = next;
        p = makeMove(*p, next);
    }
}

// Searches a child already made in the slot after pos (a re-search reuses it).
// The child line is emptied before every child, not once per node: a child
// that returns without writing (draw, quiescence, a pruning return) must not
// hand up moves left behind by an earlier sibling.
inline int searchMadeChild(SearchThread& t, Position* pos, Position* child, int depth, int ply, int alpha,
                           int beta, int tbLimit, PvLine& line)
{
    t.current = child;
    line.count = 0;
    int s = -searchNode(t, depth, ply, alpha, beta, tbLimit, line);
    t.current = pos;
    return s;
}

inline int searchChild(SearchThread& t, Position* pos, Move move, int depth, int ply, int alpha, int beta,
                       int tbLimit, PvLine& line)
{
    return searchMadeChild(t, pos, makeMoveForSearch(t, *pos, move, depth), depth, ply, alpha, beta, tbLimit, line);
}

// The principal-variation search of a child made in the slot after pos: once
// the node has a best move, or when the move is reduced by R plies, a null
// window first, and the full window at full depth again only when that lands
// inside the window.
inline int pvsChild(SearchThread& t, Position* pos, Position* child, int depth, int R, bool haveBest, int ply,
                    int alpha, int beta, int tbLimit, PvLine& line)
{
    if (!haveBest && R == 0)
        return searchMadeChild(t, pos, child, depth - 1, ply + 1, -beta, -alpha, tbLimit, line);
    int s = searchMadeChild(t, pos, child, depth - 1 - R, ply + 1, -alpha - 1, -alpha, tbLimit, line);
    if (s > alpha && s < beta)
        s = searchMadeChild(t, pos, child, depth - 1, ply + 1, -beta, -alpha, tbLimit, line);
    return s;
}

// pvsChild with the child marked for the other threads while it is searched.
inline int sharedPvsChild(SearchThread& t, Position* pos, Position* child, int depth, int R, bool haveBest,
                          int ply, int alpha, int beta, int tbLimit, PvLine& line)
{
    if (!t.shareWork || depth < SHARED_MIN_DEPTH)
        return pvsChild(t, pos, child, depth, R, haveBest, ply, alpha, beta, tbLimit, line);
    const uint64_t key = child->key;
    markTaken(t.engine->share, key);
    int s = pvsChild(t, pos, child, depth, R, haveBest, ply, alpha, beta, tbLimit, line);
    releaseTaken(t.engine->share, key);
    return s;
}

// Moves left for the end because another thread is searching them.
struct Deferred {
    Move move;
    int8_t reduction;
    bool quiet;
};

// One node while it is searched: its window and what the steps learn about
// it, from the probes to the move loop. It lives in the node's frame.
struct Node {
    SearchThread& t;
    Position* pos;
    PvLine& pv;      // the node's line, written when a move raises alpha
    int depth;       // remaining plies (after a check extension)
    int ply;
    int alpha, beta;
    int tbLimit;
    Bitboard inCheck;
    bool normalWindow;  // neither bound is a mate score
    bool isPV;
    bool extended;      // by a check
    int eval;           // static evaluation (-INFINITE in check); razoring or IID may replace it
    bool futile;        // quiet moves cannot reach alpha
    uint64_t hashData;
    bool hashFound;     // the table had an entry (or IID found a move)
    Move hashMove;
    PvLine line;        // each child's line
    // The move loop.
    int legal;
    int bound;
    Move best;
    bool sharePv;       // a PV node other threads may be in: bounds are published and taken over
    bool mayDefer;      // moves another thread is in may wait
    bool piecesBesidePawns;
    int lmrRow;
    int quietIndex;
    int deferredCount;
    Deferred deferred[MAX_DEFERRED];

    // The window and the limits; every other field is set by the step that
    // owns it (the lines and the deferred moves are left unwritten).
    Node(SearchThread& thread, PvLine& line, int d, int p, int a, int b, int limit)
        : t(thread), pos(thread.current), pv(line), depth(d), ply(p), alpha(a), beta(b), tbLimit(limit)
    {
    }
};

inline void countCutoff(SearchThread& t, int legal)
{
    t.cutoffs++;
    t.firstMoveCutoffs += legal == 1;
}

// The checks before anything is probed: a stop, the draw rules, the ply
// limit and mate distance. True when the node ends here, with its score in
// score. Extends a PV node in check by one ply.
inline bool endsBeforeProbes(Node& n, int& score)
{
    SearchThread& t = n.t;
    const Position& pos = *n.pos;
    if (nodeMustStop(t)) {
        score = n.alpha;
        return true;
    }
    if (pos.repetitions || pos.halfmoveClock > 100 || (pos.halfmoveClock == 100 && !n.inCheck)) {
        score = 0;
        return true;
    }
    // A check on the hundredth ply is a draw too, unless it is mate: the game
    // ends either way, so nothing is searched beyond it.
    if (pos.halfmoveClock == 100) {
        score = hasLegalMove(pos) ? 0 : n.ply - MATE;
        return true;
    }
    n.isPV = n.beta != n.alpha + 1;
    n.extended = false;
    if (n.inCheck && n.isPV) {
        n.depth++;
        n.extended = true;
    }
    if (n.ply > 62) {
        score = quiescence(t, 0, n.ply + 1, n.alpha, n.beta, n.tbLimit);
        return true;
    }
    if (n.isPV && n.ply > t.selDepth)
        t.selDepth = uint8_t(n.ply);
    if (mateDistanceCloses(n.ply, n.alpha, n.beta)) {
        score = n.alpha;
        return true;
    }
    return false;
}

// The probes: the hash table (a usable entry ends a non-PV node) and, right
// after a capture or pawn move, the tablebases, whose value is exact.
inline bool probesDecide(Node& n, int& score)
{
    SearchThread& t = n.t;
    const Position& pos = *n.pos;
    n.hashData = 0;
    const int hashScore = probeHash(t.engine->tt, pos, n.hashData, n.depth, n.ply, n.alpha, n.beta);
    if (hashScore <= INFINITE && !n.isPV) {
        score = hashScore;
        return true;
    }
    n.hashFound = hashScore != HASH_MISS;
    if (n.tbLimit && pos.halfmoveClock == 0 && popcount(occupied(pos)) <= n.tbLimit
        && tbProbeDepthReached(t, n.depth)) {
        int ok;
        const int wdl = probeWdl(t.engine->tablebases, pos, &ok);
        if (ok) {
            t.tbHits++;
            score = wdlScore(wdl, t.tbFiftyMoveRule);
            storeNode(t, pos, n.depth, n.ply, BOUND_EXACT, score, 0);
            return true;
        }
    }
    return false;
}

// The static evaluation and the pruning it allows near the leaves: reverse
// futility, razoring and futility (which only marks the node futile; its
// quiet moves are skipped in the move loop).
inline bool staticPruningDecides(Node& n, int& score)
{
    SearchThread& t = n.t;
    n.eval = -INFINITE;
    n.futile = false;
    if (n.inCheck)
        return false;
    n.eval = evaluate(*n.pos, &t.evalCache);
    if (!n.normalWindow || n.depth > STATIC_PRUNING_DEPTH)
        return false;
    const int depth = n.depth;
    int margin = REVERSE_FUTILITY_MARGIN * depth;
    if (n.eval - margin >= n.beta) {
        score = n.eval - margin;
        return true;
    }
    if (!n.isPV && depth <= RAZOR_DEPTH) {
        const int r = n.alpha - RAZOR_MARGIN * (depth + 1);
        if (n.eval <= r) {
            if (depth == 1) {
                score = quiescence(t, 0, n.ply + 1, n.alpha, n.beta, n.tbLimit);
                return true;
            }
            const int q = quiescence(t, 0, n.ply + 1, r, r + 1, n.tbLimit);
            if (q <= r) {
                score = q;
                return true;
            }
            n.eval = q;
        }
    }
    if (n.isPV)
        margin += PV_FUTILITY_MARGIN * depth + PV_FUTILITY_BASE;
    if (n.eval < n.alpha - margin) {
        n.futile = true;
        if (depth == 1) {
            score = quiescence(t, 0, n.ply + 1, n.alpha, n.beta, n.tbLimit);
            return true;
        }
    }
    return false;
}

// Null move: give the opponent a free move; if we still hold beta, cut.
inline bool nullMoveCuts(Node& n, int& score)
{
    SearchThread& t = n.t;
    Position* pos = n.pos;
    const bool exactEntry = n.hashFound && ttBound(n.hashData) == BOUND_EXACT;
    if (n.inCheck || n.depth <= 1 || n.eval < n.beta || !n.normalWindow || exactEntry
        || !(bishops(*pos) | rooks(*pos) | queens(*pos)))
        return false;
    const int R = n.depth / NULL_MOVE_DEPTH_DIVISOR + NULL_MOVE_BASE_REDUCTION;
    const bool hashSaysFail = n.hashFound && ttDepth(n.hashData) >= n.depth - R
                           && ttBound(n.hashData) == BOUND_UPPER && ttScore(n.hashData) < n.beta;
    if (hashSaysFail)
        return false;
    t.current = makeNullMove(pos);
    const int s = -searchNode(t, n.depth - 1 - R, n.ply + 1, -n.beta, -n.beta + 1, n.tbLimit, n.line);
    t.current = pos;
    if (s < n.beta)
        return false;
    score = std::abs(s) >= MATE_BAND ? s : n.beta;
    storeNode(t, *pos, n.depth, n.ply, BOUND_LOWER, score, 0);
    return true;
}

// Internal iterative deepening: a PV node without a move from the table
// (unless the entry says every move fails low) searches at half depth for one.
inline void internalDeepening(Node& n)
{
    n.hashMove = n.hashFound ? ttMove(n.hashData) : 0;
    if (!n.isPV || n.depth <= IID_MIN_DEPTH || n.hashMove != 0 || (n.hashFound && ttBound(n.hashData) == BOUND_UPPER))
        return;
    n.line.count = 0;
    const int s = searchNode(n.t, n.depth / 2, n.ply, n.alpha, n.beta, n.tbLimit, n.line);
    if (n.line.count > 0) {
        n.hashMove = n.line.moves[0];
        n.hashFound = true;
        n.eval = s;
    }
}

// A searched move's score: at or above beta the node is cut off (a quiet
// refutation outside check also teaches the ordering tables); above alpha it
// becomes the best move with its line. Returns true on a cut-off.
inline bool cutsOff(Node& n, Move m, int s, bool quiet)
{
    SearchThread& t = n.t;
    if (s <= n.alpha)
        return false;
    if (s >= n.beta) {
        if (quiet && !n.inCheck) {
            updateKillers(t, n.ply, m);
            updateCounterMove(t, m);
            updateHistory(t, n.depth, m);
        }
        countCutoff(t, n.legal);
        storeNode(t, *n.pos, n.depth, n.ply, BOUND_LOWER, s, m);
        return true;
    }
    n.alpha = s;
    n.best = m;
    n.bound = BOUND_EXACT;
    updatePv(n.pv, m, n.line);
    if (n.sharePv && std::abs(s) < MATE_BAND && !searchStopped(t))
        publishPvBound(t.engine->share, n.pos->key, m, s, n.depth);
    return false;
}

// A PV node that another thread is searching too takes over the better score
// that thread found here meanwhile, before each move after the first: alpha
// rises (or the node is cut off) without proving the lower score first,
// which would cost full-window searches of the moves in between. The line of
// the taken move is read from the table. True on a cut-off, the score in s.
inline bool adoptsPvBound(Node& n, int& s)
{
    Move m;
    if (!readPvBound(n.t.engine->share, n.pos->key, n.depth, m, s) || s <= n.alpha)
        return false;
    n.line.count = 0;
    if (s < n.beta)
        lineFromTable(n.t.engine->tt, n.pos, m, MAX_PLY - 2 - n.ply, n.line);
    return cutsOff(n, m, s, false);
}

// Whether the move, made in child, waits for the end of the list because
// another thread is searching that position now (never the first move).
inline bool defers(Node& n, Move m, const Position* child, int R, bool quiet)
{
    if (!n.mayDefer || n.legal <= 1 || n.deferredCount == MAX_DEFERRED
        || !takenElsewhere(n.t.engine->share, child->key))
        return false;
    n.deferred[n.deferredCount++] = Deferred{m, int8_t(R), quiet};
    return true;
}

// The move loop's steps, one per stage of the picker. Each searches its move
// (or skips it) and returns true when the node is cut off, the score in s.

// The hash move, at full depth and window.
inline bool hashMoveCuts(Node& n, Move m, int& s)
{
    n.legal = 1;
    s = searchChild(n.t, n.pos, m, n.depth - 1, n.ply + 1, -n.beta, -n.alpha, n.tbLimit, n.line);
    return cutsOff(n, m, s, isQuietMove(m));
}

// Winning and equal captures, unreduced.
inline bool goodCaptureCuts(Node& n, Move m, int& s)
{
    SearchThread& t = n.t;
    n.legal++;
    Position* child = makeMoveForSearch(t, *n.pos, m, n.depth - 1);
    s = pvsChild(t, n.pos, child, n.depth, 0, n.bound == BOUND_EXACT, n.ply, n.alpha, n.beta, n.tbLimit, n.line);
    return cutsOff(n, m, s, false);
}

// Late quiet moves are pruned or reduced, unless they are killers, give
// check, or the node is in check or extended.
inline bool quietMoveCuts(Node& n, Move m, int& s)
{
    SearchThread& t = n.t;
    n.legal++;
    n.quietIndex++;
    Position* child = makeMoveForSearch(t, *n.pos, m, n.depth - 1);
    const bool givesCheck = checkers(*child) != 0;
    if (n.futile && !givesCheck)
        return false;
    int R = 0;
    if (m != t.killers[n.ply][0] && m != t.killers[n.ply][1] && !n.inCheck && !givesCheck && !n.extended) {
        if (n.depth <= LMP_DEPTH && n.legal > LMP_LIMIT[n.depth] && n.piecesBesidePawns && !n.isPV
            && n.normalWindow)
            return false;
        if (n.legal > 3 && n.depth > 1)
            R = CT_LMR_R[n.lmrRow][n.quietIndex < 63 ? n.quietIndex : 63];
    }
    if (defers(n, m, child, R, true))
        return false;
    s = sharedPvsChild(t, n.pos, child, n.depth, R, n.bound == BOUND_EXACT, n.ply, n.alpha, n.beta, n.tbLimit,
                       n.line);
    return cutsOff(n, m, s, true);
}

// Losing captures (see: the exchange value); clearly losing ones reduced.
inline bool losingCaptureCuts(Node& n, Move m, int see, int& s)
{
    SearchThread& t = n.t;
    n.legal++;
    if (n.futile && n.eval + see < n.alpha - LOSING_CAPTURE_FUTILITY_MARGIN)
        return false;
    Position* child = makeMoveForSearch(t, *n.pos, m, n.depth - 1);
    const bool givesCheck = checkers(*child) != 0;
    const int R = !n.inCheck && !givesCheck && n.legal > 3 && !n.extended && see < -LOSING_CAPTURE_REDUCTION_LOSS ? 1
                                                                                                             : 0;
    if (defers(n, m, child, R, false))
        return false;
    s = sharedPvsChild(t, n.pos, child, n.depth, R, n.bound == BOUND_EXACT, n.ply, n.alpha, n.beta, n.tbLimit,
                       n.line);
    return cutsOff(n, m, s, false);
}

// The moves that waited for another thread, in the order they were left.
inline bool deferredMoveCuts(Node& n, int& s)
{
    for (int i = 0; i < n.deferredCount; i++) {
        if (n.sharePv && adoptsPvBound(n, s))
            return true;
        const Deferred& d = n.deferred[i];
        Position* child = makeMoveForSearch(n.t, *n.pos, d.move, n.depth - 1);
        s = pvsChild(n.t, n.pos, child, n.depth, d.reduction, n.bound == BOUND_EXACT, n.ply, n.alpha, n.beta,
                     n.tbLimit, n.line);
        if (cutsOff(n, d.move, s, d.quiet))
            return true;
    }
    return false;
}

// The staged move loop, then the node's entry: mate or stalemate without a
// legal move, otherwise the best score with its bound.
inline int searchMoves(Node& n)
{
    SearchThread& t = n.t;
    const Position& pos = *n.pos;
    n.legal = 0;
    n.bound = BOUND_UPPER;
    n.best = 0;
    n.sharePv = n.isPV && t.shareWork && n.depth >= SHARED_MIN_DEPTH;
    n.mayDefer = t.shareWork && n.depth >= SHARED_MIN_DEPTH;
    n.piecesBesidePawns = (occupied(pos) & ~pawns(pos) & ~kings(pos)) != 0;
    n.lmrRow = n.depth < 63 ? n.depth : 63;
    n.quietIndex = 0;
    n.deferredCount = 0;

    MovePicker picker;
    startPicker(picker, t, pos, n.ply, n.hashFound ? n.hashMove : 0);
    int s;
    while (Move m = nextMove(picker)) {
        if (n.sharePv && n.legal > 0 && adoptsPvBound(n, s))
            return s;
        bool cut = false;
        switch (picker.stage) {
        case PickStage::Hash:
            cut = hashMoveCuts(n, m, s);
            break;
        case PickStage::GoodCaptures:
            cut = goodCaptureCuts(n, m, s);
            break;
        case PickStage::Quiets:
            cut = quietMoveCuts(n, m, s);
            break;
        case PickStage::LosingCaptures:
            cut = losingCaptureCuts(n, m, picker.see, s);
            break;
        case PickStage::Start:
        case PickStage::Done:
            break;  // no move comes from these
        }
        if (cut)
            return s;
    }
    if (deferredMoveCuts(n, s))
        return s;

    if (n.legal == 0) {
        const int score = n.inCheck ? n.ply - MATE : 0;
        storeNode(t, pos, n.depth, n.ply, BOUND_EXACT, score, 0);
        return score;
    }
    storeNode(t, pos, n.depth, n.ply, n.bound, n.alpha, n.best);
    return n.alpha;
}

int searchNode(SearchThread& t, int depth, int ply, int alpha, int beta, int tbLimit, PvLine& pv)
{
    Node n(t, pv, depth, ply, alpha, beta, tbLimit);
    n.inCheck = checkers(*n.pos);
    n.normalWindow = std::abs(alpha) < MATE_BAND && std::abs(beta) < MATE_BAND;
    int score;
    if (endsBeforeProbes(n, score) || probesDecide(n, score))
        return score;
    if (n.depth <= 0)
        return quiescence(t, 0, ply + 1, n.alpha, n.beta, tbLimit);
    t.nodes++;
    if (staticPruningDecides(n, score))
        return score;
    n.line.count = 0;
    if (nullMoveCuts(n, score))
        return score;
    internalDeepening(n);
    return searchMoves(n);
}

}  // namespace

int alphaBeta(SearchThread& t, int depth, int ply, int alpha, int beta, int tbLimit, PvLine& pv)
{
    if (!t.classic)
        return pvsRootChild(t, depth, ply, alpha, beta, tbLimit, pv);
    int s = searchNode(t, depth, ply, alpha, beta, tbLimit, pv);
    // Statistics reach the shared counters once per call from the root.
    if (t.cutoffs) {
        t.engine->failHighs.fetch_add(t.cutoffs, std::memory_order_relaxed);
        t.engine->firstFailHighs.fetch_add(t.firstMoveCutoffs, std::memory_order_relaxed);
        t.cutoffs = 0;
        t.firstMoveCutoffs = 0;
    }
    return s;
}
