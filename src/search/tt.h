// The transposition table: one per engine, shared by its search threads
// without locks.
#pragma once

#include <cstdint>

#include "position/position.h"
#include "search/bounds.h"

// One entry: `check` is the position's key XOR `data`, so an entry torn by two
// threads writing at once fails the key test and reads as a miss.
//   data bits 0-5 depth, 6-7 bound, 8-15 age, 16-31 score (signed), 32-63 move.
struct TTEntry {
    uint64_t check;
    uint64_t data;
};
static_assert(sizeof(TTEntry) == 16, "a bucket of four entries fills one cache line");

// The table and its generation. Zero-initialised means no table; only
// allocHashTable and freeHashTable change the block, between searches.
struct TranspositionTable {
    TTEntry* entries;     // null when no table is allocated
    uint64_t count;       // N; the block holds N + 4 entries
    uint64_t indexMask;   // bucket start = key AND indexMask, always <= N
    // Search counter: advanced by every search, reset by a new game; the age
    // written into every store.
    uint8_t age;
    // How the block was obtained, so that it is released the same way.
    bool largePages;
    bool explicitHuge;
    size_t bytes;
};

inline int ttDepth(uint64_t data) { return int(data & 63); }
inline int ttBound(uint64_t data) { return int((data >> 6) & 3); }
inline int ttAge(uint64_t data) { return int((data >> 8) & 0xFF); }
inline int ttScore(uint64_t data) { return int16_t(uint16_t(data >> 16)); }
inline Move ttMove(uint64_t data) { return Move(data >> 32); }

// How an allocation went, for the caller's messages: whether huge pages were
// asked of the system (an entry count in range with largePages set), whether
// the block came from explicit huge pages, and whether there is a table.
struct TableAllocation {
    bool ok;
    bool triedLargePages;
    bool explicitHuge;
};

// Releases any previous block, then allocates and zero-fills N + 4 entries
// (huge pages when largePages is set). Leaves no table when the memory is
// refused; the search then runs without a table.
TableAllocation allocHashTable(TranspositionTable& tt, uint64_t entries, bool largePages = false);
// Zero-fills the first entries + 4 entries (never past the block).
void clearHashTable(TranspositionTable& tt, uint64_t entries);
// Zero-fills the whole block.
inline void clearHashTable(TranspositionTable& tt) { clearHashTable(tt, tt.count); }
void freeHashTable(TranspositionTable& tt);

// Looks the position up. HASH_MISS when no entry of its bucket belongs to it;
// otherwise `data` receives the entry (so the caller gets its move) and the
// result is a score usable for this window or HASH_UNUSABLE.
int probeHash(const TranspositionTable& tt, const Position& pos, uint64_t& data, int depth, int ply, int alpha,
              int beta);
// Starts loading the bucket of `key` into the cache, so that a probe shortly
// after (the child's, when called right after making a move) finds it there.
// A bucket may start anywhere in a line and then spills into the next one.
inline void prefetchHash(const TranspositionTable& tt, uint64_t key)
{
    if (tt.entries) {
        const TTEntry* bucket = tt.entries + (key & tt.indexMask);
        __builtin_prefetch(bucket);
        __builtin_prefetch(bucket + 3);
    }
}
// Writes an entry for the position, of the table's current age. The search
// stores nothing once it is stopped: it checks that before it calls.
void storeHash(TranspositionTable& tt, const Position& pos, int depth, int ply, int bound, int score, Move move);

// The same two on the bucket starting at an explicit entry index (diagnostic
// console commands). An index past the last bucket start misses / stores nothing.
int probeHashAt(const TranspositionTable& tt, uint64_t index, uint64_t key, uint64_t& data, int depth, int ply,
                int alpha, int beta);
void storeHashAt(TranspositionTable& tt, uint64_t index, uint64_t key, int depth, int ply, int bound, int score,
                 Move move);

// Writes the first `entries` entries to DumpHash/dump.csv (the folder must
// exist), moves written as in the game's position `game` (its side to move,
// its kind of chess). Returns the number of entries written, or -1 when the
// file cannot be created.
int64_t dumpHashTable(const TranspositionTable& tt, uint64_t entries, const Position& game);

// Starts a new search generation: age + 1, or, after 255, back to 0 with the
// table cleared so that no entry is ever newer than the current age.
void newSearchGeneration(TranspositionTable& tt);
