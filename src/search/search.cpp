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
#include "search/movepicker.h"
#include "search/ordering.h"
#include "search/prefetch.h"
#include "search/quiescence.h"
#include "search/rootprobe.h"
#include "search/bounds.h"
#include "search/engine.h"
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

// Plain non-capturing moves and castlings; promotions are not quiet.
inline bool isQuietMove(Move m) { return !isCapture(m) && moveKind(m) != KIND_PROMOTION; }

// Writes move + child line into the parent's line.
inline void updatePv(PvLine& pv, Move move, const PvLine& child)
{
    uint32_t n = child.count < MAX_PLY - 1 ? child.count : MAX_PLY - 1;
    pv.moves[0] = move;
    for (uint32_t i = 0; i < n; i++)
        pv.moves[i + 1] = child.moves[i];
    pv.count = n + 1;
}

// The null move: the opponent moves next on an otherwise unchanged board.
inline Position* makeNullMove(Position* pos)
{
    pos->lastMove = 0;
    Position* child = pos + 1;
    *child = *pos;
    child->epFile = NO_EP_FILE;
    mirrorPosition(*child);
    child->key ^= zobrist.enPassant[pos->epFile] ^ zobrist.castling[pos->castling]
                ^ zobrist.castling[child->castling] ^ zobrist.side[0];
    child->pawnKey ^= zobrist.side[0];
    return child;
}

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

