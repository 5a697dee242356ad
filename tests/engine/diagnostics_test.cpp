// The console's diagnostic commands through the real binary: what each
// prints, on the positions it loads or the game's current one, and its edge
// cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine_init.h"
#include "support/console_session.h"

namespace {

ConsoleRun console(const std::string& commands, int timeoutMs = 20000)
{
    ConsoleRun run = runConsole(commands, SMALL_INI, timeoutMs);
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

TEST(Diagnostics, RecordSizesAndKeys)
{
    ConsoleRun run = console("size\ne2e4\ne7e5\ng1f3\nkey\n");
    EXPECT_EQ(run.replies[0], "Hash record size: 16 byte  (128 bit)\n"
                              "Hash Data   size:  8 byte  ( 64 bit)\n"
                              "\n"
                              "HashPawn    size: 16 byte  (128 bit)\n"
                              "HashQ       size: 16 byte  (128 bit)\n");
    // After three moves the incrementally kept keys equal the recomputed ones.
    const std::string& keys = run.replies[4];
    const char* const labels[4] = {"HashKey     (full): ", "HashKey     (inc) : ", "HashPawnKey (full): ",
                                   "HashPawnKey (inc) : "};
    std::vector<std::string> values;
    std::istringstream in(keys);
    for (std::string line; std::getline(in, line);) {
        ASSERT_LT(values.size(), 4u) << keys;
        ASSERT_EQ(line.rfind(labels[values.size()], 0), 0u) << keys;
        values.push_back(line.substr(20));
    }
    ASSERT_EQ(values.size(), 4u) << keys;
    EXPECT_EQ(values[0], values[1]);
    EXPECT_EQ(values[2], values[3]);
    EXPECT_NE(values[0], values[2]);
    EXPECT_GT(values[0].size(), 5u);
}

TEST(Diagnostics, HashStoreProbeAndClear)
{
    // "st 1" and "go" leave the stop flags of a timed search raised: the
    // store must still work after it, and the age wraps to 8 bits.
    ConsoleRun run = console("hprobe\nhstore 300\nhprobe\nclear\nhprobe\nhstore\nhprobe\n"
                             "sd 64\nst 1\ngo\nhstore 2\nhprobe\n");
    EXPECT_EQ(run.replies[0], "Hash Probe KO\n");
    EXPECT_EQ(run.replies[1], "Stored with aging: 44\n");
    EXPECT_EQ(run.replies[2], "Hash Probe OK\n");
    EXPECT_EQ(run.replies[3], "");
    EXPECT_EQ(run.replies[4], "Hash Probe KO\n");
    EXPECT_EQ(run.replies[5], "Stored with aging: 0\n");
    EXPECT_EQ(run.replies[6], "Hash Probe OK\n");
    EXPECT_NE(run.replies[9].find("Bestmove: "), std::string::npos);
    EXPECT_EQ(run.replies[10], "Stored with aging: 2\n");
    EXPECT_EQ(run.replies[11], "Hash Probe OK\n");
}

TEST(Diagnostics, DumpWritesTheTableOrSaysTheFolderIsMissing)
{
    EngineProcess engine;
    ASSERT_TRUE(engine.start());
    engine.send("console\ndump\n");
    ASSERT_TRUE(engine.waitFor("File non trovato\n"));
    std::filesystem::create_directory(engine.directory + "/DumpHash");
    engine.send("hstore 3\ndump\nquit\n");
    engine.closeInput();
    ASSERT_EQ(engine.wait(), 0);
    std::vector<long> totals = numbersAfter(engine.output, "Tot: ");
    ASSERT_EQ(totals.size(), 1u);
    std::ifstream csv(engine.directory + "/DumpHash/dump.csv");
    std::string line;
    std::getline(csv, line);
    EXPECT_EQ(line, "Key;Score;Depth;Age;Best;Flags;");
    long rows = 0, stored = 0;
    while (std::getline(csv, line)) {
        ++rows;
        // score 100, depth 1, age 3, no move, exact bound
        stored += line.find(";100;1;3;") != std::string::npos && line.substr(line.size() - 2) == "1;";
    }
    EXPECT_EQ(rows, totals[0]);
    EXPECT_EQ(stored, 1);
}

TEST(Diagnostics, TestPositionsLoadIntoTheCurrentSlot)
{
    struct Case {
        const char* word;
        const char* fen;  // as getboard prints it
    };
    const Case cases[] = {
        {"n1", "3rk2r/ppp2ppp/8/3Pp3/8/8/PPP2PPP/R3K2R w KQk e6 "},
        {"p", "8/k7/3p4/p2P1p2/P2P1P2/8/8/K7 w - - "},
        {"chain", "5rk1/ppb2qpp/2p2n2/3p4/3Pp3/4PpP1/PPQN1P1P/2R3KB w - - "},
        {"bug", "6k1/7p/3p3b/2pN4/4p3/8/1Pn2PPP/4K2R w K - "},
        {"killer", "r3qrk1/pp2ppbp/6p1/1Np5/P7/2PP3P/1P2QPP1/R2R2K1 w - - "},
        {"good", "r1bqkb1r/ppp2ppp/2n1pn2/8/2pP4/3BPN2/PP3PPP/RNBQK2R w KQkq - "},
        {"test", "r3k2r/p1p3pp/2pq1p2/4pb2/1bQ2n2/2N2N1P/PPPP1PP1/R1B1K1R1 w Qkq - "},
        {"eva", "rnbqkbnr/ppp1ppp1/8/3p3p/Q1P4P/8/PP1PPPP1/RNB1KBNR b KQkq - "},
        {"m1", "5k2/8/6r1/5K2/8/8/7p/8 b - - "},
        {"m5", "8/RP6/2k5/8/8/6P1/7P/7K w - - "},
        {"m8", "8/7K/8/8/8/8/R7/7k w - - "},
        {"t", "r1bqkb1r/pp2pppp/3p1n2/6B1/3nP3/2N5/PPP2PPP/R2QKB1R b KQkq - "},
        {"o", "6k1/R5p1/4prp1/3pQ3/3N4/3b1P2/5P1P/2r3K1 w - - "},
        {"c", "r5k1/1pp2rbp/3p2p1/3Pp3/2P1P1q1/1NN2pBb/P6P/R2QR1K1 w - - "},
        {"d", "r7/pp1r1P2/3p2kn/1P2p2p/2P2p1B/8/P5P1/1R1R2K1 w - - "},
        {"pe", "3k4/2pr4/1p4p1/p4p2/P4PP1/1PP1K3/8/3R4 w - - "},
        {"pawn", "8/P4k1p/8/3p4/1P1p1p2/1P3P2/6P1/6K1 w - - "},
        {"ks1", "rr2nnk1/1qb2ppp/8/5N2/5N2/1PQ5/PB4RP/6RK w - - "},
        {"ks2", "rr2nnk1/1qb2ppp/8/5N2/5N2/1PB5/PQ4RP/6RK w - - "},
        {"ks3", "rr3nk1/1qb2ppp/5n2/5N2/5N2/1PB5/PQ4RP/6RK w - - "},
        {"ks4", "rr2nnk1/pqb2pp1/1pb5/5NP1/2P2N2/1PQ5/PBB4R/1K5R w - - "},
        {"safe", "6k1/2ppp3/pp3p2/7p/8/2PP4/P6P/7K w - - "},
        {"stop", "8/2k5/1pP5/p2K4/8/6P1/8/8 w - - "},
        {"back", "2r5/3k4/8/8/1p6/8/2P4R/5K2 w - - "},
        {"e", "r1b2rk1/2q1bppp/pp2p3/2npP3/1n3P1P/2NBBN2/PPPQ2P1/1K1R3R w - - "},
        {"mob", "6kn/6pb/7p/8/2N5/8/3B2PP/6K1 w - - "},
        {"fianc", "6k1/pbp2npp/1p3p2/8/8/1P4P1/PBP2P1P/6K1 w - - "},
        {"shelter", "6k1/5pp1/5P2/2p3PP/1p6/P7/P1P5/1K6 w - - "},
        {"perpetual", "qn6/qn6/pp6/6k1/4R3/8/4R3/K7 w - - "},
    };
    std::string commands;
    for (const Case& c : cases)
        commands += std::string(c.word) + "\ngetboard\n";
    ConsoleRun run = console(commands);
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(run.replies[2 * i], "") << cases[i].word;
        EXPECT_EQ(run.replies[2 * i + 1], "FEN: " + std::string(cases[i].fen) + "\n") << cases[i].word;
    }

    // Only the current slot changes: undo goes back to the game's position.
    run = console("e2e4\nm8\nundo\ngetboard\n");
    EXPECT_EQ(run.replies[3], "FEN: rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - \n");
}

TEST(Diagnostics, PinQuiesceAndSymmetry)
{
    ConsoleRun run = console("pin\nquiesce\nsim\n");
    EXPECT_EQ(run.replies[0], "Pins: 24576\n");  // knight f2 and bishop g2: bits 13 and 14
    std::vector<long> score = numbersAfter(run.replies[1], "Score:      ");
    std::vector<long> quiesce = numbersAfter(run.replies[1], "Quiesce:    ");
    ASSERT_EQ(score.size(), 1u);
    ASSERT_EQ(quiesce.size(), 1u);
    EXPECT_GE(quiesce[0], score[0]);  // the side to move may always stand pat
    std::vector<long> sim;
    for (int i = 1; i <= 4; i++) {
        std::vector<long> v = numbersAfter(run.replies[2], "Pos " + std::to_string(i) + " Score: ");
        ASSERT_EQ(v.size(), 1u) << run.replies[2];
        sim.push_back(v[0]);
    }
    EXPECT_EQ(sim[0], sim[3]);
    EXPECT_EQ(sim[1], sim[2]);
    EXPECT_EQ(run.output.find("Error"), std::string::npos);

    // After a timed search, whose stop flags stay raised, quiesce searches
    // again instead of returning its window's bound.
    ConsoleRun timed = console("st 1\nsd 64\ngo\nquiesce\n");
    EXPECT_EQ(timed.replies[3], run.replies[1]);
}

TEST(Diagnostics, DrawTestPrintsThirtyBoards)
{
    ConsoleRun run = console("isDraw\n");
    const std::string& out = run.replies[0];
    const std::string fileLine = "    A   B   C   D   E   F   G   H\n";
    EXPECT_EQ(countOf(out, fileLine), 30);
    EXPECT_EQ(countOf(out, "Score: "), 30);
    EXPECT_EQ(out.find("DRAW!\n"), 0u);
    // "NOT DRAW!" comes after the 21st score line and before the 22nd board.
    size_t notDrawn = out.find("NOT DRAW!\n");
    ASSERT_NE(notDrawn, std::string::npos);
    EXPECT_EQ(countOf(out.substr(0, notDrawn), fileLine), 21);
    EXPECT_EQ(countOf(out.substr(0, notDrawn), "Score: "), 21);
    EXPECT_EQ(out.find("Error"), std::string::npos);  // every built-in position reads
}

// "Score:" is the table's published value, "SEE move:" the engine's own
// exchange: they agree on every case but the first and the last.
TEST(Diagnostics, ExchangeCasesPrintPublishedAndComputedValues)
{
    ConsoleRun run = console("see\n");
    const std::string& out = run.replies[0];
    std::vector<long> numbers = numbersAfter(out, "TestCase ");
    ASSERT_EQ(numbers.size(), 25u);
    for (int i = 0; i < 25; i++)
        EXPECT_EQ(numbers[i], i + 1);
    std::vector<long> expected = numbersAfter(out, "Score:          ");
    std::vector<long> computed = numbersAfter(out, "SEE move:       ");
    ASSERT_EQ(expected.size(), 25u);
    ASSERT_EQ(computed.size(), 25u);
    EXPECT_EQ(expected.front(), -125);
    EXPECT_EQ(computed.front(), 0);
    EXPECT_EQ(expected.back(), -625);
    EXPECT_EQ(computed.back(), -575);
    for (int i = 1; i < 24; i++)
        EXPECT_EQ(computed[i], expected[i]) << "case " << i + 1;
    EXPECT_EQ(numbersAfter(out, "SEE best:       ").size(), 25u);
    EXPECT_EQ(out.find("none"), std::string::npos);  // every case has a legal capture
    EXPECT_EQ(out.find("Error"), std::string::npos);
    EXPECT_NE(out.find("\nTestCase  1                      Score:           -125\n"
                       "Move:               c3d4      SEE move:              0\n"
                       "Best:               c3d4      SEE best:              0\n"),
              std::string::npos);
}

TEST(Diagnostics, PieceValues)
{
    ConsoleRun run = console("piece 19\npiece 34\npiece 6\npiece\npiece 70\n");
    EXPECT_EQ(run.replies[0], "Piece Value: 325\n");    // White knight d3
    EXPECT_EQ(run.replies[1], "Piece Value: 1000\n");   // Black queen c5
    EXPECT_EQ(run.replies[2], "Piece Value: 10000\n");  // White king g1
    EXPECT_EQ(run.replies[3], "Piece Value: 0\n");      // a1, empty
    EXPECT_EQ(run.replies[4], "Piece Value: 10000\n");  // 70 mod 64 = 6
}

TEST(Diagnostics, PerftDepthLimits)
{
    const std::string depthError = "Error (depth out of bound): Insert depth between 1 and 63\n";
    // A mated position: depth 64 is accepted and counts nothing.
    ConsoleRun run = console("setboard 7k/6Q1/6K1/8/8/8/8/8 b - - 0 1\nperft 64\nperft 65\nperft 0\n");
    EXPECT_EQ(run.replies[1], "Calculated nodes: 0\n");
    EXPECT_EQ(run.replies[2], depthError);
    EXPECT_EQ(run.replies[3], depthError);
}

TEST(Diagnostics, MoveListsWithGainsChecksAndEvasions)
{
    struct Case {
        const char* fen;
        std::vector<std::string> expectedLines;  // each must appear in the reply
        bool evasions;
    };
    const Case cases[] = {
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
         {"\nAll moves:    20\n", "\nLegal moves:    20\n", "\nCheck moves:    0\n", "Move: g1f3    0\n"},
         false},
        // Capturing promotions gain the rook and the new piece less the pawn.
        {"r3k3/1P6/8/8/8/8/8/4K3 w - - 0 1",
         {"Move: b7a8q    1400\n", "Move: b7a8n    725\n", "Move: b7b8q    900\n"},
         false},
        // En passant gains a pawn although the target square is empty.
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", {"Move: e5d6    100\n"}, false},
        // The rook check on a8 is taken by the knight; on an empty board it is safe.
        {"4k3/8/1n6/8/8/8/8/R3K3 w - - 0 1", {"\nCheck moves:    1\nMove: a1a8    negSEE\n"}, false},
        {"4k3/8/8/8/8/8/8/R3K3 w - - 0 1", {"\nCheck moves:    1\nMove: a1a8\n"}, false},
        // In check: an evasion list follows, and some pseudo-legal moves are not legal.
        {"4k3/8/8/8/8/8/8/r3K3 w - - 0 1",
         {"\nAll moves:    5\n", "\nLegal moves:    3\n", "\nEvasion moves:    "},
         true},
    };
    for (const Case& c : cases) {
        ConsoleRun run = console("setboard " + std::string(c.fen) + "\nlegal\n");
        const std::string& out = run.replies[1];
        for (const std::string& line : c.expectedLines)
            EXPECT_NE(out.find(line), std::string::npos) << c.fen << "\n" << line << "\n" << out;
        EXPECT_EQ(out.find("Evasion moves:") != std::string::npos, c.evasions) << c.fen;
        EXPECT_EQ(out.find("\nAll moves:"), 0u);
    }
}

