// The evaluation trace: the traced evaluation scores exactly as the plain one
// over the shared positions, its records add up to the score where tapering
// cannot round, terms land in their side's slots, and the printed table has
// its fixed layout.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "engine_init.h"
#include "eval/evalcache.h"
#include "eval/evaluate.h"
#include "eval/trace.h"
#include "position/fen.h"
#include "position/stack.h"
#include "sent_text.h"

namespace {

struct TraceThread : PositionStack {
    EvalCache evalCache;
};

TraceThread traceThread;

const Position& setUp(const std::string& fen)
{
    traceThread.current = traceThread.positions;
    EXPECT_EQ(setPositionFromFen(traceThread, fen.c_str(), nullptr), 1) << fen;
    return *traceThread.current;
}

std::vector<std::string> sharedPositions()
{
    std::ifstream in(testDataPath("positions.txt"));
    std::vector<std::string> fens;
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] != '#')
            fens.push_back(line);
    return fens;
}

int recordSum(const EvalTrace& t)
{
    int sum = 0;
    for (int16_t v : t.slot)
        sum += v;
    return sum;
}

} // namespace

TEST(EvalTrace, ScoresAsTheEvaluationOnEverySharedPosition)
{
    ASSERT_TRUE(allocHashEval(traceThread.evalCache, 1024));
    const std::vector<std::string> fens = sharedPositions();
    ASSERT_GT(fens.size(), 300u);
    int exactChecks = 0;
    for (const std::string& fen : fens) {
        const Position& pos = setUp(fen);
        EvalTrace trace[2];
        const Score traced = traceEvaluation(pos, trace);
        EXPECT_EQ(traced, evaluatePosition(pos)) << fen;
        EXPECT_EQ(traced, evaluate(pos, &traceThread.evalCache)) << fen;

        // Each slot is tapered on its own; with the phase at 0 or 64 tapering
        // is exact, so side minus opponent is the score itself.
        const int difference = recordSum(trace[0]) - recordSum(trace[1]);
        const int phase = gamePhase(pos);
        if (phase == 0 || phase == 64) {
            EXPECT_EQ(difference, traced) << fen;
            ++exactChecks;
        } else {
            EXPECT_LE(std::abs(difference - traced), 40) << fen;
        }
    }
    EXPECT_GT(exactChecks, 20);
    freeHashEval(traceThread.evalCache);
}

TEST(EvalTrace, TermsLandInTheirSidesSlots)
{
    struct Case {
        const char* fen;
        int side;  // 0 side to move, 1 opponent
        int slot;
        int expected;
        const char* why;
    };
    const Case cases[] = {
        {"N5k1/2p5/8/8/8/8/8/6K1 w - - 0 1", 0, TRACE_KNIGHT_TRAPPED, -15, "knight a8, pawn c7"},
        {"N5k1/2p5/8/8/8/8/8/6K1 b - - 0 1", 1, TRACE_KNIGHT_TRAPPED, -15, "the same knight, Black to move"},
        {"N5k1/2p5/8/8/8/8/8/6K1 b - - 0 1", 0, TRACE_KNIGHT_TRAPPED, 0, "Black's knights are free"},
        {"4k3/8/8/8/8/8/8/2B1KB2 w - - 0 1", 0, TRACE_BISHOP_PAIR, 38, "light and dark bishop: (20x6 + 40x58) / 64"},
        {"4k3/8/8/8/8/8/8/1B1BK3 w - - 0 1", 0, TRACE_BISHOP_PAIR, 0, "two light bishops are no pair"},
        {"4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", 0, TRACE_PAWN_PASSED, 5, "pawn e2 is passed, end game"},
        {"4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", 0, TRACE_PAWN_MATERIAL, 107, "one pawn, end-game value"},
        {"4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", 1, TRACE_PAWN_MATERIAL, 0, "Black has no pawn"},
        {"3qk3/4p3/8/8/8/8/8/R2QK3 w - - 0 1", 0, TRACE_ROOK_OPEN_FILE, 10, "open a-file, phase 25: 26 x 25 / 64"},
        {"3qk3/4p3/8/8/8/8/8/R2QK3 w - - 0 1", 0, TRACE_ROOK_SEMI_OPEN_FILE, 0, "open, so not half-open"},
        {"3qk3/p7/8/8/8/8/8/R2QK3 w - - 0 1", 0, TRACE_ROOK_SEMI_OPEN_FILE, 5, "enemy pawn on a7: 13 x 25 / 64"},
        {"3qk3/p7/8/8/8/8/8/R2QK3 w - - 0 1", 0, TRACE_ROOK_OPEN_FILE, 0, "half-open, so not open"},
    };
    for (const Case& c : cases) {
        EvalTrace trace[2];
        traceEvaluation(setUp(c.fen), trace);
        EXPECT_EQ(trace[c.side].slot[c.slot], c.expected) << c.fen << ": " << c.why;
    }
}

