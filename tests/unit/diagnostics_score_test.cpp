// The console's score command on every shared position: the breakdown is
// printed and the score line is the search's static evaluation.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "engine_init.h"
#include "eval/evalcache.h"
#include "eval/evaluate.h"
#include "frontend/diagnostics.h"
#include "frontend/session.h"
#include "position/fen.h"
#include "search/engine.h"

TEST(ScoreCommand, PrintsTheStaticEvaluationOfEverySharedPosition)
{
    Session session{};
    session.engine = createEngine();
    SearchThread& game = session.engine->mainThread;
    ASSERT_TRUE(allocHashEval(game.evalCache, 4096));
    std::ifstream in(testDataPath("positions.txt"));
    int positions = 0;
    for (std::string fen; std::getline(in, fen);) {
        if (fen.empty() || fen[0] == '#')
            continue;
        ASSERT_EQ(setPositionFromFen(game, fen.c_str(), nullptr), 1) << fen;
        testing::internal::CaptureStdout();
        scoreCommand(session, "score");
        const std::string out = testing::internal::GetCapturedStdout();

        ASSERT_EQ(out.find("\nSide to move\n"), 0u) << fen;
        const size_t opponent = out.find("\nOpponent\n");
        const size_t scoreLine = out.rfind("\nScore: ");
        ASSERT_NE(opponent, std::string::npos) << fen;
        ASSERT_NE(scoreLine, std::string::npos) << fen;
        EXPECT_LT(opponent, scoreLine);
        EXPECT_EQ(out.substr(scoreLine), "\nScore: " + std::to_string(evaluatePosition(*game.current)) + "\n")
            << fen;
        // The cache now holds the same value: the command used the search's evaluation.
        EXPECT_EQ(probeHashEval(game.evalCache, game.current->key),
                  evaluatePosition(*game.current)) << fen;
        ++positions;
    }
    EXPECT_GT(positions, 300);
    destroyEngine(session.engine);
}
