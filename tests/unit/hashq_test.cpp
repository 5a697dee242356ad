// HashQ, the per-thread quiescence cache: slots, bounds, the wider mate band,
// depth clamping and life without a table.
#include <gtest/gtest.h>

#include <cstring>

#include "search/hashq.h"
#include "search/quiescence.h"
#include "search/tt.h"

namespace {

SearchThread qThread;

class HashQTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::memset(&qThread.positions[0], 0, sizeof(Position));
        qThread.current = &qThread.positions[0];
        ASSERT_TRUE(allocHashQ(qThread, 1000));  // rounded down to 512
    }
    void TearDown() override { freeHashQ(qThread); }
    void setKey(uint64_t key) { qThread.current->key = key; }
};

TEST_F(HashQTest, BoundsAndDepth)
{
    struct Case {
        int bound, storedDepth, score, depth, alpha, beta, expected;
    };
    const Case cases[] = {
        {BOUND_EXACT, 0, 12, 0, -50, 50, 12},
        {BOUND_EXACT, -1, 12, 0, -50, 50, HASH_UNUSABLE},
        {BOUND_EXACT, 0, 12, -1, -50, 50, 12},
        {BOUND_UPPER, 0, -60, 0, -50, 50, -60},
        {BOUND_UPPER, 0, -40, 0, -50, 50, HASH_UNUSABLE},
        {BOUND_LOWER, 0, 50, 0, -50, 50, 50},
        {BOUND_LOWER, 0, 49, 0, -50, 50, HASH_UNUSABLE},
        {BOUND_NONE, 0, 0, 0, -50, 50, HASH_UNUSABLE},
    };
    for (const Case& c : cases) {
        setKey(0x1000 + uint64_t(c.score) * 7 + c.bound);
        storeHashQ(qThread, c.storedDepth, 4, c.bound, c.score, 0x00221A0A);
        HashQEntry e{};
        EXPECT_EQ(probeHashQ(qThread, e, c.depth, 4, c.alpha, c.beta), c.expected) << c.bound << " " << c.score;
        EXPECT_EQ(e.move, 0x00221A0Au);
    }
}

TEST_F(HashQTest, SlotHoldsOneKeyLastStoreWins)
{
    HashQEntry e{};
    setKey(0x10007);
    storeHashQ(qThread, 0, 1, BOUND_EXACT, 5, 0);
    setKey(0x20007);  // same slot
    storeHashQ(qThread, 0, 1, BOUND_EXACT, 6, 0);
    EXPECT_EQ(probeHashQ(qThread, e, 0, 1, -100, 100), 6);
    setKey(0x10007);
    EXPECT_EQ(probeHashQ(qThread, e, 0, 1, -100, 100), HASH_MISS);
}

TEST_F(HashQTest, MateBandIs128PliesWide)
{
    HashQEntry e{};
    setKey(0x333);
    storeHashQ(qThread, 0, 100, BOUND_EXACT, 19880, 0);  // a mate found 120 plies from the root
    EXPECT_EQ(probeHashQ(qThread, e, 0, 100, -30000, 30000), 19880);
    EXPECT_EQ(e.score, 19980);
    EXPECT_EQ(probeHashQ(qThread, e, 0, 30, -30000, 30000), 19950);
    storeHashQ(qThread, 0, 100, BOUND_EXACT, -19880, 0);
    EXPECT_EQ(probeHashQ(qThread, e, 0, 30, -30000, 30000), -19950);
    storeHashQ(qThread, 0, 100, BOUND_EXACT, 19871, 0);  // below the band: unchanged
    EXPECT_EQ(probeHashQ(qThread, e, 0, 30, -30000, 30000), 19871);
}

TEST_F(HashQTest, DeepQuiescenceDepthsAreClampedNotWrapped)
{
    HashQEntry e{};
    setKey(0x444);
    storeHashQ(qThread, -40, 1, BOUND_EXACT, 3, 0);
    EXPECT_EQ(probeHashQ(qThread, e, -33, 1, -100, 100), 3);
    EXPECT_EQ(e.depth, -32);
    EXPECT_EQ(probeHashQ(qThread, e, -1, 1, -100, 100), HASH_UNUSABLE);
    EXPECT_EQ(probeHashQ(qThread, e, 0, 1, -100, 100), HASH_UNUSABLE);
}

TEST(HashQLifeCycle, WithoutATableEverythingMisses)
{
    static SearchThread t;
    std::memset(&t.positions[0], 0, sizeof(Position));
    t.current = &t.positions[0];
    t.hashQ = nullptr;
    storeHashQ(t, 0, 1, BOUND_EXACT, 1, 0);
    clearHashQ(t);
    HashQEntry e{};
    EXPECT_EQ(probeHashQ(t, e, 0, 1, -100, 100), HASH_MISS);
    EXPECT_TRUE(allocHashQ(t, 1 << 10));
    freeHashQ(t);
    EXPECT_EQ(t.hashQ, nullptr);
}

}  // namespace
