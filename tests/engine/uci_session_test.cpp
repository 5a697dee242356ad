// UCI as front ends use it, through the real binary: the limits of one "go"
// (and only that one), the input read while a search runs, the options and
// the command-line bench.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "support/engine_process.h"

namespace {

// Each search below must end by its own limit: a search that ignored it
// would run on until this wait gives up.
constexpr int ANSWER_MS = 30000;

long long millisecondsSince(std::chrono::steady_clock::time_point start)
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now() - start).count();
}

int count(const std::string& text, const std::string& what)
{
    int n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1))
        ++n;
    return n;
}

// The word after `key` in text, searching from `from` ("" when absent).
std::string wordAfter(const std::string& text, const std::string& key, size_t from = 0)
{
    size_t at = text.find(key, from);
    if (at == std::string::npos)
        return "";
    at += key.size();
    size_t end = text.find_first_of(" \n", at);
    return text.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

long long numberAfter(const std::string& text, const std::string& key, size_t from = 0)
{
    std::string word = wordAfter(text, key, from);
    return word.empty() ? -1 : std::atoll(word.c_str());
}

std::string bestMoveOf(const std::string& output, size_t from = 0) { return wordAfter(output, "bestmove ", from); }

// The node count and time of the closing "info nodes" line after from.
long long closingNodes(const std::string& output, size_t from = 0)
{
    return numberAfter(output, "\ninfo nodes ", from);
}

long long closingTime(const std::string& output, size_t from = 0)
{
    size_t at = output.find("\ninfo nodes ", from);
    return at == std::string::npos ? -1 : numberAfter(output, " time ", at);
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
    // Sends a search and waits for its bestmove; returns where its output starts.
    size_t search(const std::string& commands)
    {
        size_t from = engine.output.size();
        engine.send(commands);
        EXPECT_TRUE(engine.waitFor("bestmove", ANSWER_MS, from)) << commands;
        return from;
    }
    int quit()
    {
        engine.send("quit\n");
        return engine.wait(20000);
    }
};

} // namespace

TEST(UciSession, OptionsAnnouncedFromTheTable)
{
    Session s;
    const char* expected =
        "option name Ponder type check default true\n"
        "option name OwnBook type check default true\n"
        "option name Hash type spin default 1 min 1 max 8192\n"
        "option name Threads type spin default 1 min 1 max 24\n"
        "option name Clear Hash type button\n"
        "option name MultiPV type spin default 1 min 1 max 64\n"
        "option name Move Overhead type spin default 10 min 0 max 5000\n"
        "option name BookFile type string default Tomelore_12.9c.bin\n"
        "option name SyzygyPath type string default <empty>\n"
        "option name ParamFile type string default <empty>\n";
    EXPECT_NE(s.engine.output.find(expected), std::string::npos) << s.engine.output;
    EXPECT_EQ(s.quit(), 0);
}

TEST(UciSession, GoWithOneLimitEndsByItself)
{
    // Fresh engines: nothing set before but this one limit.
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
        // Mate in two (rook ladder) proved: the search ends there.
        {"position fen 6k1/8/8/8/8/8/R7/1R4K1 w - - 0 1\ngo mate 2\n", "score mate  2", nullptr},
        // No mate to find: the search ends at a depth that would have shown it.
        {"position startpos\ngo mate 2\n", "info depth  6 ", "info depth  7"},
    };
    for (const Case& c : cases) {
        Session s;
        size_t from = s.search(c.commands);
        EXPECT_NE(s.engine.output.find(c.mustShow, from), std::string::npos) << c.commands << s.engine.output;
        if (c.mustNotShow) {
            EXPECT_EQ(s.engine.output.find(c.mustNotShow, from), std::string::npos) << c.commands;
        }
        EXPECT_EQ(count(s.engine.output, "bestmove"), 1) << c.commands;
        EXPECT_EQ(bestMoveOf(s.engine.output).size(), 4u) << c.commands;
        EXPECT_EQ(s.quit(), 0);
    }
}

