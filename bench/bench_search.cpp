// Search speed: nodes per second of the played search on one thread to a
// fixed depth over the six perft positions, each started from empty tables,
// and the node signature (the same search to depth 9, as the unit test counts
// it).
#include <cinttypes>
#include <cstdio>

#include "bench.h"
#include "platform/platform.h"
#include "position/fen.h"
#include "position/perft.h"
#include "search/searchstate.h"
#include "search/tables.h"
#include "search/think.h"

namespace {

constexpr int SEARCH_BENCH_DEPTH = 13;
constexpr int SIGNATURE_DEPTH = 9;

SearchThread& front = mainThread;

// The played search of one perft position from empty tables, without output.
SearchResult searchFromScratch(const char* fen, int depth)
{
    setPositionFromFen(front, fen, nullptr);
    clearAllTables();
    clearSearchState();
    hashAge = 1;
    stopSearch.store(0);
    abortIteration.store(0);
    SearchSettings settings;
    settings.threads = 1;
    settings.maxDepth = depth;
    settings.output = OutputMode::Silent;
    return think(front, settings);
}

}  // namespace

void benchSearch()
{
    TableSizes sizes{};
    sizes.threads = 1;
    sizes.ttEntries = uint64_t(1) << 22;  // 64 MiB
    sizes.ttSizeMb = 64;
    sizes.hashEvalEntries = uint64_t(1) << 20;  // 16 MiB
    sizes.hashEvalSizeMb = 16;
    sizes.hashQEntries = uint64_t(1) << 20;
    sizes.hashQSizeMb = 16;
    allocAllTables(sizes);
    // Fresh blocks are zeroed by the system at first touch; do that here so
    // the first position's time is search, not page faults.
    clearAllTables();

    std::printf("Search: one thread, depth %d, empty tables for each position\n", SEARCH_BENCH_DEPTH);
    uint64_t totalNodes = 0, totalMs = 0;
    for (const PerftCase& c : PERFT_SUITE) {
        uint64_t start = nowMs();
        SearchResult r = searchFromScratch(c.fen, SEARCH_BENCH_DEPTH);
        uint64_t ms = nowMs() - start;
        totalNodes += r.nodes;
        totalMs += ms;
        std::printf("  %12" PRIu64 " nodes %7.2f s  score %6d  %s\n", r.nodes, double(ms) / 1000.0, r.score, c.fen);
    }
    std::printf("Search nodes:       %" PRIu64 "\n", totalNodes);
    std::printf("Search nodes/s:     %" PRIu64 "\n", totalMs ? totalNodes * 1000 / totalMs : 0);
    std::printf("Search time:        %.2f s\n", double(totalMs) / 1000.0);

    // The unit test's tables: 65536 entries each (node counts depend on them).
    freeAllTables();
    sizes.ttEntries = sizes.hashEvalEntries = sizes.hashQEntries = uint64_t(1) << 16;
    sizes.ttSizeMb = sizes.hashEvalSizeMb = sizes.hashQSizeMb = 1;
    allocAllTables(sizes);
    uint64_t signature = 0;
    for (const PerftCase& c : PERFT_SUITE)
        signature += searchFromScratch(c.fen, SIGNATURE_DEPTH).nodes;
    std::printf("Node signature:     %" PRIu64 " (depth %d)\n", signature, SIGNATURE_DEPTH);
    freeAllTables();
}
