// Bench program: builds the start-up tables and prints each area's speed.
// With arguments, only the areas named (perft, eval, search, threads,
// tuning, book, tablebase) run.
#include <cstring>

#include "bench.h"
#include "eval/params.h"
#include "position/attacks.h"

int main(int argc, char** argv)
{
    buildSliderTables();
    applyParams();
    struct Area {
        const char* name;
        void (*run)();
    };
    const Area areas[] = {{"perft", benchPerft},     {"eval", benchEval},          {"search", benchSearch},
                          {"threads", benchThreads}, {"tuning", benchTuning},       {"book", benchBook},
                          {"tablebase", benchTablebase}};
    for (const Area& a : areas) {
        bool wanted = argc < 2;
        for (int i = 1; i < argc; i++)
            wanted |= std::strcmp(argv[i], a.name) == 0;
        if (wanted)
            a.run();
    }
    return 0;
}
