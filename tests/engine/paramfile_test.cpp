// The INI key and the UCI option ParamFile in the real binary: a sound file
// changes how the engine scores positions, a bad one is reported line by line
// and changes nothing, and <empty> brings back the built-in values.
#include <gtest/gtest.h>

#include <string>

#include "support/engine_process.h"

TEST(ParamFile, KeyAndOption)
{
    EngineProcess engine;
    engine.files = {{"heavy.csv", "PT_pieceValuesMg[PAWN];2000;\nPT_pieceValuesEg[PAWN];2000;\n"},
                    {"bad.csv", "PT_pieceValuesMg[PAWN];1;\nno such parameter;1;\nP_Castling;x;\n"}};
    // The key goes into the small set-up's own [ENGINE] section.
    ASSERT_TRUE(engine.start(("[ENGINE]\nParamFile=heavy.csv\n" + std::string(SMALL_INI).substr(9)).c_str()));
    // A white pawn up, searched to depth 2 (the lowest UCI depth); the score
    // of its depth-1 line.
    auto scoreAfter = [&](const std::string& setting) {
        const size_t from = engine.output.size();
        engine.send(setting + "position fen 4k3/8/8/8/8/8/P7/4K3 w - - 0 1\ngo depth 2\n");
        EXPECT_TRUE(engine.waitFor("bestmove", 20000, from));
        const size_t at = engine.output.find("score cp", engine.output.find("info depth  1 ", from));
        return at == std::string::npos ? -99999 : std::stoi(engine.output.substr(at + 8));
    };
    engine.send("uci\n");
    ASSERT_TRUE(engine.waitFor("uciok"));
    EXPECT_NE(engine.output.find("ParamFile heavy.csv: 2 parameters applied\n"), std::string::npos) << engine.output;
    EXPECT_NE(engine.output.find("option name ParamFile type string default heavy.csv\n"), std::string::npos);
    EXPECT_GT(scoreAfter(""), 1500);

    // A bad file keeps the values in force (here the loaded ones).
    EXPECT_GT(scoreAfter("setoption name ParamFile value bad.csv\n"), 1500);
    EXPECT_NE(engine.output.find("info string ParamFile bad.csv: line 2: unknown parameter 'no such parameter'\n"
                                 "info string ParamFile bad.csv: line 3: not a whole number: 'x'\n"
                                 "info string ParamFile bad.csv: nothing applied\n"),
              std::string::npos);

    const int plain = scoreAfter("setoption name ParamFile value <empty>\n");
    EXPECT_GT(plain, 0);
    EXPECT_LT(plain, 1000);
    EXPECT_NE(engine.output.find("info string ParamFile: built-in values\n"), std::string::npos);
    EXPECT_GT(scoreAfter("setoption name ParamFile value heavy.csv\n"), 1500);
    EXPECT_NE(engine.output.find("info string ParamFile heavy.csv: 2 parameters applied\n"), std::string::npos);
    engine.send("quit\n");
    EXPECT_EQ(engine.wait(20000), 0);
}
