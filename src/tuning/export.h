// Writers of the parameter table: "tuned.csv" with the tuned value of every
// record the tuner varies, and "params.h" with every parameter as a macro.
// Both replace the file in the given folder.
#pragma once

// "name;tunedValue;" per marked record (per record i with fitted[i] when
// fitted is given), each also echoed on standard output. Returns 1, or 0 after
// printing "File not found" when the file cannot be written.
int writeTunedValues(const char* folder, const bool* fitted = nullptr);

// The records of the evaluation in force (the 750 classic ones in classic
// mode, all in default mode) with their values in that mode, between include
// guards. Returns 1, or 0 after printing "File not found" when the file cannot
// be written.
int writeParamsHeader(const char* folder);
