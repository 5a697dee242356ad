// Tablebase games through UCI: the engine converts won endgames to mate
// within the fifty-move rule against a defender that always plays the
// longest resistance the tables know, and holds drawn endgames against an
// attacker that always picks the reply leaving it the fewest drawing moves.
// The opponent is an oracle built in this process from the probes.
#include <cstdio>
#include <filesystem>

#include "position/attacks.h"
#include "position/makemove.h"
#include "position/stack.h"
#include "search/rootprobe.h"
#include "support/engine_process.h"
#include "support/unit.h"
#include "tablebase/tbprobe.h"
#include "tablebase/tbregistry.h"

namespace {

// The game as the test plays it, on its own board.
PositionStack board;
// The tables of the oracle that plays against the engine.
Tablebases oracle{};

std::string tbIni(const std::string& folder)
{
    return "[ENGINE]\nThread=1\nHashSize=4\nHashEvalSize=1\nHashQSize=1\n[BOOK]\nBook=0\n"
           "[TABLEBASE]\nSyzygy=1\nSyzygyMen=5\nwdlPath=" + folder + "\ndtzPath=" + folder + "\n";
}

// The tables of folder, for the oracle in this process.
void initOracle(const std::string& folder)
{
    static bool engineTables = false;
    if (!engineTables) {
        initEngineTables();
        engineTables = true;
    }
    initTablebases(oracle, folder.c_str(), folder.c_str());
}

// WDL of the position after m, from the mover's view.
int wdlAfter(Position& pos, Move m)
{
    int ok;
    const int w = -probeWdl(oracle, *makeMove(pos, m), &ok);
    EXPECT_NE(ok, 0);
    return w;
}

// The defender's move: a draw if one is left, else the longest loss by the
// root values of the tables.
Move longestResistance(Position& pos)
{
    MoveEntry list[MAX_MOVES];
    MoveEntry* end = generateLegal(pos, list);
    int16_t score;
    EXPECT_EQ(rootProbe(oracle, pos, list, score, end), 1);
    Move best = entryMove(list[0]);
    int bestValue = entryScore(list[0]);
    for (MoveEntry* e = list; e < end; e++) {
        const int v = entryScore(*e);
        if ((v >= 0 && v > bestValue) || (bestValue < 0 && v < bestValue)) {
            best = entryMove(*e);
            bestValue = v;
        }
    }
    return best;
}

// The attacker's move in a drawn position: of the moves that keep the draw,
// the one after which the other side has the fewest moves that keep it.
Move hardestToHold(Position& pos)
{
    Move best = 0;
    int fewest = 1000;
    for (Move m : legalMoves(pos)) {
        if (wdlAfter(pos, m) < 0)
            continue;
        Position* child = makeMove(pos, m);
        int holding = 0;
        for (Move r : legalMoves(*child))
            holding += wdlAfter(*child, r) >= 0;
        if (holding < fewest) {
            fewest = holding;
            best = m;
        }
    }
    return best;
}

struct GameRecord {
    std::string moves;       // for "position fen ... moves"
    int plies = 0;
    int longestReversible = 0;
    bool mate = false;
    std::string failure;
    std::string engineOutput;
};

// Plays from fen with the engine on the side to move. winning: the engine
// must keep the win and mate; otherwise it must keep the draw for maxPlies.
GameRecord playGame(const std::string& folder, const std::string& fen, bool winning, int maxPlies)
{
    GameRecord g;
    const std::string ini = tbIni(folder);
    EngineProcess engine;
    if (!engine.start(ini.c_str())) {
        g.failure = "engine did not start";
        return g;
    }
    engine.send("uci\n");
    if (!engine.waitFor("uciok")) {
        g.failure = "no uciok";
        return g;
    }
    setUp(board, fen);
    for (bool engineToMove = true; g.plies < maxPlies; engineToMove = !engineToMove) {
        Position& pos = *board.current;
        if (!hasLegalMove(pos)) {
            g.mate = checkers(pos) != 0;
            if (!g.mate)
                g.failure = "stalemate";
            break;
        }
        if (pos.halfmoveClock >= 100) {
            g.failure = "fifty-move rule reached";
            break;
        }
        Move m;
        char text[MOVE_TEXT_SIZE];
        if (engineToMove) {
            const size_t from = engine.output.size();
            engine.send("position fen " + fen + (g.moves.empty() ? "" : " moves" + g.moves) + "\ngo movetime 40\n");
            if (!engine.waitFor("bestmove", 10000, from)) {
                g.failure = "no bestmove";
                break;
            }
            const std::string played = wordAfter(engine.output, "bestmove ", from);
            m = textToMove(pos, played.c_str());
            if (played.size() < 4 || !isLegalMove(pos, m)) {
                g.failure = "bad bestmove: " + engine.output.substr(from);
                break;
            }
            const int kept = wdlAfter(pos, m);
            if (winning ? kept < 2 : kept < 0) {
                g.failure = "engine move " + played + " gives up the result";
                break;
            }
        } else {
            m = winning ? longestResistance(pos) : hardestToHold(pos);
        }
        moveToText(text, m, int(pos.sideToMove), false);
        if (makeMoveIfLegal(board, m) != 1) {
            g.failure = std::string("illegal move ") + text;
            break;
        }
        g.moves += std::string(" ") + text;
        g.plies++;
        if (board.current->halfmoveClock > g.longestReversible)
            g.longestReversible = board.current->halfmoveClock;
    }
    engine.send("quit\n");
    engine.wait(5000);
    g.engineOutput = engine.output;
    return g;
}

struct Case {
    const char* fen;
    bool winning;
    const char* what;
};

void playCases(const std::string& folder, const std::vector<Case>& cases)
{
    initOracle(folder);
    for (const Case& c : cases) {
        const GameRecord g = playGame(folder, c.fen, c.winning, c.winning ? 400 : 40);
        EXPECT_EQ(g.failure, "") << c.what << ": " << c.fen << " moves" << g.moves;
        if (c.winning) {
            EXPECT_TRUE(g.mate) << c.what << " not mated in " << g.plies << " plies:" << g.moves;
            EXPECT_LT(g.longestReversible, 100) << c.what;
        }
        std::printf("%s: %d plies, %s, longest stretch without capture or pawn move %d plies\n", c.what, g.plies,
                    g.mate ? "mate" : "no mate", g.longestReversible);
        // The root probe counts as a hit in every iteration's line.
        ASSERT_NE(g.engineOutput.find("info depth"), std::string::npos) << c.what;
        EXPECT_EQ(g.engineOutput.find(" tbhits 0 "), std::string::npos) << c.what;
    }
}

}  // namespace

