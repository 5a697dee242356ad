// Syzygy table files (.rtbw WDL, .rtbz DTZ): header parsing with full
// validation, the index of a placement of pieces and the decompression of the
// value stored at an index. Works on bytes and squares only; the position,
// its colours and the capture resolution live in the prober.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int TB_MAX_PIECES = 6;
constexpr uint32_t TB_WDL_MAGIC = 0x5D23E871;
constexpr uint32_t TB_DTZ_MAGIC = 0xA50C66D7;
constexpr uint64_t TB_NO_INDEX = ~uint64_t(0);

// One material configuration as its name gives it: side 0 is the side
// written before the "v". counts[side][code] for codes 1 (pawn) to 6 (king).
struct TbMaterial {
    uint8_t counts[2][8];
    uint8_t numPieces;
    uint8_t symmetric;
    uint8_t hasPawns;
    uint8_t encoding;     // pawnless: 0 (three single kinds or more) or 2 (kings lead)
    uint8_t leadPawns;    // pawn tables: the leading pawns' count and side
    uint8_t leadSide;
    uint8_t otherPawns;   // the other side's pawn count (0 when it has none)
};

// Fills m from a name such as "KRPvKR"; false when the name is malformed.
bool parseMaterialName(const char* name, TbMaterial& m);

// One compressed array of values (a side to move, and for pawn tables a file
// of the leading pawn) with the piece order that indexes it.
struct TbSubtable {
    uint8_t pieces[TB_MAX_PIECES];    // piece codes, side 1 with bit 3
    uint8_t groupLen[TB_MAX_PIECES];  // at a group's first piece its length, else 0
    uint64_t factor[TB_MAX_PIECES];   // at a group's first piece its factor
    uint64_t size;                    // number of indices
    uint8_t flags;                    // descriptor flags (DTZ: stored side, mapped, ...)
    uint8_t singleValue;              // the value of every index when flags bit 7 is set
    uint8_t blockBits;
    uint8_t indexBits;
    uint8_t minLen, maxLen;
    uint16_t numSymbols;
    uint32_t numBlocks;       // real data blocks
    uint32_t sizeEntries;     // size-table entries, padding included
    uint64_t indexEntries;
    const uint8_t* symbols;   // 3 bytes per symbol
    const uint8_t* indexTable;
    const uint8_t* sizeTable;
    const uint8_t* data;
    const uint8_t* mapData;   // DTZ: start of the four value maps (mapped subtables)
    uint32_t mapOffset[4];    // entry offset of each map from mapData
    uint16_t mapCount[4];
    uint8_t* symbolLen;       // values per symbol minus one (owned by the file)
    uint64_t base[33];        // first code of each length, left-aligned
    uint16_t offset[33];      // first symbol of each length
};

// A parsed file: for a pawnless table one file slot, for a pawn table four
// (leading pawn on files a..d); one or two sides to move each.
struct TbFile {
    const uint8_t* data;
    size_t size;
    uint8_t isDtz;
    uint8_t numFiles;
    uint8_t numSides;
    TbSubtable sub[4][2];
    uint8_t* symbolStore;  // one allocation for every subtable's symbolLen
};

// Parses and validates a whole mapped file against the material of its name:
// size, magic, flags byte, piece lists, descriptors, symbol trees, value maps
// and that every section lies inside the file. On success fills f (and
// allocates its symbol lengths, freed by releaseTableFile); on failure returns
// false and leaves nothing allocated.
bool parseTableFile(const uint8_t* data, size_t size, const TbMaterial& m, bool dtz, TbFile& f);
void releaseTableFile(TbFile& f);

// The value stored at index (0..4 WDL, 0..4095 DTZ, before any value map),
// or -1 when the index or the compressed data is out of bounds.
int readStoredValue(const TbSubtable& st, uint64_t index);

// The value map entry for a DTZ value r of WDL class wdl (-2..2, not 0); -1
// when r is outside the map.
int mapDtzValue(const TbSubtable& st, int wdl, int r);

// Index of a pawnless placement: squares in the subtable's piece order,
// already oriented. TB_NO_INDEX for a placement no table holds.
uint64_t pawnlessIndex(const TbSubtable& st, const TbMaterial& m, int* squares);

// Pawn tables: the leading pawns are in squares[0..leadPawns-1]. Moves the
// one that leads to the front and returns its file folded onto a..d.
int leadingPawnFile(const TbMaterial& m, int* squares);
// Index of a pawn placement once leadingPawnFile has arranged the squares.
uint64_t pawnIndex(const TbSubtable& st, const TbMaterial& m, int* squares);

// Binomial coefficient C(n, k) for n < 64, k <= 6 (0 when n < k).
uint64_t tbBinomial(int n, int k);
