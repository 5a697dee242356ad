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

// The pawn-structure part of an evaluation: both sides' pawn terms (ours
// minus theirs) and each side's king-file danger. They depend on the pawns,
// the kings and the side to move only, which is what the pawn key covers.
struct PawnCacheEntry {
    uint64_t pawnKey;
    int16_t mg, eg;
    uint8_t ourDanger, theirDanger;
};
static_assert(sizeof(PawnCacheEntry) == 16, "pawn entries are 16 bytes");

// A pawn table has one entry per PAWN_CACHE_RATIO evaluation entries, at
// most PAWN_CACHE_MAX_ENTRIES (256 KiB).
constexpr uint64_t PAWN_CACHE_RATIO = 64;
constexpr uint64_t PAWN_CACHE_MAX_ENTRIES = uint64_t(1) << 14;

// One thread's tables; entries is null when it has none (never allocated, or
// the allocation failed), and so is pawns.
struct EvalCache {
    HashEvalEntry* entries;
    uint64_t mask;  // entry count - 1; unused when entries is null
    PawnCacheEntry* pawns;
    uint64_t pawnMask;
};

// Releases the cache's tables, then allocates `entries` zeroed entries (a
// power of two) and the pawn table that goes with them. On failure leaves the
// cache without tables and returns false (the caller reports it).
bool allocHashEval(EvalCache& cache, uint64_t entries);
void freeHashEval(EvalCache& cache);
// Zeroes every entry of the cache's tables (nothing when it has none).
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
