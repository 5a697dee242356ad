// "ardentis tune <stage>": the stage names, the option, and the tables the
// tuner's own record needs for the run.
#include "frontend/tunecommand.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "eval/evalcache.h"
#include "eval/params.h"
#include "frontend/config.h"
#include "frontend/session.h"
#include "search/engine.h"
#include "search/hashq.h"
#include "search/tt.h"
#include "tuning/adam.h"
#include "tuning/export.h"
#include "tuning/texel.h"

namespace {

enum class Stage { SEARCH_FIRST, SEARCH_SECOND, SEARCH_THIRD, TEXEL_FIRST, TEXEL, MINK, PARAMS };

struct StageName {
    const char* word;
    Stage stage;
    const char* help;
};

const StageName STAGES[] = {
    {"texel-first", Stage::TEXEL_FIRST, "filter input.epd into selected.csv for result fitting, print the error"},
    {"texel", Stage::TEXEL, "fit the marked parameters to the results in selected.csv, write tuned.csv, params.h"},
    {"mink", Stage::MINK, "print the result-fitting error of selected.csv for K = 1.640 .. 1.650"},
    {"search-first", Stage::SEARCH_FIRST, "filter input.epd, score it by a depth-2 search into selected.csv"},
    {"search-second", Stage::SEARCH_SECOND, "score all of input.epd by a depth-2 search, then fit as search-third"},
    {"search-third", Stage::SEARCH_THIRD, "fit the marked parameters to the scores in selected.csv, write tuned.csv, params.h"},
    {"params", Stage::PARAMS, "write params.h with every parameter's built-in value"},
};

void printUsage()
{
    std::printf("usage: ardentis tune <stage> [--iterations N]\n");
    std::printf("run in the folder of the training files; stages (classic evaluation):\n");
    for (const StageName& s : STAGES)
        std::printf("  %-14s %s\n", s.word, s.help);
    std::printf("--iterations N stops the fitting stages after N optimiser iterations\n");
    std::printf("usage: ardentis tune adam <file> [--epochs N] [--lambda L] [--lr STEP] [--batch N] [--k K]\n");
    std::printf("                               [--start tuned.csv]\n");
    std::printf("  fits every parameter of the default evaluation to the positions of <file>\n");
    std::printf("  (\"FEN | score | result\" or \"FEN;result;\" lines), writes tuned.csv and params.h here;\n");
    std::printf("  defaults: 100 epochs, lambda 1 (results only), step 0.5, batches of 8192, K fitted;\n");
    std::printf("  --start applies a tuned.csv of the default evaluation first (--epochs 0: its error only)\n");
}

// A number option's value within [low, high]; false when it is not one.
bool readNumber(const char* text, double low, double high, double& value)
{
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && value >= low && value <= high;
}

// "adam <file> [options]".
bool readAdamOptions(int argc, char** argv, AdamSettings& settings)
{
    if (argc < 1 || argv[0][0] == '-')
        return false;
    settings = AdamSettings{argv[0], ".", 100, 1.0, 0.5, 8192, 0.0, nullptr};
    for (int i = 1; i < argc; i += 2) {
        double value = 0.0;
        if (i + 1 >= argc)
            return false;
        const char* option = argv[i];
        const char* text = argv[i + 1];
        if (!std::strcmp(option, "--start")) {
            settings.start = text;
            continue;
        }
        if (!std::strcmp(option, "--epochs") && readNumber(text, 0, 100000, value) && value == std::floor(value))
            settings.epochs = int(value);
        else if (!std::strcmp(option, "--lambda") && readNumber(text, 0.0, 1.0, value))
            settings.lambda = value;
        else if (!std::strcmp(option, "--lr") && readNumber(text, 1e-6, 1000.0, value))
            settings.learningRate = value;
        else if (!std::strcmp(option, "--batch") && readNumber(text, 1, 1 << 24, value) && value == std::floor(value))
            settings.batchSize = int(value);
        else if (!std::strcmp(option, "--k") && readNumber(text, 0.01, 100.0, value))
            settings.k = value;
        else
            return false;
    }
    return true;
}

// Reads "--iterations N" (N from 1 to 1000000); false on anything else.
bool readOptions(int argc, char** argv, TunerSettings& settings)
{
    for (int i = 0; i < argc; i++) {
        if (std::strcmp(argv[i], "--iterations") != 0 || i + 1 >= argc)
            return false;
        char* end = nullptr;
        long n = std::strtol(argv[++i], &end, 10);
        if (*end != '\0' || end == argv[i] || n < 1 || n > 1000000)
            return false;
        settings.maxIterations = int(n);
    }
    return true;
}

// The fitting stages also write params.h with the fitted values: this process
// is the only one that holds them.
int runStage(SearchThread& t, Stage stage, const TunerSettings& settings)
{
    // These stages fit and measure the classic evaluation.
    if (!evalIsClassic())
        selectEvaluation(*t.engine, true);
    switch (stage) {
    case Stage::SEARCH_FIRST: return tuningFirstStage(t, settings);
    case Stage::SEARCH_SECOND: return tuningSecondStage(t, settings) && writeParamsHeader(settings.folder);
    case Stage::SEARCH_THIRD: return tuningThirdStage(t, settings) && writeParamsHeader(settings.folder);
    case Stage::TEXEL_FIRST: return texelFirstStage(t, settings);
    case Stage::TEXEL: return texelTuning(t, settings) && writeParamsHeader(settings.folder);
    case Stage::MINK: return findBestK(t, settings.folder);
    case Stage::PARAMS: return writeParamsHeader(settings.folder);
    }
    return 0;
}

} // namespace

int runTuneCommand(Session& session, int argc, char** argv)
{
    const StageName* chosen = nullptr;
    for (const StageName& s : STAGES)
        if (argc >= 1 && std::strcmp(argv[0], s.word) == 0)
            chosen = &s;
    const bool adam = argc >= 1 && std::strcmp(argv[0], "adam") == 0;
    TunerSettings settings{".", 0};
    AdamSettings adamSettings{};
    if (adam ? !readAdamOptions(argc - 1, argv + 1, adamSettings)
             : !chosen || !readOptions(argc - 1, argv + 1, settings)) {
        printUsage();
        return 1;
    }
    // The search stages search to depth 2 with the shared table and the
    // record's own caches; the others only evaluate.
    Engine& engine = *session.engine;
    SearchThread& t = engine.mainThread;
    const TableSizes sizes = tableSizes(session.config);
    allocEngineTable(engine, sizes.ttEntries, sizes.ttSizeMb, sizes.largePages);
    allocRecordCaches(engine, t, 0, sizes);
    int done = adam ? adamTuning(t, adamSettings) : runStage(t, chosen->stage, settings);
    freeAllTables(engine);
    std::fflush(stdout);
    return done ? 0 : 1;
}
