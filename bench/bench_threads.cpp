// Two-thread speed-up: the time the search driver takes to complete a fixed
// depth on the six bench positions with one thread and with two.
#include <cinttypes>
#include <cstdio>

#include "bench.h"
#include "frontend/report.h"
#include "platform/platform.h"
#include "position/fen.h"
#include "position/perft.h"
#include "search/engine.h"
#include "search/think.h"

namespace {

constexpr int THREADS_BENCH_DEPTH = 16;

struct DepthRun {
    uint64_t ms;
    uint64_t nodes;
};

// One search of the fixed depth on fresh tables: the driver without
// iteration lines and without a time limit.
DepthRun timeToDepth(Engine& engine, const char* fen, int threads)
{
    SearchSettings settings;
    settings.threads = threads;
    settings.maxDepth = THREADS_BENCH_DEPTH;
    SearchThread& front = engine.mainThread;
    front.current = newGame(front);
    clearSearchState(engine);
    clearAllTables(engine);
    setPositionFromFen(front, fen, nullptr);
    engine.timeControl.startMs = nowMs();
    engine.flags.stopSearch.store(0);
    const SearchResult r = think(engine, settings);
    return DepthRun{nowMs() - engine.timeControl.startMs, r.nodes};
}

void printRun(int threads, const DepthRun& run, const char* fen)
{
    std::printf("  %d thread%s %7.2f s %10" PRIu64 " nodes  %s\n", threads, threads > 1 ? "s" : " ",
                double(run.ms) / 1000.0, run.nodes, fen);
}

}  // namespace

// Each position is searched with one thread and then at once with two, so
// that a change in the machine's speed during the bench (these are shared
// machines) falls on both figures alike instead of on one of them.
void benchThreads()
{
    Engine* engine = createEngine(messageReporter());
    engine->timeControl.moveTime = NO_MOVE_TIME;
    std::printf("Threads: time to depth %d on the six bench positions\n", THREADS_BENCH_DEPTH);
    TableSizes sizes{};
    sizes.threads = 2;  // the one-thread search uses the first thread's tables
    sizes.ttEntries = uint64_t(1) << 22;  // 64 MiB
    sizes.ttSizeMb = 64;
    sizes.hashEvalEntries = uint64_t(1) << 20;  // 16 MiB
    sizes.hashEvalSizeMb = 16;
    sizes.hashQEntries = uint64_t(1) << 20;
    sizes.hashQSizeMb = 16;
    allocAllTables(*engine, sizes);
    clearAllTables(*engine);  // first touch of the fresh blocks, outside the timing
    DepthRun one{0, 0}, two{0, 0};
    for (const PerftCase& c : PERFT_SUITE) {
        const DepthRun a = timeToDepth(*engine, c.fen, 1);
        printRun(1, a, c.fen);
        const DepthRun b = timeToDepth(*engine, c.fen, 2);
        printRun(2, b, c.fen);
        one.ms += a.ms;
        one.nodes += a.nodes;
        two.ms += b.ms;
        two.nodes += b.nodes;
    }
    destroyEngine(engine);
    std::printf("Depth %d, 1 thread:  %.2f s, %" PRIu64 " nodes\n", THREADS_BENCH_DEPTH, double(one.ms) / 1000.0,
                one.nodes);
    std::printf("Depth %d, 2 threads: %.2f s, %" PRIu64 " nodes\n", THREADS_BENCH_DEPTH, double(two.ms) / 1000.0,
                two.nodes);
    std::printf("Speed-up 2 vs 1:     %.2f\n", two.ms ? double(one.ms) / double(two.ms) : 0.0);
}
