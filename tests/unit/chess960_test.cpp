// Chess960 games: castling rights by rook file in FEN (X-FEN and
// Shredder-FEN), castling written as the king taking its rook, keys that tell
// rook files apart, and the kind of chess kept per game. The perft file and
// the tree walk check generation, make-move and keys over many more
// positions.
#include <gtest/gtest.h>

#include <string>

#include "engine_init.h"
#include "position/fen.h"
#include "position/makemove.h"
#include "position/stack.h"

namespace {

PositionStack stack960;
PositionStack standardStack;

std::string fenOf(const Position& pos)
{
    char text[FEN_TEXT_SIZE];
    positionToFen(pos, text);
    return text;
}

bool setUp(PositionStack& stack, const char* fen, bool chess960, const char* moves = nullptr)
{
    newGame(stack);
    return setPositionFromFen(stack, fen, moves, chess960) == 1;
}

TEST(Chess960, CastlingFieldsReadAndWritten)
{
    struct Case {
        const char* fen;
        const char* written;   // in a Chess960 game; null: refused
        const char* standard;  // in a standard game; null: refused
    };
    const Case cases[] = {
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
         "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w HAha - ",
         "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - "},
        // KQkq name the outermost rooks; a file letter any rook; both mixed.
        {"nrqkbrnb/pppppppp/8/8/8/8/PPPPPPPP/NRQKBRNB b KQkq - 0 1",
         "nrqkbrnb/pppppppp/8/8/8/8/PPPPPPPP/NRQKBRNB b FBfb - ", nullptr},
        {"4k3/8/8/8/8/8/8/R2K2RR w G - 0 1", "4k3/8/8/8/8/8/8/R2K2RR w G - ", nullptr},
        {"1r2k1r1/8/8/8/8/8/8/1R2K1R1 w KBgq - 0 1", "1r2k1r1/8/8/8/8/8/8/1R2K1R1 w GBgb - ", nullptr},
        {"r5kr/8/8/8/8/8/8/1R1K3R w HBh - 0 1", "r5kr/8/8/8/8/8/8/1R1K3R w HBh - ", nullptr},
        {"4k3/8/8/8/8/8/8/R2K2RR w KG - 0 1", nullptr, nullptr},   // two king-side rooks
        {"4k3/8/8/8/8/8/8/R2K3R w C - 0 1", nullptr, nullptr},     // no rook on c1
        {"4k3/8/8/8/8/8/8/R2K3R w D - 0 1", nullptr, nullptr},     // the king's own file
        {"4k3/8/8/8/8/8/3K4/R6R w HA - 0 1", nullptr, nullptr},    // king off its first rank
    };
    for (const Case& c : cases) {
        ASSERT_EQ(setUp(stack960, c.fen, true), c.written != nullptr) << c.fen;
        ASSERT_EQ(setUp(standardStack, c.fen, false), c.standard != nullptr) << c.fen;
        // Two games of either kind side by side, each written its own way.
        if (c.written) {
            EXPECT_EQ(fenOf(*stack960.current), c.written) << c.fen;
        }
        if (c.standard) {
            EXPECT_EQ(fenOf(*standardStack.current), c.standard) << c.fen;
        }
    }
}

TEST(Chess960, CastlingMovesAsKingTakesRook)
{
    struct Case {
        const char* fen;
        const char* move;
        const char* after;  // null: the castling is illegal
    };
    const Case cases[] = {
        {"1r1k1r2/pppppppp/8/8/8/8/PPPPPPPP/1R1K1R2 w FBfb - 0 1", "d1f1",
         "1r1k1r2/pppppppp/8/8/8/8/PPPPPPPP/1R3RK1 b fb - "},
        {"1r1k1r2/pppppppp/8/8/8/8/PPPPPPPP/1R1K1R2 b FBfb - 0 1", "d8b8",
         "2kr1r2/pppppppp/8/8/8/8/PPPPPPPP/1R1K1R2 w FB - "},
        // The king already on its destination, or landing where its rook stood.
        {"4k3/8/8/8/8/8/8/6KR w H - 0 1", "g1h1", "4k3/8/8/8/8/8/8/5RK1 b - - "},
        {"4k3/8/8/8/8/8/8/4K1R1 w G - 0 1", "e1g1", "4k3/8/8/8/8/8/8/5RK1 b - - "},
        {"4k3/8/8/8/8/8/8/R2RK3 w D - 0 1", "e1d1", "4k3/8/8/8/8/8/8/R1KR4 b - - "},
        // The rook on b1 screens c1 from the queen on a1 until it moves; the
        // rook on f8 attacks f1, which the king would cross.
        {"4k3/8/8/8/8/8/8/qR2K3 w B - 0 1", "e1b1", nullptr},
        {"1r1k1r2/8/8/8/8/8/8/1R1K1R2 w FBfb - 0 1", "d1f1", nullptr},
        // Standard castling in a Chess960 game.
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "e1h1", "r3k2r/8/8/8/8/8/8/R4RK1 b ha - "},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(setUp(stack960, c.fen, true)) << c.fen;
        const Position& pos = *stack960.current;
        const Move castle = textToMove(pos, c.move);
        EXPECT_EQ(makeMoveIfLegal(stack960, castle), c.after != nullptr) << c.fen << " " << c.move;
        char text[MOVE_TEXT_SIZE];
        moveToText(text, castle, int(pos.sideToMove), true);
        if (c.after) {
            EXPECT_EQ(fenOf(*stack960.current), c.after) << c.fen;
            EXPECT_EQ(stack960.current->key, computeKey(*stack960.current)) << c.fen;
            EXPECT_STREQ(text, c.move) << c.fen;
        }
    }
    // The same castling in a standard game is the king's two-square step,
    // and its game keeps that through the moves made.
    ASSERT_TRUE(setUp(standardStack, "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", false, "e1g1"));
    EXPECT_FALSE(makeMoveIfLegal(standardStack, textToMove(*standardStack.current, "e8a8")));
    EXPECT_TRUE(makeMoveIfLegal(standardStack, textToMove(*standardStack.current, "e8c8")));
    EXPECT_EQ(fenOf(*standardStack.current), "2kr3r/8/8/8/8/8/8/R4RK1 w - - ");
    ASSERT_TRUE(setUp(stack960, "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", true, "e1h1 e8a8"));
    EXPECT_EQ(fenOf(*stack960.current), "2kr3r/8/8/8/8/8/8/R4RK1 w - - ");
}

TEST(Chess960, RookFilesTellKeysApart)
{
    // The same men and rights; only which rook may castle differs.
    ASSERT_TRUE(setUp(stack960, "4k3/8/8/8/8/8/8/R2K2RR w G - 0 1", true));
    const uint64_t inner = stack960.current->key;
    ASSERT_TRUE(setUp(stack960, "4k3/8/8/8/8/8/8/R2K2RR w H - 0 1", true));
    EXPECT_NE(stack960.current->key, inner);
    // A rook in its corner adds nothing: the key of standard chess.
    ASSERT_TRUE(setUp(stack960, "4k3/8/8/8/8/8/8/R3K2R w H - 0 1", true));
    ASSERT_TRUE(setUp(standardStack, "4k3/8/8/8/8/8/8/R3K2R w K - 0 1", false));
    EXPECT_EQ(standardStack.current->key, stack960.current->key);
}

}  // namespace
