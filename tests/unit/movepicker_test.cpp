// The staged move picker: every legal move exactly once, the hash move first,
// then winning and equal captures, quiet moves and losing captures in that
// order; and the mate-distance window.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "engine_init.h"
#include "position/attacks.h"
#include "position/fen.h"
#include "position/movegen.h"
#include "position/see.h"
#include "search/bounds.h"
#include "search/movepicker.h"
#include "search/ordering.h"

namespace {

SearchThread pickerThread;

std::vector<std::string> sharedPositions()
{
    std::ifstream in(testDataPath("positions.txt"));
    std::vector<std::string> fens;
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] != '#')
            fens.push_back(line);
    return fens;
}

std::vector<Move> legalMoves(const Position& pos)
{
    MoveEntry list[MAX_MOVES];
    MoveEntry* end = generateLegal(pos, list);
    std::vector<Move> moves;
    for (MoveEntry* e = list; e != end; ++e)
        moves.push_back(entryMove(*e));
    std::sort(moves.begin(), moves.end());
    return moves;
}

struct Picked {
    Move move;
    PickStage stage;
    int see;
};

std::vector<Picked> pickAll(const Position& pos, Move hashMove)
{
    static MovePicker picker;
    startPicker(picker, pickerThread, pos, 2, hashMove);
    std::vector<Picked> picked;
    while (Move m = nextMove(picker))
        picked.push_back({m, picker.stage, picker.see});
    return picked;
}

// Checks one run of the picker against the legal moves of pos.
void checkRun(const Position& pos, Move hashMove, const std::string& what)
{
    const std::vector<Picked> picked = pickAll(pos, hashMove);
    std::vector<Move> moves;
    for (const Picked& p : picked)
        moves.push_back(p.move);
    std::sort(moves.begin(), moves.end());
    EXPECT_EQ(moves, legalMoves(pos)) << what << ": each legal move exactly once";

    const bool hashLegal = hashMove && std::binary_search(moves.begin(), moves.end(), hashMove);
    if (hashLegal) {
        ASSERT_FALSE(picked.empty());
        EXPECT_EQ(picked[0].move, hashMove) << what;
        EXPECT_EQ(picked[0].stage, PickStage::Hash) << what;
    }
    for (size_t i = 0; i < picked.size(); i++) {
        const Picked& p = picked[i];
        if (i > 0) {
            EXPECT_LE(int(picked[i - 1].stage), int(p.stage)) << what << ": stages in order";
        }
        if (p.stage == PickStage::Hash) {
            EXPECT_EQ(i, 0u) << what;
        }
        if (p.stage == PickStage::GoodCaptures) {
            EXPECT_GE(staticExchange(pos, p.move), 0) << what;
        }
        if (p.stage == PickStage::LosingCaptures) {
            EXPECT_LT(p.see, 0) << what;
            EXPECT_EQ(p.see, staticExchange(pos, p.move)) << what;
            if (i > 0 && picked[i - 1].stage == PickStage::LosingCaptures) {
                EXPECT_GE(picked[i - 1].see, p.see) << what << ": best exchange first";
            }
        }
        if (p.stage == PickStage::Quiets) {
            EXPECT_FALSE(isCapture(p.move)) << what;
        }
    }
}

TEST(MovePicker, YieldsEveryLegalMoveOnceInStageOrder)
{
    const std::vector<std::string> fens = sharedPositions();
    ASSERT_GT(fens.size(), 100u);
    for (const std::string& fen : fens) {
        pickerThread.current = pickerThread.positions;
        ASSERT_EQ(setPositionFromFen(pickerThread, fen.c_str(), nullptr), 1) << fen;
        const Position& pos = *pickerThread.current;
        clearKillers(pickerThread);
        clearHistory(pickerThread);
        clearCounterMoves(pickerThread);
        checkRun(pos, 0, fen + " (no hash move)");
        // Every legal move as the hash move.
        for (Move m : legalMoves(pos))
            checkRun(pos, m, fen + " (hash move)");
    }
}

TEST(Bounds, MateDistanceWindow)
{
    struct Case {
        int ply, alpha, beta;
        int alphaAfter, betaAfter;
        bool closes;
    };
    const Case cases[] = {
        {1, -INFINITE, INFINITE, 1 - MATE, MATE - 1, false},
        {4, -100, 100, -100, 100, false},
        {3, MATE - 3, MATE - 2, MATE - 3, MATE - 3, true},    // cannot mate sooner than ply 3 allows
        {5, -MATE, 5 - MATE, 5 - MATE, 5 - MATE, true},       // cannot be mated sooner either
        {2, MATE - 10, INFINITE, MATE - 10, MATE - 2, false},
    };
    for (const Case& c : cases) {
        int alpha = c.alpha, beta = c.beta;
        EXPECT_EQ(mateDistanceCloses(c.ply, alpha, beta), c.closes) << c.ply << " " << c.alpha << " " << c.beta;
        EXPECT_EQ(alpha, c.alphaAfter);
        EXPECT_EQ(beta, c.betaAfter);
    }
}

}  // namespace
