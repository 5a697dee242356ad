// HashEval: each search record's private cache of static evaluations, keyed by
// the full position key. Private to one thread, so no locks; an entry is
// always replaced on store.
#pragma once

#include <cstdint>

#include "search/searchthread.h"

struct HashEvalEntry {
    uint64_t key;
    int16_t score;
};
static_assert(sizeof(HashEvalEntry) == 16, "the size rule counts 16 bytes per entry");

// Releases the record's table, then allocates `entries` zeroed entries (a
// power of two). On failure prints the failure line and leaves the record
// without a table. Returns 1 on success, 0 on failure.
int allocHashEval(SearchThread& thread, uint64_t entries, long sizeMb, bool verbose, int threadNumber);
void freeHashEval(SearchThread& thread);
// Zeroes every entry of the record's table (nothing when it has none).
void clearHashEval(SearchThread& thread);

// The cached score of `key`, or HASH_MISS. The record must have a table.
inline int probeHashEval(const SearchThread& thread, uint64_t key)
{
    const HashEvalEntry& e = thread.hashEval[key & thread.hashEvalMask];
    return e.key == key ? e.score : HASH_MISS;
}

inline void storeHashEval(SearchThread& thread, uint64_t key, int score)
{
    HashEvalEntry& e = thread.hashEval[key & thread.hashEvalMask];
    e.key = key;
    e.score = int16_t(score);
}
