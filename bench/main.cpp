// Bench program: builds the start-up tables and prints each area's speed.
// With arguments, only the named areas run (perft, eval, search, threads,
// tuning, book).
#include <cstring>

#include "bench.h"
#include "eval/params.h"
#include "position/attacks.h"

namespace {

bool wanted(int argc, char** argv, const char* area)
{
    if (argc < 2)
        return true;
    for (int i = 1; i < argc; i++)
        if (std::strcmp(argv[i], area) == 0)
            return true;
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    buildSliderTables();
    applyParams();
    if (wanted(argc, argv, "perft"))
        benchPerft();
    if (wanted(argc, argv, "eval"))
        benchEval();
    if (wanted(argc, argv, "search"))
        benchSearch();
    if (wanted(argc, argv, "threads"))
        benchThreads();
    if (wanted(argc, argv, "tuning"))
        benchTuning();
    if (wanted(argc, argv, "book"))
        benchBook();
    return 0;
}
