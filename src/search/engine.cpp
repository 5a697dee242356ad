// Creation and release of an engine, its hash tables, and the new-game
// clearing.
#include "search/engine.h"

#include <cstring>

#include "eval/evalcache.h"
#include "search/hashq.h"

// The records that own per-thread tables: the front end's and the search threads'.
namespace {

SearchThread* threadRecord(Engine& e, int number) { return number == 0 ? &e.mainThread : &e.searchThreads[number - 1]; }

} // namespace

void allocAllTables(Engine& engine, const TableSizes& sizes)
{
    allocHashTable(engine.tt, sizes.ttEntries, sizes.ttSizeMb, sizes.largePages);
    int threads = sizes.threads < 1 ? 1 : sizes.threads > MAX_THREADS ? MAX_THREADS : sizes.threads;
    for (int i = 0; i <= threads; i++)
        allocHashEval(threadRecord(engine, i)->evalCache, sizes.hashEvalEntries, sizes.hashEvalSizeMb, i != 0, i);
    for (int i = 0; i <= threads; i++)
        allocHashQ(*threadRecord(engine, i), sizes.hashQEntries, sizes.hashQSizeMb, i != 0, i);
}

void allocThreadTables(Engine& engine, const TableSizes& sizes)
{
    int threads = sizes.threads < 1 ? 1 : sizes.threads > MAX_THREADS ? MAX_THREADS : sizes.threads;
    for (int i = 1; i <= threads; i++)
        allocHashEval(threadRecord(engine, i)->evalCache, sizes.hashEvalEntries, sizes.hashEvalSizeMb, true, i);
    for (int i = 1; i <= threads; i++)
        allocHashQ(*threadRecord(engine, i), sizes.hashQEntries, sizes.hashQSizeMb, true, i);
    for (int i = threads + 1; i <= MAX_THREADS; i++) {
        freeHashEval(threadRecord(engine, i)->evalCache);
        freeHashQ(*threadRecord(engine, i));
    }
}

void clearAllTables(Engine& engine)
{
    engine.tt.age = 0;
    clearHashTable(engine.tt);
    for (int i = 0; i <= MAX_THREADS; i++) {
        clearHashEval(threadRecord(engine, i)->evalCache);
        clearHashQ(*threadRecord(engine, i));
    }
}

void freeAllTables(Engine& engine)
{
    freeHashTable(engine.tt);
    for (int i = 0; i <= MAX_THREADS; i++) {
        freeHashEval(threadRecord(engine, i)->evalCache);
        freeHashQ(*threadRecord(engine, i));
    }
}

Engine* createEngine()
{
    Engine* e = new Engine();
    e->mainThread.engine = e;
    for (SearchThread& t : e->searchThreads)
        t.engine = e;
    e->timer.flags = &e->flags;
    e->pool.threads = 1;
    return e;
}

void destroyEngine(Engine* engine)
{
    if (!engine)
        return;
    freeAllTables(*engine);
    freeTablebases(engine->tablebases);
    delete engine;
}

static void clearOrderingTables(SearchThread& t)
{
    std::memset(t.killers, 0, sizeof t.killers);
    std::memset(t.history, 0, sizeof t.history);
    std::memset(t.counterMoves, 0, sizeof t.counterMoves);
}

void clearSearchState(Engine& engine)
{
    engine.tt.age = 0;
    clearOrderingTables(engine.mainThread);
    for (SearchThread& t : engine.searchThreads)
        clearOrderingTables(t);
}
