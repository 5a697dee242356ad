// Entry point. This unit is built for the baseline x86-64 instruction set: it
// prints the banner and checks the processor before any code built with BMI2
// or POPCNT can run. Only then are the arguments looked at: "ardentis bench
// [depth] [default|classic]" runs the search bench instead of the protocols,
// and "ardentis tune <stage>" a tuner stage (after the configuration is read).
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "frontend/benchcommand.h"
#include "frontend/startup.h"
#include "platform/cpu.h"

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::setvbuf(stdin, nullptr, _IONBF, 0);

    std::printf("%s\n", BANNER_RULE);
    std::printf("Ardentis chess engine by Velmorin\n");
    std::printf("Version %ld.%ld\n\n", 1L, 3L);

    if (!cpuHasBmi2()) {
        std::printf("BMI2 optimization not supported! \n");
        return 0;
    }
    std::printf("BMI2 optimization supported \n");
    buildAttackTables();
    if (!cpuHasPopcnt()) {
        std::printf("POPCNT optimization not supported! \n");
        return 0;
    }
    std::printf("POPCNT optimization supported \n");
    if (argc > 1 && std::strcmp(argv[1], "bench") == 0)
        return runBenchCommand(argc > 2 ? argv[2] : nullptr, argc > 3 ? argv[3] : nullptr);
    return runEngine(argc, argv);
}
