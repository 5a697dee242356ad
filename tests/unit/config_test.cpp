// The INI reader's rules and the configuration loader's ranges and size rule.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "frontend/config.h"
#include "frontend/minIni.h"
#include "frontend/report.h"
#include "platform/platform.h"
#include "search/engine.h"

namespace {

// A temporary INI file with the given content, removed afterwards.
struct IniFile {
    std::string path;
    explicit IniFile(const std::string& content)
    {
        char name[] = "/tmp/ardentis-ini-XXXXXX";
        int fd = mkstemp(name);
        path = name;
        if (fd >= 0) {
            if (!content.empty() && write(fd, content.data(), content.size()) < 0)
                path.clear();
            close(fd);
        }
    }
    ~IniFile() { std::remove(path.c_str()); }
    const char* name() const { return path.c_str(); }
};

std::string text(const IniFile& f, const char* section, const char* key, int capacity = 100)
{
    char buffer[600];
    iniGetString(section, key, "<default>", buffer, capacity, f.name());
    return buffer;
}

Config loaded(const std::string& content)
{
    IniFile f(content);
    Config config;
    testing::internal::CaptureStdout();
    loadConfig(config, f.name());
    testing::internal::GetCapturedStdout();
    return config;
}

} // namespace

TEST(IniReader, SectionsMatchIgnoringCaseAndKeysByExactLength)
{
    IniFile f("Thread=9\n[engine]\nthreads=3\nTHREAD = 4 ; comment\n"
              "[BOOK]\nMaxDepth=7\n[ENGINE]\nMaxDepth=5\n");
    EXPECT_EQ(iniGetLong("ENGINE", "Thread", 2, f.name()), 4);
    EXPECT_EQ(iniGetLong("ENGINE", "threads", 2, f.name()), 3);
    // The key under the second ENGINE header is not found: the search stops at
    // the first header after the matching one.
    EXPECT_EQ(iniGetLong("ENGINE", "MaxDepth", 64, f.name()), 64);
    EXPECT_EQ(iniGetLong("BOOK", "MaxDepth", 64, f.name()), 7);
    EXPECT_EQ(iniGetLong("NOPE", "Thread", 2, f.name()), 2);
    EXPECT_EQ(iniGetLong("ENGIN", "Thread", 2, f.name()), 2);
}

TEST(IniReader, ValuesCommentsAndQuotes)
{
    IniFile f("[S]\n"
              "  ; Plain = commented\n"
              "# Hash = 3\n"
              "Plain =   spaced value   \n"
              "Quoted = \"my book.bin\"\n"
              "Inner = \"a;b#c\" ; trailing\n"
              "Doubled = \"x\"\"y;z\" ; more\n"
              "Escaped = \"p\\\"q;r\"\n"
              "Colon: 12\n"
              "Both = a:b\n"
              "NoSeparator\n"
              "Empty =\n"
              "Plain = second\n");
    EXPECT_EQ(text(f, "S", "Plain"), "spaced value");
    EXPECT_EQ(text(f, "S", "Quoted"), "my book.bin");
    EXPECT_EQ(text(f, "S", "Inner"), "a;b#c");
    EXPECT_EQ(text(f, "S", "Doubled"), "x\"\"y;z");
    EXPECT_EQ(text(f, "S", "Escaped"), "p\\\"q;r");
    EXPECT_EQ(text(f, "S", "Colon"), "12");
    EXPECT_EQ(text(f, "S", "Both"), "a:b");
    EXPECT_EQ(text(f, "S", "NoSeparator"), "<default>");
    EXPECT_EQ(text(f, "S", "Empty"), "");
    EXPECT_EQ(text(f, "S", "Hash"), "<default>");
    EXPECT_EQ(text(f, "S", "Plain", 5), "spac");
    EXPECT_EQ(iniGetLong("S", "Empty", 77, f.name()), 77);
}

TEST(IniReader, NumbersAndBooleans)
{
    IniFile f("[N]\nHex=0x100\nHexUpper=0X1f\nDec=100\nJunk=abc\nLead=12abc\nNeg=-3\n"
              "Yes=yes\nTrue=T\nOne=1\nNo=no\nFalse=false\nZero=0\nMaybe=maybe\nBlank=\n");
    EXPECT_EQ(iniGetLong("N", "Hex", 0, f.name()), 256);
    EXPECT_EQ(iniGetLong("N", "HexUpper", 0, f.name()), 31);
    EXPECT_EQ(iniGetLong("N", "Dec", 0, f.name()), 100);
    EXPECT_EQ(iniGetLong("N", "Junk", 5, f.name()), 0);
    EXPECT_EQ(iniGetLong("N", "Lead", 5, f.name()), 12);
    EXPECT_EQ(iniGetLong("N", "Neg", 5, f.name()), -3);
    for (const char* key : {"Yes", "True", "One"})
        EXPECT_EQ(iniGetBool("N", key, 0, f.name()), 1) << key;
    for (const char* key : {"No", "False", "Zero"})
        EXPECT_EQ(iniGetBool("N", key, 1, f.name()), 0) << key;
    for (const char* key : {"Maybe", "Blank", "Missing"}) {
        EXPECT_EQ(iniGetBool("N", key, 0, f.name()), 0) << key;
        EXPECT_EQ(iniGetBool("N", key, 1, f.name()), 1) << key;
    }
}

