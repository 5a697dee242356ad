// The console's self-tests: timing the perft suite and the move-ordering
// test over ten positions with known best moves.
#include "frontend/selftests.h"

#include <cinttypes>
#include <cstdio>

#include "frontend/config.h"
#include "frontend/play.h"
#include "frontend/report.h"
#include "frontend/session.h"
#include "platform/platform.h"
#include "position/fen.h"
#include "position/perft.h"
#include "search/engine.h"
#include "search/think.h"

namespace {

struct OrderCase {
    const char* epd;
    const char* best;
};

const OrderCase ORDER_SUITE[] = {
    {"1r1qr2k/1p4pp/3p4/1R1B1p2/1pPp4/4P1Pb/1P3P1P/Q3R1K1 w - - bm Rxb4;", "b5b4"},
    {"r1bqk2r/pppp1Npp/8/2bnP3/8/6K1/PB4PP/RN1Q3R b kq - bm 0-0;", "e8g8"},
    {"r1bk1n1r/pp1n1q1p/2p2p1R/3p4/3PpN2/2NB2Q1/PPP2PP1/2K1R3 w - - bm Bxe4;", "d3e4"},
    {"2r2rk1/p3bb1p/2n1Q1p1/q2pP3/3P1P2/p1NB1NR1/1P4P1/1K1R4 w - - bm Bxg6;", "d3g6"},
    {"2r1qrk1/pp1b1ppp/4pn2/n1b5/8/2NQ1NP1/PP1BPPBP/R2R2K1 w - - bm b4;", "b2b4"},
    {"r1b1k2r/p2n1ppp/1p2p3/3p2B1/P2P4/1Nn1P3/5PPP/R3KB1R w KQkq - bm f3;", "f2f3"},
    {"5k2/p1p4R/1pr5/3p1pP1/P2P1P2/2P2K2/8/8 w - - bm Kg3;", "f3g3"},
    {"3B4/1p4k1/6B1/P2npp1P/6b1/4P3/6K1/8 w - - bm Kg3;", "g2g3"},
    {"2rr2k1/1pqbbppp/p3p3/4p3/2P5/2N1P1P1/PP2QPBP/2RR2K1 w - - bm c5;", "c4c5"},
    {"r1b1kb1r/1p1n1ppp/p2ppn2/6BB/2qNP3/2N5/PPP2PPP/R2Q1RK1 w kq - bm Nxe6;", "d4e6"},
};

const char* const RULE = "-------------------------------------------------------------------------------";

} // namespace

void perftTest(Session& session)
{
    SearchThread& game = session.engine->mainThread;
    std::printf("Running performance test. . .\n\n");
    std::fflush(stdout);
    uint64_t totalNodes = 0;
    double totalSeconds = 0;
    for (const PerftCase& c : PERFT_SUITE) {
        game.current = newGame(game);
        setPositionFromFen(game, c.fen, nullptr);
        uint64_t start = nowMs();
        uint64_t count = c.depth == 0 ? 1 : perft(game, c.depth);
        double seconds = double(nowMs() - start) / 1000.0;
        totalNodes += count;
        totalSeconds += seconds;
        std::printf("Tested position:    %s\n", c.fen);
        std::printf("Expected value:     %" PRIu64 "\n", c.expected);
        std::printf("Calculated value:   %" PRIu64 "\n", count);
        std::printf("Elapsed time:       %.2f s\n\n\n", seconds);
    }
    std::printf("%s\n", RULE);
    std::printf("Total nodes:        %" PRIu64 "\n", totalNodes);
    std::printf("Raw nodes/s:        %" PRIu64 "\n",
                totalSeconds > 0 ? uint64_t(double(totalNodes) / totalSeconds) : uint64_t(0));
    std::printf("Total elapsed time: %.2f s\n", totalSeconds);
    std::fflush(stdout);
}

void moveOrderTest(Session& session)
{
    Engine& engine = *session.engine;
    engine.timeControl.moveTime = 3000;
    int found = 0;
    double ratioSum = 0, depthSum = 0;
    int number = 0;
    for (const OrderCase& c : ORDER_SUITE) {
        ++number;
        SearchThread& t = engine.mainThread;
        t.current = newGame(t);
        clearSearchState(engine);
        clearAllTables(engine);
        setPositionFromFen(t, c.epd, nullptr);
        Move expected = textToMove(*t.current, c.best);
        SearchResult result = thinkAndPlay(session);
        if (result.best == expected)
            ++found;
        printBestMove(engine, false, *t.current, result);
        // The counters run over the whole session, as the report always had them.
        uint64_t highs = engine.failHighs.load(), firsts = engine.firstFailHighs.load();
        double ratio = highs ? 100.0 * double(firsts) / double(highs) : 0.0;
        std::printf("Pos%i moveOrderRatio: %3.2f%%\n", number, ratio);
        std::printf("bestmove %s, founded: %i/10\n\n", c.best, found);
        ratioSum += ratio;
        depthSum += t.depth - 1;
    }
    std::printf("Average moveOrderRatio: %3.2f%%\n", ratioSum / 10);
    std::printf("Average depth:          %3.2f\n", depthSum / 10);
    std::printf("bestmove founded:       %i/10\n", found);
    std::fflush(stdout);
}
