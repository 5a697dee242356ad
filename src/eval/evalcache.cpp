#include "eval/evalcache.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

int allocHashEval(SearchThread& thread, uint64_t entries, long sizeMb, bool verbose, int threadNumber)
{
    freeHashEval(thread);
    // A count that is not a power of two would make the mask address entries
    // outside the block.
    bool validCount = entries != 0 && (entries & (entries - 1)) == 0;
    void* block = validCount ? std::calloc(entries, sizeof(HashEvalEntry)) : nullptr;
    if (!block) {
        std::printf("HashEval Table Memory Allocation Failed!\n");
        std::fflush(stdout);
        return 0;
    }
    thread.hashEval = static_cast<HashEvalEntry*>(block);
    thread.hashEvalMask = entries - 1;
    if (verbose) {
        std::printf("Allocated %5i MB for the HashEval Table for Thread %i\n", int(sizeMb), threadNumber);
        std::fflush(stdout);
    }
    return 1;
}

void freeHashEval(SearchThread& thread)
{
    std::free(thread.hashEval);
    thread.hashEval = nullptr;
    thread.hashEvalMask = 0;
}

void clearHashEval(SearchThread& thread)
{
    if (thread.hashEval)
        std::memset(static_cast<void*>(thread.hashEval), 0, (thread.hashEvalMask + 1) * sizeof(HashEvalEntry));
}
