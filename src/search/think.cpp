// Iterative deepening over the root moves with aspiration windows, the search
// threads' set-up and the election of each iteration's winner.
#include "search/think.h"

#include <cinttypes>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <utility>

#include "position/attacks.h"
#include "position/fen.h"
#include "position/makemove.h"
#include "position/movegen.h"
#include "search/aspiration.h"
#include "search/engine.h"
#include "search/ordering.h"
#include "search/rootprobe.h"
#include "search/search.h"
#include "search/timecontrol.h"
#include "search/timeman.h"
#include "search/tt.h"
#include "search/workshare.h"

namespace {

constexpr int DEPTH_OFFSET[MAX_THREADS] = {0, 0, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1,
                                           0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1};
constexpr int ASPIRATION = 50;

// Hands an iteration's line to the engine's reporter, if it takes them.
void reportIteration(Engine& e, const SearchResult& r, int multiPv = 0)
{
    if (!e.reporter.iteration)
        return;
    const IterationReport report{e.mainThread.current, &r, multiPv, nowMs() - e.timeControl.startMs};
    e.reporter.iteration(e.reporter.context, report);
}

// Writes move followed by the first 63 moves of child into line.
void setLine(PvLine& line, Move move, const PvLine& child)
{
    line.moves[0] = move;
    uint32_t n = child.count < MAX_PLY - 1 ? child.count : MAX_PLY - 1;
    std::memcpy(line.moves + 1, child.moves, n * sizeof(Move));
    line.count = n + 1;
}

bool inList(const uint64_t* first, const uint64_t* end, Move m)
{
    for (const uint64_t* e = first; e < end; ++e)
        if (entryMove(*e) == m)
            return true;
    return false;
}

void* searchWorker(void* argument)
{
    SearchThread& t = *static_cast<SearchThread*>(argument);
    Engine& e = *t.engine;
    PvLine line;
    line.count = 0;
    t.result = rootSearch(t, t.depth, t.windowAlpha, t.windowBeta, t.rootMoves, t.rootEnd, t.tbLimit, line);
    std::lock_guard<std::mutex> lock(e.searchMutex);
    if (e.winnerThread == 0 && !e.flags.abortIteration.load(std::memory_order_relaxed) &&
        !e.flags.stopSearch.load(std::memory_order_relaxed)) {
        e.flags.abortIteration.store(1, std::memory_order_relaxed);
        e.winnerThread = t.threadNumber;
        e.winnerSelDepth = t.selDepth;
        e.bestLine = line;
    }
    return nullptr;
}

// The current slot's index in the record's stack.
int slotIndex(const SearchThread& t) { return int(t.current - t.positions); }

void prepareThread(SearchThread& t, const SearchThread& front, int number, int threads)
{
    int slots = slotIndex(front) + 1;
    std::memcpy(t.positions, front.positions, size_t(slots) * sizeof(Position));
    t.current = t.positions + slots - 1;
    std::memcpy(t.rootMoves, front.rootMoves, sizeof t.rootMoves);
    t.rootEnd = t.rootMoves + (front.rootEnd - front.rootMoves);
    t.rootLastMove = front.rootLastMove;
    t.threadNumber = uint8_t(number);
    t.depth = uint8_t(front.depth + DEPTH_OFFSET[number - 1]);
    t.windowAlpha = front.windowAlpha;
    t.windowBeta = front.windowBeta;
    t.selDepth = 0;
    t.nodes = 0;
    t.nodeLimit = front.nodeLimit;
    t.tbHits = 0;
    t.tbLimit = front.tbLimit;
    t.tbProbeDepth = front.tbProbeDepth;
    t.tbFiftyMoveRule = front.tbFiftyMoveRule;
    t.shareWork = threads > 1;
    t.classic = front.classic;
    t.evalNoise = front.evalNoise;
    t.noiseSeed = front.noiseSeed;
    if (front.depth == 1) {
        clearKillers(t);
        clearCounterMoves(t);
        ageHistory(t);
    }
}

} // namespace

