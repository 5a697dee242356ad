// Perft counts against known values (standard chess and Chess960), and walks over the perft trees that
// check, at every node, that the incremental fields equal their from-scratch
// values and that mirroring twice changes nothing; at inner nodes also that
// the generators agree with each other; for every move, that keyAfterMove
// foretells the child's key.
#include <cstdio>
#include <cstring>
#include <sstream>

#include "position/attacks.h"
#include "position/makemove.h"
#include "position/perft.h"
#include "support/unit.h"

namespace {

PositionStack testStack;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool SANITIZED = true;
#else
constexpr bool SANITIZED = false;
#endif

// Sanitizer builds run several times slower: there the deepest counts of the
// perft file are left to the release build (every code path is reached well
// below the cap), and the trees are walked from every third position only.
constexpr uint64_t NODE_CAP = SANITIZED ? 500000 : UINT64_MAX;
constexpr int POSITION_STRIDE = SANITIZED ? 3 : 1;
constexpr int WALK_DEPTH = 3;

struct PerftCase {
    std::string fen;
    std::vector<std::pair<int, uint64_t>> depths;
};

std::vector<PerftCase> readPerftFile(const char* name)
{
    std::vector<PerftCase> cases;
    std::ifstream in(testDataPath(name));
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream parts(line);
        PerftCase c;
        std::getline(parts, c.fen, ';');
        for (std::string field; std::getline(parts, field, ';');) {
            int depth = 0;
            unsigned long long nodes = 0;
            if (std::sscanf(field.c_str(), "D%d %llu", &depth, &nodes) == 2)
                c.depths.push_back({depth, nodes});
        }
        cases.push_back(c);
    }
    return cases;
}

uint64_t perftOf(const std::string& fen, int depth, bool chess960 = false)
{
    newGame(testStack);
    if (!setPositionFromFen(testStack, fen.c_str(), nullptr, chess960))
        return UINT64_MAX;
    return perftRoot(testStack, depth);
}

// Every count of a file, as Chess960 games for the Chess960 file (its
// castling rights name rook files).
void checkPerftFile(const char* name, bool chess960)
{
    const std::vector<PerftCase> cases = readPerftFile(name);
    ASSERT_EQ(cases.size(), 150u);
    int checked = 0;
    for (const PerftCase& c : cases) {
        ASSERT_FALSE(c.depths.empty()) << c.fen;
        for (const auto& [depth, expected] : c.depths) {
            if (expected > NODE_CAP)
                continue;
            EXPECT_EQ(perftOf(c.fen, depth, chess960), expected) << c.fen << " depth " << depth;
            checked++;
        }
    }
    EXPECT_GT(checked, 150 * 3);
}

TEST(Perft, SharedFileEveryDepth) { checkPerftFile("perft.epd", false); }

TEST(Perft, Chess960FileEveryDepth) { checkPerftFile("frc-perft.epd", true); }

// Depth 0 counts the root; a depth beyond the stack counts nothing.
TEST(Perft, DepthLimits)
{
    EXPECT_EQ(perftOf(PERFT_SUITE[0].fen, 0), 1u);
    newGame(testStack);
    EXPECT_EQ(perft(testStack, POSITION_STACK_SIZE), 0u);
    EXPECT_EQ(testStack.current, testStack.positions);
}

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
    case KIND_CASTLE_KING_SIDE:
        return rookAttacks(F1, occ ^ squareBit(castlingRookSquare(m)) ^ squareBit(F1)) & enemyKing;
    case KIND_CASTLE_QUEEN_SIDE:
        return rookAttacks(D1, occ ^ squareBit(castlingRookSquare(m)) ^ squareBit(D1)) & enemyKing;
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
            if (isQuietMove(m))
                fail(pos, "generateCaptures listed a quiet move");
        for (Move m : quiets)
            if (isCapture(m) || (movePromotion(m) && !isCastling(m)))
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

    void walk(Position* pos, int depth)
    {
        nodes++;
        checkIncremental(*pos);
        if (depth == 0 || !failure.empty())
            return;
        checkGenerators(*pos);
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
    // The Chess960 file as Chess960 games, whose FEN names rook files.
    for (const auto& [file, chess960] : {std::pair{"perft.epd", false}, std::pair{"frc-perft.epd", true}}) {
        std::ifstream in(testDataPath(file));
        std::string line;
        Walker walker;
        int positions = 0, index = 0;
        while (std::getline(in, line) && walker.failure.empty()) {
            if (line.empty() || line[0] == '#' || index++ % POSITION_STRIDE)
                continue;
            const std::string fen = line.substr(0, line.find(';'));
            newGame(testStack);
            ASSERT_TRUE(setPositionFromFen(testStack, fen.c_str(), nullptr, chess960)) << fen;
            walker.walk(testStack.current, WALK_DEPTH);
            positions++;
        }
        EXPECT_EQ(positions, 150 / POSITION_STRIDE) << file;
        EXPECT_EQ(walker.failure, "") << file;
        EXPECT_GT(walker.nodes, 1000000u / POSITION_STRIDE / 2) << file;
    }
}

}  // namespace
