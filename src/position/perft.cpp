// Perft walks the tree on the main thread's stack: evasions when in check,
// otherwise captures then quiet moves, each list walked from its end.
#include "position/perft.h"

#include "position/attacks.h"
#include "position/makemove.h"
#include "position/movegen.h"
#include "search/searchthread.h"

namespace {

uint64_t countList(Position* pos, const MoveEntry* list, const MoveEntry* end, int depth)
{
    uint64_t nodes = 0;
    if (depth == 1) {
        while (end != list)
            nodes += !leavesKingInCheck(*pos, entryMove(*--end));
        return nodes;
    }
    while (end != list) {
        const Move m = entryMove(*--end);
        if (!leavesKingInCheck(*pos, m))
            nodes += perftFrom(makeMove(*pos, m), depth - 1);
    }
    return nodes;
}

}  // namespace

uint64_t perftFrom(Position* pos, int depth)
{
    MoveEntry list[MAX_MOVES];
    const Bitboard inCheck = checkers(*pos);
    if (inCheck)
        return countList(pos, list, generateEvasions(*pos, inCheck, list), depth);
    uint64_t nodes = countList(pos, list, generateCaptures(*pos, list), depth);
    return nodes + countList(pos, list, generateQuiets(*pos, list), depth);
}

uint64_t perft(int depth)
{
    // The tree needs `depth` slots above the current one; a depth the stack
    // cannot hold (far beyond anything that finishes) counts nothing.
    const long room = POSITION_STACK_SIZE - 1 - (mainThread.current - mainThread.positions);
    if (depth < 1 || depth > room)
        return 0;
    return perftFrom(mainThread.current, depth);
}

uint64_t perftRoot(int depth)
{
    return depth < 1 ? 1 : perft(depth);
}
