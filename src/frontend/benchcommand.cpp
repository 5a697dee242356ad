// The command-line bench: the played search (think) over the perft suite's
// six positions from empty tables, so that its node count is the deterministic
// signature that a change to the search must keep or explain.
#include "frontend/benchcommand.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>

#include "eval/params.h"
#include "frontend/report.h"
#include "platform/platform.h"
#include "position/perft.h"
#include "position/stack.h"
#include "search/benchsearch.h"
#include "search/engine.h"

namespace {

constexpr int DEFAULT_BENCH_DEPTH = SIGNATURE_DEPTH;

} // namespace

int runBenchCommand(const char* depthText)
{
    int depth = DEFAULT_BENCH_DEPTH;
    if (depthText) {
        char* end = nullptr;
        long value = std::strtol(depthText, &end, 10);
        if (end == depthText || *end != '\0' || value < 1 || value > 64) {
            std::printf("bench: the depth must be a number from 1 to 64, not '%s'\n", depthText);
            return 1;
        }
        depth = int(value);
    }
    applyParams();
    Engine* engine = createEngine(messageReporter());
    engine->mainThread.current = newGame(engine->mainThread);
    allocAllTables(*engine, tableSizesOfEntries(1, SIGNATURE_TABLE_ENTRIES, SIGNATURE_TABLE_ENTRIES));

    std::printf("Bench: one thread, depth %d, 65536-entry tables emptied for each position\n", depth);
    uint64_t totalNodes = 0;
    uint64_t start = nowMs();
    for (const PerftCase& c : PERFT_SUITE) {
        SearchResult r = searchFromEmptyTables(*engine, c.fen, depth);
        totalNodes += r.nodes;
        std::printf("%12" PRIu64 " nodes  %s\n", r.nodes, c.fen);
    }
    uint64_t ms = nowMs() - start;
    destroyEngine(engine);
    std::printf("Nodes searched: %" PRIu64 "\n", totalNodes);
    std::printf("Nodes/second: %" PRIu64 "\n", ms ? totalNodes * 1000 / ms : totalNodes * 1000);
    return 0;
}
