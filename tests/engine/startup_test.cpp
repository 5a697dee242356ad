// Start-up of the real binary: banner, processor lines, the first-line choice,
// and hostile configuration files.
#include <gtest/gtest.h>

#include <string>

#include "support/engine_process.h"

TEST(Startup, QuitFirstLinePrintsNothingMore)
{
    EngineRun run = runEngine("quit\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, startupText(1));
}

TEST(Startup, EndOfInputEndsWithStatusZero)
{
    EngineRun run = runEngine("");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, startupText(1));
}

TEST(Startup, JunkEmptyAndOverlongLinesAreIgnoredWithoutAPrompt)
{
    // The over-long line ends in "quit" and starts with "uci": neither may act.
    std::string input = "\n\r\nxboard\nhello\n" + std::string("uci") + std::string(400, 'z') + "quit\n" +
                        std::string(300, 'y') + "\nquit\n";
    EngineRun run = runEngine(input);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, startupText(1));
}

TEST(Startup, DefaultsWithoutAConfigurationFile)
{
    EngineRun run = runEngine("quit\n", nullptr);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, startupText(2));
}

TEST(Startup, HostileConfigurationFilesDoNotStopTheEngine)
{
    std::string binary = "[ENGINE]\n";
    for (int i = 0; i < 4000; ++i)
        binary += char((i * 131 + 7) % 256);
    binary += "\n";
    const std::string inis[] = {
        "[ENGINE]\n" + std::string(10000, 'T') + "\nThread=1\n",
        binary,
        "[ENGINE]\nThread\nThread=\nHashSize=\n=5\n[\n]\n[ENGINE\n",
        "",
        std::string(10000, '['),
    };
    for (const std::string& ini : inis) {
        EngineRun run = runEngine("quit\n", ini.c_str());
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.output.rfind(startupText(1).substr(0, 100), 0), 0u);
        EXPECT_NE(run.output.find("Thread allocated for lazySMP: "), std::string::npos);
    }

    EngineProcess folder;
    ASSERT_TRUE(folder.start(nullptr, true));
    folder.send("quit\n");
    folder.closeInput();
    EXPECT_EQ(folder.wait(), 0);
    EXPECT_EQ(folder.output, startupText(2));
}

TEST(Startup, ConfigurationFromTheUserFolderWhenTheWorkingFolderHasNone)
{
    const std::string xdgIni = "[ENGINE]\nThread=3\nHashSize=1\nHashEvalSize=1\nHashQSize=1\n"
                               "[BOOK]\nBook=0\n[TABLEBASE]\nSyzygy=0\n";
    struct Case {
        const char* workingIni;
        int threads;
    } cases[] = {{nullptr, 3}, {SMALL_INI, 1}};
    for (const Case& c : cases) {
        EngineProcess engine;
        ASSERT_TRUE(engine.start(c.workingIni, false, xdgIni.c_str()));
        engine.send("quit\n");
        engine.closeInput();
        EXPECT_EQ(engine.wait(), 0);
        EXPECT_EQ(engine.output, startupText(c.threads)) << (c.workingIni ? "working folder" : "user folder");
    }
}
