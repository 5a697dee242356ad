// The default play's time manager. A move gets two limits: a hard one, at
// which the timer stops the search inside an iteration, and a soft one,
// checked only between iterations and scaled by how settled the search is:
// a best move that has held for several iterations and took most of the
// root's nodes stops early, a new or contested one gets more time. The
// classic allocation (timecontrol.h) is left as it was.
#pragma once

#include <cstdint>

#include "position/types.h"
#include "search/timecontrol.h"

struct MoveLimits {
    int32_t hard;  // centiseconds
    int32_t soft;  // centiseconds; 0 when the clock sets no soft limit
};

// The limits of one move from the clock in tc (myTime, increment, movesToGo,
// moveTime; centiseconds). A fixed move time is used whole: it has no soft
// limit.
MoveLimits defaultMoveLimits(const TimeControl& tc);

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
