// Result lines after a move: repetition, fifty moves, mate and stalemate.
#include <gtest/gtest.h>

#include <string>

#include "position/fen.h"
#include "position/stack.h"
#include "position/gameend.h"
#include "position/position.h"

namespace {

PositionStack testStack;

struct Outcome {
    int result;
    std::string printed;
};

Outcome resultAfter(const char* fen, const char* moves)
{
    testStack.current = newGame(testStack);
    EXPECT_EQ(setPositionFromFen(testStack, fen, moves), 1) << fen << " " << (moves ? moves : "");
    testing::internal::CaptureStdout();
    int r = gameResult(testStack);
    return {r, testing::internal::GetCapturedStdout()};
}

const char* const START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

} // namespace

TEST(GameEnd, ResultLines)
{
    struct Case {
        const char* fen;
        const char* moves;
        int result;
        const char* printed;
    };
    const Case cases[] = {
        {START, nullptr, 0, ""},
        {START, "g1f3 g8f6 f3g1 f6g8", 0, ""},  // second occurrence only
        {START, "g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8", 1, "1/2-1/2 {Draw by repetition}\n"},
        {START, "g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8", 0, ""},  // fourth: silent
        {"4k3/8/8/8/8/8/8/R3K3 w - - 99 80", "a1a2", 1, "1/2-1/2 {Draw by 50 move rule}\n"},
        {"4k3/8/8/8/8/8/8/R3K3 w - - 98 80", "a1a2", 0, ""},
        {START, "f2f3 e7e5 g2g4 d8h4", 0, "0-1 {Black mates}\n"},
        {"7k/6Q1/6K1/8/8/8/8/8 b - - 0 1", nullptr, 0, "1-0 {White mates}\n"},
        {"7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", nullptr, 0, "1/2-1/2 {Stalemate}\n"},
        // Only a capture is legal: not announced.
        {"7k/8/8/8/8/8/6q1/7K w - - 0 1", nullptr, 0, ""},
        // Mate on the hundredth ply: both lines.
        {"7k/8/6K1/8/8/8/8/R7 w - - 99 80", "a1a8", 1, "1/2-1/2 {Draw by 50 move rule}\n1-0 {White mates}\n"},
    };
    for (const Case& c : cases) {
        Outcome o = resultAfter(c.fen, c.moves);
        EXPECT_EQ(o.result, c.result) << c.fen << " " << (c.moves ? c.moves : "");
        EXPECT_EQ(o.printed, c.printed) << c.fen << " " << (c.moves ? c.moves : "");
    }
}
