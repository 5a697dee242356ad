// The UCI protocol through the real binary: identification, positions,
// searches under every kind of limit, pondering, and hostile input.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/engine_process.h"

namespace {

// Output after the start-up text.
std::string afterStartup(const std::string& output)
{
    std::string start = startupText(1);
    return output.rfind(start, 0) == 0 ? output.substr(start.size()) : output;
}

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    size_t begin = 0;
    while (begin < text.size()) {
        size_t end = text.find('\n', begin);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(begin, end - begin));
        begin = end + 1;
    }
    return lines;
}

bool isMoveText(const std::string& t)
{
    auto square = [&](size_t i) { return t[i] >= 'a' && t[i] <= 'h' && t[i + 1] >= '1' && t[i + 1] <= '8'; };
    if (t.size() != 4 && t.size() != 5)
        return false;
    return square(0) && square(2) && (t.size() == 4 || std::string("nbrq").find(t[4]) != std::string::npos);
}

bool isNumber(const std::string& t, bool allowSign = false)
{
    size_t i = allowSign && !t.empty() && t[0] == '-' ? 1 : 0;
    return i < t.size() && t.find_first_not_of("0123456789", i) == std::string::npos;
}

// The move of the first "bestmove" line, or "" when there is none that holds
// a move (or 0000).
std::string bestMoveOf(const std::string& output)
{
    size_t p = output.find("bestmove ");
    if (p == std::string::npos)
        return "";
    std::istringstream in(output.substr(p + 9));
    std::string move;
    in >> move;
    return isMoveText(move) || move == "0000" ? move : "";
}

// Whether a line has the form "info depth D seldepth S score cp C nodes N
// time T nps R tbhits H pv m1 m2 ...".
bool isIterationLine(const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> t;
    for (std::string token; in >> token;)
        t.push_back(token);
    const char* keys[] = {"info", "depth", "", "seldepth", "", "score", "cp", "", "nodes", "", "time", "",
                          "nps", "", "tbhits", "", "pv"};
    const size_t fixed = sizeof keys / sizeof keys[0];
    if (t.size() <= fixed)
        return false;
    for (size_t i = 0; i < fixed; ++i)
        if (keys[i][0] ? t[i] != keys[i] : !isNumber(t[i], i == 7))
            return false;
    for (size_t i = fixed; i < t.size(); ++i)
        if (!isMoveText(t[i]))
            return false;
    return true;
}

int count(const std::string& text, const std::string& what)
{
    int n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1))
        ++n;
    return n;
}

// Sends the commands (no quit), waits for one "bestmove" per "go" line, then
// quits: a "quit" read during a search would stop it.
EngineRun runSearches(const std::string& input)
{
    EngineRun run{"", -1};
    EngineProcess engine;
    if (!engine.start())
        return run;
    engine.send(input);
    int searches = count("\n" + input, "\ngo");
    for (int i = 0; i < searches; ++i)
        if (!engine.waitFor("bestmove", 30000, i == 0 ? 0 : engine.output.rfind("bestmove") + 1))
            break;
    engine.send("quit\n");
    run.status = engine.wait(20000);
    run.output = engine.output;
    return run;
}

} // namespace

TEST(Uci, IdentificationLinesInOrder)
{
    EngineRun run = runEngine("uci\nquit\n");
    EXPECT_EQ(run.status, 0);
    std::vector<std::string> lines = linesOf(afterStartup(run.output));
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[1], "id name Ardentis");
    EXPECT_EQ(lines[2], "id author Velmorin");
    EXPECT_EQ(lines[3], "option name Ponder type check default true");
    EXPECT_EQ(lines[4], "option name OwnBook type check default true");
    EXPECT_EQ(lines.back(), "uciok");
    EXPECT_NE(run.output.find("Allocated     1 MB for the Hash Table"), std::string::npos);
}

TEST(Uci, QuitLinesAndEndOfInput)
{
    for (const char* input : {"uci\nquit\n", "uci\nq\n", "uci\nquack\n", "uci\n", "uci\nisready\n"}) {
        EngineRun run = runEngine(input);
        EXPECT_EQ(run.status, 0) << input;
        EXPECT_NE(run.output.find("uciok"), std::string::npos) << input;
    }
}