TEST(UciSession, NodeLimitIsKeptWithOneAndTwoThreads)
{
    for (const char* threads : {"1", "2"}) {
        Session s;
        s.engine.send(std::string("setoption name Threads value ") + threads + "\n");
        for (long long limit : {2LL, 777LL, 5000LL, 40000LL}) {
            size_t from = s.search("position startpos\ngo nodes " + std::to_string(limit) + "\n");
            long long nodes = closingNodes(s.engine.output, from);
            EXPECT_GT(nodes, 0) << threads << " threads, limit " << limit;
            EXPECT_LE(nodes, limit) << threads << " threads";
            EXPECT_EQ(bestMoveOf(s.engine.output, from).size(), 4u);
        }
        EXPECT_EQ(s.quit(), 0);
    }
}

TEST(UciSession, LimitsOfOneSearchDoNotCarryOver)
{
    Session s;
    s.search("position startpos\ngo depth 2\n");
    // A clock search plays on past depth 2 (it has 60 s / 35 for the move).
    size_t from = s.search("position startpos\ngo wtime 60000 btime 60000\n");
    EXPECT_NE(s.engine.output.find("info depth  5 ", from), std::string::npos) << s.engine.output.substr(from);
    // A node limit is not a later search's limit either.
    from = s.search("position startpos\ngo nodes 300\n");
    EXPECT_LE(closingNodes(s.engine.output, from), 300);
    from = s.search("position startpos\ngo depth 6\n");
    EXPECT_NE(s.engine.output.find("info depth  6 ", from), std::string::npos);
    EXPECT_GT(closingNodes(s.engine.output, from), 300);
    // Nor a move time: with 1 ms for the first search, the second reaches its depth.
    s.search("position startpos\ngo movetime 1\n");
    from = s.search("position startpos\ngo depth 9\n");
    EXPECT_NE(s.engine.output.find("info depth  9 ", from), std::string::npos);
    EXPECT_EQ(s.quit(), 0);
}

TEST(UciSession, DepthIsCappedByTheIniMaxDepth)
{
    const char* ini = "[ENGINE]\nMaxDepth=3\nThread=1\nHashSize=1\nHashEvalSize=1\nHashQSize=1\n"
                      "[BOOK]\nBook=0\n[TABLEBASE]\nSyzygy=0\n";
    Session s(ini);
    size_t from = s.search("position startpos\ngo depth 20\n");
    EXPECT_NE(s.engine.output.find("info depth  3 ", from), std::string::npos);
    EXPECT_EQ(s.engine.output.find("info depth  4 ", from), std::string::npos);
    EXPECT_EQ(s.quit(), 0);
}

TEST(UciSession, BareGoAndInfiniteSearchUntilStop)
{
    for (const char* go : {"go\n", "go infinite\n", "go ponder\n"}) {
        Session s;
        s.engine.send(std::string("position startpos\n") + go);
        EXPECT_TRUE(s.engine.waitFor("info depth  1 ", ANSWER_MS)) << go;
        EXPECT_FALSE(s.engine.waitFor("bestmove", 300)) << go;
        s.engine.send("stop\n");
        EXPECT_TRUE(s.engine.waitFor("bestmove", ANSWER_MS)) << go;
        EXPECT_EQ(count(s.engine.output, "bestmove"), 1) << go;
        EXPECT_EQ(s.quit(), 0);
    }
}

TEST(UciSession, StopAndIsreadyDuringATimedSearch)
{
    Session s;
    s.engine.send("position startpos\ngo movetime 5000\n");
    ASSERT_TRUE(s.engine.waitFor("info depth  1 ", ANSWER_MS));
    s.engine.send("isready\n");
    // Answered while the search goes on.
    EXPECT_TRUE(s.engine.waitFor("readyok", 2000));
    EXPECT_EQ(s.engine.output.find("bestmove"), std::string::npos);
    auto sent = std::chrono::steady_clock::now();
    s.engine.send("stop\n");
    EXPECT_TRUE(s.engine.waitFor("bestmove", 2500));
    EXPECT_LT(millisecondsSince(sent), 2500);  // well before the 5 s are up
    EXPECT_EQ(count(s.engine.output, "bestmove"), 1);
    EXPECT_EQ(s.quit(), 0);
}

