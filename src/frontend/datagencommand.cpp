// "ardentis datagen <file> [options]": the options, the generator's tables and
// the evaluation it plays with.
#include "frontend/datagencommand.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "search/benchsearch.h"
#include "search/engine.h"
#include "tuning/datagen.h"

namespace {

void printUsage()
{
    std::printf("usage: ardentis datagen <file> [--positions N] [--nodes N] [--seed S] [--random-plies N]\n");
    std::printf("                        [--max-score CP] [--openings FILE]\n");
    std::printf("plays the default engine against itself and appends \"FEN | score | result\" lines to <file>;\n");
    std::printf("defaults: 20000 positions, 8000 nodes a move, seed 1, 4 random plies, |score| below 2000,\n");
    std::printf("openings ../shared/data/openings-8ply.epd. Run it again to go on where it stopped.\n");
}

// A whole number within [low, high]; false when the text is not one.
bool readCount(const char* text, uint64_t low, uint64_t high, uint64_t& value)
{
    char* end = nullptr;
    if (text[0] < '0' || text[0] > '9')
        return false;
    const unsigned long long v = std::strtoull(text, &end, 10);
    if (*end != '\0' || v < low || v > high)
        return false;
    value = v;
    return true;
}

bool readOptions(int argc, char** argv, DatagenSettings& s)
{
    if (argc < 1 || argv[0][0] == '-')
        return false;
    s = DatagenSettings{argv[0], "../shared/data/openings-8ply.epd", 20000, 8000, 1, 4, 2000};
    for (int i = 1; i < argc; i += 2) {
        if (i + 1 >= argc)
            return false;
        const char* option = argv[i];
        const char* text = argv[i + 1];
        uint64_t v = 0;
        if (!std::strcmp(option, "--openings")) {
            s.openings = text;
            continue;
        }
        if (!std::strcmp(option, "--positions") && readCount(text, 1, uint64_t(1) << 40, v))
            s.positions = v;
        else if (!std::strcmp(option, "--nodes") && readCount(text, 1, uint64_t(1) << 32, v))
            s.nodes = v;
        else if (!std::strcmp(option, "--seed") && readCount(text, 0, UINT64_MAX, v))
            s.seed = v;
        else if (!std::strcmp(option, "--random-plies") && readCount(text, 0, 40, v))
            s.randomPlies = int(v);
        else if (!std::strcmp(option, "--max-score") && readCount(text, 1, 30000, v))
            s.maxScore = int(v);
        else
            return false;
    }
    return true;
}

} // namespace

int runDatagenCommand(int argc, char** argv)
{
    DatagenSettings settings{};
    if (!readOptions(argc, argv, settings)) {
        printUsage();
        return 1;
    }
    // An engine of its own that reports nothing, with one search thread and
    // small tables: 16 MiB of TT, 1 MiB caches.
    Engine* engine = createEngine();
    allocAllTables(*engine, tableSizesOfEntries(1, uint64_t(1) << 20, uint64_t(1) << 16));
    selectEvaluation(*engine, false);
    const int done = runDatagen(engine->mainThread, settings);
    destroyEngine(engine);
    std::fflush(stdout);
    return done ? 0 : 1;
}
