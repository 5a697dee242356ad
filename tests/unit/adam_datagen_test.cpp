// The default evaluation's training pipeline: the two line forms, self-play
// games written and read back by the tuner's loader (the round trip), the
// loader's filters, the fit of K and the Adam epochs lowering the error and
// writing their files, and a generator run that resumes where it stopped.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine_init.h"
#include "eval/evaluate.h"
#include "eval/params.h"
#include "position/attacks.h"
#include "position/fen.h"
#include "search/benchsearch.h"
#include "search/hashq.h"
#include "search/searchthread.h"
#include "search/tables.h"
#include "tuning/adam.h"
#include "tuning/datagen.h"
#include "tuning/samples.h"

namespace {

namespace fs = std::filesystem;

SearchThread tuner;
ParamRecord saved[PARAM_COUNT];

std::vector<std::string> readLines(const fs::path& file)
{
    std::ifstream in(file);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

class Pipeline : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        testing::internal::CaptureStdout();
        allocAllTables(tableSizesOfEntries(1, uint64_t(1) << 16, uint64_t(1) << 12));
        allocHashEval(tuner.evalCache, uint64_t(1) << 12, 1, false, 0);
        allocHashQ(tuner, uint64_t(1) << 12, 1, false, 0);
        testing::internal::GetCapturedStdout();
        std::memcpy(saved, ParamTable, sizeof saved);
    }
    static void TearDownTestSuite()
    {
        freeHashQ(tuner);
        freeHashEval(tuner.evalCache);
        freeAllTables();
    }
    void SetUp() override
    {
        char name[] = "/tmp/ardentis-pipeline-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir = name;
        setEvalMode(false);
    }
    // The classic evaluation with the built-in values again.
    void TearDown() override
    {
        std::memcpy(ParamTable, saved, sizeof saved);
        setEvalMode(true);
        fs::remove_all(dir);
    }
    fs::path file(const char* name) const { return fs::path(dir) / name; }

    DatagenSettings datagen(const fs::path& out, uint64_t positions)
    {
        output = out.string();
        openings = file("openings.epd").string();
        std::ofstream(openings) << "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1\n"
                                   "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3\n";
        return DatagenSettings{output.c_str(), openings.c_str(), positions, 1500, 7, 4, 2000};
    }

    std::string dir, output, openings;
};

} // namespace

TEST(TrainingSample, BothLineForms)
{
    struct Case {
        const char* line;
        bool ok;
        const char* fen;
        bool hasScore;
        int score;
        double result;
    };
    const char* start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
    const Case cases[] = {
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1 | 35 | 1.0", true, start, true, 35, 1.0},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1|-120|0.5", true, start, true, -120, 0.5},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1 | 0 | 0", true, start, true, 0, 0.0},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1;1/2-1/2;", true, start, false, 0, 0.5},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1;0-1;", true, start, false, 0, 0.0},
        {"x | 12 | 0.7", false, "", false, 0, 0.0},          // no such result
        {"x | 12", false, "", false, 0, 0.0},                // no result
        {"x | twelve | 1.0", false, "", false, 0, 0.0},      // no score
        {"x | 40000 | 1.0", false, "", false, 0, 0.0},       // beyond 16 bits
        {"x | 12 | 1.0 extra", false, "", false, 0, 0.0},
        {" | 12 | 1.0", false, "", false, 0, 0.0},           // no FEN
        {"x;1-0", false, "", false, 0, 0.0},                 // result not ended by ';'
        {"x;draw;", false, "", false, 0, 0.0},
        {"no separator at all", false, "", false, 0, 0.0},
    };
    for (const Case& c : cases) {
        TrainingSample s{};
        ASSERT_EQ(parseTrainingSample(c.line, s), c.ok) << c.line;
        if (!c.ok)
            continue;
        EXPECT_STREQ(s.fen, c.fen) << c.line;
        EXPECT_EQ(s.hasScore, c.hasScore) << c.line;
        EXPECT_EQ(s.score, c.score) << c.line;
        EXPECT_EQ(s.result, c.result) << c.line;
    }
    char line[300];
    ASSERT_GT(formatTrainingSample(line, sizeof line, start, -7, 0.5), 0u);
    EXPECT_STREQ(line, "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1 | -7 | 0.5\n");
    EXPECT_EQ(formatTrainingSample(line, 20, start, -7, 0.5), 0u);
}

