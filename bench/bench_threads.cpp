// Lazy shared-memory speed-up: the time the search driver takes to complete
// a fixed depth on the six bench positions with one thread and with two.
#include <cstdio>

#include "bench.h"
#include "frontend/config.h"
#include "frontend/startup.h"
#include "platform/platform.h"
#include "position/fen.h"
#include "search/searchstate.h"
#include "search/think.h"
#include "search/timecontrol.h"
#include "search/tt.h"

namespace {

constexpr int THREADS_BENCH_DEPTH = 14;

const char* const THREADS_BENCH_FENS[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "rnbqkb1r/pp1p1ppp/2p5/4P3/2B5/8/PPP1NnPP/RNBQK2R w KQkq - 0 6",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
};

// Milliseconds to complete the fixed depth on every position, fresh tables each.
uint64_t timeToDepth(int threads)
{
    config.threads = uint8_t(threads);
    allocAllTables();
    uint64_t total = 0;
    for (const char* fen : THREADS_BENCH_FENS) {
        mainThread.current = newGame(mainThread);
        clearAllTables();
        setPositionFromFen(mainThread, fen, nullptr);
        timeControl.startMs = nowMs();
        think(mainThread);
        uint64_t ms = nowMs() - timeControl.startMs;
        std::printf("  %d thread%s %7.2f s  %s\n", threads, threads > 1 ? "s" : " ", double(ms) / 1000.0, fen);
        total += ms;
    }
    freeAllTables();
    return total;
}

}  // namespace

void benchThreads()
{
    // The driver in console form with its thinking lines off, no time limit.
    protocolMode = 0;
    config.postThinking = 0;
    config.maxDepth = THREADS_BENCH_DEPTH;
    config.ttEntries = tableEntryCount(64);
    config.ttSizeMb = 64;
    config.hashEvalEntries = tableEntryCount(16);
    config.hashQEntries = tableEntryCount(16);
    timeControl.moveTime = NO_MOVE_TIME;
    std::printf("Threads: time to depth %d on the six bench positions\n", THREADS_BENCH_DEPTH);
    uint64_t one = timeToDepth(1);
    uint64_t two = timeToDepth(2);
    std::printf("Depth %d, 1 thread:  %.2f s\n", THREADS_BENCH_DEPTH, double(one) / 1000.0);
    std::printf("Depth %d, 2 threads: %.2f s\n", THREADS_BENCH_DEPTH, double(two) / 1000.0);
    std::printf("Speed-up 2 vs 1:     %.2f\n", two ? double(one) / double(two) : 0.0);
}
