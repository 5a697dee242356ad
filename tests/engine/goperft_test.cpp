// "go perft" through the real binary: one line per root move and the total,
// in standard chess and Chess960, bad depths, and "stop".
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "support/console_session.h"
#include "support/uci_engine.h"

namespace {

struct PerftReply {
    std::vector<std::pair<std::string, long long>> moves;
    long long total = -1;
    bool wellFormed = true;  // move lines, one empty line, the total
};

PerftReply readPerftReply(const std::string& text)
{
    PerftReply r;
    std::istringstream in(text);
    std::string line;
    bool blankSeen = false;
    while (std::getline(in, line)) {
        if (line.empty()) {
            r.wellFormed &= !blankSeen;
            blankSeen = true;
        } else if (line.rfind("Nodes searched: ", 0) == 0) {
            r.wellFormed &= blankSeen;
            r.total = std::stoll(line.substr(16));
        } else {
            const size_t colon = line.find(": ");
            r.wellFormed &= !blankSeen && colon != std::string::npos && line.find_first_not_of("0123456789", colon + 2)
                                                                              == std::string::npos;
            if (colon != std::string::npos)
                r.moves.push_back({line.substr(0, colon), std::atoll(line.c_str() + colon + 2)});
        }
    }
    return r;
}

bool listed(const PerftReply& r, const std::string& move, long long count)
{
    for (const auto& [m, n] : r.moves)
        if (m == move)
            return n == count;
    return false;
}

} // namespace

TEST(GoPerft, OneLinePerMoveThenTheTotal)
{
    struct Case {
        bool chess960;
        const char* position;
        int depth;
        long long total;
        const char* castling[2];  // castling moves that must be listed (null: none)
        long long castlingCount;  // the count below each of them (0: not checked)
    };
    const Case cases[] = {
        {false, "startpos", 3, 8902, {nullptr, nullptr}, 0},
        {false, "fen r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", 1, 26, {"e1g1", "e1c1"}, 1},
        {true, "fen r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", 1, 26, {"e1h1", "e1a1"}, 1},
        {true, "fen r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", 2, 568, {"e1h1", "e1a1"}, 23},
        // Chess960: the king already on g1; a king and rook side by side.
        {true, "fen nr1bbqkr/pppp3p/1n2p3/5pp1/4P3/P5PQ/1PPP1P1P/NRNBB1KR w HBhb - 0 5", 3, 32409, {"g1h1", nullptr}, 0},
        {true, "fen nnrkbbqr/pppppppp/8/8/8/8/PPPPPPPP/NNRKBBQR w HChc - 0 1", 2, 400, {"d1c1", nullptr}, 20},
    };
    for (const Case& c : cases) {
        UciEngine e;
        const std::string option = c.chess960 ? "setoption name UCI_Chess960 value true\n" : "";
        const std::string out = e.run(option + "position " + c.position + "\ngo perft " + std::to_string(c.depth) + "\n",
                                      "Nodes searched");
        const PerftReply r = readPerftReply(out);
        EXPECT_TRUE(r.wellFormed) << out;
        EXPECT_EQ(r.total, c.total) << out;
        long long sum = 0;
        for (const auto& [move, n] : r.moves)
            sum += n;
        EXPECT_EQ(sum, c.total) << out;
        for (const char* castle : c.castling) {
            if (!castle)
                continue;
            EXPECT_NE(out.find(std::string(castle) + ": "), std::string::npos) << castle << "\n" << out;
            EXPECT_TRUE(!c.castlingCount || listed(r, castle, c.castlingCount)) << castle << "\n" << out;
        }
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
    out = e.run("go perft 1\n", "Nodes searched");
    EXPECT_EQ(readPerftReply(out).total, 20) << out;
}

