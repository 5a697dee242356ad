// The static evaluation and its HashEval cache: scores worked out by hand
// from the parameter defaults, colour symmetry over the shared positions, and
// the cache's agreement with a cache-less evaluation.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "allocation_counter.h"
#include "engine_init.h"
#include "eval/evalcache.h"
#include "eval/evaluate.h"
#include "eval/params.h"
#include "position/fen.h"
#include "position/stack.h"

namespace {

// A position stack with an evaluation cache, as a search thread has.
struct EvalThread : PositionStack {
    EvalCache evalCache;
};

EvalThread testThread;

void setUp(EvalThread& t, const std::string& fen)
{
    t.current = t.positions;
    ASSERT_EQ(setPositionFromFen(t, fen.c_str(), nullptr), 1) << fen;
}

Position positionOf(const std::string& fen)
{
    setUp(testThread, fen);
    return *testThread.current;
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

// The same position with the colours exchanged: ranks mirrored, piece
// colours, side to move, castling rights and the en-passant rank swapped.
std::string colourFlipped(const std::string& fen)
{
    std::istringstream in(fen);
    std::string placement, side, castling, ep, rest;
    in >> placement >> side >> castling >> ep;
    std::getline(in, rest);

    std::vector<std::string> ranks;
    std::stringstream ranksIn(placement);
    for (std::string rank; std::getline(ranksIn, rank, '/');)
        ranks.push_back(rank);
    std::string flipped;
    for (auto r = ranks.rbegin(); r != ranks.rend(); ++r) {
        for (char c : *r)
            flipped += char(std::isupper(c) ? std::tolower(c) : std::toupper(c));
        flipped += r + 1 != ranks.rend() ? "/" : "";
    }

    std::string rights;
    for (char c : std::string("KQkq")) {
        char swapped = char(std::isupper(c) ? std::tolower(c) : std::toupper(c));
        if (castling.find(swapped) != std::string::npos)
            rights += c;
    }
    if (ep != "-")
        ep[1] = ep[1] == '3' ? '6' : '3';
    return flipped + (side == "w" ? " b " : " w ") + (rights.empty() ? "-" : rights) + " " + ep + rest;
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
        setUp(testThread, c.fen);
        EXPECT_EQ(evaluate(*testThread.current, &testThread.evalCache), c.score) << c.what;
    }
}

// The attack count is an 8-bit sum and the danger index is capped at 99.
// In the "attacks on the king zone" position above the knight hits two
// squares of the g8 zone and the queen five, so Black's danger is
// 2 x weight + 25 and the king-safety term (PT_KingSafety[danger] - 25) x 13 / 64.
TEST(Evaluate, AttackCountWrapsAndDangerIsCapped)
{
    ParamRecord* knightWeight = nullptr;
    for (ParamRecord& r : ParamTable)
        if (r.variable == &PT_AttackWeight[KNIGHT])
            knightWeight = &r;
    ASSERT_NE(knightWeight, nullptr);
    const int saved = knightWeight->value;
    struct Case {
        int weight;
        int score;
    };
    // 130: 285 wraps to 29, the default danger. 40: 105 reads index 99,
    // (500 - 25) x 13 / 64 = 96 instead of 19.
    const Case cases[] = {{2, 1873}, {130, 1873}, {40, 1950}};
    for (const Case& c : cases) {
        knightWeight->value = c.weight;
        applyParams();
        EXPECT_EQ(evaluatePosition(positionOf("6k1/8/8/4N2Q/8/8/5PPP/6K1 w - - 0 1")), c.score) << c.weight;
    }
    knightWeight->value = saved;
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

// In both evaluations.
TEST(Evaluate, ColourFlippedPositionsScoreAlike)
{
    const std::vector<std::string> fens = sharedPositions();
    ASSERT_GT(fens.size(), 300u);
    for (bool classic : {true, false}) {
        setEvalMode(classic);
        for (const std::string& fen : fens) {
            const std::string flipped = colourFlipped(fen);
            Position a = positionOf(fen);
            Position b = positionOf(flipped);
            EXPECT_EQ(evaluatePosition(a), evaluatePosition(b)) << fen << "  /  " << flipped << " classic " << classic;
        }
    }
    setEvalMode(true);
}

TEST(HashEval, CacheAgreesWithCachelessEvaluation)
{
    static EvalThread cached, uncached;
    // A small table, so that positions of the file share entries.
    ASSERT_EQ(allocHashEval(cached.evalCache, 64, 1, false, 1), 1);
    const std::vector<std::string> fens = sharedPositions();
    for (int pass = 0; pass < 2; pass++) {
        for (const std::string& fen : fens) {
            setUp(cached, fen);
            setUp(uncached, fen);
            Score expected = evaluatePosition(*uncached.current);
            EXPECT_EQ(evaluate(*uncached.current, nullptr), expected) << fen;  // no table at all
            EXPECT_EQ(evaluate(*cached.current, &cached.evalCache), expected) << fen;
            EXPECT_EQ(evaluate(*cached.current, &cached.evalCache), expected) << fen;  // now from the table
        }
    }
    freeHashEval(cached.evalCache);
    EXPECT_EQ(cached.evalCache.entries, nullptr);
}

TEST(HashEval, OnlyTheSameKeyIsAHit)
{
    static EvalThread t;
    ASSERT_EQ(allocHashEval(t.evalCache, 1024, 1, false, 1), 1);
    setUp(t, "r1bqkb1r/pp3ppp/2n1p3/2P3P1/P3QP2/4PN2/2PP3P/RNB1K2R b KQq - 2 12");
    const uint64_t key = t.current->key;
    const Score real = evaluatePosition(*t.current);

    // Another position's entry in the same slot is not taken.
    HashEvalEntry& slot = t.evalCache.entries[key & t.evalCache.mask];
    slot.key = key ^ (t.evalCache.mask + 1);
    slot.score = 12345;
    EXPECT_EQ(probeHashEval(t.evalCache, key), HASH_MISS);
    EXPECT_EQ(evaluate(*t.current, &t.evalCache), real);
    EXPECT_EQ(slot.key, key);  // replaced by this position's entry

    // A hit is returned as stored, without evaluating again.
    slot.score = 4321;
    EXPECT_EQ(evaluate(*t.current, &t.evalCache), 4321);

    clearHashEval(t.evalCache);
    EXPECT_EQ(probeHashEval(t.evalCache, key), HASH_MISS);
    EXPECT_EQ(probeHashEval(t.evalCache, 0), 0);  // an empty entry reads as key 0, score 0
    freeHashEval(t.evalCache);
}

TEST(HashEval, AllocationMessages)
{
    static EvalThread t;
    testing::internal::CaptureStdout();
    ASSERT_EQ(allocHashEval(t.evalCache, uint64_t(1) << 16, 1, true, 3), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Allocated     1 MB for the HashEval Table for Thread 3\n");

    // A failed allocation leaves the thread without a table, and evaluation
    // then works without the cache.
    testing::internal::CaptureStdout();
    EXPECT_EQ(allocHashEval(t.evalCache, 3, 1, true, 3), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "HashEval Table Memory Allocation Failed!\n");
    EXPECT_EQ(t.evalCache.entries, nullptr);
    setUp(t, "4k3/8/8/8/8/8/4P3/4K3 w - - 0 1");
    EXPECT_EQ(evaluate(*t.current, &t.evalCache), 83);
    clearHashEval(t.evalCache);  // nothing to clear, nothing touched
    freeHashEval(t.evalCache);
}

TEST(Evaluate, AllocatesNothing)
{
    static EvalThread t;
    ASSERT_EQ(allocHashEval(t.evalCache, 256, 1, false, 1), 1);
    std::vector<Position> positions;
    for (const std::string& fen : sharedPositions())
        positions.push_back(positionOf(fen));
    t.current = t.positions;

    const uint64_t before = allocationCount();
    long sum = 0;
    for (const Position& p : positions) {
        *t.current = p;
        sum += evaluate(*t.current, &t.evalCache) + evaluatePosition(p);
    }
    EXPECT_EQ(allocationCount(), before) << sum;
    freeHashEval(t.evalCache);
}
