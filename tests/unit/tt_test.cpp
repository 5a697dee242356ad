// Transposition table: bucket replacement, kept moves, mate scores, bounds,
// generations, torn entries and the table's life cycle.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "position/fen.h"
#include "position/stack.h"
#include "search/benchsearch.h"
#include "search/engine.h"
#include "search/tt.h"
#include "sent_text.h"

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
        testing::internal::CaptureStdout();
        ASSERT_TRUE(allocHashTable(tt, ENTRIES).ok);
        testing::internal::GetCapturedStdout();
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

TEST_F(TTTest, MateScoresAreStoredRelativeToTheNode)
{
    Position p = positionWithKey(0x777);
    uint64_t data;
    storeHash(tt, p, 4, 7, BOUND_EXACT, 19990, 0);
    probeHash(tt, p, data, 0, 0, 0, 0);
    EXPECT_EQ(ttScore(data), 19997);
    EXPECT_EQ(probeHash(tt, p, data, 4, 3, -30000, 30000), 19994);

    storeHash(tt, p, 4, 7, BOUND_EXACT, -19990, 0);
    probeHash(tt, p, data, 0, 0, 0, 0);
    EXPECT_EQ(ttScore(data), -19997);
    EXPECT_EQ(probeHash(tt, p, data, 4, 3, -30000, 30000), -19994);

    // Just outside the band: not converted.
    storeHash(tt, p, 4, 7, BOUND_EXACT, 19935, 0);
    EXPECT_EQ(probeHash(tt, p, data, 4, 3, -30000, 30000), 19935);
    storeHash(tt, p, 4, 7, BOUND_EXACT, -19935, 0);
    EXPECT_EQ(probeHash(tt, p, data, 4, 3, -30000, 30000), -19935);
}

TEST_F(TTTest, StoreWithoutMoveKeepsTheMoveOfTheSamePosition)
{
    Position p = positionWithKey(keyInBucket(8, 0));
    storeHash(tt, p, 3, 0, BOUND_LOWER, 50, 0x00120A02);
    storeHash(tt, p, 6, 0, BOUND_UPPER, -20, 0);
    uint64_t data;
    probeHash(tt, p, data, 0, 0, 0, 0);
    EXPECT_EQ(ttMove(data), 0x00120A02u);
    EXPECT_EQ(ttDepth(data), 6);
    EXPECT_EQ(ttBound(data), BOUND_UPPER);
}

