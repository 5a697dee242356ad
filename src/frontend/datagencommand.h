// Self-play training data from the command line ("ardentis datagen").
#pragma once

// Runs the generator with the options after "datagen" (argv), under the
// default evaluation. Returns the process exit status: 0 done, 1 failure or
// bad usage.
int runDatagenCommand(int argc, char** argv);
