// UCI as front ends use it, through the real binary: identification and
// options, positions, the limits of one "go" (and only that one), pondering,
// the input read while a search runs, hostile input, Chess960, the tablebase
// options, "go perft" and the command-line bench.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstring>
#include <set>
#include <sstream>

#include "engine_init.h"
#include "support/engine_process.h"
#include "support/text.h"

namespace {

// Each search below must end by its own limit: a search that ignored it
// would run on until this wait gives up.
constexpr int ANSWER_MS = 30000;

bool isMoveText(const std::string& t)
{
    auto square = [&](size_t i) { return t[i] >= 'a' && t[i] <= 'h' && t[i + 1] >= '1' && t[i + 1] <= '8'; };
    return (t.size() == 4 || (t.size() == 5 && std::string("nbrq").find(t[4]) != std::string::npos)) && square(0) &&
           square(2);
}

std::string bestMoveOf(const std::string& output, size_t from = 0) { return wordAfter(output, "bestmove ", from); }

// The node count and time of the closing "info nodes" line after from.
long long closingNodes(const std::string& output, size_t from = 0) { return numberAfter(output, "\ninfo nodes ", from); }

long long closingTime(const std::string& output, size_t from = 0)
{
    size_t at = output.find("\ninfo nodes ", from);
    return at == std::string::npos ? -1 : numberAfter(output, " time ", at);
}

// Whether a line has the form "info depth D seldepth S score cp C nodes N
// time T nps R tbhits H pv m1 m2 ...".
bool isIterationLine(const std::string& line)
{
    std::istringstream in(line);
    std::string t;
    for (const char* key : {"info", "depth", "", "seldepth", "", "score", "cp", "", "nodes", "", "time", "", "nps", "",
                            "tbhits", "", "pv"})
        if (!(in >> t) || (*key ? t != key : t.find_first_not_of("0123456789", t[0] == '-') != std::string::npos))
            return false;
    int moves = 0;
    for (; in >> t; moves++)
        if (!isMoveText(t))
            return false;
    return moves > 0;
}

// A started engine in UCI mode.
struct Session {
    EngineProcess engine;
    explicit Session(const char* ini = SMALL_INI)
    {
        EXPECT_TRUE(engine.start(ini));
        engine.send("uci\n");
        EXPECT_TRUE(engine.waitFor("uciok\n"));
    }
    const std::string& out() const { return engine.output; }
    // Sends a search and waits for its bestmove; returns where its output starts.
    size_t search(const std::string& commands)
    {
        size_t from = engine.output.size();
        engine.send(commands);
        EXPECT_TRUE(engine.waitFor("bestmove", ANSWER_MS, from)) << commands;
        return from;
    }
    // Sends lines and waits for `text` after them; returns where their output starts.
    size_t answer(const std::string& lines, const std::string& text)
    {
        size_t from = engine.output.size();
        engine.send(lines);
        EXPECT_TRUE(engine.waitFor(text, ANSWER_MS, from)) << lines;
        return from;
    }
    // Sends lines ending in isready and waits for the answer; returns where it starts.
    size_t ready(const std::string& lines)
    {
        size_t from = engine.output.size();
        engine.send(lines + "isready\n");
        EXPECT_TRUE(engine.waitFor("readyok", 20000, from)) << lines;
        return from;
    }
    int quit()
    {
        engine.send("quit\n");
        return engine.wait(20000);
    }
};

} // namespace

TEST(Uci, IdentificationAndOptions)
{
    EngineRun run = runEngine("uci\nquit\n");
    EXPECT_EQ(run.status, 0);
    const std::string expected = startupText(1) +
        "\nid name Ardentis\nid author Velmorin\n"
        "option name Ponder type check default true\n"
        "option name OwnBook type check default true\n"
        "option name Hash type spin default 1 min 1 max 8192\n"
        "option name Threads type spin default 1 min 1 max 24\n"
        "option name Clear Hash type button\n"
        "option name MultiPV type spin default 1 min 1 max 64\n"
        "option name Move Overhead type spin default 10 min 0 max 5000\n"
        "option name BookFile type string default Tomelore_12.9c.bin\n"
        "option name SyzygyPath type string default <empty>\n"
        "option name Syzygy50MoveRule type check default true\n"
        "option name SyzygyProbeDepth type spin default 1 min 1 max 100\n"
        "option name ParamFile type string default <empty>\n"
        "option name Classic type check default false\n"
        "option name UCI_Chess960 type check default false\n"
        "option name UCI_LimitStrength type check default false\n"
        "option name UCI_Elo type spin default 2400 min 1320 max 2400\n"
        "option name UCI_ShowWDL type check default false\n"
        "Allocated     1 MB for the Hash Table\n";
    EXPECT_EQ(run.output.substr(0, expected.size()), expected);
    EXPECT_EQ(run.output.substr(run.output.size() - 6), "uciok\n");
}

