// The limits a caller puts on one search (nodes over all threads, a mate to
// find, the root moves allowed) and the move a stopped search still plays.
#include <gtest/gtest.h>

#include <vector>

#include "position/fen.h"
#include "position/makemove.h"
#include "search/benchsearch.h"
#include "search/engine.h"
#include "search/think.h"

namespace {

Engine& engine = *createEngine();
SearchThread& front = engine.mainThread;

class SearchLimits : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        testing::internal::CaptureStdout();
        allocAllTables(engine, tableSizesOfEntries(2, uint64_t(1) << 16, uint64_t(1) << 16));
        testing::internal::GetCapturedStdout();
    }
    static void TearDownTestSuite() { freeAllTables(engine); }

    static SearchResult search(const char* fen, const SearchSettings& settings)
    {
        return searchFromEmptyTables(engine, fen, settings);
    }

    static bool isLegalRootMove(const char* fen, Move m)
    {
        return setPositionFromFen(front, fen, nullptr) && isLegalMove(*front.current, m);
    }
};

const char* const KIWIPETE = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";

} // namespace

TEST_F(SearchLimits, NodeLimitCountsAllThreadsAndStillGivesAMove)
{
    for (int threads : {1, 2}) {
        for (uint64_t limit : {2, 50, 999, 20000, 150000}) {
            SearchSettings settings;
            settings.threads = threads;
            settings.nodeLimit = limit;
            SearchResult r = search(KIWIPETE, settings);
            EXPECT_LE(r.nodes, limit) << threads << " threads";
            EXPECT_GT(r.nodes, 0u);
            EXPECT_TRUE(isLegalRootMove(KIWIPETE, r.best)) << threads << " threads, limit " << limit;
        }
    }
}

TEST_F(SearchLimits, StoppedBeforeTheFirstIterationStillGivesALegalMove)
{
    // Stopped before it starts, and stopped inside depth 1 after a few moves.
    for (uint64_t limit : {0, 3}) {
        EXPECT_EQ(setPositionFromFen(front, KIWIPETE, nullptr), 1);
        clearAllTables(engine);
        engine.flags.stopSearch = limit == 0 ? 1 : 0;
        engine.flags.abortIteration = 0;
        SearchSettings settings;
        settings.threads = 1;
        settings.nodeLimit = limit;
        SearchResult r = think(engine, settings);
        EXPECT_TRUE(isLegalRootMove(KIWIPETE, r.best)) << limit;
    }
    engine.flags.stopSearch = 0;
}

TEST_F(SearchLimits, MateLimitEndsTheSearchOnceTheMateIsProved)
{
    // Mate in two (rook ladder): proved at depth 3.
    SearchSettings settings;
    settings.threads = 1;
    settings.mateLimit = 2;
    SearchResult r = search("6k1/8/8/8/8/8/R7/1R4K1 w - - 0 1", settings);
    EXPECT_EQ(r.score, 19997);
    EXPECT_LE(r.depth, 5);
    // Asked for a mate in one, the same position searches on past the mate in two.
    settings.mateLimit = 1;
    settings.maxDepth = 6;
    r = search("6k1/8/8/8/8/8/R7/1R4K1 w - - 0 1", settings);
    EXPECT_EQ(r.depth, 6);
}

TEST_F(SearchLimits, SearchMovesRestrictTheRoot)
{
    const char* start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
    setPositionFromFen(front, start, nullptr);
    const Move a3 = textToMove(*front.current, "a2a3");
    const Move h4 = textToMove(*front.current, "h2h4");
    const Move illegal = textToMove(*front.current, "e2e5");
    struct Case {
        std::vector<Move> allowed;
        std::vector<Move> expected;  // empty: any legal move
    };
    const Case cases[] = {{{a3, h4}, {a3, h4}}, {{illegal, h4}, {h4}}, {{illegal}, {}}};
    for (const Case& c : cases) {
        SearchSettings settings;
        settings.threads = 1;
        settings.maxDepth = 4;
        settings.searchMoves = c.allowed.data();
        settings.searchMoveCount = int(c.allowed.size());
        SearchResult r = search(start, settings);
        EXPECT_TRUE(isLegalRootMove(start, r.best));
        if (!c.expected.empty()) {
            bool found = false;
            for (Move m : c.expected)
                found |= m == r.best;
            EXPECT_TRUE(found);
        }
    }
}
