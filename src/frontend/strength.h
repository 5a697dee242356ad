// What the UCI options UCI_LimitStrength / UCI_Elo and UCI_ShowWDL add to a
// search and its lines: the weakening of one level, and the win/draw/loss
// estimate of a score.
#pragma once

#include <cstdint>

// The levels UCI_Elo offers: from a beginner's club level up to the
// engine's own (where nothing is weakened).
constexpr int LEVEL_MIN_ELO = 1320;
constexpr int LEVEL_MAX_ELO = 2400;

// How a level plays: at most `nodes` nodes a move, and every static
// evaluation off by up to `noise` centipawns (fixed for a position within one
// search, new for the next).
struct Weakening {
    uint64_t nodes;
    int noise;
};

// The weakening of level elo (clamped to the offered range).
Weakening weakeningOf(int elo);

// Win, draw and loss in per mille (summing to 1000) for the side to move with
// score cp (centipawns) in the default play.
struct Wdl {
    int win, draw, loss;
};
Wdl wdlOfScore(int cp);
