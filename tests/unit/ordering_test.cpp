// Move ordering: quiet scores, table updates, best-first selection and the
// root sort.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "search/ordering.h"

namespace {

SearchThread orderingThread;

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

TEST(Ordering, HistoryIsPerSideAndAges)
{
    SearchThread& t = freshThread(E2E4, 1);
    updateHistory(t, 10, G1F3);
    EXPECT_EQ(t.history[1][6][21], 100);
    EXPECT_EQ(t.history[0][6][21], 0);
    ageHistory(t);
    EXPECT_EQ(t.history[1][6][21], 12);
}

TEST(Ordering, KillerAlreadyFirstLeavesSecondSlot)
{
    SearchThread& t = freshThread(E2E4);
    updateKillers(t, 0, G1F3);
    updateKillers(t, 0, B1C3);
    updateKillers(t, 0, B1C3);
    EXPECT_EQ(t.killers[0][0], B1C3);
    EXPECT_EQ(t.killers[0][1], G1F3);
}

TEST(Ordering, NoCounterMoveAfterANullMove)
{
    SearchThread& t = freshThread(0);
    updateCounterMove(t, G1F3);
    for (auto& side : t.counterMoves)
        for (auto& from : side)
            for (Move m : from)
                ASSERT_EQ(m, 0u);
}

// Picks every entry of a list of scores and returns the scores in pick order.
std::vector<int> pickOrder(std::vector<int> scores)
{
    std::vector<MoveEntry> list;
    for (size_t i = 0; i < scores.size(); i++)
        list.push_back(makeEntry(Move(i + 1), scores[i]));
    int count = int(list.size());
    std::vector<int> order;
    while (count > 0)
        order.push_back(int(entryMove(pickBest(list.data(), count))) - 1);
    return order;
}

TEST(Ordering, PickBestTakesHighestSignedScoreLastGeneratedFirst)
{
    // Indices of the picked entries.
    EXPECT_EQ(pickOrder({5, 9, 1, 9}), (std::vector<int>{3, 1, 0, 2}));
    // History 40000 wraps to a negative 16-bit score and sorts after 0.
    EXPECT_EQ(pickOrder({40000, 0}), (std::vector<int>{1, 0}));
    // Under-promotions (-1, -2, -3) come after every capture (16 and up).
    EXPECT_EQ(pickOrder({-3, 85, -2, 16, -1, 21}), (std::vector<int>{1, 5, 3, 4, 2, 0}));
    EXPECT_EQ(pickOrder({7}), (std::vector<int>{0}));
}

TEST(Ordering, SortRootMovesAscendingKeepsEveryEntry)
{
    const std::vector<int> cases[] = {
        {3, 1, 2},
        {5, 5, 5, 5},
        {31999, 0, 17, 17, 250, 1, 31999, 4},
        {9, 8, 7, 6, 5, 4, 3, 2, 1, 0},
    };
    for (const std::vector<int>& scores : cases) {
        std::vector<uint64_t> list;
        for (size_t i = 0; i < scores.size(); i++)
            list.push_back(makeEntry(Move(100 + i), scores[i]));
        std::vector<uint64_t> before = list;
        sortRootMoves(list.data(), 0, int(list.size()) - 1);
        for (size_t i = 1; i < list.size(); i++)
            EXPECT_LE(entryScore(list[i - 1]), entryScore(list[i]));
        std::sort(before.begin(), before.end());
        std::vector<uint64_t> after = list;
        std::sort(after.begin(), after.end());
        EXPECT_EQ(before, after);
    }
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

}  // namespace
