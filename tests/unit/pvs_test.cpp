// The default search's parts: its move picker (every legal move once, in
// stage order, quiet moves skippable), the history counters' bounds, the
// evaluation correction, the reduction table, the aspiration windows, and
// the time manager's limits and stop rule.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "position/fen.h"
#include "position/movegen.h"
#include "position/see.h"
#include "search/aspiration.h"
#include "search/history.h"
#include "search/ordering.h"
#include "search/pvs.h"
#include "search/pvspicker.h"
#include "search/timecontrol.h"
#include "search/timeman.h"
#include "support/unit.h"

namespace {

SearchThread pvsThread;  // its position stack and the default search's history tables

// Runs the picker over pos; with skipAfter > 0 the quiet moves are skipped
// once that many have been returned.
std::vector<std::pair<Move, PvsStage>> pickAll(const Position& pos, Move hashMove, const Move killers[2], int skipAfter)
{
    static PvsPicker picker;
    startPvsPicker(picker, pos, pvsThread.pvs.history, hashMove, 0, 0, killers);
    std::vector<std::pair<Move, PvsStage>> picked;
    int quiets = 0;
    while (Move m = nextPvsMove(picker)) {
        picked.emplace_back(m, picker.stage);
        if (picker.stage == PvsStage::Quiets && ++quiets == skipAfter)
            picker.skipQuiets = true;
    }
    return picked;
}

TEST(PvsPicker, YieldsEveryLegalMoveOnceInStageOrder)
{
    const std::vector<std::string> fens = sharedPositions();
    ASSERT_GT(fens.size(), 100u);
    clearHistoryTables(pvsThread.pvs.history);
    for (const std::string& fen : fens) {
        pvsThread.current = pvsThread.positions;
        ASSERT_EQ(setPositionFromFen(pvsThread, fen.c_str(), nullptr), 1) << fen;
        const Position& pos = *pvsThread.current;
        const std::vector<Move> legal = legalMoves(pos);
        // A quiet legal move as the killer, and one that is not a move here.
        Move killers[2] = {0, makeMoveWord(KIND_KNIGHT, 0, 63)};
        for (Move m : legal)
            if (isQuietMove(m))
                killers[0] = m;
        for (Move hash : {Move(0), legal.empty() ? Move(0) : legal.back()}) {
            const auto picked = pickAll(pos, hash, killers, 0);
            std::vector<Move> moves;
            for (const auto& p : picked)
                moves.push_back(p.first);
            std::sort(moves.begin(), moves.end());
            EXPECT_EQ(moves, legal) << fen << ": each legal move exactly once";
            for (size_t i = 0; i < picked.size(); i++) {
                const auto& [m, stage] = picked[i];
                if (i > 0) {
                    EXPECT_LE(int(picked[i - 1].second), int(stage)) << fen << ": stages in order";
                }
                if (hash && i == 0) {
                    EXPECT_EQ(m, hash) << fen;
                }
                if (stage == PvsStage::GoodCaptures) {
                    EXPECT_GE(staticExchange(pos, m), 0) << fen;
                }
                if (stage == PvsStage::Quiets) {
                    EXPECT_TRUE(isQuietMove(m)) << fen;
                    if (killers[0] != hash && i > 0 && picked[i - 1].second != PvsStage::Quiets) {
                        EXPECT_EQ(m, killers[0]) << fen << ": the killer opens the quiet moves";
                    }
                }
            }
            // Skipping the quiet moves after the first: the captures all come.
            const auto skipped = pickAll(pos, hash, killers, 1);
            int quiets = 0, others = 0;
            for (const auto& p : skipped)
                (p.second == PvsStage::Quiets ? quiets : others)++;
            int legalOthers = 0;
            for (Move m : legal)
                legalOthers += !isQuietMove(m) || m == hash;
            EXPECT_LE(quiets, 1) << fen;
            EXPECT_EQ(others, legalOthers) << fen;
        }
    }
}

// Directly checking quiet moves come before other quiet moves of equal history.
TEST(PvsPicker, QuietChecksFirst)
{
    clearHistoryTables(pvsThread.pvs.history);
    pvsThread.current = pvsThread.positions;
    ASSERT_EQ(setPositionFromFen(pvsThread, "6k1/8/8/8/8/8/R7/1R4K1 w - - 0 1", nullptr), 1);
    const Move noKillers[2] = {0, 0};
    const auto picked = pickAll(*pvsThread.current, 0, noKillers, 0);
    ASSERT_GT(picked.size(), 4u);
    const Move first = picked[0].first;
    char text[8];
    moveToText(text, first, 0, false);
    EXPECT_TRUE(first == textToMove(*pvsThread.current, "a2a8") || first == textToMove(*pvsThread.current, "b1b8")
                || first == textToMove(*pvsThread.current, "a2g2"))
        << text;
}

TEST(History, GravityKeepsCountersInRange)
{
    for (int bonus : {historyBonus(1), historyBonus(8), historyBonus(40), 50000}) {
        int16_t h = 0;
        for (int i = 0; i < 2000; i++)
            addHistory(h, bonus);
        EXPECT_LE(h, HISTORY_MAX);
        EXPECT_GT(h, HISTORY_MAX / 2) << bonus;
        for (int i = 0; i < 4000; i++)
            addHistory(h, -bonus);
        EXPECT_GE(h, -HISTORY_MAX);
        EXPECT_LT(h, -HISTORY_MAX / 2) << bonus;
    }
    EXPECT_LT(historyBonus(2), historyBonus(6));
}

TEST(History, CorrectionFollowsTheSearchWithinItsLimit)
{
    static HistoryTables h;
    clearHistoryTables(h);
    const uint64_t key = 0x123456789ULL;
    EXPECT_EQ(evalCorrection(h, 0, key), 0);
    for (int i = 0; i < 200; i++)
        updateCorrection(h, 0, key, 10, 40);
    EXPECT_NEAR(evalCorrection(h, 0, key), 40, 2);
    EXPECT_EQ(evalCorrection(h, 1, key), 0) << "the other side's entry";
    for (int i = 0; i < 200; i++)
        updateCorrection(h, 0, key, 10, -5000);
    EXPECT_EQ(evalCorrection(h, 0, key), -CORRECTION_LIMIT / CORRECTION_GRAIN);
}

TEST(Reductions, GrowWithDepthAndMoveNumber)
{
    for (int d = 1; d < 63; d++)
        for (int m = 1; m < 63; m++) {
            EXPECT_LE(lateMoveReduction(d, m), lateMoveReduction(d + 1, m));
            EXPECT_LE(lateMoveReduction(d, m), lateMoveReduction(d, m + 1));
        }
    EXPECT_LT(lateMoveReduction(1, 1), 1024) << "under a ply for the first move";
    EXPECT_GT(lateMoveReduction(20, 40), 4 * 1024);
    EXPECT_EQ(lateMoveReduction(200, 200), lateMoveReduction(63, 63));
}

TEST(Aspiration, WindowsWidenOnTheSideThatFailed)
{
    int16_t alpha = -INFINITE, beta = INFINITE;
    int delta = ASPIRATION_START;
    // Accepted: a narrow window around the score.
    EXPECT_TRUE(nextAspirationWindow(alpha, beta, 35, delta));
    EXPECT_EQ(alpha, 35 - ASPIRATION_START);
    EXPECT_EQ(beta, 35 + ASPIRATION_START);
    // A fail low moves alpha only, by a growing step; a fail high then beta.
    EXPECT_FALSE(nextAspirationWindow(alpha, beta, alpha, delta));
    EXPECT_EQ(delta, ASPIRATION_START * 3 / 2);
    EXPECT_EQ(alpha, 35 - ASPIRATION_START - delta);
    EXPECT_EQ(beta, 35 + ASPIRATION_START);
    EXPECT_FALSE(nextAspirationWindow(alpha, beta, 90, delta));
    EXPECT_EQ(beta, 90 + delta);
    EXPECT_GT(delta, ASPIRATION_START * 3 / 2);
    // Failing again and again ends in the full window.
    for (int i = 0; i < 20 && beta < INFINITE; i++)
        nextAspirationWindow(alpha, beta, beta, delta);
    EXPECT_EQ(alpha, -INFINITE);
    EXPECT_EQ(beta, INFINITE);
    // Mate and tablebase scores are searched with the full window.
    EXPECT_TRUE(nextAspirationWindow(alpha, beta, MATE - 5, delta));
    EXPECT_EQ(alpha, -INFINITE);
    EXPECT_EQ(beta, INFINITE);
}

TEST(TimeManager, MoveLimits)
{
    struct Case {
        int32_t myTime, increment, movesToGo;
    };
    const Case cases[] = {
        {1000, 10, 0}, {100, 0, 0}, {6000, 0, 40}, {500, 0, 1}, {30, 100, 0}, {3, 0, 0}, {200000, 0, 2},
    };
    for (const Case& c : cases) {
        TimeControl tc;
        tc.myTime = c.myTime;
        tc.increment = c.increment;
        tc.movesToGo = c.movesToGo;
        const MoveLimits l = defaultMoveLimits(tc);
        const std::string what = std::to_string(c.myTime) + "+" + std::to_string(c.increment) + " /"
                                 + std::to_string(c.movesToGo);
        EXPECT_GE(l.soft, 1) << what;
        EXPECT_LE(l.soft, l.hard) << what;
        EXPECT_GE(l.hard, 1) << what;
        EXPECT_LE(l.hard, c.myTime > 5 ? c.myTime - 5 : 1) << what << ": some time stays on the clock";
        if (c.movesToGo != 1) {
            EXPECT_LE(l.hard, c.myTime * 2 / 5 > 1 ? c.myTime * 2 / 5 : 1) << what;
        }
    }
    // 10 s + 0.1 s: a soft limit of a few tenths, a hard one of about a second and a half.
    TimeControl tc;
    tc.myTime = 1000;
    tc.increment = 10;
    const MoveLimits l = defaultMoveLimits(tc);
    EXPECT_GT(l.soft, 25);
    EXPECT_LT(l.soft, 60);
    EXPECT_GT(l.hard, 3 * l.soft);
    // Without a clock only the move time counts.
    tc.myTime = NO_MOVE_TIME;
    EXPECT_EQ(defaultMoveLimits(tc).soft, 0);
}

TEST(TimeManager, SettledSearchesStopSoonerThanUnsettledOnes)
{
    const Move a = makeMoveWord(KIND_PAWN_PUSH, 12, 28), b = makeMoveWord(KIND_KNIGHT, 6, 21);
    IterationClock settled{}, unsettled{};
    double settledScale = 0, unsettledScale = 0;
    for (int i = 0; i < 8; i++) {
        settledScale = softLimitScale(settled, a, 0.9);
        unsettledScale = softLimitScale(unsettled, i % 2 ? a : b, 0.3);
    }
    EXPECT_LT(settledScale, 0.8);
    EXPECT_GT(unsettledScale, 1.5);

    // The share of the root's nodes, from the root entries' effort scores.
    const uint64_t entries[] = {makeEntry(a, rootEffortScore(9000)), makeEntry(b, rootEffortScore(1000))};
    EXPECT_NEAR(bestMoveNodeShare(entries, entries + 2, a), 0.9, 0.01);
    EXPECT_NEAR(bestMoveNodeShare(entries, entries + 2, b), 0.1, 0.01);

    // Only a published soft limit stops the search.
    IterationClock clock{};
    EXPECT_FALSE(iterationEndsSearch(clock, a, 0.5, 1000000, 0));
    EXPECT_TRUE(iterationEndsSearch(clock, a, 0.5, 1000, 100));
    EXPECT_FALSE(iterationEndsSearch(clock, a, 0.5, 10, 100));
}

}  // namespace
