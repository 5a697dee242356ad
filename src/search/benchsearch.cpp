// Fixed-depth runs of the played search from empty tables.
#include "search/benchsearch.h"

#include "position/fen.h"
#include "search/searchstate.h"
#include "search/searchthread.h"
#include "search/think.h"

static long mebibytes(uint64_t entries)
{
    const long mb = long((entries * 16) >> 20);
    return mb > 0 ? mb : 1;
}

TableSizes tableSizesOfEntries(int threads, uint64_t ttEntries, uint64_t cacheEntries)
{
    TableSizes sizes{};
    sizes.threads = threads;
    sizes.largePages = false;
    sizes.ttEntries = ttEntries;
    sizes.ttSizeMb = mebibytes(ttEntries);
    sizes.hashEvalEntries = sizes.hashQEntries = cacheEntries;
    sizes.hashEvalSizeMb = sizes.hashQSizeMb = mebibytes(cacheEntries);
    return sizes;
}

SearchResult searchFromEmptyTables(SearchThread& front, const char* fen, SearchSettings settings)
{
    if (!setPositionFromFen(front, fen, nullptr))
        return SearchResult{};
    clearAllTables();
    clearSearchState();
    hashAge = 1;
    stopSearch.store(0);
    abortIteration.store(0);
    settings.output = OutputMode::Silent;
    return think(front, settings);
}

SearchResult searchFromEmptyTables(SearchThread& front, const char* fen, int depth)
{
    SearchSettings settings;
    settings.threads = 1;
    settings.maxDepth = depth;
    return searchFromEmptyTables(front, fen, settings);
}
