// The static evaluation, its cache and the parameter table: scores worked
// out by hand from the parameter defaults, the cache's agreement with a
// cache-less evaluation, and the tables applyParams derives. The evaluation
// trace and the console's score command: the traced evaluation scores
// exactly as the plain one over the shared positions, its records add up to
// the score where tapering cannot round, terms land in their side's slots,
// and the printed table has its fixed layout. The default evaluation: each
// of its terms worked out by hand, its cache and trace, the parameter counts
// the tuner reads, and the switch between the two.
#include <cstdlib>
#include <cstring>

#include "eval/evalcache.h"
#include "eval/evaluate.h"
#include "eval/params.h"
#include "eval/trace.h"
#include "frontend/diagnostics.h"
#include "frontend/session.h"
#include "search/benchsearch.h"
#include "search/engine.h"
#include "sent_text.h"
#include "support/unit.h"

namespace {

// A position stack with an evaluation cache, as a search thread has.
struct EvalThread : PositionStack {
    EvalCache evalCache;
};

EvalThread testThread;

Position positionOf(const std::string& fen) { return setUp(testThread, fen); }

int recordIndex(const char* name)
{
    for (int i = 0; i < PARAM_COUNT; i++)
        if (std::strcmp(ParamTable[i].name, name) == 0)
            return i;
    return -1;
}

} // namespace

