// The console's diagnostic commands through the real binary: what each
// prints, on the positions it loads or the game's current one, and its edge
// cases.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine_init.h"
#include "support/console_session.h"

namespace {

ConsoleRun console(const std::string& commands, const char* ini = SMALL_INI)
{
    ConsoleRun run = runConsole(commands, ini, 60000);
    EXPECT_EQ(run.status, 0);
    return run;
}

// Every integer that follows `label` in text, in order.
std::vector<long> numbersAfter(const std::string& text, const std::string& label)
{
    std::vector<long> values;
    for (size_t p = text.find(label); p != std::string::npos; p = text.find(label, p + 1))
        values.push_back(std::stol(text.substr(p + label.size())));
    return values;
}

} // namespace

TEST(Diagnostics, RepliesOfTheCommands)
{
    const std::pair<std::string, std::vector<ReplyCheck>> sessions[] = {
        {"dump\n", {{0, "File non trovato\n"}}},  // no DumpHash folder
        {"size\n",
         {{0, "Hash record size: 16 byte  (128 bit)\nHash Data   size:  8 byte  ( 64 bit)\n\n"
              "HashPawn    size: 16 byte  (128 bit)\nHashQ       size: 16 byte  (128 bit)\n"}}},
        // "st 1" and "go" leave the stop flags of a timed search raised: the
        // store must still work after it, and the age wraps to 8 bits.
        {"hprobe\nhstore 300\nhprobe\nclear\nhprobe\nhstore\nhprobe\nsd 64\nst 1\ngo\nhstore 2\nhprobe\n",
         {{0, "Hash Probe KO\n"},
          {1, "Stored with aging: 44\n"},
          {2, "Hash Probe OK\n"},
          {3, ""},
          {4, "Hash Probe KO\n"},
          {5, "Stored with aging: 0\n"},
          {9, "Bestmove: ", false},
          {10, "Stored with aging: 2\n"},
          {11, "Hash Probe OK\n"}}},
        // Built-in test positions load into the current slot only: undo goes
        // back to the game's position.
        {"n1\ngetboard\nm8\ngetboard\nnew\ne2e4\nm8\nundo\ngetboard\n",
         {{0, ""},
          {1, "FEN: 3rk2r/ppp2ppp/8/3Pp3/8/8/PPP2PPP/R3K2R w KQk e6 \n"},
          {3, "FEN: 8/7K/8/8/8/8/R7/7k w - - \n"},
          {8, "FEN: rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - \n"}}},
        {"e2e4\nkey\n", {{1, "HashKey     (full): ", false}, {1, "\nHashPawnKey (inc) : ", false}}},
        {"pin\npiece 19\npiece 70\n",
         {{0, "Pins: 24576\n"},              // knight f2 and bishop g2: bits 13 and 14
          {1, "Piece Value: 325\n"},         // White knight d3
          {2, "Piece Value: 10000\n"}}},     // 70 mod 64 = 6: White king g1
        // The rook on a1 holds the first rank: d2, e2 and f2 remain, printed last first.
        {"gen\nsetboard 7k/6Q1/6K1/8/8/8/8/8 b - - 0 1\ngen\nsetboard 4k3/8/8/8/8/8/8/r3K3 w - - 0 1\ngen\n",
         {{0, "Total Legal moves: 20\n", false},
          {2, "Total Legal moves: 0\n"},
          {4, "Move: e1f2\nMove: e1e2\nMove: e1d2\nTotal Legal moves: 3\n"}}},
        {"thread 3\nthread 0\nthread\nsd 3\ngo\n",
         {{0, "Allocated     1 MB for the HashEval Table for Thread 3\n", false},
          {0, "\nThread allocated for search: 3", false},
          {1, ""},
          {2, ""},
          {4, "Bestmove: ", false}}},
        // Capturing promotions gain the rook and the new piece less the pawn.
        {"setboard r3k3/1P6/8/8/8/8/8/4K3 w - - 0 1\nlegal\n",
         {{1, "Move: b7a8q    1400\n", false}, {1, "Move: b7a8n    725\n", false}, {1, "Move: b7b8q    900\n", false}}},
        // The rook check on a8 is taken by the knight.
        {"setboard 4k3/8/1n6/8/8/8/8/R3K3 w - - 0 1\nlegal\n",
         {{1, "\nCheck moves:    1\nMove: a1a8    negSEE\n", false}}},
        // In check: an evasion list follows, and some pseudo-legal moves are not legal.
        {"setboard 4k3/8/8/8/8/8/8/r3K3 w - - 0 1\nlegal\n",
         {{1, "\nAll moves:    5\n", false}, {1, "\nLegal moves:    3\n", false}, {1, "\nEvasion moves:    ", false}}},
    };
    for (const auto& [commands, checks] : sessions)
        expectReplies(commands, checks);
}