TEST(UciSession, LinesSentDuringASearchAreHandledAfterItInOrder)
{
    Session s;
    s.engine.send("position startpos\ngo movetime 1500\n");
    ASSERT_TRUE(s.engine.waitFor("info depth  1 ", ANSWER_MS));
    // Queued behind the running search, taken in order once it has answered.
    s.engine.send("setoption name MultiPV value 2\nposition startpos moves e2e4\ngo depth 3\n");
    ASSERT_TRUE(s.engine.waitFor("bestmove", ANSWER_MS));
    size_t first = s.engine.output.find("bestmove");
    ASSERT_TRUE(s.engine.waitFor("bestmove", ANSWER_MS, first + 1));
    size_t second = s.engine.output.find("bestmove", first + 1);
    std::string best = bestMoveOf(s.engine.output, second);
    ASSERT_EQ(best.size(), 4u);
    EXPECT_TRUE(best[1] == '7' || best[1] == '8') << "black to move after e2e4: " << best;
    EXPECT_NE(s.engine.output.find(" multipv 2 score", first), std::string::npos);
    EXPECT_GT(s.engine.output.find("multipv"), first);  // not during the first search
    EXPECT_EQ(s.quit(), 0);
    EXPECT_EQ(count(s.engine.output, "bestmove"), 2);
}

TEST(UciSession, StopOrPonderhitRightAfterGoIsNotLost)
{
    // The reader may take these before the loop has begun the search.
    for (int i = 0; i < 5; ++i) {
        Session s;
        s.engine.send("position startpos\ngo\nstop\n");
        EXPECT_TRUE(s.engine.waitFor("bestmove", ANSWER_MS));
        s.engine.send("go ponder wtime 1000 btime 60000\nponderhit\n");
        EXPECT_TRUE(s.engine.waitFor("bestmove", ANSWER_MS, s.engine.output.find("bestmove") + 1));
        EXPECT_EQ(s.quit(), 0);
        EXPECT_EQ(count(s.engine.output, "bestmove"), 2);
    }
}

TEST(UciSession, QuitAndEndOfInputDuringASearch)
{
    for (bool endOfInput : {false, true}) {
        Session s;
        s.engine.send("position startpos\ngo infinite\n");
        ASSERT_TRUE(s.engine.waitFor("info depth  1 ", ANSWER_MS));
        if (endOfInput)
            s.engine.closeInput();
        else
            s.engine.send("quit\n");
        EXPECT_EQ(s.engine.wait(20000), 0);
        EXPECT_EQ(count(s.engine.output, "bestmove"), 1);
    }
}

TEST(UciSession, SearchMovesRestrictTheRoot)
{
    Session s;
    size_t from = s.search("position startpos\ngo depth 4 searchmoves a2a3 h2h4\n");
    std::string best = bestMoveOf(s.engine.output, from);
    EXPECT_TRUE(best == "a2a3" || best == "h2h4") << best;
    // The move list ends at the first word that is no move.
    from = s.search("position startpos\ngo searchmoves g1f3 b1c3 depth 3\n");
    best = bestMoveOf(s.engine.output, from);
    EXPECT_TRUE(best == "g1f3" || best == "b1c3") << best;
    EXPECT_NE(s.engine.output.find("info depth  3 ", from), std::string::npos);
    EXPECT_EQ(s.engine.output.find("info depth  4 ", from), std::string::npos);
    // A single allowed move is answered at once, as a single legal move is.
    from = s.search("position startpos\ngo depth 10 searchmoves g1f3\n");
    EXPECT_EQ(bestMoveOf(s.engine.output, from), "g1f3");
    EXPECT_NE(s.engine.output.find("info depth  0 ", from), std::string::npos);
    EXPECT_EQ(s.quit(), 0);
}

TEST(UciSession, SetoptionHashAndThreadsReallocate)
{
    Session s;
    s.engine.send("setoption name Hash value 4\nsetoption name threads value 3\nisready\n");
    ASSERT_TRUE(s.engine.waitFor("readyok"));
    EXPECT_NE(s.engine.output.find("Allocated     4 MB for the Hash Table"), std::string::npos);
    EXPECT_NE(s.engine.output.find("Allocated     1 MB for the HashQ Table for Thread 3"), std::string::npos);
    s.search("position startpos\ngo depth 5\n");
    // Between searches too, and the value survives a new game.
    size_t from = s.engine.output.size();
    s.engine.send("setoption name Hash value 2\nucinewgame\nsetoption name Clear Hash\nisready\n");
    ASSERT_TRUE(s.engine.waitFor("readyok", 10000, from));
    EXPECT_NE(s.engine.output.find("Allocated     2 MB for the Hash Table", from), std::string::npos);
    s.search("position startpos\ngo depth 5\n");
    EXPECT_EQ(s.quit(), 0);
}

