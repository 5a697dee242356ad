// The tables found on disk: registration at start-up, the key-to-table hash,
// lazy mapping of WDL files (safe for concurrent search threads) and the
// cache of recently used DTZ files (main thread only).
#pragma once

#include <atomic>
#include <cstdint>

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

// Finds the tables in the folders (':'-separated lists) and registers one
// entry per WDL file; releases whatever an earlier call had loaded. RTBWDIR
// and RTBZDIR replace the folders when set and at most 99 characters long.
// Must not run while a search probes.
void initTablebases(const char* dtzPath, const char* wdlPath);
// Unmaps every file and forgets every table.
void freeTablebases();

int tablebaseCount();
// The most pieces of any registered table (0 when none).
int tablebaseLargest();
// Bytes of table files mapped at present.
uint64_t tablebaseMappedBytes();

// Material key of a position with real colours; `swapped` exchanges them.
uint64_t positionMaterialKey(const Position& pos, bool swapped);
uint64_t materialNameKey(const TbMaterial& m);

// The entry registered under key, or null.
TbEntry* findTable(uint64_t key);
// Maps and parses the WDL file on first use; false when it cannot be used
// (reported once per table).
bool ensureWdlLoaded(TbEntry& entry);
// The DTZ table of the material whose keys are key and mirrorKey, through
// the cache; null when the material has no table or its DTZ file is missing
// or corrupt.
const TbDtzTable* findDtzTable(uint64_t key, uint64_t mirrorKey);
