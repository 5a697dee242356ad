// How a game stands after a move: repetition, fifty moves, mate and stalemate.
#include <gtest/gtest.h>

#include "position/fen.h"
#include "position/gameend.h"
#include "position/position.h"
#include "position/stack.h"

namespace {

PositionStack testStack;

unsigned endAfter(const char* fen, const char* moves)
{
    testStack.current = newGame(testStack);
    EXPECT_EQ(setPositionFromFen(testStack, fen, moves), 1) << fen << " " << (moves ? moves : "");
    return gameEnd(*testStack.current);
}

const char* const START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

} // namespace

TEST(GameEnd, EndsOfTheGame)
{
    struct Case {
        const char* fen;
        const char* moves;
        unsigned expected;
    };
    const Case cases[] = {
        {START, nullptr, 0},
        {START, "g1f3 g8f6 f3g1 f6g8", 0},  // second occurrence only
        {START, "g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8", GAME_END_REPETITION},
        {START, "g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8", 0},  // fourth: not again
        {"4k3/8/8/8/8/8/8/R3K3 w - - 99 80", "a1a2", GAME_END_FIFTY_MOVES},
        {"4k3/8/8/8/8/8/8/R3K3 w - - 98 80", "a1a2", 0},
        {START, "f2f3 e7e5 g2g4 d8h4", GAME_END_MATE},
        {"7k/6Q1/6K1/8/8/8/8/8 b - - 0 1", nullptr, GAME_END_MATE},
        {"7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", nullptr, GAME_END_STALEMATE},
        // Only a capture is legal: the game goes on.
        {"7k/8/8/8/8/8/6q1/7K w - - 0 1", nullptr, 0},
        // Mate on the hundredth ply: both.
        {"7k/8/6K1/8/8/8/8/R7 w - - 99 80", "a1a8", GAME_END_FIFTY_MOVES | GAME_END_MATE},
    };
    for (const Case& c : cases)
        EXPECT_EQ(endAfter(c.fen, c.moves), c.expected) << c.fen << " " << (c.moves ? c.moves : "");
}