// The first "isready" after the tables are made clears them (so that their
// pages are not mapped during a search); later ones must keep what the
// searches stored, or every move would start from an empty table.
TEST(UciSession, OnlyTheFirstIsreadyAfterAllocationClearsTheTables)
{
    Session s;
    const std::string search = "position startpos moves e2e4 e7e5\ngo depth 8\n";
    s.engine.send("isready\n");
    ASSERT_TRUE(s.engine.waitFor("readyok"));
    long long first = closingNodes(s.engine.output, s.search(search));
    size_t from = s.engine.output.size();
    s.engine.send("isready\n");
    ASSERT_TRUE(s.engine.waitFor("readyok", 10000, from));
    long long again = closingNodes(s.engine.output, s.search(search));
    ASSERT_GT(first, 0);
    EXPECT_LT(again, first / 2) << "the table was emptied by isready";
    // A new table is cleared by the next isready and searched from empty.
    from = s.engine.output.size();
    s.engine.send("setoption name Hash value 2\nisready\n");
    ASSERT_TRUE(s.engine.waitFor("readyok", 10000, from));
    long long resized = closingNodes(s.engine.output, s.search(search));
    EXPECT_GT(resized, again);
    // A search before any isready writes the new table itself: a later
    // isready must keep what it stored.
    s.engine.send("setoption name Hash value 4\n");
    long long unready = closingNodes(s.engine.output, s.search(search));
    from = s.engine.output.size();
    s.engine.send("isready\n");
    ASSERT_TRUE(s.engine.waitFor("readyok", 10000, from));
    EXPECT_LT(closingNodes(s.engine.output, s.search(search)), unready / 2) << "the table was emptied by isready";
    EXPECT_EQ(s.quit(), 0);
}

TEST(UciSession, BadSetoptionLinesAreReported)
{
    struct Case {
        const char* line;
        const char* answer;
    };
    const Case cases[] = {
        {"setoption name Frobnicate value 3", "info string unknown option Frobnicate"},
        {"setoption name Hash value 0", "info string option Hash: 0 is out of range 1..8192; 1 used"},
        {"setoption name Threads value 99", "info string option Threads: 99 is out of range 1..24; 24 used"},
        {"setoption name Threads value 1", ""},
        {"setoption name MultiPV value many", "info string option MultiPV takes a whole number"},
        {"setoption name Move Overhead value 12ms", "info string option Move Overhead takes a whole number"},
        {"setoption name Ponder value perhaps", "info string option Ponder takes true or false"},
        {"setoption name OwnBook", "info string option OwnBook needs a value"},
        {"setoption value 3", "info string setoption needs a name"},
    };
    Session s;
    for (const Case& c : cases) {
        size_t from = s.engine.output.size();
        s.engine.send(std::string(c.line) + "\nisready\n");
        ASSERT_TRUE(s.engine.waitFor("readyok", 20000, from)) << c.line;
        EXPECT_NE(s.engine.output.find(c.answer, from), std::string::npos) << c.line << "\n"
                                                                         << s.engine.output.substr(from);
    }
    EXPECT_EQ(s.quit(), 0);
}