uint64_t rootSearch(SearchThread& t, int depth, int alpha, int beta, uint64_t* first, uint64_t* end,
                    int tbLimit, PvLine& line)
{
    PvLine child;
    child.count = 0;
    Move best = 0;
    Position* root = t.current;

    // The hash move, when it is one of the root moves, is searched first; but
    // only while tbLimit is not 0. A root the tables decided (tbLimit 0) keeps
    // the order of their values, and a search without probing gives the hash
    // move no preference either.
    Move hashMove = 0;
    if (tbLimit != 0) {
        uint64_t data = 0;
        if (probeHash(t.engine->tt, *root, data, depth, 0, alpha, beta) != HASH_MISS) {
            Move m = Move(data >> 32);
            if (m != 0 && inList(first, end, m) && !leavesKingInCheck(*root, m))
                hashMove = m;
        }
    }
    if (hashMove) {
        uint64_t before = t.nodes;
        t.current = makeMove(*root, hashMove);
        int s = -alphaBeta(t, depth - 1, 1, -beta, -alpha, tbLimit, child);
        t.current = root;
        for (uint64_t* e = first; e < end; ++e)
            if (entryMove(*e) == hashMove)
                *e = makeEntry(hashMove, rootEffortScore(t.nodes - before));
        if (s > alpha && !searchStopped(t)) {
            best = hashMove;
            alpha = s;
            setLine(line, hashMove, child);
        }
    }
    int count = int(end - first);
    if (depth > 1 && count >= 2)
        sortRootMoves(first, 0, count - 1);
    // Once a move is best, a move another search thread is inside waits for
    // the end of the list (see workshare.h).
    const bool share = t.shareWork && depth >= SHARED_MIN_DEPTH;
    uint64_t* deferred[MAX_ROOT_MOVES];
    int deferredCount = 0;
    for (int pass = 0; pass < 2; ++pass) {
        const int n = pass == 0 ? count : deferredCount;
        for (int k = 0; k < n; ++k) {
            uint64_t* e = pass == 0 ? end - 1 - k : deferred[k];
            Move m = entryMove(*e);
            if (m == hashMove)
                continue;
            child.count = 0;  // per move: a line left by the previous move is no line of this one
            t.current = makeMove(*root, m);
            const uint64_t key = t.current->key;
            if (share && pass == 0 && best && takenElsewhere(t.engine->share, key)) {
                t.current = root;
                deferred[deferredCount++] = e;
                continue;
            }
            const uint64_t nodesBefore = t.nodes;
            if (share)
                markTaken(t.engine->share, key);
            int s;
            if (best) {
                s = -alphaBeta(t, depth - 1, 1, -alpha - 1, -alpha, tbLimit, child);
                if (s > alpha)
                    s = -alphaBeta(t, depth - 1, 1, -beta, -alpha, tbLimit, child);
            } else {
                s = -alphaBeta(t, depth - 1, 1, -beta, -alpha, tbLimit, child);
            }
            if (share)
                releaseTaken(t.engine->share, key);
            t.current = root;
            *e = makeEntry(m, rootEffortScore(t.nodes - nodesBefore));
            // A stopped move's score is no score: the moves searched before it
            // are the stopped iteration's result.
            if (searchStopped(t))
                return makeResult(best, alpha);
            if (s > alpha) {
                best = m;
                alpha = s;
                setLine(line, m, child);
            }
        }
    }
    if (!searchStopped(t))
        storeHash(t.engine->tt, *root, depth, 0, BOUND_EXACT, alpha, best);
    return makeResult(best, alpha);
}

namespace {

void* poolWorker(void* argument)
{
    SearchThread& t = *static_cast<SearchThread*>(argument);
    const int index = int(&t - t.engine->searchThreads);
    WorkerPool& p = t.engine->pool;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(p.mutex);
            p.wake.wait(lock, [&] { return p.exiting || p.go[index]; });
            if (p.exiting)
                return nullptr;
            p.go[index] = false;
        }
        searchWorker(&t);
        std::lock_guard<std::mutex> lock(p.mutex);
        if (--p.pending == 0)
            p.done.notify_one();
    }
}

