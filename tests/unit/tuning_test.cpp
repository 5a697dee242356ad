// The tuner over small training files in a temporary folder: result parsing,
// the preparation filters, and the optimiser lowering the error and writing
// the tuned values (tune_test.cpp runs the stages from the command line).
// The default evaluation's pipeline: training lines, self-play games read
// back by the loader of tune adam (the round trip), the fit of K, the Adam
// epochs and a generator run that resumes where it stopped.
#include <stdlib.h>

#include <cmath>
#include <cstring>
#include <filesystem>

#include "eval/evaluate.h"
#include "eval/params.h"
#include "search/benchsearch.h"
#include "search/engine.h"
#include "search/hashq.h"
#include "search/tt.h"
#include "support/unit.h"
#include "tuning/adam.h"
#include "tuning/datagen.h"
#include "tuning/export.h"
#include "tuning/samples.h"
#include "tuning/texel.h"
#include "tuning/trainingfile.h"

namespace {

namespace fs = std::filesystem;

// The tuner's record belongs to an engine: its searches use the engine's
// table and stop flags.
Engine& engine = *createEngine();
SearchThread& record = engine.mainThread;
ParamRecord defaults[PARAM_COUNT];

std::vector<std::string> readLines(const fs::path& file) { return linesOf(fileText(file.string())); }

void writeFile(const fs::path& file, const std::string& text) { std::ofstream(file) << text; }

class TuningTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        allocHashTable(engine.tt, uint64_t(1) << 14);
        allocHashEval(record.evalCache, uint64_t(1) << 14);
        allocHashQ(record, uint64_t(1) << 14);
        std::memcpy(defaults, ParamTable, sizeof defaults);
    }
    static void TearDownTestSuite()
    {
        freeHashQ(record);
        freeHashEval(record.evalCache);
        freeHashTable(engine.tt);
    }
    void SetUp() override
    {
        char name[] = "/tmp/ardentis-tuning-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir = name;
        settings = {folder(), 0};
    }
    // Every test leaves the built-in table as it found it.
    void TearDown() override
    {
        std::memcpy(ParamTable, defaults, sizeof defaults);
        setEvalMode(true);
        fs::remove_all(dir);
    }
    const char* folder() const { return dir.c_str(); }
    fs::path file(const char* name) const { return fs::path(dir) / name; }

    std::string dir;
    TunerSettings settings{};
};

TEST(TrainingFile, ResultsCountOnlyExactTextsEndedBySemicolon)
{
    const std::pair<const char*, double> cases[] = {{"1-0;", 1.0}, {"1/2-1/2;", 0.5}, {"0-1;", 0.0}, {"1-0", 0.0},
                                                    {"1-0 ;", 0.0}, {"draw;", 0.0},   {"1-0;x", 1.0}};
    for (const auto& [field, result] : cases)
        EXPECT_EQ(resultForWhite(field), result) << '"' << field << '"';
}

