// The tables found on disk: registration, the key-to-table hash, lazy
// mapping of WDL files (safe for concurrent search threads) and the cache of
// recently used DTZ files (the engine's front-end thread only). Each engine
// keeps its own registry.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/linesink.h"
#include "platform/platform.h"
#include "position/position.h"
#include "tablebase/tbformat.h"

// Longest folder list kept for each kind of file (folders separated by ':').
constexpr int TB_PATH_SIZE = 256;
// Environment overrides longer than this are ignored.
constexpr int TB_ENV_PATH_MAX = 99;
constexpr int TB_MAX_TABLES = 510;     // pawnless 254 + pawn 256, up to six pieces
constexpr int TB_HASH_BUCKETS = 1024;
constexpr int TB_HASH_SLOTS = 5;
constexpr int TB_DTZ_CACHE = 64;

enum TbLoadState : uint8_t { TB_NOT_LOADED = 0, TB_READY = 1, TB_FAILED = 2 };

// One WDL file found at start-up.
struct TbEntry {
    uint64_t key = 0;        // material key, side 0 of the name White
    uint64_t mirrorKey = 0;  // the same with the colours exchanged
    TbMaterial material{};
    char name[8]{};
    uint8_t folder = 0;      // which WDL folder holds the file
    uint8_t dtzReported = 0; // a missing or bad DTZ file was reported
    std::atomic<uint8_t> state{TB_NOT_LOADED};
    TbFile* wdl = nullptr;   // set before state becomes TB_READY
};

// A mapped and parsed DTZ file.
struct TbDtzTable {
    TbFile file;
    TbEntry* entry;
};

struct TbHashSlot {
    uint64_t key;
    TbEntry* entry;
};

struct TbDtzSlot {
    uint64_t key;
    uint64_t mirrorKey;
    TbDtzTable* table;  // null when the file could not be used
};

// One registry. Zero-initialised (or value-initialised) means no tables.
struct Tablebases {
    // Where the registration lines and the report of a file that cannot be
    // used go (a WDL file may be reported from any search thread).
    LineSink messages;
    char wdlFolders[TB_PATH_SIZE];
    char dtzFolders[TB_PATH_SIZE];
    TbEntry entries[TB_MAX_TABLES];
    int entryCount;
    int largestTable;
    TbHashSlot hash[TB_HASH_BUCKETS][TB_HASH_SLOTS];
    TbDtzSlot dtzCache[TB_DTZ_CACHE];  // most recently used first
    Mutex loadMutex;
    bool mutexReady;
    std::atomic<uint64_t> mappedBytes;
};

// Finds the tables in the folders (':'-separated lists) and registers one
// entry per WDL file; releases whatever an earlier call had loaded. RTBWDIR
// and RTBZDIR replace the folders when set and at most 99 characters long.
// Must not run while a search probes.
void initTablebases(Tablebases& tb, const char* dtzPath, const char* wdlPath);
// Unmaps every file and forgets every table.
void freeTablebases(Tablebases& tb);

inline int tablebaseCount(const Tablebases& tb) { return tb.entryCount; }
// The most pieces of any registered table (0 when none).
inline int tablebaseLargest(const Tablebases& tb) { return tb.largestTable; }
// Bytes of table files mapped at present.
inline uint64_t tablebaseMappedBytes(const Tablebases& tb) { return tb.mappedBytes.load(std::memory_order_relaxed); }

// Material key of a position with real colours; `swapped` exchanges them.
uint64_t positionMaterialKey(const Position& pos, bool swapped);
uint64_t materialNameKey(const TbMaterial& m);

// The entry registered under key, or null.
TbEntry* findTable(Tablebases& tb, uint64_t key);
// Maps and parses the WDL file on first use; false when it cannot be used
// (reported once per table).
bool ensureWdlLoaded(Tablebases& tb, TbEntry& entry);
// The DTZ table of the material whose keys are key and mirrorKey, through
// the cache; null when the material has no table or its DTZ file is missing
// or corrupt.
const TbDtzTable* findDtzTable(Tablebases& tb, uint64_t key, uint64_t mirrorKey);