TEST(Diagnostics, GenListsTheLegalMovesLastFirst)
{
    ConsoleRun run = console("gen\nsetboard 7k/6Q1/6K1/8/8/8/8/8 b - - 0 1\ngen\n"
                             "setboard 4k3/8/8/8/8/8/8/r3K3 w - - 0 1\ngen\n");
    EXPECT_EQ(countOf(run.replies[0], "Move: "), 20);
    EXPECT_NE(run.replies[0].find("Total Legal moves: 20\n"), std::string::npos);
    EXPECT_EQ(run.replies[2], "Total Legal moves: 0\n");
    // The rook on a1 holds the first rank: d2, e2 and f2 remain, printed last first.
    EXPECT_EQ(run.replies[4], "Move: e1f2\nMove: e1e2\nMove: e1d2\nTotal Legal moves: 3\n");
}

TEST(Diagnostics, ThreadReallocatesTheTables)
{
    ConsoleRun run = console("thread 3\nthread 0\nthread 25\nthread\nsd 3\ngo\n");
    const std::string& reply = run.replies[0];
    EXPECT_NE(reply.find("Allocated     1 MB for the HashEval Table for Thread 3\n"), std::string::npos);
    EXPECT_EQ(reply.find("for Thread 4"), std::string::npos);
    EXPECT_EQ(reply.substr(reply.size() - 31), "\nThread allocated for search: 3");  // no line end
    EXPECT_EQ(run.replies[1], "");
    EXPECT_EQ(run.replies[2], "");
    EXPECT_EQ(run.replies[3], "");
    EXPECT_NE(run.replies[5].find("Bestmove: "), std::string::npos);
}

