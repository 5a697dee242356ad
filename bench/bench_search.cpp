// Search speed: nodes per second of the default and the classic search on
// one thread to a fixed depth over the six perft positions, each started from
// empty tables, and both node signatures (the same searches to depth 9, as the
// unit tests count them).
#include <cinttypes>
#include <cstdio>
#include <initializer_list>

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

    for (const bool classic : {false, true}) {
        const char* mode = classic ? "classic" : "default";
        std::printf("Search (%s): one thread, depth %d, empty tables for each position\n", mode,
                    SEARCH_BENCH_DEPTH);
        uint64_t totalNodes = 0, totalMs = 0;
        for (const PerftCase& c : PERFT_SUITE) {
            uint64_t start = nowMs();
            SearchResult r = searchFromEmptyTables(*engine, c.fen, SEARCH_BENCH_DEPTH, classic);
            uint64_t ms = nowMs() - start;
            totalNodes += r.nodes;
            totalMs += ms;
            std::printf("  %12" PRIu64 " nodes %7.2f s  score %6d  %s\n", r.nodes, double(ms) / 1000.0, r.score,
                        c.fen);
        }
        std::printf("Search nodes (%s):   %" PRIu64 "\n", mode, totalNodes);
        std::printf("Search nodes/s (%s): %" PRIu64 "\n", mode, totalMs ? totalNodes * 1000 / totalMs : 0);
        std::printf("Search time (%s):    %.2f s\n", mode, double(totalMs) / 1000.0);
    }

    // The unit test's tables: 65536 entries each (node counts depend on them).
    freeAllTables(*engine);
    allocAllTables(*engine, tableSizesOfEntries(1, SIGNATURE_TABLE_ENTRIES, SIGNATURE_TABLE_ENTRIES));
    for (const bool classic : {false, true}) {
        uint64_t signature = 0;
        for (const PerftCase& c : PERFT_SUITE)
            signature += searchFromEmptyTables(*engine, c.fen, SIGNATURE_DEPTH, classic).nodes;
        std::printf("Node signature (%s): %" PRIu64 " (depth %d)\n", classic ? "classic" : "default", signature,
                    SIGNATURE_DEPTH);
    }
    destroyEngine(engine);
}