// Games written by the generator are read back whole by the tuner's loader:
// every line parses, the loader's own filters drop only what they name, and
// each position's evaluation is what the engine gives it.
TEST_F(Pipeline, GeneratedGamesRoundTripThroughTheLoader)
{
    const fs::path out = file("games.txt");
    const DatagenSettings s = datagen(out, 150);
    testing::internal::CaptureStdout();
    ASSERT_EQ(runDatagen(mainThread, s), 1);
    const std::string progress = testing::internal::GetCapturedStdout();
    EXPECT_NE(progress.find("positions/hour"), std::string::npos) << progress;

    const std::vector<std::string> lines = readLines(out);
    ASSERT_GE(lines.size(), 150u);
    for (const std::string& line : lines) {
        TrainingSample sample{};
        ASSERT_TRUE(parseTrainingSample(line.c_str(), sample)) << line;
        ASSERT_TRUE(sample.hasScore);
        EXPECT_LT(std::abs(sample.score), 2000) << line;
        ASSERT_EQ(setPositionFromFen(tuner, sample.fen, nullptr), 1) << line;
        EXPECT_EQ(checkers(*tuner.current), 0u) << line;
    }

    TrainingSet set;
    testing::internal::CaptureStdout();
    ASSERT_TRUE(loadTrainingSet(tuner, out.c_str(), set));
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(set.lines, lines.size());
    EXPECT_EQ(set.unread, 0u);
    EXPECT_EQ(set.inCheck, 0u);
    EXPECT_EQ(set.positions.size() + set.noisy, lines.size());
    EXPECT_GT(set.positions.size(), lines.size() / 2);

    // At the starting values each position's linear form gives back White's
    // evaluation exactly (the offset carries what no parameter does).
    static double weights[PARAM_COUNT];
    for (int i = 0; i < PARAM_COUNT; i++)
        weights[i] = ParamTable[i].playValue;
    uint32_t previous = 0;
    for (const TrainingPosition& p : set.positions) {
        ASSERT_LT(p.line, lines.size());
        EXPECT_TRUE(p.line > previous || p.line == 0);
        previous = p.line;
        TrainingSample sample{};
        parseTrainingSample(lines[p.line].c_str(), sample);
        EXPECT_EQ(p.score, float(sample.score));
        EXPECT_EQ(p.result, float(sample.result));
        setPositionFromFen(tuner, sample.fen, nullptr);
        const int eval = evaluatePosition(*tuner.current);
        const int white = tuner.current->sideToMove == 0 ? eval : -eval;
        EXPECT_NEAR(linearEvaluation(set, p, weights), white, 0.01) << lines[p.line];
    }
}

TEST_F(Pipeline, LoaderSkipsWhatItCannotFit)
{
    const fs::path in = file("mixed.epd");
    std::ofstream(in) << "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1;1-0;\n"       // kept
                         "4k3/8/8/3q4/4P3/8/8/4K3 w - - 0 1;0-1;\n"  // exd5 wins the queen
                         "4k3/8/8/8/8/8/8/4K2r w - - 0 1 | 0 | 0.5\n"                           // in check
                         "not a fen | 0 | 0.5\n"
                         "4k3/8/8/8/8/8/8/4K3 w - - 0 1;draw;\n"
                         + std::string(300, 'x') + "\n"
                         "4k3/8/8/8/8/8/3P4/4K3 w - - 0 1 | 90 | 1.0\n";                         // kept
    TrainingSet set;
    testing::internal::CaptureStdout();
    ASSERT_TRUE(loadTrainingSet(tuner, in.c_str(), set));
    EXPECT_FALSE(loadTrainingSet(tuner, file("none.epd").c_str(), set));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "File not found\n");
    EXPECT_EQ(set.lines, 7u);
    EXPECT_EQ(set.positions.size(), 2u);
    EXPECT_EQ(set.unread, 3u);
    EXPECT_EQ(set.inCheck, 1u);
    EXPECT_EQ(set.noisy, 1u);
    EXPECT_FALSE(set.positions[0].hasScore);
    EXPECT_TRUE(set.positions[1].hasScore);
    EXPECT_EQ(set.positions[1].score, 90.0f);
}

// A made-up set whose results follow a logistic curve of known K: the fit
// finds it back.
TEST(AdamTuner, FitsTheScaleOfTheCurve)
{
    TrainingSet set;
    static double weights[PARAM_COUNT] = {};
    const double k = 1.3;
    for (int e = -600; e <= 600; e += 5) {
        // Results 1 and 0 in the proportion of the curve, as ten games each.
        const double p = 1.0 / (1.0 + std::pow(10.0, -k * e / 400.0));
        const int wins = int(std::lround(p * 10));
        for (int g = 0; g < 10; g++) {
            TrainingPosition pos{};
            pos.offset = float(e);
            pos.result = g < wins ? 1.0f : 0.0f;
            set.positions.push_back(pos);
        }
    }
    EXPECT_NEAR(fitScale(set, weights), k, 0.05);
}