TEST_F(TTTest, StoreWithoutMoveOverAStrangerWritesNoMove)
{
    for (uint64_t i = 0; i < 4; i++)
        storeHash(tt, positionWithKey(keyInBucket(8, i)), 5, 0, BOUND_EXACT, 0, 0x00120A02);
    tt.age = 11;  // all four are now stale
    Position p = positionWithKey(keyInBucket(8, 9));
    storeHash(tt, p, 1, 0, BOUND_EXACT, 0, 0);
    uint64_t data;
    ASSERT_NE(probeHash(tt, p, data, 0, 0, 0, 0), HASH_MISS);
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

TEST_F(TTTest, DepthIsClampedNotWrapped)
{
    Position p = positionWithKey(0x6161);
    uint64_t data;
    storeHash(tt, p, 64, 0, BOUND_EXACT, 5, 0);
    probeHash(tt, p, data, 0, 0, 0, 0);
    EXPECT_EQ(ttDepth(data), 63);
    storeHash(tt, p, -1, 0, BOUND_EXACT, 5, 0);
    EXPECT_EQ(probeHash(tt, p, data, 1, 0, 0, 0), HASH_UNUSABLE);
}

TEST_F(TTTest, AgeWrapsAfter255SearchesWithAnEmptyTable)
{
    tt.age = 0;
    for (int i = 0; i < 255; i++)
        newSearchGeneration(tt);
    EXPECT_EQ(tt.age, 255);
    Position p = positionWithKey(0x9999);
    storeHash(tt, p, 3, 0, BOUND_EXACT, 1, 0);
    uint64_t data;
    ASSERT_NE(probeHash(tt, p, data, 0, 0, 0, 0), HASH_MISS);
    newSearchGeneration(tt);
    EXPECT_EQ(tt.age, 0);
    EXPECT_EQ(probeHash(tt, p, data, 0, 0, 0, 0), HASH_MISS);
}

TEST_F(TTTest, ExplicitIndexVariantsUseThatBucketAndRejectOutOfRange)
{
    uint64_t data;
    storeHashAt(tt, 5, 0x1234, 3, 0, BOUND_EXACT, 77, 0);
    EXPECT_EQ(probeHashAt(tt, 5, 0x1234, data, 3, 0, 0, 0), 77);
    EXPECT_EQ((tt.entries[5].check ^ tt.entries[5].data), 0x1234u);
    storeHashAt(tt, ENTRIES, 0x4321, 3, 0, BOUND_EXACT, 78, 0);  // the last bucket inside the block
    EXPECT_EQ(probeHashAt(tt, ENTRIES, 0x4321, data, 3, 0, 0, 0), 78);
    storeHashAt(tt, ENTRIES + 1, 0x4321, 3, 0, BOUND_EXACT, 79, 0);
    EXPECT_EQ(probeHashAt(tt, ENTRIES + 1, 0x4321, data, 3, 0, 0, 0), HASH_MISS);
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

TEST(TTLifeCycle, PowerOfTwoTableMasksWithItsCount)
{
    ASSERT_TRUE(allocHashTable(tt, uint64_t(1) << 12).ok);
    EXPECT_EQ(tt.count, 4096u);
    EXPECT_EQ(tt.indexMask, 4095u);
    freeHashTable(tt);
    EXPECT_EQ(tt.entries, nullptr);
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

// Large-page mode sizes the block to a power of two of bytes, so N = P/16 - 4.
// Every bucket start must leave its four entries inside the block; AddressSanitizer
// turns a bucket past the end into a failure.
TEST(TTLifeCycle, LargePageBlockKeepsEveryBucketInside)
{
    const uint64_t n = (uint64_t(2) << 20) / 16 - 4;
    const TableAllocation a = allocHashTable(tt, n, true);
    ASSERT_TRUE(a.ok);
    EXPECT_TRUE(a.triedLargePages);
    EXPECT_LE(tt.indexMask, n);
    EXPECT_EQ(tt.indexMask & 3, 0u);
    uint64_t reachedLast = 0;
    for (uint64_t k = 0; k < 200000; k++) {
        uint64_t key = k * 0x9E3779B97F4A7C15ULL;
        reachedLast |= (key & tt.indexMask) == n;
        storeHash(tt, positionWithKey(key), 1, 0, BOUND_EXACT, 0, 0);
    }
    EXPECT_TRUE(reachedLast) << "buckets spread up to the end of the block";
    freeHashTable(tt);
}

}  // namespace

namespace {

// The dump writes to DumpHash/dump.csv below the working directory; the test
// works in a fresh temporary directory and removes it.
TEST(TTLifeCycle, DumpWritesEveryEntryAsCsv)
{
    namespace fs = std::filesystem;
    const fs::path previous = fs::current_path();
    const fs::path dir = fs::temp_directory_path() / ("tt_dump_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    fs::current_path(dir);

    ASSERT_TRUE(allocHashTable(tt, 8).ok);
    tt.age = 3;
    storeHashAt(tt, 2, 0xABCDEF, 7, 0, BOUND_LOWER, -55, makeMoveWord(KIND_PAWN_PUSH, 12, 28));
    EXPECT_EQ(dumpHashTable(tt, tt.count, 1), -1);  // no DumpHash folder yet
    fs::create_directory("DumpHash");
    EXPECT_EQ(dumpHashTable(tt, tt.count, 1), 8);  // moves seen by Black

    std::ifstream in("DumpHash/dump.csv");
    std::stringstream text;
    text << in.rdbuf();
    std::string lines[10];
    int count = 0;
    for (std::string line; std::getline(text, line) && count < 10;)
        lines[count++] = line;
    EXPECT_EQ(count, 9);
    EXPECT_EQ(lines[0], "Key;Score;Depth;Age;Best;Flags;");
    EXPECT_EQ(lines[1], "0;0;0;0;a8a8;0;");  // an empty entry, move 0 seen by Black
    uint64_t data = tt.entries[2].data;
    EXPECT_EQ(lines[3], std::to_string(0xABCDEF ^ data) + ";-55;7;3;e7e5;3;");  // Black's view

    freeHashTable(tt);
    tt.age = 0;
    fs::current_path(previous);
    fs::remove_all(dir);
}

}  // namespace
