// The console through the real binary: every game command, its edge cases,
// and a whole game played by the engine against itself.
#include <gtest/gtest.h>

#include <string>

#include "support/console_session.h"

namespace {

const std::string& PROMPT = CONSOLE_PROMPT;

// Runs a console session: the given command lines, then quit.
std::string console(const std::string& commands, int timeoutMs = 20000)
{
    ConsoleRun run = runConsole(commands, SMALL_INI, timeoutMs);
    EXPECT_EQ(run.status, 0);
    return run.output;
}

std::string reply(const std::string& output, int n) { return consoleReply(output, n); }

int count(const std::string& text, const std::string& what) { return countOf(text, what); }

const std::string START_BOARD =
    "\n\n"
    "  +---+---+---+---+---+---+---+---+\n"
    "8 | r | n | b | q | k | b | n | r |\n"
    "  +---+---+---+---+---+---+---+---+\n"
    "7 | p | p | p | p | p | p | p | p |\n"
    "  +---+---+---+---+---+---+---+---+\n"
    "6 |   |   |   |   |   |   |   |   |\n"
    "  +---+---+---+---+---+---+---+---+\n"
    "5 |   |   |   |   |   |   |   |   |\n"
    "  +---+---+---+---+---+---+---+---+\n"
    "4 |   |   |   |   |   |   |   |   |\n"
    "  +---+---+---+---+---+---+---+---+\n"
    "3 |   |   |   |   |   |   |   |   |\n"
    "  +---+---+---+---+---+---+---+---+\n"
    "2 | P | P | P | P | P | P | P | P |\n"
    "  +---+---+---+---+---+---+---+---+\n"
    "1 | R | N | B | Q | K | B | N | R |\n"
    "  +---+---+---+---+---+---+---+---+\n"
    "\n"
    "    A   B   C   D   E   F   G   H\n"
    "\n";

} // namespace

TEST(Console, WelcomeHelpAndUnknownCommands)
{
    std::string out = console("help\nhelp \nHelp\nxyz\na1\ni2i4\nusermove e2e4\nquiesce\n");
    EXPECT_NE(out.find("\nWelcome in Ardentis\ntype \"help\" to show commands list\n" + PROMPT), std::string::npos);
    EXPECT_EQ(reply(out, 0).substr(0, 26), "new            - new game\n");
    EXPECT_NE(reply(out, 0).find("memory [MB]    - Allocate MB for HashTable\n"), std::string::npos);
    EXPECT_EQ(count(reply(out, 0), "\n"), 11);
    EXPECT_EQ(reply(out, 1), "Error (unknown command): help \n");
    EXPECT_EQ(reply(out, 2), "Error (unknown command): Help\n");
    EXPECT_EQ(reply(out, 3), "Error (unknown command): xyz\n");
    EXPECT_EQ(reply(out, 4), "Error (unknown command): a1\n");
    EXPECT_EQ(reply(out, 5), "Error (unknown command): i2i4\n");
    EXPECT_EQ(reply(out, 6), "Error (unknown command): usermove e2e4\n");
    EXPECT_EQ(reply(out, 7).substr(0, 12), "Score:      ");  // a table command: no quit
    EXPECT_EQ(count(out, PROMPT), 9);
}

TEST(Console, QuitLinesAndEndOfInput)
{
    EngineRun run = runEngine("console\nqwerty\nhelp\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output.find("new            - new game"), std::string::npos);
    run = runEngine("console\nb\n");  // end of input quits
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.output.find(START_BOARD), std::string::npos);
}

TEST(Console, BoardTurnInvAndFen)
{
    std::string out = console("b\nturn\ninv\nturn\ninv\ngetboard\n"
                              "setboard 8/8/3k4/8/8/8/4P3/4K3 b - - 0 1\ngetboard\nturn\n");
    EXPECT_EQ(reply(out, 0), START_BOARD);
    EXPECT_EQ(reply(out, 1), "Turn: WHITE\n");
    EXPECT_EQ(reply(out, 3), "Turn: BLACK\n");
    EXPECT_EQ(reply(out, 5), "FEN: rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - \n");
    EXPECT_NE(reply(out, 6).find("6 |   |   |   | k |   |   |   |   |"), std::string::npos);
    EXPECT_EQ(reply(out, 7), "FEN: 8/8/3k4/8/8/8/4P3/4K3 b - - \n");
    EXPECT_EQ(reply(out, 8), "Turn: BLACK\n");
}

TEST(Console, BadSetboardKeepsThePosition)
{
    std::string out = console("e2e4\nsetboard\nsetboard garbage\nposition fen 8/8/8 w - - 0 1\n"
                              "setboard " + std::string(240, 'k') + "\ngetboard\n");
    EXPECT_NE(reply(out, 1).find("Error"), std::string::npos);
    EXPECT_NE(reply(out, 2).find("Error"), std::string::npos);
    EXPECT_NE(reply(out, 3).find("Error"), std::string::npos);
    EXPECT_NE(reply(out, 4).find("Error"), std::string::npos);
    EXPECT_EQ(reply(out, 5), "FEN: rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 \n");
}

TEST(Console, MovesIllegalMovesAndUndo)
{
    std::string out = console("e2e5\ne2e4\nsd 3\ngo\nundo\ngetboard\nundo\ngetboard\nundo\ngetboard\n");
    EXPECT_EQ(reply(out, 0).substr(0, 20), "Illegal move: e2e5\n\n");
    EXPECT_NE(reply(out, 0).find(START_BOARD), std::string::npos);
    EXPECT_NE(reply(out, 1).find("4 |   |   |   |   | P |   |   |   |"), std::string::npos);
    EXPECT_NE(reply(out, 3).find("Bestmove: "), std::string::npos);
    EXPECT_EQ(reply(out, 5), "FEN: rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 \n");
    EXPECT_EQ(reply(out, 7), "FEN: rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - \n");
    EXPECT_EQ(reply(out, 9), "FEN: rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - \n");  // undo at slot 0
}

