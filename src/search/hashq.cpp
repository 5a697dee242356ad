// HashQ allocation, probe and store.
#include "search/hashq.h"

#include <cstdlib>
#include <cstring>

#include "platform/platform.h"

bool allocHashQ(SearchThread& t, uint64_t entries)
{
    freeHashQ(t);
    while (entries & (entries - 1))
        entries &= entries - 1;  // keep the highest bit: the slot index is a mask
    void* p = entries && entries <= SIZE_MAX / sizeof(HashQEntry) ? allocTable(entries * sizeof(HashQEntry)) : nullptr;
    if (!p)
        return false;
    t.hashQ = static_cast<HashQEntry*>(p);
    t.hashQMask = entries - 1;
    return true;
}

void clearHashQ(SearchThread& t)
{
    if (t.hashQ)
        std::memset(static_cast<void*>(t.hashQ), 0, (t.hashQMask + 1) * sizeof(HashQEntry));
}

void freeHashQ(SearchThread& t)
{
    freeTable(t.hashQ, t.hashQ ? (t.hashQMask + 1) * sizeof(HashQEntry) : 0);
    t.hashQ = nullptr;
    t.hashQMask = 0;
}

int probeHashQ(const SearchThread& t, HashQEntry& entry, int depth, int ply, int alpha, int beta)
{
    if (!t.hashQ)
        return HASH_MISS;
    uint64_t key = t.current->key;
    const HashQEntry& e = t.hashQ[key & t.hashQMask];
    if (e.key != key)
        return HASH_MISS;
    entry = e;
    if (e.depth < depth)
        return HASH_UNUSABLE;
    return usableScore(scoreFromTable(e.score, ply, QS_MATE_BAND), int(e.bound), alpha, beta);
}

void storeHashQ(SearchThread& t, int depth, int ply, int bound, int score, Move move)
{
    if (!t.hashQ)
        return;
    uint64_t key = t.current->key;
    HashQEntry& e = t.hashQ[key & t.hashQMask];
    e.key = key;
    // Below -32 the 6-bit field would wrap to a large positive depth. Every
    // depth below -1 searches the same way (captures only), so -32 is exact.
    e.depth = int8_t(depth < -32 ? -32 : depth > 31 ? 31 : depth);
    e.bound = uint8_t(bound & 3);
    e.score = int16_t(scoreToTable(score, ply, QS_MATE_BAND));
    e.move = move;
}
