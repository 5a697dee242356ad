// Attack tables, make-move and the generators on hand-made positions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "eval/params.h"
#include "position/attacks.h"
#include "position/fen.h"
#include "position/stack.h"
#include "position/makemove.h"
#include "position/movegen.h"

namespace {

PositionStack testStack;

constexpr int square(const char* s) { return (s[0] - 'a') + 8 * (s[1] - '1'); }

Bitboard squares(std::initializer_list<const char*> names)
{
    Bitboard b = 0;
    for (const char* n : names)
        b |= squareBit(square(n));
    return b;
}

Position& setUp(const char* fen, const char* moves = nullptr)
{
    newGame(testStack);
    EXPECT_TRUE(setPositionFromFen(testStack, fen, moves)) << fen;
    return *testStack.current;
}

// Plays coordinate moves one by one on the main stack (no collapse).
Position& play(std::initializer_list<const char*> moves)
{
    for (const char* text : moves) {
        EXPECT_EQ(makeMoveIfLegal(testStack, textToMove(*testStack.current, text)), 1) << text;
    }
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

TEST(Attacks, TablesFollowTheirRules)
{
    EXPECT_EQ(Between[A1][H8], squares({"b2", "c3", "d4", "e5", "f6", "g7"}));
    EXPECT_EQ(Between[A1][square("b3")], 0u);
    EXPECT_EQ(Between[C1][A1], squares({"b1"}));
    EXPECT_EQ(Between[E1][E1], 0u);
    EXPECT_EQ(popcount(rookMask[A1]), 12);
    EXPECT_EQ(bishopMask[A1], squares({"b2", "c3", "d4", "e5", "f6", "g7"}));
    EXPECT_EQ(bishopMask[H8], bishopMask[A1]);
    EXPECT_EQ(rookAttacks(A1, squares({"a4", "d1"})), squares({"a2", "a3", "a4", "b1", "c1", "d1"}));
    EXPECT_EQ(pawnAttacks[square("e2")], squares({"d3", "f3"}));
    EXPECT_EQ(pawnAttackers[square("e4")], squares({"d3", "f3"}));
    EXPECT_EQ(epAttackers[0], squares({"b5"}));
}

TEST(Attacks, PinnedImmobile)
{
    EXPECT_EQ(pinnedImmobile(setUp("4r2k/8/8/8/4N3/8/8/4K3 w - - 0 1")), squares({"e4"}));
    EXPECT_EQ(pinnedImmobile(setUp("4r2k/8/8/8/4R3/8/8/4K3 w - - 0 1")), 0u);
    EXPECT_EQ(pinnedImmobile(setUp("6k1/6r1/1b6/8/8/8/5NB1/6K1 w - - 2 1")), 24576u);
    // Black's pinned bishop, in Black's own view (e7 becomes e2).
    EXPECT_EQ(pinnedImmobile(setUp("4k3/4b3/8/8/8/8/8/4R1K1 b - - 0 1")), squares({"e2"}));
}

TEST(Attacks, LegalityCornerCases)
{
    // En passant that would uncover the king along the fifth rank.
    const Position& ep = setUp("8/8/8/K2pP2r/8/8/8/7k w - d6 0 1");
    EXPECT_TRUE(leavesKingInCheck(ep, textToMove(ep, "e5d6")));
    // The king may not step away along the checking line.
    const Position& line = setUp("4r2k/8/8/8/8/8/8/4K3 w - - 0 1");
    EXPECT_TRUE(leavesKingInCheck(line, textToMove(line, "e1d1")) == 0);
    EXPECT_TRUE(leavesKingInCheck(line, textToMove(line, "e1e2")));
    // A pawn attacks a king on the first rank of its own view.
    const Position& low = setUp("8/8/8/8/8/8/1p6/K6k w - - 0 1");
    EXPECT_TRUE(leavesKingInCheck(low, textToMove(low, "a1a2")) == 0);
    EXPECT_EQ(checkers(setUp("8/8/8/8/8/8/1p6/2K4k w - - 0 1")), squares({"b2"}));
}

TEST(MakeMove, MoveWordsAndChildFields)
{
    Position& start = setUp("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    ASSERT_NE(pieceSquareMg[PAWN][square("e4")], pieceSquareMg[PAWN][square("e2")]);
    EXPECT_EQ(start.scoreMg, 0);
    EXPECT_EQ(start.key, computeKey(start));
    const Position& child = *makeMove(start, 0x001C0C01u);
    EXPECT_EQ(start.lastMove, 0x001C0C01u);
    EXPECT_EQ(child.sideToMove, 1u);
    EXPECT_EQ(child.epFile, 4);
    EXPECT_EQ(child.halfmoveClock, 0);
    EXPECT_EQ(child.key, computeKey(child));
    EXPECT_EQ(child.pawnKey, computePawnKey(child));
    EXPECT_EQ(child.scoreMg, computeScoreMg(child));
    EXPECT_NE(child.scoreMg, 0);
    EXPECT_EQ(child.scoreEg, computeScoreEg(child));

    // A word that is not a move gives an unchanged copy.
    for (Move bad : {0u, 8u, 7u, 0x001C0C0Fu, 0x001C0C30u}) {
        Position* copy = makeMove(start, bad);
        EXPECT_EQ(copy->key, start.key);
        EXPECT_EQ(copy->sideToMove, 0u);
        EXPECT_EQ(std::memcmp(&copy->own, &start.own, 4 * sizeof(Bitboard)), 0);
    }
}

TEST(MakeMove, RepetitionCounts)
{
    setUp("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    EXPECT_EQ(play({"g1f3", "g8f6", "f3g1"}).repetitions, 0);
    EXPECT_EQ(play({"f6g8"}).repetitions, 1);
    EXPECT_EQ(play({"g1f3", "g8f6", "f3g1", "f6g8"}).repetitions, 2);
    // An irreversible move ends the history the scan looks at.
    EXPECT_EQ(play({"e2e4", "e7e5", "g1f3", "g8f6", "f3g1", "f6g8"}).repetitions, 1);

    // Same placement with different rights: same planes, different keys.
    const Position a = setUp("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    const Position b = setUp("r3k2r/8/8/8/8/8/8/R3K2R w Kq - 0 1");
    EXPECT_EQ(std::memcmp(&a.own, &b.own, 4 * sizeof(Bitboard)), 0);
    EXPECT_NE(a.key, b.key);

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
    const Case cases[] = {
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "h1h8", 0x11},      // takes h8 and leaves h1
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "a1a8", 0x22},      // takes a8 and leaves a1
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "a1a2", 0x23},      // own queen side only
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "h1h2", 0x13},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "e1f1", 0x03},      // king move: both own rights
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "e1g1", 0x03},
        {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "h8h1", 0x11},      // Black takes h1
        {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "e8c8", 0x03},
        {"r3k2r/1P6/8/8/8/8/8/R3K2R w KQkq - 0 1", "b7a8q", 0x32},   // promotion takes a8
    };
    for (const Case& c : cases) {
        Position& pos = setUp(c.fen);
        const Position& child = *makeMove(pos, textToMove(pos, c.move));
        EXPECT_EQ(child.castling, c.rights) << c.fen << " " << c.move;
        EXPECT_EQ(child.key, computeKey(child)) << c.move;
        EXPECT_EQ(child.scoreMg, computeScoreMg(child)) << c.move;
    }
    // The promoted queen's value arrives with it.
    Position& pos = setUp("r3k2r/1P6/8/8/8/8/8/R3K2R w KQkq - 0 1");
    const Score before = pos.scoreMg;
    const Position& child = *makeMove(pos, textToMove(pos, "b7a8q"));
    EXPECT_EQ(Score(-child.scoreMg - before),
              Score(pieceSquareMg[QUEEN][A8] - pieceSquareMg[PAWN][square("b7")] + pieceSquareMg[ROOK][H1]));
}

