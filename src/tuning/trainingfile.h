// Training files of the tuner: one position per line, fields ended by ';'
// ("FEN;result;" or "FEN;score;"). Lines are read whole; one that is too long
// for the line buffer is skipped, never split into two positions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// 254 characters and the terminator.
constexpr int TRAINING_LINE_SIZE = 255;

enum class TrainingLine { OK, TOO_LONG, END };

// Reads the next line into `line` without its line end (a trailing carriage
// return is dropped too). TOO_LONG: the line held more than 254 characters;
// it was read to its end and `line` holds its first 254.
TrainingLine readTrainingLine(std::FILE* f, char (&line)[TRAINING_LINE_SIZE]);

// Length of the FEN field: the text up to the first ';' (the whole line when
// there is none).
size_t fenFieldLength(const char* line);

// Copies the FEN field of line into fen (TRAINING_LINE_SIZE bytes). Returns a
// pointer to the text after the field's ';' (to the terminator when none).
const char* splitFenField(const char* line, char* fen);

// The game result for White of a result field: 1 for "1-0;", 0.5 for
// "1/2-1/2;", 0 for anything else ("0-1;" included, and a result that is not
// ended by ';').
double resultForWhite(const char* field);

// Number of newline characters of the file, read from its start; the file is
// rewound afterwards.
uint64_t countNewlines(std::FILE* f);

// folder + "/" + name into out; false when it does not fit.
bool trainingPath(char* out, size_t size, const char* folder, const char* name);

// Opens folder/name; null (after printing "File not found") on failure.
std::FILE* openTrainingFile(const char* folder, const char* name, const char* mode);
