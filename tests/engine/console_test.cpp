// The console through the real binary: every game command, its edge cases,
// and a whole game played by the engine against itself.
#include <gtest/gtest.h>

#include <string>

#include "support/console_session.h"

namespace {

// The start position's diagram, as the console prints it.
std::string startBoard()
{
    const std::string border = "  +---+---+---+---+---+---+---+---+\n";
    const char* ranks[8] = {"8 | r | n | b | q | k | b | n | r |", "7 | p | p | p | p | p | p | p | p |",
                            "6 |   |   |   |   |   |   |   |   |", "5 |   |   |   |   |   |   |   |   |",
                            "4 |   |   |   |   |   |   |   |   |", "3 |   |   |   |   |   |   |   |   |",
                            "2 | P | P | P | P | P | P | P | P |", "1 | R | N | B | Q | K | B | N | R |"};
    std::string board = "\n\n" + border;
    for (const char* rank : ranks)
        board += rank + ("\n" + border);
    return board + "\n    A   B   C   D   E   F   G   H\n\n";
}

const std::string START_BOARD = startBoard();
const std::string START = "FEN: rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - \n";
const std::string AFTER_E4 = "FEN: rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 \n";

} // namespace

TEST(Console, WelcomeHelpAndUnknownCommands)
{
    ConsoleRun run = expectReplies("help\nhelp \ni2i4\nusermove e2e4\nquiesce\n",
                                   {{0, "memory [MB]    - Allocate MB for HashTable\n", false},
                                    {1, "Error (unknown command): help \n"},
                                    {2, "Error (unknown command): i2i4\n"},
                                    {3, "Error (unknown command): usermove e2e4\n"},
                                    {4, "Score:      ", false}});  // a table command: no quit
    EXPECT_NE(run.output.find("\nWelcome in Ardentis\ntype \"help\" to show commands list\n" + CONSOLE_PROMPT),
              std::string::npos);
    EXPECT_EQ(run.replies[0].rfind("new            - new game\n", 0), 0u);
    EXPECT_EQ(countOf(run.replies[0], "\n"), 11);
    EXPECT_EQ(countOf(run.output, CONSOLE_PROMPT), 6);
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

TEST(Console, BoardPositionsMovesAndUndo)
{
    expectReplies("b\nturn\ninv\nturn\ninv\ngetboard\nsetboard 8/8/3k4/8/8/8/4P3/4K3 b - - 0 1\ngetboard\nturn\n",
                  {{0, START_BOARD},
                   {1, "Turn: WHITE\n"},
                   {3, "Turn: BLACK\n"},
                   {5, START},
                   {6, "6 |   |   |   | k |   |   |   |   |", false},
                   {7, "FEN: 8/8/3k4/8/8/8/4P3/4K3 b - - \n"},
                   {8, "Turn: BLACK\n"}});
    // Bad set-ups keep the position; new and position fen set it.
    expectReplies("e2e4\nsetboard\nsetboard garbage\nposition fen 8/8/8 w - - 0 1\nsetboard " + std::string(240, 'k') +
                      "\ngetboard\nnew\ngetboard\nposition fen 8/8/3k4/8/8/8/4P3/4K3 w - - 0 1\ngetboard\n",
                  {{1, "Error", false},
                   {2, "Error", false},
                   {3, "Error", false},
                   {4, "Error", false},
                   {5, AFTER_E4},
                   {6, ""},
                   {7, START},
                   {9, "FEN: 8/8/3k4/8/8/8/4P3/4K3 w - - \n"}});
    ConsoleRun run = expectReplies("e2e5\ne2e4\nsd 3\ngo\nundo\ngetboard\nundo\ngetboard\nundo\ngetboard\n",
                                   {{0, START_BOARD, false},
                                    {1, "4 |   |   |   |   | P |   |   |   |", false},
                                    {3, "Bestmove: ", false},
                                    {5, AFTER_E4},
                                    {7, START},
                                    {9, START}});  // undo at slot 0
    EXPECT_EQ(run.replies[0].rfind("Illegal move: e2e5\n\n", 0), 0u);
}

TEST(Console, DepthTimeMemoryAndPerftLimits)
{
    const std::string depthError = "Error (depth out of bound): Insert depth between 2 and 63\n";
    const std::string timeError = "Error (movetime out of bound): Insert movetime > 0 \n";
    const std::string memoryError = "Error: insert a number between 4 and 8192 \n"
                                    "tellusererror Error (size out of bound): Insert size between 4 and 8192\n";
    expectReplies("sd 0\nsd 65\nsd 64\nsd 9999\nsd\nst 0\nst 5\nst\nmemory 9000\nmemory 2\nmemory\n",
                  {{0, depthError},
                   {1, depthError},
                   {2, ""},
                   {3, ""},
                   {4, depthError},  // no number: an error, not a stale value
                   {5, timeError},
                   {6, ""},
                   {7, timeError},
                   {8, memoryError},
                   {9, "Allocated     2 MB for the Hash Table\n"},
                   {10, memoryError}});
    const std::string perftError = "Error (depth out of bound): Insert depth between 1 and 63\n";
    expectReplies("perft 3\nperft 0\nperft 65\nperft 9999\nperft\nsetboard " +
                      std::string("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1") +
                      "\nperft 2\nsetboard 7k/6Q1/6K1/8/8/8/8/8 b - - 0 1\nperft 64\n",
                  {{0, "Calculated nodes: 8902\n"},
                   {1, perftError},
                   {2, perftError},
                   {3, ""},
                   {4, perftError},
                   {6, "Calculated nodes: 2039\n"},
                   {8, "Calculated nodes: 0\n"}});  // depth 64 is accepted; a mated side has no moves
}

TEST(Console, GameEndAnnouncements)
{
    expectReplies("setboard 7k/5Q2/6K1/8/8/8/8/8 b - - 0 1\ngo\nsetboard 7k/6Q1/6K1/8/8/8/8/8 b - - 0 1\ngo\n"
                  "new\nf2f3\ne7e5\ng2g4\nd8h4\n",
                  {{1, "1/2-1/2 {Stalemate}\n"}, {3, "1-0 {White mates}\n"}, {8, "0-1 {Black mates}\n", false}});
    ConsoleRun run = expectReplies("g1f3\ng8f6\nf3g1\nf6g8\ng1f3\ng8f6\nf3g1\nf6g8\n",
                                   {{7, "1/2-1/2 {Draw by repetition}", false}});
    EXPECT_EQ(countOf(run.output, "1/2-1/2 {Draw by repetition}"), 1);
    // The engine plays both sides until the game-end check announces the mate;
    // further "go" commands only repeat the announcement.
    run = expectReplies("sd 4\nsetboard 6k1/5ppp/8/8/8/8/r4PPP/1R4K1 w - - 0 1\ngo\ngo\ngo\ngo\ngo\n", {});
    EXPECT_EQ(countOf(run.output, "Bestmove: 0000"), 0);
    EXPECT_NE(run.output.find("1-0 {White mates}"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("Error"), std::string::npos);
}

TEST(Console, AGameLongerThanTheStackIsRefused)
{
    // Knights out and back: no capture, no pawn move, so every ply takes a slot.
    std::string commands;
    const char* cycle[] = {"g1f3", "g8f6", "f3g1", "f6g8"};
    for (int i = 0; i < 700; ++i)
        commands += std::string(cycle[i % 4]) + "\n";
    // The refused moves leave the game as it was; undo still works.
    ConsoleRun run = expectReplies(commands + "undo\ngetboard\n", {{701, "FEN: ", false}});
    EXPECT_NE(run.output.find("Error (game too long)"), std::string::npos);
    EXPECT_EQ(run.output.find("Illegal move"), std::string::npos);
}

// The INI's Chess960 key makes the console's games Chess960 ones: rights by
// rook file, castling as the king taking its rook.
TEST(Console, Chess960FromTheIniKey)
{
    const std::string commands = "setboard 2rkr3/2p1p3/8/8/8/8/8/RK6 w A - 0 1\ngetboard\nb1a1\ngetboard\n";
    expectReplies(commands,
                  {{1, "FEN: 2rkr3/2p1p3/8/8/8/8/8/RK6 w A - \n"},
                   {2, "1-0 {White mates}", false},
                   {3, "FEN: 2rkr3/2p1p3/8/8/8/8/8/2KR4 b - - \n"}},
                  "[ENGINE]\nThread=1\nHashSize=1\nHashEvalSize=1\nHashQSize=1\nChess960=1\n[BOOK]\nBook=0\n"
                  "[TABLEBASE]\nSyzygy=0\n");
    expectReplies(commands, {{0, "Error (bad FEN)", false}, {2, "Illegal move: b1a1", false}});
}
