// Fixed-depth runs of the played search from empty tables.
#include "search/benchsearch.h"

#include "position/fen.h"
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

SearchResult searchFromEmptyTables(Engine& engine, const char* fen, SearchSettings settings)
{
    if (!setPositionFromFen(engine.mainThread, fen, nullptr))
        return SearchResult{};
    clearAllTables(engine);
    clearSearchState(engine);
    engine.tt.age = 1;
    engine.flags.stopSearch.store(0);
    engine.flags.abortIteration.store(0);
    return think(engine, settings);
}

SearchResult searchFromEmptyTables(Engine& engine, const char* fen, int depth, bool classic)
{
    SearchSettings settings;
    settings.threads = 1;
    settings.maxDepth = depth;
    settings.classic = classic;
    return searchFromEmptyTables(engine, fen, settings);
}