TEST(UciSession, MultiPvGivesDistinctLinesBestFirst)
{
    Session s;
    s.engine.send("setoption name MultiPV value 3\n");
    size_t from = s.search("position startpos moves e2e4 e7e5\ngo depth 6\n");
    std::string out = s.engine.output.substr(from);
    std::vector<int> scores;
    std::set<std::string> moves;
    std::string firstMove;
    // The last three depth-6 lines (an aspiration failure before them shows
    // one line alone).
    std::vector<std::string> lines;
    for (size_t at = out.find("info depth  6 "); at != std::string::npos; at = out.find("info depth  6 ", at + 1))
        lines.push_back(out.substr(at, out.find('\n', at) - at));
    ASSERT_GE(lines.size(), 3u) << out;
    lines.erase(lines.begin(), lines.end() - 3);
    for (const std::string& line : lines) {
        EXPECT_EQ(numberAfter(line, " multipv "), int(scores.size()) + 1) << line;
        scores.push_back(int(numberAfter(line, " score cp ")));
        moves.insert(wordAfter(line, " pv "));
        if (firstMove.empty())
            firstMove = wordAfter(line, " pv ");
    }
    ASSERT_EQ(scores.size(), 3u) << out;
    EXPECT_EQ(moves.size(), 3u);
    EXPECT_GE(scores[0], scores[1]);
    EXPECT_GE(scores[1], scores[2]);
    EXPECT_EQ(bestMoveOf(out), firstMove);
    // The value outlives a new game.
    s.engine.send("ucinewgame\n");
    from = s.search("position startpos\ngo depth 2\n");
    EXPECT_NE(s.engine.output.find(" multipv 3 score", from), std::string::npos);
    // Back to one line: the single-PV form without the multipv token.
    s.engine.send("setoption name MultiPV value 1\n");
    from = s.search("position startpos\ngo depth 3\n");
    EXPECT_EQ(s.engine.output.find("multipv", from), std::string::npos);
    EXPECT_EQ(s.quit(), 0);
}

TEST(UciSession, MoveOverheadComesOffTheClock)
{
    // One move to go with 1 s left: the whole second, or 0.2 s with an
    // overhead of 800 ms.
    Session s;
    s.engine.send("setoption name Move Overhead value 0\n");
    size_t from = s.search("position startpos\ngo wtime 1000 btime 1000 movestogo 1\n");
    long long whole = closingTime(s.engine.output, from);
    s.engine.send("setoption name Move Overhead value 800\n");
    from = s.search("position startpos\ngo wtime 1000 btime 1000 movestogo 1\n");
    long long reduced = closingTime(s.engine.output, from);
    EXPECT_GE(whole, 1000);
    EXPECT_GE(reduced, 200);
    EXPECT_LT(reduced, 900);
    EXPECT_EQ(s.quit(), 0);
}

// The ponder move is named only while the opponent has at least 12 s; our
// own move overhead does not come off the opponent's clock.
TEST(UciSession, PonderMoveNeedsTwelveSecondsOnTheOpponentsClock)
{
    Session s;
    s.engine.send("setoption name Move Overhead value 500\nisready\n");
    size_t from = s.search("position startpos\ngo wtime 600000 btime 12000 depth 4\n");
    EXPECT_NE(s.engine.output.find(" ponder ", from), std::string::npos);
    from = s.search("position startpos\ngo wtime 600000 btime 11990 depth 4\n");
    EXPECT_EQ(s.engine.output.find(" ponder ", from), std::string::npos);
    EXPECT_EQ(s.quit(), 0);
}

TEST(UciSession, PonderOptionOffDropsThePonderMove)
{
    Session s;
    s.engine.send("isready\n");
    size_t from = s.search("position startpos\ngo depth 4\n");
    EXPECT_NE(s.engine.output.find(" ponder ", from), std::string::npos);
    s.engine.send("setoption name Ponder value false\nisready\n");
    from = s.search("position startpos\ngo depth 4\n");
    EXPECT_EQ(s.engine.output.find(" ponder ", from), std::string::npos);
    EXPECT_EQ(s.quit(), 0);
}

TEST(BenchCommand, PrintsTheNodeSignature)
{
    struct Case {
        const char* arguments;
        int status;
        const char* lastButOne;
    };
    const Case cases[] = {
        {" bench", 0, "Nodes searched: 407146"},
        {" bench 9", 0, "Nodes searched: 407146"},
        {" bench 0", 1, nullptr},
        {" bench deep", 1, nullptr},
    };
    for (const Case& c : cases) {
        std::string command = std::string(ARDENTIS_ENGINE) + c.arguments + " </dev/null 2>&1";
        FILE* pipe = popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::vector<std::string> lines;
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe))
            lines.emplace_back(buffer);
        int status = pclose(pipe);
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, c.status) << c.arguments;
        if (!c.lastButOne)
            continue;
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[lines.size() - 2], std::string(c.lastButOne) + "\n") << c.arguments;
        const std::string rate = "Nodes/second: ";
        EXPECT_EQ(lines.back().rfind(rate, 0), 0u) << lines.back();
        EXPECT_GT(std::atoll(lines.back().c_str() + rate.size()), 0) << lines.back();
    }
}