// Stores the node's entry, unless the search is stopped: a stopped search's
// scores are no scores.
inline void storeNode(SearchThread& t, const Position& pos, int depth, int ply, int bound, int score, Move move)
{
    if (!searchStopped(t))
        storeHash(t.engine->tt, pos, depth, ply, bound, score, move);
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

inline void countCutoff(SearchThread& t, int legal)
{
    t.cutoffs++;
    t.firstMoveCutoffs += legal == 1;
}

int searchNode(SearchThread& t, int depth, int ply, int alpha, int beta, int tbLimit, PvLine& pv)
{
    Position* pos = t.current;
    const Bitboard inCheck = checkers(*pos);
    const bool normalWindow = std::abs(alpha) < MATE_BAND && std::abs(beta) < MATE_BAND;

    if (nodeMustStop(t))
        return alpha;

    if (pos->repetitions || pos->halfmoveClock > 100 || (pos->halfmoveClock == 100 && !inCheck))
        return 0;
    // A check on the hundredth ply is a draw too, unless it is mate: the game
    // ends either way, so nothing is searched beyond it.
    if (pos->halfmoveClock == 100)
        return hasLegalMove(*pos) ? 0 : ply - MATE;

    const bool isPV = beta != alpha + 1;
    bool extended = false;
    if (inCheck && isPV) {
        depth++;
        extended = true;
    }
    if (ply > 62)
        return quiescence(t, 0, ply + 1, alpha, beta, tbLimit);
    if (isPV && ply > t.selDepth)
        t.selDepth = uint8_t(ply);

    if (mateDistanceCloses(ply, alpha, beta))
        return alpha;

    uint64_t hashData = 0;
    int hashScore = probeHash(t.engine->tt, *pos, hashData, depth, ply, alpha, beta);
    if (hashScore <= INFINITE && !isPV)
        return hashScore;
    bool hashFound = hashScore != HASH_MISS;

    // Right after a capture or pawn move, a position the tables cover is
    // decided: an exact value without a move.
    if (tbLimit && pos->halfmoveClock == 0 && popcount(occupied(*pos)) <= tbLimit) {
        int ok;
        const int wdl = probeWdl(t.engine->tablebases, *pos, &ok);
        if (ok) {
            t.tbHits++;
            const int s = wdlScore(wdl);
            storeNode(t, *pos, depth, ply, BOUND_EXACT, s, 0);
            return s;
        }
    }

    if (depth <= 0)
        return quiescence(t, 0, ply + 1, alpha, beta, tbLimit);
    t.nodes++;

    int eval = -INFINITE;
    bool futile = false;
    if (!inCheck) {
        eval = evaluate(*t.current, &t.evalCache);
        if (normalWindow && depth <= STATIC_PRUNING_DEPTH) {
            int margin = REVERSE_FUTILITY_MARGIN * depth;
            if (eval - margin >= beta)
                return eval - margin;
            if (!isPV && depth <= RAZOR_DEPTH) {
                int r = alpha - RAZOR_MARGIN * (depth + 1);
                if (eval <= r) {
                    if (depth == 1)
                        return quiescence(t, 0, ply + 1, alpha, beta, tbLimit);
                    int q = quiescence(t, 0, ply + 1, r, r + 1, tbLimit);
                    if (q <= r)
                        return q;
                    eval = q;
                }
            }
            if (isPV)
                margin += PV_FUTILITY_MARGIN * depth + PV_FUTILITY_BASE;
            if (eval < alpha - margin) {
                futile = true;
                if (depth == 1)
                    return quiescence(t, 0, ply + 1, alpha, beta, tbLimit);
            }
        }
    }

    PvLine line;
    line.count = 0;

    // Null move: give the opponent a free move; if we still hold beta, cut.
    if (!inCheck && depth > 1 && eval >= beta && normalWindow && !(hashFound && ttBound(hashData) == BOUND_EXACT)
        && (bishops(*pos) | rooks(*pos) | queens(*pos))) {
        int R = depth / NULL_MOVE_DEPTH_DIVISOR + NULL_MOVE_BASE_REDUCTION;
        bool hashSaysFail = hashFound && ttDepth(hashData) >= depth - R && ttBound(hashData) == BOUND_UPPER
                         && ttScore(hashData) < beta;
        if (!hashSaysFail) {
            t.current = makeNullMove(pos);
            int s = -searchNode(t, depth - 1 - R, ply + 1, -beta, -beta + 1, tbLimit, line);
            t.current = pos;
            if (s >= beta) {
                int result = std::abs(s) >= MATE_BAND ? s : beta;
                storeNode(t, *pos, depth, ply, BOUND_LOWER, result, 0);
                return result;
            }
        }
    }

    Move hashMove = hashFound ? ttMove(hashData) : 0;
    if (isPV && depth > IID_MIN_DEPTH && hashMove == 0 && !(hashFound && ttBound(hashData) == BOUND_UPPER)) {
        line.count = 0;
        int s = searchNode(t, depth / 2, ply, alpha, beta, tbLimit, line);
        if (line.count > 0) {
            hashMove = line.moves[0];
            hashFound = true;
            eval = s;
        }
    }

    int legal = 0;
    int bound = BOUND_UPPER;
    Move best = 0;
    const bool sharePv = isPV && t.shareWork && depth >= SHARED_MIN_DEPTH;

    // A searched move's score: at or above beta the node is cut off (a quiet
    // refutation outside check also teaches the ordering tables); above alpha
    // it becomes the best move with its line. Returns true on a cut-off.
    auto cutsOff = [&](Move m, int s, bool quiet) {
        if (s <= alpha)
            return false;
        if (s >= beta) {
            if (quiet && !inCheck) {
                updateKillers(t, ply, m);
                updateCounterMove(t, m);
                updateHistory(t, depth, m);
            }
            countCutoff(t, legal);
            storeNode(t, *pos, depth, ply, BOUND_LOWER, s, m);
            return true;
        }
        alpha = s;
        best = m;
        bound = BOUND_EXACT;
        updatePv(pv, m, line);
        if (sharePv && std::abs(s) < MATE_BAND && !searchStopped(t))
            publishPvBound(t.engine->share, pos->key, m, s, depth);
        return false;
    };
    // A PV node that another thread is searching too takes over the better
    // score that thread found here meanwhile, before each move after the
    // first: alpha rises (or the node is cut off) without proving the lower
    // score first, which would cost full-window searches of the moves in
    // between. The line of the taken move is read from the table.
    auto adoptPvBound = [&](int& s) {
        Move m;
        if (!readPvBound(t.engine->share, pos->key, depth, m, s) || s <= alpha)
            return false;
        line.count = 0;
        if (s < beta)
            lineFromTable(t.engine->tt, pos, m, MAX_PLY - 2 - ply, line);
        return cutsOff(m, s, false);
    };

    // Moves left for the end because another thread is searching them.
    struct Deferred {
        Move move;
        int8_t reduction;
        bool quiet;
    };
    Deferred deferred[MAX_DEFERRED];
    int deferredCount = 0;
    const bool mayDefer = t.shareWork && depth >= SHARED_MIN_DEPTH;
    auto defers = [&](Move m, const Position* child, int R, bool quiet) {
        if (!mayDefer || legal <= 1 || deferredCount == MAX_DEFERRED || !takenElsewhere(t.engine->share, child->key))
            return false;
        deferred[deferredCount++] = Deferred{m, int8_t(R), quiet};
        return true;
    };

    MovePicker picker;
    startPicker(picker, t, *pos, ply, hashFound ? hashMove : 0);
    const bool piecesBesidePawns = (occupied(*pos) & ~pawns(*pos) & ~kings(*pos)) != 0;
    const int lmrRow = depth < 63 ? depth : 63;
    int quietIndex = 0;
    while (Move m = nextMove(picker)) {
        int adopted;
        if (sharePv && legal > 0 && adoptPvBound(adopted))
            return adopted;
        switch (picker.stage) {
        case PickStage::Hash: {
            // The hash move, at full depth and window.
            legal = 1;
            int s = searchChild(t, pos, m, depth - 1, ply + 1, -beta, -alpha, tbLimit, line);
            if (cutsOff(m, s, isQuietMove(m)))
                return s;
            break;
        }
        case PickStage::GoodCaptures: {
            // Winning and equal captures, unreduced.
            legal++;
            int s = pvsChild(t, pos, makeMoveForSearch(t, *pos, m, depth - 1), depth, 0, bound == BOUND_EXACT, ply, alpha, beta, tbLimit,
                             line);
            if (cutsOff(m, s, false))
                return s;
            break;
        }
        case PickStage::Quiets: {
            // Late quiet moves are pruned or reduced, unless they are killers,
            // give check, or the node is in check or extended.
            legal++;
            quietIndex++;
            Position* child = makeMoveForSearch(t, *pos, m, depth - 1);
            const bool givesCheck = checkers(*child) != 0;
            if (futile && !givesCheck)
                continue;
            int R = 0;
            if (m != t.killers[ply][0] && m != t.killers[ply][1] && !inCheck && !givesCheck && !extended) {
                if (depth <= LMP_DEPTH && legal > LMP_LIMIT[depth] && piecesBesidePawns && !isPV && normalWindow)
                    continue;
                if (legal > 3 && depth > 1)
                    R = CT_LMR_R[lmrRow][quietIndex < 63 ? quietIndex : 63];
            }
            if (defers(m, child, R, true))
                continue;
            int s = sharedPvsChild(t, pos, child, depth, R, bound == BOUND_EXACT, ply, alpha, beta, tbLimit, line);
            if (cutsOff(m, s, true))
                return s;
            break;
        }
        default: {
            // Losing captures; clearly losing ones reduced.
            const int see = picker.see;
            legal++;
            if (futile && eval + see < alpha - LOSING_CAPTURE_FUTILITY_MARGIN)
                continue;
            Position* child = makeMoveForSearch(t, *pos, m, depth - 1);
            const bool givesCheck = checkers(*child) != 0;
            int R = !inCheck && !givesCheck && legal > 3 && !extended && see < -LOSING_CAPTURE_REDUCTION_LOSS ? 1 : 0;
            if (defers(m, child, R, false))
                continue;
            int s = sharedPvsChild(t, pos, child, depth, R, bound == BOUND_EXACT, ply, alpha, beta, tbLimit, line);
            if (cutsOff(m, s, false))
                return s;
            break;
        }
        }
    }
    for (int i = 0; i < deferredCount; i++) {
        int adopted;
        if (sharePv && adoptPvBound(adopted))
            return adopted;
        const Deferred& d = deferred[i];
        Position* child = makeMoveForSearch(t, *pos, d.move, depth - 1);
        int s = pvsChild(t, pos, child, depth, d.reduction, bound == BOUND_EXACT, ply, alpha, beta, tbLimit, line);
        if (cutsOff(d.move, s, d.quiet))
            return s;
    }

    if (legal == 0) {
        int score = inCheck ? ply - MATE : 0;
        storeNode(t, *pos, depth, ply, BOUND_EXACT, score, 0);
        return score;
    }
    storeNode(t, *pos, depth, ply, bound, alpha, best);
    return alpha;
}

}  // namespace

int alphaBeta(SearchThread& t, int depth, int ply, int alpha, int beta, int tbLimit, PvLine& pv)
{
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
