// The fixture of the search tests: the test program's engine with every
// table allocated once for the suite (THREADS search records), and searches
// from a fresh position with empty tables and a fresh search state, so that
// each is reproducible.
#pragma once

#include "position/makemove.h"
#include "search/benchsearch.h"
#include "search/engine.h"
#include "search/think.h"
#include "support/unit.h"

// The engine of a test program's search tests (made on first use, reporting
// nowhere).
inline Engine& testEngine()
{
    static Engine* engine = createEngine();
    return *engine;
}

template <int THREADS>
class SearchFixture : public ::testing::Test {
protected:
    static inline Engine& engine = testEngine();

    static void SetUpTestSuite()
    {
        allocAllTables(engine, tableSizesOfEntries(THREADS, uint64_t(1) << 16, uint64_t(1) << 16));
    }
    static void TearDownTestSuite() { freeAllTables(engine); }

    // fen (and moves) on the front end's stack, the tables and flags cleared;
    // node searches called directly run the classic search unless told not to.
    static Position* setUp(const char* fen, const char* moves = nullptr, bool classic = true)
    {
        engine.mainThread.classic = classic;
        EXPECT_EQ(setPositionFromFen(engine.mainThread, fen, moves), 1) << fen;
        clearAllTables(engine);
        clearSearchState(engine);
        engine.tt.age = 1;
        engine.flags.stopSearch = 0;
        engine.flags.abortIteration = 0;
        engine.mainThread.nodes = 0;
        return engine.mainThread.current;
    }

    // The played search of fen under settings, without output.
    static SearchResult search(const char* fen, const SearchSettings& settings)
    {
        return searchFromEmptyTables(engine, fen, settings);
    }

    // The played search (classic or default) on one thread to a fixed depth
    // from the position set up.
    static SearchResult searchToDepth(int depth, bool classic = true)
    {
        SearchSettings settings;
        settings.threads = 1;
        settings.maxDepth = depth;
        settings.classic = classic;
        return think(engine, settings);
    }

    static bool isLegalRootMove(const char* fen, Move m)
    {
        return setPositionFromFen(engine.mainThread, fen, nullptr) && isLegalMove(*engine.mainThread.current, m);
    }
};
