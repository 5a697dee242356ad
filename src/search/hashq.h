// HashQ: the quiescence search's per-thread cache, a direct-mapped table that
// only its own thread touches, so it needs no lock and no check word.
#pragma once

#include <cstdint>

#include "search/bounds.h"
#include "search/searchthread.h"

// 16 bytes, as the table's size rule counts them, so a slot never crosses a
// cache line.
struct HashQEntry {
    uint64_t key;       // full hash key of the position
    Move move;
    int16_t score;      // mate scores relative to the storing node
    int8_t depth : 6;   // quiescence depth of the store: 0, -1, ... (clamped at -32)
    uint8_t bound : 2;
};
static_assert(sizeof(HashQEntry) == 16, "HashQ entries are 16 bytes");


// Frees the record's previous block, then allocates `entries` zeroed entries
// (rounded down to a power of two). On failure returns false (the caller
// reports it) and leaves the record without a cache, which the search then
// simply does without.
bool allocHashQ(SearchThread& t, uint64_t entries);
void clearHashQ(SearchThread& t);
void freeHashQ(SearchThread& t);

// HASH_MISS when the slot holds another key; otherwise `entry` receives the
// slot and the result is a usable score or HASH_UNUSABLE.
int probeHashQ(const SearchThread& t, HashQEntry& entry, int depth, int ply, int alpha, int beta);
// Starts loading the slot of `key` into the cache ahead of its probe.
inline void prefetchHashQ(const SearchThread& t, uint64_t key)
{
    if (t.hashQ)
        __builtin_prefetch(t.hashQ + (key & t.hashQMask));
}
// Overwrites the slot unconditionally.
void storeHashQ(SearchThread& t, int depth, int ply, int bound, int score, Move move);