TEST(Diagnostics, ScorePrintsTheBreakdownAndTheScore)
{
    ConsoleRun run = console("score\nsetboard 4k3/8/8/8/8/8/4P3/4K3 w - - 0 1\nscore\n");
    const std::string& start = run.replies[0];
    EXPECT_EQ(start.find("\nSide to move\n"), 0u);
    EXPECT_NE(start.find("\nOpponent\n"), std::string::npos);
    EXPECT_EQ(countOf(start, "| Total         |"), 2);
    EXPECT_EQ(start.substr(start.size() - 10), "\nScore: 0\n");  // the start position is level
    // King and pawn: the pawn's end-game value and its passed bonus.
    const std::string& pawn = run.replies[2];
    EXPECT_NE(pawn.find("| Material      |   107|     0|     0|     0|     0|     .|     .|\n"), std::string::npos);
    EXPECT_NE(pawn.find("| Passed        |     5|"), std::string::npos);
    EXPECT_EQ(pawn.substr(pawn.size() - 11), "\nScore: 83\n");
}

TEST(Diagnostics, ReductionFormulasPrintedAsSource)
{
    ConsoleRun run = console("red\n");
    std::istringstream in(run.replies[0]);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 136u);  // header, 2 x (open, 64 rows, close, blank), final brace
    EXPECT_EQ(lines[0], "static const int CT_LMR_R[2][64][64]={");
    EXPECT_EQ(lines[1], "{");
    EXPECT_EQ(lines[66], "},");
    EXPECT_EQ(lines[67], "");
    EXPECT_EQ(lines[135], "}");
    // Entry [table][d][m] of the printed rows.
    auto entry = [&](int table, int d, int m) {
        std::string row = lines[2 + table * 67 + d];
        EXPECT_EQ(row.front(), '{');
        EXPECT_EQ(row.substr(row.size() - 2), "},");
        std::istringstream cells(row.substr(1, row.size() - 3));
        std::string cell;
        for (int i = 0; i <= m; i++)
            std::getline(cells, cell, ',');
        return std::stoi(cell);
    };
    // ln d x ln m / 2.25 + 0.33 (floored, +1 above 2) and ln d x ln m / 3.
    EXPECT_EQ(entry(0, 1, 63), 0);  // ln 1 = 0
    EXPECT_EQ(entry(0, 3, 3), 0);   // 0.87
    EXPECT_EQ(entry(0, 3, 4), 1);   // 1.01
    EXPECT_EQ(entry(0, 63, 4), 2);  // 2.88
    EXPECT_EQ(entry(0, 63, 5), 4);  // 3.29: 3, then 1 more
    EXPECT_EQ(entry(0, 63, 63), 8); // 7.96
    EXPECT_EQ(entry(1, 63, 63), 5); // 5.72
    EXPECT_EQ(entry(1, 0, 0), 0);
    EXPECT_EQ(entry(1, 10, 10), 1); // 1.77
}

