// Lazy shared-memory speed-up: the time the search driver takes to complete
// a fixed depth on the six bench positions with one thread and with two.
#include <cstdio>

#include "bench.h"
#include "position/perft.h"
#include "platform/platform.h"
#include "position/fen.h"
#include "search/searchstate.h"
#include "search/tables.h"
#include "search/think.h"
#include "search/timecontrol.h"
#include "search/tt.h"

namespace {

constexpr int THREADS_BENCH_DEPTH = 16;

// Milliseconds to complete the fixed depth on every position, fresh tables each.
uint64_t timeToDepth(int threads)
{
    // The driver in console form with its thinking lines off, no time limit.
    SearchSettings settings;
    settings.threads = threads;
    settings.maxDepth = THREADS_BENCH_DEPTH;
    settings.postThinking = false;
    TableSizes sizes{};
    sizes.threads = threads;
    sizes.ttEntries = uint64_t(1) << 22;  // 64 MiB
    sizes.ttSizeMb = 64;
    sizes.hashEvalEntries = uint64_t(1) << 20;  // 16 MiB
    sizes.hashEvalSizeMb = 16;
    sizes.hashQEntries = uint64_t(1) << 20;
    sizes.hashQSizeMb = 16;
    allocAllTables(sizes);
    clearAllTables();  // first touch of the fresh blocks, outside the timing
    uint64_t total = 0;
    for (const PerftCase& c : PERFT_SUITE) {
        const char* fen = c.fen;
        mainThread.current = newGame(mainThread);
        clearSearchState();
        clearAllTables();
        setPositionFromFen(mainThread, fen, nullptr);
        timeControl.startMs = nowMs();
        stopSearch.store(0);
        think(mainThread, settings);
        uint64_t ms = nowMs() - timeControl.startMs;
        std::printf("  %d thread%s %7.2f s  %s\n", threads, threads > 1 ? "s" : " ", double(ms) / 1000.0, fen);
        total += ms;
    }
    freeAllTables();
    return total;
}

}  // namespace

void benchThreads()
{
    timeControl.moveTime = NO_MOVE_TIME;
    std::printf("Threads: time to depth %d on the six bench positions\n", THREADS_BENCH_DEPTH);
    uint64_t one = timeToDepth(1);
    uint64_t two = timeToDepth(2);
    std::printf("Depth %d, 1 thread:  %.2f s\n", THREADS_BENCH_DEPTH, double(one) / 1000.0);
    std::printf("Depth %d, 2 threads: %.2f s\n", THREADS_BENCH_DEPTH, double(two) / 1000.0);
    std::printf("Speed-up 2 vs 1:     %.2f\n", two ? double(one) / double(two) : 0.0);
}
