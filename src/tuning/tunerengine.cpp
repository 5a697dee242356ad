// The tuner's calls into the position, evaluation and search code, kept here
// so that the rest of the tuner does not depend on their signatures.
#include "tuning/tunerengine.h"

#include <cstring>

#include "eval/evalcache.h"
#include "eval/evaluate.h"
#include "position/attacks.h"
#include "position/fen.h"
#include "position/movegen.h"
#include "search/engine.h"
#include "search/hashq.h"
#include "search/ordering.h"
#include "search/quiescence.h"
#include "search/think.h"
#include "search/tt.h"

bool setUpTrainingPosition(SearchThread& t, const char* fen) { return setPositionFromFen(t, fen, nullptr) == 1; }

int staticScore(SearchThread& t) { return evaluatePosition(*t.current); }

bool positionInCheck(SearchThread& t) { return checkers(*t.current) != 0; }

bool sideToMoveIsBlack(SearchThread& t) { return t.current->sideToMove == 1; }

int positionCoefficients(SearchThread& t, EvalCoefficients& out) { return traceCoefficients(*t.current, out); }

int quiescenceScore(SearchThread& t)
{
    t.engine->flags.stopSearch.store(0, std::memory_order_relaxed);
    t.engine->flags.abortIteration.store(0, std::memory_order_relaxed);
    return quiescence(t, 0, 0, -INFINITE, INFINITE, 0);
}

int searchScore(SearchThread& t, int depth)
{
    t.engine->flags.stopSearch.store(0, std::memory_order_relaxed);
    t.engine->flags.abortIteration.store(0, std::memory_order_relaxed);
    t.nodes = 0;
    t.selDepth = 0;
    t.tbHits = 0;
    t.cutoffs = 0;
    t.firstMoveCutoffs = 0;
    t.rootLastMove = 0;
    t.classic = true;  // the selection the tuner was designed with
    clearKillers(t);
    clearHistory(t);
    clearCounterMoves(t);

    std::memset(t.rootMoves, 0, sizeof t.rootMoves);
    MoveEntry legal[MAX_MOVES];
    int count = int(generateLegal(*t.current, legal) - legal);
    for (int i = 0; i < count; i++)
        t.rootMoves[i] = makeEntry(entryMove(legal[i]), 0);
    t.rootEnd = t.rootMoves + count;

    PvLine line;
    line.count = 0;
    t.depth = uint8_t(depth);
    return resultScore(rootSearch(t, depth, -INFINITE, INFINITE, t.rootMoves, t.rootEnd, 0, line));
}

void clearTunerCaches(SearchThread& t)
{
    clearHashEval(t.evalCache);
    clearHashQ(t);
    clearHashTable(t.engine->tt);
}
