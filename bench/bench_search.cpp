// Search speed: nodes per second of a fixed-depth search on one thread over
// the six perft positions, each started from empty tables.
#include <cinttypes>
#include <cstdio>

#include "bench.h"
#include "eval/evalcache.h"
#include "platform/platform.h"
#include "position/fen.h"
#include "search/ordering.h"
#include "search/quiescence.h"
#include "search/search.h"
#include "search/searchstate.h"
#include "search/tt.h"

namespace {

constexpr int SEARCH_BENCH_DEPTH = 13;

const char* const SEARCH_BENCH_FENS[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "rnbqkb1r/pp1p1ppp/2p5/4P3/2B5/8/PPP1NnPP/RNBQK2R w KQkq - 0 6",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
};

SearchThread benchThread;

}  // namespace

void benchSearch()
{
    SearchThread& t = benchThread;
    allocHashTable(uint64_t(1) << 22, 64);
    allocHashEval(t, uint64_t(1) << 20, 16, false, 0);
    allocHashQ(t, uint64_t(1) << 20, 16, false, 0);
    std::printf("Search: one thread, depth %d, empty tables for each position\n", SEARCH_BENCH_DEPTH);
    uint64_t totalNodes = 0, totalMs = 0;
    for (const char* fen : SEARCH_BENCH_FENS) {
        setPositionFromFen(t, fen, nullptr);
        clearHashTable(ttEntries);
        clearHashEval(t);
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
    freeHashEval(t);
    freeHashTable();
}
