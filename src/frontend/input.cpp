// Whole-line reading of standard input, over-long lines consumed and reported.
#include "frontend/input.h"

#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>

LineStatus readInputLine(char* buffer, int capacity)
{
    int length = 0;
    bool tooLong = false;
    int c;
    while ((c = std::getchar()) != EOF && c != '\n') {
        if (length < capacity - 1)
            buffer[length++] = char(c);
        else
            tooLong = true;
    }
    if (c == EOF && length == 0 && !tooLong) {
        buffer[0] = '\0';
        return LineStatus::End;
    }
    if (tooLong) {
        buffer[0] = '\0';
        return LineStatus::TooLong;
    }
    if (length > 0 && buffer[length - 1] == '\r')
        --length;
    buffer[length] = '\0';
    return LineStatus::Ok;
}

bool readCommandNumber(const char* line, const char* word, int& n)
{
    const size_t length = std::strlen(word);
    if (std::strncmp(line, word, length) != 0)
        return false;
    char* end = nullptr;
    const char* digits = line + length;
    long value = std::strtol(digits, &end, 0);
    if (end == digits || value < INT32_MIN || value > INT32_MAX)
        return false;
    n = int(value);
    return true;
}
