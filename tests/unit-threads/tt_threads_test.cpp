// The shared table under concurrent stores and probes: entries mixed from two
// writers must read as misses, never as wrong hits. In the ThreadSanitizer
// build this also shows that the lock-free accesses are race-free.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "search/tt.h"

namespace {

constexpr int KEYS = 64;
constexpr int ROUNDS = 2000000;

// Every field of a key's entry is derived from the key, so a probe can tell
// whether the data it got belongs to it.
uint64_t testKey(int i) { return (uint64_t(i) * 0x9E3779B97F4A7C15ULL) | 1; }
int scoreOf(uint64_t key) { return int(key % 2001) - 1000; }
int depthOf(uint64_t key) { return int((key >> 20) % 60) + 1; }
Move moveOf(uint64_t key) { return Move(key >> 32) | 1; }

TranspositionTable tt{};
std::atomic<int> wrongHits{0};
std::atomic<int> ready{0};

void hammer(int offset)
{
    // Both threads start together so that their stores really interleave.
    ready.fetch_add(1);
    while (ready.load() < 2) {
    }
    Position pos;
    std::memset(&pos, 0, sizeof pos);
    for (int round = 0; round < ROUNDS; round++) {
        uint64_t key = testKey((round * 7 + offset) % KEYS);
        pos.key = key;
        storeHash(tt, pos, depthOf(key), 0, BOUND_EXACT, scoreOf(key), moveOf(key));
        pos.key = testKey((round * 13 + offset * 5) % KEYS);
        uint64_t data = 0;
        int s = probeHash(tt, pos, data, 0, 0, -30000, 30000);
        if (s != HASH_MISS && (s != scoreOf(pos.key) || ttDepth(data) != depthOf(pos.key) || ttMove(data) != moveOf(pos.key)))
            wrongHits.fetch_add(1);
    }
}

TEST(TTThreads, ConcurrentStoresNeverGiveAWrongHit)
{
    ASSERT_TRUE(allocHashTable(tt, 8).ok);  // few buckets: the writers collide constantly
    tt.age = 1;
    std::thread a(hammer, 0), b(hammer, 1);
    a.join();
    b.join();
    EXPECT_EQ(wrongHits.load(), 0);
    freeHashTable(tt);
}

}  // namespace
