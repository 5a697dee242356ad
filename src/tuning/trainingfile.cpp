// Reading the tuner's training files: whole lines, the FEN and result fields,
// and the paths of the files in the training folder.
#include "tuning/trainingfile.h"

#include <cstring>

namespace {

void dropCarriageReturn(char* line, size_t n)
{
    if (n > 0 && line[n - 1] == '\r')
        line[n - 1] = '\0';
}

} // namespace

TrainingLine readTrainingLine(std::FILE* f, char (&line)[TRAINING_LINE_SIZE])
{
    // The line end is looked for in the whole buffer, not by the string's
    // length: a NUL byte in a junk line must not hide it.
    std::memset(line, 0xFF, TRAINING_LINE_SIZE);
    if (!std::fgets(line, TRAINING_LINE_SIZE, f))
        return TrainingLine::END;
    if (char* end = static_cast<char*>(std::memchr(line, '\n', TRAINING_LINE_SIZE - 1))) {
        *end = '\0';
        dropCarriageReturn(line, std::strlen(line));
        return TrainingLine::OK;
    }
    size_t n = std::strlen(line);
    // The buffer is full or the file ended: a line of exactly 254 characters
    // (perhaps with a carriage return before its line end) is still whole.
    int c = std::fgetc(f);
    if (c == '\r') {
        int next = std::fgetc(f);
        if (next == '\n' || next == EOF)
            return TrainingLine::OK;
        c = next;
    }
    if (c == '\n' || c == EOF) {
        dropCarriageReturn(line, n);
        return TrainingLine::OK;
    }
    while (c != '\n' && c != EOF)
        c = std::fgetc(f);
    return TrainingLine::TOO_LONG;
}

size_t fenFieldLength(const char* line) { return std::strcspn(line, ";"); }

const char* splitFenField(const char* line, char* fen)
{
    size_t n = fenFieldLength(line);
    if (n > TRAINING_LINE_SIZE - 1)
        n = TRAINING_LINE_SIZE - 1;
    std::memcpy(fen, line, n);
    fen[n] = '\0';
    return line[n] == ';' ? line + n + 1 : line + n;
}

double resultForWhite(const char* field)
{
    if (std::strncmp(field, "1/2-1/2;", 8) == 0)
        return 0.5;
    if (std::strncmp(field, "1-0;", 4) == 0)
        return 1.0;
    return 0.0;
}

uint64_t countNewlines(std::FILE* f)
{
    std::rewind(f);
    uint64_t n = 0;
    char block[4096];
    size_t got;
    while ((got = std::fread(block, 1, sizeof block, f)) > 0)
        for (size_t i = 0; i < got; i++)
            n += block[i] == '\n';
    std::rewind(f);
    return n;
}

bool trainingPath(char* out, size_t size, const char* folder, const char* name)
{
    int n = std::snprintf(out, size, "%s/%s", folder, name);
    return n > 0 && size_t(n) < size;
}

std::FILE* openTrainingFile(const char* folder, const char* name, const char* mode)
{
    char path[4096];
    std::FILE* f = trainingPath(path, sizeof path, folder, name) ? std::fopen(path, mode) : nullptr;
    if (!f)
        std::printf("File not found\n");
    return f;
}
