// The default node search. Each node runs named steps in order: stop and draw
// rules, the table probe, the static evaluation, pruning of the whole node
// (reverse futility, razoring, null move), then the moves of the staged
// picker with per-move pruning (late-move count, futility, history, exchange
// value), extensions and late-move reductions, and at the end the history,
// table and correction updates. Nothing here allocates or locks.
#include "search/pvs.h"

#include <cstdlib>
#include <cstring>

#include "eval/evaluate.h"
#include "position/attacks.h"
#include "position/makemove.h"
#include "position/movegen.h"
#include "position/see.h"
#include "search/bounds.h"
#include "search/ordering.h"
#include "search/prefetch.h"
#include "search/pvspicker.h"
#include "search/rootprobe.h"
#include "search/engine.h"
#include "search/tt.h"
#include "tablebase/tbprobe.h"

namespace {

// ---- Tuning constants (centipawns and plies) ----
// Reverse futility: a non-PV node this far above beta returns its evaluation.
constexpr int RFP_DEPTH = 8;
constexpr int RFP_MARGIN = 75;  // per ply, one ply less when improving
// Razoring: this far below alpha, a shallow node asks quiescence first.
constexpr int RAZOR_DEPTH = 3;
constexpr int RAZOR_BASE = 200;
constexpr int RAZOR_MARGIN = 250;
// Null move: reduction 3 + depth/3 + (eval - beta)/200 (at most 3 from the
// latter); the static evaluation must clear beta - NMP_EVAL_SLOPE * depth +
// NMP_EVAL_BASE.
constexpr int NMP_MIN_DEPTH = 2;
constexpr int NMP_EVAL_SLOPE = 20;
constexpr int NMP_EVAL_BASE = 160;
// ProbCut: from this depth, a capture that holds beta + PROBCUT_MARGIN in a
// search PROBCUT_REDUCTION plies shallower cuts the node off.
constexpr int PROBCUT_DEPTH = 5;
constexpr int PROBCUT_MARGIN = 200;
constexpr int PROBCUT_REDUCTION = 4;
// Internal iterative reduction: nodes without a hash move are searched one
// ply shallower from this depth on.
constexpr int IIR_MIN_DEPTH = 4;
// Quiet moves: futility margin base + per ply of reduced depth, history
// pruning per ply, exchange value per squared ply.
constexpr int FUTILITY_DEPTH = 9;
constexpr int FUTILITY_BASE = 90;
constexpr int FUTILITY_MARGIN = 110;
constexpr int HISTORY_PRUNE_DEPTH = 4;
constexpr int HISTORY_PRUNE_MARGIN = 3500;
constexpr int QUIET_SEE_MARGIN = 30;
// Captures: futility at shallow depth, exchange value per ply.
constexpr int CAPTURE_FUTILITY_DEPTH = 6;
constexpr int CAPTURE_FUTILITY_BASE = 200;
constexpr int CAPTURE_FUTILITY_MARGIN = 180;
constexpr int CAPTURE_SEE_MARGIN = 100;
// Singular extension: from this depth, a hash move whose stored lower bound
// no other move reaches within SE_MARGIN per ply is searched one ply deeper.
constexpr int SE_MIN_DEPTH = 7;
constexpr int SE_MARGIN = 2;
// Late-move reductions: history in this many units is one ply.
constexpr int LMR_HISTORY_DIVISOR = 8192;
// Quiescence: a capture whose gain leaves the evaluation this far below alpha
// is not searched.
constexpr int QS_FUTILITY_MARGIN = 150;
// Scores beyond this are wins or losses proved by mate or tables: no pruning
// trusts an evaluation past it.
constexpr int DECISIVE = 10000;

// ---- Late-move reduction table, built at compile time ----
constexpr double logOf(double x)
{
    int twos = 0;
    while (x > 2.0) {
        x /= 2.0;
        twos++;
    }
    // ln x = 2 atanh((x - 1) / (x + 1)) for x in (0, 2].
    const double y = (x - 1.0) / (x + 1.0), y2 = y * y;
    double sum = 0.0, term = y;
    for (int n = 1; n < 60; n += 2) {
        sum += term / n;
        term *= y2;
    }
    return 2.0 * sum + twos * 0.6931471805599453;
}

struct ReductionTable {
    int16_t r[64][64];
};

constexpr ReductionTable buildReductions()
{
    ReductionTable t{};
    double logs[64] = {};
    for (int i = 1; i < 64; i++)
        logs[i] = logOf(double(i));
    for (int d = 1; d < 64; d++)
        for (int m = 1; m < 64; m++)
            t.r[d][m] = int16_t(1024.0 * (0.75 + logs[d] * logs[m] / 2.25));
    return t;
}

constexpr ReductionTable REDUCTIONS = buildReductions();

inline bool isDecisive(int score) { return score >= DECISIVE || score <= -DECISIVE; }

// Pieces other than pawns and the king for the side to move: without them
// zugzwang is common and null-move and futility reasoning fails.
inline bool hasPieces(const Position& pos) { return (pos.own & ~pawns(pos) & ~kings(pos)) != 0; }

// A weaker level's error for pos: uniform in [-evalNoise, evalNoise], the
// same for the position throughout one search.
[[gnu::noinline]] int evalNoiseOf(const SearchThread& t, const Position& pos)
{
    uint64_t x = pos.key ^ t.noiseSeed;
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    return int(x % uint64_t(2 * t.evalNoise + 1)) - t.evalNoise;
}

inline int correctedEval(const SearchThread& t, const Position& pos, int raw)
{
    int v = raw + evalCorrection(t.pvs.history, int(pos.sideToMove & 1), pos.pawnKey);
    if (t.evalNoise)
        v += evalNoiseOf(t, pos);
    return v >= DECISIVE ? DECISIVE - 1 : v <= -DECISIVE ? -DECISIVE + 1 : v;
}

// A table score that bounds the evaluation in the right direction replaces it.
inline int refinedEval(int eval, bool ttHit, int ttScore, int ttBound)
{
    if (!ttHit || isDecisive(ttScore))
        return eval;
    if (ttBound == BOUND_EXACT || (ttBound == BOUND_LOWER && ttScore > eval)
        || (ttBound == BOUND_UPPER && ttScore < eval))
        return ttScore;
    return eval;
}

// The history rewards of a node cut off by `best`: the move gains, every
// quiet move (and capture) tried before it loses the same amount.
void rewardCutoff(SearchThread& t, PlyState* ss, const Position& pos, Move best, int depth, Move prev1, Move prev2,
                  const Move* quiets, int quietCount, const Move* captures, int captureCount)
{
    HistoryTables& h = t.pvs.history;
    const int bonus = historyBonus(depth);
    const int side = int(pos.sideToMove & 1);
    ContinuationRow& c1 = continuationRow(h, prev1);
    ContinuationRow& c2 = continuationRow(h, prev2);
    auto rewardQuiet = [&](Move m, int b) {
        addHistory(h.butterfly[side][moveFrom(m)][moveTo(m)], b);
        if (prev1)
            addHistory(c1[movingPiece(m)][moveTo(m)], b);
        if (prev2)
            addHistory(c2[movingPiece(m)][moveTo(m)], b);
    };
    if (isQuietMove(best)) {
        if (ss->killers[0] != best) {
            ss->killers[1] = ss->killers[0];
            ss->killers[0] = best;
        }
        if (prev1)
            h.counterMoves[movingPiece(prev1)][moveTo(prev1)] = best;
        rewardQuiet(best, bonus);
        for (int i = 0; i < quietCount; i++)
            rewardQuiet(quiets[i], -bonus);
    } else {
        addHistory(h.capture[movingPiece(best)][moveTo(best)][capturedPiece(pos, best)], bonus);
    }
    for (int i = 0; i < captureCount; i++) {
        const Move m = captures[i];
        addHistory(h.capture[movingPiece(m)][moveTo(m)][capturedPiece(pos, m)], -bonus);
    }
}

int pvsNode(SearchThread& t, int depth, int ply, int alpha, int beta, int tbLimit, PvLine& pv, bool cutNode);

// A child already made in the slot after pos, searched and stepped back from.
inline int searchChild(SearchThread& t, Position* pos, Position* child, int depth, int ply, int alpha, int beta,
                       int tbLimit, PvLine& line, bool cutNode)
{
    t.current = child;
    line.count = 0;
    const int s = -pvsNode(t, depth, ply, alpha, beta, tbLimit, line, cutNode);
    t.current = pos;
    return s;
}

// ProbCut at a non-PV node: the captures whose exchange value alone lifts the
// static evaluation to probBeta, each first checked by quiescence and then
// searched shallower. Returns the refuting score (stored as a lower bound),
// or NO_EVAL when none holds probBeta.
[[gnu::noinline]] int probCut(SearchThread& t, Position* pos, int depth, int ply, int probBeta, int staticEval,
                              int tbLimit, bool cutNode)
{
    MoveEntry list[MAX_MOVES];
    PvLine line;
    int count = int(generateCaptures(*pos, list) - list);
    while (count > 0) {
        const Move m = entryMove(pickBest(list, count));
        if ((movePromotion(m) && movePromotion(m) != QUEEN) || leavesKingInCheck(*pos, m)
            || staticExchange(*pos, m) < probBeta - staticEval)
            continue;
        Position* child = makeMove(*pos, m);
        t.current = child;
        int s = -pvsQuiescence(t, ply + 1, -probBeta, -probBeta + 1, tbLimit);
        t.current = pos;
        if (s >= probBeta && depth - PROBCUT_REDUCTION > 0)
            s = searchChild(t, pos, child, depth - PROBCUT_REDUCTION, ply + 1, -probBeta, -probBeta + 1, tbLimit,
                            line, !cutNode);
        if (searchStopped(t))
            return NO_EVAL;
        if (s >= probBeta) {
            storeNode(t, *pos, depth - PROBCUT_REDUCTION + 1, ply, BOUND_LOWER, s, m);
            return s;
        }
    }
    return NO_EVAL;
}

int pvsNode(SearchThread& t, int depth, int ply, int alpha, int beta, int tbLimit, PvLine& pv, bool cutNode)
{
    if (depth <= 0)
        return pvsQuiescence(t, ply, alpha, beta, tbLimit);

    // ---- Stop and draw rules ----
    Position* pos = t.current;
    if (nodeMustStop(t))
        return alpha;
    const Bitboard inCheck = checkers(*pos);
    if (pos->repetitions || pos->halfmoveClock > 100 || (pos->halfmoveClock == 100 && !inCheck))
        return 0;
    if (pos->halfmoveClock == 100)
        return hasLegalMove(*pos) ? 0 : ply - MATE;
    if (ply >= MAX_PLY - 2)
        return pvsQuiescence(t, ply, alpha, beta, tbLimit);
    const bool isPV = beta - alpha > 1;
    if (isPV && ply > t.selDepth)
        t.selDepth = uint8_t(ply);
    if (mateDistanceCloses(ply, alpha, beta))
        return alpha;
    t.nodes++;

    PlyState* ss = plyState(t.pvs, ply);
    const Move excluded = ss->excluded;

    // ---- Table probe ----
    uint64_t data = 0;
    bool ttHit = false;
    Move ttMoveHere = 0;
    int ttScoreHere = 0, ttBoundHere = BOUND_NONE, ttDepthHere = 0;
    if (!excluded) {
        const int usable = probeHash(t.engine->tt, *pos, data, depth, ply, alpha, beta);
        ttHit = usable != HASH_MISS;
        if (ttHit) {
            ttMoveHere = ttMove(data);
            ttScoreHere = scoreFromTable(ttScore(data), ply, MATE_BAND);
            ttBoundHere = ttBound(data);
            ttDepthHere = ttDepth(data);
        }
        if (!isPV && usable <= INFINITE && pos->halfmoveClock < 90)
            return usable;
    }

    // ---- Tablebases, right after a capture or pawn move ----
    if (tbLimit && !excluded && pos->halfmoveClock == 0 && popcount(occupied(*pos)) <= tbLimit
        && tbProbeDepthReached(t, depth)) {
        int ok;
        const int wdl = probeWdl(t.engine->tablebases, *pos, &ok);
        if (ok) {
            t.tbHits++;
            const int s = wdlScore(wdl, t.tbFiftyMoveRule);
            storeNode(t, *pos, depth, ply, BOUND_EXACT, s, 0);
            return s;
        }
    }

    // ---- Static evaluation ----
    int eval = NO_EVAL;
    int rawEval = 0;
    bool improving = false;
    if (inCheck) {
        ss->staticEval = int16_t(NO_EVAL);
    } else {
        rawEval = evaluate(*pos, &t.evalCache);
        ss->staticEval = int16_t(correctedEval(t, *pos, rawEval));
        eval = refinedEval(ss->staticEval, ttHit, ttScoreHere, ttBoundHere);
        const int before = ss[-2].staticEval != NO_EVAL ? ss[-2].staticEval : ss[-4].staticEval;
        improving = before == NO_EVAL || ss->staticEval > before;
    }
    const Move prev1 = parentLastMove(t, pos);
    const Move prev2 = pos[-2].lastMove;
    PvLine line;
    line.count = 0;

    // ---- Pruning of the whole node ----
    if (!isPV && !inCheck && !excluded) {
        // Reverse futility: far enough above beta, a shallow node holds.
        if (depth <= RFP_DEPTH && !isDecisive(eval) && eval - RFP_MARGIN * (depth - improving) >= beta)
            return eval;
        // Razoring: far below alpha, quiescence decides whether to go on.
        if (depth <= RAZOR_DEPTH && eval + RAZOR_BASE + RAZOR_MARGIN * depth <= alpha) {
            const int q = pvsQuiescence(t, ply, alpha, alpha + 1, tbLimit);
            if (q <= alpha)
                return q;
        }
        // Null move: a free move for the opponent still leaves us above beta.
        if (depth >= NMP_MIN_DEPTH && eval >= beta && ss->staticEval >= beta - NMP_EVAL_SLOPE * depth + NMP_EVAL_BASE
            && prev1 != 0 && hasPieces(*pos) && !isDecisive(beta)) {
            const int bonusR = (eval - beta) / 200 < 3 ? (eval - beta) / 200 : 3;
            const int R = 3 + depth / 3 + bonusR;
            Position* child = makeNullMove(pos);
            const int s = searchChild(t, pos, child, depth - 1 - R, ply + 1, -beta, -beta + 1, tbLimit, line, !cutNode);
            if (searchStopped(t))
                return alpha;
            if (s >= beta)
                return s >= DECISIVE ? beta : s;
        }
        // ProbCut, unless the table already says the reduced search fails.
        const int probBeta = beta + PROBCUT_MARGIN;
        if (depth >= PROBCUT_DEPTH && !isDecisive(beta)
            && !(ttHit && ttDepthHere >= depth - PROBCUT_REDUCTION + 1 && ttScoreHere < probBeta)) {
            const int s = probCut(t, pos, depth, ply, probBeta, ss->staticEval, tbLimit, cutNode);
            if (searchStopped(t))
                return alpha;
            if (s != NO_EVAL)
                return s;
        }
    }

    // ---- Internal iterative reduction ----
    if (depth >= IIR_MIN_DEPTH && !ttMoveHere && (isPV || cutNode))
        depth--;

    // ---- Moves ----
    HistoryTables& h = t.pvs.history;
    PvsPicker picker;
    startPvsPicker(picker, *pos, h, ttMoveHere, prev1, prev2, ss->killers);
    const ContinuationRow& c1 = continuationRow(h, prev1);
    const ContinuationRow& c2 = continuationRow(h, prev2);
    const int side = int(pos->sideToMove & 1);
    const bool pieces = hasPieces(*pos);
    const bool ttCapture = ttMoveHere && !isQuietMove(ttMoveHere);
    const int rowDepth = depth < 63 ? depth : 63;
    Move quietsTried[64], capturesTried[32];
    int quietCount = 0, captureCount = 0;
    int bestScore = -INFINITE;
    Move best = 0;
    int moveCount = 0;

    while (Move m = nextPvsMove(picker)) {
        if (m == excluded)
            continue;
        moveCount++;
        const bool quiet = isQuietMove(m);
        const int history = quiet ? quietHistory(h, c1, c2, side, m) : captureHistory(h, *pos, m);

        // ---- Singular extension of the hash move (searched first, never pruned) ----
        // The node without it, at half depth and just below the stored bound:
        // when every other move fails there, the hash move is the only good one
        // and is extended; when even that search holds beta, the node is cut
        // off (several moves refute it); otherwise a hash move that held beta
        // before, or one at an expected cut node, is searched a ply shallower.
        int extension = 0;
        if (m == ttMoveHere && depth >= SE_MIN_DEPTH && !excluded && ttDepthHere >= depth - 3
            && ttBoundHere != BOUND_UPPER && !isDecisive(ttScoreHere) && ply < 2 * t.depth) {
            const int singularBeta = ttScoreHere - SE_MARGIN * depth;
            ss->excluded = m;
            const int s = pvsNode(t, (depth - 1) / 2, ply, singularBeta - 1, singularBeta, tbLimit, line, cutNode);
            ss->excluded = 0;
            line.count = 0;
            if (searchStopped(t))
                return alpha;
            if (s < singularBeta)
                extension = 1;
            else if (singularBeta >= beta)
                return singularBeta;
            else if (ttScoreHere >= beta || cutNode)
                extension = -1;
        }

        // The child's table and evaluation entries start loading while the
        // pruning decisions below are worked out.
        Position* child = makeMove(*pos, m);
        prefetchHash(t.engine->tt, child->key);
        prefetchHashEval(t.evalCache, child->key);
        const bool givesCheck = checkers(*child) != 0;
        const int reduction = REDUCTIONS.r[rowDepth][moveCount < 63 ? moveCount : 63];

        // ---- Per-move pruning, once a move has saved the node from mate ----
        if (bestScore > -DECISIVE && pieces) {
            const int lmrDepth = depth - 1 - reduction / 1024;
            if (quiet) {
                if (moveCount >= (3 + depth * depth) / (2 - improving)) {
                    picker.skipQuiets = true;
                    continue;
                }
                if (!givesCheck && lmrDepth < HISTORY_PRUNE_DEPTH && history < -HISTORY_PRUNE_MARGIN * depth)
                    continue;
                if (!inCheck && !givesCheck && lmrDepth < FUTILITY_DEPTH
                    && ss->staticEval + FUTILITY_BASE + FUTILITY_MARGIN * (lmrDepth > 0 ? lmrDepth : 0) <= alpha) {
                    picker.skipQuiets = true;
                    continue;
                }
                const int seeDepth = lmrDepth > 0 ? lmrDepth : 0;
                if (staticExchange(*pos, m) < -QUIET_SEE_MARGIN * seeDepth * seeDepth)
                    continue;
            } else {
                if (!inCheck && !givesCheck && depth <= CAPTURE_FUTILITY_DEPTH
                    && ss->staticEval + CAPTURE_FUTILITY_BASE + CAPTURE_FUTILITY_MARGIN * depth
                               + pieceValue(capturedPiece(*pos, m))
                           <= alpha)
                    continue;
                if (!captureCannotLose(*pos, m) && staticExchange(*pos, m) < -CAPTURE_SEE_MARGIN * depth)
                    continue;
            }
        }

        // ---- Check extension ----
        if (extension == 0 && givesCheck && ply < 2 * t.depth
            && (captureCannotLose(*pos, m) || staticExchange(*pos, m) >= 0))
            extension = 1;
        const int newDepth = depth - 1 + extension;

        // ---- Late-move reductions, then the principal-variation search ----
        int s = 0;
        if (depth >= 2 && moveCount > 1 + isPV && (quiet || picker.stage == PvsStage::BadCaptures)) {
            int r = reduction;
            r += 1024 * (!improving) - 1024 * isPV + 1024 * cutNode - 1024 * givesCheck;
            if (quiet) {
                r += 1024 * ttCapture;
                r -= history * 1024 / LMR_HISTORY_DIVISOR;
                if (m == ss->killers[0] || m == ss->killers[1] || m == picker.counter)
                    r -= 1024;
            } else {
                r -= 1024;
            }
            int d = newDepth - (r > 0 ? r / 1024 : 0);
            d = d < 1 ? 1 : d > newDepth ? newDepth : d;
            s = searchChild(t, pos, child, d, ply + 1, -alpha - 1, -alpha, tbLimit, line, true);
            if (s > alpha && d < newDepth)
                s = searchChild(t, pos, child, newDepth, ply + 1, -alpha - 1, -alpha, tbLimit, line, !cutNode);
        } else if (!isPV || moveCount > 1) {
            s = searchChild(t, pos, child, newDepth, ply + 1, -alpha - 1, -alpha, tbLimit, line, !cutNode);
        }
        if (isPV && (moveCount == 1 || (s > alpha && s < beta)))
            s = searchChild(t, pos, child, newDepth, ply + 1, -beta, -alpha, tbLimit, line, false);
        if (searchStopped(t))
            return alpha;

        if (s > bestScore) {
            bestScore = s;
            if (s > alpha) {
                best = m;
                if (isPV)
                    updatePv(pv, m, line);
                if (s >= beta)
                    break;
                alpha = s;
            }
        }
        if (m != best) {
            if (quiet && quietCount < 64)
                quietsTried[quietCount++] = m;
            else if (!quiet && captureCount < 32)
                capturesTried[captureCount++] = m;
        }
    }

    // ---- Mate, stalemate, and the updates of a finished node ----
    if (moveCount == 0) {
        if (excluded)
            return alpha;
        const int score = inCheck ? ply - MATE : 0;
        storeNode(t, *pos, depth, ply, BOUND_EXACT, score, 0);
        return score;
    }
    if (bestScore >= beta)
        rewardCutoff(t, ss, *pos, best, depth, prev1, prev2, quietsTried, quietCount, capturesTried, captureCount);
    const int bound = bestScore >= beta ? BOUND_LOWER : isPV && best ? BOUND_EXACT : BOUND_UPPER;
    if (!excluded)
        storeNode(t, *pos, depth, ply, bound, bestScore, best);
    // The static evaluation learns from the search where the score is a
    // quiet verdict that bounds it in the right direction.
    if (!inCheck && !excluded && (best == 0 || isQuietMove(best)) && !isDecisive(bestScore)
        && !(bound == BOUND_LOWER && bestScore <= ss->staticEval)
        && !(bound == BOUND_UPPER && bestScore >= ss->staticEval))
        updateCorrection(h, side, pos->pawnKey, depth, bestScore - rawEval);
    return bestScore;
}

} // namespace