// Starts the workers for search threads 2..threads.
void startWorkers(Engine& e, int threads)
{
    WorkerPool& p = e.pool;
    p.threads = threads;
    p.exiting = false;
    p.pending = 0;
    for (int i = 1; i < threads; ++i) {
        p.go[i] = false;
        p.started[i] = threadCreate(e.searchThreads[i].threadHandle, poolWorker, &e.searchThreads[i]);
    }
}

// Ends the workers once the search is over.
void stopWorkers(Engine& e)
{
    WorkerPool& p = e.pool;
    {
        std::lock_guard<std::mutex> lock(p.mutex);
        p.exiting = true;
    }
    p.wake.notify_all();
    for (int i = 1; i < p.threads; ++i)
        if (p.started[i]) {
            threadJoin(e.searchThreads[i].threadHandle);
            p.started[i] = false;
        }
    p.exiting = false;
    p.threads = 1;
}

// Runs one iteration on `threads` search threads; returns the winner's result
// word and adds the threads' counts to r.
uint64_t runIteration(Engine& e, int threads, SearchResult& r)
{
    SearchThread& front = e.mainThread;
    for (int i = 1; i <= threads; ++i)
        prepareThread(e.searchThreads[i - 1], front, i, threads);
    WorkerPool& p = e.pool;
    if (threads > 1) {
        {
            std::lock_guard<std::mutex> lock(p.mutex);
            for (int i = 1; i < threads; ++i)
                if (p.started[i]) {
                    p.go[i] = true;
                    ++p.pending;
                }
        }
        p.wake.notify_all();
    }
    searchWorker(&e.searchThreads[0]);
    for (int i = 1; i < threads; ++i)
        if (!p.started[i])
            searchWorker(&e.searchThreads[i]);
    if (threads > 1) {
        std::unique_lock<std::mutex> lock(p.mutex);
        p.done.wait(lock, [&] { return p.pending == 0; });
    }
    for (int i = 1; i <= threads; ++i) {
        SearchThread& t = e.searchThreads[i - 1];
        r.nodes += t.nodes;
        r.tbHits += t.tbHits;
    }
    if (!e.winnerThread)
        return 0;
    // The next iteration orders the root moves after the hash move by the
    // effort each took in this one: the winner's list carries it (compiled
    // out only in the comparison build of tools/strength_match.py).
    const SearchThread& winner = e.searchThreads[e.winnerThread - 1];
#ifndef ARDENTIS_NO_ROOT_ORDER
    std::memcpy(front.rootMoves, winner.rootMoves, size_t(front.rootEnd - front.rootMoves) * sizeof(uint64_t));
#endif
    return winner.result;
}

// Each thread's share of what is left of a node limit for the next iteration
// (0: no limit). Every thread stops the search when its own count reaches its
// share, so all together never pass the limit; false when nothing is left.
bool shareNodes(SearchThread& front, const SearchSettings& settings, int threads, uint64_t spent)
{
    front.nodeLimit = 0;
    if (settings.nodeLimit == 0)
        return true;
    if (spent >= settings.nodeLimit)
        return false;
    uint64_t share = (settings.nodeLimit - spent) / uint64_t(threads);
    front.nodeLimit = share;
    return share != 0;
}

// Keeps only the root moves named by the caller (all of them when none of the
// named moves is legal here). Returns the new count.
int restrictRoot(SearchThread& front, int count, const SearchSettings& settings)
{
    if (!settings.searchMoves || settings.searchMoveCount <= 0)
        return count;
    int kept = 0;
    uint64_t restricted[MAX_ROOT_MOVES];
    for (int i = 0; i < count; ++i) {
        Move m = entryMove(front.rootMoves[i]);
        for (int j = 0; j < settings.searchMoveCount; ++j)
            if (settings.searchMoves[j] == m) {
                restricted[kept++] = front.rootMoves[i];
                break;
            }
    }
    if (kept == 0)
        return count;
    std::memset(front.rootMoves, 0, sizeof front.rootMoves);
    std::memcpy(front.rootMoves, restricted, size_t(kept) * sizeof(uint64_t));
    return kept;
}

