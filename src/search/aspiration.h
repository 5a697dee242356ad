// The default play's aspiration windows: each iteration starts in a narrow
// window around the last score, and a score outside it widens only the side
// that failed, by half as much again each time, instead of opening the
// whole window at once.
#pragma once

#include <cstdint>
#include <cstdlib>

#include "position/types.h"

constexpr int ASPIRATION_START = 20;
// A window this wide, or a score of a won or lost game (mate, tablebases),
// is opened fully.
constexpr int ASPIRATION_LIMIT = 800;
constexpr int ASPIRATION_DECISIVE = 10000;

// After an iteration of score s in the window (alpha, beta): true when s was
// inside it (the iteration is accepted and the next one is centred on s);
// otherwise the failed side moves out by the grown delta and the same depth
// is searched again.
inline bool nextAspirationWindow(int16_t& alpha, int16_t& beta, int s, int& delta)
{
    const bool inside = s > alpha && s < beta;
    delta = inside ? ASPIRATION_START : delta + delta / 2;
    if (delta > ASPIRATION_LIMIT || std::abs(s) >= ASPIRATION_DECISIVE) {
        alpha = int16_t(-INFINITE);
        beta = int16_t(INFINITE);
    } else if (inside) {
        alpha = int16_t(s - delta);
        beta = int16_t(s + delta);
    } else if (s <= alpha) {
        alpha = int16_t(s - delta > -INFINITE ? s - delta : -INFINITE);
    } else {
        beta = int16_t(s + delta < INFINITE ? s + delta : INFINITE);
    }
    return inside;
}
