// Search speed: nodes per second of the played search on one thread to a
// fixed depth over the six perft positions, each started from empty tables,
// and the node signature (the same search to depth 9, as the unit test counts
// it).
#include <cinttypes>
#include <cstdio>

#include "bench.h"
#include "frontend/report.h"
#include "platform/platform.h"
#include "position/perft.h"
#include "search/benchsearch.h"
#include "search/engine.h"

namespace {

constexpr int SEARCH_BENCH_DEPTH = 13;

}  // namespace

void benchSearch()
{
    Engine* engine = createEngine(messageReporter());
    allocAllTables(*engine, tableSizesOfEntries(1, uint64_t(1) << 22, uint64_t(1) << 20));  // 64 and 16 MiB
    // Fresh blocks are zeroed by the system at first touch; do that here so
    // the first position's time is search, not page faults.
    clearAllTables(*engine);

    std::printf("Search: one thread, depth %d, empty tables for each position\n", SEARCH_BENCH_DEPTH);
    uint64_t totalNodes = 0, totalMs = 0;
    for (const PerftCase& c : PERFT_SUITE) {
        uint64_t start = nowMs();
        SearchResult r = searchFromEmptyTables(*engine, c.fen, SEARCH_BENCH_DEPTH);
        uint64_t ms = nowMs() - start;
        totalNodes += r.nodes;
        totalMs += ms;
        std::printf("  %12" PRIu64 " nodes %7.2f s  score %6d  %s\n", r.nodes, double(ms) / 1000.0, r.score, c.fen);
    }
    std::printf("Search nodes:       %" PRIu64 "\n", totalNodes);
    std::printf("Search nodes/s:     %" PRIu64 "\n", totalMs ? totalNodes * 1000 / totalMs : 0);
    std::printf("Search time:        %.2f s\n", double(totalMs) / 1000.0);

    // The unit test's tables: 65536 entries each (node counts depend on them).
    freeAllTables(*engine);
    allocAllTables(*engine, tableSizesOfEntries(1, SIGNATURE_TABLE_ENTRIES, SIGNATURE_TABLE_ENTRIES));
    uint64_t signature = 0;
    for (const PerftCase& c : PERFT_SUITE)
        signature += searchFromEmptyTables(*engine, c.fen, SIGNATURE_DEPTH).nodes;
    std::printf("Node signature:     %" PRIu64 " (depth %d)\n", signature, SIGNATURE_DEPTH);
    destroyEngine(engine);
}
