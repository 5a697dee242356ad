// Transposition table: bucket replacement, kept moves, mate scores, bounds,
// generations, torn entries and the table's life cycle; and HashQ, the
// per-thread quiescence cache: slots, bounds, the wider mate band and depth
// clamping.
#include <cstring>

#include "search/benchsearch.h"
#include "search/engine.h"
#include "search/hashq.h"
#include "search/tt.h"
#include "sent_text.h"
#include "support/unit.h"

namespace {

constexpr uint64_t ENTRIES = 1024;

// The table of these tests (each allocates and frees it).
TranspositionTable tt{};

Position positionWithKey(uint64_t key)
{
    Position p;
    std::memset(&p, 0, sizeof p);
    p.key = key;
    return p;
}

// Keys that share bucket `start` (same low bits, different high bits).
uint64_t keyInBucket(uint64_t start, uint64_t n) { return start | (n + 1) << 40; }

class TTTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(allocHashTable(tt, ENTRIES).ok);
        tt.age = 10;
    }
    void TearDown() override
    {
        freeHashTable(tt);
        tt.age = 0;
    }
};

TEST_F(TTTest, BoundRules)
{
    struct Case {
        int bound, storedDepth, score, depth, alpha, beta, expected;
    };
    const Case cases[] = {
        {BOUND_EXACT, 5, 40, 5, -100, 100, 40},
        {BOUND_EXACT, 5, 40, 6, -100, 100, HASH_UNUSABLE},  // too shallow
        {BOUND_UPPER, 5, -150, 3, -100, 100, -150},
        {BOUND_UPPER, 5, -100, 3, -100, 100, -100},         // s <= alpha
        {BOUND_UPPER, 5, -99, 3, -100, 100, HASH_UNUSABLE},
        {BOUND_LOWER, 5, 100, 3, -100, 100, 100},           // s >= beta
        {BOUND_LOWER, 5, 99, 3, -100, 100, HASH_UNUSABLE},  // below beta: only the move
        {BOUND_NONE, 5, 0, 0, -100, 100, HASH_UNUSABLE},
    };
    for (const Case& c : cases) {
        Position p = positionWithKey(0xABCDEF00ULL + c.bound * 977 + c.score);
        storeHash(tt, p, c.storedDepth, 1, c.bound, c.score, 0x0003050A);
        uint64_t data = 0;
        EXPECT_EQ(probeHash(tt, p, data, c.depth, 1, c.alpha, c.beta), c.expected)
            << "bound " << c.bound << " score " << c.score;
        EXPECT_EQ(ttMove(data), 0x0003050Au) << "the move is handed back even when unusable";
        EXPECT_EQ(ttDepth(data), c.storedDepth);
        EXPECT_EQ(ttBound(data), c.bound);
        EXPECT_EQ(ttAge(data), 10);
    }
    uint64_t data;
    EXPECT_EQ(probeHash(tt, positionWithKey(0x42), data, 0, 0, -30000, 30000), HASH_MISS);
}

// Mate scores are stored relative to the storing node (ply 7) and read back
// relative to the probing one (ply 3); scores just outside the band are not.
TEST_F(TTTest, MateScoresAreStoredRelativeToTheNode)
{
    const int cases[][3] = {{19990, 19997, 19994}, {-19990, -19997, -19994}, {19935, 19935, 19935}, {-19935, -19935, -19935}};
    Position p = positionWithKey(0x777);
    uint64_t data;
    for (const auto& [score, stored, read] : cases) {
        storeHash(tt, p, 4, 7, BOUND_EXACT, score, 0);
        EXPECT_EQ(probeHash(tt, p, data, 4, 3, -30000, 30000), read) << score;
        EXPECT_EQ(ttScore(data), stored) << score;
    }
}

