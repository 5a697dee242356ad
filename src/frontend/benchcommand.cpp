// The command-line bench: the default and the classic search (think) over the
// perft suite's six positions from empty tables, so that their node counts are
// the deterministic signatures that a change to a search must keep or explain.
#include "frontend/benchcommand.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

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

namespace {

// One search mode over the suite, with its evaluation: the per-position
// counts and the two summary lines. Returns the total node count and the nodes per second.
std::pair<uint64_t, uint64_t> benchMode(Engine& engine, int depth, bool classic)
{
    std::printf("%s search:\n", classic ? "Classic" : "Default");
    selectEvaluation(engine, classic);
    uint64_t totalNodes = 0;
    uint64_t start = nowMs();
    for (const PerftCase& c : PERFT_SUITE) {
        SearchResult r = searchFromEmptyTables(engine, c.fen, depth, classic);
        totalNodes += r.nodes;
        std::printf("%12" PRIu64 " nodes  %s\n", r.nodes, c.fen);
    }
    uint64_t ms = nowMs() - start;
    const uint64_t nps = ms ? totalNodes * 1000 / ms : totalNodes * 1000;
    std::printf("Nodes searched: %" PRIu64 "\n", totalNodes);
    std::printf("Nodes/second: %" PRIu64 "\n", nps);
    return {totalNodes, nps};
}

} // namespace

int runBenchCommand(const char* depthText, const char* modeText)
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
    const bool runDefault = !modeText || std::strcmp(modeText, "default") == 0;
    const bool runClassic = !modeText || std::strcmp(modeText, "classic") == 0;
    if (!runDefault && !runClassic) {
        std::printf("bench: the mode must be 'default' or 'classic', not '%s'\n", modeText);
        return 1;
    }
    applyParams();
    Engine* engine = createEngine(messageReporter());
    engine->mainThread.current = newGame(engine->mainThread);
    allocAllTables(*engine, tableSizesOfEntries(1, SIGNATURE_TABLE_ENTRIES, SIGNATURE_TABLE_ENTRIES));

    std::printf("Bench: one thread, depth %d, 65536-entry tables emptied for each position\n", depth);
    std::pair<uint64_t, uint64_t> played{};
    if (runClassic && !runDefault)
        played = benchMode(*engine, depth, true);
    if (runDefault)
        played = benchMode(*engine, depth, false);
    if (runClassic && runDefault)
        benchMode(*engine, depth, true);
    destroyEngine(engine);
    // The last line, in the form that distributed-testing frameworks read:
    // the default search's figures (the classic's when it ran alone).
    std::printf("%" PRIu64 " nodes %" PRIu64 " nps\n", played.first, played.second);
    return 0;
}
