// The search workers that live for one search: one search after another with
// different thread counts, further best lines and limits that end a search
// early; and two engines searching at once. In the ThreadSanitizer build any
// race between the driver and the workers, or between the engines, fails
// these.
#include <thread>

#include "support/search.h"

namespace {

const char* const MATE_IN_ONE = "6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1";

using SearchWorkers = SearchFixture<3>;

} // namespace

// Searches with 2, 3, 1 and again 2 threads, to a fixed depth, some with
// further best lines or a node limit, with the default and the classic
// search: each reaches its depth (or its limit) with a legal move, and the
// workers of one search are gone before the next.
TEST_F(SearchWorkers, OneSearchAfterAnother)
{
    // Threads, depth, further best lines, node limit.
    const int cases[][4] = {{2, 6, 1, 0}, {3, 6, 1, 0}, {1, 6, 1, 0}, {2, 5, 3, 0}, {3, 5, 2, 0}, {2, 64, 1, 5000},
                            {3, 64, 2, 4000}};
    for (const bool classic : {false, true})
    for (const auto& [threads, depth, multiPv, nodeLimit] : cases) {
        SCOPED_TRACE(classic ? "classic" : "default");
        SearchSettings settings;
        settings.classic = classic;
        settings.threads = threads;
        settings.maxDepth = depth;
        settings.multiPv = multiPv;
        settings.nodeLimit = uint64_t(nodeLimit);
        SearchResult r = search(KIWIPETE, settings);
        EXPECT_TRUE(isLegalRootMove(KIWIPETE, r.best)) << threads << " threads";
        EXPECT_GT(r.nodes, 0u);
        EXPECT_TRUE(nodeLimit ? r.nodes <= uint64_t(nodeLimit) : r.depth == depth) << threads << " threads";
    }
}

// No worker outlives its search: a one-thread search gives the same count
// before and after a threaded one (a worker still searching would change the
// shared hash table under it).
TEST_F(SearchWorkers, OneThreadSearchUnchangedAfterThreadedSearches)
{
    SearchSettings one;
    one.threads = 1;
    one.maxDepth = 7;
    const uint64_t before = search(KIWIPETE, one).nodes;
    SearchSettings two;
    two.threads = 2;
    two.maxDepth = 7;
    search(KIWIPETE, two);
    EXPECT_EQ(search(KIWIPETE, one).nodes, before);
}

// A search that ends before its last iteration (a mate found within the
// asked number of moves) still ends its workers.
TEST_F(SearchWorkers, MateLimitEndsTheWorkers)
{
    SearchSettings settings;
    settings.threads = 3;
    settings.mateLimit = 1;
    SearchResult r = search(MATE_IN_ONE, settings);
    EXPECT_EQ(r.best, search(MATE_IN_ONE, settings).best);
    EXPECT_GE(r.score, MATE - 1);
}

// Two engines in one process search independently: each on its own thread,
// at the same time, a different position, and each count is the count of
// that search alone. A table, flag or counter the two shared would change
// the counts (and, in the ThreadSanitizer build, race).
TEST(TwoEngines, SearchAtOnceAsEachAlone)
{
    const char* const fens[2] = {KIWIPETE, "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10"};
    Engine* engines[2];
    for (Engine*& e : engines) {
        e = createEngine();
        allocAllTables(*e, tableSizesOfEntries(1, uint64_t(1) << 16, uint64_t(1) << 16));
    }
    uint64_t alone[2], together[2];
    for (int i = 0; i < 2; i++)
        alone[i] = searchFromEmptyTables(*engines[i], fens[i], 8).nodes;
    std::thread other([&] { together[1] = searchFromEmptyTables(*engines[1], fens[1], 8).nodes; });
    together[0] = searchFromEmptyTables(*engines[0], fens[0], 8).nodes;
    other.join();
    for (int i = 0; i < 2; i++) {
        EXPECT_GT(alone[i], 1000u);
        EXPECT_EQ(together[i], alone[i]) << fens[i];
        destroyEngine(engines[i]);
    }
}
