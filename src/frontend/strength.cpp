// Levels and the win/draw/loss model.
#include "frontend/strength.h"

#include <cmath>

namespace {

// Anchors of the level scale: between two anchors the node count and the
// noise are interpolated on a log scale of nodes and linearly in noise.
// Measured at 10+0.1 against stockfish 15.1 at UCI_LimitStrength (README,
// "Levels"): 1500 and 2000 by 60-game matches, the others placed between
// and beyond them; the top is about the engine's own level at blitz.
struct Anchor {
    int elo;
    double nodes;
    int noise;
};
constexpr Anchor ANCHORS[] = {
    {1320, 1200, 60}, {1500, 3800, 40}, {1800, 30000, 15}, {2000, 100000, 5}, {2400, 2000000, 0},
};
constexpr int ANCHOR_COUNT = int(sizeof ANCHORS / sizeof ANCHORS[0]);

// The win/draw/loss model: P(win) = 1 / (1 + exp(-(cp - a) / b)) and
// P(loss) = 1 / (1 + exp((cp + a) / b)). tools/wdl_fit.py fits a and b to
// the engine's own games (README, "Win, draw and loss"): 48,510 scored moves
// of both sides of 400 games of the default search against itself.
constexpr double WDL_A = 139.3;
constexpr double WDL_B = 113.0;

double logistic(double x) { return 1.0 / (1.0 + std::exp(-x)); }

} // namespace

Weakening weakeningOf(int elo)
{
    if (elo <= ANCHORS[0].elo)
        return Weakening{uint64_t(ANCHORS[0].nodes), ANCHORS[0].noise};
    for (int i = 1; i < ANCHOR_COUNT; i++) {
        const Anchor& lo = ANCHORS[i - 1];
        const Anchor& hi = ANCHORS[i];
        if (elo <= hi.elo) {
            const double f = double(elo - lo.elo) / double(hi.elo - lo.elo);
            const double nodes = lo.nodes * std::pow(hi.nodes / lo.nodes, f);
            const int noise = int(std::lround(lo.noise + (hi.noise - lo.noise) * f));
            return Weakening{uint64_t(nodes), noise};
        }
    }
    return Weakening{uint64_t(ANCHORS[ANCHOR_COUNT - 1].nodes), ANCHORS[ANCHOR_COUNT - 1].noise};
}

Wdl wdlOfScore(int cp)
{
    const int win = int(std::lround(1000.0 * logistic((double(cp) - WDL_A) / WDL_B)));
    const int loss = int(std::lround(1000.0 * logistic((-double(cp) - WDL_A) / WDL_B)));
    // a > 0 keeps win + loss below 1000; the draw takes the rest.
    return Wdl{win, 1000 - win - loss, loss};
}
