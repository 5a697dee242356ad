// Tablebase speed: WDL and DTZ probes per second over the test positions of
// the 3-4 piece tables, WDL probes per second inside the played search, and
// the bytes of table files mapped afterwards.
#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "bench.h"
#include "frontend/report.h"
#include "platform/platform.h"
#include "position/fen.h"
#include "search/benchsearch.h"
#include "search/engine.h"
#include "search/think.h"
#include "tablebase/tbprobe.h"
#include "tablebase/tbregistry.h"

namespace {

constexpr const char* TABLES[] = {"KBBvK", "KBNvK", "KBPvK", "KBvKB", "KBvKN", "KBvKP", "KNNvK", "KNPvK", "KNvKN",
                                  "KNvKP", "KPPvK", "KPvK",  "KPvKP", "KQBvK", "KQNvK", "KQPvK", "KQQvK", "KQRvK",
                                  "KQvK",  "KQvKB", "KQvKN", "KQvKP", "KQvKQ", "KQvKR", "KRBvK", "KRNvK", "KRPvK",
                                  "KRRvK", "KRvK",  "KRvKB", "KRvKN", "KRvKP", "KRvKR"};

PositionStack probeStack;


std::vector<Position> testPositions()
{
    std::vector<Position> out;
    for (const char* table : TABLES) {
        std::ifstream in(std::string(ARDENTIS_TEST_DATA_DIR) + "/syzygy-tests/" + table + ".csv");
        std::string line;
        while (std::getline(in, line)) {
            if (line.empty() || line[0] == '#')
                continue;
            if (setPositionFromFen(probeStack, line.substr(0, line.find(',')).c_str(), nullptr))
                out.push_back(*probeStack.current);
        }
    }
    return out;
}

template <typename Probe>
void rate(const char* what, const std::vector<Position>& positions, Probe probe)
{
    uint64_t probes = 0, failed = 0;
    const uint64_t start = nowMs();
    uint64_t ms = 0;
    do {
        for (const Position& p : positions) {
            int ok;
            probe(p, &ok);
            failed += ok == 0;
        }
        probes += positions.size();
        ms = nowMs() - start;
    } while (ms < 1000);
    std::printf("%-20s%" PRIu64 " (%" PRIu64 " probes, %" PRIu64 " failed)\n", what, probes * 1000 / ms, probes, failed);
}

// Endgames of five and six men whose captures lead into the 3-4 piece tables.
constexpr const char* SEARCH_POSITIONS[] = {
    "8/8/3k4/2p5/2P5/3K4/1R6/5r2 w - - 0 1",
    "8/2r5/8/3k4/8/3K4/3PB3/8 w - - 0 1",
    "6k1/5pp1/8/8/8/8/5PP1/6K1 w - - 0 1",
    "8/5k2/8/3q4/8/2Q5/5K2/7R w - - 0 1",
    "8/8/1p6/1P1k4/8/2NK4/8/6b1 b - - 0 1",
};
constexpr int SEARCH_DEPTH = 16;

// WDL probes inside the played search: one thread, fixed depth, probing up
// to the largest table (the roots have more men, so every hit is in the tree).
void searchProbes(const std::string& folder)
{
    Engine* engine = createEngine(messageReporter());
    SearchThread& front = engine->mainThread;
    engine->tablebases.messages = LineSink{};  // the folder's tables were announced already
    initTablebases(engine->tablebases, folder.c_str(), folder.c_str());
    const int largest = tablebaseLargest(engine->tablebases);
    allocAllTables(*engine, tableSizesOfEntries(1, uint64_t(1) << 20, uint64_t(1) << 18));
    uint64_t hits = 0, nodes = 0, ms = 0;
    std::printf("Tablebase probes in the search: one thread, depth %d, probing up to %d men\n", SEARCH_DEPTH,
                largest);
    for (const char* fen : SEARCH_POSITIONS) {
        if (!setPositionFromFen(front, fen, nullptr)) {
            std::printf("  bad position %s\n", fen);
            continue;
        }
        clearAllTables(*engine);
        clearSearchState(*engine);
        engine->flags.stopSearch = 0;
        SearchSettings settings;
        settings.threads = 1;
        settings.maxDepth = SEARCH_DEPTH;
        settings.tbLimit = largest;
        const uint64_t start = nowMs();
        const SearchResult r = think(*engine, settings);
        const uint64_t t = nowMs() - start;
        std::printf("  %10" PRIu64 " nodes %9" PRIu64 " hits %6.2f s  score %6d  %s\n", r.nodes, r.tbHits,
                    double(t) / 1000.0, r.score, fen);
        hits += r.tbHits;
        nodes += r.nodes;
        ms += t;
    }
    std::printf("Search WDL hits/s:  %" PRIu64 " (%" PRIu64 " hits in %" PRIu64 " nodes)\n", ms ? hits * 1000 / ms : 0,
                hits, nodes);
    destroyEngine(engine);
}

}  // namespace

void benchTablebase()
{
    const std::string folder = std::string(ARDENTIS_TEST_DATA_DIR) + "/syzygy";
    static Tablebases tb{};
    tb.messages = stdoutSink();
    initTablebases(tb, folder.c_str(), folder.c_str());
    const std::vector<Position> positions = testPositions();
    std::printf("Tablebase: %zu test positions of the 3-4 piece tables\n", positions.size());
    rate("WDL probes/s:", positions, [](const Position& p, int* ok) { return probeWdl(tb, p, ok); });
    rate("DTZ probes/s:", positions, [](const Position& p, int* ok) { return probeDtz(tb, p, ok); });
    searchProbes(folder);
    std::printf("Tables mapped:      %" PRIu64 " bytes\n", tablebaseMappedBytes(tb));
    freeTablebases(tb);
}
