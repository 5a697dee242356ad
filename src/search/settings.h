// What a caller hands the search (its settings) and what it gets back (the
// result record).
#pragma once

#include <cstdint>

#include "search/searchthread.h"

struct SearchSettings {
    int threads = 2;       // search threads, 1..MAX_THREADS
    int maxDepth = 64;     // deepest iteration, 1..64
    int tbLimit = 5;       // most men for a tablebase probe (0: none)
    // The least depth left at which the tree probes the WDL tables; at 1 every
    // node may probe, the leaves and quiescence included.
    int tbProbeDepth = 1;
    // Off: a win or loss that the fifty-move rule would turn into a draw
    // (cursed, blessed) scores as a win or loss, at the root and in the tree.
    bool tbFiftyMoveRule = true;
    // Limits of one search (0: none). The node limit counts all threads
    // together; the mate limit ends the search once a mate in that many moves
    // or fewer is proved.
    uint64_t nodeLimit = 0;
    int mateLimit = 0;
    int multiPv = 1;  // best lines reported per iteration, 1..MAX_MULTI_PV
    // The classic search and time allocation. The front end asks for the
    // default play unless its Classic setting is on; datagen asks for it too.
    bool classic = true;
    // A weaker level of the default play: every static evaluation is moved
    // by up to evalNoise centipawns, by an amount fixed for each position
    // and noiseSeed (0: none).
    int evalNoise = 0;
    uint64_t noiseSeed = 0;
    // When given, the root searches only these of its legal moves.
    const Move* searchMoves = nullptr;
    int searchMoveCount = 0;
};

constexpr int MAX_MULTI_PV = 64;

struct SearchResult {
    Move best;        // 0 when the side to move has no legal move
    Move ponder;      // the expected reply, 0 when unknown
    int score;        // of the last iteration run; -MATE or 0 without a legal move
    PvLine line;      // the principal variation last reported
    uint64_t nodes;   // all threads
    uint64_t tbHits;
    int depth;        // the last iteration begun
    int selDepth;     // the deepest ply the winning thread reached
};