TEST(IniReader, HostileFilesGiveDefaults)
{
    // A fragment of an over-long line is never read as a key of its own.
    std::string longLine = "[ENGINE]\nComment=" + std::string(600, 'x') + "Thread=7\n" +
                           std::string(10000, 'y') + "\nHashSize=64\n";
    IniFile f(longLine);
    EXPECT_EQ(iniGetLong("ENGINE", "Thread", 2, f.name()), 2);
    EXPECT_EQ(iniGetLong("ENGINE", "HashSize", 256, f.name()), 64);

    std::string junk = "[ENGINE]\n";
    for (int i = 0; i < 5000; ++i)
        junk += char((i * 37 + 11) % 256);
    junk += "\nThread=3\n";
    IniFile binary(junk);
    long threads = iniGetLong("ENGINE", "Thread", 2, binary.name());
    EXPECT_TRUE(threads == 2 || threads == 3);

    IniFile empty("");
    EXPECT_EQ(iniGetLong("ENGINE", "Thread", 2, empty.name()), 2);
    EXPECT_EQ(iniGetLong("ENGINE", "Thread", 2, "/nonexistent/Ardentis.ini"), 2);

    std::string dir = std::filesystem::temp_directory_path() / "ardentis-ini-dir";
    std::filesystem::create_directory(dir);
    EXPECT_EQ(iniGetLong("ENGINE", "Thread", 2, dir.c_str()), 2);
    std::filesystem::remove(dir);
}

TEST(ConfigSizeRule, PowersOfTwoOfSixteenByteEntries)
{
    EXPECT_EQ(tableEntryCount(256), 16777216u);
    EXPECT_EQ(tableEntryCount(100), 4194304u);
    EXPECT_EQ(tableEntryCount(64), 4194304u);
    EXPECT_EQ(tableEntryCount(16), 1048576u);
    EXPECT_EQ(tableEntryCount(2), 1048576u);
    EXPECT_EQ(tableEntryCount(3), 1048576u);
    EXPECT_EQ(tableEntryCount(0), 1048576u);
    EXPECT_EQ(tableEntryCount(4), 262144u);
    EXPECT_EQ(tableEntryCount(8192), 536870912u);
}

TEST(ConfigLoader, DefaultsWithoutFileOrSections)
{
    for (const char* content : {"", "Thread=4\nHashSize=64\n"}) {
        Config c = loaded(content);
        EXPECT_EQ(c.maxDepth, 64);
        EXPECT_EQ(c.threads, 2);
        EXPECT_EQ(c.postThinking, 1);
        EXPECT_EQ(c.hashSizeMb, 256);
        EXPECT_EQ(c.ttEntries, 16777216u);
        EXPECT_EQ(c.largePages, 0);
        EXPECT_EQ(c.hashEvalEntries, 8388608u);
        EXPECT_EQ(c.hashQEntries, 8388608u);
        EXPECT_STREQ(c.bookFile, "Tomelore_12.9c.bin");
        EXPECT_EQ(c.book, 1);
        EXPECT_EQ(c.randBook, 0);
        EXPECT_EQ(c.syzygy, 1);
        EXPECT_STREQ(c.dtzPath, "");
        EXPECT_STREQ(c.wdlPath, "");
        EXPECT_EQ(c.syzygyMen, 5);
        EXPECT_EQ(c.suddenDeath, 20);
        EXPECT_EQ(c.moreTime, 5);
        EXPECT_EQ(c.lessTime, 5);
        EXPECT_EQ(c.fastGame, 5);
        EXPECT_EQ(c.fastOpening, 15);
    }
}

