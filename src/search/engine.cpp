// Creation and release of an engine, its hash tables, and the new-game
// clearing.
#include "search/engine.h"

#include <cstring>

#include "eval/evalcache.h"
#include "eval/params.h"
#include "platform/platform.h"
#include "search/hashq.h"

// The records that own per-thread tables: the front end's and the search threads'.
namespace {

SearchThread* threadRecord(Engine& e, int number) { return number == 0 ? &e.mainThread : &e.searchThreads[number - 1]; }

int threadCount(const TableSizes& sizes)
{
    return sizes.threads < 1 ? 1 : sizes.threads > MAX_THREADS ? MAX_THREADS : sizes.threads;
}

// A record's HashEval (number 0 unannounced).
void allocRecordEval(Engine& engine, SearchThread& record, int number, const TableSizes& sizes)
{
    const LineSink messages = messageSink(engine.reporter);
    if (!allocHashEval(record.evalCache, sizes.hashEvalEntries))
        sendText(messages, "HashEval Table Memory Allocation Failed!\n");
    else if (number != 0)
        sendFormatted(messages, "Allocated %5i MB for the HashEval Table for Thread %i\n", int(sizes.hashEvalSizeMb),
                      number);
}

// A record's HashQ (number 0 unannounced).
void allocRecordQ(Engine& engine, SearchThread& record, int number, const TableSizes& sizes)
{
    const LineSink messages = messageSink(engine.reporter);
    if (!allocHashQ(record, sizes.hashQEntries))
        sendText(messages, "HashQ Table Memory Allocation Failed!\n");
    else if (number != 0)
        sendFormatted(messages, "Allocated %5i MB for the HashQ Table for Thread %i\n", int(sizes.hashQSizeMb), number);
}

} // namespace

bool allocEngineTable(Engine& engine, uint64_t entries, long sizeMb, bool largePages)
{
    const LineSink messages = messageSink(engine.reporter);
    const TableAllocation a = allocHashTable(engine.tt, entries, largePages);
    if (a.triedLargePages) {
        sendText(messages, "\nLarge Page hash table allocator used.\n");
        sendFormatted(messages, "LargePageMinimun: %llu MB\n", (unsigned long long)(largePageSizeBytes() >> 20));
    }
    if (a.triedLargePages && a.ok && !a.explicitHuge) {
        if (largePageSizeBytes() == 0)
            sendText(messages, "This system reports no huge page size; the table uses ordinary pages.\n");
        else
            sendText(messages, "No free explicit huge pages (reserve some with 'sysctl vm.nr_hugepages=N'); "
                               "the table is aligned and advised for transparent huge pages instead.\n");
    }
    if (!a.ok) {
        sendText(messages, "Hash Table Memory Allocation Failed!\n");
        return false;
    }
    sendFormatted(messages, "Allocated %5i MB for the Hash Table\n", int(sizeMb));
    return true;
}

void allocRecordCaches(Engine& engine, SearchThread& record, int number, const TableSizes& sizes)
{
    allocRecordEval(engine, record, number, sizes);
    allocRecordQ(engine, record, number, sizes);
}

void allocAllTables(Engine& engine, const TableSizes& sizes)
{
    allocEngineTable(engine, sizes.ttEntries, sizes.ttSizeMb, sizes.largePages);
    const int threads = threadCount(sizes);
    for (int i = 0; i <= threads; i++)
        allocRecordEval(engine, *threadRecord(engine, i), i, sizes);
    for (int i = 0; i <= threads; i++)
        allocRecordQ(engine, *threadRecord(engine, i), i, sizes);
}

void allocThreadTables(Engine& engine, const TableSizes& sizes)
{
    const int threads = threadCount(sizes);
    for (int i = 1; i <= threads; i++)
        allocRecordEval(engine, *threadRecord(engine, i), i, sizes);
    for (int i = 1; i <= threads; i++)
        allocRecordQ(engine, *threadRecord(engine, i), i, sizes);
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

void selectEvaluation(Engine& engine, bool classic)
{
    const bool changed = classic != evalIsClassic();
    setEvalMode(classic);
    if (changed)
        clearAllTables(engine);
}

void freeAllTables(Engine& engine)
{
    freeHashTable(engine.tt);
    for (int i = 0; i <= MAX_THREADS; i++) {
        freeHashEval(threadRecord(engine, i)->evalCache);
        freeHashQ(*threadRecord(engine, i));
    }
}

Engine* createEngine(const Reporter& reporter)
{
    Engine* e = new Engine();
    setReporter(*e, reporter);
    e->mainThread.engine = e;
    for (SearchThread& t : e->searchThreads)
        t.engine = e;
    e->timer.flags = &e->flags;
    e->pool.threads = 1;
    return e;
}

void setReporter(Engine& engine, const Reporter& reporter)
{
    engine.reporter = reporter;
    engine.tablebases.messages = messageSink(reporter);
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
    clearPvsState(engine.mainThread.pvs);
    for (SearchThread& t : engine.searchThreads) {
        clearOrderingTables(t);
        clearPvsState(t.pvs);
    }
}
