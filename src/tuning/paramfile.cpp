// The parameter file reader: every line checked against the table into a
// staging copy of the values, which reaches the table only when the whole
// file was sound.
#include "tuning/paramfile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "eval/params.h"
#include "platform/platform.h"
#include "tuning/trainingfile.h"

namespace {

// The evaluation reads scores as 16-bit numbers and attack weights as 8-bit
// unsigned ones.
bool inRange(const char* name, long value)
{
    if (std::strncmp(name, "PT_AttackWeight[", 16) == 0)
        return value >= 0 && value <= 255;
    return value >= -32768 && value <= 32767;
}

// The records of the evaluation in force: the default evaluation's own ones
// are unknown to the classic evaluation.
int findRecord(const char* name)
{
    const int i = paramIndexByName(name);
    return i < modeParamCount() ? i : -1;
}

std::string lineProblem(int number, const char* what, const char* detail = nullptr)
{
    char text[400];
    if (detail)
        std::snprintf(text, sizeof text, "line %d: %s '%.254s'", number, what, detail);
    else
        std::snprintf(text, sizeof text, "line %d: %s", number, what);
    return text;
}

// Checks one "name;value;" line; on success stores the value into staged.
void readLine(char* line, int number, int32_t* staged, ParamFileResult& r)
{
    char* nameEnd = std::strchr(line, ';');
    if (!nameEnd || nameEnd == line) {
        r.problems.push_back(lineProblem(number, "expected name;value; in", line));
        return;
    }
    *nameEnd = '\0';
    const char* name = line;
    char* valueText = nameEnd + 1;
    char* valueEnd = std::strchr(valueText, ';');
    if (!valueEnd || valueEnd[1] != '\0') {
        r.problems.push_back(lineProblem(number, "expected name;value; after the name of", name));
        return;
    }
    *valueEnd = '\0';
    // An optional '-', then digits only: no blanks, no '+', no hexadecimal.
    const char* digits = valueText[0] == '-' ? valueText + 1 : valueText;
    bool numberOk = digits[0] != '\0' && std::strspn(digits, "0123456789") == std::strlen(digits);
    errno = 0;
    long value = numberOk ? std::strtol(valueText, nullptr, 10) : 0;
    if (!numberOk || errno == ERANGE) {
        r.problems.push_back(lineProblem(number, "not a whole number:", valueText));
        return;
    }
    int index = findRecord(name);
    if (index < 0) {
        r.problems.push_back(lineProblem(number, "unknown parameter", name));
        return;
    }
    if (!inRange(name, value)) {
        r.problems.push_back(lineProblem(number, "value out of range for", name));
        return;
    }
    staged[index] = int32_t(value);
    ++r.values;
}

} // namespace

ParamFileResult readParamFile(const char* path)
{
    ParamFileResult r;
    // Only a regular file: a folder cannot be read, a pipe or device could
    // keep the engine waiting.
    std::FILE* f = isRegularFile(path) ? std::fopen(path, "r") : nullptr;
    if (!f) {
        r.problems.push_back(std::string("cannot open ") + path);
        return r;
    }
    int32_t staged[PARAM_COUNT];
    for (int i = 0; i < PARAM_COUNT; ++i)
        staged[i] = modeValue(ParamTable[i]);

    char line[TRAINING_LINE_SIZE];
    int number = 0;
    for (TrainingLine status; (status = readTrainingLine(f, line)) != TrainingLine::END;) {
        ++number;
        if (status == TrainingLine::TOO_LONG)
            r.problems.push_back(lineProblem(number, "line longer than 254 characters"));
        else if (line[0] != '\0')
            readLine(line, number, staged, r);
    }
    bool readError = std::ferror(f) != 0;
    std::fclose(f);
    if (readError)
        r.problems.push_back(std::string("read error in ") + path);
    if (r.values == 0 && r.problems.empty())
        r.problems.push_back("no parameters in the file");
    if (!r.problems.empty())
        return r;

    for (int i = 0; i < PARAM_COUNT; ++i)
        modeValue(ParamTable[i]) = staged[i];
    applyParams();
    r.applied = true;
    return r;
}
