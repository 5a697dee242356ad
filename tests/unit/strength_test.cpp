// The level scale and the win/draw/loss model of the UCI options.
#include <gtest/gtest.h>

#include "frontend/strength.h"

namespace {

TEST(Levels, StrongerLevelsSearchMoreWithLessNoise)
{
    Weakening before = weakeningOf(LEVEL_MIN_ELO - 500);
    EXPECT_EQ(before.nodes, weakeningOf(LEVEL_MIN_ELO).nodes);
    for (int elo = LEVEL_MIN_ELO + 20; elo <= LEVEL_MAX_ELO; elo += 20) {
        const Weakening w = weakeningOf(elo);
        EXPECT_GT(w.nodes, before.nodes) << elo;
        EXPECT_LE(w.noise, before.noise) << elo;
        before = w;
    }
    EXPECT_EQ(weakeningOf(LEVEL_MAX_ELO).noise, 0);
    EXPECT_GE(weakeningOf(LEVEL_MIN_ELO).nodes, 20u) << "enough for a legal, sane move";
}

TEST(Wdl, SumsToAThousandAndFollowsTheScore)
{
    Wdl before = wdlOfScore(-3000);
    for (int cp = -3000; cp <= 3000; cp += 10) {
        const Wdl w = wdlOfScore(cp);
        EXPECT_EQ(w.win + w.draw + w.loss, 1000) << cp;
        EXPECT_GE(w.draw, 0) << cp;
        EXPECT_GE(w.win, before.win) << cp;
        EXPECT_LE(w.loss, before.loss) << cp;
        const Wdl mirrored = wdlOfScore(-cp);
        EXPECT_EQ(w.win, mirrored.loss) << cp;
        before = w;
    }
    EXPECT_GT(wdlOfScore(0).draw, 500);
    EXPECT_GT(wdlOfScore(600).win, 900);
}

} // namespace
