// The default play's stop rule between iterations. A move gets two limits
// (defaultMoveLimits in timecontrol.h): a hard one, at which the timer stops
// the search inside an iteration, and a soft one, checked only between
// iterations and scaled by how settled the search is: a best move that has
// held for several iterations and took most of the root's nodes stops early,
// a new or contested one gets more time.
#pragma once

#include <cstdint>

#include "position/types.h"

// What the driver remembers between iterations.
struct IterationClock {
    Move lastBest;
    int stableIterations;  // iterations in a row with the same best move
};

// The share of the root's nodes that `best` took in the last iteration, from
// the root entries' effort scores (rootEffortScore); 1 when unknown.
double bestMoveNodeShare(const uint64_t* first, const uint64_t* end, Move best);

// The factor that scales the soft limit after an iteration whose best move
// is `best` with nodeShare of the nodes; updates clock.
double softLimitScale(IterationClock& clock, Move best, double nodeShare);

// After a completed iteration: true when the search should not begin another
// (softMs: the search's soft limit in milliseconds after its start, 0 for none).
bool iterationEndsSearch(IterationClock& clock, Move best, double nodeShare, int64_t elapsedMs, int64_t softMs);
