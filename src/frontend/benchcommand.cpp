// The command-line bench: the played search (think) over the perft suite's
// six positions from empty tables, so that its node count is the deterministic
// signature that a change to the search must keep or explain.
#include "frontend/benchcommand.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>

#include "eval/params.h"
#include "platform/platform.h"
#include "position/fen.h"
#include "position/perft.h"
#include "search/searchstate.h"
#include "search/tables.h"
#include "search/think.h"

namespace {

constexpr int DEFAULT_BENCH_DEPTH = 9;

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
    mainThread.current = newGame(mainThread);
    TableSizes sizes{};
    sizes.threads = 1;
    sizes.ttEntries = sizes.hashEvalEntries = sizes.hashQEntries = uint64_t(1) << 16;
    sizes.ttSizeMb = sizes.hashEvalSizeMb = sizes.hashQSizeMb = 1;
    allocAllTables(sizes);

    std::printf("Bench: one thread, depth %d, 65536-entry tables emptied for each position\n", depth);
    uint64_t totalNodes = 0;
    uint64_t start = nowMs();
    for (const PerftCase& c : PERFT_SUITE) {
        setPositionFromFen(mainThread, c.fen, nullptr);
        clearAllTables();
        clearSearchState();
        hashAge = 1;
        stopSearch.store(0);
        abortIteration.store(0);
        SearchSettings settings;
        settings.threads = 1;
        settings.maxDepth = depth;
        settings.output = OutputMode::Silent;
        SearchResult r = think(mainThread, settings);
        totalNodes += r.nodes;
        std::printf("%12" PRIu64 " nodes  %s\n", r.nodes, c.fen);
    }
    uint64_t ms = nowMs() - start;
    freeAllTables();
    std::printf("Nodes searched: %" PRIu64 "\n", totalNodes);
    std::printf("Nodes/second: %" PRIu64 "\n", ms ? totalNodes * 1000 / ms : totalNodes * 1000);
    return 0;
}