int pvsQuiescence(SearchThread& t, int ply, int alpha, int beta, int tbLimit)
{
    if (nodeMustStop(t))
        return alpha;
    t.nodes++;
    Position* pos = t.current;
    if (pos->repetitions)
        return 0;
    if (tbLimit && pos->halfmoveClock == 0 && popcount(occupied(*pos)) <= tbLimit && tbProbeDepthReached(t, 0)) {
        int ok;
        const int wdl = probeWdl(t.engine->tablebases, *pos, &ok);
        if (ok) {
            t.tbHits++;
            return wdlScore(wdl, t.tbFiftyMoveRule);
        }
    }
    const Bitboard inCheck = checkers(*pos);
    if (ply >= 2 * MAX_PLY - 2)
        return inCheck ? 0 : evaluate(*pos, &t.evalCache);
    if (mateDistanceCloses(ply, alpha, beta))
        return alpha;

    uint64_t data = 0;
    const int usable = probeHash(t.engine->tt, *pos, data, 0, ply, alpha, beta);
    if (usable <= INFINITE)
        return usable;
    const bool ttHit = usable != HASH_MISS;
    const Move hashMove = ttHit ? ttMove(data) : 0;

    int bestScore = -INFINITE;
    int futilityBase = -INFINITE;
    if (!inCheck) {
        const int staticEval = correctedEval(t, *pos, evaluate(*pos, &t.evalCache));
        bestScore = ttHit ? refinedEval(staticEval, true, scoreFromTable(ttScore(data), ply, MATE_BAND), ttBound(data))
                          : staticEval;
        if (bestScore >= beta)
            return bestScore;
        if (bestScore > alpha)
            alpha = bestScore;
        futilityBase = staticEval + QS_FUTILITY_MARGIN;
    }

    MoveEntry list[MAX_MOVES];
    int count = int((inCheck ? generateEvasions(*pos, inCheck, list) : generateCaptures(*pos, list)) - list);
    // The hash move first, when it is one of the listed moves.
    for (int i = 0; i < count; i++)
        if (entryMove(list[i]) == hashMove)
            list[i] = makeEntry(hashMove, INT16_MAX);
    Move best = 0;
    int legal = 0;
    while (count > 0) {
        const Move m = entryMove(pickBest(list, count));
        // The legality and exchange tests hide the loads of the child's entries.
        const uint64_t childKey = keyAfterMove(*pos, m);
        prefetchHash(t.engine->tt, childKey);
        prefetchHashEval(t.evalCache, childKey);
        if (leavesKingInCheck(*pos, m))
            continue;
        legal++;
        if (!inCheck) {
            if (movePromotion(m) && movePromotion(m) != QUEEN)
                continue;
            if (!movePromotion(m)) {
                const int gain = futilityBase + pieceValue(capturedPiece(*pos, m));
                if (gain <= alpha) {
                    if (gain > bestScore)
                        bestScore = gain;
                    continue;
                }
            }
            if (!captureCannotLose(*pos, m) && staticExchange(*pos, m) < 0)
                continue;
        } else if (bestScore > -DECISIVE && isQuietMove(m) && legal > 2) {
            // In check, once an evasion has saved the node from mate, quiet
            // evasions after the first two are left alone.
            continue;
        }
        t.current = makeMove(*pos, m);
        const int s = -pvsQuiescence(t, ply + 1, -beta, -alpha, tbLimit);
        t.current = pos;
        if (searchStopped(t))
            return alpha;
        if (s > bestScore) {
            bestScore = s;
            if (s > alpha) {
                best = m;
                if (s >= beta)
                    break;
                alpha = s;
            }
        }
    }
    if (inCheck && legal == 0)
        return ply - MATE;
    if (ply < MAX_PLY)
        storeNode(t, *pos, 0, ply, bestScore >= beta ? BOUND_LOWER : BOUND_UPPER, bestScore, best);
    return bestScore;
}

