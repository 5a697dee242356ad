// HashEval: a cache of static evaluations keyed by the full position key.
// Every search thread owns one, so no locks; an entry is always replaced on
// store.
#pragma once

#include <cstdint>

#include "position/types.h"

struct HashEvalEntry {
    uint64_t key;
    int16_t score;
};
static_assert(sizeof(HashEvalEntry) == 16, "the size rule counts 16 bytes per entry");

// One thread's table; entries is null when it has none (never allocated, or
// the allocation failed).
struct EvalCache {
    HashEvalEntry* entries;
    uint64_t mask;  // entry count - 1; unused when entries is null
};

// Releases the cache's table, then allocates `entries` zeroed entries (a
// power of two). On failure prints the failure line and leaves the cache
// without a table. Returns 1 on success, 0 on failure.
int allocHashEval(EvalCache& cache, uint64_t entries, long sizeMb, bool verbose, int threadNumber);
void freeHashEval(EvalCache& cache);
// Zeroes every entry of the cache's table (nothing when it has none).
void clearHashEval(EvalCache& cache);

// The cached score of `key`, or HASH_MISS. The cache must have a table.
inline int probeHashEval(const EvalCache& cache, uint64_t key)
{
    const HashEvalEntry& e = cache.entries[key & cache.mask];
    return e.key == key ? e.score : HASH_MISS;
}

// Starts loading the entry of `key` into the cache ahead of its probe.
inline void prefetchHashEval(const EvalCache& cache, uint64_t key)
{
    if (cache.entries)
        __builtin_prefetch(cache.entries + (key & cache.mask));
}

inline void storeHashEval(EvalCache& cache, uint64_t key, int score)
{
    HashEvalEntry& e = cache.entries[key & cache.mask];
    e.key = key;
    e.score = int16_t(score);
}