// A store without a move keeps the move of the same position, but writes no
// move over a stranger.
TEST_F(TTTest, StoreWithoutMove)
{
    Position p = positionWithKey(keyInBucket(8, 0));
    storeHash(tt, p, 3, 0, BOUND_LOWER, 50, 0x00120A02);
    storeHash(tt, p, 6, 0, BOUND_UPPER, -20, 0);
    uint64_t data;
    probeHash(tt, p, data, 0, 0, 0, 0);
    EXPECT_EQ(ttMove(data), 0x00120A02u);
    EXPECT_EQ(ttDepth(data), 6);
    for (uint64_t i = 1; i < 4; i++)
        storeHash(tt, positionWithKey(keyInBucket(8, i)), 5, 0, BOUND_EXACT, 0, 0x00120A02);
    tt.age = 11;  // all four are now stale
    Position q = positionWithKey(keyInBucket(8, 9));
    storeHash(tt, q, 1, 0, BOUND_EXACT, 0, 0);
    ASSERT_NE(probeHash(tt, q, data, 0, 0, 0, 0), HASH_MISS);
    EXPECT_EQ(ttMove(data), 0u);
}

// Fills bucket 8 with four current-generation strangers of the given depths,
// stores a fifth position and reports which entry it replaced.
int replacedEntry(const int (&depths)[4], const int (&ages)[4], int currentAge)
{
    for (int i = 0; i < 4; i++) {
        tt.age = uint8_t(ages[i]);
        storeHash(tt, positionWithKey(keyInBucket(8, i)), depths[i], 0, BOUND_EXACT, 0, 0);
    }
    tt.age = uint8_t(currentAge);
    Position p = positionWithKey(keyInBucket(8, 99));
    storeHash(tt, p, 1, 0, BOUND_EXACT, 0, 0);
    int replaced = -1;
    for (int i = 0; i < 4; i++)
        if ((tt.entries[8 + i].check ^ tt.entries[8 + i].data) == p.key)
            replaced = i;
    clearHashTable(tt);
    return replaced;
}

TEST_F(TTTest, ReplacementOrder)
{
    struct Case {
        int depths[4];
        int ages[4];
        int currentAge;
        int expected;
    };
    const Case cases[] = {
        {{5, 3, 3, 2}, {10, 10, 10, 10}, 10, 3},   // all current: shallowest
        {{3, 5, 3, 3}, {10, 10, 10, 10}, 10, 0},   // ties go to the earliest
        {{2, 3, 3, 2}, {10, 10, 10, 10}, 10, 0},   // entry 3 only when strictly shallower
        {{1, 9, 1, 1}, {10, 8, 10, 10}, 10, 1},    // a stale entry goes first, however deep
        {{9, 9, 9, 9}, {7, 5, 5, 6}, 10, 1},       // the oldest stale, earliest on ties
        {{1, 9, 9, 9}, {10, 250, 3, 10}, 10, 2},   // smallest age value, not the most distant
    };
    for (const Case& c : cases)
        EXPECT_EQ(replacedEntry(c.depths, c.ages, c.currentAge), c.expected)
            << c.depths[0] << c.depths[1] << c.depths[2] << c.depths[3];
}

TEST_F(TTTest, FreeOrMatchingEntryIsTakenBeforeAnyReplacement)
{
    Position a = positionWithKey(keyInBucket(8, 0));
    Position b = positionWithKey(keyInBucket(8, 1));
    storeHash(tt, a, 9, 0, BOUND_EXACT, 1, 0);
    storeHash(tt, b, 9, 0, BOUND_EXACT, 2, 0);
    storeHash(tt, a, 1, 0, BOUND_EXACT, 3, 0);  // same position: overwritten in place
    uint64_t data;
    EXPECT_EQ(probeHash(tt, a, data, 1, 0, 0, 0), 3);
    EXPECT_EQ(probeHash(tt, b, data, 9, 0, 0, 0), 2);
    EXPECT_EQ(tt.entries[10].check, 0u);
}

TEST_F(TTTest, TornEntryReadsAsMiss)
{
    Position a = positionWithKey(keyInBucket(8, 0));
    storeHash(tt, a, 4, 0, BOUND_EXACT, 10, 0x00001C0C);
    TTEntry first = tt.entries[8];
    storeHash(tt, a, 5, 0, BOUND_EXACT, 20, 0x00001C0C);
    tt.entries[8].check = first.check;  // check word of one write, data word of the other
    uint64_t data;
    EXPECT_EQ(probeHash(tt, a, data, 0, 0, -30000, 30000), HASH_MISS);
}

