// The ends of a game.
#include "position/gameend.h"

#include "position/attacks.h"
#include "position/movegen.h"

unsigned gameEnd(const Position& pos)
{
    unsigned end = 0;
    if (pos.repetitions == 2)
        end |= GAME_END_REPETITION;
    if (pos.halfmoveClock > 99)
        end |= GAME_END_FIFTY_MOVES;
    if (!hasLegalMove(pos))
        end |= checkers(pos) ? GAME_END_MATE : GAME_END_STALEMATE;
    return end;
}
