// Parsing and writing the lines of training positions.
#include "tuning/samples.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char* skipBlanks(const char* p)
{
    while (*p == ' ' || *p == '\t')
        ++p;
    return p;
}

// Copies [begin, end) without trailing blanks into out; false when empty.
bool copyField(char (&out)[TRAINING_LINE_SIZE], const char* begin, const char* end)
{
    begin = skipBlanks(begin);
    while (end > begin && (end[-1] == ' ' || end[-1] == '\t'))
        --end;
    const size_t n = size_t(end - begin);
    if (n == 0 || n >= TRAINING_LINE_SIZE)
        return false;
    std::memcpy(out, begin, n);
    out[n] = '\0';
    return true;
}

// "FEN | score | result".
bool parseBarForm(const char* line, const char* bar, TrainingSample& s)
{
    if (!copyField(s.fen, line, bar))
        return false;
    char* end = nullptr;
    errno = 0;
    const long score = std::strtol(bar + 1, &end, 10);
    if (end == bar + 1 || errno == ERANGE || score < -32767 || score > 32767)
        return false;
    const char* p = skipBlanks(end);
    if (*p != '|')
        return false;
    p = skipBlanks(p + 1);
    const double result = std::strtod(p, &end);
    if (end == p || *skipBlanks(end) != '\0' || !(result == 0.0 || result == 0.5 || result == 1.0))
        return false;
    s.hasScore = true;
    s.score = int(score);
    s.result = result;
    return true;
}

// "FEN;result;".
bool parseEpdForm(const char* line, const char* semicolon, TrainingSample& s)
{
    if (!copyField(s.fen, line, semicolon))
        return false;
    const char* field = semicolon + 1;
    s.hasScore = false;
    s.score = 0;
    if (std::strncmp(field, "1-0;", 4) == 0)
        s.result = 1.0;
    else if (std::strncmp(field, "0-1;", 4) == 0)
        s.result = 0.0;
    else if (std::strncmp(field, "1/2-1/2;", 8) == 0)
        s.result = 0.5;
    else
        return false;
    return true;
}

} // namespace

bool parseTrainingSample(const char* line, TrainingSample& sample)
{
    if (const char* bar = std::strchr(line, '|'))
        return parseBarForm(line, bar, sample);
    if (const char* semicolon = std::strchr(line, ';'))
        return parseEpdForm(line, semicolon, sample);
    return false;
}

size_t formatTrainingSample(char* out, size_t size, const char* fen, int score, double result)
{
    const char* text = result >= 1.0 ? "1.0" : result <= 0.0 ? "0.0" : "0.5";
    const int n = std::snprintf(out, size, "%s | %d | %s\n", fen, score, text);
    return n > 0 && size_t(n) < size ? size_t(n) : 0;
}