// The further best lines of an accepted iteration: each a full-window
// iteration at the same depth over the root moves not yet shown. lines[0]
// holds the accepted line; returns how many lines are filled (fewer when the
// search is stopped meanwhile).
int searchMoreLines(Engine& e, const SearchSettings& settings, int threads, SearchResult& r, ScoredLine* lines,
                    int wanted)
{
    SearchThread& front = e.mainThread;
    uint64_t saved[MAX_ROOT_MOVES];
    std::memcpy(saved, front.rootMoves, sizeof saved);
    uint64_t* savedEnd = front.rootEnd;
    const int16_t alpha = front.windowAlpha, beta = front.windowBeta;
    int filled = 1;
    while (filled < wanted) {
        // The root list without the first moves of the lines found so far.
        uint64_t* end = front.rootMoves;
        for (uint64_t* e = saved; e < saved + (savedEnd - front.rootMoves); ++e) {
            bool shown = false;
            for (int k = 0; k < filled; ++k)
                shown |= lines[k].line.count > 0 && lines[k].line.moves[0] == entryMove(*e);
            if (!shown)
                *end++ = *e;
        }
        if (end == front.rootMoves || !shareNodes(front, settings, threads, r.nodes))
            break;
        std::memset(end, 0, size_t(front.rootMoves + MAX_ROOT_MOVES - end) * sizeof(uint64_t));
        front.rootEnd = end;
        front.windowAlpha = -INFINITE;
        front.windowBeta = INFINITE;
        e.winnerThread = 0;
        e.flags.abortIteration.store(0, std::memory_order_relaxed);
        uint64_t result = runIteration(e, threads, r);
        if (e.flags.stopSearch.load(std::memory_order_relaxed) || !e.winnerThread)
            break;
        lines[filled].score = resultScore(result);
        lines[filled].line = e.bestLine;
        if (e.bestLine.count == 0) {
            lines[filled].line.count = 1;
            lines[filled].line.moves[0] = resultMove(result);
        }
        ++filled;
    }
    std::memcpy(front.rootMoves, saved, sizeof saved);
    front.rootEnd = savedEnd;
    front.windowAlpha = alpha;
    front.windowBeta = beta;
    return filled;
}

// One search from its set-up to its result: what the iterations share.
struct Driver {
    Engine& e;
    const SearchSettings& settings;
    int threads = 1;        // search threads, 1..MAX_THREADS
    int multiPv = 1;        // lines per iteration, 1..MAX_MULTI_PV
    int count = 0;          // root moves
    bool tbRoot = false;    // the tables decided the root list
    int tbScore = 0;        // their score (0 without)
    uint64_t best = 0;      // the result word to play
    int score = 0;          // the last iteration's score
    bool accepted = false;  // an iteration ended inside its window
    IterationClock clock{};  // the default play's soft-limit state
    int aspirationDelta = ASPIRATION_START;
    SearchResult r{};
};