TEST(TablebaseGames, WinsAreConvertedAndDrawsHeld)
{
    playCases(testDataPath("syzygy"), {
                                          {"8/8/8/4k3/8/8/8/1Q2K3 w - - 0 1", true, "KQvK"},
                                          {"8/8/5R2/8/3k4/8/1K6/8 w - - 0 1", true, "KRvK"},
                                          {"4N3/8/7B/8/8/8/2k5/K7 w - - 0 1", true, "KBNvK"},
                                          {"8/8/8/8/1P4K1/1k6/8/8 b - - 0 1", false, "KPvK, lone king holds"},
                                          {"6R1/5K2/3k4/8/2r5/8/8/8 b - - 0 1", false, "KRvKR"},
                                      });
}

TEST(TablebaseGames, FivePieceEndgames)
{
    const std::string folder = extendedSyzygyDir();
    if (!std::filesystem::is_directory(folder))
        GTEST_SKIP() << "5-piece Syzygy tables not found at " << folder << ": extended cases not run";
    playCases(folder, {
                          {"7k/8/8/R5K1/8/1r6/3P4/8 w - - 0 1", true, "KRPvKR"},
                          {"1K6/8/8/P5Rr/8/8/3k4/8 b - - 0 1", false, "KRPvKR held"},
                      });
}

// SyzygyPath finds the tables again between searches; the next search uses them.
TEST(TablebaseGames, SyzygyPathOption)
{
    EngineProcess engine;
    const std::string ini = tbIni("");
    ASSERT_TRUE(engine.start(ini.c_str()));
    engine.send("uci\n");
    ASSERT_TRUE(engine.waitFor("uciok"));
    EXPECT_NE(engine.output.find("\nFound 0 tablebases.\n"), std::string::npos);
    EXPECT_NE(engine.output.find("option name SyzygyPath type string default <empty>\n"), std::string::npos);
    size_t from = engine.output.size();
    engine.send("setoption name SyzygyPath value " + testDataPath("syzygy") + "\nisready\n");
    ASSERT_TRUE(engine.waitFor("readyok", 10000, from));
    EXPECT_NE(engine.output.find("\nFound 35 tablebases.\n", from), std::string::npos);
    from = engine.output.size();
    engine.send("position fen 8/8/8/4k3/8/8/8/1Q2K3 w - - 0 1\ngo depth 3\n");
    ASSERT_TRUE(engine.waitFor("bestmove", 10000, from));
    EXPECT_NE(engine.output.find("score cp  15000", from), std::string::npos) << engine.output.substr(from);
    EXPECT_NE(engine.output.find("tbhits 1 ", from), std::string::npos);
    engine.send("quit\n");
    EXPECT_EQ(engine.wait(5000), 0);
}