// Depth is clamped, not wrapped; after 255 searches the age wraps to 0 with
// an empty table.
TEST_F(TTTest, DepthAndAgeLimits)
{
    Position p = positionWithKey(0x6161);
    uint64_t data;
    storeHash(tt, p, 64, 0, BOUND_EXACT, 5, 0);
    probeHash(tt, p, data, 0, 0, 0, 0);
    EXPECT_EQ(ttDepth(data), 63);
    storeHash(tt, p, -1, 0, BOUND_EXACT, 5, 0);
    EXPECT_EQ(probeHash(tt, p, data, 1, 0, 0, 0), HASH_UNUSABLE);

    tt.age = 0;
    for (int i = 0; i < 255; i++)
        newSearchGeneration(tt);
    EXPECT_EQ(tt.age, 255);
    ASSERT_NE(probeHash(tt, p, data, 0, 0, 0, 0), HASH_MISS);
    newSearchGeneration(tt);
    EXPECT_EQ(tt.age, 0);
    EXPECT_EQ(probeHash(tt, p, data, 0, 0, 0, 0), HASH_MISS);
}

TEST(TTLifeCycle, NoTableAfterAFailedAllocation)
{
    EXPECT_FALSE(allocHashTable(tt, uint64_t(1) << 62).ok);
    EXPECT_EQ(tt.entries, nullptr);
    Position p = positionWithKey(0x31);
    storeHash(tt, p, 3, 0, BOUND_EXACT, 1, 0);
    uint64_t data;
    EXPECT_EQ(probeHash(tt, p, data, 0, 0, 0, 0), HASH_MISS);
    clearHashTable(tt);
    newSearchGeneration(tt);
    tt.age = 0;
}

// Large-page mode sizes the block to a power of two of bytes, so N = P/16 - 4.
// Every bucket start must leave its four entries inside the block; AddressSanitizer
// turns a bucket past the end into a failure.
TEST(TTLifeCycle, LargePageBlockKeepsEveryBucketInside)
{
    constexpr uint64_t n = (uint64_t(2) << 20) / 16 - 4;
    const TableAllocation a = allocHashTable(tt, n, true);
    ASSERT_TRUE(a.ok && a.triedLargePages);
    EXPECT_TRUE(tt.indexMask <= n && (tt.indexMask & 3) == 0);
    bool reachedLast = false;
    for (uint64_t k = 0; k < 200000; k++) {
        reachedLast |= ((k * 0x9E3779B97F4A7C15ULL) & tt.indexMask) == n;
        storeHash(tt, positionWithKey(k * 0x9E3779B97F4A7C15ULL), 1, 0, BOUND_EXACT, 0, 0);
    }
    EXPECT_TRUE(reachedLast) << "buckets spread up to the end of the block";
    freeHashTable(tt);
}

// An engine's tables report their sizes (the TT's as configured) and their
// failures through the engine's reporter; a failed table is done without.
TEST(TTLifeCycle, EngineTablesReportThroughTheReporter)
{
    SentText said;
    Engine* engine = createEngine(Reporter{&said, SentText::append, nullptr});
    TableSizes sizes = tableSizesOfEntries(2, uint64_t(1) << 12, uint64_t(1) << 10);
    sizes.ttSizeMb = 100;
    allocAllTables(*engine, sizes);
    EXPECT_EQ(said.take(), "Allocated   100 MB for the Hash Table\n"
                           "Allocated     1 MB for the HashEval Table for Thread 1\n"
                           "Allocated     1 MB for the HashEval Table for Thread 2\n"
                           "Allocated     1 MB for the HashQ Table for Thread 1\n"
                           "Allocated     1 MB for the HashQ Table for Thread 2\n");
    EXPECT_EQ(engine->tt.indexMask, 4095u);
    sizes.ttEntries = uint64_t(1) << 62;
    sizes.hashEvalEntries = 3;  // not a power of two
    allocAllTables(*engine, sizes);
    EXPECT_EQ(said.take(), "Hash Table Memory Allocation Failed!\n"
                           "HashEval Table Memory Allocation Failed!\n"
                           "HashEval Table Memory Allocation Failed!\n"
                           "HashEval Table Memory Allocation Failed!\n"
                           "Allocated     1 MB for the HashQ Table for Thread 1\n"
                           "Allocated     1 MB for the HashQ Table for Thread 2\n");
    EXPECT_EQ(engine->tt.entries, nullptr);
    EXPECT_EQ(engine->searchThreads[0].evalCache.entries, nullptr);

    ASSERT_TRUE(allocEngineTable(*engine, (uint64_t(2) << 20) / 16 - 4, 2, true));
    const std::string out = said.take();
    EXPECT_EQ(out.rfind("\nLarge Page hash table allocator used.\nLargePageMinimun: ", 0), 0u) << out;
    EXPECT_NE(out.find("Allocated     2 MB for the Hash Table\n"), std::string::npos) << out;
    destroyEngine(engine);
}

}  // namespace

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
    // Stores under key and probes key again.
    static int storeAndProbe(uint64_t key, int storedDepth, int bound, int score, int depth, int ply, int probePly,
                             HashQEntry& e)
    {
        qThread.current->key = key;
        storeHashQ(qThread, storedDepth, ply, bound, score, 0x00221A0A);
        return probeHashQ(qThread, e, depth, probePly, -50, 50);
    }
};

