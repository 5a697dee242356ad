// The life cycle of every hash table of the engine: the shared TT and each
// search record's HashEval and HashQ (the front end's record and the search
// threads').
#pragma once

#include <cstdint>

// Sizes of every hash table, worked out by the caller (entry counts are
// powers of two, the TT's may be any count); the MiB figures are for the
// messages.
struct TableSizes {
    int threads;  // search records that get HashEval and HashQ, 1..MAX_THREADS
    bool largePages;
    uint64_t ttEntries;
    long ttSizeMb;
    uint64_t hashEvalEntries;
    long hashEvalSizeMb;
    uint64_t hashQEntries;
    long hashQSizeMb;
};

// All hash tables: the TT, then HashEval and HashQ of the front end's record
// (silently) and of the search records 1..sizes.threads.
void allocAllTables(const TableSizes& sizes);
// HashEval and HashQ of search records 1..sizes.threads afresh (with their
// messages), and none for the records above: a new thread count.
void allocThreadTables(const TableSizes& sizes);
// hashAge = 0 and every table zero-filled.
void clearAllTables();

// The classic or the default evaluation from now on (the switch of the
// front end's Classic setting): the mode's parameter values applied and, when
// the mode changes, every table emptied, since the caches and the TT hold the
// other evaluation's scores. Positions set up before keep incremental scores
// of the other values: set them up again.
void selectEvaluation(bool classic);
void freeAllTables();
