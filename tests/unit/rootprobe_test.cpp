// Root probing: which moves stay in the root list and the tablebase score,
// checked move by move against the WDL of each kept move's child; and the
// tablebase settings (fifty-move rule, probe depth) at the root and in the
// tree.
#include <filesystem>

#include "search/rootprobe.h"
#include "search/search.h"
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

RootResult probeRoot(const std::string& fen, bool fiftyMoveRule = true)
{
    Position& pos = setUp(testEngine().mainThread, fen);
    MoveEntry list[MAX_MOVES];
    MoveEntry* end = generateLegal(pos, list);
    RootResult r{};
    r.legal = int(end - list);
    int16_t score = 0;
    r.ok = rootProbe(testEngine().tablebases, pos, list, score, end, fiftyMoveRule);
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

// Without the fifty-move rule the clock spoils nothing at the root: a win
// past the budget scores as a win, a loss the rule would save as a loss, and
// a lost root keeps every move, none being saved by the rule.
TEST_F(RootProbe, FiftyMoveRuleOffAtTheRoot)
{
    const char* spoiled = "8/8/8/5k2/K7/8/8/6q1 b - - 92 1";
    EXPECT_EQ(probeRoot(spoiled, true).score, 2);
    EXPECT_EQ(probeRoot(spoiled, false).score, TB_WIN_SCORE);
    const char* saved = "8/8/8/8/4k3/8/1Q6/K7 b - - 95 1";
    const RootResult with = probeRoot(saved, true), without = probeRoot(saved, false);
    ASSERT_EQ(with.ok, 1);
    ASSERT_EQ(without.ok, 1);
    EXPECT_EQ(with.score, -2);
    EXPECT_LT(int(with.kept.size()), with.legal);
    EXPECT_EQ(without.score, -TB_WIN_SCORE);
    EXPECT_EQ(int(without.kept.size()), without.legal);
}

// The tree's probes: a node with less depth left than the probe depth does
// not probe, nor do the leaves and quiescence unless the probe depth is 1.
// Qxg8 and Rxg2 leave three men, which the limit of 3 lets the tree probe.
TEST_F(RootProbe, TreeProbesOnlyFromTheProbeDepth)
{
    SearchThread& t = engine.mainThread;
    PvLine line;
    const std::pair<int, bool> cases[] = {{1, true}, {2, false}};
    for (const auto& [probeDepth, probes] : cases) {
        setUp("6r1/8/2k5/8/8/6Q1/8/K7 w - - 5 1");
        t.tbProbeDepth = uint8_t(probeDepth);
        t.tbFiftyMoveRule = true;
        t.tbHits = 0;
        alphaBeta(t, 1, 1, -INFINITE, INFINITE, 3, line);
        EXPECT_EQ(t.tbHits > 0, probes) << probeDepth;
        // A node with the depth left probes itself (its clock is 0).
        setUp("6r1/8/2k5/8/8/6Q1/8/K7 w - - 0 1");
        t.tbHits = 0;
        EXPECT_EQ(alphaBeta(t, 2, 1, -INFINITE, INFINITE, 4, line), TB_WIN_SCORE) << probeDepth;
        EXPECT_EQ(t.tbHits, 1u);
    }
}

// The settings reach every search record through think.
TEST_F(RootProbe, ThinkAppliesTheTablebaseSettings)
{
    struct Case {
        const char* fen;
        int tbLimit;
        int probeDepth;
        bool fiftyMoveRule;
        bool probedBelow;  // tbhits beyond the root
        int tbWin;         // whether the score is the tables' win: 1, 0, or -1 for either
    };
    // The spoiled win scores what the search finds (the tables' 2 being less).
    const Case cases[] = {
        {"8/8/8/5k2/K7/8/8/6q1 b - - 92 1", 3, 1, true, false, 0},
        {"8/8/8/5k2/K7/8/8/6q1 b - - 92 1", 3, 1, false, false, 1},
        {"6r1/8/2k5/8/8/8/1Q6/K7 w - - 0 1", 3, 1, true, true, -1},
        {"6r1/8/2k5/8/8/8/1Q6/K7 w - - 0 1", 3, 100, true, false, -1},
    };
    for (const Case& c : cases) {
        SearchSettings settings;
        settings.threads = 2;
        settings.maxDepth = 5;
        settings.tbLimit = c.tbLimit;
        settings.tbProbeDepth = c.probeDepth;
        settings.tbFiftyMoveRule = c.fiftyMoveRule;
        const SearchResult r = search(c.fen, settings);
        EXPECT_EQ(r.tbHits > 1, c.probedBelow) << c.fen << " " << c.probeDepth << " hits " << r.tbHits;
        if (c.tbWin >= 0) {
            EXPECT_EQ(r.score == TB_WIN_SCORE, c.tbWin == 1) << c.fen << " " << r.score;
        }
    }
}

// A cursed win of the five-man tables inside the tree: a draw with the rule,
// a win without it.
TEST_F(RootProbe, FiftyMoveRuleOffInTheTree)
{
    const std::string dir = extendedSyzygyDir();
    if (!std::filesystem::is_directory(dir))
        GTEST_SKIP() << "5-piece Syzygy tables not found at " << dir << ": extended cases not run";
    initTables(engine.tablebases, dir, dir);
    SearchThread& t = engine.mainThread;
    PvLine line;
    for (const bool rule : {true, false}) {
        setUp("8/8/8/1B6/8/8/4n3/1KBk4 w - - 0 1");
        t.tbProbeDepth = 1;
        t.tbFiftyMoveRule = rule;
        EXPECT_EQ(alphaBeta(t, 3, 1, -INFINITE, INFINITE, 5, line), rule ? 2 : TB_WIN_SCORE);
    }
    initTables(engine.tablebases, tablesDir(), tablesDir());
}