TEST_F(HashQTest, BoundsDepthsAndMateBand)
{
    struct Case {
        int bound, storedDepth, score, depth, expected;
    };
    const Case cases[] = {
        {BOUND_EXACT, 0, 12, 0, 12},  {BOUND_EXACT, -1, 12, 0, HASH_UNUSABLE}, {BOUND_EXACT, 0, 12, -1, 12},
        {BOUND_UPPER, 0, -40, 0, HASH_UNUSABLE}, {BOUND_LOWER, 0, 50, 0, 50}, {BOUND_NONE, 0, 0, 0, HASH_UNUSABLE},
        {BOUND_EXACT, -40, 3, -33, 3},  // deep depths are clamped to -32, not wrapped
        {BOUND_EXACT, -40, 3, -1, HASH_UNUSABLE},
    };
    HashQEntry e{};
    for (const Case& c : cases) {
        EXPECT_EQ(storeAndProbe(0x1000 + uint64_t(c.score) * 7 + c.bound, c.storedDepth, c.bound, c.score, c.depth, 4, 4,
                                e),
                  c.expected)
            << c.bound << " " << c.score;
        EXPECT_EQ(e.move, 0x00221A0Au);
    }
    // A mate found 120 plies from the root is still a mate: 128 plies wide.
    qThread.current->key = 0x333;
    storeHashQ(qThread, 0, 100, BOUND_EXACT, 19880, 0);
    EXPECT_EQ(probeHashQ(qThread, e, 0, 30, -30000, 30000), 19950);
    storeHashQ(qThread, 0, 100, BOUND_EXACT, 19871, 0);  // below the band: unchanged
    EXPECT_EQ(probeHashQ(qThread, e, 0, 30, -30000, 30000), 19871);
}

TEST_F(HashQTest, SlotHoldsOneKeyLastStoreWins)
{
    HashQEntry e{};
    storeAndProbe(0x10007, 0, BOUND_EXACT, 5, 0, 1, 1, e);
    EXPECT_EQ(storeAndProbe(0x20007, 0, BOUND_EXACT, 6, 0, 1, 1, e), 6);  // same slot
    qThread.current->key = 0x10007;
    EXPECT_EQ(probeHashQ(qThread, e, 0, 1, -100, 100), HASH_MISS);
}

TEST(HashQLifeCycle, WithoutATableEverythingMisses)
{
    static SearchThread t;
    std::memset(&t.positions[0], 0, sizeof(Position));
    t.current = &t.positions[0];
    storeHashQ(t, 0, 1, BOUND_EXACT, 1, 0);
    clearHashQ(t);
    HashQEntry e{};
    EXPECT_EQ(probeHashQ(t, e, 0, 1, -100, 100), HASH_MISS);
    EXPECT_TRUE(allocHashQ(t, 1 << 10));
    freeHashQ(t);
    EXPECT_EQ(t.hashQ, nullptr);
}

}  // namespace
