// Allocation, clearing and release of all hash tables at once.
#include "search/tables.h"

#include "eval/evalcache.h"
#include "eval/params.h"
#include "search/hashq.h"
#include "search/searchstate.h"
#include "search/searchthread.h"
#include "search/tt.h"

// The records that own per-thread tables: the front end's and the search threads'.
namespace {

SearchThread* threadRecord(int number) { return number == 0 ? &mainThread : &searchThreads[number - 1]; }

} // namespace

void allocAllTables(const TableSizes& sizes)
{
    allocHashTable(sizes.ttEntries, sizes.ttSizeMb, sizes.largePages);
    int threads = sizes.threads < 1 ? 1 : sizes.threads > MAX_THREADS ? MAX_THREADS : sizes.threads;
    for (int i = 0; i <= threads; i++)
        allocHashEval(threadRecord(i)->evalCache, sizes.hashEvalEntries, sizes.hashEvalSizeMb, i != 0, i);
    for (int i = 0; i <= threads; i++)
        allocHashQ(*threadRecord(i), sizes.hashQEntries, sizes.hashQSizeMb, i != 0, i);
}

void allocThreadTables(const TableSizes& sizes)
{
    int threads = sizes.threads < 1 ? 1 : sizes.threads > MAX_THREADS ? MAX_THREADS : sizes.threads;
    for (int i = 1; i <= threads; i++)
        allocHashEval(threadRecord(i)->evalCache, sizes.hashEvalEntries, sizes.hashEvalSizeMb, true, i);
    for (int i = 1; i <= threads; i++)
        allocHashQ(*threadRecord(i), sizes.hashQEntries, sizes.hashQSizeMb, true, i);
    for (int i = threads + 1; i <= MAX_THREADS; i++) {
        freeHashEval(threadRecord(i)->evalCache);
        freeHashQ(*threadRecord(i));
    }
}

void clearAllTables()
{
    hashAge = 0;
    clearHashTable(ttEntries);
    for (int i = 0; i <= MAX_THREADS; i++) {
        clearHashEval(threadRecord(i)->evalCache);
        clearHashQ(*threadRecord(i));
    }
}

void selectEvaluation(bool classic)
{
    const bool changed = classic != evalIsClassic();
    setEvalMode(classic);
    if (changed)
        clearAllTables();
}

void freeAllTables()
{
    freeHashTable();
    for (int i = 0; i <= MAX_THREADS; i++) {
        freeHashEval(threadRecord(i)->evalCache);
        freeHashQ(*threadRecord(i));
    }
}