TEST(Diagnostics, BookListsTheMovesOfTheDefaultBookFile)
{
    // No book file: the system's message, and the console goes on.
    ConsoleRun missing = console("book\ngetboard\n");
    EXPECT_EQ(missing.replies[0], "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - \n"
                                  "Tomelore_12.9c.bin: No such file or directory\n");
    EXPECT_NE(missing.replies[1].find("FEN: "), std::string::npos);

    // The test book under the default name (the configured BookFile plays no part).
    const std::string book = testDataPath("books/small.bin");
    ConsoleRun run = runConsole("book\ne2e4\nbook\nsetboard 4k3/8/8/8/8/8/4P3/4K3 w - - 0 1\nbook\n", SMALL_INI,
                                20000, [&](const std::string& folder) {
                                    std::filesystem::copy_file(book, folder + "/Tomelore_12.9c.bin");
                                });
    ASSERT_EQ(run.status, 0);
    // Weights 276, 184, 45 and 13 of 518.
    EXPECT_EQ(run.replies[0], "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - \n"
                              "move=g1f3 weight=53.28%\n"
                              "move=e2e4 weight=35.52%\n"
                              "move=d2d4 weight= 8.69%\n"
                              "move=c2c4 weight= 2.51%\n");
    EXPECT_NE(run.replies[2].find("move=c7c5 weight=99.60%\nmove=e7e5 weight= 0.40%\n"), std::string::npos);
    EXPECT_NE(run.replies[4].find(": No such key\n"), std::string::npos);
}