TEST(Console, DepthTimeAndMemoryLimits)
{
    const std::string depthError = "Error (depth out of bound): Insert depth between 2 and 63\n";
    const std::string memoryError = "Error: insert a number between 4 and 8192 \n"
                                    "tellusererror Error (size out of bound): Insert size between 4 and 8192\n";
    std::string out = console("sd 0\nsd 65\nsd -1\nsd 64\nsd 9999\nsd\nst 0\nst 5\nst\n"
                              "memory 0\nmemory 9000\nmemory 2\nmemory\n");
    EXPECT_EQ(reply(out, 0), depthError);
    EXPECT_EQ(reply(out, 1), depthError);
    EXPECT_EQ(reply(out, 2), depthError);
    EXPECT_EQ(reply(out, 3), "");
    EXPECT_EQ(reply(out, 4), "");
    EXPECT_EQ(reply(out, 5), depthError);  // no number: an error, not a stale value
    EXPECT_EQ(reply(out, 6), "Error (movetime out of bound): Insert movetime > 0 \n");
    EXPECT_EQ(reply(out, 7), "");
    EXPECT_EQ(reply(out, 8), "Error (movetime out of bound): Insert movetime > 0 \n");
    EXPECT_EQ(reply(out, 9), memoryError);
    EXPECT_EQ(reply(out, 10), memoryError);
    EXPECT_EQ(reply(out, 11), "Allocated     2 MB for the Hash Table\n");
    EXPECT_EQ(reply(out, 12), memoryError);
}

TEST(Console, PerftCommand)
{
    std::string out = console("perft 3\nperft 0\nperft 65\nperft 9999\nperft\n"
                              "setboard r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1\n"
                              "perft 2\n");
    const std::string depthError = "Error (depth out of bound): Insert depth between 1 and 63\n";
    EXPECT_EQ(reply(out, 0), "Calculated nodes: 8902\n");
    EXPECT_EQ(reply(out, 1), depthError);
    EXPECT_EQ(reply(out, 2), depthError);
    EXPECT_EQ(reply(out, 3), "");
    EXPECT_EQ(reply(out, 4), depthError);
    EXPECT_EQ(reply(out, 6), "Calculated nodes: 2039\n");
}

TEST(Console, GoWithoutLegalMovesAnnouncesTheResult)
{
    std::string out = console("setboard 7k/5Q2/6K1/8/8/8/8/8 b - - 0 1\ngo\n"
                              "setboard 7k/6Q1/6K1/8/8/8/8/8 b - - 0 1\ngo\n");
    EXPECT_EQ(reply(out, 1), "1/2-1/2 {Stalemate}\n");
    EXPECT_EQ(reply(out, 3), "1-0 {White mates}\n");
}

TEST(Console, MateAnnouncementsAfterMoves)
{
    std::string out = console("f2f3\ne7e5\ng2g4\nd8h4\n");
    EXPECT_NE(reply(out, 3).find("0-1 {Black mates}\n"), std::string::npos);
    out = console("g1f3\ng8f6\nf3g1\nf6g8\ng1f3\ng8f6\nf3g1\nf6g8\n");
    EXPECT_EQ(count(out, "1/2-1/2 {Draw by repetition}"), 1);
    EXPECT_NE(reply(out, 7).find("1/2-1/2 {Draw by repetition}"), std::string::npos);
}

TEST(Console, SelfPlayGameToTheEnd)
{
    // The engine plays both sides until the game-end check announces the mate;
    // further "go" commands only repeat the announcement.
    std::string out = console("sd 4\nsetboard 6k1/5ppp/8/8/8/8/r4PPP/1R4K1 w - - 0 1\ngo\ngo\ngo\ngo\ngo\n");
    EXPECT_EQ(count(out, "Bestmove: 0000"), 0);
    EXPECT_NE(out.find("1-0 {White mates}"), std::string::npos) << out;
    EXPECT_EQ(out.find("Error"), std::string::npos);
}

TEST(Console, NewAndPositionFen)
{
    std::string out = console("e2e4\nnew\ngetboard\nposition fen 8/8/3k4/8/8/8/4P3/4K3 w - - 0 1\ngetboard\n");
    EXPECT_EQ(reply(out, 1), "");
    EXPECT_EQ(reply(out, 2), "FEN: rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - \n");
    EXPECT_EQ(reply(out, 3), "");
    EXPECT_EQ(reply(out, 4), "FEN: 8/8/3k4/8/8/8/4P3/4K3 w - - \n");
}

TEST(Console, AGameLongerThanTheStackIsRefused)
{
    // Knights out and back: no capture, no pawn move, so every ply takes a slot.
    std::string commands;
    const char* cycle[] = {"g1f3", "g8f6", "f3g1", "f6g8"};
    for (int i = 0; i < 700; ++i)
        commands += std::string(cycle[i % 4]) + "\n";
    commands += "undo\ngetboard\n";
    std::string out = console(commands, 60000);
    size_t refused = out.find("Error (game too long)");
    ASSERT_NE(refused, std::string::npos);
    EXPECT_EQ(out.find("Illegal move", 0), std::string::npos);
    // The refused moves leave the game as it was; undo still works.
    EXPECT_NE(reply(out, 701).find("FEN: "), std::string::npos);
}
