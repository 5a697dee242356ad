// The fixture of the search tests: every table allocated once for the suite
// (THREADS search records), and searches from a fresh position with empty
// tables and a fresh search state, so that each is reproducible.
#pragma once

#include "position/makemove.h"
#include "search/benchsearch.h"
#include "search/searchstate.h"
#include "search/searchthread.h"
#include "search/tables.h"
#include "search/think.h"
#include "support/unit.h"

template <int THREADS>
class SearchFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        printed([] { allocAllTables(tableSizesOfEntries(THREADS, uint64_t(1) << 16, uint64_t(1) << 16)); });
    }
    static void TearDownTestSuite() { freeAllTables(); }

    // fen (and moves) on the front end's stack, the tables and flags cleared.
    static Position* setUp(const char* fen, const char* moves = nullptr)
    {
        EXPECT_EQ(setPositionFromFen(mainThread, fen, moves), 1) << fen;
        clearAllTables();
        clearSearchState();
        hashAge = 1;
        stopSearch = 0;
        abortIteration = 0;
        mainThread.nodes = 0;
        return mainThread.current;
    }

    // The played search of fen under settings, without output.
    static SearchResult search(const char* fen, const SearchSettings& settings)
    {
        return searchFromEmptyTables(mainThread, fen, settings);
    }

    // The played search on one thread to a fixed depth from the position set up.
    static SearchResult searchToDepth(int depth)
    {
        SearchSettings settings;
        settings.threads = 1;
        settings.maxDepth = depth;
        settings.output = OutputMode::Silent;
        return think(mainThread, settings);
    }

    static bool isLegalRootMove(const char* fen, Move m)
    {
        return setPositionFromFen(mainThread, fen, nullptr) && isLegalMove(*mainThread.current, m);
    }
};
