// Fixed-depth runs of the played search for the bench, the command-line bench
// and the tests: table sizes given as entry counts, and one search of a
// position from empty tables and a fresh search state, whose node count is
// reproducible (the node signature adds them up over the perft suite).
#pragma once

#include <cstdint>

#include "search/engine.h"
#include "search/settings.h"


// The tables' entry counts for the node signature: 65536 entries each.
constexpr uint64_t SIGNATURE_TABLE_ENTRIES = uint64_t(1) << 16;
constexpr int SIGNATURE_DEPTH = 9;

// Sizes for `threads` search records with ttEntries TT entries and
// cacheEntries entries in each thread's HashEval and HashQ (no large pages;
// the MiB figures, for the messages, are at least 1).
TableSizes tableSizesOfEntries(int threads, uint64_t ttEntries, uint64_t cacheEntries);

// Sets fen up on the engine's front-end record, empties every table and the
// ordering state, and runs the played search with settings (its iteration
// lines go to the engine's reporter, which for these runs takes none).
// Returns the search's result; the position must be valid (the result is
// empty when it is not).
SearchResult searchFromEmptyTables(Engine& engine, const char* fen, SearchSettings settings);
// The same on one thread to depth with the classic or the default search:
// what the node signatures count.
SearchResult searchFromEmptyTables(Engine& engine, const char* fen, int depth, bool classic = true);