TEST(ConfigLoader, RangesAndIrregularFallbacks)
{
    struct Case {
        const char* ini;
        long Config::*field;
        long expected;
    };
    const Case cases[] = {
        {"[ENGINE]\nHashSize=0x100", &Config::hashSizeMb, 256},
        {"[ENGINE]\nHashSize=0", &Config::hashSizeMb, 256},
        {"[ENGINE]\nHashSize=8193", &Config::hashSizeMb, 256},
        {"[ENGINE]\nHashSize=junk", &Config::hashSizeMb, 256},
        {"[ENGINE]\nHashSize=8192", &Config::hashSizeMb, 8192},
        {"[ENGINE]\nHashEvalSize=1025", &Config::hashEvalSizeMb, 128},
        {"[ENGINE]\nHashQSize=1", &Config::hashQSizeMb, 1},
        {"[TABLEBASE]\nSyzygyMen=8", &Config::syzygyMen, 5},
        {"[TABLEBASE]\nSyzygyMen=3", &Config::syzygyMen, 3},
        {"[TIME]\nSuddenDeath=9", &Config::suddenDeath, 20},
        {"[TIME]\nSuddenDeath=40", &Config::suddenDeath, 40},
        {"[TIME]\nMoreTime=16", &Config::moreTime, 5},
        {"[TIME]\nLessTime=15", &Config::lessTime, 15},
        {"[TIME]\nFastGame=4", &Config::fastGame, 5},
        {"[TIME]\nFastOpening=16", &Config::fastOpening, 15},
        {"[TIME]\nFastOpening=5", &Config::fastOpening, 5},
    };
    for (const Case& c : cases)
        EXPECT_EQ(loaded(c.ini).*c.field, c.expected) << c.ini;

    EXPECT_EQ(loaded("[ENGINE]\nThread=25").threads, 1);  // not the default 2
    EXPECT_EQ(loaded("[ENGINE]\nThread=0").threads, 1);
    EXPECT_EQ(loaded("[ENGINE]\nThread=abc").threads, 1);
    EXPECT_EQ(loaded("[ENGINE]\nThread=24").threads, 24);
    EXPECT_EQ(loaded("[ENGINE]\nMaxDepth=257").maxDepth, 64);  // no 8-bit wrap (to 1) before the check
    EXPECT_EQ(loaded("[ENGINE]\nMaxDepth=0").maxDepth, 64);
    EXPECT_EQ(loaded("[ENGINE]\nMaxDepth=65").maxDepth, 64);
    EXPECT_EQ(loaded("[ENGINE]\nMaxDepth=1").maxDepth, 1);
    EXPECT_EQ(loaded("[ENGINE]\nHashSize=100").ttEntries, 4194304u);
    EXPECT_EQ(loaded("[ENGINE]\nHashSize=2").ttEntries, 1048576u);
    EXPECT_EQ(loaded("[engine]\nLargePages=yes").largePages, 1);
    EXPECT_EQ(loaded("[ENGINE]\nLargePages=maybe").largePages, 0);
    EXPECT_EQ(loaded("[ENGINE]\nPostThinking=false").postThinking, 0);
    EXPECT_STREQ(loaded("[BOOK]\nBookFile=\"my book.bin\"").bookFile, "my book.bin");
    EXPECT_STREQ(loaded("[BOOK]\nBookFile=" + std::string(300, 'b')).bookFile, std::string(99, 'b').c_str());
}

TEST(ConfigLoader, LargePagesRoundTheMainTableToWholePages)
{
    Config c = loaded("[ENGINE]\nLargePages=1\nHashSize=255\nHashQSize=255");
    uint64_t page = largePageSizeBytes();
    if (page == 0) {
        EXPECT_EQ(c.ttEntries, tableEntryCount(255));
    } else {
        long pageMb = long(page >> 20);
        EXPECT_EQ(c.ttSizeMb, pageMb * (255 / pageMb));
        EXPECT_EQ(c.ttEntries, tableEntryCount(c.ttSizeMb) - 4);
        EXPECT_EQ((c.ttEntries + 4) * 16 % page, 0u);
    }
    EXPECT_EQ(c.hashQEntries, tableEntryCount(255));  // only the main table changes
}

TEST(ConfigLoader, PrintsTheThreadLine)
{
    IniFile f("[ENGINE]\nThread=30\n");
    Config config;
    testing::internal::CaptureStdout();
    loadConfig(config, f.name());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Thread allocated for lazySMP: 1\n");
}

namespace {

TEST(ConfigTables, ResizeFollowsTheSizeRuleAndNamesTheGivenSize)
{
    Engine* engine = createEngine(messageReporter());
    Config config;
    config.largePages = 0;
    testing::internal::CaptureStdout();
    resizeHashTable(config, *engine, 2);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Allocated     2 MB for the Hash Table\n");
    EXPECT_EQ(engine->tt.count, uint64_t(1) << 20);
    EXPECT_EQ(config.ttEntries, uint64_t(1) << 20);
    testing::internal::CaptureStdout();
    resizeHashTable(config, *engine, 100);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Allocated   100 MB for the Hash Table\n");
    EXPECT_EQ(engine->tt.count, uint64_t(1) << 22);
    destroyEngine(engine);
}

}  // namespace
