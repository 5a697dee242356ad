// The default play's move limits and the between-iterations stop rule.
#include "search/timeman.h"

#include <cmath>

#include "search/timecontrol.h"

namespace {

// Moves the clock is spread over when the protocol gives no count, and the
// most a given count is trusted with.
constexpr int DEFAULT_HORIZON = 25;
constexpr int MAX_HORIZON = 40;
// Limits as multiples of the base time (the clock over the horizon plus most
// of the increment), in tenths.
constexpr int SOFT_TENTHS = 8;
constexpr int HARD_TENTHS = 40;
// The hard limit never takes more than this share of the clock (in tenths),
// nor leaves less than SAFETY_CS on it; with one move to go, four fifths.
constexpr int HARD_CLOCK_TENTHS = 4;
constexpr int32_t SAFETY_CS = 5;

// Soft-limit factor by iterations in a row with the same best move.
constexpr double STABILITY_SCALE[] = {1.8, 1.4, 1.15, 1.0, 0.9, 0.8, 0.75};
constexpr int STABILITY_STEPS = int(sizeof STABILITY_SCALE / sizeof STABILITY_SCALE[0]);

// Root entry scores hold log2(nodes + 1) in steps of 1/256; back to a count.
double effortNodes(int score) { return std::ldexp(1.0 + double(score & 255) / 256.0, score >> 8); }

} // namespace

MoveLimits defaultMoveLimits(const TimeControl& tc)
{
    // No clock (an analysis, a fixed move time, the console's "st"): the
    // timer's move time is the only limit.
    if (tc.myTime >= NO_MOVE_TIME)
        return MoveLimits{tc.myTime, 0};
    const int32_t time = tc.myTime;
    const int horizon = tc.movesToGo > 0 ? (tc.movesToGo < MAX_HORIZON ? tc.movesToGo : MAX_HORIZON)
                                         : DEFAULT_HORIZON;
    const int64_t base = time / horizon + int64_t(tc.increment) * 3 / 4;
    int64_t hard = base * HARD_TENTHS / 10;
    const int64_t clockShare = tc.movesToGo == 1 ? int64_t(time) * 4 / 5 : int64_t(time) * HARD_CLOCK_TENTHS / 10;
    if (hard > clockShare)
        hard = clockShare;
    if (hard > time - SAFETY_CS)
        hard = time - SAFETY_CS;
    if (hard < 1)
        hard = 1;
    int64_t soft = base * SOFT_TENTHS / 10;
    if (soft > hard)
        soft = hard;
    if (soft < 1)
        soft = 1;
    return MoveLimits{int32_t(hard), int32_t(soft)};
}

double bestMoveNodeShare(const uint64_t* first, const uint64_t* end, Move best)
{
    double all = 0.0, mine = 0.0;
    for (const uint64_t* e = first; e < end; ++e) {
        const double n = effortNodes(entryScore(*e));
        all += n;
        if (entryMove(*e) == best)
            mine = n;
    }
    return all > 0.0 ? mine / all : 1.0;
}

double softLimitScale(IterationClock& clock, Move best, double nodeShare)
{
    if (best == clock.lastBest) {
        clock.stableIterations++;
    } else {
        clock.lastBest = best;
        clock.stableIterations = 0;
    }
    const int step = clock.stableIterations < STABILITY_STEPS ? clock.stableIterations : STABILITY_STEPS - 1;
    const double share = nodeShare < 0.0 ? 0.0 : nodeShare > 1.0 ? 1.0 : nodeShare;
    return STABILITY_SCALE[step] * (0.6 + 1.2 * (1.0 - share));
}

bool iterationEndsSearch(IterationClock& clock, Move best, double nodeShare, int64_t elapsedMs, int64_t softMs)
{
    const double scale = softLimitScale(clock, best, nodeShare);
    return softMs > 0 && double(elapsedMs) >= double(softMs) * scale;
}
