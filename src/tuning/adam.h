// The default evaluation's tuner: every parameter the evaluation reads,
// fitted by gradient descent (Adam, in mini-batches) to a mix of game results
// and search scores. Each training position is turned once into the counts of
// the parameters its evaluation read (a sparse list and the game phase), so
// that an epoch costs one pass over those lists, not an evaluation per
// position. The fitted values are the records' playValues; tuned.csv and
// params.h are written as the classic stages write them.
#pragma once

#include <cstdint>
#include <vector>

#include "search/searchthread.h"

// One parameter's counts in one position, White's minus Black's.
struct TrainingTerm {
    uint16_t index;
    int8_t mg, eg;
};

struct TrainingPosition {
    uint32_t line;   // of the file, from 0
    uint32_t first;  // its terms in TrainingSet::terms
    uint16_t count;
    uint8_t phase;
    bool hasScore;
    float offset;  // White's evaluation minus what its terms give at the starting values
    float result;  // for White
    float score;   // of the search, White's view (when hasScore)
};

struct TrainingSet {
    std::vector<TrainingTerm> terms;
    std::vector<TrainingPosition> positions;
    uint64_t lines = 0;    // read from the file
    uint64_t unread = 0;   // neither line form, or a FEN the engine refuses
    uint64_t inCheck = 0;  // the side to move in check
    uint64_t noisy = 0;    // a capture changes the score (static != quiescence)
};

struct AdamSettings {
    const char* input;      // training file (either form of samples.h)
    const char* folder;     // where tuned.csv and params.h go
    int epochs;             // passes over the positions
    double lambda;          // weight of the game result; 1 - lambda goes to the search score
    double learningRate;    // Adam's step, in centipawns
    int batchSize;          // positions per update
    double k;               // scale of the logistic curve; 0: fitted to the results first
    const char* start;      // a tuned.csv to start from (null: the values in force)
};

// Reads the training file into set under the default evaluation (which the
// caller has applied), skipping what TrainingSet counts. False (after "File
// not found") when the file cannot be opened.
bool loadTrainingSet(SearchThread& t, const char* path, TrainingSet& set);

// White's evaluation of position p of the set under weights (one per record).
double linearEvaluation(const TrainingSet& set, const TrainingPosition& p, const double* weights);

// Mean squared difference between the target, lambda x result + (1 - lambda)
// x sigmoid(k x score), and sigmoid(k x evaluation), over the set.
double trainingError(const TrainingSet& set, const double* weights, double k, double lambda);

// The K that minimises the error against the results alone.
double fitScale(const TrainingSet& set, const double* weights);

// Applies the starting file when given, loads, fits K unless given, runs the epochs with a progress line each,
// stores the rounded values as playValues (and tunedValues) of the fitted
// records, applies them and writes tuned.csv (the fitted records) and params.h
// (every record); with 0 epochs only prints the error. Returns 1, or 0 when a
// file could not be read or written.
int adamTuning(SearchThread& t, const AdamSettings& settings);
