// Perft walks the tree on the main thread's stack: evasions when in check,
// otherwise captures then quiet moves, each list walked from its end. The
// last ply is counted by countLegalMoves, without listing the moves.
#include "position/perft.h"

#include "position/attacks.h"
#include "position/makemove.h"
#include "position/movegen.h"

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
    if (depth == 1)
        return uint64_t(countLegalMoves(*pos));
    MoveEntry list[MAX_MOVES];
    const Bitboard inCheck = checkers(*pos);
    if (inCheck)
        return countList(pos, list, generateEvasions(*pos, inCheck, list), depth);
    uint64_t nodes = countList(pos, list, generateCaptures(*pos, list), depth);
    return nodes + countList(pos, list, generateQuiets(*pos, list), depth);
}

uint64_t perft(PositionStack& stack, int depth)
{
    // The tree needs `depth` slots above the current one; a depth the stack
    // cannot hold (far beyond anything that finishes) counts nothing.
    const long room = POSITION_STACK_SIZE - 1 - (stack.current - stack.positions);
    if (depth < 1 || depth > room)
        return 0;
    return perftFrom(stack.current, depth);
}

uint64_t perftRoot(PositionStack& stack, int depth)
{
    return depth < 1 ? 1 : perft(stack, depth);
}

const PerftCase PERFT_SUITE[PERFT_SUITE_SIZE] = {
    {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 6, 119060324},
    {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 5, 193690690},
    {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 7, 178633661},
    {"r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", 6, 706045033},
    {"rnbqkb1r/pp1p1ppp/2p5/4P3/2B5/8/PPP1NnPP/RNBQK2R w KQkq - 0 6", 3, 53392},
    {"r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10", 5, 164075551},
};
