// The record of one search thread (and one more for the front end): its
// position stack (embedded PositionStack), move-ordering tables, counters and
// caches, and the engine it belongs to. Nothing in it is shared with other
// threads.
#pragma once

#include <cstdint>

#include "eval/evalcache.h"
#include "platform/platform.h"
#include "position/stack.h"
#include "search/pvsstate.h"

struct Engine;
struct HashQEntry;

constexpr int MAX_THREADS = 24;
constexpr int MAX_ROOT_MOVES = 256;

struct PvLine {
    uint32_t count;
    Move moves[MAX_PLY];
};

// Writes move and then the child's line into pv (cut at MAX_PLY moves).
inline void updatePv(PvLine& pv, Move move, const PvLine& child)
{
    const uint32_t n = child.count < MAX_PLY - 1 ? child.count : MAX_PLY - 1;
    pv.moves[0] = move;
    for (uint32_t i = 0; i < n; i++)
        pv.moves[i + 1] = child.moves[i];
    pv.count = n + 1;
}

// Cache-line aligned so that one thread's counters never share a line with the
// next record.
// The position stack comes first (rootLastMove, guard slots, positions,
// current).
struct alignas(64) SearchThread : PositionStack {
    Move killers[MAX_PLY][2];
    uint16_t history[2][64][64];
    Move counterMoves[2][64][64];
    uint8_t threadNumber;   // 0 for the front end, 1..T for search threads
    ThreadHandle threadHandle;
    uint8_t depth;
    uint8_t selDepth;
    int16_t windowAlpha, windowBeta;
    uint64_t* rootEnd;
    uint64_t rootMoves[MAX_ROOT_MOVES];
    uint8_t tbLimit;
    uint8_t tbProbeDepth;   // the search's settings of the same names
    bool tbFiftyMoveRule;
    Engine* engine;  // the engine whose search this record takes part in
    uint64_t nodes;
    uint64_t nodeLimit;  // this iteration's share of a node limit, 0 for none
    uint64_t tbHits;
    uint64_t result;
    EvalCache evalCache;
    HashQEntry* hashQ;
    uint64_t hashQMask;
    bool shareWork;             // other search threads search the same tree now
    uint64_t cutoffs;           // beta cut-offs by a move, not yet added to failHighs
    uint64_t firstMoveCutoffs;  // of those, by the first move searched
    bool classic;               // this search runs the classic node search
    int evalNoise;              // the default search's evaluation noise (SearchSettings)
    uint64_t noiseSeed;
    PvsThreadState pvs;         // the default node search's tables
};

// Result word: move in bits 0-31, score in bits 32-47.
constexpr uint64_t makeResult(Move m, int score) { return uint64_t(m) | uint64_t(uint16_t(score)) << 32; }
constexpr Move resultMove(uint64_t r) { return Move(r); }
constexpr int resultScore(uint64_t r) { return int16_t(uint16_t(r >> 32)); }
