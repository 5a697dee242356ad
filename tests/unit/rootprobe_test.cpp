// Root probing: which moves stay in the root list and the tablebase score,
// checked move by move against the WDL of each kept move's child.
#include "search/rootprobe.h"
#include "support/search.h"
#include "support/tablebase.h"
#include "tablebase/tbprobe.h"

namespace {

struct RootResult {
    int ok;
    int score;
    int legal;
    std::vector<std::pair<std::string, int>> kept;  // move text, value
    std::vector<int> childWdl;                      // mover's view
};

RootResult probeRoot(const std::string& fen)
{
    Position& pos = setUp(testEngine().mainThread, fen);
    MoveEntry list[MAX_MOVES];
    MoveEntry* end = generateLegal(pos, list);
    RootResult r{};
    r.legal = int(end - list);
    int16_t score = 0;
    r.ok = rootProbe(testEngine().tablebases, pos, list, score, end);
    r.score = score;
    for (MoveEntry* e = list; r.ok && e < end; e++) {
        char text[MOVE_TEXT_SIZE];
        moveToText(text, entryMove(*e), int(pos.sideToMove), false);
        r.kept.push_back({text, entryScore(*e)});
        int ok;
        r.childWdl.push_back(-probeWdl(testEngine().tablebases, *makeMove(pos, entryMove(*e)), &ok));
        EXPECT_NE(ok, 0);
    }
    return r;
}

bool keeps(const RootResult& r, const std::string& move)
{
    for (const auto& k : r.kept)
        if (k.first == move)
            return true;
    return false;
}

class RootProbe : public SearchFixture<1> {
protected:
    static void SetUpTestSuite()
    {
        SearchFixture<1>::SetUpTestSuite();
        initTables(engine.tablebases, tablesDir(), tablesDir());
    }
    static void TearDownTestSuite()
    {
        freeTablebases(engine.tablebases);
        SearchFixture<1>::TearDownTestSuite();
    }
};

}  // namespace

TEST_F(RootProbe, WonDrawnAndLostRoots)
{
    // KQvK: Qc7 stalemates and is dropped, Qc8 mates and is kept with value 1.
    RootResult r = probeRoot("k7/8/1K6/8/8/8/8/2Q5 w - - 0 1");
    ASSERT_EQ(r.ok, 1);
    EXPECT_EQ(r.score, TB_WIN_SCORE);
    EXPECT_FALSE(keeps(r, "c1c7"));
    EXPECT_TRUE(keeps(r, "c1c8"));
    for (size_t i = 0; i < r.kept.size(); i++) {
        EXPECT_GT(r.kept[i].second, 0) << r.kept[i].first;
        EXPECT_EQ(r.childWdl[i], 2) << r.kept[i].first;
        if (i > 0) {
            EXPECT_LE(r.kept[i - 1].second, r.kept[i].second) << "ascending, searched from the end";
        }
    }
    // With 98 plies of the budget spent only the mate fits.
    r = probeRoot("k7/8/1K6/8/8/8/8/2Q5 w - - 98 1");
    ASSERT_EQ(r.kept.size(), 1u);
    EXPECT_EQ(r.kept[0].first, "c1c8");

    // DTZ 9: a win with 91 plies of the budget gone, spoiled by the
    // fifty-move rule with 92.
    EXPECT_EQ(probeRoot("8/8/8/5k2/K7/8/8/6q1 b - - 91 1").score, TB_WIN_SCORE);
    EXPECT_EQ(probeRoot("8/8/8/5k2/K7/8/8/6q1 b - - 92 1").score, 2);

    // Lost with the budget far away: every move stays for the search.
    r = probeRoot("8/8/8/8/4k3/8/1Q6/K7 b - - 0 1");
    ASSERT_EQ(r.ok, 1);
    EXPECT_EQ(r.score, -TB_WIN_SCORE);
    EXPECT_EQ(int(r.kept.size()), r.legal);

    // KRvKR drawn: Rh3, which gives the rook away, is dropped.
    r = probeRoot("8/8/8/8/3k4/1r6/8/K6R w - - 0 1");
    ASSERT_EQ(r.ok, 1);
    EXPECT_EQ(r.score, 0);
    EXPECT_FALSE(keeps(r, "h1h3"));
    for (size_t i = 0; i < r.kept.size(); i++) {
        EXPECT_EQ(r.kept[i].second, 0) << r.kept[i].first;
        EXPECT_EQ(r.childWdl[i], 0) << r.kept[i].first;
    }

    EXPECT_EQ(probeRoot("8/8/8/8/8/8/8/R3K2k w Q - 0 1").ok, 0);  // castling rights: in no table
}

// Every test position of some tables: a won root keeps only winning moves,
// a drawn one only drawing moves.
TEST_F(RootProbe, KeptMovesKeepTheResult)
{
    for (const TbExpected& e : tbTestPositions({"KQvK", "KRvK", "KPvK", "KRvKR", "KPvKP", "KBNvK", "KQvKR"})) {
        const RootResult r = probeRoot(e.fen);
        if (r.legal == 0)
            continue;
        ASSERT_EQ(r.ok, 1) << e.fen;
        ASSERT_FALSE(r.kept.empty()) << e.fen;
        for (size_t i = 0; i < r.kept.size() && e.wdl >= 0; i++)
            EXPECT_EQ(r.childWdl[i], e.wdl) << e.fen << " " << r.kept[i].first;
    }
}

// The played search root-probes only up to its men limit: KQvKR (four men)
// is decided at the root with a limit of 4 (one hit, nothing probed below,
// the tables' score) and searched without a root probe with a limit of 3.
TEST_F(RootProbe, ThinkProbesUpToTheLimit)
{
    for (const int limit : {3, 4}) {
        SearchSettings settings;
        settings.threads = 1;
        settings.maxDepth = 2;
        settings.tbLimit = limit;
        const SearchResult r = search("6r1/8/2k5/8/8/8/1Q6/K7 w - - 0 1", settings);
        if (limit == 4) {
            EXPECT_EQ(r.tbHits, 1u);
        }
        EXPECT_EQ(r.score == TB_WIN_SCORE, limit == 4) << r.score;
    }
}
