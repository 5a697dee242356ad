// The tuner from the command line ("ardentis tune <stage>").
#pragma once

struct Session;

// Runs one tuner stage in the working directory on the front-end record of
// the session's engine (no protocol loop runs in this process). argv holds
// the words after "tune". Returns the process exit status: 0 done, 1
// failure or bad usage.
int runTuneCommand(Session& session, int argc, char** argv);
