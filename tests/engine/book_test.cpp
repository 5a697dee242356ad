// The opening book in UCI games through the real binary: book moves come at
// once without a search, then the engine searches; random choice, the limit
// of opening searches, book files that are missing or broken, and the
// OwnBook and BookFile options.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "engine_init.h"
#include "support/engine_process.h"

namespace {

// An engine whose Ardentis.ini names "book.bin" in its folder, a copy of
// `source` (none when source is empty; a folder when source is "/").
bool startWithBook(EngineProcess& engine, const std::string& source, bool random = false)
{
    const std::string ini = std::string("[ENGINE]\nThread=1\nHashSize=1\nHashEvalSize=1\nHashQSize=1\n") +
                            "[BOOK]\nBook=1\nBookFile=book.bin\nRandBook=" + (random ? "1" : "0") +
                            "\n[TABLEBASE]\nSyzygy=0\n";
    if (!engine.start(ini.c_str()))
        return false;
    // The book is first opened when the UCI loop starts.
    const std::string book = engine.directory + "/book.bin";
    if (source == "/")
        return std::filesystem::create_directory(book);
    if (!source.empty())
        return std::filesystem::copy_file(testDataPath("books/" + source), book);
    return true;
}

struct Answer {
    std::string move;
    bool searched;  // "info" lines came before the "bestmove"
};

// Sends a position and a search, and reads up to its "bestmove" line.
Answer ask(EngineProcess& engine, const std::string& moves, const std::string& go = "go depth 3")
{
    const size_t from = engine.output.size();
    engine.send("position startpos" + (moves.empty() ? "" : " moves" + moves) + "\n" + go + "\n");
    if (!engine.waitFor("bestmove ", 20000, from) || !engine.waitFor("\n", 20000, engine.output.find("bestmove ", from)))
        return {"", false};
    const size_t best = engine.output.find("bestmove ", from);
    const std::string reply = engine.output.substr(from, best - from);
    // The move is the rest of the line (no ponder move follows a book move
    // or a depth-limited search here).
    const size_t begin = best + 9;
    const std::string move = engine.output.substr(begin, engine.output.find_first_of(" \n", begin) - begin);
    return {move, reply.find("info ") != std::string::npos};
}

int count(const std::string& text, const std::string& what)
{
    int n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1))
        ++n;
    return n;
}

} // namespace

TEST(UciBook, OpeningMovesComeFromTheBookThenTheEngineSearches)
{
    EngineProcess engine;
    ASSERT_TRUE(startWithBook(engine, "small.bin"));
    engine.send("uci\nucinewgame\n");
    std::string moves;
    int bookMoves = 0;
    bool searched = false;
    for (int ply = 0; ply < 30 && !searched; ply++) {
        const Answer a = ask(engine, moves);
        ASSERT_FALSE(a.move.empty()) << engine.output;
        if (ply == 0) {
            EXPECT_EQ(a.move, "g1f3");  // the first entry of the start position
        }
        searched = a.searched;
        bookMoves += !a.searched;
        moves += " " + a.move;
    }
    EXPECT_TRUE(searched) << "the game never left the book: " << moves;
    EXPECT_GE(bookMoves, 4) << moves;
    // Same game again: the same book moves, in file order.
    engine.send("ucinewgame\n");
    EXPECT_EQ(ask(engine, "").move, "g1f3");
    engine.send("quit\n");
    EXPECT_EQ(engine.wait(), 0);
    EXPECT_EQ(engine.output.find("#DEBUG"), std::string::npos) << engine.output;
}

TEST(UciBook, RandomChoiceGivesMovesOfThePosition)
{
    EngineProcess engine;
    ASSERT_TRUE(startWithBook(engine, "small.bin", true));
    engine.send("uci\n");
    const std::set<std::string> start = {"g1f3", "e2e4", "d2d4", "c2c4"};
    const std::set<std::string> afterE4 = {"c7c5", "e7e5"};
    for (int i = 0; i < 10; i++) {
        const Answer first = ask(engine, "");
        EXPECT_TRUE(start.count(first.move) && !first.searched) << first.move;
        const Answer reply = ask(engine, " e2e4");
        EXPECT_TRUE(afterE4.count(reply.move) && !reply.searched) << reply.move;
    }
    engine.send("quit\n");
    EXPECT_EQ(engine.wait(), 0);
}

