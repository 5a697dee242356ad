// Start-up of the real binary: banner, processor lines, the first-line choice,
// and hostile configuration files.
#include <gtest/gtest.h>

#include <string>

#include "support/engine_process.h"

// quit, end of input, and junk, empty and over-long lines before them: the
// banner only. The over-long line ends in "quit" and starts with "uci":
// neither may act.
TEST(Startup, FirstLinesThatChooseNothing)
{
    for (const std::string& input : {std::string("quit\n"), std::string(""),
                                     "\n\r\nxboard\nhello\nuci" + std::string(400, 'z') + "quit\n" +
                                         std::string(300, 'y') + "\nquit\n"}) {
        EngineRun run = runEngine(input);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.output, startupText(1));
    }
}

// Without a configuration file, or with a folder of its name, the defaults
// (two threads); the user folder's file when the working folder has none.
TEST(Startup, WhereTheConfigurationComesFrom)
{
    const std::string xdgIni = "[ENGINE]\nThread=3\nHashSize=1\nHashEvalSize=1\nHashQSize=1\n"
                               "[BOOK]\nBook=0\n[TABLEBASE]\nSyzygy=0\n";
    struct Case {
        const char* workingIni;
        bool iniFolder;
        const char* userIni;
        int threads;
    } cases[] = {{nullptr, false, nullptr, 2}, {nullptr, true, nullptr, 2}, {nullptr, false, xdgIni.c_str(), 3},
                 {SMALL_INI, false, xdgIni.c_str(), 1}};
    for (const Case& c : cases) {
        EngineProcess engine;
        ASSERT_TRUE(engine.start(c.workingIni, c.iniFolder, c.userIni));
        engine.send("quit\n");
        engine.closeInput();
        EXPECT_EQ(engine.wait(), 0);
        EXPECT_EQ(engine.output, startupText(c.threads)) << c.threads;
    }
}

// Hostile configuration files do not stop the engine.
TEST(Startup, HostileConfigurationFiles)
{
    std::string binary = "[ENGINE]\n";
    for (int i = 0; i < 4000; ++i)
        binary += char((i * 131 + 7) % 256);
    for (const std::string& ini : {binary + "\n", std::string("[ENGINE]\nThread\nThread=\nHashSize=\n=5\n[\n]\n[ENGINE\n"),
                                   std::string(10000, '[')}) {
        EngineRun run = runEngine("quit\n", ini.c_str());
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.output.rfind(startupText(1).substr(0, 100), 0), 0u);
        EXPECT_NE(run.output.find("Thread allocated for lazySMP: "), std::string::npos);
    }
}
