// The tuner from the command line ("ardentis tune <stage>") and the console's
// "mink", run by the real binary in a temporary folder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine_init.h"
#include "support/engine_process.h"
#include "support/text.h"

namespace {

struct TuneRun {
    EngineProcess engine;
    int status = -2;
    std::string file(const char* name) const { return fileText(engine.directory + "/" + name); }
};

// Runs the engine with the arguments and files, input closed at once.
void run(TuneRun& r, std::vector<std::string> arguments, std::vector<std::pair<std::string, std::string>> files,
         const std::string& input = "")
{
    r.engine.arguments = std::move(arguments);
    r.engine.files = std::move(files);
    ASSERT_TRUE(r.engine.start());
    r.engine.send(input);
    r.engine.closeInput();
    r.status = r.engine.wait(30000);
}

TEST(TuneCommand, PreparationThenFittingWriteTheirFiles)
{
    TuneRun first;
    run(first, {"tune", "texel-first"}, {{"input.epd", fileText(testDataPath("input-small.epd"), 50)}});
    EXPECT_EQ(first.status, 0) << first.engine.output;
    EXPECT_NE(first.engine.output.find("Texel Tuning First Stage completed\nProcessed positions: 50\n"),
              std::string::npos)
        << first.engine.output;
    const std::string selected = first.file("selected.csv");
    ASSERT_FALSE(selected.empty());

    TuneRun fit;
    run(fit, {"tune", "texel", "--iterations", "2"}, {{"selected.csv", selected}});
    EXPECT_EQ(fit.status, 0) << fit.engine.output;
    const std::string& out = fit.engine.output;
    EXPECT_NE(out.find("Texel Tuning completed\nBest Overall Error: "), std::string::npos) << out;
    EXPECT_EQ(countOf(out, "\nIteration "), 2) << out;
    EXPECT_EQ(countOf(out, "\nTuned param "), 42);
    EXPECT_NE(out.find("params.h succefully created\n"), std::string::npos);
    EXPECT_EQ(countOf(fit.file("tuned.csv"), ";\n"), 42);
    const std::string header = fit.file("params.h");
    EXPECT_EQ(countOf(header, "\n#define P"), 750);  // and "#define params_h"
    EXPECT_EQ(header.rfind("\n#endif // params_h\n"), header.size() - 20);
}

// The sweep of k from the command line and from the console, whose game is
// not the tuner's: the board is still the start position after it.
TEST(TuneCommand, MinkFromTheCommandLineAndTheConsole)
{
    const std::pair<std::string, std::string> selected{"selected.csv",
                                                       fileText(testDataPath("input-small.epd"), 20)};
    TuneRun line, console;
    run(line, {"tune", "mink"}, {selected});
    run(console, {}, {selected}, "console\nmink\ngetboard\nquit\n");
    for (TuneRun* r : {&line, &console}) {
        EXPECT_EQ(r->status, 0);
        EXPECT_EQ(countOf(r->engine.output, "with k = "), 11) << r->engine.output;
        EXPECT_NE(r->engine.output.find("\nwith k = 1.650000, e = "), std::string::npos);
        EXPECT_NE(r->engine.output.find("\n\ne min "), std::string::npos);
    }
    EXPECT_NE(console.engine.output.find("FEN: rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - "),
              std::string::npos);
}

TEST(TuneCommand, MissingFilesAndBadUsageFailWithStatusOne)
{
    const struct {
        std::vector<std::string> arguments;
        const char* expected;
    } cases[] = {
        {{"tune", "texel"}, "File not found\n"},
        {{"tune", "mink"}, "File not found\n"},
        {{"tune"}, "usage: ardentis tune <stage>"},
        {{"tune", "nonsense"}, "usage: ardentis tune <stage>"},
        {{"tune", "texel", "--iterations", "0"}, "usage: ardentis tune <stage>"},
    };
    for (const auto& c : cases) {
        TuneRun r;
        run(r, c.arguments, {});
        EXPECT_EQ(r.status, 1) << c.arguments.size();
        EXPECT_NE(r.engine.output.find(c.expected), std::string::npos) << r.engine.output;
    }
}

// The default evaluation's pipeline from the command line: datagen writes
// its positions, tune adam fits to them and writes every fitted record.
TEST(TuneCommand, DatagenThenAdamThroughTheBinary)
{
    const std::pair<std::string, std::string> openings{
        "openings.epd", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1\n"
                        "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3\n"};
    TuneRun games;
    run(games, {"datagen", "games.txt", "--positions", "60", "--nodes", "1000", "--openings", "openings.epd"},
        {openings});
    EXPECT_EQ(games.status, 0) << games.engine.output;
    EXPECT_NE(games.engine.output.find("positions/hour"), std::string::npos) << games.engine.output;
    const std::string lines = games.file("games.txt");
    EXPECT_GE(countOf(lines, "\n"), 60);
    EXPECT_EQ(countOf(lines, "\n"), countOf(lines, " | ") / 2);
    EXPECT_NE(games.file("games.txt.state").find("games "), std::string::npos);

    TuneRun fit;
    run(fit, {"tune", "adam", "games.txt", "--epochs", "3", "--lambda", "0.5"}, {{"games.txt", lines}});
    EXPECT_EQ(fit.status, 0) << fit.engine.output;
    EXPECT_EQ(countOf(fit.engine.output, "\nepoch "), 3) << fit.engine.output;
    EXPECT_EQ(countOf(fit.file("params.h"), "\n#define P"), 791);
    EXPECT_EQ(countOf(fit.file("tuned.csv"), ";\n"), countOf(fit.engine.output, "\nTuned param "));
}

TEST(TuneCommand, DatagenAndAdamRefuseBadUsage)
{
    const std::vector<std::string> cases[] = {
        {"datagen"},
        {"datagen", "--nodes", "100"},
        {"datagen", "out.txt", "--nodes", "0"},
        {"datagen", "out.txt", "--colour", "white"},
        {"tune", "adam"},
        {"tune", "adam", "in.txt", "--epochs", "1.5"},
        {"tune", "adam", "in.txt", "--lambda", "2"},
    };
    for (const auto& arguments : cases) {
        TuneRun r;
        run(r, arguments, {});
        EXPECT_EQ(r.status, 1) << arguments.back();
        EXPECT_NE(r.engine.output.find("usage: ardentis " + arguments[0]), std::string::npos) << r.engine.output;
    }
    TuneRun missing;
    run(missing, {"datagen", "out.txt", "--openings", "none.epd"}, {});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.engine.output.find("no openings in none.epd"), std::string::npos) << missing.engine.output;
}

} // namespace
