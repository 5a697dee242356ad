// Lines of training positions as the default evaluation's tuner reads them
// and the self-play generator writes them. Two forms are read:
//   "FEN | score | result"  score in centipawns from White's view, result
//                           1.0, 0.5 or 0.0 for White (the generator's form)
//   "FEN;result;"           result 1-0, 1/2-1/2 or 0-1 (input.epd)
#pragma once

#include <cstddef>

#include "tuning/trainingfile.h"

struct TrainingSample {
    char fen[TRAINING_LINE_SIZE];
    bool hasScore;  // only the first form carries one
    int score;      // White's view, centipawns
    double result;  // for White: 1, 0.5 or 0
};

// Reads one line of either form; false when it is neither (the sample is then
// unspecified). The FEN is not checked here.
bool parseTrainingSample(const char* line, TrainingSample& sample);

// Writes "FEN | score | result" with the result as 1.0, 0.5 or 0.0 into out;
// returns the length, or 0 when it does not fit.
size_t formatTrainingSample(char* out, size_t size, const char* fen, int score, double result);
