// The default evaluation: each of its terms on a position worked out by hand,
// the trace and the cache agreeing with it over the shared positions, and the
// parameter counts the tuner reads, checked against the evaluation itself
// (colour symmetry is tested with the classic evaluation's, in eval_test).
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "engine_init.h"
#include "eval/evalcache.h"
#include "eval/evaluate.h"
#include "eval/params.h"
#include "eval/trace.h"
#include "position/fen.h"
#include "position/stack.h"
#include "search/benchsearch.h"
#include "search/searchthread.h"
#include "search/tables.h"

namespace {

struct DefaultThread : PositionStack {
    EvalCache evalCache;
};

DefaultThread thread;

const Position& setUp(const std::string& fen)
{
    thread.current = thread.positions;
    EXPECT_EQ(setPositionFromFen(thread, fen.c_str(), nullptr), 1) << fen;
    return *thread.current;
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

// The default evaluation with the built-in values for the test's life; the
// classic one again afterwards.
class DefaultEval : public testing::Test {
protected:
    void SetUp() override { setEvalMode(false); }
    void TearDown() override { setEvalMode(true); }
};

int recordIndex(const char* name)
{
    int i = paramIndexByName(name);
    EXPECT_GE(i, 0) << name;
    return i;
}

} // namespace

// Each expected value is the term's trace slot, worked out from the default
// values: a slot is taper(mg, eg, phase) = (mg x phase + eg x (64 - phase)) / 64,
// truncated toward zero; with kings and pawns only the phase is 0.
TEST_F(DefaultEval, EachTermOnAHandWorkedPosition)
{
    struct Case {
        const char* what;
        const char* fen;
        int side;  // 0: the side to move, 1: the opponent
        EvalTraceSlot slot;
        int value;
    };
    // Backward: e3 has a pawn on the d-file, but only ahead of it, and f5
    // watches e4: -15 (file e, end game). d4 is passed, defended by e3 (+10),
    // its stop square d5 is 4 steps from Ke1 (rank 4: 2 each) and 3 from Ke8
    // (4 each): 12 - 8 = +4; d5-d8 are empty: +10. Black's f5 is isolated: -20.
    const char* backward = "4k3/8/8/5p2/3P4/4P3/8/4K3 w - - 0 1";
    const Case cases[] = {
        {"isolated d-pawn", "4k3/8/8/8/8/8/3P4/4K3 w - - 0 1", 0, TRACE_PAWN_ISOLATED, -25},
        // c2 has c3 ahead of it (-15); both are isolated (-20 each).
        {"doubled c-pawns", "4k3/8/8/8/8/2P5/2P5/4K3 w - - 0 1", 0, TRACE_PAWN_DOUBLED, -15},
        {"doubled c-pawns, both isolated", "4k3/8/8/8/8/2P5/2P5/4K3 w - - 0 1", 0, TRACE_PAWN_ISOLATED, -40},
        {"backward e3", backward, 0, TRACE_PAWN_BACKWARD, -15},
        {"d4 neither isolated nor backward", backward, 0, TRACE_PAWN_ISOLATED, 0},
        {"isolated f5 of the opponent", backward, 1, TRACE_PAWN_ISOLATED, -20},
        {"passed d4 supported by e3", backward, 0, TRACE_PAWN_SUPPORTED, 10},
        {"kings' steps to d5", backward, 0, TRACE_PAWN_KING_DISTANCE, 4},
        {"nothing ahead of d4", backward, 0, TRACE_PAWN_FREE_PATH, 10},
        // e5 passed next to Ke4 (+17). Stop e6: own king 2 steps (rank 5: 4
        // each), enemy king 2 steps (8 each): +8. The black king on e8 blocks
        // the path: no free-path bonus.
        {"king next to its passed pawn", "4k3/8/8/4P3/4K3/8/8/8 w - - 0 1", 0, TRACE_PAWN_KING_SUPPORT, 17},
        {"kings' steps to e6", "4k3/8/8/4P3/4K3/8/8/8 w - - 0 1", 0, TRACE_PAWN_KING_DISTANCE, 8},
        {"king in the pawn's path", "4k3/8/8/4P3/4K3/8/8/8 w - - 0 1", 0, TRACE_PAWN_FREE_PATH, 0},
        // Phase 3. Knight d5 on rank 5, defended by c4, no black pawn can
        // reach c6 or e6: taper(25, 15, 3) = 990 / 64 = 15. One own pawn:
        // PT_KnightDelta[1] = -20 in both halves.
        {"knight outpost", "4k3/8/8/3N4/2P5/8/8/4K3 w - - 0 1", 0, TRACE_KNIGHT_OUTPOST, 15},
        {"knight with one pawn", "4k3/8/8/3N4/2P5/8/8/4K3 w - - 0 1", 0, TRACE_KNIGHT_ADJUSTMENT, -20},
        {"no outpost where a pawn can chase it", "4k3/4p3/8/3N4/2P5/8/8/4K3 w - - 0 1", 0, TRACE_KNIGHT_OUTPOST, 0},
        // Phase 3. Bishop d5 on an outpost: taper(20, 10, 3) = 670 / 64 = 10.
        // c4 stands on the bishop's colour: taper(-4, -8, 3) = -500 / 64 = -7.
        {"bishop outpost", "4k3/8/8/3B4/2P5/8/8/4K3 w - - 0 1", 0, TRACE_BISHOP_OUTPOST, 10},
        {"own pawn on the bishop's colour", "4k3/8/8/3B4/2P5/8/8/4K3 w - - 0 1", 0, TRACE_BISHOP_COLOR_WEAKNESS, -7},
        {"own pawn on the other colour", "4k3/8/8/3B4/3P4/8/8/4K3 w - - 0 1", 0, TRACE_BISHOP_COLOR_WEAKNESS, 0},
        // Phase 5. Rook a7 with the black king on the eighth: +20. No own
        // pawn: PT_RookDelta[0] = +25. Phase 10 with a rook on an outpost
        // d5 (c4): taper(10, 25, 10) = 1450 / 64 = 22.
        {"rook on the seventh", "4k3/R7/8/8/8/8/8/4K3 w - - 0 1", 0, TRACE_ROOK_7TH_RANK, 20},
        {"rook on the seventh, king not on the eighth", "8/R7/4k3/8/8/8/8/4K3 w - - 0 1", 0, TRACE_ROOK_7TH_RANK, 0},
        {"rook without pawns", "4k3/R7/8/8/8/8/8/4K3 w - - 0 1", 0, TRACE_ROOK_ADJUSTMENT, 25},
        {"rook outpost", "r3k3/8/8/3R4/2P5/8/8/4K3 w - - 0 1", 0, TRACE_ROOK_OUTPOST, 22},
        // Phase 15: the rook a7 attacks the queen a8 on its file: queen file
        // taper(7, 0, 15) = 1, rook on queen taper(50, 40, 15) = 2710 / 64 =
        // 42; nothing defends the queen: hanging taper(25, 20, 15) = 21. The
        // queen attacks the undefended rook: Black's hanging piece, 21.
        {"rook on the queen's file", "q3k3/R7/8/8/8/8/8/4K3 w - - 0 1", 0, TRACE_ROOK_QUEEN_FILE, 1},
        {"rook attacks the queen", "q3k3/R7/8/8/8/8/8/4K3 w - - 0 1", 0, TRACE_THREAT_BY_PIECE, 42},
        {"undefended queen", "q3k3/R7/8/8/8/8/8/4K3 w - - 0 1", 0, TRACE_HANGING, 21},
        {"undefended rook", "q3k3/R7/8/8/8/8/8/4K3 w - - 0 1", 1, TRACE_HANGING, 21},
        // Phase 3: e4 attacks the knight d5, taper(50, 40, 3) = 2590 / 64 =
        // 40; undefended: taper(25, 20, 3) = 1295 / 64 = 20. Defended by c6:
        // no longer hanging.
        {"pawn attacks a knight", "4k3/8/8/3n4/4P3/8/8/4K3 w - - 0 1", 0, TRACE_THREAT_BY_PAWN, 40},
        {"knight hangs", "4k3/8/8/3n4/4P3/8/8/4K3 w - - 0 1", 0, TRACE_HANGING, 20},
        {"knight defended", "4k3/8/2p5/3n4/4P3/8/8/4K3 w - - 0 1", 0, TRACE_HANGING, 0},
        // Phase 8: knight e3 attacks the rook d5, taper(40, 30, 8) = 2000 /
        // 64 = 31.
        {"knight attacks a rook", "4k3/8/8/3r4/8/4N3/8/4K3 w - - 0 1", 0, TRACE_THREAT_BY_PIECE, 31},
        // Phase 64. Space: c3-f3 and c4-f4 are safe, 8 x 2 = 16 each.
        // Castling: both sides may castle, +10 each. The side to move +10.
        {"space at the start", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 0, TRACE_SPACE, 16},
        {"space of the opponent", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 1, TRACE_SPACE, 16},
        {"castling rights", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 1, TRACE_KING_CASTLING, 10},
        // Phase 58: Kg1 without rights is castled, taper(10, 0, 58) = 9; Ke1
        // without rights gets nothing.
        {"castled king", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQ1RK1 w kq - 0 1", 0, TRACE_KING_CASTLING, 9},
        {"king uncastled without rights", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w kq - 0 1", 0,
         TRACE_KING_CASTLING, 0},
        {"side to move", "4k3/8/8/8/8/8/8/4K3 b - - 0 1", 0, TRACE_SIDE_TO_MOVE, 10},
        {"no tempo for the opponent", "4k3/8/8/8/8/8/8/4K3 b - - 0 1", 1, TRACE_SIDE_TO_MOVE, 0},
    };
    for (const Case& c : cases) {
        EvalTrace trace[2];
        traceEvaluation(setUp(c.fen), trace);
        EXPECT_EQ(trace[c.side].slot[c.slot], c.value) << c.what;
    }
    // The start position: everything cancels but the tempo.
    EXPECT_EQ(evaluatePosition(setUp("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1")), 10);
}

// Over the shared positions the default evaluation scores the same through
// the cache and the trace, and differs from the classic one.
TEST_F(DefaultEval, AgreesWithItsCacheTraceAndMirror)
{
    ASSERT_EQ(allocHashEval(thread.evalCache, 64, 1, false, 1), 1);
    const std::vector<std::string> fens = sharedPositions();
    ASSERT_GT(fens.size(), 300u);
    int differFromClassic = 0;
    for (int pass = 0; pass < 2; pass++)
        for (const std::string& fen : fens) {
            const Position& pos = setUp(fen);
            const Score score = evaluatePosition(pos);
            EXPECT_EQ(evaluate(pos, &thread.evalCache), score) << fen;
            EvalTrace trace[2];
            EXPECT_EQ(traceEvaluation(pos, trace), score) << fen;
            if (pass == 0) {
                setEvalMode(true);
                differFromClassic += evaluatePosition(setUp(fen)) != score;
                setEvalMode(false);
            }
        }
    EXPECT_GT(differFromClassic, int(fens.size()) * 9 / 10);
    freeHashEval(thread.evalCache);
}

// What the tuner reads: moving one parameter by d moves the evaluation by
// (mg count x d x phase + eg count x d x (64 - phase)) / 64, to within the
// roundings of the separately tapered blocks.
TEST_F(DefaultEval, ParameterCountsPredictTheEvaluation)
{
    const char* names[] = {"PT_pieceValuesEg[KNIGHT]", "PT_PstMg[PAWN][D4]", "PT_BishopMobilityEg[7]",
                           "PT_PawnPassedEg[F]",      "PT_PawnIsolatedMg[C]", "PT_KingSafety[12]",
                           "P_ThreatPawnOnMinorMg",   "P_HangingEg",          "P_SideToMove",
                           "PT_KnightDelta[8]",       "P_SpaceMg",            "PT_PassedEnemyKingEg[6]"};
    const std::vector<std::string> fens = sharedPositions();
    std::vector<EvalCoefficients> before(fens.size());
    std::vector<Score> scores(fens.size());
    for (size_t k = 0; k < fens.size(); k++)
        scores[k] = traceCoefficients(setUp(fens[k]), before[k]);
    constexpr int STEP = 40;
    for (const char* name : names) {
        const int index = recordIndex(name);
        int seen = 0;
        ParamTable[index].playValue += STEP;
        applyParams();
        for (size_t k = 0; k < fens.size(); k++) {
            const EvalCoefficients& c = before[k];
            int mg = 0, eg = 0;
            for (int i = 0; i < c.count; i++)
                if (c.terms[i].index == index)
                    mg = c.terms[i].mg, eg = c.terms[i].eg;
            seen += mg != 0 || eg != 0;
            const double predicted = (double(mg) * STEP * c.phase + double(eg) * STEP * (64 - c.phase)) / 64.0;
            const int moved = evaluatePosition(setUp(fens[k])) - scores[k];
            EXPECT_NEAR(moved, predicted, 3.0) << name << " in " << fens[k];
        }
        ParamTable[index].playValue -= STEP;
        applyParams();
        EXPECT_GT(seen, 0) << name << " is read by no shared position";
    }
    // Entries are sorted by record and name no record twice.
    for (const EvalCoefficients& c : before)
        for (int i = 1; i < c.count; i++)
            ASSERT_LT(c.terms[i - 1].index, c.terms[i].index);
}

namespace {

// The last number of the first "| Total" line at or after `from`.
int printedTotal(const std::string& text, size_t from)
{
    const size_t line = text.find("| Total", from);
    const size_t end = text.find('\n', line);
    const size_t bar = text.rfind('|', end - 2);
    return std::atoi(text.substr(bar + 1, end - bar - 2).c_str());
}

} // namespace

// score's table in the default evaluation: a row for each term, and totals
// over every row, so the two records differ by the score up to the
// roundings of tapering each slot on its own.
TEST_F(DefaultEval, ScoreTablePrintsEveryTerm)
{
    const char* fen = "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP3PPP/R2QKB1R w KQ - 0 1";
    EvalTrace trace[2];
    const Score score = traceEvaluation(setUp(fen), trace);
    testing::internal::CaptureStdout();
    printEvalTrace(trace);
    const std::string out = testing::internal::GetCapturedStdout();
    for (const char* row : {"| Passed free ", "| Passed kings ", "| Passed support|", "| Isolated ", "| Backward ",
                            "| Outpost ", "| Fianchetto ", "| Queen file ", "| Tropism ", "| Castling ",
                            "| Threat pawn ", "| Threat piece ", "| Hanging ", "| Space ", "| Side To Move "})
        EXPECT_NE(out.find(row), std::string::npos) << row;
    EXPECT_EQ(out.find("| Pinned"), std::string::npos);
    const size_t opponent = out.find("\nOpponent\n");
    ASSERT_NE(opponent, std::string::npos);
    EXPECT_NEAR(printedTotal(out, 0) - printedTotal(out, opponent), score, 12) << out;
}

// The switch the front end calls: the mode's values applied, and the caches
// emptied when the mode changes, so no score of the other evaluation is read.
TEST(SelectEvaluation, AppliesTheModeAndEmptiesTheCaches)
{
    testing::internal::CaptureStdout();
    allocAllTables(tableSizesOfEntries(1, uint64_t(1) << 12, uint64_t(1) << 10));
    testing::internal::GetCapturedStdout();
    const char* fen = "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP3PPP/R2QKB1R w KQ - 0 1";
    ASSERT_EQ(setPositionFromFen(mainThread, fen, nullptr), 1);
    const Score classic = evaluate(*mainThread.current, &mainThread.evalCache);  // now in the cache

    selectEvaluation(false);
    EXPECT_FALSE(evalIsClassic());
    ASSERT_EQ(setPositionFromFen(mainThread, fen, nullptr), 1);
    const Score fresh = evaluatePosition(*mainThread.current);
    EXPECT_NE(fresh, classic);
    EXPECT_EQ(evaluate(*mainThread.current, &mainThread.evalCache), fresh);

    selectEvaluation(false);  // no change: the cache keeps its entries
    EXPECT_EQ(probeHashEval(mainThread.evalCache, mainThread.current->key), fresh);
    selectEvaluation(true);
    EXPECT_TRUE(evalIsClassic());
    EXPECT_EQ(probeHashEval(mainThread.evalCache, mainThread.current->key), HASH_MISS);
    freeAllTables();
}
