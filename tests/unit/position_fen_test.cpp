// FEN reading and writing, move text, move lists and the board diagram,
// including text a hostile or careless front end might send.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "engine_init.h"
#include "position/fen.h"
#include "position/makemove.h"
#include "position/stack.h"
#include "sent_text.h"

namespace {

PositionStack testStack;

const char* const START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

std::string fenOf(const Position& pos)
{
    char text[FEN_TEXT_SIZE];
    positionToFen(pos, text);
    return text;
}

Position& setUp(const char* fen, const char* moves = nullptr)
{
    newGame(testStack);
    EXPECT_TRUE(setPositionFromFen(testStack, fen, moves)) << fen;
    return *testStack.current;
}

TEST(Fen, EveryPositionOfTheSharedFileRoundTrips)
{
    std::ifstream in(testDataPath("positions.txt"));
    std::string line;
    int count = 0;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        // The first four fields, each followed by a blank.
        std::string expected;
        size_t at = 0;
        for (int field = 0; field < 4; field++) {
            size_t blank = line.find(' ', at);
            expected += line.substr(at, blank - at) + " ";
            at = blank + 1;
        }
        const Position& pos = setUp(line.c_str());
        EXPECT_EQ(fenOf(pos), expected);
        EXPECT_EQ(pos.key, computeKey(pos));
        count++;
    }
    EXPECT_EQ(count, 301);
}

TEST(Fen, FieldsReadAsDocumented)
{
    EXPECT_EQ(fenOf(setUp(START_FEN)), "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - ");

    const Position& blackEp = setUp("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1");
    EXPECT_EQ(blackEp.epFile, 4);
    EXPECT_EQ(blackEp.sideToMove, 1u);
    EXPECT_EQ(fenOf(blackEp), "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 ");
    EXPECT_EQ(fenOf(setUp("rnbqkbnr/ppp1pppp/8/3pP3/8/8/PPPP1PPP/RNBQKBNR w KQkq d6 0 2")),
              "rnbqkbnr/ppp1pppp/8/3pP3/8/8/PPPP1PPP/RNBQKBNR w KQkq d6 ");

    struct Clock {
        const char* tail;
        int clock;
    };
    const Clock clocks[] = {{" bm Rxb4;", 0}, {"", 0}, {" 37 80", 37}, {" 300 1", 255}, {" 99999999999999 1", 255}};
    for (const Clock& c : clocks) {
        const std::string fen = std::string("1r1qr2k/1p4pp/3p4/1R1B1p2/1pPp4/4P1Pb/1P3P1P/Q3R1K1 w - -") + c.tail;
        EXPECT_EQ(setUp(fen.c_str()).halfmoveClock, c.clock) << fen;
    }

    EXPECT_EQ(setUp("r3k2r/8/8/8/8/8/8/R3K2R w Kq - 0 1").castling, 0x12);
    EXPECT_EQ(setUp("r3k2r/8/8/8/8/8/8/R3K2R b Kq - 0 1").castling, 0x21);
    EXPECT_EQ(setUp("r3k2r/8/8/8/8/8/8/R3K2R w - - 0 1").castling, 0);
}

TEST(Fen, MoveTextBothWays)
{
    const Position& start = setUp(START_FEN);
    EXPECT_EQ(textToMove(start, "e2e4"), 0x001C0C01u);
    char text[MOVE_TEXT_SIZE];
    moveToText(text, 0x001C0C01u, 0);
    EXPECT_STREQ(text, "e2e4");

    const Position& white = setUp("r6r/4P1k1/8/3pP3/8/8/8/R3K2R w KQ d6 0 1");
    EXPECT_EQ(moveKind(textToMove(white, "e1g1")), KIND_CASTLE_KING_SIDE);
    EXPECT_EQ(moveKind(textToMove(white, "e1c1")), KIND_CASTLE_QUEEN_SIDE);
    EXPECT_EQ(moveKind(textToMove(white, "e5d6")), KIND_EN_PASSANT);
    EXPECT_EQ(textToMove(white, "e7e8q"), 0x053C3411u);
    EXPECT_EQ(moveKind(textToMove(white, "e7d8")), KIND_PROMOTION);  // promotion code 0: never generated
    EXPECT_EQ(moveKind(textToMove(white, "a1a8")), KIND_ROOK + KIND_CAPTURE);
    EXPECT_EQ(moveKind(textToMove(white, "c3c4")), 0);  // empty from-square: not a move

    // Black's moves are stored in Black's own view and printed back absolute.
    const Position& black = setUp("r3k2r/8/8/8/8/8/p7/R3K2R b KQkq - 0 1");
    EXPECT_EQ(textToMove(black, "e8g8"), 394262u);
    EXPECT_EQ(textToMove(black, "e8c8"), 132134u);
    const Move blackPromotion = textToMove(black, "a2a1n");
    EXPECT_EQ(moveKind(blackPromotion), KIND_PROMOTION + KIND_CAPTURE);
    moveToText(text, blackPromotion, 1);
    EXPECT_STREQ(text, "a2a1n");

    // Text that is not a square pair yields no move, without reading past it.
    for (const char* bad : {"", "e", "e2e", "i2e4", "e9e4", "E2E4", "e2-e4"})
        EXPECT_EQ(textToMove(black, bad), 0u) << bad;
    EXPECT_EQ(textToMove(black, nullptr), 0u);
}

TEST(Fen, MoveListCollapsesTheStackAtIrreversibleMoves)
{
    setUp(START_FEN, "e2e4 e7e5");
    EXPECT_EQ(testStack.current, testStack.positions);
    EXPECT_EQ(fenOf(*testStack.current), "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq e6 ");

    setUp(START_FEN, "e2e4 e7e5 g1f3 b8c6\r\n");
    EXPECT_EQ(testStack.current - testStack.positions, 2);
    EXPECT_EQ(testStack.current->halfmoveClock, 2);
    EXPECT_EQ(testStack.current->key, computeKey(*testStack.current));
}

