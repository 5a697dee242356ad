// Start-up: configuration, new game, parameters, then the prompt that chooses
// the console or UCI.
#include "frontend/startup.h"

#include <cstdio>
#include <cstring>

#include "eval/params.h"
#include "frontend/config.h"
#include "frontend/console.h"
#include "frontend/datagencommand.h"
#include "frontend/input.h"
#include "frontend/tunecommand.h"
#include "frontend/uci.h"
#include "position/attacks.h"
#include "position/position.h"
#include "search/searchstate.h"
#include "search/searchthread.h"

void buildAttackTables() { buildSliderTables(); }

int runEngine(int argc, char** argv)
{
    loadConfig(configFilePath().c_str());
    mainThread.current = newGame(mainThread);
    clearSearchState();
    applyParams();
    // The start position is symmetric: its incremental scores stay 0 whatever
    // the file changes, so it need not be set up again.
    // A file that was not applied is not announced as the ParamFile in force.
    if (config.paramFile[0] != '\0' && !loadParamFile(config.paramFile))
        config.paramFile[0] = '\0';
    if (argc >= 2 && std::strcmp(argv[1], "tune") == 0)
        return runTuneCommand(argc - 2, argv + 2);
    if (argc >= 2 && std::strcmp(argv[1], "datagen") == 0)
        return runDatagenCommand(argc - 2, argv + 2);
    std::printf("%s\n", BANNER_RULE);
    std::printf("enter 'console' for console mode... ");

    char line[INPUT_LINE_CAPACITY];
    for (;;) {
        LineStatus status = readInputLine(line, sizeof line);
        std::fflush(stdout);
        if (status == LineStatus::End)
            return 0;
        if (status == LineStatus::TooLong || line[0] == '\0')
            continue;
        int result = 0;
        if (std::strncmp(line, "uci", 3) == 0) {
            protocolMode = 2;
            result = uciLoop();
        } else if (line[0] == 'c') {
            protocolMode = 0;
            result = consoleLoop();
        } else if (std::strncmp(line, "quit", 4) == 0) {
            return 0;
        }
        if (result == 1)
            return 0;
    }
}
