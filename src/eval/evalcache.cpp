// Allocation, release and clearing of an evaluation cache.
#include "eval/evalcache.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"

bool allocHashEval(EvalCache& cache, uint64_t entries)
{
    freeHashEval(cache);
    // A count that is not a power of two would make the mask address entries
    // outside the block.
    bool validCount = entries != 0 && (entries & (entries - 1)) == 0;
    void* block = validCount && entries <= SIZE_MAX / sizeof(HashEvalEntry)
                      ? allocTable(entries * sizeof(HashEvalEntry))
                      : nullptr;
    const uint64_t pawnEntries = std::clamp<uint64_t>(entries / PAWN_CACHE_RATIO, 1, PAWN_CACHE_MAX_ENTRIES);
    void* pawnBlock = block ? allocTable(pawnEntries * sizeof(PawnCacheEntry)) : nullptr;
    if (!pawnBlock) {
        freeTable(block, entries * sizeof(HashEvalEntry));
        return false;
    }
    cache.entries = static_cast<HashEvalEntry*>(block);
    cache.mask = entries - 1;
    cache.pawns = static_cast<PawnCacheEntry*>(pawnBlock);
    cache.pawnMask = pawnEntries - 1;
    return true;
}

void freeHashEval(EvalCache& cache)
{
    if (cache.entries) {
        freeTable(cache.entries, (cache.mask + 1) * sizeof(HashEvalEntry));
        freeTable(cache.pawns, (cache.pawnMask + 1) * sizeof(PawnCacheEntry));
    }
    cache.entries = nullptr;
    cache.mask = 0;
    cache.pawns = nullptr;
    cache.pawnMask = 0;
}

void clearHashEval(EvalCache& cache)
{
    if (cache.entries) {
        std::memset(static_cast<void*>(cache.entries), 0, (cache.mask + 1) * sizeof(HashEvalEntry));
        std::memset(static_cast<void*>(cache.pawns), 0, (cache.pawnMask + 1) * sizeof(PawnCacheEntry));
    }
}
