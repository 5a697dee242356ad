// Line input from the front end. Lines are read whole: a line longer than the
// buffer is consumed to its end and reported, never split into two commands.
#pragma once

enum class LineStatus { Ok, TooLong, End };

constexpr int INPUT_LINE_CAPACITY = 256;  // 255 characters and the terminator

// Reads one line of standard input into buffer without its line end (a
// trailing carriage return is dropped too). On TooLong the buffer is empty.
LineStatus readInputLine(char* buffer, int capacity);

// Reads the integer of a "<word> <integer>" command line (any blanks, or
// none, between them); false when the line holds no number there.
bool readCommandNumber(const char* line, const char* word, int& n);
