// Make-move, the generators, FEN and move text, and the game-end lines on
// hand-made positions; perft_test.cpp walks whole trees.
#include <cstring>
#include <vector>

#include "frontend/report.h"
#include "position/attacks.h"
#include "position/makemove.h"
#include "support/unit.h"

namespace {

PositionStack testStack;

constexpr int square(const char* s) { return (s[0] - 'a') + 8 * (s[1] - '1'); }

std::string fenOf(const Position& pos)
{
    char text[FEN_TEXT_SIZE];
    positionToFen(pos, text);
    return text;
}

Position& setUp(const char* fen, const char* moves = nullptr) { return setUp(testStack, fen, moves); }

// Plays coordinate moves one by one on the stack (no collapse).
Position& play(std::initializer_list<const char*> moves)
{
    for (const char* text : moves)
        EXPECT_EQ(makeMoveIfLegal(testStack, textToMove(*testStack.current, text)), 1) << text;
    return *testStack.current;
}

std::vector<MoveEntry> listOf(MoveEntry* (*generate)(const Position&, MoveEntry*), const Position& pos)
{
    MoveEntry buffer[MAX_MOVES];
    return std::vector<MoveEntry>(buffer, generate(pos, buffer));
}

bool hasMoveTo(const std::vector<MoveEntry>& list, int kind, int to)
{
    return std::any_of(list.begin(), list.end(),
                       [&](MoveEntry e) { return moveKind(entryMove(e)) == kind && moveTo(entryMove(e)) == to; });
}

TEST(MakeMove, WordsThatAreNotMovesGiveAnUnchangedCopy)
{
    Position& start = setUp(START_FEN);
    for (Move bad : {0u, 8u, 7u, 0x001C0C0Fu, 0x001C0C30u}) {
        Position* copy = makeMove(start, bad);
        EXPECT_EQ(copy->key, start.key);
        EXPECT_EQ(copy->sideToMove, 0u);
        EXPECT_EQ(std::memcmp(&copy->own, &start.own, 4 * sizeof(Bitboard)), 0);
    }
}

TEST(MakeMove, FiftyMoveCounterAndRepetitions)
{
    // Other moves count on; a pawn move or a capture starts again from 0.
    setUp("4k3/8/8/8/8/8/P6r/4K2R w K - 90 60");
    EXPECT_EQ(play({"e1d1", "e8d8"}).halfmoveClock, 92);
    EXPECT_EQ(play({"a2a3"}).halfmoveClock, 0);
    EXPECT_EQ(play({"d8e7", "h1h2"}).halfmoveClock, 0);

    setUp(START_FEN);
    EXPECT_EQ(play({"g1f3", "g8f6", "f3g1"}).repetitions, 0);
    EXPECT_EQ(play({"f6g8"}).repetitions, 1);
    EXPECT_EQ(play({"g1f3", "g8f6", "f3g1", "f6g8"}).repetitions, 2);
    // An irreversible move ends the history the scan looks at.
    EXPECT_EQ(play({"e2e4", "e7e5", "g1f3", "g8f6", "f3g1", "f6g8"}).repetitions, 1);
    // A set-up clock longer than the history: the scan stops at slot 0.
    setUp("4k3/8/8/8/8/8/8/4K2R w K - 90 60");
    EXPECT_EQ(play({"h1h2", "e8d8", "h2h1", "d8e8"}).repetitions, 1);
}

TEST(MakeMove, CastlingRights)
{
    struct Case {
        const char* fen;
        const char* move;
        int rights;  // after the move, relative to the new side to move
    };
    const char* both = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1";
    const Case cases[] = {
        {both, "h1h8", 0x11},  // takes h8 and leaves h1
        {both, "a1a8", 0x22},  // takes a8 and leaves a1
        {both, "a1a2", 0x23},  // own queen side only
        {both, "h1h2", 0x13},
        {both, "e1f1", 0x03},  // king move: both own rights
        {both, "e1g1", 0x03},
        {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "h8h1", 0x11},  // Black takes h1
        {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "e8c8", 0x03},
        {"r3k2r/1P6/8/8/8/8/8/R3K2R w KQkq - 0 1", "b7a8q", 0x32},  // promotion takes a8
    };
    for (const Case& c : cases) {
        Position& pos = setUp(c.fen);
        const Position& child = *makeMove(pos, textToMove(pos, c.move));
        EXPECT_EQ(child.castling, c.rights) << c.fen << " " << c.move;
        EXPECT_EQ(child.key, computeKey(child)) << c.move;
    }
}

TEST(MakeMove, MakeMoveIfLegalAndTheStackLimit)
{
    Position& start = setUp(START_FEN);
    EXPECT_EQ(makeMoveIfLegal(testStack, textToMove(start, "e2e5")), 0);
    EXPECT_EQ(makeMoveIfLegal(testStack, 0), 0);
    EXPECT_EQ(testStack.current, &start);
    ASSERT_EQ(makeMoveIfLegal(testStack, textToMove(start, "e2e4")), 1);
    EXPECT_EQ(testStack.current, &start + 1);

    // Moves played one by one stop at the limit, leaving a search its room.
    setUp(START_FEN);
    const char* const cycle[4] = {"g1f3", "g8f6", "f3g1", "f6g8"};
    int played = 0;
    while (makeMoveIfLegal(testStack, textToMove(*testStack.current, cycle[played % 4])))
        played++;
    EXPECT_EQ(played, GAME_STACK_LIMIT);
    EXPECT_FALSE(gameHasRoom(testStack));
    EXPECT_EQ(testStack.current->repetitions, GAME_STACK_LIMIT / 4);
}

TEST(MoveGen, OrderAndScoresOfCapturesAndPromotions)
{
    EXPECT_EQ(listOf(generateCaptures, setUp(START_FEN)).size(), 0u);
    // Rank-7 pawn: four capturing promotions, then four push promotions.
    const std::vector<MoveEntry> promotions = listOf(generateCaptures, setUp("1r5k/P7/8/8/8/8/8/K7 w - - 0 1"));
    ASSERT_EQ(promotions.size(), 8u);
    const int scores[4] = {85, -1, -2, -3};
    const int codes[4] = {QUEEN, ROOK, BISHOP, KNIGHT};
    for (int i = 0; i < 8; i++) {
        EXPECT_EQ(entryScore(promotions[i]), scores[i % 4]);
        EXPECT_EQ(movePromotion(entryMove(promotions[i])), codes[i % 4]);
        EXPECT_EQ(moveKind(entryMove(promotions[i])), i < 4 ? KIND_PROMOTION_CAPTURE : KIND_PROMOTION);
    }
    // Most valuable victim, least valuable attacker; en passant 21.
    const std::vector<MoveEntry> caps = listOf(generateCaptures, setUp("7k/8/8/2qPp3/1P6/8/8/K7 w - e6 0 1"));
    ASSERT_EQ(caps.size(), 2u);  // b4xc5 and d5xe6 en passant
    for (MoveEntry e : caps)
        EXPECT_EQ(entryScore(e), moveKind(entryMove(e)) == KIND_EN_PASSANT ? 21 : 16 * QUEEN + 5);
}

TEST(MoveGen, Castling)
{
    struct Case {
        const char* fen;
        bool kingSide, queenSide;
    };
    const Case cases[] = {
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", true, true},
        {"r3k2r/8/8/8/8/8/8/R3K2R w - - 0 1", false, false},
        {"r3k2r/8/8/8/8/8/5r2/R3K2R w KQkq - 0 1", false, true},   // f1 attacked
        {"r3k2r/8/8/8/8/8/3r4/R3K2R w KQkq - 0 1", true, false},   // d1 attacked
        {"r3k2r/8/8/8/8/8/1r6/R3K2R w KQkq - 0 1", true, true},    // only b1 attacked
        {"r3k2r/8/8/8/8/8/4r3/R3K2R w KQkq - 0 1", false, false},  // in check
        {"r3k2r/8/8/8/8/8/8/RN2K1NR w KQkq - 0 1", false, false},  // pieces in the way
        {"r3k2r/8/8/8/8/8/6p1/R3K2R w KQkq - 0 1", false, true},   // pawn on g2 hits f1
    };
    for (const Case& c : cases) {
        const std::vector<MoveEntry> quiets = listOf(generateQuiets, setUp(c.fen));
        EXPECT_EQ(hasMoveTo(quiets, KIND_CASTLE_KING_SIDE, G1), c.kingSide) << c.fen;
        EXPECT_EQ(hasMoveTo(quiets, KIND_CASTLE_QUEEN_SIDE, C1), c.queenSide) << c.fen;
    }
}

// An en-passant capture is listed among the evasions even when it does not
// answer the check (the legality test drops it); the tree walks of
// perft_test.cpp check the rest of the evasions.
TEST(MoveGen, EvasionsKeepAnEnPassantCapture)
{
    const Position& ep = setUp("4k3/8/8/3pP3/8/8/8/r3K3 w - d6 0 1");
    const std::vector<MoveEntry> evasions = listOf(
        [](const Position& p, MoveEntry* list) { return generateEvasions(p, checkers(p), list); }, ep);
    EXPECT_TRUE(hasMoveTo(evasions, KIND_EN_PASSANT, square("d6")));
    EXPECT_TRUE(leavesKingInCheck(ep, textToMove(ep, "e5d6")));
}

TEST(Fen, EveryPositionOfTheSharedFileRoundTrips)
{
    int count = 0;
    for (const std::string& line : sharedPositions()) {
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
    const Position& blackEp = setUp("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1");
    EXPECT_EQ(blackEp.epFile, 4);
    EXPECT_EQ(blackEp.sideToMove, 1u);
    EXPECT_EQ(fenOf(blackEp), "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 ");

    // The halfmove clock: absent or an EPD operation reads 0; saturates at 255.
    const std::pair<const char*, int> clocks[] = {{" bm Rxb4;", 0}, {"", 0}, {" 37 80", 37}, {" 99999999999999 1", 255}};
    for (const auto& [tail, clock] : clocks)
        EXPECT_EQ(setUp((std::string("1r1qr2k/1p4pp/3p4/1R1B1p2/1pPp4/4P1Pb/1P3P1P/Q3R1K1 w - -") + tail).c_str())
                      .halfmoveClock,
                  clock)
            << tail;
    EXPECT_EQ(setUp("r3k2r/8/8/8/8/8/8/R3K2R w Kq - 0 1").castling, 0x12);
    EXPECT_EQ(setUp("r3k2r/8/8/8/8/8/8/R3K2R b Kq - 0 1").castling, 0x21);
}

TEST(Fen, MoveTextBothWays)
{
    EXPECT_EQ(textToMove(setUp(START_FEN), "e2e4"), 0x001C0C01u);
    const Position& white = setUp("r6r/4P1k1/8/3pP3/8/8/8/R3K2R w KQ d6 0 1");
    EXPECT_EQ(moveKind(textToMove(white, "e1g1")), KIND_CASTLE_KING_SIDE);
    EXPECT_EQ(moveKind(textToMove(white, "e5d6")), KIND_EN_PASSANT);
    EXPECT_EQ(textToMove(white, "e7e8q"), 0x053C3411u);
    EXPECT_EQ(moveKind(textToMove(white, "e7d8")), KIND_PROMOTION);  // promotion code 0: never generated
    EXPECT_EQ(moveKind(textToMove(white, "c3c4")), 0);  // empty from-square: not a move

    // Black's moves are stored in Black's own view and printed back absolute.
    const Position& black = setUp("r3k2r/8/8/8/8/8/p7/R3K2R b KQkq - 0 1");
    EXPECT_EQ(textToMove(black, "e8g8"), 394262u);
    const Move blackPromotion = textToMove(black, "a2a1n");
    EXPECT_EQ(moveKind(blackPromotion), KIND_PROMOTION + KIND_CAPTURE);
    char text[MOVE_TEXT_SIZE];
    moveToText(text, blackPromotion, 1, false);
    EXPECT_STREQ(text, "a2a1n");

    // Text that is not a square pair yields no move, without reading past it.
    for (const char* bad : {"", "e", "e2e", "i2e4", "e9e4", "E2E4", "e2-e4"})
        EXPECT_EQ(textToMove(black, bad), 0u) << bad;
    EXPECT_EQ(textToMove(black, nullptr), 0u);
}

// Irreversible moves collapse the stack to slot 0; a long game of reversible
// moves slides inside the stack and keeps counting repetitions.
TEST(Fen, MoveListsCollapseAndSlideTheStack)
{
    setUp(START_FEN, "e2e4 e7e5 g1f3 b8c6\r\n");
    EXPECT_EQ(testStack.current - testStack.positions, 2);
    EXPECT_EQ(testStack.current->halfmoveClock, 2);
    EXPECT_EQ(fenOf(*testStack.current), "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - ");

    std::string moves;
    for (int i = 0; i < 200; i++)
        moves += "g1f3 g8f6 f3g1 f6g8 ";
    setUp(START_FEN, moves.c_str());
    EXPECT_LE(testStack.current - testStack.positions, GAME_STACK_LIMIT);
    EXPECT_EQ(testStack.current->repetitions, 200);
    EXPECT_EQ(testStack.current->halfmoveClock, 255);
    EXPECT_EQ(testStack.current->key, computeKey(*testStack.current));
}

TEST(Fen, BadTextOrUnplayablePositionsChangeNothing)
{
    const std::string longText = std::string(START_FEN) + std::string(600, ' ');
    const std::string hugeRank = "rnbqkbnr/pppppppp/" + std::string(600, '1') + "/8/8/8/PPPPPPPP/RNBQKBNR w - - 0 1";
    const char* const badFens[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR white KQkq - 0 1",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkx - 0 1",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq e6 0 1",    // no pawn behind e6
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - -3 1",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP w KQkq - 0 1",              // seven ranks
        "rnbqkbnrr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",    // long rank
        "rnbqkbnr/pppppppp/44p/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBKKBNR w kq - 0 1",       // two white kings
        "4k3/8/8/8/8/8/8/4K2p w - - 0 1",                               // pawn on rank 1
        "4k3/8/8/8/8/8/8/4R1K1 w - - 0 1",                              // Black in check, White to move
        "4k3/8/8/8/8/8/8/R4K1R w KQ - 0 1",                             // rights without the king at home
        "4k3/8/8/8/8/8/PPPPPPPP/QQ2K3 w - - 0 1",                       // a promoted queen with 8 pawns
        longText.c_str(),
        hugeRank.c_str(),
    };
    setUp(START_FEN, "g1f3 g8f6");
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
        "e2e5", "e2e4 zz", "e2e4 e7e5x1",
        "e2e4 e7e5 d1h5 f7f6",                           // uncovers its own king
        "a2a4 b7b5 a4b5 a7a5 b5a6 c8b7 a6a7 b7c6 a7b8",  // promotion without its letter
    };
    for (const char* moves : badMoveLists) {
        EXPECT_EQ(setPositionFromFen(testStack, START_FEN, moves), 0) << moves;
        EXPECT_TRUE(unchanged()) << moves;
    }
    EXPECT_EQ(setPositionFromFen(testStack, START_FEN, "a2a4 b7b5 a4b5 a7a5 b5a6 c8b7 a6a7 b7c6 a7b8q"), 1);
}

TEST(GameEnd, ResultLines)
{
    struct Case {
        const char* fen;
        const char* moves;
        const char* printed;
    };
    const char* cycle = "g1f3 g8f6 f3g1 f6g8 ";
    const std::string twice = std::string(cycle) + cycle, thrice = twice + cycle;
    const Case cases[] = {
        {START_FEN, cycle, ""},  // second occurrence only
        {START_FEN, twice.c_str(), "1/2-1/2 {Draw by repetition}\n"},
        {START_FEN, thrice.c_str(), ""},  // fourth: silent
        {"4k3/8/8/8/8/8/8/R3K3 w - - 99 80", "a1a2", "1/2-1/2 {Draw by 50 move rule}\n"},
        {"4k3/8/8/8/8/8/8/R3K3 w - - 98 80", "a1a2", ""},
        {START_FEN, "f2f3 e7e5 g2g4 d8h4", "0-1 {Black mates}\n"},
        {"7k/6Q1/6K1/8/8/8/8/8 b - - 0 1", nullptr, "1-0 {White mates}\n"},
        {"7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", nullptr, "1/2-1/2 {Stalemate}\n"},
        {"7k/8/8/8/8/8/6q1/7K w - - 0 1", nullptr, ""},  // only a capture is legal: not announced
        // Mate on the hundredth ply: both lines.
        {"7k/8/6K1/8/8/8/8/R7 w - - 99 80", "a1a8", "1/2-1/2 {Draw by 50 move rule}\n1-0 {White mates}\n"},
    };
    for (const Case& c : cases) {
        setUp(c.fen, c.moves);
        EXPECT_EQ(printed([] { printGameEnd(*testStack.current); }), c.printed)
            << c.fen << " " << (c.moves ? c.moves : "");
    }
}

}  // namespace
