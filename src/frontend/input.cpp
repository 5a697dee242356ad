// Whole-line reading of standard input, over-long lines consumed and reported.
#include "frontend/input.h"

#include <cstdio>

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