namespace {

// The 3-4 piece tables of the test data, for both kinds of file.
std::string tablebaseIni()
{
    const std::string tables = testDataPath("syzygy");
    return std::string("[ENGINE]\nThread=1\nHashSize=1\nHashEvalSize=1\nHashQSize=1\n[BOOK]\nBook=0\n") +
           "[TABLEBASE]\nSyzygy=1\nwdlPath=" + tables + "\ndtzPath=" + tables + "\n";
}

// The test positions of every 3-4 piece table, spread over the nine test
// files, comment lines left out.
std::vector<std::string> syzygyTestLines()
{
    std::vector<std::string> lines;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(testDataPath("syzygy-tests")))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
        std::ifstream in(file);
        for (std::string line; std::getline(in, line);)
            if (!line.empty() && line[0] != '#')
                lines.push_back(line);
    }
    return lines;
}

void writeTestFiles(const std::string& folder, const std::vector<std::string>& lines, int files)
{
    std::filesystem::create_directory(folder + "/TestSyzygy");
    std::vector<std::ofstream> out;
    for (int i = 1; i <= files; i++) {
        char name[32];
        std::snprintf(name, sizeof name, "/TestSyzygy/TestCase_%02d.txt", i);
        out.emplace_back(folder + name);
    }
    for (size_t i = 0; i < lines.size(); i++)
        out[i % files] << lines[i] << "\n";
}

