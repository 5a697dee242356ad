// Start-up after the processor check, and the main loop that chooses the protocol.
#pragma once

#include <cstdint>

constexpr const char* BANNER_RULE =
    "-------------------------------------------------------------------------------";

// Builds the attack tables (needs BMI2; called between the two processor tests).
void buildAttackTables();

// Configuration, new game, parameters, prompt and the main loop. Returns the
// process exit status. With the arguments "tune <stage> ..." it runs that
// tuner stage instead of the main loop.
int runEngine(int argc, char** argv);