TEST(UciBook, OnlyTheFirstFortySearchesOfAGameAskTheBook)
{
    EngineProcess engine;
    ASSERT_TRUE(startWithBook(engine, "small.bin"));
    engine.send("uci\nucinewgame\n");
    // Searches out of the book count; book moves do not.
    for (int i = 0; i < 40; i++)
        ASSERT_TRUE(ask(engine, " a2a3 a7a6", "go depth 2").searched);
    EXPECT_FALSE(ask(engine, "").searched);  // 40 searches so far: still the book
    EXPECT_TRUE(ask(engine, " a2a3 a7a6", "go depth 2").searched);  // the 41st search
    EXPECT_TRUE(ask(engine, "", "go depth 2").searched);
    engine.send("ucinewgame\n");
    EXPECT_FALSE(ask(engine, "").searched);
    // An infinite analysis never takes a book move.
    engine.send("position startpos\ngo infinite\n");
    EXPECT_TRUE(engine.waitFor("info depth", 20000));
    engine.send("stop\nquit\n");
    EXPECT_EQ(engine.wait(), 0);
}

TEST(UciBook, MissingOrBrokenBooksLeaveTheSearch)
{
    struct Case {
        std::string file;     // copied to book.bin ("": none, "/": a folder)
        std::string message;  // printed once, or empty
        int times;            // how often
    };
    const Case cases[] = {
        {"", "#DEBUG: Book file book.bin cannot be opened (No such file or directory): book off", 1},
        {"/", "#DEBUG: Book file book.bin cannot be opened (Is a directory): book off", 1},
        {"edge/empty.bin", "", 0},
        {"edge/short.bin", "", 0},
        {"edge/illegal.bin", "", 0},
        {"edge/unsorted.bin", "", 0},
        {"edge/over100.bin", "#DEBUG: Too many moves in this position (max=100)", 2},
    };
    for (const Case& c : cases) {
        EngineProcess engine;
        ASSERT_TRUE(startWithBook(engine, c.file));
        engine.send("uci\n");
        EXPECT_TRUE(ask(engine, "", "go depth 2").searched) << c.file;
        EXPECT_TRUE(ask(engine, "", "go depth 2").searched) << c.file;
        engine.send("quit\n");
        EXPECT_EQ(engine.wait(), 0) << c.file;
        if (c.times)
            EXPECT_EQ(count(engine.output, c.message), c.times) << engine.output;
        else
            EXPECT_EQ(engine.output.find("#DEBUG"), std::string::npos) << engine.output;
    }
    // A book move that is legal: over100.bin still answers after 1.e4.
    EngineProcess engine;
    ASSERT_TRUE(startWithBook(engine, "edge/over100.bin"));
    engine.send("uci\n");
    const Answer a = ask(engine, " e2e4");
    EXPECT_EQ(a.move, "e7e5");
    EXPECT_FALSE(a.searched);
    engine.send("quit\n");
    EXPECT_EQ(engine.wait(), 0);
}

TEST(UciBook, OptionsSwitchTheBookAndNameItsFile)
{
    EngineProcess engine;
    ASSERT_TRUE(startWithBook(engine, ""));
    ASSERT_TRUE(std::filesystem::copy_file(testDataPath("books/small.bin"), engine.directory + "/other.bin"));
    engine.send("uci\n");
    EXPECT_TRUE(engine.waitFor("option name BookFile type string default book.bin\n"));
    EXPECT_TRUE(ask(engine, "", "go depth 2").searched);
    engine.send("setoption name BookFile value other.bin\n");
    EXPECT_EQ(ask(engine, "").move, "g1f3");
    engine.send("setoption name OwnBook value false\n");
    EXPECT_TRUE(ask(engine, "", "go depth 2").searched);
    engine.send("setoption name OwnBook value true\n");
    EXPECT_FALSE(ask(engine, "").searched);
    engine.send("setoption name BookFile value missing.bin\n");
    EXPECT_TRUE(ask(engine, "", "go depth 2").searched);
    engine.send("quit\n");
    EXPECT_EQ(engine.wait(), 0);
    EXPECT_EQ(count(engine.output, "#DEBUG: Book file book.bin cannot be opened"), 1) << engine.output;
    EXPECT_EQ(count(engine.output, "#DEBUG: Book file missing.bin cannot be opened"), 1) << engine.output;
}