TEST(Uci, QuitLinesEndOfInputAndJunk)
{
    for (const char* input : {"uci\nquit\n", "uci\nquack\n", "uci\n"}) {
        EngineRun run = runEngine(input);
        EXPECT_EQ(run.status, 0) << input;
        EXPECT_NE(run.output.find("uciok"), std::string::npos) << input;
    }
    // An over-long line that begins with q is discarded whole, not taken as quit.
    EngineRun run = runEngine("uci\nhello\n\nstop\nponderhit\n" + std::string(6000, 'q') + "\nisready\nquit\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(countOf(run.output, "readyok"), 1);
}

TEST(Uci, PositionsAndFixedDepthSearch)
{
    Session s;
    size_t from = s.search("position startpos moves e2e4 e7e5 g1f3\ngo depth 4\n");
    EXPECT_NE(s.out().find("info depth  4 seldepth", from), std::string::npos);
    EXPECT_EQ(s.out().find("info depth  5", from), std::string::npos);
    bool found = false;
    for (const std::string& line : linesOf(s.out().substr(from)))
        found = found || isIterationLine(line);
    EXPECT_TRUE(found) << s.out();
    std::string best = bestMoveOf(s.out(), from);
    EXPECT_TRUE(isMoveText(best) && best[1] >= '5') << "black is to move: " << best;

    // Black's only legal move is Ka8-a7, answered at depth 0; the rejected
    // commands must not change the position.
    from = s.search("position fen k7/2K5/8/8/8/8/8/8 b - - 0 1\n"
                    "position fen rnbqkbnr/pppppppp/8/8 w KQkq - 0 1\nposition fen 8/8/8/8/8/8/8/8 w - - 0 1\n"
                    "position startpos moves e2e4 e7e6 e1e3\ngo wtime 10000 btime 10000\n");
    EXPECT_EQ(countOf(s.out(), "#DEBUG: BAD FEN|MOVES!"), 3);
    EXPECT_NE(s.out().find("info depth  0 ", from), std::string::npos);
    EXPECT_EQ(bestMoveOf(s.out(), from), "a8a7");

    // ucinewgame goes back to the start position.
    from = s.search("ucinewgame\ngo depth 2\n");
    best = bestMoveOf(s.out(), from);
    EXPECT_TRUE(best[1] == '1' || best[1] == '2') << best;
    EXPECT_EQ(s.quit(), 0);
}

// One search in a fresh engine, which ends by itself: what it must and must
// not print.
TEST(Uci, OneSearchEndsByItsOwnLimit)
{
    struct Case {
        const char* commands;
        const char* mustShow;
        const char* mustNotShow;
    };
    const Case cases[] = {
        {"position startpos\ngo depth 1\n", "info depth  1 ", "info depth  2"},
        {"position startpos\ngo depth 0\n", "info depth  1 ", "info depth  2"},  // taken as 1
        {"position startpos\ngo nodes 5000\n", "info nodes ", nullptr},
        {"position startpos\ngo movetime 200\n", "info nodes ", nullptr},
        {"position startpos\ngo wtime 3000 btime 3000 winc 100 binc 100\n", "info nodes ", nullptr},
        {"position startpos\ngo wtime 20000 btime 20000 movestogo 40\n", "info nodes ", nullptr},
        {"position startpos\ngo nodes 1000 mate 3 wtime 2000 btime 2000\n", "info nodes ", nullptr},
        // Mate in two (rook ladder) proved: the search ends there.
        {"position fen 6k1/8/8/8/8/8/R7/1R4K1 w - - 0 1\ngo mate 2\n", "score mate  2", "info depth  6"},
        // No mate to find: the search ends at a depth that would have shown it.
        {"position startpos\ngo mate 2\n", "info depth  6 ", "info depth  7"},
        // Fool's mate: Black mates in one, and the game-end line follows bestmove.
        {"position startpos moves f2f3 e7e5 g2g4\ngo depth 3\n", "score mate  1", nullptr},
        {"position startpos moves f2f3 e7e5 g2g4\ngo depth 3\n", "bestmove d8h4\n0-1 {Black mates}\n", nullptr},
        // Stalemate and checkmate: nothing to search.
        {"position fen 7k/5Q2/6K1/8/8/8/8/8 b - - 0 1\ngo depth 5\n", "bestmove 0000\n", "info depth"},
        {"position fen 7k/6Q1/6K1/8/8/8/8/8 b - - 0 1\ngo depth 5\n", "bestmove 0000\n", "info depth"},
    };
    for (const Case& c : cases) {
        Session s;
        size_t from = s.search(c.commands);
        EXPECT_TRUE(s.engine.waitFor(c.mustShow, 5000, from)) << c.commands << s.out();
        if (c.mustNotShow) {
            EXPECT_EQ(s.out().find(c.mustNotShow, from), std::string::npos) << c.commands;
        }
        EXPECT_EQ(countOf(s.out(), "bestmove"), 1) << c.commands;
        EXPECT_EQ(s.quit(), 0);
    }
}

// Each search has its own limits only, and a depth never goes past the
// INI's MaxDepth.
TEST(Uci, LimitsOfOneSearchDoNotCarryOver)
{
    Session s("[ENGINE]\nMaxDepth=9\nThread=1\nHashSize=1\nHashEvalSize=1\nHashQSize=1\n"
              "[BOOK]\nBook=0\n[TABLEBASE]\nSyzygy=0\n");
    s.search("position startpos\ngo depth 2\n");
    // A clock search plays on past depth 2 (it has 60 s / 35 for the move).
    size_t from = s.search("position startpos\ngo wtime 60000 btime 60000\n");
    EXPECT_NE(s.out().find("info depth  5 ", from), std::string::npos) << s.out().substr(from);
    // A node limit is not a later search's limit either.
    from = s.search("position startpos\ngo nodes 300\n");
    EXPECT_LE(closingNodes(s.out(), from), 300);
    from = s.search("position startpos moves d2d4 g8f6\ngo depth 6\n");
    EXPECT_NE(s.out().find("info depth  6 ", from), std::string::npos);
    EXPECT_GT(closingNodes(s.out(), from), 300);
    // Nor a move time: with 1 ms for the first search, the second reaches its depth.
    s.search("position startpos\ngo movetime 1\n");
    from = s.search("position startpos\ngo depth 20\n");
    EXPECT_NE(s.out().find("info depth  9 ", from), std::string::npos);
    EXPECT_EQ(s.out().find("info depth 10 ", from), std::string::npos);
    EXPECT_EQ(s.quit(), 0);
}

// A bare go, go infinite and go ponder search until stop, quit or the end of
// input, and answer isready meanwhile; each ends with one bestmove.
TEST(Uci, SearchesWithoutALimitRunUntilStopQuitOrEndOfInput)
{
    const std::pair<std::string, std::string> cases[] = {{"go\n", "stop\n"}, {"go infinite\n", "quit\n"}, {"go ponder\n", ""}};
    for (const auto& [go, end] : cases) {
        Session s;
        s.engine.send("position startpos\n" + go);
        EXPECT_TRUE(s.engine.waitFor("info depth  1 ", ANSWER_MS)) << go;
        EXPECT_FALSE(s.engine.waitFor("bestmove", 300)) << go;
        s.ready("");
        if (end.empty())
            s.engine.closeInput();
        else
            s.engine.send(end);
        EXPECT_EQ(end == "stop\n" ? s.quit() : s.engine.wait(20000), 0) << go;
        EXPECT_EQ(countOf(s.out(), "bestmove"), 1) << go;
        EXPECT_EQ(countOf(s.out(), "Command: infinite\n"), int(go == "go infinite\n")) << go;
    }
}

TEST(Uci, PonderhitStartsTheClockFromGo)
{
    Session s;
    s.engine.send("position startpos moves e2e4\ngo ponder wtime 60000 btime 2000\n");
    EXPECT_FALSE(s.engine.waitFor("bestmove", 400));
    s.engine.send("ponderhit\n");
    // 20 s / 35: the clock counts from "go", so the move comes soon after.
    EXPECT_TRUE(s.engine.waitFor("bestmove", 20000));
    // A stopped ponder search with a depth limit answers, and the next search follows.
    size_t from = s.out().size();
    s.engine.send("position startpos\ngo ponder depth 2 wtime 60000 btime 60000\n");
    EXPECT_FALSE(s.engine.waitFor("bestmove", 400, from));
    s.engine.send("stop\n");
    EXPECT_TRUE(s.engine.waitFor("bestmove", 20000, from));
    s.search("position startpos moves e2e4\ngo depth 3\n");
    EXPECT_EQ(s.quit(), 0);
}

TEST(Uci, StopAndIsreadyDuringATimedSearch)
{
    Session s;
    s.engine.send("position startpos\ngo movetime 5000\n");
    ASSERT_TRUE(s.engine.waitFor("info depth  1 ", ANSWER_MS));
    s.engine.send("isready\n");
    // Answered while the search goes on.
    EXPECT_TRUE(s.engine.waitFor("readyok", 2000));
    EXPECT_EQ(s.out().find("bestmove"), std::string::npos);
    auto sent = std::chrono::steady_clock::now();
    s.engine.send("stop\n");
    EXPECT_TRUE(s.engine.waitFor("bestmove", 2500));
    EXPECT_LT(std::chrono::steady_clock::now() - sent, std::chrono::milliseconds(2500));  // well before 5 s
    EXPECT_EQ(countOf(s.out(), "bestmove"), 1);
    EXPECT_EQ(s.quit(), 0);
}

TEST(Uci, LinesSentDuringASearchAreHandledAfterItInOrder)
{
    Session s;
    s.engine.send("position startpos\ngo movetime 1500\n");
    ASSERT_TRUE(s.engine.waitFor("info depth  1 ", ANSWER_MS));
    // Queued behind the running search, taken in order once it has answered.
    s.engine.send("setoption name MultiPV value 2\nposition startpos moves e2e4\ngo depth 3\n");
    ASSERT_TRUE(s.engine.waitFor("bestmove", ANSWER_MS));
    size_t first = s.out().find("bestmove");
    ASSERT_TRUE(s.engine.waitFor("bestmove", ANSWER_MS, first + 1));
    std::string best = bestMoveOf(s.out(), first + 1);
    EXPECT_TRUE(best[1] == '7' || best[1] == '8') << "black to move after e2e4: " << best;
    EXPECT_NE(s.out().find(" multipv 2 score", first), std::string::npos);
    EXPECT_GT(s.out().find("multipv"), first);  // not during the first search
    EXPECT_EQ(s.quit(), 0);
    EXPECT_EQ(countOf(s.out(), "bestmove"), 2);
}

TEST(Uci, StopOrPonderhitRightAfterGoIsNotLost)
{
    // The reader may take these before the loop has begun the search.
    for (int i = 0; i < 5; ++i) {
        Session s;
        s.engine.send("position startpos\ngo infinite\nstop\n");
        EXPECT_TRUE(s.engine.waitFor("bestmove", ANSWER_MS));
        s.engine.send("go ponder wtime 1000 btime 60000\nponderhit\n");
        EXPECT_TRUE(s.engine.waitFor("bestmove", ANSWER_MS, s.out().find("bestmove") + 1));
        EXPECT_EQ(s.quit(), 0);
        EXPECT_EQ(countOf(s.out(), "bestmove"), 2);
    }
}

TEST(Uci, SearchMovesRestrictTheRoot)
{
    // The move list ends at the first word that is no move.
    Session s;
    size_t from = s.search("position startpos\ngo searchmoves g1f3 b1c3 depth 3\n");
    const std::string best = bestMoveOf(s.out(), from);
    EXPECT_TRUE(best == "g1f3" || best == "b1c3") << best;
    EXPECT_NE(s.out().find("info depth  3 ", from), std::string::npos);
    EXPECT_EQ(s.out().find("info depth  4 ", from), std::string::npos);
    // A single allowed move is answered at once, as a single legal move is.
    from = s.search("position startpos\ngo depth 10 searchmoves g1f3\n");
    EXPECT_EQ(bestMoveOf(s.out(), from), "g1f3");
    EXPECT_NE(s.out().find("info depth  0 ", from), std::string::npos);
    EXPECT_EQ(s.quit(), 0);
}

// Hash and Threads reallocate the tables, also between searches, and keep
// their values over a new game; Ponder off drops the ponder move.
TEST(Uci, SetoptionsBetweenSearches)
{
    Session s;
    size_t from = s.ready("setoption name Hash value 4\nsetoption name threads value 3\n");
    EXPECT_NE(s.out().find("Allocated     4 MB for the Hash Table", from), std::string::npos);
    EXPECT_NE(s.out().find("Allocated     1 MB for the HashQ Table for Thread 3", from), std::string::npos);
    EXPECT_NE(s.out().find(" ponder ", s.search("position startpos\ngo depth 5\n")), std::string::npos);
    from = s.ready("setoption name Hash value 2\nucinewgame\nsetoption name Clear Hash\nsetoption name Ponder value false\n");
    EXPECT_NE(s.out().find("Allocated     2 MB for the Hash Table", from), std::string::npos);
    EXPECT_EQ(s.out().find(" ponder ", s.search("position startpos\ngo depth 5\n")), std::string::npos);
    EXPECT_EQ(s.quit(), 0);
}

// The first "isready" after the tables are made clears them (so that their
// pages are not mapped during a search); later ones must keep what the
// searches stored, or every move would start from an empty table. The node
// counts tell: the classic search, which learns nothing else between
// searches, needs far fewer nodes from a filled table.
TEST(Uci, OnlyTheFirstIsreadyAfterAllocationClearsTheTables)
{
    Session s;
    s.engine.send("setoption name Classic value true\n");
    const std::string search = "position startpos moves e2e4 e7e5\ngo depth 8\n";
    s.ready("");
    long long first = closingNodes(s.out(), s.search(search));
    s.ready("");
    long long again = closingNodes(s.out(), s.search(search));
    ASSERT_GT(first, 0);
    EXPECT_LT(again, first / 2) << "the table was emptied by isready";
    // A new table is cleared by the next isready and searched from empty.
    s.ready("setoption name Hash value 2\n");
    EXPECT_GT(closingNodes(s.out(), s.search(search)), again);
    // A search before any isready writes the new table itself: a later
    // isready must keep what it stored.
    s.engine.send("setoption name Hash value 4\n");
    long long unready = closingNodes(s.out(), s.search(search));
    s.ready("");
    EXPECT_LT(closingNodes(s.out(), s.search(search)), unready / 2) << "the table was emptied by isready";
    EXPECT_EQ(s.quit(), 0);
}

TEST(Uci, BadSetoptionLinesAreReported)
{
    struct Case {
        const char* line;
        const char* answer;
    };
    const Case cases[] = {
        {"setoption name Frobnicate value 3", "info string unknown option Frobnicate"},
        {"setoption name Hash value 0", "info string option Hash: 0 is out of range 1..8192; 1 used"},
        {"setoption name Threads value 99", "info string option Threads: 99 is out of range 1..24; 24 used"},
        {"setoption name MultiPV value many", "info string option MultiPV takes a whole number"},
        {"setoption name Ponder value perhaps", "info string option Ponder takes true or false"},
        {"setoption name Syzygy50MoveRule value 1", "info string option Syzygy50MoveRule takes true or false"},
        {"setoption name SyzygyProbeDepth value 0", "info string option SyzygyProbeDepth: 0 is out of range 1..100; 1 used"},
        {"setoption name SyzygyProbeDepth value 101", "info string option SyzygyProbeDepth: 101 is out of range 1..100; 100 used"},
        {"setoption name SyzygyProbeDepth value 7x", "info string option SyzygyProbeDepth takes a whole number"},
        {"setoption name OwnBook", "info string option OwnBook needs a value"},
        {"setoption name UCI_Elo value 9999", "info string option UCI_Elo: 9999 is out of range 1320..2400; 2400 used"},
        {"setoption name UCI_Elo value strong", "info string option UCI_Elo takes a whole number"},
        {"setoption name UCI_ShowWDL value yes", "info string option UCI_ShowWDL takes true or false"},
        {"setoption name UCI_LimitStrength value 1", "info string option UCI_LimitStrength takes true or false"},
        {"setoption value 3", "info string setoption needs a name"},
    };
    Session s;
    for (const Case& c : cases) {
        size_t from = s.ready(std::string(c.line) + "\n");
        EXPECT_NE(s.out().find(c.answer, from), std::string::npos) << c.line << "\n" << s.out().substr(from);
    }
    EXPECT_EQ(s.quit(), 0);
}

// With UCI_ShowWDL every line with a score carries "wdl W D L" summing to
// 1000 (a mate all win); without it, none does. A bad value keeps it off.
TEST(Uci, ShowWdlInEveryScoredLine)
{
    Session s;
    s.engine.send("setoption name UCI_ShowWDL value yes\n");
    size_t from = s.search("position startpos\ngo depth 4\n");
    EXPECT_EQ(s.out().find(" wdl ", from), std::string::npos);
    s.engine.send("setoption name UCI_ShowWDL value true\n");
    from = s.search("position startpos\ngo depth 5\n");
    s.search("position fen 6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1\ngo depth 3\n");
    int scored = 0;
    for (const std::string& line : linesOf(s.out().substr(from))) {
        if (line.find(" score ") == std::string::npos)
            continue;
        ++scored;
        int w = -1, d = -1, l = -1;
        const size_t at = line.find(" wdl ");
        ASSERT_NE(at, std::string::npos) << line;
        EXPECT_EQ(std::sscanf(line.c_str() + at, " wdl %d %d %d", &w, &d, &l), 3) << line;
        EXPECT_TRUE(w >= 0 && d >= 0 && l >= 0 && w + d + l == 1000) << line;
        if (line.find(" score mate ") != std::string::npos) {
            EXPECT_EQ(w, 1000) << line;
        }
    }
    EXPECT_GE(scored, 6);
    EXPECT_EQ(s.quit(), 0);
}

// A limited level stays within its node budget, still plays a legal move on
// the clock, and full strength returns when the limit is switched off.
TEST(Uci, LimitStrengthCapsTheNodes)
{
    Session s;
    s.engine.send("setoption name UCI_LimitStrength value true\nsetoption name UCI_Elo value 1320\n");
    size_t from = s.search("position startpos\ngo depth 30\n");
    const long long cap = 1200;  // the lowest level's node cap (src/frontend/strength.cpp)
    EXPECT_LE(closingNodes(s.out(), from), cap);
    EXPECT_GT(closingNodes(s.out(), from), 0);
    from = s.search("position startpos moves e2e4\ngo wtime 1000 btime 1000\n");
    const std::string best = wordAfter(s.out(), "bestmove ", from);
    EXPECT_TRUE(best == "e7e5" || best.size() == 4) << best;
    s.engine.send("setoption name UCI_LimitStrength value false\n");
    from = s.search("position startpos\ngo depth 8\n");
    EXPECT_GT(closingNodes(s.out(), from), cap);
    EXPECT_EQ(s.quit(), 0);
}

TEST(Uci, MultiPvGivesDistinctLinesBestFirst)
{
    Session s;
    s.engine.send("setoption name MultiPV value 3\n");
    size_t from = s.search("position startpos moves e2e4 e7e5\ngo depth 6\n");
    // The last three depth-6 lines (an aspiration failure before them shows
    // one line alone).
    std::vector<std::string> lines;
    for (const std::string& line : linesOf(s.out().substr(from)))
        if (line.rfind("info depth  6 ", 0) == 0)
            lines.push_back(line);
    ASSERT_GE(lines.size(), 3u) << s.out();
    lines.erase(lines.begin(), lines.end() - 3);
    std::vector<long long> scores;
    std::set<std::string> moves;
    for (const std::string& line : lines) {
        EXPECT_EQ(numberAfter(line, " multipv "), int(scores.size()) + 1) << line;
        scores.push_back(numberAfter(line, " score cp "));
        moves.insert(wordAfter(line, " pv "));
    }
    EXPECT_EQ(moves.size(), 3u);
    EXPECT_GE(scores[0], scores[1]);
    EXPECT_GE(scores[1], scores[2]);
    EXPECT_EQ(bestMoveOf(s.out(), from), wordAfter(lines[0], " pv "));
    // The value outlives a new game.
    s.engine.send("ucinewgame\n");
    from = s.search("position startpos\ngo depth 2\n");
    EXPECT_NE(s.out().find(" multipv 3 score", from), std::string::npos);
    // Back to one line: the single-PV form without the multipv token.
    s.engine.send("setoption name MultiPV value 1\n");
    from = s.search("position startpos\ngo depth 3\n");
    EXPECT_EQ(s.out().find("multipv", from), std::string::npos);
    EXPECT_EQ(s.quit(), 0);
}

TEST(Uci, MoveOverheadComesOffTheClock)
{
    // One move to go with 1 s left: the classic allocation takes the whole
    // second, or 0.2 s with an overhead of 800 ms; the default play at most
    // four fifths of what is left.
    for (const bool classic : {true, false}) {
        Session s;
        s.engine.send(classic ? "setoption name Classic value true\n" : "");
        s.engine.send("setoption name Move Overhead value 0\n");
        size_t from = s.search("position startpos\ngo wtime 1000 btime 1000 movestogo 1\n");
        long long whole = closingTime(s.out(), from);
        s.engine.send("setoption name Move Overhead value 800\n");
        from = s.search("position startpos\ngo wtime 1000 btime 1000 movestogo 1\n");
        long long reduced = closingTime(s.out(), from);
        if (classic) {
            EXPECT_GE(whole, 1000);
            EXPECT_GE(reduced, 200);
        } else {
            EXPECT_LT(whole, 950);
            EXPECT_GT(whole, 300);
        }
        EXPECT_LT(reduced, classic ? 900 : 250);
        EXPECT_EQ(s.quit(), 0);
    }
}

// The ponder move is named only while the opponent has at least 12 s; our
// own move overhead does not come off the opponent's clock.
TEST(Uci, PonderMoveNeedsTwelveSecondsOnTheOpponentsClock)
{
    Session s;
    s.engine.send("setoption name Move Overhead value 500\nisready\n");
    size_t from = s.search("position startpos\ngo wtime 600000 btime 12000 depth 4\n");
    EXPECT_NE(s.out().find(" ponder ", from), std::string::npos);
    from = s.search("position startpos\ngo wtime 600000 btime 11990 depth 4\n");
    EXPECT_EQ(s.out().find(" ponder ", from), std::string::npos);
    EXPECT_EQ(s.quit(), 0);
}

// The Classic option switches the search for the next "go": each mode gives
// its own node count, the same again after a new game, and the INI key sets
// the mode from the start.
TEST(Uci, ClassicOptionSwitchesTheSearch)
{
    const std::string search = "ucinewgame\nisready\nposition startpos\ngo depth 7\n";
    Session s;
    const long long standard = closingNodes(s.out(), s.search(search));
    s.engine.send("setoption name Classic value true\n");
    const long long classic = closingNodes(s.out(), s.search(search));
    s.engine.send("setoption name Classic value false\n");
    EXPECT_EQ(closingNodes(s.out(), s.search(search)), standard);
    EXPECT_NE(standard, classic);
    EXPECT_GT(standard, 0);
    EXPECT_EQ(s.quit(), 0);

    std::string ini = SMALL_INI;
    ini.insert(ini.find("[ENGINE]\n") + 9, "Classic=1\n");
    Session fromIni(ini.c_str());
    EXPECT_EQ(closingNodes(fromIni.out(), fromIni.search(search)), classic);
    EXPECT_EQ(fromIni.quit(), 0);
}


namespace {

// White mates at once by castling long: the rook lands on d1 and the black
// king on d8 is walled in by its own men. The king stands on b1, so the move
// can only be written as the king taking its rook.
const char* const MATE_BY_CASTLING = "2rkr3/2p1p3/8/8/8/8/8/RK6 w A - 0 1";

} // namespace

// UCI_Chess960 (default: the INI's Chess960) makes the games set up from then
// on Chess960 ones: Shredder-FEN and X-FEN rights, castling written and read
// as the king taking its rook. A bad value leaves the option as it was.
TEST(Uci, Chess960CastlingIsTheKingTakingItsRook)
{
    Session s;
    EXPECT_NE(s.out().find("option name UCI_Chess960 type check default false\n"), std::string::npos);
    size_t from = s.search("setoption name UCI_Chess960 value maybe\nposition fen " + std::string(MATE_BY_CASTLING)
                           + "\ngo depth 1\n");
    EXPECT_NE(s.out().find("info string option UCI_Chess960 takes true or false; 'maybe' ignored", from),
              std::string::npos);
    EXPECT_NE(s.out().find("#DEBUG: BAD FEN|MOVES!", from), std::string::npos);
    const std::string best = bestMoveOf(s.out(), from);
    EXPECT_TRUE(best[1] == '1' || best[1] == '2') << "from the start position: " << best;

    s.engine.send("setoption name UCI_Chess960 value true\n");
    // The rights as Shredder-FEN and as X-FEN (Q: the outermost rook).
    for (const std::string fen : {MATE_BY_CASTLING, "2rkr3/2p1p3/8/8/8/8/8/RK6 w Q - 0 1"}) {
        from = s.search("position fen " + fen + "\ngo depth 3\n");
        EXPECT_EQ(bestMoveOf(s.out(), from), "b1a1") << fen;
        EXPECT_NE(s.out().find("score mate  1", from), std::string::npos) << fen;
        EXPECT_EQ(wordAfter(s.out(), " pv ", from), "b1a1") << fen;
    }
    // Read back in a move list: Black is mated and has no move. Castling from
    // the standard set-up is the king taking its rook too.
    from = s.search("position fen " + std::string(MATE_BY_CASTLING) + " moves b1a1\ngo depth 2\n");
    EXPECT_EQ(bestMoveOf(s.out(), from), "0000");
    from = s.search("position fen r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1 moves e1h1 e8a8\ngo depth 1\n");
    EXPECT_EQ(s.out().find("#DEBUG", from), std::string::npos);
    EXPECT_EQ(s.quit(), 0);

    Session fromIni("[ENGINE]\nThread=1\nHashSize=1\nHashEvalSize=1\nHashQSize=1\nChess960=1\n"
                    "[BOOK]\nBook=0\n[TABLEBASE]\nSyzygy=0\n");
    EXPECT_NE(fromIni.out().find("option name UCI_Chess960 type check default true\n"), std::string::npos);
    from = fromIni.search("position fen " + std::string(MATE_BY_CASTLING) + "\ngo depth 2\n");
    EXPECT_EQ(bestMoveOf(fromIni.out(), from), "b1a1");
    EXPECT_EQ(fromIni.quit(), 0);
}

// With the test tables (at most four men) probed up to three men.
// Syzygy50MoveRule off makes a win that the clock spoils a win again;
// SyzygyProbeDepth keeps the tree's probes to nodes with that much depth left
// (the root of four men is not probed). Bad values leave the options as they
// were.
TEST(Uci, TablebaseOptions)
{
    const std::string tables = testDataPath("syzygy");
    Session s(("[ENGINE]\nThread=1\nHashSize=1\nHashEvalSize=1\nHashQSize=1\n[BOOK]\nBook=0\n[TABLEBASE]\nSyzygy=1\n"
               "SyzygyMen=3\nwdlPath=" + tables + "\ndtzPath=" + tables + "\n").c_str());
    const std::string spoiled = "position fen 8/8/8/5k2/K7/8/8/6q1 b - - 92 1\ngo depth 3\n";
    // With the rule the tables' 2 is less than what the search finds.
    const std::pair<std::string, bool> rules[] = {{"", false},
                                                  {"setoption name Syzygy50MoveRule value false\n", true},
                                                  {"setoption name Syzygy50MoveRule value maybe\n", true},
                                                  {"setoption name Syzygy50MoveRule value true\n", false}};
    for (const auto& [option, tablesWin] : rules) {
        const size_t from = s.search(option + spoiled);
        EXPECT_EQ(s.out().find("score cp  15000 ", from) != std::string::npos, tablesWin) << option << s.out().substr(from);
    }

    const std::string fourMen = "position fen 6r1/8/2k5/8/8/8/1Q6/K7 w - - 0 1\ngo depth 6\n";
    struct DepthCase {
        const char* option;
        bool probes;
    };
    const DepthCase depths[] = {{"", true},
                                {"setoption name SyzygyProbeDepth value 100\n", false},
                                {"setoption name SyzygyProbeDepth value x\n", false},
                                {"setoption name SyzygyProbeDepth value 1\n", true}};
    for (const DepthCase& c : depths) {
        const size_t from = s.search(std::string("ucinewgame\n") + c.option + fourMen);
        const size_t last = s.out().rfind("info depth  6 ");
        ASSERT_GT(last, from) << c.option;
        EXPECT_EQ(numberAfter(s.out(), " tbhits ", last) > 0, c.probes) << c.option << s.out().substr(last);
    }
    EXPECT_EQ(s.quit(), 0);
}

namespace {

// A "go perft" reply must be "<move>: <count>" lines, an empty line and the
// total; returns the total, or -1 when the form is wrong or the counts do not
// add up. The move lines go to `moves`.
long long readPerftReply(const std::string& text, std::string& moves)
{
    std::istringstream in(text);
    std::string line;
    long long sum = 0;
    while (std::getline(in, line) && !line.empty()) {
        const size_t colon = line.find(": ");
        if (colon == std::string::npos || line.find_first_not_of("0123456789", colon + 2) != std::string::npos)
            return -1;
        sum += std::atoll(line.c_str() + colon + 2);
        moves += line + "\n";
    }
    return std::getline(in, line) && line == "Nodes searched: " + std::to_string(sum) ? sum : -1;
}

} // namespace

TEST(Uci, GoPerftOneLinePerMoveThenTheTotal)
{
    struct Case {
        bool chess960;
        const char* position;
        int depth;
        long long total;
        const char* castling;  // lines that must be there
    };
    const Case cases[] = {
        {false, "startpos", 3, 8902, "e2e4: 600\n"},
        {false, "fen r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", 2, 568, "e1g1: 23\ne1c1: 23\n"},
        {true, "fen r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", 2, 568, "e1h1: 23\ne1a1: 23\n"},
        // Chess960: the king already on g1; a king and rook side by side.
        {true, "fen nr1bbqkr/pppp3p/1n2p3/5pp1/4P3/P5PQ/1PPP1P1P/NRNBB1KR w HBhb - 0 5", 3, 32409, "g1h1: "},
        {true, "fen nnrkbbqr/pppppppp/8/8/8/8/PPPPPPPP/NNRKBBQR w HChc - 0 1", 2, 400, "d1c1: 20\n"},
    };
    Session s;
    for (const Case& c : cases) {
        const std::string option = std::string("setoption name UCI_Chess960 value ") + (c.chess960 ? "true\n" : "false\n");
        const size_t from = s.answer(option + "position " + c.position + "\ngo perft " + std::to_string(c.depth) + "\n",
                                     "Nodes searched");
        std::string moves;
        EXPECT_EQ(readPerftReply(s.out().substr(from), moves), c.total) << s.out().substr(from);
        std::istringstream wanted(c.castling);
        for (std::string line; std::getline(wanted, line);)
            EXPECT_NE(moves.find(line), std::string::npos) << line << "\n" << moves;
    }
    EXPECT_EQ(s.quit(), 0);
}

TEST(Uci, GoPerftBadDepthsAndStop)
{
    Session s;
    // Each bad depth is answered by one line and no count.
    size_t from = s.answer("go perft\ngo perft 0\ngo perft x\ngo perft 65\ngo perft 1\n", "Nodes searched");
    EXPECT_EQ(countOf(s.out().substr(from), "info string go perft takes a depth from 1 to 64\n"), 4);
    EXPECT_EQ(countOf(s.out().substr(from), "Nodes searched"), 1);
    // Depth 9 runs for hours; "stop" ends it at once with an incomplete total,
    // and is not kept for the next command.
    from = s.answer("position startpos\ngo perft 9\nstop\n", "Nodes searched");
    EXPECT_NE(s.out().find("info string go perft stopped", from), std::string::npos);
    std::string moves;
    from = s.answer("go perft 1\n", "Nodes searched");
    EXPECT_EQ(readPerftReply(s.out().substr(from), moves), 20);
    EXPECT_EQ(countOf(s.out(), "bestmove"), 0);
    EXPECT_EQ(s.quit(), 0);
}

// "ardentis bench [depth] [default|classic]" prints each search's node count
// and speed, and last the played (default) search's as "<N> nodes <M> nps";
// a depth that is no number from 1 up, or another mode, fails with status 1.
TEST(BenchCommand, PrintsTheNodeSignature)
{
    const std::pair<const char*, bool> cases[] = {{" bench", false}, {" bench 9", false}, {" bench 9 classic", false},
                                                  {" bench 9 default", false}, {" bench 0", true},
                                                  {" bench deep", true}, {" bench 9 modern", true}};
    for (const auto& [arguments, fails] : cases) {
        FILE* pipe = popen((ARDENTIS_ENGINE + std::string(arguments) + " </dev/null 2>&1").c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string out;
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe))
            out += buffer;
        const int status = pclose(pipe);
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, fails ? 1 : 0) << arguments;
        if (!fails) {
            // Each search's block, and the last line with the played (default)
            // search's figures again, as distributed-testing frameworks read them.
            const bool classicOnly = std::strstr(arguments, "classic") != nullptr;
            const bool defaultOnly = std::strstr(arguments, "default") != nullptr;
            if (!defaultOnly) {
                EXPECT_NE(out.find("\nNodes searched: 407146\n"), std::string::npos) << arguments;
            }
            const std::string last = classicOnly ? "407146" : "100232";
            const long long nps = numberAfter(out, "\nNodes searched: " + last + "\nNodes/second: ");
            const std::string lastLine = "\n" + last + " nodes " + std::to_string(nps) + " nps\n";
            EXPECT_TRUE(nps > 0 && out.size() >= lastLine.size()
                        && out.compare(out.size() - lastLine.size(), lastLine.size(), lastLine) == 0)
                << arguments << "\n" << out;
        }
    }
}
