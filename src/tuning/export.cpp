// The tuned-value file and the parameter header, written from the table.
#include "tuning/export.h"

#include <cstdio>

#include "eval/params.h"
#include "tuning/trainingfile.h"

namespace {

// Closes f; a write that failed on the way (disk full) reports like a file
// that could not be opened.
int finish(std::FILE* f)
{
    bool failed = std::ferror(f) != 0;
    failed |= std::fclose(f) != 0;
    if (failed)
        std::printf("File not found\n");
    return failed ? 0 : 1;
}

} // namespace

int writeTunedValues(const char* folder, const bool* fitted)
{
    std::FILE* f = openTrainingFile(folder, "tuned.csv", "w");
    if (!f)
        return 0;
    std::printf("\n");
    for (const ParamRecord& r : ParamTable) {
        if (fitted ? !fitted[&r - ParamTable] : !r.tune)
            continue;
        char line[256];
        std::snprintf(line, sizeof line, "%s;%d;\n", r.name, r.tunedValue);
        std::printf("Tuned param %s value %i\n", r.name, r.tunedValue);
        std::fputs(line, f);
    }
    std::fflush(stdout);
    return finish(f);
}

int writeParamsHeader(const char* folder)
{
    std::FILE* f = openTrainingFile(folder, "params.h", "w");
    if (!f)
        return 0;
    std::fprintf(f, "#ifndef params_h\n");
    std::fprintf(f, "#define params_h\n\n");
    for (int i = 0; i < modeParamCount(); i++)
        std::fprintf(f, "#define %s           %i\n", ParamTable[i].name, modeValue(ParamTable[i]));
    std::fprintf(f, "\n#endif // params_h\n");
    if (!finish(f))
        return 0;
    std::printf("params.h succefully created\n");
    std::fflush(stdout);
    return 1;
}
