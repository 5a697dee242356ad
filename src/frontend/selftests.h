// The console's self-tests: the perft suite ("bench") and the move-ordering
// test ("testmo").
#pragma once

#include <cstdint>

// The six positions of the perft suite with their depths and known counts;
// the search bench and the search's node signature use the same positions.
struct PerftCase {
    const char* fen;
    int depth;
    uint64_t expected;
};
constexpr int PERFT_SUITE_SIZE = 6;
extern const PerftCase PERFT_SUITE[PERFT_SUITE_SIZE];

void perftTest();
void moveOrderTest();
