// Setting up the position stack for a new game.
#include "position/stack.h"

#include <cstring>

Position* newGame(PositionStack& stack, bool chess960)
{
    std::memset(stack.positions, 0, sizeof stack.positions);
    Position& p = stack.positions[0];
    p.own = 0x000000000000FFFFULL;
    p.type0 = 0x2CFF00000000FF2CULL;
    p.type1 = 0x7600000000000076ULL;
    p.type2 = 0x9900000000000099ULL;
    p.castling = 0x33;
    p.epFile = NO_EP_FILE;
    p.chess960 = chess960;
    p.key = computeKey(p);
    p.pawnKey = computePawnKey(p);
    stack.current = &p;
    return &p;
}
