// Iterative deepening over the root moves with aspiration windows, the search
// threads' set-up and the election of each iteration's winner.
#include "search/think.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "position/attacks.h"
#include "position/fen.h"
#include "position/makemove.h"
#include "position/movegen.h"
#include "search/ordering.h"
#include "search/report.h"
#include "search/search.h"
#include "search/searchstate.h"
#include "search/timecontrol.h"
#include "search/tt.h"

namespace {

constexpr int DEPTH_OFFSET[MAX_THREADS] = {0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1,
                                           0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1};
constexpr int ASPIRATION = 50;

// The running iteration's winner, elected by the first thread to finish it.
std::mutex searchMutex;  // guards the election
PvLine bestLine;
uint8_t winnerThread = 0;
uint8_t winnerSelDepth = 0;

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
    PvLine line;
    line.count = 0;
    t.result = rootSearch(t, t.depth, t.windowAlpha, t.windowBeta, t.rootMoves, t.rootEnd, t.tbLimit, line);
    std::lock_guard<std::mutex> lock(searchMutex);
    if (winnerThread == 0 && !abortIteration.load(std::memory_order_relaxed) &&
        !stopSearch.load(std::memory_order_relaxed)) {
        abortIteration.store(1, std::memory_order_relaxed);
        winnerThread = t.threadNumber;
        winnerSelDepth = t.selDepth;
        bestLine = line;
    }
    return nullptr;
}

// The current slot's index in the record's stack.
int slotIndex(const SearchThread& t) { return int(t.current - t.positions); }

void prepareThread(SearchThread& t, const SearchThread& front, int number)
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
    t.tbHits = 0;
    t.tbLimit = front.tbLimit;
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

    // The hash move, when it is one of the root moves, is searched first.
    Move hashMove = 0;
    if (tbLimit != 0) {
        uint64_t data = 0;
        if (probeHash(*root, data, depth, 0, alpha, beta) != HASH_MISS) {
            Move m = Move(data >> 32);
            if (m != 0 && inList(first, end, m) && !leavesKingInCheck(*root, m))
                hashMove = m;
        }
    }
    if (hashMove) {
        t.current = makeMove(*root, hashMove);
        int s = -alphaBeta(t, depth - 1, 1, -beta, -alpha, tbLimit, child);
        t.current = root;
        if (s > alpha) {
            best = hashMove;
            alpha = s;
            setLine(line, hashMove, child);
        }
    }
    int count = int(end - first);
    if (depth > 1 && count >= 2)
        sortRootMoves(first, 0, count - 1);
    uint64_t nodesBefore = t.nodes;
    for (uint64_t* e = end - 1; e >= first; --e) {
        Move m = entryMove(*e);
        if (m == hashMove)
            continue;
        child.count = 0;  // per move: a line left by the previous move is no line of this one
        t.current = makeMove(*root, m);
        int s;
        if (best) {
            s = -alphaBeta(t, depth - 1, 1, -alpha - 1, -alpha, tbLimit, child);
            if (s > alpha)
                s = -alphaBeta(t, depth - 1, 1, -beta, -alpha, tbLimit, child);
        } else {
            s = -alphaBeta(t, depth - 1, 1, -beta, -alpha, tbLimit, child);
        }
        t.current = root;
        *e = makeEntry(m, int((t.nodes - nodesBefore) % 32000));
        nodesBefore = t.nodes;
        if (s > alpha) {
            best = m;
            alpha = s;
            setLine(line, m, child);
        }
    }
    storeHash(*root, depth, 0, BOUND_EXACT, alpha, best);
    return makeResult(best, alpha);
}

namespace {

// Runs one iteration on `threads` search threads; returns the winner's result
// word and adds the threads' counts to r.
uint64_t runIteration(SearchThread& front, int threads, SearchResult& r)
{
    for (int i = 1; i <= threads; ++i)
        prepareThread(searchThreads[i - 1], front, i);
    for (int i = 1; i <= threads; ++i) {
        SearchThread& t = searchThreads[i - 1];
        // One search thread runs in this one; so does any that cannot be
        // started.
        if (threads == 1 || !threadCreate(t.threadHandle, searchWorker, &t))
            searchWorker(&t);
    }
    for (int i = 1; i <= threads; ++i) {
        SearchThread& t = searchThreads[i - 1];
        threadJoin(t.threadHandle);
        r.nodes += t.nodes;
        r.tbHits += t.tbHits;
    }
    return winnerThread ? searchThreads[winnerThread - 1].result : 0;
}

} // namespace

SearchResult think(SearchThread& front, const SearchSettings& settings)
{
    // stopSearch is cleared by the caller when the search starts (setupTimer,
    // or the UCI "go" before it starts the input monitor): a "stop" that the
    // monitor reads before this point must not be lost.
    abortIteration.store(0, std::memory_order_relaxed);
    front.tbLimit = uint8_t(settings.tbLimit);
    newSearchGeneration();
    SearchResult r{};
    bestLine.count = 0;
    winnerSelDepth = 0;
    std::memset(front.rootMoves, 0, sizeof front.rootMoves);
    front.threadNumber = 0;
    front.depth = 0;
    front.selDepth = 0;
    front.windowAlpha = -INFINITE;
    front.windowBeta = INFINITE;

    MoveEntry legal[MAX_MOVES];
    MoveEntry* legalEnd = generateLegal(*front.current, legal);
    int count = int(legalEnd - legal);
    for (int i = 0; i < count; ++i)
        front.rootMoves[i] = makeEntry(entryMove(legal[i]), 0);
    front.rootEnd = front.rootMoves + count;

    if (count == 0) {
        r.score = checkers(*front.current) ? -MATE : 0;
        timeControl.elapsedMs = nowMs() - timeControl.startMs;
        return r;
    }
    uint64_t best = makeResult(entryMove(front.rootMoves[count - 1]), 0);
    int tbScore = 0;
    int s = 0;
    if (count == 1) {
        r.best = resultMove(best);
        r.line.count = 1;
        r.line.moves[0] = r.best;
        reportIteration(settings, *front.current, r);
        timeControl.elapsedMs = nowMs() - timeControl.startMs;
        return r;
    }

    const int threads = settings.threads < 1 ? 1 : settings.threads > MAX_THREADS ? MAX_THREADS : settings.threads;
    r.line.count = 0;
    for (int depth = 1; depth <= settings.maxDepth;) {
        front.depth = uint8_t(depth);
        r.depth = depth;
        winnerThread = 0;
        abortIteration.store(0, std::memory_order_relaxed);
        uint64_t result = runIteration(front, threads, r);
        if (stopSearch.load(std::memory_order_relaxed)) {
            abortIteration.store(1, std::memory_order_relaxed);
            break;
        }
        s = resultScore(result);
        if (s > front.windowAlpha && s < front.windowBeta) {
            best = result;
            r.line = bestLine;
            r.ponder = bestLine.count > 1 ? bestLine.moves[1] : 0;
        }
        r.best = resultMove(best);
        r.score = s;
        r.selDepth = winnerSelDepth;
        reportIteration(settings, *front.current, r);
        if (s == tbScore) {
            front.windowAlpha = -INFINITE;
            front.windowBeta = INFINITE;
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
    timeControl.elapsedMs = nowMs() - timeControl.startMs;
    r.best = resultMove(best);
    r.score = s;
    r.selDepth = winnerSelDepth;
    return r;
}
