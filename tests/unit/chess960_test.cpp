// Chess960 set-ups: castling rights by rook file in FEN (X-FEN and
// Shredder-FEN), castling as the king taking its rook in move text, castling
// from every start square, and the keys that tell rook files apart. The perft
// file and the tree walk check generation over many more positions.
#include <gtest/gtest.h>

#include <string>

#include "engine_init.h"
#include "position/fen.h"
#include "position/makemove.h"
#include "position/stack.h"

namespace {

PositionStack stack960;

// Chess960 text for the life of the object.
struct Chess960Text {
    explicit Chess960Text(bool on) { setChess960Text(on); }
    ~Chess960Text() { setChess960Text(false); }
};

std::string fenOf(const Position& pos)
{
    char text[FEN_TEXT_SIZE];
    positionToFen(pos, text);
    return text;
}

bool setUp(const std::string& fen, const char* moves = nullptr)
{
    newGame(stack960);
    return setPositionFromFen(stack960, fen.c_str(), moves) == 1;
}

TEST(Chess960, CastlingFieldsReadAndWritten)
{
    struct Case {
        const char* fen;
        const char* written;  // the FEN's first four fields in Chess960 text; null: refused
    };
    const Case cases[] = {
        // The standard start, as X-FEN and as Shredder-FEN.
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
         "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w HAha - "},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w HAha - 0 1",
         "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w HAha - "},
        // KQkq name the outermost rooks: here b and f.
        {"nrqkbrnb/pppppppp/8/8/8/8/PPPPPPPP/NRQKBRNB w KQkq - 0 1",
         "nrqkbrnb/pppppppp/8/8/8/8/PPPPPPPP/NRQKBRNB w FBfb - "},
        {"nrqkbrnb/pppppppp/8/8/8/8/PPPPPPPP/NRQKBRNB b Fb - 0 1",
         "nrqkbrnb/pppppppp/8/8/8/8/PPPPPPPP/NRQKBRNB b Fb - "},
        // An inner rook by its file; mixed forms; the same right twice.
        {"4k3/8/8/8/8/8/8/R2K2RR w G - 0 1", "4k3/8/8/8/8/8/8/R2K2RR w G - "},
        {"1r2k1r1/8/8/8/8/8/8/1R2K1R1 w KBgq - 0 1", "1r2k1r1/8/8/8/8/8/8/1R2K1R1 w GBgb - "},
        {"4k3/8/8/8/8/8/8/R2K2RR w KH - 0 1", "4k3/8/8/8/8/8/8/R2K2RR w H - "},
        // Kings on different files, one side without rights.
        {"r5kr/8/8/8/8/8/8/1R1K3R w HBh - 0 1", "r5kr/8/8/8/8/8/8/1R1K3R w HBh - "},
        {"4k3/8/8/8/8/8/8/R2K2RR w KG - 0 1", nullptr},   // two king-side rooks
        {"4k3/8/8/8/8/8/8/R2K3R w C - 0 1", nullptr},     // no rook on c1
        {"4k3/8/8/8/8/8/8/R2K3R w D - 0 1", nullptr},     // the king's own file
        {"4k3/8/8/8/8/8/8/3K3R w Q - 0 1", nullptr},      // no rook on the queen side
        {"4k3/8/8/8/8/8/3K4/R6R w HA - 0 1", nullptr},    // king off its first rank
        {"4k3/8/8/8/8/8/8/R2K3R w Hx - 0 1", nullptr},
    };
    for (const Case& c : cases) {
        {
            Chess960Text on(true);
            ASSERT_EQ(setUp(c.fen), c.written != nullptr) << c.fen;
            if (!c.written)
                continue;
            EXPECT_EQ(fenOf(*stack960.current), c.written) << c.fen;
            EXPECT_EQ(stack960.current->key, computeKey(*stack960.current)) << c.fen;
        }
        // Without Chess960 text only the standard set-up reads, written KQkq.
        const bool standard = std::string(c.fen).rfind("rnbqkbnr", 0) == 0;
        EXPECT_EQ(setUp(c.fen), standard && std::string(c.fen).find("HAha") == std::string::npos) << c.fen;
    }
}