TEST(Uci, IsreadyAndJunkLines)
{
    // An over-long line that begins with q is discarded whole, not taken as quit.
    std::string longLine = std::string(6000, 'q') + "\n";
    EngineRun run = runEngine("uci\nhello\n\nsetoption name Hash value 1\nstop\nponderhit\n" + longLine +
                              "isready\nquit\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(count(run.output, "readyok"), 1);
}

TEST(Uci, PositionAndFixedDepthSearch)
{
    EngineRun run = runSearches("uci\nposition startpos moves e2e4 e7e5 g1f3\ngo depth 4\n");
    EXPECT_EQ(run.status, 0);
    std::string out = afterStartup(run.output);
    EXPECT_NE(out.find("info depth  1 seldepth"), std::string::npos);
    EXPECT_NE(out.find("info depth  4 seldepth"), std::string::npos);
    EXPECT_EQ(out.find("info depth  5"), std::string::npos);
    bool found = false;
    for (const std::string& line : linesOf(out))
        found = found || isIterationLine(line);
    EXPECT_TRUE(found) << out;
    std::string best = bestMoveOf(out);
    EXPECT_EQ(best.size(), 4u) << out;
    EXPECT_EQ(best[1] >= '5' && best[1] <= '8', true) << "black is to move: " << best;
}

TEST(Uci, FenWithMovesAndBadInputKeepThePreviousPosition)
{
    // Black's only legal move is Ka8-a7; the rejected commands must not change
    // the position.
    std::string fen = "k7/2K5/8/8/8/8/8/8 b - - 0 1";
    EngineRun run = runSearches("uci\nposition fen " + fen +
                              "\nposition fen rnbqkbnr/pppppppp/8/8 w KQkq - 0 1\n"
                              "position fen 8/8/8/8/8/8/8/8 w - - 0 1\n"
                              "position startpos moves e2e4 e7e6 e1e3\n"
                              "go depth 3\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(count(run.output, "#DEBUG: BAD FEN|MOVES!"), 3);
    EXPECT_EQ(bestMoveOf(run.output), "a8a7") << run.output;
}

TEST(Uci, OneLegalMoveAnswersAtDepthZero)
{
    EngineRun run = runSearches("uci\nposition fen k7/2K5/8/8/8/8/8/8 b - - 0 1\ngo wtime 10000 btime 10000\n");
    EXPECT_NE(run.output.find("info depth  0 "), std::string::npos) << run.output;
    EXPECT_EQ(bestMoveOf(run.output), "a8a7");
}

TEST(Uci, NoLegalMoveAnswersNullMove)
{
    // Stalemate and checkmate: nothing to search.
    for (const char* fen : {"7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", "7k/6Q1/6K1/8/8/8/8/8 b - - 0 1"}) {
        EngineRun run = runSearches(std::string("uci\nposition fen ") + fen + "\ngo depth 5\n");
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(bestMoveOf(run.output), "0000") << run.output;
        EXPECT_EQ(run.output.find("info depth"), std::string::npos);
    }
}

TEST(Uci, MateScoresAndGameEndLines)
{
    // Fool's mate: Black mates in one and the game-end line follows bestmove.
    EngineRun run = runSearches("uci\nposition startpos moves f2f3 e7e5 g2g4\ngo depth 3\n");
    EXPECT_EQ(bestMoveOf(run.output), "d8h4");
    EXPECT_NE(run.output.find("score mate  1"), std::string::npos) << run.output;
    size_t best = run.output.find("bestmove d8h4");
    EXPECT_NE(run.output.find("0-1 {Black mates}", best), std::string::npos);

    // Mate in two for White (rook ladder).
    run = runSearches("uci\nposition fen 6k1/8/8/8/8/8/R7/1R4K1 w - - 0 1\ngo depth 5\n");
    EXPECT_NE(run.output.find("score mate  2"), std::string::npos) << run.output;
}

TEST(Uci, MoveTimeAndClockSearchesAnswer)
{
    for (const char* go : {"go movetime 300", "go wtime 3000 btime 3000 winc 100 binc 100",
                           "go wtime 20000 btime 20000 movestogo 40", "go nodes 1000 mate 3 wtime 2000 btime 2000"}) {
        EngineProcess engine;
        ASSERT_TRUE(engine.start());
        engine.send(std::string("uci\nposition startpos\n") + go + "\n");
        EXPECT_TRUE(engine.waitFor("bestmove", 20000)) << go;
        engine.send("quit\n");
        EXPECT_EQ(engine.wait(), 0);
        EXPECT_EQ(bestMoveOf(engine.output).size(), 4u);
    }
}

TEST(Uci, InfiniteSearchAnswersOnlyAfterStop)
{
    EngineProcess engine;
    ASSERT_TRUE(engine.start());
    engine.send("uci\nposition startpos\ngo infinite\n");
    EXPECT_TRUE(engine.waitFor("Command: infinite\n", 20000));
    EXPECT_FALSE(engine.waitFor("bestmove", 500));
    engine.send("isready\n");
    EXPECT_TRUE(engine.waitFor("readyok", 20000));
    engine.send("stop\n");
    EXPECT_TRUE(engine.waitFor("bestmove", 20000));
    engine.send("isready\nquit\n");
    EXPECT_EQ(engine.wait(), 0);
}

TEST(Uci, PonderhitAndPonderStop)
{
    {
        EngineProcess engine;
        ASSERT_TRUE(engine.start());
        engine.send("uci\nisready\nposition startpos moves e2e4\ngo ponder wtime 60000 btime 2000\n");
        EXPECT_FALSE(engine.waitFor("bestmove", 400));
        engine.send("ponderhit\n");
        // 20 s / 35: the clock counts from "go", so the move comes soon after.
        EXPECT_TRUE(engine.waitFor("bestmove", 20000));
        engine.send("quit\n");
        EXPECT_EQ(engine.wait(), 0);
    }
    {
        EngineProcess engine;
        ASSERT_TRUE(engine.start());
        engine.send("uci\nisready\nposition startpos\ngo ponder depth 2 wtime 60000 btime 60000\n");
        EXPECT_FALSE(engine.waitFor("bestmove", 400));  // held back while pondering
        engine.send("stop\n");
        EXPECT_TRUE(engine.waitFor("bestmove", 20000));
        engine.send("position startpos moves e2e4\ngo depth 3\n");
        EXPECT_TRUE(engine.waitFor("bestmove", 20000, engine.output.find("bestmove") + 1));
        engine.send("quit\n");
        EXPECT_EQ(engine.wait(), 0);
    }
}

TEST(Uci, EndOfInputDuringASearchEndsTheProgram)
{
    EngineProcess engine;
    ASSERT_TRUE(engine.start());
    engine.send("uci\nposition startpos\ngo infinite\n");
    EXPECT_TRUE(engine.waitFor("Command: infinite", 20000));
    engine.closeInput();
    EXPECT_EQ(engine.wait(20000), 0);
    EXPECT_NE(engine.output.find("bestmove"), std::string::npos);
}

TEST(Uci, NewGameResetsTheBoard)
{
    EngineRun run = runSearches("uci\nposition fen k7/2K5/8/8/8/8/8/8 b - - 0 1\nucinewgame\ngo depth 2\n");
    std::string best = bestMoveOf(run.output);
    EXPECT_EQ(best.size(), 4u);
    EXPECT_TRUE(best[1] == '1' || best[1] == '2') << best;  // a white move from the start position
}

TEST(Uci, StopRightAfterGoInfiniteIsNotLost)
{
    // The monitor may read "stop" before the search has even begun.
    for (int i = 0; i < 5; ++i) {
        EngineProcess engine;
        ASSERT_TRUE(engine.start());
        engine.send("uci\nposition startpos\ngo infinite\nstop\n");
        EXPECT_TRUE(engine.waitFor("bestmove", 20000));
        engine.send("quit\n");
        EXPECT_EQ(engine.wait(20000), 0);
    }
}