namespace {

// One record's table with every slot at zero.
std::string zeroTable(const std::string& title)
{
    const std::string rule66(66, '-'), rule73(73, '-');
    return "\n" + title + "\n" + rule66 + "\n" +
           "| Piece         |  Pawn|Knight|Bishop|  Rook| Queen|  King|Others|\n" + rule66 + "\n" +
           "| Material      |     0|     0|     0|     0|     0|     .|     .|\n"
           "| PST           |     0|     0|     0|     0|     0|     0|     .|\n"
           "| Mobility      |     .|     0|     0|     0|     0|     .|     .|\n"
           "| Passed        |     0|     .|     .|     .|     .|     .|     .|\n"
           "| Isolated      |     0|     .|     .|     .|     .|     .|     .|\n"
           "| Doubled       |     0|     .|     .|     .|     .|     .|     .|\n"
           "| Backward      |     0|     .|     .|     .|     .|     .|     .|\n"
           "| Dispersion    |     0|     .|     .|     .|     .|     .|     .|\n"
           "| Distortion    |     0|     .|     .|     .|     .|     .|     .|\n"
           "| Chain         |     0|     .|     .|     .|     .|     .|     .|\n"
           "| Candidate     |     0|     .|     .|     .|     .|     .|     .|\n"
           "| pawnEnding    |     0|     .|     .|     .|     .|     .|     .|\n"
           "| kingSupport   |     0|     .|     .|     .|     .|     .|     .|\n"
           "| EnemyKingTrop |     0|     .|     .|     .|     .|     .|     .|\n"
           "| Trapped       |     .|     0|     0|     0|     .|     .|     .|\n"
           "| Adjustment    |     .|     0|     .|     0|     .|     .|     .|\n"
           "| Outpost       |     .|     0|     0|     0|     .|     .|     .|\n"
           "| openDiags     |     .|     .|     0|     .|     .|     .|     .|\n"
           "| colorWeakness |     .|     .|     0|     .|     .|     .|     .|\n"
           "| bishopPair    |     .|     .|     0|     .|     .|     .|     .|\n"
           "| openFile      |     .|     .|     .|     0|     .|     .|     .|\n"
           "| semiopenFile  |     .|     .|     .|     0|     .|     .|     .|\n"
           "| 7th rank      |     .|     .|     .|     0|     .|     .|     .|\n"
           "| Tarrash Rule  |     .|     .|     .|     0|     .|     .|     .|\n"
           "| KingShield    |     0|     .|     .|     .|     .|     .|     .|\n"
           "| King Safety   |     .|     .|     .|     .|     .|     0|     .|\n"
           "| Side To Move  |     .|     .|     .|     .|     .|     .|     0|\n"
           "| Pinned        |     .|     .|     .|     .|     .|     .|     0|\n" +
           rule73 + "\n" + "| Total         |     0|     0|     0|     0|     0|     0|     0|     0|\n" + rule73 + "\n";
}

std::string printed(const EvalTrace trace[2])
{
    SentText table;
    writeEvalTrace(trace, table.sink());
    return table.take();
}

std::string lineStarting(const std::string& text, const std::string& start, size_t from = 0)
{
    size_t p = text.find("\n" + start, from);
    if (p == std::string::npos)
        return "<missing>";
    return text.substr(p + 1, text.find('\n', p + 1) - p - 1);
}

} // namespace

TEST(EvalTrace, ZeroRecordsPrintTheFixedLayout)
{
    const EvalTrace zero[2] = {};
    EXPECT_EQ(printed(zero), zeroTable("Side to move") + zeroTable("Opponent") + "\n");
}

TEST(EvalTrace, ChainAndCandidatePrintNegatedAndOutpostsStayOutOfTheTotals)
{
    EvalTrace trace[2] = {};
    trace[0].slot[TRACE_PAWN_CHAIN] = 5;
    trace[0].slot[TRACE_PAWN_CANDIDATE] = -3;
    trace[0].slot[TRACE_KNIGHT_OUTPOST] = 7;
    trace[0].slot[TRACE_KNIGHT_MOBILITY] = 11;
    trace[0].slot[TRACE_BISHOP_FIANCHETTO] = 9;  // no cell, not in the totals
    trace[1].slot[TRACE_KING_SAFETY] = -40;
    const std::string out = printed(trace);
    EXPECT_EQ(lineStarting(out, "| Chain"), "| Chain         |    -5|     .|     .|     .|     .|     .|     .|");
    EXPECT_EQ(lineStarting(out, "| Candidate"), "| Candidate     |     3|     .|     .|     .|     .|     .|     .|");
    EXPECT_EQ(lineStarting(out, "| Outpost"), "| Outpost       |     .|     7|     0|     0|     .|     .|     .|");
    EXPECT_EQ(lineStarting(out, "| Total"), "| Total         |     2|    11|     0|     0|     0|     0|     0|    13|");
    const size_t opponent = out.find("\nOpponent\n");
    ASSERT_NE(opponent, std::string::npos);
    EXPECT_EQ(lineStarting(out, "| King Safety", opponent),
              "| King Safety   |     .|     .|     .|     .|     .|   -40|     .|");
    EXPECT_EQ(lineStarting(out, "| Total", opponent),
              "| Total         |     0|     0|     0|     0|     0|   -40|     0|   -40|");
}
