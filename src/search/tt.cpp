// Transposition table: allocation (plain or huge pages), probe, store with the
// four-entry bucket replacement rule, and search generations.
#include "search/tt.h"

#include <atomic>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "position/fen.h"

// Threads read and write entries concurrently. Relaxed 64-bit atomic accesses
// compile to plain moves on x86-64 and make the torn-entry check well-defined.
static inline uint64_t loadWord(uint64_t& w) { return std::atomic_ref<uint64_t>(w).load(std::memory_order_relaxed); }
static inline void storeWord(uint64_t& w, uint64_t v) { std::atomic_ref<uint64_t>(w).store(v, std::memory_order_relaxed); }

static bool isPowerOfTwo(uint64_t n) { return n != 0 && (n & (n - 1)) == 0; }

// The bucket start must stay at or below N so that its four entries lie inside
// the N + 4 allocated. With N a power of two that is key AND (N - 1). In
// large-page mode N + 4 is the power of two; masking with N itself (low two
// bits clear) then gives cache-line-aligned buckets spread over the whole block.
static uint64_t indexMaskFor(uint64_t n)
{
    if (isPowerOfTwo(n))
        return n - 1;
    if (isPowerOfTwo(n + 4))
        return n;
    uint64_t p = 1;
    while (p * 2 <= n)
        p *= 2;
    return p - 1;
}

static void releaseBlock(TranspositionTable& tt)
{
    if (!tt.entries)
        return;
    if (tt.largePages)
        freeLargePages(tt.entries, tt.bytes, tt.explicitHuge);
    else
        freeTable(tt.entries, tt.bytes);
    tt.entries = nullptr;
    tt.count = 0;
    tt.indexMask = 0;
    tt.bytes = 0;
}

TableAllocation allocHashTable(TranspositionTable& tt, uint64_t entries, bool largePages)
{
    releaseBlock(tt);
    TableAllocation a{false, false, false};
    void* p = nullptr;
    size_t bytes = 0;
    if (entries != 0 && entries <= SIZE_MAX / sizeof(TTEntry) - 4) {
        bytes = size_t(entries + 4) * sizeof(TTEntry);
        a.triedLargePages = largePages;
        p = largePages ? allocLargePages(bytes, a.explicitHuge) : allocTable(bytes);
    }
    if (!p)
        return a;
    if (largePages)
        std::memset(p, 0, bytes);  // allocTable's blocks come zeroed
    tt.entries = static_cast<TTEntry*>(p);
    tt.count = entries;
    tt.indexMask = indexMaskFor(entries);
    tt.bytes = bytes;
    tt.largePages = largePages;
    tt.explicitHuge = a.explicitHuge;
    a.ok = true;
    return a;
}

void clearHashTable(TranspositionTable& tt, uint64_t entries)
{
    if (!tt.entries)
        return;
    size_t bytes = entries < tt.count ? size_t(entries + 4) * sizeof(TTEntry) : tt.bytes;
    std::memset(static_cast<void*>(tt.entries), 0, bytes);
}

void freeHashTable(TranspositionTable& tt) { releaseBlock(tt); }

static int probeBucket(TTEntry* bucket, uint64_t key, uint64_t& data, int depth, int ply, int alpha, int beta)
{
    for (int i = 0; i < 4; i++) {
        uint64_t d = loadWord(bucket[i].data);
        uint64_t c = loadWord(bucket[i].check);
        if ((c ^ d) != key)
            continue;
        data = d;
        if (ttDepth(d) < depth)
            return HASH_UNUSABLE;
        return usableScore(scoreFromTable(ttScore(d), ply, MATE_BAND), ttBound(d), alpha, beta);
    }
    return HASH_MISS;
}

static void storeBucket(TTEntry* bucket, uint8_t currentAge, uint64_t key, int depth, int ply, int bound, int score,
                        Move move)
{
    int target = -1;
    int stale = -1;
    int staleAge = 256;
    for (int i = 0; i < 4; i++) {
        uint64_t d = loadWord(bucket[i].data);
        uint64_t c = loadWord(bucket[i].check);
        if (c == 0 || (c ^ d) == key) {
            target = i;
            // Keep the move of this position (or of nothing) when we have none.
            if (move == 0 && c != 0)
                move = ttMove(d);
            break;
        }
        int age = ttAge(d);
        if (age != currentAge && age < staleAge) {
            stale = i;
            staleAge = age;
        }
    }
    if (target < 0)
        target = stale;
    if (target < 0) {
        // All four are strangers of this search: the shallowest goes, the earliest on ties.
        target = 0;
        for (int i = 1; i < 4; i++)
            if (ttDepth(loadWord(bucket[i].data)) < ttDepth(loadWord(bucket[target].data)))
                target = i;
    }
    score = scoreToTable(score, ply, MATE_BAND);
    // Depth is clamped, not wrapped: a wrapped negative or oversized depth
    // would claim a search it never made.
    uint64_t storedDepth = uint64_t(depth < 0 ? 0 : depth > 63 ? 63 : depth);
    uint64_t data = uint64_t(move) << 32 | uint64_t(uint16_t(score)) << 16 | uint64_t(currentAge) << 8
                  | uint64_t(bound & 3) << 6 | storedDepth;
    storeWord(bucket[target].data, data);
    storeWord(bucket[target].check, key ^ data);
}

int probeHash(const TranspositionTable& tt, const Position& pos, uint64_t& data, int depth, int ply, int alpha,
              int beta)
{
    if (!tt.entries)
        return HASH_MISS;
    return probeBucket(tt.entries + (pos.key & tt.indexMask), pos.key, data, depth, ply, alpha, beta);
}

void storeHash(TranspositionTable& tt, const Position& pos, int depth, int ply, int bound, int score, Move move)
{
    if (!tt.entries)
        return;
    storeBucket(tt.entries + (pos.key & tt.indexMask), tt.age, pos.key, depth, ply, bound, score, move);
}

int probeHashAt(const TranspositionTable& tt, uint64_t index, uint64_t key, uint64_t& data, int depth, int ply,
                int alpha, int beta)
{
    if (!tt.entries || index > tt.count)
        return HASH_MISS;
    return probeBucket(tt.entries + index, key, data, depth, ply, alpha, beta);
}

void storeHashAt(TranspositionTable& tt, uint64_t index, uint64_t key, int depth, int ply, int bound, int score,
                 Move move)
{
    if (!tt.entries || index > tt.count)
        return;
    storeBucket(tt.entries + index, tt.age, key, depth, ply, bound, score, move);
}

int64_t dumpHashTable(const TranspositionTable& tt, uint64_t entries, const Position& game)
{
    std::FILE* f = std::fopen("DumpHash/dump.csv", "w");
    if (!f)
        return -1;
    if (!tt.entries || entries > tt.count)
        entries = tt.entries ? tt.count : 0;
    std::fprintf(f, "Key;Score;Depth;Age;Best;Flags;\n");
    for (uint64_t i = 0; i < entries; i++) {
        const uint64_t check = loadWord(tt.entries[i].check), data = loadWord(tt.entries[i].data);
        char move[MOVE_TEXT_SIZE];
        moveToText(move, ttMove(data), int(game.sideToMove), game.chess960);
        std::fprintf(f, "%" PRIu64 ";%i;%i;%i;%s;%i;\n", check, ttScore(data), ttDepth(data), ttAge(data), move,
                     ttBound(data));
    }
    std::fclose(f);
    return int64_t(entries);
}

void newSearchGeneration(TranspositionTable& tt)
{
    if (tt.age < 255) {
        tt.age++;
    } else {
        tt.age = 0;
        clearHashTable(tt);
    }
}
