// Perft speed: generation, legality tests and make-move, one thread.
#include <cstdint>
#include <cstdio>

#include "bench.h"
#include "platform/platform.h"
#include "position/fen.h"
#include "position/perft.h"
#include "position/stack.h"

namespace {

PositionStack stack;

struct BenchPosition {
    const char* name;
    const char* fen;
    int depth;
    uint64_t expected;
};

constexpr BenchPosition SUITE[] = {
    {"start", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 6, 119060324},
    {"kiwipete", "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 5, 193690690},
    {"rook endgame", "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 7, 178633661},
    {"promotions", "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", 6, 706045033},
    {"castling rights", "rnbqkb1r/pp1p1ppp/2p5/4P3/2B5/8/PPP1NnPP/RNBQK2R w KQkq - 0 6", 3, 53392},
    {"middlegame", "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10", 5, 164075551},
};

// Runs one position and prints its line; returns false on a wrong count.
bool run(const BenchPosition& b, uint64_t& nodes, uint64_t& ms)
{
    newGame(stack);
    if (!setPositionFromFen(stack, b.fen, nullptr)) {
        std::printf("%-16s bad FEN\n", b.name);
        return false;
    }
    const uint64_t start = nowMs();
    const uint64_t count = perftRoot(stack, b.depth);
    const uint64_t elapsed = nowMs() - start;
    nodes += count;
    ms += elapsed;
    const bool ok = count == b.expected;
    std::printf("%-16s depth %d  %11llu nodes  %6.2f s  %7.1f Mnps%s\n", b.name, b.depth, (unsigned long long)count,
                double(elapsed) / 1000.0, elapsed ? double(count) / double(elapsed) / 1000.0 : 0.0,
                ok ? "" : "  WRONG COUNT");
    return ok;
}

}  // namespace

void benchPerft()
{
    std::printf("Perft, one thread (bulk counting at the last ply)\n");
    uint64_t nodes = 0, ms = 0;
    for (const BenchPosition& b : SUITE)
        run(b, nodes, ms);
    std::printf("%-16s          %11llu nodes  %6.2f s  %7.1f Mnps\n\n", "suite total", (unsigned long long)nodes,
                double(ms) / 1000.0, ms ? double(nodes) / double(ms) / 1000.0 : 0.0);
    std::fflush(stdout);
}
