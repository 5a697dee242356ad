// Move ordering and the staged move picker: quiet scores, table updates and
// the root effort score (the order of best-first selection and the root sort
// shows in the node signature); the picker gives every legal move exactly
// once, the hash move first, then winning and equal captures, quiet moves
// and losing captures in that order.
#include <cstring>

#include "position/see.h"
#include "search/movepicker.h"
#include "search/ordering.h"
#include "support/unit.h"

namespace {

SearchThread orderingThread;
SearchThread pickerThread;

// A thread whose current position is slot 1, reached by `previous` from slot 0.
SearchThread& freshThread(Move previous, uint32_t side = 0)
{
    SearchThread& t = orderingThread;
    std::memset(t.positions, 0, 2 * sizeof(Position));
    clearKillers(t);
    clearHistory(t);
    clearCounterMoves(t);
    t.positions[0].lastMove = previous;
    t.positions[1].sideToMove = side;
    t.current = &t.positions[1];
    return t;
}

constexpr Move E2E4 = makeMoveWord(KIND_PAWN_PUSH, 12, 28);
constexpr Move G1F3 = makeMoveWord(KIND_KNIGHT, 6, 21);
constexpr Move B1C3 = makeMoveWord(KIND_KNIGHT, 1, 18);
constexpr Move D2D4 = makeMoveWord(KIND_PAWN_PUSH, 11, 27);
constexpr Move F1C4 = makeMoveWord(KIND_BISHOP, 5, 26);

TEST(Ordering, QuietScores)
{
    SearchThread& t = freshThread(E2E4);
    const int ply = 3;
    updateKillers(t, ply, G1F3);
    updateCounterMove(t, G1F3);    // G1F3 is killer 1 and the counter-move
    updateKillers(t, ply, B1C3);   // now killer 1 = B1C3, killer 2 = G1F3
    updateCounterMove(t, D2D4);    // the counter-move to e2e4 is now d2d4
    updateHistory(t, 5, F1C4);
    updateHistory(t, 2, F1C4);
    MoveEntry list[] = {makeEntry(G1F3, 0), makeEntry(B1C3, 0), makeEntry(D2D4, 0), makeEntry(F1C4, 0),
                        makeEntry(makeMoveWord(KIND_KING, 4, 12), 7)};
    scoreQuiets(t, ply, list, 5);
    EXPECT_EQ(entryScore(list[0]), KILLER2_SCORE);
    EXPECT_EQ(entryScore(list[1]), KILLER1_SCORE);
    EXPECT_EQ(entryScore(list[2]), COUNTER_SCORE);
    EXPECT_EQ(entryScore(list[3]), 29);
    EXPECT_EQ(entryScore(list[4]), 0);
    EXPECT_EQ(entryMove(list[3]), F1C4);

    // First killer and counter-move at once: the killer's score.
    updateKillers(t, ply, D2D4);
    scoreQuiets(t, ply, list + 2, 1);
    EXPECT_EQ(entryScore(list[2]), KILLER1_SCORE);
}

// History ages by 1/8; no counter-move is learnt after a null move.
TEST(Ordering, HistoryAgesAndNoCounterMoveAfterANullMove)
{
    SearchThread& t = freshThread(0, 1);
    updateHistory(t, 10, G1F3);
    EXPECT_EQ(t.history[1][6][21], 100);
    ageHistory(t);
    EXPECT_EQ(t.history[1][6][21], 12);
    updateCounterMove(t, G1F3);
    for (auto& side : t.counterMoves)
        for (auto& from : side)
            for (Move m : from)
                ASSERT_EQ(m, 0u);
}

// The root effort score keeps the order of node counts over the whole range
// (where a count modulo the score range would put 32001 nodes below 2), stays
// a positive 16-bit score, tells every count below 512 apart and larger ones
// that differ by 1%.
TEST(Ordering, RootEffortScoreKeepsTheOrderOfNodeCounts)
{
    const uint64_t counts[] = {0, 1, 2, 3, 255, 256, 257, 511, 512, 31999, 32000, 32001, 1000000, 1010000,
                               uint64_t(1) << 40, ~uint64_t(0) - 1, ~uint64_t(0)};
    int previous = -1;
    for (uint64_t n : counts) {
        int score = rootEffortScore(n);
        EXPECT_GE(score, previous) << n;
        EXPECT_GE(score, 0) << n;
        EXPECT_LT(score, 32768) << n;
        previous = score;
    }
    EXPECT_EQ(rootEffortScore(0), 0);
    EXPECT_LT(rootEffortScore(2), rootEffortScore(32001));
    EXPECT_LT(rootEffortScore(1000000), rootEffortScore(1010000));
    for (uint64_t n = 0; n < 511; ++n)  // exact below 512 nodes
        EXPECT_LT(rootEffortScore(n), rootEffortScore(n + 1)) << n;
}

struct Picked {
    Move move;
    PickStage stage;
    int see;
};

std::vector<Picked> pickAll(const Position& pos, Move hashMove)
{
    static MovePicker picker;
    startPicker(picker, pickerThread, pos, 2, hashMove);
    std::vector<Picked> picked;
    while (Move m = nextMove(picker))
        picked.push_back({m, picker.stage, picker.see});
    return picked;
}

// Checks one run of the picker against the legal moves of pos.
void checkRun(const Position& pos, Move hashMove, const std::string& what)
{
    const std::vector<Picked> picked = pickAll(pos, hashMove);
    std::vector<Move> moves;
    for (const Picked& p : picked)
        moves.push_back(p.move);
    std::sort(moves.begin(), moves.end());
    EXPECT_EQ(moves, legalMoves(pos)) << what << ": each legal move exactly once";

    const bool hashLegal = hashMove && std::binary_search(moves.begin(), moves.end(), hashMove);
    if (hashLegal) {
        ASSERT_FALSE(picked.empty());
        EXPECT_EQ(picked[0].move, hashMove) << what;
        EXPECT_EQ(picked[0].stage, PickStage::Hash) << what;
    }
    for (size_t i = 0; i < picked.size(); i++) {
        const Picked& p = picked[i];
        const bool afterLosing = i > 0 && picked[i - 1].stage == PickStage::LosingCaptures;
        EXPECT_TRUE(i == 0 || picked[i - 1].stage <= p.stage) << what << ": stages in order";
        EXPECT_TRUE(p.stage != PickStage::Hash || i == 0) << what;
        EXPECT_TRUE(p.stage != PickStage::GoodCaptures || staticExchange(pos, p.move) >= 0) << what;
        EXPECT_TRUE(p.stage != PickStage::Quiets || !isCapture(p.move)) << what;
        if (p.stage == PickStage::LosingCaptures) {
            EXPECT_LT(p.see, 0) << what;
            EXPECT_EQ(p.see, staticExchange(pos, p.move)) << what;
            EXPECT_TRUE(!afterLosing || picked[i - 1].see >= p.see) << what << ": best exchange first";
        }
    }
}

TEST(MovePicker, YieldsEveryLegalMoveOnceInStageOrder)
{
    for (const std::string& fen : sharedPositions()) {
        const Position& pos = setUp(pickerThread, fen);
        clearKillers(pickerThread);
        clearHistory(pickerThread);
        clearCounterMoves(pickerThread);
        checkRun(pos, 0, fen + " (no hash move)");
        // Every legal move as the hash move.
        for (Move m : legalMoves(pos))
            checkRun(pos, m, fen + " (hash move)");
    }
}

}  // namespace
