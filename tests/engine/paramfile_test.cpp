// The INI key and the UCI option ParamFile in the real binary: a sound file
// changes how the engine scores positions, a bad one is reported line by line
// and changes nothing.
#include <gtest/gtest.h>

#include <string>

#include "support/engine_process.h"

namespace {

// The key goes into the small set-up's own [ENGINE] section.
const std::string INI = "[ENGINE]\nParamFile=params.csv\n" + std::string(SMALL_INI).substr(9);

// A white pawn up, searched to depth 2 (the lowest UCI depth); the score of
// its depth-1 line is read.
const char* const PAWN_UP = "uci\nposition fen 4k3/8/8/8/8/8/P7/4K3 w - - 0 1\ngo depth 2\n";

struct EngineResult {
    std::string output;
    int status = -2;
};

EngineResult runWithParams(const std::string& file)
{
    EngineProcess engine;
    engine.files = {{"params.csv", file}};
    EngineResult r;
    if (!engine.start(INI.c_str()))
        return r;
    engine.send(PAWN_UP);
    engine.waitFor("bestmove", 20000);
    engine.send("quit\n");
    engine.closeInput();
    r.status = engine.wait(20000);
    r.output = engine.output;
    return r;
}

int depthOneScore(const std::string& output)
{
    size_t at = output.find("info depth  1 ");
    if (at == std::string::npos)
        return -99999;
    at = output.find("score cp", at);
    return at == std::string::npos ? -99999 : std::stoi(output.substr(at + 8));
}

} // namespace

TEST(ParamFileKey, ASoundFileChangesTheEvaluation)
{
    EngineResult plain = runWithParams("no such parameter;1;\n");
    EngineResult heavy = runWithParams("PT_pieceValuesMg[PAWN];2000;\nPT_pieceValuesEg[PAWN];2000;\n");
    ASSERT_EQ(plain.status, 0);
    ASSERT_EQ(heavy.status, 0);
    EXPECT_NE(heavy.output.find("ParamFile params.csv: 2 parameters applied\n"), std::string::npos) << heavy.output;
    EXPECT_NE(heavy.output.find("option name ParamFile type string default params.csv\n"), std::string::npos);
    int plainScore = depthOneScore(plain.output);
    int heavyScore = depthOneScore(heavy.output);
    EXPECT_GT(plainScore, 0);
    EXPECT_LT(plainScore, 1000);
    EXPECT_GT(heavyScore, 1500);
}

TEST(ParamFileKey, ABadFileIsReportedAndNothingApplied)
{
    EngineResult bad = runWithParams("PT_pieceValuesMg[PAWN];2000;\nno such parameter;1;\nP_Castling;x;\n");
    ASSERT_EQ(bad.status, 0);
    EXPECT_NE(bad.output.find("ParamFile params.csv: line 2: unknown parameter 'no such parameter'\n"
                              "ParamFile params.csv: line 3: not a whole number: 'x'\n"
                              "ParamFile params.csv: nothing applied\n"),
              std::string::npos)
        << bad.output;
    EXPECT_NE(bad.output.find("option name ParamFile type string default <empty>\n"), std::string::npos);
    EXPECT_GT(depthOneScore(bad.output), 0);
    EXPECT_LT(depthOneScore(bad.output), 1000);
}

TEST(ParamFileOption, SetBetweenSearchesAndBackToTheBuiltInValues)
{
    EngineProcess engine;
    engine.files = {{"heavy.csv", "PT_pieceValuesMg[PAWN];2000;\nPT_pieceValuesEg[PAWN];2000;\n"},
                    {"bad.csv", "PT_pieceValuesMg[PAWN];1;\nP_Castling;;\n"}};
    ASSERT_TRUE(engine.start());
    const std::string search = "position fen 4k3/8/8/8/8/8/P7/4K3 w - - 0 1\ngo depth 2\n";
    auto scoreAfter = [&](const std::string& setting) {
        size_t from = engine.output.size();
        engine.send(setting + search);
        EXPECT_TRUE(engine.waitFor("bestmove", 20000, from));
        return depthOneScore(engine.output.substr(from));
    };
    engine.send("uci\n");
    ASSERT_TRUE(engine.waitFor("uciok"));
    int plain = scoreAfter("");
    EXPECT_GT(plain, 0);
    EXPECT_LT(plain, 1000);

    EXPECT_GT(scoreAfter("setoption name ParamFile value heavy.csv\n"), 1500);
    EXPECT_NE(engine.output.find("info string ParamFile heavy.csv: 2 parameters applied\n"), std::string::npos);

    // A bad file keeps the values in force (here the loaded ones).
    EXPECT_GT(scoreAfter("setoption name ParamFile value bad.csv\n"), 1500);
    EXPECT_NE(engine.output.find("info string ParamFile bad.csv: line 2: not a whole number: ''\n"
                                 "info string ParamFile bad.csv: nothing applied\n"),
              std::string::npos);

    EXPECT_EQ(scoreAfter("setoption name ParamFile value <empty>\n"), plain);
    EXPECT_NE(engine.output.find("info string ParamFile: built-in values\n"), std::string::npos);
    engine.send("quit\n");
    EXPECT_EQ(engine.wait(20000), 0);
}
