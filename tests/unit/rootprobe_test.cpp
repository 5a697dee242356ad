// Root probing: which moves stay in the root list and the tablebase score,
// checked move by move against the WDL of each kept move's child.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "engine_init.h"
#include "position/fen.h"
#include "position/makemove.h"
#include "position/movegen.h"
#include "search/benchsearch.h"
#include "search/engine.h"
#include "search/rootprobe.h"
#include "search/think.h"
#include "tablebase/tbprobe.h"
#include "tablebase/tbregistry.h"

namespace {

Engine& engine = *createEngine();

struct RootResult {
    int ok;
    int score;
    int legal;
    std::vector<std::pair<std::string, int>> kept;  // move text, value
    std::vector<int> childWdl;                      // mover's view
};

RootResult probeRoot(const std::string& fen)
{
    engine.mainThread.current = newGame(engine.mainThread);
    EXPECT_EQ(setPositionFromFen(engine.mainThread, fen.c_str(), nullptr), 1) << fen;
    Position& pos = *engine.mainThread.current;
    MoveEntry list[MAX_MOVES];
    MoveEntry* end = generateLegal(pos, list);
    RootResult r{};
    r.legal = int(end - list);
    int16_t score = 0;
    r.ok = rootProbe(engine.tablebases, pos, list, score, end);
    r.score = score;
    for (MoveEntry* e = list; r.ok && e < end; e++) {
        char text[MOVE_TEXT_SIZE];
        moveToText(text, entryMove(*e), int(pos.sideToMove));
        r.kept.push_back({text, entryScore(*e)});
        int ok;
        r.childWdl.push_back(-probeWdl(engine.tablebases, *makeMove(pos, entryMove(*e)), &ok));
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

class RootProbe : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        initTablebases(engine.tablebases, testDataPath("syzygy").c_str(), testDataPath("syzygy").c_str());
    }
    static void TearDownTestSuite() { freeTablebases(engine.tablebases); }
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
    ASSERT_EQ(r.ok, 1);
    ASSERT_EQ(r.kept.size(), 1u);
    EXPECT_EQ(r.kept[0].first, "c1c8");

    // DTZ 9 with 95 plies gone: the win is spoiled by the fifty-move rule.
    r = probeRoot("8/8/8/5k2/K7/8/8/6q1 b - - 95 1");
    ASSERT_EQ(r.ok, 1);
    EXPECT_EQ(r.score, 2);

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

    // Castling rights: never in a table, the probe fails.
    r = probeRoot("8/8/8/8/8/8/8/R3K2k w Q - 0 1");
    EXPECT_EQ(r.ok, 0);
}

// Every test position of some tables: a won root keeps only winning moves,
// a drawn one only drawing moves.
TEST_F(RootProbe, KeptMovesKeepTheResult)
{
    for (const char* table : {"KQvK", "KRvK", "KPvK", "KRvKR", "KPvKP", "KBNvK", "KQvKR"}) {
        std::ifstream in(testDataPath(std::string("syzygy-tests/") + table + ".csv"));
        std::string line;
        while (std::getline(in, line)) {
            if (line.empty() || line[0] == '#')
                continue;
            const std::string fen = line.substr(0, line.find(','));
            const int wdl = std::stoi(line.substr(line.rfind(',') + 1));
            const RootResult r = probeRoot(fen);
            if (r.legal == 0)
                continue;
            ASSERT_EQ(r.ok, 1) << fen;
            ASSERT_FALSE(r.kept.empty()) << fen;
            for (size_t i = 0; i < r.kept.size(); i++) {
                if (wdl >= 0) {
                    EXPECT_EQ(r.childWdl[i], wdl) << fen << " " << r.kept[i].first;
                }
            }
        }
    }
}

// The played search root-probes only up to its men limit: KQvKR (four men)
// is decided at the root with a limit of 4 (one hit, nothing probed below,
// the tables' score) and searched without a root probe with a limit of 3.
TEST_F(RootProbe, ThinkProbesUpToTheLimit)
{
    testing::internal::CaptureStdout();
    allocAllTables(engine, tableSizesOfEntries(1, uint64_t(1) << 16, uint64_t(1) << 16));
    testing::internal::GetCapturedStdout();
    for (const int limit : {3, 4}) {
        ASSERT_EQ(setPositionFromFen(engine.mainThread, "6r1/8/2k5/8/8/8/1Q6/K7 w - - 0 1", nullptr), 1);
        clearAllTables(engine);
        clearSearchState(engine);
        engine.flags.stopSearch = 0;
        SearchSettings settings;
        settings.threads = 1;
        settings.maxDepth = 2;
        settings.tbLimit = limit;
        const SearchResult r = think(engine, settings);
        if (limit == 4) {
            EXPECT_EQ(r.tbHits, 1u);
            EXPECT_EQ(r.score, TB_WIN_SCORE);
        } else {
            EXPECT_LT(r.score, TB_WIN_SCORE);
        }
    }
    freeAllTables(engine);
}