int pvsRootChild(SearchThread& t, int depth, int ply, int alpha, int beta, int tbLimit, PvLine& pv)
{
    PvsThreadState& s = t.pvs;
    // Killers belong to one search; histories carry over.
    if (s.searchAge != t.engine->tt.age) {
        s.searchAge = t.engine->tt.age;
        for (PlyState& p : s.plies)
            p.killers[0] = p.killers[1] = 0;
    }
    // The plies at and above the root: no evaluation to compare with, except
    // the root's own.
    for (int p = -PLY_STATE_OFFSET; p < ply; p++) {
        plyState(s, p)->staticEval = int16_t(NO_EVAL);
        plyState(s, p)->excluded = 0;
    }
    if (t.current > t.positions) {
        const Position& root = t.current[-1];
        if (!checkers(root))
            plyState(s, ply - 1)->staticEval = int16_t(correctedEval(t, root, evaluate(root, &t.evalCache)));
    }
    plyState(s, ply)->excluded = 0;
    return pvsNode(t, depth, ply, alpha, beta, tbLimit, pv, beta - alpha == 1);
}

int lateMoveReduction(int depth, int moveNumber)
{
    const int d = depth < 1 ? 1 : depth > 63 ? 63 : depth;
    const int m = moveNumber < 1 ? 1 : moveNumber > 63 ? 63 : moveNumber;
    return REDUCTIONS.r[d][m];
}
