// Search speed: nodes per second of a fixed-depth search on one thread over
// the six perft positions, each started from empty tables.
#include <cinttypes>
#include <cstdio>

#include "bench.h"
#include "position/perft.h"
#include "eval/evalcache.h"
#include "platform/platform.h"
#include "position/fen.h"
#include "search/hashq.h"
#include "search/ordering.h"
#include "search/quiescence.h"
#include "search/search.h"
#include "search/searchstate.h"
#include "search/tt.h"

namespace {

constexpr int SEARCH_BENCH_DEPTH = 13;

SearchThread benchThread;

}  // namespace

void benchSearch()
{
    SearchThread& t = benchThread;
    allocHashTable(uint64_t(1) << 22, 64);
    allocHashEval(t.evalCache, uint64_t(1) << 20, 16, false, 0);
    allocHashQ(t, uint64_t(1) << 20, 16, false, 0);
    std::printf("Search: one thread, depth %d, empty tables for each position\n", SEARCH_BENCH_DEPTH);
    uint64_t totalNodes = 0, totalMs = 0;
    for (const PerftCase& c : PERFT_SUITE) {
        const char* fen = c.fen;
        setPositionFromFen(t, fen, nullptr);
        clearHashTable(ttEntries);
        clearHashEval(t.evalCache);
        clearHashQ(t);
        clearKillers(t);
        clearCounterMoves(t);
        clearHistory(t);
        hashAge = 1;
        uint64_t start = nowMs();
        uint64_t result = searchFixedDepth(t, SEARCH_BENCH_DEPTH);
        uint64_t ms = nowMs() - start;
        totalNodes += t.nodes;
        totalMs += ms;
        std::printf("  %12" PRIu64 " nodes %7.2f s  score %6d  %s\n", t.nodes, double(ms) / 1000.0,
                    resultScore(result), fen);
    }
    std::printf("Search nodes:       %" PRIu64 "\n", totalNodes);
    std::printf("Search nodes/s:     %" PRIu64 "\n", totalMs ? totalNodes * 1000 / totalMs : 0);
    std::printf("Search time:        %.2f s\n", double(totalMs) / 1000.0);
    freeHashQ(t);
    freeHashEval(t.evalCache);
    freeHashTable();
}
