// The console's search-and-play step.
#include "frontend/play.h"

#include "frontend/config.h"
#include "platform/platform.h"
#include "position/makemove.h"
#include "search/think.h"
#include "search/timecontrol.h"

SearchResult thinkAndPlay(SearchThread& t)
{
    t.rootLastMove = t.current->sideToMove;
    timeControl.startMs = nowMs();
    setupTimer(timeControl, 0, true);
    SearchResult result = think(t, searchSettings());
    stopTimer();
    if (result.best)
        t.current = makeMove(*t.current, result.best);
    return result;
}
