// The opening book in UCI games through the real binary: book moves come at
// once without a search, then the engine searches; the limit of opening
// searches, book files that are missing or broken, and the OwnBook and
// BookFile options.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "engine_init.h"
#include "support/engine_process.h"
#include "support/text.h"

namespace {

// An engine whose Ardentis.ini names "book.bin" in its folder, a copy of
// `source` (none when source is empty; a folder when source is "/").
bool startWithBook(EngineProcess& engine, const std::string& source)
{
    const char* ini = "[ENGINE]\nThread=1\nHashSize=1\nHashEvalSize=1\nHashQSize=1\n"
                      "[BOOK]\nBook=1\nBookFile=book.bin\nRandBook=0\n[TABLEBASE]\nSyzygy=0\n";
    if (!engine.start(ini))
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
    return {wordAfter(engine.output, "bestmove ", from), engine.output.substr(from, best - from).find("info ") != std::string::npos};
}

} // namespace

TEST(UciBook, OpeningMovesComeFromTheBookThenTheEngineSearches)
{
    EngineProcess engine;
    ASSERT_TRUE(startWithBook(engine, "small.bin"));
    engine.send("uci\nucinewgame\n");
    std::string moves;
    int bookMoves = 0;
    for (Answer a{}; !a.searched && bookMoves < 30; moves += " " + a.move) {
        a = ask(engine, moves);
        ASSERT_FALSE(a.move.empty()) << engine.output;
        EXPECT_TRUE(!moves.empty() || a.move == "g1f3") << a.move;  // the first entry of the start position
        bookMoves += !a.searched;
    }
    EXPECT_GE(bookMoves, 4) << moves;
    EXPECT_LT(bookMoves, 30) << "the game never left the book: " << moves;
    // Same game again: the same book moves, in file order.
    engine.send("ucinewgame\n");
    EXPECT_EQ(ask(engine, "").move, "g1f3");
    engine.send("quit\n");
    EXPECT_EQ(engine.wait(), 0);
    EXPECT_EQ(engine.output.find("#DEBUG"), std::string::npos) << engine.output;
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

// A book that cannot be read is said once and the engine searches; one with
// too many moves for a position searches there (said each time) and still
// answers elsewhere (over100.bin after 1.e4).
TEST(UciBook, MissingOrBrokenBooksLeaveTheSearch)
{
    const std::pair<std::string, std::string> cases[] = {
        {"/", "#DEBUG: Book file book.bin cannot be opened (Is a directory): book off\n"},
        {"edge/illegal.bin", ""},
        {"edge/over100.bin", "#DEBUG: Too many moves in this position (max=100)\n"},
    };
    for (const auto& [file, message] : cases) {
        EngineProcess engine;
        ASSERT_TRUE(startWithBook(engine, file));
        engine.send("uci\n");
        EXPECT_TRUE(ask(engine, "", "go depth 2").searched) << file;
        EXPECT_TRUE(ask(engine, "", "go depth 2").searched) << file;
        if (file == "edge/over100.bin") {
            EXPECT_EQ(ask(engine, " e2e4").move, "e7e5");
        }
        engine.send("quit\n");
        EXPECT_EQ(engine.wait(), 0) << file;
        const int times = message.empty() ? 0 : file == "/" ? 1 : 2;
        EXPECT_EQ(countOf(engine.output, "#DEBUG"), times) << engine.output;
        EXPECT_TRUE(message.empty() || countOf(engine.output, message) == times) << engine.output;
    }
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
    // A Polyglot book holds no Chess960 games.
    engine.send("setoption name UCI_Chess960 value true\n");
    EXPECT_TRUE(ask(engine, "", "go depth 2").searched);
    engine.send("setoption name UCI_Chess960 value false\n");
    EXPECT_FALSE(ask(engine, "").searched);
    engine.send("setoption name BookFile value missing.bin\n");
    EXPECT_TRUE(ask(engine, "", "go depth 2").searched);
    engine.send("quit\n");
    EXPECT_EQ(engine.wait(), 0);
    EXPECT_EQ(countOf(engine.output, "#DEBUG: Book file book.bin cannot be opened"), 1) << engine.output;
    EXPECT_EQ(countOf(engine.output, "#DEBUG: Book file missing.bin cannot be opened"), 1) << engine.output;
}
