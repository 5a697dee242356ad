// The tuner over small training files in a temporary folder: result parsing,
// the preparation filters, and the optimiser lowering the error and writing
// the tuned values (tune_test.cpp runs the stages from the command line).
#include <stdlib.h>

#include <cstring>
#include <filesystem>

#include "eval/evaluate.h"
#include "eval/params.h"
#include "search/engine.h"
#include "search/hashq.h"
#include "search/tt.h"
#include "support/unit.h"
#include "tuning/export.h"
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
        applyParams();
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

} // namespace