// The root's set-up: a new generation, the front end's record reset, the
// root list (restricted to the asked moves, then to what the tables keep).
// False when that already decides the search (no legal move, or only one),
// with the result in d.r.
bool setUpRoot(Driver& d)
{
    Engine& e = d.e;
    SearchThread& front = e.mainThread;
    // stopSearch is cleared by the caller when the search starts (setupTimer,
    // or the UCI "go" before it starts the input monitor): a "stop" that the
    // monitor reads before this point must not be lost.
    e.flags.abortIteration.store(0, std::memory_order_relaxed);
    front.tbLimit = uint8_t(d.settings.tbLimit);
    front.classic = d.settings.classic;
    front.tbProbeDepth = uint8_t(d.settings.tbProbeDepth);
    front.tbFiftyMoveRule = d.settings.tbFiftyMoveRule;
    front.evalNoise = d.settings.evalNoise < 0 ? 0 : d.settings.evalNoise;
    front.noiseSeed = d.settings.noiseSeed;
    newSearchGeneration(e.tt);
    e.bestLine.count = 0;
    e.winnerSelDepth = 0;
    std::memset(front.rootMoves, 0, sizeof front.rootMoves);
    front.threadNumber = 0;
    front.depth = 0;
    front.selDepth = 0;
    front.windowAlpha = -INFINITE;
    front.windowBeta = INFINITE;
    front.nodeLimit = 0;

    MoveEntry legal[MAX_MOVES];
    MoveEntry* legalEnd = generateLegal(*front.current, legal);
    int count = int(legalEnd - legal);
    for (int i = 0; i < count; ++i)
        front.rootMoves[i] = makeEntry(entryMove(legal[i]), 0);
    count = restrictRoot(front, count, d.settings);
    front.rootEnd = front.rootMoves + count;
    if (count == 0) {
        d.r.score = checkers(*front.current) ? -MATE : 0;
        return false;
    }
    // No iteration reports less than the tables' verdict on the root.
    d.tbScore = 0;
    d.tbRoot = decideRootByTables(front, d.settings.tbLimit, d.tbScore);
    if (d.tbRoot) {
        d.r.tbHits++;
        count = int(front.rootEnd - front.rootMoves);
    }
    d.count = count;
    d.best = makeResult(entryMove(front.rootMoves[count - 1]), d.tbScore);
    d.score = d.tbScore;
    if (count == 1) {
        d.r.best = resultMove(d.best);
        d.r.score = d.score;
        d.r.line.count = 1;
        d.r.line.moves[0] = d.r.best;
        reportIteration(e, d.r);
        return false;
    }
    return true;
}

// A stopped iteration: before any iteration was accepted, the moves the
// first thread finished in this one decide.
void takeStoppedIteration(Driver& d)
{
    Engine& e = d.e;
    e.flags.abortIteration.store(1, std::memory_order_relaxed);
    const uint64_t partial = e.searchThreads[0].result;
    if (!d.accepted && resultMove(partial)) {
        d.best = partial;
        d.score = resultScore(partial);
        d.r.line.count = 1;
        d.r.line.moves[0] = resultMove(partial);
        d.r.ponder = 0;
    }
}

// An iteration whose score fell inside its window becomes the result; a
// thread that searched one ply deeper and finished first has completed the
// next iteration too (depth moves on to it).
void acceptIteration(Driver& d, uint64_t result, int& depth)
{
    Engine& e = d.e;
    const int reached = e.winnerThread ? e.searchThreads[e.winnerThread - 1].depth : depth;
    if (reached > depth && reached <= d.settings.maxDepth) {
        depth = reached;
        e.mainThread.depth = uint8_t(depth);
        d.r.depth = depth;
    }
    d.accepted = true;
    d.best = result;
    d.r.line = e.bestLine;
    d.r.ponder = e.bestLine.count > 1 ? e.bestLine.moves[1] : 0;
}

// The further best lines of an accepted MultiPV iteration, merged with the
// accepted one best first and reported each; the first line's move is the
// one played. False when the search was stopped meanwhile.
bool mergeMultiPv(Driver& d)
{
    Engine& e = d.e;
    ScoredLine* lines = e.lines;
    lines[0].score = d.score;
    lines[0].line = d.r.line;
    const int shown = searchMoreLines(e, d.settings, d.threads, d.r, lines, d.multiPv < d.count ? d.multiPv : d.count);
    // Best first (a stable insertion sort: nothing allocated).
    for (int k = 1; k < shown; ++k)
        for (int j = k; j > 0 && lines[j].score > lines[j - 1].score; --j)
            std::swap(lines[j], lines[j - 1]);
    d.best = makeResult(lines[0].line.moves[0], lines[0].score);
    d.r.best = resultMove(d.best);
    d.r.line = lines[0].line;
    d.r.ponder = d.r.line.count > 1 ? d.r.line.moves[1] : 0;
    SearchResult shownLine = d.r;
    for (int k = 0; k < shown; ++k) {
        shownLine.score = lines[k].score;
        shownLine.line = lines[k].line;
        reportIteration(e, shownLine, k + 1);
    }
    d.r.score = lines[0].score;
    return !e.flags.stopSearch.load(std::memory_order_relaxed);
}