TEST(Chess960, CastlingMovesAsKingTakesRook)
{
    struct Case {
        const char* fen;
        const char* move;   // as the king takes its rook
        const char* after;  // null: the castling is illegal
    };
    const Case cases[] = {
        {"1r1k1r2/pppppppp/8/8/8/8/PPPPPPPP/1R1K1R2 w FBfb - 0 1", "d1f1",
         "1r1k1r2/pppppppp/8/8/8/8/PPPPPPPP/1R3RK1 b fb - "},
        {"1r1k1r2/pppppppp/8/8/8/8/PPPPPPPP/1R1K1R2 w FBfb - 0 1", "d1b1",
         "1r1k1r2/pppppppp/8/8/8/8/PPPPPPPP/2KR1R2 b fb - "},
        {"1r1k1r2/pppppppp/8/8/8/8/PPPPPPPP/1R1K1R2 b FBfb - 0 1", "d8f8",
         "1r3rk1/pppppppp/8/8/8/8/PPPPPPPP/1R1K1R2 w FB - "},
        {"1r1k1r2/pppppppp/8/8/8/8/PPPPPPPP/1R1K1R2 b FBfb - 0 1", "d8b8",
         "2kr1r2/pppppppp/8/8/8/8/PPPPPPPP/1R1K1R2 w FB - "},
        // The king would cross f1, which the rook on f8 attacks.
        {"1r1k1r2/8/8/8/8/8/8/1R1K1R2 w FBfb - 0 1", "d1f1", nullptr},
        // The king already on its destination; the king landing where its rook stood.
        {"4k3/8/8/8/8/8/8/6KR w H - 0 1", "g1h1", "4k3/8/8/8/8/8/8/5RK1 b - - "},
        {"4k3/8/8/8/8/8/8/RK6 w A - 0 1", "b1a1", "4k3/8/8/8/8/8/8/2KR4 b - - "},
        {"4k3/8/8/8/8/8/8/4K1R1 w G - 0 1", "e1g1", "4k3/8/8/8/8/8/8/5RK1 b - - "},
        {"4k3/8/8/8/8/8/8/R2RK3 w D - 0 1", "e1d1", "4k3/8/8/8/8/8/8/R1KR4 b - - "},
        // The rook on b1 screens c1 from the queen on a1 until it moves.
        {"4k3/8/8/8/8/8/8/qR2K3 w B - 0 1", "e1b1", nullptr},
        // A piece on the rook's way, an attacked square on the king's way, check.
        {"4k3/8/8/8/8/8/8/1RN1K3 w B - 0 1", "e1b1", nullptr},
        {"4k3/8/8/8/8/8/3r4/1R2K3 w B - 0 1", "e1b1", nullptr},
        {"4k3/8/8/8/8/8/8/1R2K2r w B - 0 1", "e1b1", nullptr},
        // The standard squares through Chess960 text.
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "e1h1", "r3k2r/8/8/8/8/8/8/R4RK1 b ha - "},
    };
    Chess960Text on(true);
    for (const Case& c : cases) {
        ASSERT_TRUE(setUp(c.fen)) << c.fen;
        const Position& pos = *stack960.current;
        const Move castle = textToMove(pos, c.move);
        EXPECT_EQ(makeMoveIfLegal(stack960, castle), c.after != nullptr) << c.fen << " " << c.move;
        if (!c.after)
            continue;
        EXPECT_EQ(fenOf(*stack960.current), c.after) << c.fen << " " << c.move;
        EXPECT_EQ(stack960.current->key, computeKey(*stack960.current)) << c.fen;
        char text[MOVE_TEXT_SIZE];
        moveToText(text, castle, int(pos.sideToMove));
        EXPECT_STREQ(text, c.move) << c.fen;
        // The same moves as a list after the FEN.
        EXPECT_TRUE(setUp(c.fen, c.move)) << c.fen;
    }
}

TEST(Chess960, StandardTextKeepsTheKingsStep)
{
    const char* fen = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1";
    ASSERT_TRUE(setUp(fen));
    const Position& pos = *stack960.current;
    char text[MOVE_TEXT_SIZE];
    moveToText(text, textToMove(pos, "e1g1"), 0);
    EXPECT_STREQ(text, "e1g1");
    EXPECT_EQ(moveKind(textToMove(pos, "e1h1")), KIND_KING + KIND_CAPTURE);  // not castling here
    {
        Chess960Text on(true);
        moveToText(text, textToMove(pos, "e1g1"), 0);  // the step is still read
        EXPECT_STREQ(text, "e1h1");
    }
}

TEST(Chess960, RookFilesTellKeysApart)
{
    // The same men and rights; only which rook may castle differs.
    uint64_t keys[3] = {};
    const char* const fens[3] = {"4k3/8/8/8/8/8/8/R2K2RR w G - 0 1", "4k3/8/8/8/8/8/8/R2K2RR w H - 0 1",
                                 "4k3/8/8/8/8/8/8/R3K2R w H - 0 1"};
    {
        Chess960Text on(true);
        for (int i = 0; i < 3; i++) {
            ASSERT_TRUE(setUp(fens[i])) << fens[i];
            keys[i] = stack960.current->key;
        }
    }
    EXPECT_NE(keys[0], keys[1]);
    // A rook in its corner adds nothing: the key of standard chess.
    ASSERT_TRUE(setUp("4k3/8/8/8/8/8/8/R3K2R w K - 0 1"));
    EXPECT_EQ(stack960.current->key, keys[2]);
}

}  // namespace
