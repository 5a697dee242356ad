// WDL probes from several threads at once, each table loaded on first use
// by whichever thread gets there first (run under ThreadSanitizer).
#include <thread>

#include "search/benchsearch.h"
#include "search/engine.h"
#include "search/think.h"
#include "support/tablebase.h"
#include "tablebase/tbprobe.h"

TEST(TablebaseThreads, ConcurrentFirstProbesAgree)
{
    PositionStack stack{};
    struct Expected {
        Position pos;
        int wdl;
    };
    std::vector<Expected> cases;
    for (const TbExpected& e : tbTestPositions({"KQvK", "KRvKR", "KPvKP", "KBNvK", "KRPvK", "KQvKR", "KNvKP"}))
        cases.push_back({setUp(stack, e.fen), e.wdl});
    static Tablebases tb{};
    initTables(tb, tablesDir(), tablesDir());

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
    for (int i = 0; i < THREADS; i++) {
        threads[size_t(i)].join();
        EXPECT_EQ(wrong[i], 0) << "thread " << i;
    }
    freeTablebases(tb);
}

// Two search threads probing in the tree of the played search, the tables
// loaded by whichever thread needs them first.
TEST(TablebaseThreads, SearchThreadsProbeInTheTree)
{
    Engine& engine = *createEngine();
    allocAllTables(engine, tableSizesOfEntries(2, uint64_t(1) << 16, uint64_t(1) << 14));
    initTables(engine.tablebases, tablesDir(), tablesDir());
    SearchSettings settings;
    settings.threads = 2;
    settings.maxDepth = 8;
    settings.tbLimit = 4;
    const SearchResult r = searchFromEmptyTables(engine, "8/2r5/8/3k4/8/3K4/3PB3/8 w - - 0 1", settings);
    EXPECT_NE(r.best, 0u);
    EXPECT_GT(r.tbHits, 0u);
    destroyEngine(&engine);
}
