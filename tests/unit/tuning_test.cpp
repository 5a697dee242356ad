// The tuner over small hand-made training files in a temporary folder: line
// reading, result parsing, the preparation filters, the error functions, the
// optimiser lowering the error, the exported files and missing files.
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
#include "eval/evalcache.h"
#include "eval/evaluate.h"
#include "eval/params.h"
#include "position/fen.h"
#include "search/engine.h"
#include "search/hashq.h"
#include "search/tt.h"
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

std::vector<std::string> readLines(const fs::path& file)
{
    std::ifstream in(file);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

void writeFile(const fs::path& file, const std::string& text) { std::ofstream(file) << text; }

class TuningTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        testing::internal::CaptureStdout();
        allocHashTable(engine.tt, uint64_t(1) << 14);
        allocHashEval(record.evalCache, uint64_t(1) << 14);
        allocHashQ(record, uint64_t(1) << 14);
        testing::internal::GetCapturedStdout();
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

// Runs f with standard output captured; returns what it printed.
template <typename F>
std::string printed(F f)
{
    testing::internal::CaptureStdout();
    f();
    return testing::internal::GetCapturedStdout();
}

TEST(TrainingFile, ResultsCountOnlyExactTextsEndedBySemicolon)
{
    const struct {
        const char* field;
        double result;
    } cases[] = {
        {"1-0;", 1.0},     {"1/2-1/2;", 0.5}, {"0-1;", 0.0},      {"1-0", 0.0},  {"1/2-1/2", 0.0},
        {"1-0 ;", 0.0},    {"", 0.0},         {"draw;", 0.0},     {"1-0;x", 1.0}, {"1/2-1/2;;", 0.5},
    };
    for (const auto& c : cases)
        EXPECT_EQ(resultForWhite(c.field), c.result) << '"' << c.field << '"';
}

TEST(TrainingFile, OverlongLinesAreSkippedWholeNotSplit)
{
    const std::string exact(254, 'a'), over(255, 'b'), far(600, 'c');
    const std::string junk("ju\0nk\n", 6);
    const std::string text =
        "short;1-0;\n" + over + "\n" + exact + "\n" + exact + "\r\n" + far + "\r\n" + junk + "mid;0-1;\r\nlast";
    char name[] = "/tmp/ardentis-lines-XXXXXX";
    int fd = mkstemp(name);
    ASSERT_GE(fd, 0);
    close(fd);
    writeFile(name, text);
    std::FILE* f = std::fopen(name, "r");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(countNewlines(f), 7u);

    const struct {
        TrainingLine status;
        std::string text;
    } expected[] = {
        {TrainingLine::OK, "short;1-0;"},    {TrainingLine::TOO_LONG, ""}, {TrainingLine::OK, exact},
        {TrainingLine::OK, exact},           {TrainingLine::TOO_LONG, ""}, {TrainingLine::OK, "ju"},
        {TrainingLine::OK, "mid;0-1;"},
        {TrainingLine::OK, "last"},          {TrainingLine::END, ""},
    };
    char line[TRAINING_LINE_SIZE];
    for (const auto& e : expected) {
        TrainingLine status = readTrainingLine(f, line);
        EXPECT_EQ(status, e.status) << e.text.substr(0, 20);
        if (status == TrainingLine::OK) {
            EXPECT_EQ(std::string(line), e.text);
        }
    }
    std::fclose(f);
    std::remove(name);
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

TEST_F(TuningTest, SearchPreparationScoresByDepthTwoSearchAndSkipsMates)
{
    // White's only move is Kg1, then Rb1 mates: quiet at the root, lost at depth 2.
    const char* mated = "k7/8/8/2p2p2/2P2P2/1r6/r7/7K w - - 0 1";
    const char* quiet = "4k3/ppp5/8/8/8/8/PP6/4K3 w - - 0 1";
    const char* small = "4k3/8/8/8/8/8/PP6/4K3 w - - 0 1";
    writeFile(file("input.epd"), std::string(mated) + ";0-1;\n" + quiet + ";1-0;\n" + small + ";1-0;\n");

    printed([&] { EXPECT_EQ(tuningFirstStage(record, settings), 1); });
    std::vector<std::string> selected = readLines(file("selected.csv"));
    ASSERT_EQ(selected.size(), 1u);
    EXPECT_EQ(selected[0].rfind(std::string(quiet) + ";", 0), 0u) << selected[0];
    EXPECT_EQ(readLines(file("skipped.csv")),
              (std::vector<std::string>{std::string(mated) + ";Mate;", std::string(small) + ";EGTB;"}));

    // The second stage keeps every readable position, mates included.
    settings.maxIterations = 1;
    std::string out = printed([&] { EXPECT_EQ(tuningSecondStage(record, settings), 1); });
    EXPECT_NE(out.find("Tuning Second Stage completed\nProcessed positions: 3\n"
                       "Selected  positions: 3\n"),
              std::string::npos)
        << out;
    selected = readLines(file("selected.csv"));
    ASSERT_EQ(selected.size(), 3u);
    int target = 0;
    ASSERT_EQ(std::sscanf(selected[0].c_str() + std::strlen(mated), ";%d;", &target), 1) << selected[0];
    EXPECT_EQ(target, 2 - 20000);
}

TEST_F(TuningTest, SearchTargetErrorIsTheMeanOverAllLines)
{
    const char* a = "4k3/ppp5/8/8/8/8/PP6/4K3 w - - 0 1";
    const char* b = "4k3/ppp5/8/8/8/8/PP6/4K3 b - - 0 1";
    ASSERT_EQ(setPositionFromFen(record, a, nullptr), 1);
    int ea = evaluatePosition(*record.current);
    ASSERT_EQ(setPositionFromFen(record, b, nullptr), 1);
    int eb = evaluatePosition(*record.current);
    writeFile(file("selected.csv"), std::string(a) + ";" + std::to_string(ea + 30) + ";\n" + b + ";" +
                                        std::to_string(eb - 50) + ";\nbad fen;7;\n" + a + ";;\n");
    EXPECT_DOUBLE_EQ(searchTargetError(record, folder()), 80.0 / 4.0);
}

TEST_F(TuningTest, TexelErrorFollowsEveryChangeOfTheTable)
{
    std::string lines;
    std::ifstream in(testDataPath("input-small.epd"));
    std::string line;
    for (int i = 0; i < 30 && std::getline(in, line); i++)
        lines += line + "\n";
    writeFile(file("selected.csv"), lines);

    const double before = texelError(record, folder(), TEXEL_K);
    ASSERT_GT(before, 0.0);
    ParamRecord& knight = ParamTable[9];
    ASSERT_STREQ(knight.name, "PT_pieceValuesMg[KNIGHT]");
    knight.value += 100;
    const double changed = texelError(record, folder(), TEXEL_K);
    EXPECT_NE(changed, before);
    knight.value -= 100;
    EXPECT_EQ(texelError(record, folder(), TEXEL_K), before);
    EXPECT_NE(texelError(record, folder(), 1.7), before);
}

TEST_F(TuningTest, TexelTuningLowersTheErrorAndWritesTunedValues)
{
    std::string lines;
    std::ifstream in(testDataPath("input-small.epd"));
    std::string line;
    for (int i = 0; i < 60 && std::getline(in, line); i++)
        lines += line + "\n";
    writeFile(file("input.epd"), lines);
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

TEST_F(TuningTest, ExportedFilesHaveTheirFormats)
{
    std::string out = printed([&] {
        EXPECT_EQ(writeTunedValues(folder()), 1);
        EXPECT_EQ(writeParamsHeader(folder()), 1);
    });
    std::vector<std::string> tuned = readLines(file("tuned.csv"));
    ASSERT_EQ(tuned.size(), 42u);
    EXPECT_EQ(tuned.front(), "PT_pieceValuesMg[PAWN];0;");
    EXPECT_EQ(tuned.back(), "PT_PawnDoubledEg[D];0;");
    EXPECT_EQ(out.find("\nTuned param PT_pieceValuesMg[PAWN] value 0\n"), 0u) << out;
    EXPECT_NE(out.find("params.h succefully created\n"), std::string::npos);

    std::vector<std::string> header = readLines(file("params.h"));
    ASSERT_EQ(header.size(), 750u + 5u);
    EXPECT_EQ(header[0], "#ifndef params_h");
    EXPECT_EQ(header[1], "#define params_h");
    EXPECT_EQ(header[2], "");
    EXPECT_EQ(header[3], "#define P_Pawn           100");
    EXPECT_EQ(header[3 + 9], "#define PT_pieceValuesMg[KNIGHT]           284");
    EXPECT_EQ(header[3 + 749], "#define PT_AttackWeight[QUEEN]           5");
    EXPECT_EQ(header[753], "");
    EXPECT_EQ(header[754], "#endif // params_h");
}

TEST_F(TuningTest, SweepPrintsElevenValuesOfK)
{
    writeFile(file("selected.csv"), "4k3/ppp5/8/8/8/8/PP6/4K3 w - - 0 1;0-1;\n");
    std::string out = printed([&] { EXPECT_EQ(findBestK(record, folder()), 1); });
    std::istringstream lines(out);
    std::string line;
    for (int i = 0; i <= 10; i++) {
        ASSERT_TRUE(std::getline(lines, line));
        char k[16];
        std::snprintf(k, sizeof k, "%f", 1.640 + 0.001 * i);
        EXPECT_EQ(line.rfind(std::string("with k = ") + k + ", e = ", 0), 0u) << line;
    }
    ASSERT_TRUE(std::getline(lines, line));
    EXPECT_EQ(line, "");
    ASSERT_TRUE(std::getline(lines, line));
    // Black is ahead and won: the steepest curve fits best.
    EXPECT_EQ(line.rfind("e min ", 0), 0u);
    EXPECT_NE(line.find("     best k 1.650000"), std::string::npos) << line;
}

TEST_F(TuningTest, MissingFilesReportAndReturn)
{
    const std::string gone = dir + "/missing";
    TunerSettings nowhere{gone.c_str(), 1};
    const struct {
        const char* what;
        int (*run)(const TunerSettings&);
    } stages[] = {
        {"texelFirstStage", [](const TunerSettings& s) { return texelFirstStage(record, s); }},
        {"texelTuning", [](const TunerSettings& s) { return texelTuning(record, s); }},
        {"tuningFirstStage", [](const TunerSettings& s) { return tuningFirstStage(record, s); }},
        {"tuningSecondStage", [](const TunerSettings& s) { return tuningSecondStage(record, s); }},
        {"tuningThirdStage", [](const TunerSettings& s) { return tuningThirdStage(record, s); }},
        {"findBestK", [](const TunerSettings& s) { return findBestK(record, s.folder); }},
        {"writeTunedValues", [](const TunerSettings& s) { return writeTunedValues(s.folder); }},
        {"writeParamsHeader", [](const TunerSettings& s) { return writeParamsHeader(s.folder); }},
    };
    for (const auto& s : stages) {
        std::string out = printed([&] { EXPECT_EQ(s.run(nowhere), 0) << s.what; });
        EXPECT_NE(out.find("File not found\n"), std::string::npos) << s.what << ": " << out;
    }
    printed([&] {
        EXPECT_EQ(texelError(record, gone.c_str(), TEXEL_K), TUNER_FILE_ERROR);
        EXPECT_EQ(searchTargetError(record, gone.c_str()), TUNER_FILE_ERROR);
    });
    for (int i = 0; i < PARAM_COUNT; i++)
        ASSERT_EQ(ParamTable[i].value, defaults[i].value) << ParamTable[i].name;

    // An input without its output folder being writable: nothing is half done.
    writeFile(file("input.epd"), "4k3/ppp5/8/8/8/8/PP6/4K3 w - - 0 1;1-0;\n");
    fs::create_directory(file("selected.csv"));
    std::string out = printed([&] { EXPECT_EQ(texelFirstStage(record, settings), 0); });
    EXPECT_EQ(out, "File not found\n");
}

} // namespace