// Each score below is worked out term by term from the parameter defaults.
TEST(Evaluate, HandWorkedScores)
{
    struct Case {
        const char* what;
        const char* fen;
        int score;
    };
    const Case cases[] = {
        {"start position: everything cancels",
         "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 0},
        // Phase 0: the king piece-square values alone, end-game half: Kg1 -5, Ka8 0.
        {"bare kings", "k7/8/8/8/8/8/8/6K1 w - - 0 1", -5},
        {"bare kings, Black to move", "k7/8/8/8/8/8/8/6K1 b - - 0 1", 5},
        // Phase 0. Material: pawn e2 107 - 20 = 87. Pawn block: passed pawn on
        // rank 2 +5/+5, one island and one pawn D1 = 2, two file transitions
        // in each of bytes 0 and 1 D2 = 4, no shield on e1: eg 5 -> 2 -> -4.
        {"king and pawn against king", "4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", 83},
        {"king and pawn against king, Black to move", "4k3/8/8/8/8/8/4P3/4K3 b - - 0 1", -83},
        // Phase 6. Material (618 x 6 + 698 x 58) / 64 = 690. Each bishop has 7
        // safe squares (+20/+30); the pair +20/+40: (60 x 6 + 100 x 58) / 64 = 96.
        {"bishop pair on c1 and f1", "4k3/8/8/8/8/8/8/2B1KB2 w - - 0 1", 786},
        // The same with both bishops on light squares: no pair bonus, 690 + 58.
        {"two light-squared bishops", "4k3/8/8/8/8/8/8/3BKB2 w - - 0 1", 748},
        // Phase 3. Material (193 x 3 + 220 x 61) / 64 = 218. Knight a8: one
        // safe square (b6 is guarded by c7) +5/0, trapped by c7 -15/-15:
        // (-10 x 3 - 15 x 61) / 64 = -14. Black's lone c7 pawn: mg -1, eg -4,
        // subtracted: (3 + 244) / 64 = 3.
        {"knight trapped on a8", "N3k3/2p5/8/8/8/8/8/4K3 w - - 0 1", 207},
        // Phase 13. Material (1507 x 13 + 1864 x 51) / 64 = 1791. Pawn block:
        // three passed pawns +15/+15, shield 3 x 5, D2 = 2: mg 28, eg 12 -> 15.
        // Knight e5 8 squares +20/+30, hits f7 and g6 of the g8 zone (2 x 2);
        // queen h5 14 squares +10/+15, hits h6 h7 h8 g6 f7 (5 x 5), tropism
        // 10 - 3: mg 37, eg 52 -> 48. Black's danger 29 (attacks) + 0 (White
        // pawns on rank 7 of its files), White's 0 + 3 + 4 + 5 (own pawns on
        // f, g, h): (122 - 25) x 13 / 64 = 19.
        {"attacks on the king zone", "6k1/8/8/4N2Q/8/8/5PPP/6K1 w - - 0 1", 1873},
        // Phase 8. Material 1003. Pawns: White f2 h2 passed, shield 2 x 5,
        // two islands D1 = 10, D2 = 6 (mg 4, eg -5 -> -14); Black a7 passed,
        // shield 5, D1 = 2, D2 = 2; net mg -2, eg -13 -> -11. Bishop g2: 9
        // squares +24/+40, open long diagonal +10/+5, fianchetto +15/+5, hits
        // c6 b7 a8; rook d1: 12 squares +7/+50, open file +26: mg 82, eg 100
        // -> 97. Dangers: Black 6 + 5 + 5 + 4 = 20, White 3 + 5 + 5 = 13:
        // (62 - 29) x 8 / 64 = 4.
        {"fianchetto, open diagonal and open file", "1k6/p7/8/8/8/8/5PBP/3R2K1 w - - 0 1", 1093},
        // Phase 8. Material 933. Pawns: White c2 passed, c1 shield b2 c2,
        // D1 = 9, D2 = 8 (mg -2, eg 5 -> -8 -> -20); Black none passed,
        // D1 = 10, D2 = 16 over eight bytes (mg -24, eg 5 -> -19), net -> 19.
        // Bishop f1 2 squares -2/-20, shut in by e2 with e3 taken -50 (middle
        // game only); rook a1 5 squares -1/+15, trapped by the king on c1 -22,
        // semi-open file +13: mg -62, eg -5 -> -12. Dangers 15 and 11:
        // (38 - 24) x 8 / 64 = 1.
        {"trapped bishop and rook, castled king's shield",
         "6k1/8/8/p7/8/4p3/1PP1P3/R1K2B2 w - - 0 1", 941},
        // Phase 0. Material: a5 b5 117 + 117 against g5 h5 107 + 107 = 20.
        // Pawns, the side to move first, each 1.5 x D step truncating the
        // running sum: White a5 b5 passed +50 +50, one island of two D1 = 1,
        // D2 = 5 (bytes 0-4): eg 100 -> 98 -> 90; Black g5 h5 passed +30 +30,
        // D1 = 1, D2 = 4: -90 + 60 -> -31 -> -37; net 37.
        {"pawn truncations on the running sum", "4k3/8/8/PP4pp/8/8/8/4K3 w - - 0 1", 57},
        // Black first: 60 -> 58 -> 52; then White: -52 + 100 -> 46 -> 38; net
        // -38, material -20. Not the negation of the score above.
        {"pawn truncations, Black to move", "4k3/8/8/PP4pp/8/8/8/4K3 b - - 0 1", -58},
        // Phase 5. Material (474 x 5 + 545 x 59) / 64 = 539. No pawn on the
        // board: rook a1 gets neither the open-file bonus nor the penalty for
        // being shut in by the king on c1, only mobility, 8 squares +3/+30:
        // 1785 / 64 = 27. Dangers 12 and 13: (25 - 29) x 5 / 64 truncates to 0.
        {"rook with no pawn on the board", "4k3/8/8/8/8/8/8/R1K5 w - - 0 1", 566},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(evaluate(setUp(testThread, c.fen), &testThread.evalCache), c.score) << c.what;
    }
}

// The attack count is an 8-bit sum and the danger index is capped at 99.
// In the "attacks on the king zone" position above the knight hits two
// squares of the g8 zone and the queen five, so Black's danger is
// 2 x weight + 25 and the king-safety term (PT_KingSafety[danger] - 25) x 13 / 64.
TEST(Evaluate, AttackCountWrapsAndDangerIsCapped)
{
    ParamRecord& knightWeight = ParamTable[recordIndex("PT_AttackWeight[KNIGHT]")];
    const int saved = knightWeight.value;
    // 130: 285 wraps to 29, the default danger. 40: 105 reads index 99,
    // (500 - 25) x 13 / 64 = 96 instead of 19.
    for (const auto& [weight, score] : {std::pair{2, 1873}, {130, 1873}, {40, 1950}}) {
        knightWeight.value = weight;
        applyParams();
        EXPECT_EQ(evaluatePosition(positionOf("6k1/8/8/4N2Q/8/8/5PPP/6K1 w - - 0 1")), score) << weight;
    }
    knightWeight.value = saved;
    applyParams();
}

TEST(Evaluate, GamePhaseFromMaterial)
{
    EXPECT_EQ(gamePhase(positionOf("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1")), 64);
    EXPECT_EQ(gamePhase(positionOf("4k3/pppppppp/8/8/8/8/PPPPPPPP/4K3 w - - 0 1")), 0);
    EXPECT_EQ(gamePhase(positionOf("4k3/8/8/8/8/8/8/1NB1KR2 w - - 0 1")), 11);
    // Counted modulo 256 before the cap: 30 queens give 300 -> 44. No FEN
    // can hold them, so the planes are set directly.
    Position queens{};
    queens.type0 = queens.type2 = 0xEFFF00000000FFEFULL;
    queens.own = 0xFFEFULL;
    EXPECT_EQ(gamePhase(queens), 44);
}

TEST(HashEval, CacheAgreesWithCachelessEvaluation)
{
    static EvalThread cached;
    // A small table, so that positions of the file share entries.
    ASSERT_TRUE(allocHashEval(cached.evalCache, 64));
    for (int pass = 0; pass < 2; pass++) {
        for (const std::string& fen : sharedPositions()) {
            const Score expected = evaluatePosition(positionOf(fen));
            const Position& pos = setUp(cached, fen);
            EXPECT_EQ(evaluate(pos, nullptr), expected) << fen;  // no table at all
            EXPECT_EQ(evaluate(pos, &cached.evalCache), expected) << fen;
            EXPECT_EQ(evaluate(pos, &cached.evalCache), expected) << fen;  // now from the table
        }
    }
    freeHashEval(cached.evalCache);
    EXPECT_EQ(cached.evalCache.entries, nullptr);
}

TEST(HashEval, OnlyTheSameKeyIsAHit)
{
    static EvalThread t;
    ASSERT_TRUE(allocHashEval(t.evalCache, 1024));
    const Position& pos = setUp(t, "r1bqkb1r/pp3ppp/2n1p3/2P3P1/P3QP2/4PN2/2PP3P/RNB1K2R b KQq - 2 12");
    const Score real = evaluatePosition(pos);
    // Another position's entry in the same slot is not taken, but replaced.
    HashEvalEntry& slot = t.evalCache.entries[pos.key & t.evalCache.mask];
    slot.key = pos.key ^ (t.evalCache.mask + 1);
    slot.score = 12345;
    EXPECT_EQ(probeHashEval(t.evalCache, pos.key), HASH_MISS);
    EXPECT_EQ(evaluate(pos, &t.evalCache), real);
    EXPECT_EQ(slot.key, pos.key);
    slot.score = 4321;  // a hit is returned as stored, without evaluating again
    EXPECT_EQ(evaluate(pos, &t.evalCache), 4321);
    clearHashEval(t.evalCache);
    EXPECT_EQ(probeHashEval(t.evalCache, pos.key), HASH_MISS);
    freeHashEval(t.evalCache);
}

// A failed allocation leaves the thread without a table, and evaluation then
// works without the cache.
TEST(HashEval, FailedAllocation)
{
    static EvalThread t;
    EXPECT_FALSE(allocHashEval(t.evalCache, 3));
    EXPECT_EQ(t.evalCache.entries, nullptr);
    EXPECT_EQ(evaluate(setUp(t, "4k3/8/8/8/8/8/4P3/4K3 w - - 0 1"), &t.evalCache), 83);
    clearHashEval(t.evalCache);  // nothing to clear, nothing touched
}


TEST(ParamTable, FortyTwoTuneMarksAndDistinctVariables)
{
    int tuned = 0;
    for (int i = 0; i < PARAM_COUNT; i++) {
        tuned += ParamTable[i].tune != 0;
        ASSERT_NE(ParamTable[i].variable, nullptr) << ParamTable[i].name;
        // A duplicate would make two names fight over one variable.
        for (int j = 0; j < i; j++)
            ASSERT_NE(ParamTable[i].variable, ParamTable[j].variable) << ParamTable[i].name << " " << ParamTable[j].name;
    }
    EXPECT_EQ(tuned, 42);
}

// The file-indexed pawn arrays and the piece-square tables are symmetric
// between the king and queen sides, and a change of the table reaches them.
TEST(ApplyParams, DerivedTablesMirrorFilesAndFollowTheTable)
{
    const int knightMg = recordIndex("PT_pieceValuesMg[KNIGHT]"), isolatedB = recordIndex("PT_PawnIsolatedMg[B]");
    const int knightE4 = pieceSquareMg[KNIGHT][28], savedIsolated = ParamTable[isolatedB].value;
    ParamTable[knightMg].value += 7;
    ParamTable[isolatedB].value = 99;
    applyParams();
    EXPECT_EQ(pieceSquareMg[KNIGHT][28], knightE4 + 7);
    EXPECT_EQ(PT_PawnIsolatedMg[6], 99);
    for (int s = 0; s < 64; s++)
        for (int p = PAWN; p <= KING; p++)
            ASSERT_TRUE(pieceSquareMg[p][s] == pieceSquareMg[p][s ^ 7] && pieceSquareEg[p][s] == pieceSquareEg[p][s ^ 7])
                << p << " " << s;
    ParamTable[knightMg].value -= 7;
    ParamTable[isolatedB].value = savedIsolated;
    applyParams();
    EXPECT_EQ(pieceSquareMg[KNIGHT][28], knightE4);
}

namespace {

EvalThread traceThread;

int recordSum(const EvalTrace& t)
{
    int sum = 0;
    for (int16_t v : t.slot)
        sum += v;
    return sum;
}

std::string printedTrace(const EvalTrace trace[2])
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

TEST(EvalTrace, ScoresAsTheEvaluationOnEverySharedPosition)
{
    ASSERT_TRUE(allocHashEval(traceThread.evalCache, 1024));
    int exactChecks = 0;
    for (const std::string& fen : sharedPositions()) {
        const Position& pos = setUp(traceThread, fen);
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
        {"4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", 0, TRACE_PAWN_PASSED, 5, "pawn e2 is passed, end game"},
        {"4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", 0, TRACE_PAWN_MATERIAL, 107, "one pawn, end-game value"},
        {"3qk3/4p3/8/8/8/8/8/R2QK3 w - - 0 1", 0, TRACE_ROOK_OPEN_FILE, 10, "open a-file, phase 25: 26 x 25 / 64"},
        {"3qk3/p7/8/8/8/8/8/R2QK3 w - - 0 1", 0, TRACE_ROOK_SEMI_OPEN_FILE, 5, "enemy pawn on a7: 13 x 25 / 64"},
    };
    for (const Case& c : cases) {
        EvalTrace trace[2];
        traceEvaluation(setUp(traceThread, c.fen), trace);
        EXPECT_EQ(trace[c.side].slot[c.slot], c.expected) << c.fen << ": " << c.why;
    }
}

// Two tables of 28 rows, each framed by its title, rules and column heads,
// and closed by the totals.
TEST(EvalTrace, ZeroRecordsPrintTheFixedLayout)
{
    const EvalTrace zero[2] = {};
    const std::string out = printedTrace(zero);
    const std::string rule66(66, '-'), rule73(73, '-');
    const std::string head = rule66 + "\n| Piece         |  Pawn|Knight|Bishop|  Rook| Queen|  King|Others|\n" + rule66 +
                             "\n| Material      |     0|     0|     0|     0|     0|     .|     .|\n";
    const std::string foot = "| Pinned        |     .|     .|     .|     .|     .|     .|     0|\n" + rule73 +
                             "\n| Total         |     0|     0|     0|     0|     0|     0|     0|     0|\n" + rule73 + "\n";
    EXPECT_EQ(out.rfind("\nSide to move\n" + head, 0), 0u) << out;
    const size_t opponent = out.find("\nOpponent\n" + head);
    ASSERT_NE(opponent, std::string::npos) << out;
    EXPECT_EQ(out.substr(opponent - foot.size(), foot.size()), foot);
    EXPECT_EQ(out.substr(out.size() - foot.size() - 1), foot + "\n");
    EXPECT_EQ(countOf(out, "\n| "), 2 * (28 + 2));
    EXPECT_EQ(lineStarting(out, "| Mobility"), "| Mobility      |     .|     0|     0|     0|     0|     .|     .|");
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
    const std::string out = printedTrace(trace);
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

// The console's score command on every shared position: the breakdown is
// printed and the score line is the search's static evaluation.
TEST(ScoreCommand, PrintsTheStaticEvaluationOfEverySharedPosition)
{
    Session session{};
    session.engine = createEngine();
    SearchThread& game = session.engine->mainThread;
    ASSERT_TRUE(allocHashEval(game.evalCache, 4096));
    for (const std::string& fen : sharedPositions()) {
        const Position& pos = setUp(game, fen);
        const std::string out = printed([&] { scoreCommand(session, "score"); });
        const Score score = evaluatePosition(pos);
        ASSERT_EQ(out.find("\nSide to move\n"), 0u) << fen;
        const size_t opponent = out.find("\nOpponent\n");
        ASSERT_NE(opponent, std::string::npos) << fen;
        EXPECT_EQ(out.substr(out.rfind("\nScore: ")), "\nScore: " + std::to_string(score) + "\n") << fen;
        EXPECT_LT(opponent, out.rfind("\nScore: "));
        // The cache now holds the same value: the command used the search's evaluation.
        EXPECT_EQ(probeHashEval(game.evalCache, pos.key), score) << fen;
    }
    destroyEngine(session.engine);
}

// The default evaluation with the built-in values for the test's life; the
// classic one again afterwards.
class DefaultEval : public testing::Test {
protected:
    void SetUp() override { setEvalMode(false); }
    void TearDown() override { setEvalMode(true); }
};

// Each value is the term's trace slot, worked out from the hand-set default
// values (not the fitted ones): a slot is taper(mg, eg, phase) = (mg x phase +
// eg x (64 - phase)) / 64, truncated toward zero; with kings and pawns only the
// phase is 0.
TEST_F(DefaultEval, EachTermOnAHandWorkedPosition)
{
    restoreBuiltInParams(false);
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
    // e5 passed next to Ke4 (+17). Stop e6: own king 2 steps (rank 5: 4
    // each), enemy king 2 steps (8 each): +8. Ke8 blocks the path.
    const char* kingNext = "4k3/8/8/4P3/4K3/8/8/8 w - - 0 1";
    // Phase 15: the rook a7 on the queen's file, taper(7, 0, 15) = 1; it
    // attacks the queen, taper(50, 40, 15) = 2710 / 64 = 42; nothing defends
    // the queen: hanging taper(25, 20, 15) = 21, and the rook hangs too.
    const char* rookQueen = "q3k3/R7/8/8/8/8/8/4K3 w - - 0 1";
    const Case cases[] = {
        {"isolated d-pawn", "4k3/8/8/8/8/8/3P4/4K3 w - - 0 1", 0, TRACE_PAWN_ISOLATED, -25},
        {"doubled c-pawns", "4k3/8/8/8/8/2P5/2P5/4K3 w - - 0 1", 0, TRACE_PAWN_DOUBLED, -15},
        {"backward e3", backward, 0, TRACE_PAWN_BACKWARD, -15},
        {"d4 neither isolated nor backward", backward, 0, TRACE_PAWN_ISOLATED, 0},
        {"isolated f5 of the opponent", backward, 1, TRACE_PAWN_ISOLATED, -20},
        {"passed d4 supported by e3", backward, 0, TRACE_PAWN_SUPPORTED, 10},
        {"kings' steps to d5", backward, 0, TRACE_PAWN_KING_DISTANCE, 4},
        {"nothing ahead of d4", backward, 0, TRACE_PAWN_FREE_PATH, 10},
        {"king next to its passed pawn", kingNext, 0, TRACE_PAWN_KING_SUPPORT, 17},
        {"kings' steps to e6", kingNext, 0, TRACE_PAWN_KING_DISTANCE, 8},
        {"king in the pawn's path", kingNext, 0, TRACE_PAWN_FREE_PATH, 0},
        // Phase 3. Knight d5 defended by c4, out of reach of black pawns:
        // taper(25, 15, 3) = 15; one own pawn: PT_KnightDelta[1] = -20.
        {"knight outpost", "4k3/8/8/3N4/2P5/8/8/4K3 w - - 0 1", 0, TRACE_KNIGHT_OUTPOST, 15},
        {"knight with one pawn", "4k3/8/8/3N4/2P5/8/8/4K3 w - - 0 1", 0, TRACE_KNIGHT_ADJUSTMENT, -20},
        {"no outpost where a pawn can chase it", "4k3/4p3/8/3N4/2P5/8/8/4K3 w - - 0 1", 0, TRACE_KNIGHT_OUTPOST, 0},
        // Phase 3. Bishop outpost taper(20, 10, 3) = 10; c4 on the bishop's
        // colour: taper(-4, -8, 3) = -7.
        {"bishop outpost", "4k3/8/8/3B4/2P5/8/8/4K3 w - - 0 1", 0, TRACE_BISHOP_OUTPOST, 10},
        {"own pawn on the bishop's colour", "4k3/8/8/3B4/2P5/8/8/4K3 w - - 0 1", 0, TRACE_BISHOP_COLOR_WEAKNESS, -7},
        {"own pawn on the other colour", "4k3/8/8/3B4/3P4/8/8/4K3 w - - 0 1", 0, TRACE_BISHOP_COLOR_WEAKNESS, 0},
        // Phase 5: rook a7 with Ke8 on the eighth +20; no own pawn:
        // PT_RookDelta[0] = +25. Phase 10, rook outpost d5: taper(10, 25, 10) = 22.
        {"rook on the seventh", "4k3/R7/8/8/8/8/8/4K3 w - - 0 1", 0, TRACE_ROOK_7TH_RANK, 20},
        {"rook on the seventh, king not on the eighth", "8/R7/4k3/8/8/8/8/4K3 w - - 0 1", 0, TRACE_ROOK_7TH_RANK, 0},
        {"rook without pawns", "4k3/R7/8/8/8/8/8/4K3 w - - 0 1", 0, TRACE_ROOK_ADJUSTMENT, 25},
        {"rook outpost", "r3k3/8/8/3R4/2P5/8/8/4K3 w - - 0 1", 0, TRACE_ROOK_OUTPOST, 22},
        {"rook on the queen's file", rookQueen, 0, TRACE_ROOK_QUEEN_FILE, 1},
        {"rook attacks the queen", rookQueen, 0, TRACE_THREAT_BY_PIECE, 42},
        {"undefended queen", rookQueen, 0, TRACE_HANGING, 21},
        {"undefended rook", rookQueen, 1, TRACE_HANGING, 21},
        // Phase 3: e4 attacks the knight d5, taper(50, 40, 3) = 40; hanging
        // taper(25, 20, 3) = 20, not when c6 defends it. Phase 8: knight e3
        // attacks the rook d5, taper(40, 30, 8) = 31.
        {"pawn attacks a knight", "4k3/8/8/3n4/4P3/8/8/4K3 w - - 0 1", 0, TRACE_THREAT_BY_PAWN, 40},
        {"knight hangs", "4k3/8/8/3n4/4P3/8/8/4K3 w - - 0 1", 0, TRACE_HANGING, 20},
        {"knight defended", "4k3/8/2p5/3n4/4P3/8/8/4K3 w - - 0 1", 0, TRACE_HANGING, 0},
        {"knight attacks a rook", "4k3/8/8/3r4/8/4N3/8/4K3 w - - 0 1", 0, TRACE_THREAT_BY_PIECE, 31},
        // Phase 64. Space: c3-f3 and c4-f4 are safe, 8 x 2 = 16. Castling
        // rights +10. Phase 58: Kg1 without rights is castled, taper(10, 0,
        // 58) = 9; Ke1 without rights gets nothing.
        {"space at the start", START_FEN, 1, TRACE_SPACE, 16},
        {"castling rights", START_FEN, 1, TRACE_KING_CASTLING, 10},
        {"castled king", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQ1RK1 w kq - 0 1", 0, TRACE_KING_CASTLING, 9},
        {"king uncastled without rights", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w kq - 0 1", 0,
         TRACE_KING_CASTLING, 0},
        {"side to move", "4k3/8/8/8/8/8/8/4K3 b - - 0 1", 0, TRACE_SIDE_TO_MOVE, 10},
        {"no tempo for the opponent", "4k3/8/8/8/8/8/8/4K3 b - - 0 1", 1, TRACE_SIDE_TO_MOVE, 0},
    };
    for (const Case& c : cases) {
        EvalTrace trace[2];
        traceEvaluation(setUp(testThread, c.fen), trace);
        EXPECT_EQ(trace[c.side].slot[c.slot], c.value) << c.what;
    }
    // The start position: everything cancels but the tempo.
    EXPECT_EQ(evaluatePosition(setUp(testThread, START_FEN)), 10);
    restoreBuiltInParams();
}

// Over the shared positions the default evaluation scores the same through
// the cache and the trace, and differs from the classic one.
TEST_F(DefaultEval, AgreesWithItsCacheAndTrace)
{
    ASSERT_TRUE(allocHashEval(traceThread.evalCache, 64));
    const std::vector<std::string> fens = sharedPositions();
    int differFromClassic = 0;
    for (int pass = 0; pass < 2; pass++)
        for (const std::string& fen : fens) {
            const Position& pos = setUp(traceThread, fen);
            const Score score = evaluatePosition(pos);
            EXPECT_EQ(evaluate(pos, &traceThread.evalCache), score) << fen;
            EvalTrace trace[2];
            EXPECT_EQ(traceEvaluation(pos, trace), score) << fen;
            if (pass == 0) {
                setEvalMode(true);
                differFromClassic += evaluatePosition(setUp(traceThread, fen)) != score;
                setEvalMode(false);
            }
        }
    EXPECT_GT(differFromClassic, int(fens.size()) * 9 / 10);
    freeHashEval(traceThread.evalCache);
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
        scores[k] = traceCoefficients(setUp(testThread, fens[k]), before[k]);
    for (const EvalCoefficients& c : before)
        for (int i = 1; i < c.count; i++)
            ASSERT_LT(c.terms[i - 1].index, c.terms[i].index);  // sorted, no record twice
    constexpr int STEP = 40;
    for (const char* name : names) {
        const int index = recordIndex(name);
        ASSERT_GE(index, 0) << name;
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
            EXPECT_NEAR(evaluatePosition(setUp(testThread, fens[k])) - scores[k], predicted, 3.0) << name << fens[k];
        }
        ParamTable[index].playValue -= STEP;
        applyParams();
        EXPECT_GT(seen, 0) << name << " is read by no shared position";
    }
}

// The default table has a row for each of its terms, the classic-only rows
// left out, and totals over every row, so the two records differ by the
// score up to the roundings of tapering each slot on its own.
TEST_F(DefaultEval, ScoreTableShowsEveryTerm)
{
    EvalTrace trace[2];
    const Score score =
        traceEvaluation(setUp(testThread, "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP3PPP/R2QKB1R w KQ - 0 1"), trace);
    const std::string out = printedTrace(trace);
    for (const char* row : {"| Passed free ", "| Passed kings ", "| Passed support|", "| Isolated ", "| Backward ",
                            "| Fianchetto ", "| Queen file ", "| Tropism ", "| Castling ", "| Threat pawn ",
                            "| Threat piece ", "| Hanging ", "| Space "})
        EXPECT_NE(out.find(row), std::string::npos) << row;
    EXPECT_EQ(out.find("| Pinned"), std::string::npos);
    const size_t opponent = out.find("\nOpponent\n");
    ASSERT_NE(opponent, std::string::npos);
    const int ours = std::atoi(lineStarting(out, "| Total").substr(66).c_str());
    const int theirs = std::atoi(lineStarting(out, "| Total", opponent).substr(66).c_str());
    EXPECT_NEAR(ours - theirs, score, 12) << out;
}

// The switch of an engine's evaluation: the mode's values applied, and the
// engine's caches emptied when the mode changes, so that no score of the
// other evaluation is read.
TEST(SelectEvaluation, AppliesTheModeAndEmptiesTheEnginesCaches)
{
    Engine& engine = *createEngine();
    allocAllTables(engine, tableSizesOfEntries(1, uint64_t(1) << 12, uint64_t(1) << 10));
    SearchThread& game = engine.mainThread;
    const char* fen = "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP3PPP/R2QKB1R w KQ - 0 1";
    const Score classic = evaluate(setUp(game, fen), &game.evalCache);  // now in the cache
    selectEvaluation(engine, false);
    EXPECT_FALSE(evalIsClassic());
    const Score fresh = evaluatePosition(setUp(game, fen));
    EXPECT_NE(fresh, classic);
    EXPECT_EQ(evaluate(*game.current, &game.evalCache), fresh);
    selectEvaluation(engine, false);  // no change: the cache keeps its entries
    EXPECT_EQ(probeHashEval(game.evalCache, game.current->key), fresh);
    selectEvaluation(engine, true);
    EXPECT_TRUE(evalIsClassic());
    EXPECT_EQ(probeHashEval(game.evalCache, game.current->key), HASH_MISS);
    destroyEngine(&engine);
}

// Each mode applies its own values: the default evaluation's own records
// are 0 in the classic one.
TEST(ApplyParams, EachModeAppliesItsOwnValues)
{
    const int knightMg = recordIndex("PT_pieceValuesMg[KNIGHT]"), space = recordIndex("P_SpaceMg");
    const int savedPlay = ParamTable[knightMg].playValue;
    ParamTable[knightMg].playValue = 300;
    setEvalMode(false);
    EXPECT_EQ(PT_pieceValuesMg[KNIGHT], 300);
    EXPECT_EQ(pieceSquareMg[KNIGHT][28], 300 + PT_PstMg[KNIGHT][3][3]);  // e4: rank 4, file d/e
    EXPECT_EQ(P_SpaceMg, ParamTable[space].playValue);
    setEvalMode(true);
    ParamTable[knightMg].playValue = savedPlay;
    EXPECT_EQ(PT_pieceValuesMg[KNIGHT], 284);
    EXPECT_EQ(P_SpaceMg, 0);
}
