// Allocation, release and clearing of an evaluation cache.
#include "eval/evalcache.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"

int allocHashEval(EvalCache& cache, uint64_t entries, long sizeMb, bool verbose, int threadNumber)
{
    freeHashEval(cache);
    // A count that is not a power of two would make the mask address entries
    // outside the block.
    bool validCount = entries != 0 && (entries & (entries - 1)) == 0;
    void* block = validCount && entries <= SIZE_MAX / sizeof(HashEvalEntry)
                      ? allocTable(entries * sizeof(HashEvalEntry))
                      : nullptr;
    if (!block) {
        std::printf("HashEval Table Memory Allocation Failed!\n");
        std::fflush(stdout);
        return 0;
    }
    cache.entries = static_cast<HashEvalEntry*>(block);
    cache.mask = entries - 1;
    if (verbose) {
        std::printf("Allocated %5i MB for the HashEval Table for Thread %i\n", int(sizeMb), threadNumber);
        std::fflush(stdout);
    }
    return 1;
}

void freeHashEval(EvalCache& cache)
{
    freeTable(cache.entries);
    cache.entries = nullptr;
    cache.mask = 0;
}

void clearHashEval(EvalCache& cache)
{
    if (cache.entries)
        std::memset(static_cast<void*>(cache.entries), 0, (cache.mask + 1) * sizeof(HashEvalEntry));
}
