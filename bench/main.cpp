// Bench program: builds the start-up tables and prints each area's speed.
#include "bench.h"
#include "eval/params.h"
#include "position/attacks.h"

int main()
{
    buildSliderTables();
    applyParams();
    benchPerft();
    benchEval();
    benchSearch();
    benchThreads();
    benchTuning();
    benchBook();
    return 0;
}