// Adam lowers the error, leaves the records it saw too rarely alone, and
// writes tuned.csv (the fitted records) and params.h (all of them).
TEST_F(Pipeline, EpochsLowerTheErrorAndWriteTheFiles)
{
    const fs::path in = file("train.epd");
    {
        std::ifstream source(testDataPath("input-small.epd"));
        std::ofstream(in) << source.rdbuf();
    }
    const AdamSettings settings{in.c_str(), dir.c_str(), 30, 1.0, 1.0, 256, 0.0, nullptr};
    testing::internal::CaptureStdout();
    const int done = adamTuning(tuner, settings);
    const std::string out = testing::internal::GetCapturedStdout();
    ASSERT_EQ(done, 1) << out;

    double initial = 0, final = 0;
    std::istringstream lines(out);
    int epochs = 0;
    for (std::string line; std::getline(lines, line);) {
        std::sscanf(line.c_str(), "Initial error %lf", &initial);
        std::sscanf(line.c_str(), "Final error %lf", &final);
        epochs += line.rfind("epoch ", 0) == 0 && line.find(" s") != std::string::npos;
    }
    EXPECT_EQ(epochs, 30);
    EXPECT_GT(initial, 0.0);
    EXPECT_LT(final, initial * 0.98) << out;

    const std::vector<std::string> tuned = readLines(file("tuned.csv"));
    const std::vector<std::string> header = readLines(file("params.h"));
    EXPECT_GT(tuned.size(), 300u);
    EXPECT_EQ(header.size(), size_t(PARAM_COUNT) + 5);
    for (const std::string& line : tuned) {
        const std::string name = line.substr(0, line.find(';'));
        const int i = paramIndexByName(name.c_str());
        ASSERT_GE(i, 0) << line;
        EXPECT_EQ(line, name + ";" + std::to_string(ParamTable[i].playValue) + ";");
        EXPECT_EQ(ParamTable[i].value, saved[i].value) << "the classic value stays: " << name;
    }
    // Pawns never stand on the first rank: their records are not fitted.
    EXPECT_EQ(ParamTable[paramIndexByName("PT_PstMg[PAWN][A1]")].playValue, saved[paramIndexByName("PT_PstMg[PAWN][A1]")].playValue);
}

// --start applies a tuned.csv of the default evaluation first; with no epochs
// the run only measures its error and writes nothing.
TEST_F(Pipeline, StartsFromAFileAndMeasuresWithoutEpochs)
{
    const fs::path in = file("train.epd"), start = file("start.csv");
    std::ofstream(in) << "4k3/8/8/8/8/8/3P4/4K3 w - - 0 1 | 90 | 1.0\n"
                         "4k3/3p4/8/8/8/8/3P4/4K3 w - - 0 1 | 0 | 0.5\n";
    std::ofstream(start) << "P_SpaceMg;7;\nPT_PassedOwnKingEg[3];-2;\n";
    const AdamSettings settings{in.c_str(), dir.c_str(), 0, 1.0, 1.0, 256, 1.5, start.c_str()};
    testing::internal::CaptureStdout();
    EXPECT_EQ(adamTuning(tuner, settings), 1);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Starting from"), std::string::npos) << out;
    EXPECT_NE(out.find("Initial error"), std::string::npos) << out;
    EXPECT_EQ(P_SpaceMg, 7);
    EXPECT_EQ(PT_PassedOwnKingEg[1], -2);
    EXPECT_FALSE(fs::exists(file("tuned.csv")));

    std::ofstream(start) << "P_NoSuchParameter;7;\n";
    testing::internal::CaptureStdout();
    EXPECT_EQ(adamTuning(tuner, settings), 0);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("unknown parameter"), std::string::npos);
}

// A run stopped between games goes on with the next game; one whose last
// game was cut short drops the partial lines first. Either way the file is
// what one uninterrupted run writes.
TEST_F(Pipeline, GeneratorResumesWhereItStopped)
{
    const fs::path whole = file("whole.txt"), parts = file("parts.txt");
    testing::internal::CaptureStdout();
    ASSERT_EQ(runDatagen(mainThread, datagen(whole, 120)), 1);
    ASSERT_EQ(runDatagen(mainThread, datagen(parts, 40)), 1);
    {
        std::ofstream(parts, std::ios::app) << "half a game that was cut";
    }
    ASSERT_EQ(runDatagen(mainThread, datagen(parts, 120)), 1);
    // A file without its state is refused rather than mixed up.
    std::ofstream(file("stray.txt")) << "line\n";
    EXPECT_EQ(runDatagen(mainThread, datagen(file("stray.txt"), 10)), 0);
    testing::internal::GetCapturedStdout();

    const std::vector<std::string> a = readLines(whole), b = readLines(parts);
    ASSERT_GE(a.size(), 120u);
    EXPECT_EQ(a, b);
}
