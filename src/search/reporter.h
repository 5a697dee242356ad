// What a search tells its caller while it runs: the front end gives each
// engine a reporter (plain function pointers and a context) and decides how
// the lines look. The search layer writes nothing itself.
#pragma once

#include <cstdint>

#include "platform/linesink.h"
#include "search/settings.h"

// One iteration's line (or one of a MultiPV iteration's lines).
struct IterationReport {
    const Position* root;        // the position searched
    const SearchResult* result;  // depth, score, line, counts so far
    int multiPv;                 // 0: the only line; k > 0: the k-th best line
    uint64_t elapsedMs;          // since the search's clock started
};

struct Reporter {
    void* context;
    // Messages: the hash tables' allocation lines, the tablebase registry's
    // lines. Null: dropped.
    void (*line)(void* context, const char* text);
    // Null: no iteration lines (fixed-depth runs, tests).
    void (*iteration)(void* context, const IterationReport& report);
};

inline LineSink messageSink(const Reporter& r) { return LineSink{r.line, r.context}; }
