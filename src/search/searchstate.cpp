// The search records of the front end and the search threads, the stop flags,
// the TT age and the cut-off counters, and the new-game clearing.
#include "search/searchstate.h"

#include <cstring>

#include "search/searchthread.h"

SearchThread mainThread;
SearchThread searchThreads[MAX_THREADS];
uint8_t hashAge = 0;
std::atomic<uint32_t> stopSearch{0};
std::atomic<uint32_t> abortIteration{0};
std::atomic<uint64_t> failHighs{0};
std::atomic<uint64_t> firstFailHighs{0};

static void clearOrderingTables(SearchThread& t)
{
    std::memset(t.killers, 0, sizeof t.killers);
    std::memset(t.history, 0, sizeof t.history);
    std::memset(t.counterMoves, 0, sizeof t.counterMoves);
}

void clearSearchState()
{
    hashAge = 0;
    clearOrderingTables(mainThread);
    for (SearchThread& t : searchThreads)
        clearOrderingTables(t);
}
