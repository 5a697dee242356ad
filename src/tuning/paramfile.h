// Reading a parameter file in the tuned-value format ("name;value;" per line,
// as writeTunedValues writes it) into the parameter table. The file is read
// whole and checked first: one bad line and nothing of it is applied.
#pragma once

#include <string>
#include <vector>

struct ParamFileResult {
    bool applied = false;               // the table now holds the file's values
    int values = 0;                     // lines read (and applied when applied)
    std::vector<std::string> problems;  // one line of text per problem found
};

// Reads `path`; when every line names a parameter of the evaluation in force
// with a value in its range, stores the values into the records' values of
// that mode (modeValue) and runs applyParams. Otherwise the table is left as it was and `problems` says why
// (a missing file or one that is not a regular file, an empty file, an
// over-long line, a line without "name;value;", a bad number, a value out of
// range, an unknown name). Blank lines are allowed. Positions set up before the call keep their
// incremental scores: set them up again, and clear the evaluation caches.
ParamFileResult readParamFile(const char* path);