// quiesce scores at least the static score (the side to move may stand
// pat), also after a timed search, whose stop flags stay raised; sim scores
// mirrored positions alike.
TEST(Diagnostics, QuiesceAndSymmetry)
{
    ConsoleRun run = console("quiesce\nsim\n");
    std::vector<long> score = numbersAfter(run.replies[0], "Score:      ");
    std::vector<long> quiesce = numbersAfter(run.replies[0], "Quiesce:    ");
    ASSERT_EQ(score.size(), 1u);
    ASSERT_EQ(quiesce.size(), 1u);
    EXPECT_GE(quiesce[0], score[0]);
    std::vector<long> sim;
    for (int i = 1; i <= 4; i++)
        sim.push_back(numbersAfter(run.replies[1], "Pos " + std::to_string(i) + " Score: ").at(0));
    EXPECT_EQ(sim[0], sim[3]);
    EXPECT_EQ(sim[1], sim[2]);
    EXPECT_EQ(console("st 1\nsd 64\ngo\nquiesce\n").replies[3], run.replies[0]);
}

// The exchange self-test's 25 cases: "Score:" is the table's published value,
// "SEE move:" the engine's own exchange; they differ on the first and the last.
TEST(Diagnostics, ExchangeSelfTest)
{
    const std::string see = console("see\n").replies[0];
    std::vector<long> expected = numbersAfter(see, "Score:          ");
    std::vector<long> computed = numbersAfter(see, "SEE move:       ");
    ASSERT_EQ(expected.size(), 25u);
    ASSERT_EQ(computed.size(), 25u);
    EXPECT_EQ(expected.front(), -125);
    EXPECT_EQ(computed.front(), 0);
    EXPECT_EQ(expected.back(), -625);
    EXPECT_EQ(computed.back(), -575);
    for (int i = 1; i < 24; i++)
        EXPECT_EQ(computed[i], expected[i]) << "case " << i + 1;
    EXPECT_EQ(see.find("none"), std::string::npos);  // every case has a legal capture
    EXPECT_NE(see.find("\nTestCase  1                      Score:           -125\n"
                       "Move:               c3d4      SEE move:              0\n"
                       "Best:               c3d4      SEE best:              0\n"),
              std::string::npos);
}

// The book command lists the current position's moves of the default book
// file; without one it says so, and the console goes on.
TEST(Diagnostics, BookWithoutItsFile)
{
    expectReplies("book\ngetboard\n", {{0, "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - \n"
                                            "Tomelore_12.9c.bin: No such file or directory\n"},
                                        {1, "FEN: ", false}});
}

TEST(Diagnostics, ProbeReportsTheTablesAndTheMovesThatKeepTheResult)
{
    // KQvK with White to move: every winning move kept with its distance;
    // the start position is in no table.
    const std::string tables = testDataPath("syzygy");
    std::string ini = SMALL_INI;
    ini.replace(ini.find("Syzygy=0"), 8, "Syzygy=1\nwdlPath=" + tables + "\ndtzPath=" + tables);
    ConsoleRun run = console("setboard 8/8/8/8/4k3/8/1Q6/K7 w - - 0 1\nprobe\nnew\nprobe\n", ini.c_str());
    const std::string& won = run.replies[1];
    EXPECT_NE(won.find("\nEGTB position:  1  (1=true, 0=false)\n"), std::string::npos) << won;
    EXPECT_NE(won.find("\nWDL:            2\n"), std::string::npos) << won;
    EXPECT_NE(won.find("   DTZ: "), std::string::npos) << won;
    const std::string& none = run.replies[3];
    EXPECT_NE(none.find("Legal moves:    20\n"), std::string::npos);
    EXPECT_NE(none.find("\nEGTB position:  0  (1=true, 0=false)\nDTZ:            0\nWDL:            0\n"
                        "TBScore:        0\n\nEGTB moves:     20\n"),
              std::string::npos)
        << none;

    // Bare kings are a draw without any table: in a folder with none, and
    // with the tables switched off.
    std::string noTables = SMALL_INI;
    const std::string empty = testDataPath("books");
    noTables.replace(noTables.find("Syzygy=0"), 8, "Syzygy=1\nwdlPath=" + empty + "\ndtzPath=" + empty);
    for (const std::string& kingsIni : {noTables, std::string(SMALL_INI)}) {
        const std::string kings = console("setboard 8/3k4/8/8/8/8/8/6K1 w - - 0 1\nprobe\n", kingsIni.c_str()).replies[1];
        EXPECT_NE(kings.find("\nEGTB position:  1  (1=true, 0=false)\nDTZ:            0\nWDL:            0\n"
                             "TBScore:        0\n\nEGTB moves:     5\n"),
                  std::string::npos)
            << kings;
        EXPECT_EQ(numbersAfter(kings, "   DTZ: "), std::vector<long>(5, 0)) << kings;
    }
}

// The console evaluates as the Classic key says: the default evaluation's
// own rows (threats, space) only without it, the classic rows in both.
TEST(Diagnostics, ScoreFollowsTheClassicKey)
{
    const std::string position = "setboard r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3\nscore\n";
    std::string classicIni = SMALL_INI;
    classicIni.insert(classicIni.find("[ENGINE]\n") + 9, "Classic=1\n");
    const std::string standard = console(position).replies.at(1);
    const std::string classic = console(position, classicIni.c_str()).replies.at(1);
    for (const char* row : {"| Threat pawn ", "| Space "}) {
        EXPECT_NE(standard.find(row), std::string::npos) << row;
        EXPECT_EQ(classic.find(row), std::string::npos) << row;
    }
    EXPECT_NE(classic.find("| Mobility "), std::string::npos);
}
