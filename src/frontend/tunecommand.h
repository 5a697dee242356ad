// The tuner from the command line ("ardentis tune <stage>") and the record it
// works on, which is kept apart from the game of the protocol loops.
#pragma once

#include "search/searchthread.h"

// The record the tuner sets its training positions up on.
SearchThread& tunerRecord();

// Runs one tuner stage in the working directory. argv holds the words after
// "tune". Returns the process exit status: 0 done, 1 failure or bad usage.
int runTuneCommand(int argc, char** argv);