TEST_F(TuningTest, PreparationFiltersEachReasonInOrder)
{
    const std::string longFen(300, 'x');
    const struct {
        const char* line;
        const char* reason;  // null: selected
    } cases[] = {
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1;1/2-1/2;", "StartPos"},
        {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1;1-0;", nullptr},
        {"not a position;1-0;", "BadFEN"},
        {"4k3/pp6/8/8/8/8/PP6/4K3 w - - 0 1;1/2-1/2;", "EGTB"},   // 6 men
        {"4k3/ppp5/8/8/8/8/PP6/4K3 w - - 0 1;0-1;", nullptr},     // 7 men
        {"4k3/ppp5/8/8/8/8/PP2r3/4K3 w - - 0 1;0-1;", "inCheck"},
        {"4k3/ppp5/8/3q4/4P3/8/PP6/4K3 w - - 0 1;1-0;", "noQuiete"},
        {"4k3/ppp5/8/8/8/8/PP6/4K3 b - - 0 1;1-0;", nullptr},
    };
    std::string input;
    for (const auto& c : cases)
        input += std::string(c.line) + "\n";
    input += longFen + ";1-0;\n";
    writeFile(file("input.epd"), input);

    std::string out = printed([&] { EXPECT_EQ(texelFirstStage(record, settings), 1); });
    EXPECT_NE(out.find("Texel Tuning First Stage completed\nProcessed positions: 9\n"
                       "Selected  positions: 3\nSkipped   positions: 6\nInitial Overall Error:      "),
              std::string::npos)
        << out;

    std::vector<std::string> selected, skipped;
    for (const auto& c : cases) {
        std::string fen = std::string(c.line).substr(0, std::strcspn(c.line, ";"));
        if (c.reason)
            skipped.push_back(fen + ";" + c.reason + ";");
        else
            selected.push_back(c.line);
    }
    skipped.push_back(std::string(254, 'x') + ";BadFEN;");
    EXPECT_EQ(readLines(file("selected.csv")), selected);
    EXPECT_EQ(readLines(file("skipped.csv")), skipped);
}

TEST_F(TuningTest, TexelTuningLowersTheErrorAndWritesTunedValues)
{
    std::ifstream in(testDataPath("input-small.epd"));
    std::ofstream input(file("input.epd"));
    std::string line;
    for (int i = 0; i < 60 && std::getline(in, line); i++)
        input << line << "\n";
    input.close();
    printed([&] { ASSERT_EQ(texelFirstStage(record, settings), 1); });
    // A cached score filled under the old values, by the quiescence filter.
    const std::string first = readLines(file("selected.csv")).at(0);
    ASSERT_EQ(setPositionFromFen(record, first.substr(0, first.find(';')).c_str(), nullptr), 1);
    const int cached = evaluate(*record.current, &record.evalCache);

    const double before = texelError(record, folder(), TEXEL_K);
    settings.maxIterations = 2;
    std::string out = printed([&] { ASSERT_EQ(texelTuning(record, settings), 1); });
    const double after = texelError(record, folder(), TEXEL_K);
    EXPECT_LT(after, before);
    EXPECT_NE(out.find("Texel Tuning started\nIteration 1\nderA  "), std::string::npos) << out;
    EXPECT_NE(out.find("\nIteration 2\n"), std::string::npos);
    EXPECT_EQ(out.find("\nIteration 3\n"), std::string::npos);
    char best[64];
    std::snprintf(best, sizeof best, "Best Overall Error: %3.6f   (", after);
    EXPECT_NE(out.find(best), std::string::npos) << out;

    // The engine now evaluates with the fitted values, its cache included.
    ASSERT_EQ(setPositionFromFen(record, first.substr(0, first.find(';')).c_str(), nullptr), 1);
    ASSERT_NE(evaluatePosition(*record.current), cached);
    EXPECT_EQ(evaluate(*record.current, &record.evalCache), evaluatePosition(*record.current));

    std::vector<std::string> expected;
    for (const ParamRecord& r : ParamTable)
        if (r.tune) {
            EXPECT_EQ(r.tunedValue, r.value) << r.name;
            expected.push_back(std::string(r.name) + ";" + std::to_string(r.value) + ";");
        }
    EXPECT_EQ(expected.size(), 42u);
    EXPECT_EQ(readLines(file("tuned.csv")), expected);
}

// The self-play games' own engine, with every table and a silent reporter.
Engine& players()
{
    static Engine* e = nullptr;
    if (!e) {
        e = createEngine();
        allocAllTables(*e, tableSizesOfEntries(1, uint64_t(1) << 16, uint64_t(1) << 12));
    }
    return *e;
}

struct Games {
    std::string output, openings;
    DatagenSettings settings(const fs::path& out, uint64_t positions)
    {
        output = out.string();
        openings = (out.parent_path() / "openings.epd").string();
        writeFile(openings, std::string(START_FEN) + "\nr1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3\n");
        return DatagenSettings{output.c_str(), openings.c_str(), positions, 1500, 7, 4, 2000};
    }
};

TEST(TrainingSample, BothLineFormsAndTheirFaults)
{
    const std::string start = START_FEN;
    const struct {
        std::string line;
        bool ok, hasScore;
        int score;
        double result;
    } cases[] = {
        {start + " | 35 | 1.0", true, true, 35, 1.0},
        {start + "|-120|0.5", true, true, -120, 0.5},
        {start + ";0-1;", true, false, 0, 0.0},
        {"x | 12 | 0.7", false, false, 0, 0.0},      // no such result
        {"x | 40000 | 1.0", false, false, 0, 0.0},   // beyond 16 bits
        {"x | 12 | 1.0 extra", false, false, 0, 0.0},
        {" | 12 | 1.0", false, false, 0, 0.0},       // no FEN
        {"x;1-0", false, false, 0, 0.0},             // result not ended by ';'
    };
    for (const auto& c : cases) {
        TrainingSample s{};
        ASSERT_EQ(parseTrainingSample(c.line.c_str(), s), c.ok) << c.line;
        if (c.ok) {
            EXPECT_EQ(s.fen, start) << c.line;
            EXPECT_EQ(s.hasScore, c.hasScore) << c.line;
            EXPECT_EQ(s.score, c.score) << c.line;
            EXPECT_EQ(s.result, c.result) << c.line;
        }
    }
    char line[300];
    ASSERT_GT(formatTrainingSample(line, sizeof line, START_FEN, -7, 0.5), 0u);
    EXPECT_EQ(line, start + " | -7 | 0.5\n");
    EXPECT_EQ(formatTrainingSample(line, 20, START_FEN, -7, 0.5), 0u);
}

// Games written by the generator are read back whole by the tuner's loader,
// and at the starting values each position's linear form gives back White's
// evaluation (the offset carries what no parameter does).
TEST_F(TuningTest, GeneratedGamesRoundTripThroughTheLoader)
{
    Games games;
    const fs::path out = file("games.txt");
    const std::string progress =
        printed([&] { ASSERT_EQ(runDatagen(players().mainThread, games.settings(out, 150)), 1); });
    EXPECT_NE(progress.find("positions/hour"), std::string::npos) << progress;
    const std::vector<std::string> lines = readLines(out);
    ASSERT_GE(lines.size(), 150u);

    setEvalMode(false);
    TrainingSet set;
    printed([&] { ASSERT_TRUE(loadTrainingSet(record, out.c_str(), set)); });
    EXPECT_EQ(set.lines, lines.size());
    EXPECT_EQ(set.unread + set.inCheck, 0u);
    EXPECT_EQ(set.positions.size() + set.noisy, lines.size());
    EXPECT_GT(set.positions.size(), lines.size() / 2);
    static double weights[PARAM_COUNT];
    for (int i = 0; i < PARAM_COUNT; i++)
        weights[i] = ParamTable[i].playValue;
    for (const TrainingPosition& p : set.positions) {
        TrainingSample sample{};
        ASSERT_TRUE(parseTrainingSample(lines.at(p.line).c_str(), sample));
        EXPECT_LT(std::abs(sample.score), 2000);
        EXPECT_EQ(p.score, float(sample.score));
        EXPECT_EQ(p.result, float(sample.result));
        const int eval = evaluatePosition(setUp(record, sample.fen));
        EXPECT_NEAR(linearEvaluation(set, p, weights), record.current->sideToMove == 0 ? eval : -eval, 0.01)
            << lines[p.line];
    }
}

TEST_F(TuningTest, AdamLoaderSkipsWhatItCannotFit)
{
    setEvalMode(false);
    writeFile(file("mixed.epd"), std::string(START_FEN) + ";1-0;\n"      // kept
                                     "4k3/8/8/3q4/4P3/8/8/4K3 w - - 0 1;0-1;\n"  // exd5 wins the queen
                                     "4k3/8/8/8/8/8/8/4K2r w - - 0 1 | 0 | 0.5\n"  // in check
                                     "not a fen | 0 | 0.5\n"
                                     "4k3/8/8/8/8/8/8/4K3 w - - 0 1;draw;\n" +
                                     std::string(300, 'x') + "\n4k3/8/8/8/8/8/3P4/4K3 w - - 0 1 | 90 | 1.0\n");
    TrainingSet set;
    const std::string out = printed([&] {
        ASSERT_TRUE(loadTrainingSet(record, file("mixed.epd").c_str(), set));
        EXPECT_FALSE(loadTrainingSet(record, file("none.epd").c_str(), set));
    });
    EXPECT_EQ(out, "File not found\n");
    EXPECT_EQ(set.lines, 7u);
    ASSERT_EQ(set.positions.size(), 2u);
    EXPECT_EQ(set.unread, 3u);
    EXPECT_EQ(set.inCheck, 1u);
    EXPECT_EQ(set.noisy, 1u);
    EXPECT_FALSE(set.positions[0].hasScore);
    EXPECT_EQ(set.positions[1].score, 90.0f);
}

// Results following a logistic curve of known K, as ten games a point.
TEST(AdamTuner, FitsTheScaleOfTheCurve)
{
    TrainingSet set;
    static double weights[PARAM_COUNT] = {};
    for (int e = -600; e <= 600; e += 5) {
        const int wins = int(std::lround(10.0 / (1.0 + std::pow(10.0, -1.3 * e / 400.0))));
        for (int g = 0; g < 10; g++) {
            TrainingPosition p{};
            p.offset = float(e);
            p.result = g < wins ? 1.0f : 0.0f;
            set.positions.push_back(p);
        }
    }
    EXPECT_NEAR(fitScale(set, weights), 1.3, 0.05);
}

// Adam lowers the error, keeps the classic values, and writes tuned.csv (the
// fitted records) and params.h (all of them).
TEST_F(TuningTest, AdamEpochsLowerTheErrorAndWriteTheFiles)
{
    writeFile(file("train.epd"), fileText(testDataPath("input-small.epd")));
    const std::string in = file("train.epd").string();
    const AdamSettings adam{in.c_str(), folder(), 30, 1.0, 1.0, 256, 0.0, nullptr};
    const std::string out = printed([&] { ASSERT_EQ(adamTuning(record, adam), 1); });
    EXPECT_EQ(countOf(out, "\nepoch "), 30) << out;
    const double initial = std::atof(wordAfter(out, "Initial error ").c_str());
    EXPECT_LT(std::atof(wordAfter(out, "Final error ").c_str()), initial * 0.98) << out;

    const std::vector<std::string> tuned = readLines(file("tuned.csv"));
    EXPECT_GT(tuned.size(), 300u);
    EXPECT_EQ(readLines(file("params.h")).size(), size_t(PARAM_COUNT) + 5);
    for (const std::string& line : tuned) {
        const std::string name = line.substr(0, line.find(';'));
        const int i = paramIndexByName(name.c_str());
        ASSERT_GE(i, 0) << line;
        EXPECT_EQ(line, name + ";" + std::to_string(ParamTable[i].playValue) + ";");
        EXPECT_EQ(ParamTable[i].value, defaults[i].value) << name;
    }
}

// A run stopped between games, or within one (its partial lines dropped),
// goes on to write what one uninterrupted run writes; a file without its
// state is refused.
TEST_F(TuningTest, GeneratorResumesWhereItStopped)
{
    Games games;
    const fs::path whole = file("whole.txt"), parts = file("parts.txt");
    SearchThread& front = players().mainThread;
    printed([&] {
        ASSERT_EQ(runDatagen(front, games.settings(whole, 120)), 1);
        ASSERT_EQ(runDatagen(front, games.settings(parts, 40)), 1);
        std::ofstream(parts, std::ios::app) << "half a game that was cut";
        ASSERT_EQ(runDatagen(front, games.settings(parts, 120)), 1);
        writeFile(file("stray.txt"), "line\n");
        EXPECT_EQ(runDatagen(front, games.settings(file("stray.txt"), 10)), 0);
    });
    ASSERT_GE(readLines(whole).size(), 120u);
    EXPECT_EQ(readLines(whole), readLines(parts));
}

} // namespace
