// The tuner: fits the marked records of the parameter table to training
// positions, either to the scores of a shallow search (mean absolute error) or
// to game results through a logistic curve (Texel method, mean squared error).
//
// Files, all in the settings' folder: "input.epd" (FEN;result;) is read by
// the preparation stages, which write "selected.csv" and "skipped.csv"; the
// error functions read "selected.csv"; the optimising stages write
// "tuned.csv". Every operation runs on the record it is given, setting up the
// training positions on it; the caller keeps its own game elsewhere.
#pragma once

#include "search/searchthread.h"

struct TunerSettings {
    const char* folder;  // where the training files are ("." for the working directory)
    int maxIterations;   // optimiser iterations at most; 0: until it stops by itself
};

// Scaling constant of the logistic curve used by the stages.
constexpr double TEXEL_K = 1.641;

// Returned by the error functions when "selected.csv" cannot be read (after
// "File not found" was printed).
constexpr double TUNER_FILE_ERROR = -1.0;

// Mean |static score - target| over the lines of "selected.csv" (FEN;score;).
// Lines that cannot be read as a position count in the divisor.
double searchTargetError(SearchThread& t, const char* folder);

// Mean (result - sigma(K * score))^2 over the lines of "selected.csv"
// (FEN;result;), the score from White's view. Lines that cannot be read as a
// position count in the divisor.
double texelError(SearchThread& t, const char* folder, double k);

// The stages. Each returns 1, or 0 when a file could not be read or written
// ("File not found" is printed and the caller goes on).
//   tuningFirstStage   search targets with every filter, initial error
//   tuningSecondStage  search targets with the BadFEN filter only, then optimise
//   tuningThirdStage   optimise on the existing search targets
//   texelFirstStage    result lines with every filter, initial error
//   texelTuning        optimise on the existing result lines
// The optimising stages leave the fitted values in the table (and applied),
// copy them into tunedValue and write "tuned.csv".
int tuningFirstStage(SearchThread& t, const TunerSettings& settings);
int tuningSecondStage(SearchThread& t, const TunerSettings& settings);
int tuningThirdStage(SearchThread& t, const TunerSettings& settings);
int texelFirstStage(SearchThread& t, const TunerSettings& settings);
int texelTuning(SearchThread& t, const TunerSettings& settings);

// The sweep of K from 1.640 to 1.650 over "selected.csv": prints the error of
// each and the best. Changes nothing. Returns 1, or 0 when the file is missing.
int findBestK(SearchThread& t, const char* folder);