TEST(MakeMove, MirroringAndFromScratchKeys)
{
    Position start = setUp("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    Position mirrored = start;
    mirrorPosition(mirrored);
    EXPECT_EQ(mirrored.own, start.own);
    EXPECT_EQ(mirrored.type0, start.type0);
    EXPECT_EQ(mirrored.sideToMove, 1u);
    EXPECT_EQ(computeKey(mirrored) ^ computeKey(start), zobrist.side[0]);

    // Without a king the king term uses square 0.
    Position noKing = start;
    noKing.type1 &= ~squareBit(E1);
    noKing.type2 &= ~squareBit(E1);
    noKing.own &= ~squareBit(E1);
    EXPECT_EQ(computeKey(noKing) ^ computeKey(start), zobrist.piece[0][KING][E1] ^ zobrist.piece[0][KING][A1]);
}

TEST(MoveGen, DocumentedCounts)
{
    const Position& start = setUp("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    EXPECT_EQ(listOf(generateAll, start).size(), 20u);
    EXPECT_EQ(listOf(generateLegal, start).size(), 20u);
    EXPECT_EQ(listOf(generateCaptures, start).size(), 0u);

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

    // Capture scores: most valuable victim, least valuable attacker; en passant 21.
    const std::vector<MoveEntry> caps = listOf(generateCaptures, setUp("7k/8/8/2qPp3/1P6/8/8/K7 w - e6 0 1"));
    for (MoveEntry e : caps) {
        const Move m = entryMove(e);
        const int expected = moveKind(m) == KIND_EN_PASSANT ? 21 : 16 * QUEEN + 5;
        EXPECT_EQ(entryScore(e), expected);
    }
    EXPECT_EQ(caps.size(), 2u);  // b4xc5 and d5xe6 en passant
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

TEST(MoveGen, Evasions)
{
    // Double check: king moves only.
    const Position& twice = setUp("4k3/8/8/8/1b5Q/8/8/r3K1N1 w - - 0 1");
    const Bitboard two = checkers(twice);
    ASSERT_EQ(popcount(two), 2);
    MoveEntry buffer[MAX_MOVES];
    const MoveEntry* end = generateEvasions(twice, two, buffer);
    EXPECT_EQ(end - buffer, 3);  // e2, f1, f2: d1 and d2 lie on the checking lines
    for (const MoveEntry* e = buffer; e != end; e++)
        EXPECT_EQ(movingPiece(entryMove(*e)), KING);

    // An en-passant capture is listed even when it does not answer the check.
    const Position& ep = setUp("4k3/8/8/3pP3/8/8/8/r3K3 w - d6 0 1");
    const std::vector<MoveEntry> evasions(buffer, generateEvasions(ep, checkers(ep), buffer));
    EXPECT_TRUE(hasMoveTo(evasions, KIND_EN_PASSANT, square("d6")));
    EXPECT_TRUE(leavesKingInCheck(ep, textToMove(ep, "e5d6")));
}

TEST(MakeMove, MakeMoveIfLegalAndTheStackLimit)
{
    Position& start = setUp("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    EXPECT_EQ(makeMoveIfLegal(testStack, textToMove(start, "e2e5")), 0);
    EXPECT_EQ(makeMoveIfLegal(testStack, 0), 0);
    EXPECT_EQ(testStack.current, &start);
    ASSERT_EQ(makeMoveIfLegal(testStack, textToMove(start, "e2e4")), 1);
    EXPECT_EQ(testStack.current, &start + 1);

    // Moves played one by one stop at the limit, leaving a search its room.
    setUp("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    const char* const cycle[4] = {"g1f3", "g8f6", "f3g1", "f6g8"};
    int played = 0;
    while (makeMoveIfLegal(testStack, textToMove(*testStack.current, cycle[played % 4])))
        played++;
    EXPECT_EQ(played, GAME_STACK_LIMIT);
    EXPECT_FALSE(gameHasRoom(testStack));
    EXPECT_EQ(testStack.current->repetitions, GAME_STACK_LIMIT / 4);
}

}  // namespace
