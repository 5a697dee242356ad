// Perft counts against known values: the shared 150-position file at every
// listed depth, and the six-position bench suite at modest depths.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine_init.h"
#include "position/fen.h"
#include "position/stack.h"
#include "position/perft.h"

namespace {

PositionStack testStack;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool SANITIZED = true;
#else
constexpr bool SANITIZED = false;
#endif

// Sanitizer builds run several times slower; there the deepest counts of the
// shared file are left to the release build (every code path is reached well
// below the cap).
constexpr uint64_t NODE_CAP = SANITIZED ? 500000 : UINT64_MAX;

struct PerftCase {
    std::string fen;
    std::vector<std::pair<int, uint64_t>> depths;
};

std::vector<PerftCase> readPerftFile()
{
    std::vector<PerftCase> cases;
    std::ifstream in(testDataPath("perft.epd"));
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream parts(line);
        PerftCase c;
        std::getline(parts, c.fen, ';');
        std::string field;
        while (std::getline(parts, field, ';')) {
            int depth = 0;
            unsigned long long nodes = 0;
            if (std::sscanf(field.c_str(), "D%d %llu", &depth, &nodes) == 2)
                c.depths.push_back({depth, nodes});
        }
        cases.push_back(c);
    }
    return cases;
}

uint64_t perftOf(const std::string& fen, int depth)
{
    newGame(testStack);
    if (!setPositionFromFen(testStack, fen.c_str(), nullptr))
        return UINT64_MAX;
    return perftRoot(testStack, depth);
}

TEST(Perft, SharedFileEveryDepth)
{
    const std::vector<PerftCase> cases = readPerftFile();
    ASSERT_EQ(cases.size(), 150u);
    int checked = 0;
    for (const PerftCase& c : cases) {
        ASSERT_FALSE(c.depths.empty()) << c.fen;
        for (const auto& [depth, expected] : c.depths) {
            if (expected > NODE_CAP)
                continue;
            EXPECT_EQ(perftOf(c.fen, depth), expected) << c.fen << " depth " << depth;
            checked++;
        }
    }
    EXPECT_GT(checked, 150 * 3);
}

TEST(Perft, StartPositionShallow)
{
    const char* start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
    EXPECT_EQ(perftOf(start, 0), 1u);
    EXPECT_EQ(perftOf(start, 1), 20u);
    EXPECT_EQ(perftOf(start, 2), 400u);
    EXPECT_EQ(perftOf(start, 3), 8902u);
}

// The bench suite with counts at depths that stay quick.
TEST(Perft, BenchSuiteModestDepths)
{
    struct Case {
        const char* fen;
        int depth;
        uint64_t nodes;
        int sanitizedDepth;
        uint64_t sanitizedNodes;
    };
    const Case cases[] = {
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 5, 4865609, 4, 197281},
        {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 4, 4085603, 3, 97862},
        {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 6, 11030083, 5, 674624},
        {"r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", 5, 15833292, 4, 422333},
        {"rnbqkb1r/pp1p1ppp/2p5/4P3/2B5/8/PPP1NnPP/RNBQK2R w KQkq - 0 6", 3, 53392, 3, 53392},
        {"r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10", 4, 3894594, 3, 89890},
    };
    for (const Case& c : cases) {
        const int depth = SANITIZED ? c.sanitizedDepth : c.depth;
        EXPECT_EQ(perftOf(c.fen, depth), SANITIZED ? c.sanitizedNodes : c.nodes) << c.fen;
    }
}

TEST(Perft, DepthBeyondTheStackCountsNothing)
{
    newGame(testStack);
    EXPECT_EQ(perft(testStack, POSITION_STACK_SIZE), 0u);
    EXPECT_EQ(testStack.current, testStack.positions);
}

}  // namespace