std::string fileText(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

TEST(Diagnostics, SyzygySelfTestOverTheTestPositions)
{
    const std::string ini = tablebaseIni();
    const std::vector<std::string> lines = syzygyTestLines();
    ASSERT_GT(lines.size(), 1000u);
    std::string folder;
    ConsoleRun run = runConsole("syzygy\n", ini.c_str(), 60000, [&](const std::string& f) {
        folder = f;
        writeTestFiles(f, lines, 9);
    });
    ASSERT_EQ(run.status, 0);
    const std::string& out = run.replies[0];
    EXPECT_NE(out.find("\nWDL Error:           0   0.00%\nDTZ Error:           0   0.00%\n"
                       "FEN Error:           0   0.00%\n\nSyzygy Test ended.\n"),
              std::string::npos)
        << out.substr(out.size() > 400 ? out.size() - 400 : 0);
    EXPECT_NE(out.find("TestSyzygy/TestCase_09.txt\n"), std::string::npos);
}

TEST(Diagnostics, SyzygySelfTestCountsAndKeepsTheFailingLines)
{
    const std::string ini = tablebaseIni();
    EngineProcess engine;
    ASSERT_TRUE(engine.start(ini.c_str()));
    const std::string good = "8/8/8/8/4k3/8/1Q6/K7 b - - 0 1,-20,-2";  // KQvK, from the test data
    const std::string wrongWdl = "8/8/8/8/4k3/8/1Q6/K7 b - - 0 1,-20,2";
    const std::string wrongDtz = "8/8/8/8/4k3/8/1Q6/K7 b - - 0 1,-21,-2";
    const std::string badFen = "8/8/8/8/4k3/8/1Q6/K9 b - - 0 1,-20,-2";
    const std::string noValues = "8/8/8/8/4k3/8/1Q6/K7 b - - 0 1";
    const std::string tooLong = std::string(300, 'x') + ",0,0";
    writeTestFiles(engine.directory, {good, wrongWdl, wrongDtz, badFen, noValues, tooLong}, 9);

    engine.send("console\nsyzygy\n");
    ASSERT_TRUE(engine.waitFor("Syzygy Test ended.\n", 30000));
    EXPECT_NE(engine.output.find("\nWDL Error:           1   0.00%\nDTZ Error:           1   0.00%\n"
                                 "FEN Error:           3   0.00%\n"),
              std::string::npos);
    const std::string errors = engine.directory + "/TestSyzygy/";
    EXPECT_EQ(fileText(errors + "ErrorWDL.txt"), wrongWdl + "\n");
    EXPECT_EQ(fileText(errors + "ErrorDTZ.txt"), wrongDtz + "\n");
    EXPECT_EQ(fileText(errors + "BadFEN.txt"), badFen + "\n" + noValues + "\n" + tooLong.substr(0, 254) + "\n");

    // A missing test file ends the test, not the engine.
    std::filesystem::remove(errors + "TestCase_05.txt");
    const size_t mark = engine.output.size();
    engine.send("syzygy\ngetboard\nquit\n");
    engine.closeInput();
    ASSERT_EQ(engine.wait(), 0);
    const std::string after = engine.output.substr(mark);
    EXPECT_NE(after.find("TestSyzygy/TestCase_04.txt\n"), std::string::npos);
    EXPECT_NE(after.find("File not found\n"), std::string::npos);
    EXPECT_EQ(after.find("Syzygy Test ended."), std::string::npos);
    EXPECT_NE(after.find("FEN: "), std::string::npos);
}

TEST(Diagnostics, ProbeReportsTheTablesAndTheMovesThatKeepTheResult)
{
    const std::string ini = tablebaseIni();
    // KQvK with White to move: every winning move kept with its distance;
    // the start position is in no table.
    ConsoleRun run = runConsole("setboard 8/8/8/8/4k3/8/1Q6/K7 w - - 0 1\nprobe\nnew\nprobe\n", ini.c_str());
    ASSERT_EQ(run.status, 0);
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
    EXPECT_EQ(none.find("   DTZ: "), std::string::npos);
}

TEST(Diagnostics, BareKingsAreADrawWithoutAnyTable)
{
    // A folder without a single table, and the tables switched off.
    const std::string emptyFolder = testDataPath("books");
    const std::string noTables = std::string("[ENGINE]\nThread=1\nHashSize=1\nHashEvalSize=1\nHashQSize=1\n") +
                                 "[BOOK]\nBook=0\n[TABLEBASE]\nSyzygy=1\nwdlPath=" + emptyFolder +
                                 "\ndtzPath=" + emptyFolder + "\n";
    for (const char* ini : {noTables.c_str(), SMALL_INI}) {
        ConsoleRun run = runConsole("setboard 8/3k4/8/8/8/8/8/6K1 w - - 0 1\nprobe\n", ini);
        ASSERT_EQ(run.status, 0);
        const std::string& out = run.replies[1];
        EXPECT_NE(out.find("Legal moves:    5\n"), std::string::npos) << out;
        EXPECT_NE(out.find("\nEGTB position:  1  (1=true, 0=false)\nDTZ:            0\nWDL:            0\n"
                           "TBScore:        0\n\nEGTB moves:     5\n"),
                  std::string::npos)
            << out;
        EXPECT_EQ(countOf(out, "   DTZ: 0\n"), 5) << out;
    }
}
