// The console's search-and-play step.
#include "frontend/play.h"

#include <cstdio>
#include <cstdlib>

#include "frontend/config.h"
#include "frontend/session.h"
#include "platform/platform.h"
#include "position/makemove.h"
#include "search/engine.h"
#include "search/think.h"

void startTimerOrExit(Engine& engine, int moveNumber, bool consoleClock)
{
    if (setupTimer(engine.timer, engine.timeControl, moveNumber, consoleClock))
        return;
    std::printf("#DEBUG Errore nella creazione del thread 1\n");
    std::exit(1);
}

SearchResult thinkAndPlay(Session& session)
{
    Engine& engine = *session.engine;
    SearchThread& t = engine.mainThread;
    t.rootLastMove = t.current->sideToMove;
    engine.timeControl.startMs = nowMs();
    engine.timeControl.classic = session.config.classic != 0;
    startTimerOrExit(engine, 0, true);
    SearchResult result = think(engine, searchSettings(session.config));
    stopTimer(engine.timer);
    if (result.best)
        t.current = makeMove(*t.current, result.best);
    return result;
}
