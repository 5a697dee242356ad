// The result lines of a finished game.
#include "position/gameend.h"

#include <cstdio>

#include "position/attacks.h"
#include "position/movegen.h"
#include "position/stack.h"

int gameResult(PositionStack& thread)
{
    const Position& pos = *thread.current;
    int draw = 0;
    if (pos.repetitions == 2) {
        std::printf("1/2-1/2 {Draw by repetition}\n");
        draw = 1;
    }
    if (pos.halfmoveClock > 99) {
        std::printf("1/2-1/2 {Draw by 50 move rule}\n");
        draw = 1;
    }
    if (hasLegalMove(pos))
        return draw;
    if (checkers(pos))
        std::printf(pos.sideToMove == 0 ? "0-1 {Black mates}\n" : "1-0 {White mates}\n");
    else
        std::printf("1/2-1/2 {Stalemate}\n");
    return draw;
}