// The next iteration's window: a fail high or low searches the same depth
// again with the full window; a score inside the window (or the tables'
// score, which no window holds) goes one ply deeper with an aspiration
// window around it.
void nextWindow(Driver& d, int& depth)
{
    SearchThread& front = d.e.mainThread;
    const int s = d.score;
    if (s == d.tbScore) {
        front.windowAlpha = -INFINITE;
        front.windowBeta = INFINITE;
        ++depth;
    } else if (!d.settings.classic) {
        if (nextAspirationWindow(front.windowAlpha, front.windowBeta, s, d.aspirationDelta))
            ++depth;
    } else if (s <= front.windowAlpha || s >= front.windowBeta) {
        front.windowAlpha = -INFINITE;
        front.windowBeta = INFINITE;
    } else {
        front.windowAlpha = int16_t(s - ASPIRATION);
        front.windowBeta = int16_t(s + ASPIRATION);
        ++depth;
    }
}

// Iterative deepening with aspiration windows, each iteration run by every
// search thread at once, until the depth, a limit or a stop ends it.
void iterate(Driver& d)
{
    Engine& e = d.e;
    SearchThread& front = e.mainThread;
    const SearchSettings& settings = d.settings;
    SearchResult& r = d.r;
    for (int depth = 1; depth <= settings.maxDepth;) {
        front.depth = uint8_t(depth);
        r.depth = depth;
        if (!shareNodes(front, settings, d.threads, r.nodes))
            break;
        e.winnerThread = 0;
        e.flags.abortIteration.store(0, std::memory_order_relaxed);
        const uint64_t result = runIteration(e, d.threads, r);
        if (e.flags.stopSearch.load(std::memory_order_relaxed)) {
            takeStoppedIteration(d);
            break;
        }
        d.score = resultScore(result);
        const bool inside = d.score > front.windowAlpha && d.score < front.windowBeta;
        if (inside)
            acceptIteration(d, result, depth);
        if (d.tbRoot && d.score < d.tbScore)
            d.score = d.tbScore;
        r.best = resultMove(d.best);
        r.score = d.score;
        r.selDepth = e.winnerSelDepth;
        if (d.multiPv == 1)
            reportIteration(e, r);
        else if (!inside)
            reportIteration(e, r, 1);
        else if (!mergeMultiPv(d))
            break;
        // The default play's soft time limit, scaled by how settled the best move is.
        if (!settings.classic && inside && !e.flags.pondering.load(std::memory_order_relaxed)
            && iterationEndsSearch(d.clock, r.best, bestMoveNodeShare(front.rootMoves, front.rootEnd, r.best),
                                   int64_t(nowMs() - e.timeControl.startMs),
                                   e.timer.softLimitMs.load(std::memory_order_relaxed)))
            break;
        // A mate within the asked number of moves is proved: enough.
        if (inside && settings.mateLimit > 0 && d.score >= MATE + 1 - 2 * settings.mateLimit)
            break;
        nextWindow(d, depth);
    }
}

} // namespace

SearchResult think(Engine& e, const SearchSettings& settings)
{
    Driver d{e, settings};
    TimeControl& timeControl = e.timeControl;
    if (!setUpRoot(d)) {
        timeControl.elapsedMs = nowMs() - timeControl.startMs;
        return d.r;
    }
    d.threads = settings.threads < 1 ? 1 : settings.threads > MAX_THREADS ? MAX_THREADS : settings.threads;
    d.multiPv = settings.multiPv < 1 ? 1 : settings.multiPv > MAX_MULTI_PV ? MAX_MULTI_PV : settings.multiPv;
    d.r.line.count = 0;
    if (d.threads > 1) {
        clearWorkShare(e.share);
        startWorkers(e, d.threads);
    }
    iterate(d);
    if (d.threads > 1)
        stopWorkers(e);
    timeControl.elapsedMs = nowMs() - timeControl.startMs;
    d.r.best = resultMove(d.best);
    d.r.score = d.multiPv > 1 && d.accepted ? resultScore(d.best) : d.score;
    d.r.selDepth = e.winnerSelDepth;
    return d.r;
}
