// WDL probes from several threads at once, each table loaded on first use
// by whichever thread gets there first (run under ThreadSanitizer).
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "engine_init.h"
#include "position/fen.h"
#include "search/benchsearch.h"
#include "search/engine.h"
#include "search/think.h"
#include "tablebase/tbprobe.h"
#include "tablebase/tbregistry.h"

TEST(TablebaseThreads, ConcurrentFirstProbesAgree)
{
    PositionStack stack{};
    struct Expected {
        Position pos;
        int wdl;
    };
    std::vector<Expected> cases;
    for (const char* table : {"KQvK", "KRvKR", "KPvKP", "KBNvK", "KRPvK", "KQvKR", "KNvKP"}) {
        std::ifstream in(testDataPath(std::string("syzygy-tests/") + table + ".csv"));
        std::string line;
        while (std::getline(in, line)) {
            if (line.empty() || line[0] == '#')
                continue;
            ASSERT_EQ(setPositionFromFen(stack, line.substr(0, line.find(',')).c_str(), nullptr), 1);
            cases.push_back({*stack.current, std::stoi(line.substr(line.rfind(',') + 1))});
        }
    }
    const std::string folder = testDataPath("syzygy");
    static Tablebases tb{};
    initTablebases(tb, folder.c_str(), folder.c_str());

    constexpr int THREADS = 4;
    int wrong[THREADS] = {};
    std::vector<std::thread> threads;
    for (int i = 0; i < THREADS; i++)
        threads.emplace_back([&, i] {
            // Each thread starts at a different place so that loads overlap.
            for (size_t k = 0; k < cases.size(); k++) {
                const Expected& e = cases[(k + i * cases.size() / THREADS) % cases.size()];
                int ok;
                const int v = probeWdl(tb, e.pos, &ok);
                wrong[i] += ok == 0 || v != e.wdl;
            }
        });
    for (std::thread& t : threads)
        t.join();
    for (int i = 0; i < THREADS; i++)
        EXPECT_EQ(wrong[i], 0) << "thread " << i;
    freeTablebases(tb);
}

// Two search threads probing in the tree of the played search, the tables
// loaded by whichever thread needs them first.
TEST(TablebaseThreads, SearchThreadsProbeInTheTree)
{
    Engine& engine = *createEngine();
    testing::internal::CaptureStdout();
    allocAllTables(engine, tableSizesOfEntries(2, uint64_t(1) << 16, uint64_t(1) << 14));
    const std::string folder = testDataPath("syzygy");
    testing::internal::GetCapturedStdout();
    initTablebases(engine.tablebases, folder.c_str(), folder.c_str());
    ASSERT_EQ(setPositionFromFen(engine.mainThread, "8/2r5/8/3k4/8/3K4/3PB3/8 w - - 0 1", nullptr), 1);
    clearSearchState(engine);
    engine.flags.stopSearch = 0;
    SearchSettings settings;
    settings.threads = 2;
    settings.maxDepth = 8;
    settings.tbLimit = 4;
    const SearchResult r = think(engine, settings);
    EXPECT_NE(r.best, 0u);
    EXPECT_GT(r.tbHits, 0u);
    destroyEngine(&engine);
}
