// Walks perft trees and checks, at every node, that the incremental fields
// equal their from-scratch values and that mirroring twice changes nothing;
// at inner nodes also that the generators agree with each other and that the
// position survives a FEN round trip; for every move, that keyAfterMove
// foretells the child's key.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "engine_init.h"
#include "position/attacks.h"
#include "position/fen.h"
#include "position/stack.h"
#include "position/makemove.h"
#include "position/movegen.h"

namespace {

PositionStack testStack;
PositionStack scratchStack;

// Depth 3 in sanitizer builds too, but there every third position only.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr int POSITION_STRIDE = 3;
#else
constexpr int POSITION_STRIDE = 1;
#endif
constexpr int WALK_DEPTH = 3;

std::string describe(const Position& pos)
{
    char fen[FEN_TEXT_SIZE];
    positionToFen(pos, fen);
    return fen;
}

std::vector<Move> words(const MoveEntry* begin, const MoveEntry* end)
{
    std::vector<Move> v;
    for (const MoveEntry* e = begin; e != end; e++)
        v.push_back(entryMove(*e));
    return v;
}

std::vector<Move> legalOnly(const Position& pos, std::vector<Move> v)
{
    std::erase_if(v, [&](Move m) { return leavesKingInCheck(pos, m) != 0; });
    std::sort(v.begin(), v.end());
    return v;
}

bool contains(const std::vector<Move>& v, Move m) { return std::find(v.begin(), v.end(), m) != v.end(); }

// Whether the piece that makes quiet move m attacks the enemy king from its
// destination (for castling: the rook from its new square).
bool givesDirectCheck(const Position& pos, Move m)
{
    const Bitboard enemyKing = kings(pos) & ~pos.own;
    const int from = moveFrom(m), to = moveTo(m);
    const Bitboard occ = occupied(pos) ^ squareBit(from) ^ squareBit(to);
    switch (moveKind(m)) {
    case KIND_PAWN_PUSH: return pawnAttacks[to] & enemyKing;
    case KIND_KNIGHT: return knightAttacks[to] & enemyKing;
    case KIND_BISHOP: return bishopAttacks(to, occ) & enemyKing;
    case KIND_ROOK: return rookAttacks(to, occ) & enemyKing;
    case KIND_QUEEN: return queenAttacks(to, occ) & enemyKing;
    case KIND_CASTLE_KING_SIDE: return rookAttacks(F1, occ ^ squareBit(H1) ^ squareBit(F1)) & enemyKing;
    case KIND_CASTLE_QUEEN_SIDE: return rookAttacks(D1, occ ^ squareBit(A1) ^ squareBit(D1)) & enemyKing;
    default: return false;
    }
}

struct Walker {
    std::string failure;
    uint64_t nodes = 0;

    void fail(const Position& pos, const std::string& what)
    {
        if (failure.empty())
            failure = what + " at " + describe(pos);
    }

    void checkIncremental(const Position& pos)
    {
        if (pos.key != computeKey(pos) || pos.pawnKey != computePawnKey(pos))
            fail(pos, "key or pawn key differs from its from-scratch value");
        if (pos.scoreMg != computeScoreMg(pos) || pos.scoreEg != computeScoreEg(pos))
            fail(pos, "score differs from its from-scratch value");
        Position twice = pos;
        mirrorPosition(twice);
        mirrorPosition(twice);
        if (std::memcmp(&twice, &pos, sizeof pos) != 0)
            fail(pos, "mirroring twice changed the record");
    }

