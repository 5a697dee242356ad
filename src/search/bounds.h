// Bounds of stored scores, mate-score bands and the conversions between
// root-relative and node-relative mate scores, shared by the TT, HashQ and
// the searches.
#pragma once

#include "position/types.h"

constexpr int BOUND_NONE = 0;
constexpr int BOUND_EXACT = 1;
constexpr int BOUND_UPPER = 2;  // every move failed low: the score is at most this
constexpr int BOUND_LOWER = 3;  // a move failed high: the score is at least this

// Scores at least this far from zero are mate scores; they are stored relative
// to the storing node and made relative to the root again when read.
constexpr int MATE_BAND = 19936;

// Mate scores between the search (relative to the root) and a table entry
// (relative to the storing node, `ply` plies from the root); band = the
// smallest score that counts as a mate for that table.
constexpr int scoreToTable(int score, int ply, int band)
{
    return score >= band ? score + ply : score <= -band ? score - ply : score;
}
constexpr int scoreFromTable(int score, int ply, int band)
{
    return score >= band ? score - ply : score <= -band ? score + ply : score;
}

// A stored score as a probe result: usable when its bound settles the window.
constexpr int usableScore(int score, int bound, int alpha, int beta)
{
    return bound == BOUND_EXACT                    ? score
           : bound == BOUND_UPPER && score <= alpha ? score
           : bound == BOUND_LOWER && score >= beta  ? score
                                                    : HASH_UNUSABLE;
}

// Quiescence mate band: 128 plies wide, since quiescence may run that deep.
constexpr int QS_MATE_BAND = 19872;

// Mate-distance pruning: no score can be better than mating at this ply nor
// worse than being mated at it. Narrows the window; true when it closed.
inline bool mateDistanceCloses(int ply, int& alpha, int& beta)
{
    if (alpha < ply - MATE)
        alpha = ply - MATE;
    if (beta > MATE - ply)
        beta = MATE - ply;
    return alpha >= beta;
}
