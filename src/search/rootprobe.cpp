// Root probing: DTZ values of the root moves and the choice of the moves the
// search may play. A won root keeps only moves that still win inside the
// fifty-move budget, so the search converts whatever it prefers among them.
#include "search/rootprobe.h"

#include "position/attacks.h"
#include "position/makemove.h"
#include "position/movegen.h"
#include "search/engine.h"
#include "search/ordering.h"
#include "tablebase/tbprobe.h"

namespace {

// Whether a position with the same side to move, within the last c plies,
// occurred before (a repetition is already on the board).
bool repeatedRecently(const Position& root, int c)
{
    // The guard slots in front of every stack have no own pieces and end the
    // scan before it leaves the stack.
    for (int back = 0; back <= c; back += 2) {
        const Position& q = (&root)[-back];
        if (q.own == 0)
            break;
        if (q.repetitions & 1)
            return true;
    }
    return false;
}

}  // namespace

int rootProbe(Tablebases& tb, Position& pos, MoveEntry* first, int16_t& tbScore, MoveEntry*& end,
              bool fiftyMoveRule)
{
    int ok;
    const int dtz = probeDtz(tb, pos, &ok);
    if (!ok)
        return 0;

    for (MoveEntry* e = first; e < end; e++) {
        const Move m = entryMove(*e);
        const Position* child = makeMove(pos, m);
        int v;
        if (dtz > 0 && checkers(*child) && !hasLegalMove(*child)) {
            v = 1;
        } else if (child->halfmoveClock == 0) {
            v = wdlToDtz(-probeWdl(tb, *child, &ok));
        } else {
            const int d = -probeDtz(tb, *child, &ok);
            v = d > 0 ? d + 1 : d < 0 ? d - 1 : 0;
        }
        if (!ok)
            return 0;
        *e = makeEntry(m, v);
    }

    const int c = pos.halfmoveClock;
    MoveEntry* kept = first;
    if (dtz > 0) {
        tbScore = int16_t(!fiftyMoveRule || dtz + c <= 100 ? TB_WIN_SCORE : 2);
        int best = 65535;
        for (MoveEntry* e = first; e < end; e++)
            if (entryScore(*e) > 0 && entryScore(*e) < best)
                best = entryScore(*e);
        const int limit = !repeatedRecently(pos, c) && best + c <= 99 ? 99 - c : best;
        for (MoveEntry* e = first; e < end; e++)
            if (entryScore(*e) > 0 && entryScore(*e) <= limit)
                *kept++ = *e;
    } else if (dtz == 0) {
        tbScore = 0;
        for (MoveEntry* e = first; e < end; e++)
            if (entryScore(*e) == 0)
                *kept++ = *e;
    } else {
        tbScore = int16_t(!fiftyMoveRule || c - dtz <= 100 ? -TB_WIN_SCORE : -2);
        int best = 0;
        for (MoveEntry* e = first; e < end; e++)
            if (entryScore(*e) < best)
                best = entryScore(*e);
        if (!fiftyMoveRule || c - 2 * best <= 99) {
            kept = end;
        } else {
            for (MoveEntry* e = first; e < end; e++)
                if (entryScore(*e) == best)
                    *kept++ = *e;
        }
    }
    // Tables that contradict each other must not leave the search without a move.
    if (kept == first)
        return 0;
    if (kept - first >= 2)
        sortRootMoves(first, 0, int(kept - first) - 1);
    end = kept;
    return 1;
}

bool decideRootByTables(SearchThread& front, int tbLimit, int& tbScore)
{
    if (popcount(occupied(*front.current)) > tbLimit)
        return false;
    int16_t score = 0;
    uint64_t* end = front.rootEnd;
    if (!rootProbe(front.engine->tablebases, *front.current, front.rootMoves, score, end, front.tbFiftyMoveRule))
        return false;
    front.rootEnd = end;
    front.tbLimit = 0;
    tbScore = score;
    return true;
}