    void checkGenerators(Position& pos)
    {
        MoveEntry buffer[MAX_MOVES];
        MoveEntry* capturesEnd = generateCaptures(pos, buffer);
        const std::vector<Move> captures = words(buffer, capturesEnd);
        const std::vector<Move> quiets = words(buffer, generateQuiets(pos, buffer));
        const std::vector<Move> all = words(buffer, generateAll(pos, buffer));
        std::vector<Move> joined = quiets;
        joined.insert(joined.end(), captures.begin(), captures.end());
        if (all != joined)
            fail(pos, "generateAll is not quiets followed by captures");
        for (Move m : captures)
            if (!isCapture(m) && moveKind(m) != KIND_PROMOTION)
                fail(pos, "generateCaptures listed a quiet move");
        for (Move m : quiets)
            if (isCapture(m) || movePromotion(m))
                fail(pos, "generateQuiets listed a capture or promotion");

        const std::vector<Move> legal = legalOnly(pos, all);
        std::vector<Move> listed = words(buffer, generateLegal(pos, buffer));
        std::sort(listed.begin(), listed.end());
        if (listed != legal)
            fail(pos, "generateLegal differs from the filtered full list");
        if (size_t(countLegalMoves(pos)) != legal.size())
            fail(pos, "countLegalMoves differs from the number of legal moves");

        if (const Bitboard c = checkers(pos)) {
            const std::vector<Move> evasions = words(buffer, generateEvasions(pos, c, buffer));
            for (Move m : evasions)
                if (!contains(all, m))
                    fail(pos, "an evasion is not a pseudo-legal move");
            if (legalOnly(pos, evasions) != legal)
                fail(pos, "legal evasions differ from the legal moves");
        }

        const std::vector<Move> quietChecks = words(buffer, generateQuietChecks(pos, buffer));
        for (size_t i = 0; i < quietChecks.size(); i++) {
            const Move m = quietChecks[i];
            if (!contains(quiets, m) || std::count(quietChecks.begin(), quietChecks.end(), m) != 1)
                fail(pos, "a quiet check is not a quiet move or is listed twice");
            // King steps and pawn pushes of a blocker may stay on the line.
            if (movingPiece(m) != KING && movingPiece(m) != PAWN && !checkers(*makeMove(pos, m)))
                fail(pos, "a quiet check gives no check");
        }
        for (Move m : quiets)
            if (givesDirectCheck(pos, m) && !contains(quietChecks, m))
                fail(pos, "a direct quiet check is missing");
    }

    void checkFenRoundTrip(const Position& pos)
    {
        char fen[FEN_TEXT_SIZE];
        positionToFen(pos, fen);
        PositionStack& scratch = scratchStack;
        if (!setPositionFromFen(scratch, fen, nullptr)) {
            fail(pos, "its FEN does not read back");
            return;
        }
        const Position& back = *scratch.current;
        if (back.own != pos.own || back.type0 != pos.type0 || back.type1 != pos.type1 || back.type2 != pos.type2
            || back.castling != pos.castling || back.epFile != pos.epFile || back.sideToMove != pos.sideToMove
            || back.key != pos.key)
            fail(pos, "FEN round trip changed the position");
    }

    void walk(Position* pos, int depth)
    {
        nodes++;
        checkIncremental(*pos);
        if (depth == 0 || !failure.empty())
            return;
        checkGenerators(*pos);
        checkFenRoundTrip(*pos);
        MoveEntry list[MAX_MOVES];
        MoveEntry* end = generateAll(*pos, list);
        for (MoveEntry* e = list; e != end && failure.empty(); e++) {
            const Move m = entryMove(*e);
            if (leavesKingInCheck(*pos, m))
                continue;
            const uint64_t predicted = keyAfterMove(*pos, m);
            Position* child = makeMove(*pos, m);
            if (child->key != predicted)
                fail(*pos, "keyAfterMove differs from the child's key");
            walk(child, depth - 1);
        }
    }
};

TEST(PositionTree, IncrementalFieldsAndGeneratorsAgreeOverPerftTrees)
{
    std::ifstream in(testDataPath("perft.epd"));
    std::string line;
    Walker walker;
    int positions = 0, index = 0;
    while (std::getline(in, line) && walker.failure.empty()) {
        if (line.empty() || line[0] == '#' || index++ % POSITION_STRIDE)
            continue;
        const std::string fen = line.substr(0, line.find(';'));
        newGame(testStack);
        ASSERT_TRUE(setPositionFromFen(testStack, fen.c_str(), nullptr)) << fen;
        walker.walk(testStack.current, WALK_DEPTH);
        positions++;
    }
    EXPECT_EQ(positions, 150 / POSITION_STRIDE);
    EXPECT_EQ(walker.failure, "");
    EXPECT_GT(walker.nodes, 3000000u / POSITION_STRIDE / 2);
}

}  // namespace
