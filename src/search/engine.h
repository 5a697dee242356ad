// One engine: the state its searches share and keep between them, and the
// life cycle of its hash tables (the shared TT and each search record's
// HashEval and HashQ). The front end owns one and passes it down; every
// thread record points back to it. Two engines in one process search
// independently of each other. Outside lie only the tables built once at
// start-up (attacks, keys, the reduction table) and the evaluation
// parameters, which change between searches only.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "search/reporter.h"
#include "search/searchthread.h"
#include "search/settings.h"
#include "search/timecontrol.h"
#include "search/tt.h"
#include "search/workshare.h"
#include "tablebase/tbregistry.h"

// The search threads other than the first live for one search: they are
// started with it, wait on `wake` between iterations and report on `done`
// when their part of an iteration is over. The first search thread runs in
// the calling thread, as does any that could not be started.
struct WorkerPool {
    std::mutex mutex;
    std::condition_variable wake;  // an iteration is handed out, or the search ends
    std::condition_variable done;  // the last worker finished its part
    bool go[MAX_THREADS];          // worker i has an iteration to search
    bool started[MAX_THREADS];
    bool exiting;
    int pending;                   // workers still searching this iteration
    int threads;
};

// One of the best lines of a MultiPV iteration.
struct ScoredLine {
    int score;
    PvLine line;
};

// Sizes of every hash table, worked out by the caller (entry counts are
// powers of two, the TT's may be any count); the MiB figures are for the
// messages.
struct TableSizes {
    int threads;  // search records that get HashEval and HashQ, 1..MAX_THREADS
    bool largePages;
    uint64_t ttEntries;
    long ttSizeMb;
    uint64_t hashEvalEntries;
    long hashEvalSizeMb;
    uint64_t hashQEntries;
    long hashQSizeMb;
};

struct Engine {
    // Where the engine's lines go: the front end's.
    Reporter reporter;

    // Read at every node; written only between searches (the table) or to
    // stop one (the flags).
    SearchFlags flags;
    TranspositionTable tt;

    // The front end's record (the game, and the root of every search) and
    // the search threads' records.
    SearchThread mainThread;
    SearchThread searchThreads[MAX_THREADS];

    // The clocks of the running search and the timer that ends it.
    TimeControl timeControl;
    Timer timer;

    // The running iteration's winner, elected by the first thread to finish it.
    std::mutex searchMutex;  // guards the election
    PvLine bestLine;
    uint8_t winnerThread;
    uint8_t winnerSelDepth;
    WorkerPool pool;
    ScoredLine lines[MAX_MULTI_PV];  // a MultiPV iteration's lines, best first

    WorkShare share;

    // The tablebase files this engine probes.
    Tablebases tablebases;

    // Beta cut-offs made by a move, and those made by the first move searched
    // at the node, summed over all threads and searches (move-ordering
    // statistics). Threads count in their own record and add to these once
    // per root move.
    std::atomic<uint64_t> failHighs;
    std::atomic<uint64_t> firstFailHighs;
};

// A new engine without tables (allocAllTables gives them) and with an empty
// game stack, reporting to reporter (by default nowhere). It is large (two
// dozen position stacks): it lives on the heap.
Engine* createEngine(const Reporter& reporter = Reporter{});
// Frees the engine's tables, then the engine.
void destroyEngine(Engine* engine);
// From now on the engine (its tables and tablebases included) reports to
// reporter. Between searches only.
void setReporter(Engine& engine, const Reporter& reporter);

// All hash tables: the TT, then HashEval and HashQ of the front end's record
// (silently) and of the search records 1..sizes.threads. Each table reports
// its size, or its failure, through the engine's reporter; a table that
// cannot be had is done without.
void allocAllTables(Engine& engine, const TableSizes& sizes);
// The TT alone, of `entries` entries (the message names sizeMb).
bool allocEngineTable(Engine& engine, uint64_t entries, long sizeMb, bool largePages);
// HashEval and HashQ of one record of the engine (number 0: the front end's,
// whose allocation is not announced; failures always are).
void allocRecordCaches(Engine& engine, SearchThread& record, int number, const TableSizes& sizes);
// HashEval and HashQ of search records 1..sizes.threads afresh (with their
// messages), and none for the records above: a new thread count.
void allocThreadTables(Engine& engine, const TableSizes& sizes);
// The table's age 0 and every table zero-filled.
void clearAllTables(Engine& engine);
void freeAllTables(Engine& engine);

// The classic or the default evaluation from now on (the front end's Classic
// setting): the mode's parameter values applied and, when the mode changes,
// the engine's tables emptied, since its caches and TT hold the other
// evaluation's scores. Positions set up before keep incremental scores of
// the other values: set them up again. The mode is process-wide, like the
// parameter values: two engines in one process play the same evaluation.
void selectEvaluation(Engine& engine, bool classic);

// Clears killers, history and counter-moves of the front end's record and of
// every search thread's record, and resets the table's age (a new game).
void clearSearchState(Engine& engine);

inline bool searchStopped(const SearchThread& t) { return searchStopped(t.engine->flags); }

// Stores a node's entry in the engine's table, unless the search is stopped:
// a stopped search's scores are no scores.
inline void storeNode(SearchThread& t, const Position& pos, int depth, int ply, int bound, int score, Move move)
{
    if (!searchStopped(t))
        storeHash(t.engine->tt, pos, depth, ply, bound, score, move);
}

// The check at the top of every node, before it is counted: true when the
// node must return at once. A thread whose count reached its share of a node
// limit (0: none) raises both flags, so that every thread stops.
inline bool nodeMustStop(SearchThread& t)
{
    SearchFlags& f = t.engine->flags;
    if (f.stopSearch.load(std::memory_order_relaxed) || (t.nodeLimit && t.nodes >= t.nodeLimit)) {
        raiseStopFlags(f);
        return true;
    }
    return f.abortIteration.load(std::memory_order_relaxed) != 0;
}
