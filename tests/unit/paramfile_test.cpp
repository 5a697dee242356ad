// The parameter file reader: a file written by the tuner's writer reads back
// into the same table, and a file with any fault leaves the table and the
// evaluation's tables exactly as they were.
#include <cstring>
#include <filesystem>

#include "eval/params.h"
#include "support/unit.h"
#include "tuning/export.h"
#include "tuning/paramfile.h"

namespace {

namespace fs = std::filesystem;

class ParamFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::memcpy(saved, ParamTable, sizeof saved);
        char name[] = "/tmp/ardentis-paramfile-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir = name;
    }
    void TearDown() override
    {
        std::memcpy(ParamTable, saved, sizeof saved);
        applyParams();
        fs::remove_all(dir);
    }
    std::string write(const std::string& text)
    {
        std::string path = dir + "/params.csv";
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    static int indexOf(const char* name)
    {
        for (int i = 0; i < PARAM_COUNT; ++i)
            if (std::strcmp(ParamTable[i].name, name) == 0)
                return i;
        return -1;
    }

    ParamRecord saved[PARAM_COUNT];
    std::string dir;
};

TEST_F(ParamFileTest, TunerOutputReadsBackIntoTheSameTable)
{
    // Distinct values for the marked records, as a tuning run leaves them.
    int marked = 0;
    for (ParamRecord& r : ParamTable)
        if (r.tune)
            r.tunedValue = r.value + 3 * marked++ - 40;
    ASSERT_EQ(marked, 42);
    testing::internal::CaptureStdout();
    ASSERT_EQ(writeTunedValues(dir.c_str()), 1);
    testing::internal::GetCapturedStdout();
    int knightE4Before = pieceSquareMg[KNIGHT][28];

    ParamFileResult r = readParamFile((dir + "/tuned.csv").c_str());
    EXPECT_TRUE(r.applied);
    EXPECT_TRUE(r.problems.empty()) << r.problems.front();
    EXPECT_EQ(r.values, 42);
    for (int i = 0; i < PARAM_COUNT; ++i)
        EXPECT_EQ(ParamTable[i].value, saved[i].tune ? ParamTable[i].tunedValue : saved[i].value)
            << ParamTable[i].name;
    // applied: the derived tables follow the new knight value
    int knight = indexOf("PT_pieceValuesMg[KNIGHT]");
    EXPECT_EQ(pieceSquareMg[KNIGHT][28] - knightE4Before, ParamTable[knight].value - saved[knight].value);
}

TEST_F(ParamFileTest, AnyFaultLeavesTheTableAsItWas)
{
    const std::string good = "PT_pieceValuesMg[PAWN];95;\n";
    const std::pair<std::string, const char*> cases[] = {  // the text, and the start of its one problem line
        {"\n\n", "no parameters in the file"},
        {good + "P_Castling;1x0;\n", "line 2: not a whole number: '1x0'"},
        {good + "P_Castling;99999999999999999999999;\n", "line 2: not a whole number"},
        {"p_castling;5;\n" + good, "line 1: unknown parameter 'p_castling'"},
        {good + std::string(300, 'x') + ";1;\n", "line 2: line longer than 254 characters"},
        {good + "P_Castling 5\n", "line 2: expected name;value; in 'P_Castling 5'"},
        {"P_Castling;5;6;\n", "line 1: expected name;value; after the name of 'P_Castling'"},
        {"P_Castling;32768;\n", "line 1: value out of range for 'P_Castling'"},
        {"PT_AttackWeight[ROOK];-1;\n", "line 1: value out of range for 'PT_AttackWeight[ROOK]'"},
    };
    int16_t mgBefore[7][64];
    for (int p = 0; p < 7; ++p)
        for (int s = 0; s < 64; ++s)
            mgBefore[p][s] = int16_t(pieceSquareMg[p][s]);
    for (const auto& [text, problem] : cases) {
        ParamFileResult r = readParamFile(write(text).c_str());
        EXPECT_FALSE(r.applied) << text;
        ASSERT_EQ(r.problems.size(), 1u) << text;
        EXPECT_EQ(r.problems[0].rfind(problem, 0), 0u) << r.problems[0];
        EXPECT_EQ(std::memcmp(ParamTable, saved, sizeof saved), 0) << text;
        for (int p = 0; p < 7; ++p)
            for (int s = 0; s < 64; ++s)
                ASSERT_EQ(pieceSquareMg[p][s], mgBefore[p][s]) << text;
    }
}

TEST_F(ParamFileTest, EveryBadLineIsReportedAndSoIsAFileThatIsNone)
{
    ParamFileResult r = readParamFile(write("P_A;1;\nP_Castling;x;\nP_Castling;2;\nP_B;3;\n").c_str());
    EXPECT_FALSE(r.applied);
    ASSERT_EQ(r.problems.size(), 3u);
    EXPECT_EQ(r.problems[0].rfind("line 1:", 0), 0u);
    EXPECT_EQ(r.problems[1].rfind("line 2:", 0), 0u);
    EXPECT_EQ(r.problems[2].rfind("line 4:", 0), 0u);

    for (const std::string& path : {dir + "/missing.csv", dir, std::string("/dev/null")}) {
        r = readParamFile(path.c_str());
        EXPECT_FALSE(r.applied);
        ASSERT_EQ(r.problems.size(), 1u);
        EXPECT_EQ(r.problems[0], "cannot open " + path);
    }
    EXPECT_EQ(std::memcmp(ParamTable, saved, sizeof saved), 0);

    // Carriage returns, blank lines and a missing last line end are fine.
    r = readParamFile(write("\nPT_pieceValuesMg[PAWN];90;\r\n\nP_Castling;-7;").c_str());
    EXPECT_TRUE(r.applied);
    EXPECT_EQ(r.values, 2);
}

} // namespace
