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
#include "frontend/report.h"
#include "frontend/session.h"
#include "frontend/tunecommand.h"
#include "frontend/uci.h"
#include "position/attacks.h"
#include "position/position.h"
#include "search/timecontrol.h"

void buildAttackTables() { buildSliderTables(); }

namespace {

// The configuration's clock settings, and the root's parent move the engine
// has always started with.
void applyConfig(const Config& config, Engine& engine)
{
    TimeControl& tc = engine.timeControl;
    tc.suddenDeath = int32_t(config.suddenDeath);
    tc.moreTime = int32_t(config.moreTime);
    tc.lessTime = int32_t(config.lessTime);
    tc.fastGame = int32_t(config.fastGame);
    tc.fastOpening = int32_t(config.fastOpening);
    tc.myTime = tc.moveTime = tc.allocation = NO_MOVE_TIME;
    engine.mainThread.rootLastMove = 2;
}

int runLoops(Session& session, int argc, char** argv)
{
    Engine& engine = *session.engine;
    engine.mainThread.current = newGame(engine.mainThread, session.config.chess960);
    clearSearchState(engine);
    selectEvaluation(engine, session.config.classic != 0);
    // The start position is symmetric: its incremental scores stay 0 whatever
    // the file changes, so it need not be set up again.
    // A file that was not applied is not announced as the ParamFile in force.
    Config& config = session.config;
    if (config.paramFile[0] != '\0' && !loadParamFile(config.paramFile, false))
        config.paramFile[0] = '\0';
    if (argc >= 2 && std::strcmp(argv[1], "tune") == 0)
        return runTuneCommand(session, argc - 2, argv + 2);
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
            session.protocol = Protocol::Uci;
            result = uciLoop(session);
        } else if (line[0] == 'c') {
            session.protocol = Protocol::Console;
            result = consoleLoop(session);
        } else if (std::strncmp(line, "quit", 4) == 0) {
            return 0;
        }
        if (result == 1)
            return 0;
    }
}

} // namespace

int runEngine(int argc, char** argv)
{
    // A few kilobytes, most of it the configuration's paths; the engine itself
    // lives on the heap.
    Session session;
    loadConfig(session.config, configFilePath().c_str());
    session.engine = createEngine(messageReporter());
    applyConfig(session.config, *session.engine);
    const int status = runLoops(session, argc, argv);
    destroyEngine(session.engine);
    return status;
}
