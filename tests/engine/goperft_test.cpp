// "go perft" through the real binary: one line per root move and the total,
// in standard chess and Chess960, bad depths, and "stop".
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/console_session.h"
#include "support/uci_engine.h"

namespace {

// The reply's lines must be "<move>: <count>" lines, an empty line and the
// total; returns the total, or -1 when the form is wrong or the counts do not
// add up. The text of the move lines goes to `moves`.
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

TEST(GoPerft, OneLinePerMoveThenTheTotal)
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
    for (const Case& c : cases) {
        UciEngine e;
        const std::string option = c.chess960 ? "setoption name UCI_Chess960 value true\n" : "";
        const std::string out = e.run(option + "position " + c.position + "\ngo perft " + std::to_string(c.depth) + "\n",
                                      "Nodes searched");
        std::string moves;
        EXPECT_EQ(readPerftReply(out, moves), c.total) << out;
        std::istringstream wanted(c.castling);
        for (std::string line; std::getline(wanted, line);)
            EXPECT_NE(moves.find(line), std::string::npos) << line << "\n" << out;
    }
}

TEST(GoPerft, BadDepthsAndStop)
{
    UciEngine e;
    // Each bad depth is answered by one line and no count.
    std::string out = e.run("go perft\ngo perft 0\ngo perft x\ngo perft 65\ngo perft 1\n", "Nodes searched");
    EXPECT_EQ(countOf(out, "info string go perft takes a depth from 1 to 64\n"), 4) << out;
    EXPECT_EQ(countOf(out, "Nodes searched"), 1) << out;
    // Depth 9 runs for hours; "stop" ends it at once with an incomplete total.
    out = e.run("position startpos\ngo perft 9\nstop\n", "Nodes searched");
    EXPECT_NE(out.find("info string go perft stopped"), std::string::npos) << out;
    std::string moves;
    EXPECT_EQ(readPerftReply(e.run("go perft 1\n", "Nodes searched"), moves), 20);
}