// A long game of reversible moves stays inside the stack and keeps counting
// repetitions across the slide.
TEST(Fen, LongReversibleMoveListSlidesTheStack)
{
    std::string moves;
    const int cycles = 200;
    for (int i = 0; i < cycles; i++)
        moves += "g1f3 g8f6 f3g1 f6g8 ";
    setUp(START_FEN, moves.c_str());
    const long index = testStack.current - testStack.positions;
    EXPECT_LE(index, GAME_STACK_LIMIT);
    EXPECT_EQ(testStack.current->repetitions, cycles);
    EXPECT_EQ(testStack.current->halfmoveClock, 255);
    EXPECT_EQ(fenOf(*testStack.current), "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - ");
    EXPECT_EQ(testStack.current->key, computeKey(*testStack.current));
}

TEST(Fen, BadTextOrUnplayablePositionsChangeNothing)
{
    const std::string longText = std::string(START_FEN) + std::string(600, ' ');
    const std::string hugeRank = "rnbqkbnr/pppppppp/" + std::string(600, '1') + "/8/8/8/PPPPPPPP/RNBQKBNR w - - 0 1";
    const char* const badFens[] = {
        "",
        "   ",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR x KQkq - 0 1",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR white KQkq - 0 1",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkx - 0 1",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq e9 0 1",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq e3 0 1",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq e6 0 1",   // no pawn behind e6
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq e6x 0 1",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - -3 1",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP w KQkq - 0 1",              // seven ranks
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR/8 w KQkq - 0 1",   // nine ranks
        "rnbqkbnr/ppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",      // short rank
        "rnbqkbnrr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",    // long rank
        "rnbqkbnr/pppppppp/9/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "rnbqkbnr/pppppppp/44p/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "rnbqkbnr/ppppxppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR/ w KQkq - 0 1",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQQBNR w kq - 0 1",       // no white king
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBKKBNR w kq - 0 1",       // two white kings
        "4k3/8/8/8/8/8/8/4K2p w - - 0 1",                               // pawn on rank 1
        "P3k3/8/8/8/8/8/8/4K3 w - - 0 1",                               // pawn on rank 8
        "4k3/8/8/8/8/8/8/4R1K1 w - - 0 1",                              // Black in check, White to move
        "4k3/8/8/8/8/8/8/4K3 w K - 0 1",                                // right without its rook
        "4k3/8/8/8/8/8/8/R4K1R w KQ - 0 1",                             // rights without the king at home
        "QQQQkQQQ/QQQQQQQQ/8/8/8/8/8/4K3 w - - 0 1",                    // more queens than a game makes
        "4k3/8/8/8/8/8/PPPPPPPP/QQ2K3 w - - 0 1",                       // a promoted queen with 8 pawns
        longText.c_str(),
        hugeRank.c_str(),
    };

    newGame(testStack);
    ASSERT_TRUE(setPositionFromFen(testStack, START_FEN, "g1f3 g8f6"));
    std::vector<Position> before(testStack.positions, testStack.positions + POSITION_STACK_SIZE);
    Position* const current = testStack.current;
    auto unchanged = [&] {
        return testStack.current == current
               && std::memcmp(before.data(), testStack.positions, sizeof testStack.positions) == 0;
    };

    for (const char* fen : badFens) {
        EXPECT_EQ(setPositionFromFen(testStack, fen, nullptr), 0) << fen;
        EXPECT_TRUE(unchanged()) << fen;
    }
    EXPECT_EQ(setPositionFromFen(testStack, nullptr, nullptr), 0);

    const char* const badMoveLists[] = {
        "e2e5",             // not a pawn move
        "e2e4 e7e5 e1e3",   // king two squares up
        "e2e4 e7e5 e2e4",   // from an empty square
        "e2e4 zz",
        "e2e4 e7e5x1",
        "e2e4 e7e5 d1h5 f7f6",       // uncovers its own king
        "e2e4 f7f6 d1h5 e8f7",       // walks into check
        "a2a4 b7b5 a4b5 a7a5 b5a6 c8b7 a6a7 b7c6 a7b8",  // promotion without its letter
    };
    for (const char* moves : badMoveLists) {
        EXPECT_EQ(setPositionFromFen(testStack, START_FEN, moves), 0) << moves;
        EXPECT_TRUE(unchanged()) << moves;
    }
    EXPECT_EQ(setPositionFromFen(testStack, START_FEN, "a2a4 b7b5 a4b5 a7a5 b5a6 c8b7 a6a7 b7c6 a7b8q"), 1);
}

TEST(Fen, BoardDiagram)
{
    const Position& pos = setUp("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1");
    SentText board;
    writeBoard(pos, board.sink());
    const std::string out = board.take();
    const std::string border = "  +---+---+---+---+---+---+---+---+\n";
    const std::string expected = "\n\n" + border + "8 | r | n | b | q | k | b | n | r |\n" + border
                                 + "7 | p | p | p | p | p | p | p | p |\n" + border
                                 + "6 |   |   |   |   |   |   |   |   |\n" + border
                                 + "5 |   |   |   |   |   |   |   |   |\n" + border
                                 + "4 |   |   |   |   | P |   |   |   |\n" + border
                                 + "3 |   |   |   |   |   |   |   |   |\n" + border
                                 + "2 | P | P | P | P |   | P | P | P |\n" + border
                                 + "1 | R | N | B | Q | K | B | N | R |\n" + border
                                 + "\n    A   B   C   D   E   F   G   H\n\n";
    EXPECT_EQ(out, expected);
}

}  // namespace
