// Searches with two threads, a timer and the input monitor. In the
// ThreadSanitizer build these run the sanitized engine, so any data race
// between the search threads, the timer and the monitor fails them.
#include <gtest/gtest.h>

#include <string>

#include "support/engine_process.h"

namespace {

const char* const TWO_THREADS_INI =
    "[ENGINE]\nThread=2\nHashSize=1\nHashEvalSize=1\nHashQSize=1\n[BOOK]\nBook=0\n[TABLEBASE]\nSyzygy=0\n";

} // namespace

TEST(SearchThreads, TimedSearchWithTwoThreads)
{
    EngineProcess engine;
    ASSERT_TRUE(engine.start(TWO_THREADS_INI));
    engine.send("uci\nisready\nposition startpos moves e2e4 c7c5\ngo wtime 2000 btime 2000 winc 20 binc 20\n");
    EXPECT_TRUE(engine.waitFor("bestmove", 20000));
    engine.send("position startpos\ngo movetime 300\n");
    EXPECT_TRUE(engine.waitFor("bestmove", 20000, engine.output.find("bestmove") + 1));
    engine.send("quit\n");
    EXPECT_EQ(engine.wait(20000), 0);
    EXPECT_EQ(engine.output.find("ThreadSanitizer"), std::string::npos) << engine.output;
}

// The UCI input reader beside two search threads and the timer: isready and
// stop during a timed search, a node limit, options between searches, stop and
// ponderhit read before the search has begun, quit during a search.
TEST(SearchThreads, InputReaderDuringSearches)
{
    EngineProcess engine;
    ASSERT_TRUE(engine.start());
    engine.send("uci\nsetoption name Threads value 2\nsetoption name MultiPV value 2\nisready\n");
    ASSERT_TRUE(engine.waitFor("readyok", 20000));
    engine.send("position startpos\ngo movetime 5000\n");
    EXPECT_TRUE(engine.waitFor("info depth", 20000));
    engine.send("isready\n");
    EXPECT_TRUE(engine.waitFor("readyok", 20000, engine.output.find("info depth")));
    engine.send("stop\n");
    EXPECT_TRUE(engine.waitFor("bestmove", 20000));
    size_t after = engine.output.size();
    engine.send("setoption name Hash value 2\nposition startpos moves e2e4\ngo nodes 3000\n");
    EXPECT_TRUE(engine.waitFor("bestmove", 20000, after));
    after = engine.output.size();
    engine.send("go\nstop\ngo ponder wtime 500 btime 60000\nponderhit\n");
    EXPECT_TRUE(engine.waitFor("bestmove", 20000, after));
    EXPECT_TRUE(engine.waitFor("bestmove", 20000, engine.output.find("bestmove", after) + 1));
    after = engine.output.size();
    engine.send("go infinite\n");
    EXPECT_TRUE(engine.waitFor("info depth", 20000, after));
    engine.send("quit\n");
    EXPECT_EQ(engine.wait(20000), 0);
    EXPECT_NE(engine.output.find("bestmove", after), std::string::npos);
    EXPECT_EQ(engine.output.find("ThreadSanitizer"), std::string::npos) << engine.output;
}
