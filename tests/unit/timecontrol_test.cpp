// The time allocation formula and its thresholds, and the timer's deadline.
#include <gtest/gtest.h>

#include <thread>

#include "platform/platform.h"
#include "search/timecontrol.h"

namespace {

TimeControl clock(int myTime, int opponentTime, int increment = 0, int movesToGo = 0)
{
    TimeControl tc;
    tc.myTime = myTime;
    tc.opponentTime = opponentTime;
    tc.increment = increment;
    tc.movesToGo = movesToGo;
    return tc;
}

} // namespace

TEST(TimeAllocation, WorkedExamples)
{
    struct Case {
        TimeControl tc;
        int moveNumber;
        int expected;
    };
    const Case cases[] = {
        {clock(30000, 30000), 30, 1500},            // five minutes each, move 30: d = 20
        {clock(30000, 30000), 5, 857},              // early: d = 20 + 15
        {clock(6000, 6000, 100, 40), 30, 250},      // 150 per move plus the increment
        {clock(30000, 20000), 30, 2000},            // ahead on the clock: d = 15
        {clock(20000, 30000), 30, 800},             // behind: d = 25
        {clock(1500, 1500, 200), 30, 260},          // fast game: d = 25, then the increment
        {clock(1501, 1501, 200), 30, 275},          // just above the threshold: d = 20
        {clock(1500, 1500, 201), 30, 276},          // increment above 2 s: no fast-game term
        {clock(600, 600, 100), 30, 24},             // increment not added: too little left
        {clock(30000, 30000, 100), 21, 1600},       // move 21 is past the opening
        {clock(30000, 30000, 100), 20, 957},        // move 20 is still in it
    };
    for (const Case& c : cases) {
        TimeControl tc = c.tc;
        EXPECT_EQ(computeAllocation(tc, c.moveNumber), c.expected)
            << tc.myTime << "/" << tc.opponentTime << " inc " << tc.increment << " mtg " << tc.movesToGo;
        EXPECT_EQ(tc.allocation, c.expected);
    }
}

// The configuration allows SuddenDeath 10 with MoreTime up to 15, so being
// ahead on the clock can bring the divisor to zero or below.
TEST(TimeAllocation, DivisorNeverBelowTwo)
{
    // Divisors 0, -5, 1 (which would spend the whole clock), 2 and 3.
    const int cases[][3] = {{10, 10, 15000}, {10, 15, 15000}, {11, 10, 15000}, {12, 10, 15000}, {13, 10, 10000}};
    for (const auto& [suddenDeath, moreTime, expected] : cases) {
        TimeControl tc = clock(30000, 20000);
        tc.suddenDeath = suddenDeath;
        tc.moreTime = moreTime;
        EXPECT_EQ(computeAllocation(tc, 30), expected) << suddenDeath << " - " << moreTime;
    }
}

// The timer stops the search once the elapsed centiseconds exceed the move
// time: 5 cs stop it 60 ms after the start, never before.
TEST(Timer, StopsOneCentisecondAfterTheLimit)
{
    SearchFlags flags{};
    static Timer timer{};
    timer.flags = &flags;
    for (int run = 0; run < 3; run++) {
        TimeControl tc;
        tc.moveTime = 5;
        tc.opponentTime = tc.myTime;
        tc.startMs = nowMs();
        ASSERT_TRUE(setupTimer(timer, tc, 30, false));
        while (!flags.stopSearch.load())
            std::this_thread::yield();
        const uint64_t stoppedAfter = nowMs() - tc.startMs;
        stopTimer(timer);
        EXPECT_GE(stoppedAfter, 60u);
        EXPECT_LT(stoppedAfter, 1000u);
    }
}
