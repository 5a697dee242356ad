// The INI reader's rules and the configuration loader's ranges and size rule.
#include <unistd.h>

#include <cstdio>

#include "frontend/config.h"
#include "frontend/minIni.h"
#include "frontend/report.h"
#include "search/engine.h"
#include "support/unit.h"

namespace {

// A temporary INI file with the given content, removed afterwards.
struct IniFile {
    std::string path = "/tmp/ardentis-ini-" + std::to_string(::getpid()) + "-" + std::to_string(++count);
    explicit IniFile(const std::string& content) { std::ofstream(path, std::ios::binary) << content; }
    ~IniFile() { std::remove(path.c_str()); }
    const char* name() const { return path.c_str(); }
    static inline int count = 0;
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
    printed([&] { loadConfig(config, f.name()); });
    return config;
}

} // namespace

// Sections match ignoring case, keys by their exact length, and only up to
// the next section header; values lose blanks and comments, quotes keep what
// is inside them; numbers are decimal or hexadecimal, booleans yes/true/1 or
// no/false/0.
TEST(IniReader, KeysValuesNumbersAndBooleans)
{
    IniFile f("Thread=9\n[engine]\nthreads=3\nTHREAD = 4 ; comment\n[BOOK]\nMaxDepth=7\n[ENGINE]\nMaxDepth=5\n"
              "[S]\n  ; Plain = commented\n# Hash = 3\nPlain =   spaced value   \nQuoted = \"my book.bin\"\n"
              "Inner = \"a;b#c\" ; trailing\nDoubled = \"x\"\"y;z\" ; more\nColon: 12\nNoSeparator\nEmpty =\n"
              "Plain = second\nHex=0x100\nJunk=abc\nLead=12abc\nNeg=-3\nYes=yes\nOne=1\nNo=no\nFalse=false\nMaybe=maybe\n");
    EXPECT_EQ(iniGetLong("ENGINE", "Thread", 2, f.name()), 4);
    EXPECT_EQ(iniGetLong("ENGINE", "threads", 2, f.name()), 3);
    EXPECT_EQ(iniGetLong("ENGINE", "MaxDepth", 64, f.name()), 64);  // only under a second ENGINE header
    EXPECT_EQ(iniGetLong("BOOK", "MaxDepth", 64, f.name()), 7);
    EXPECT_EQ(iniGetLong("ENGIN", "Thread", 2, f.name()), 2);
    const std::pair<const char*, const char*> strings[] = {
        {"Plain", "spaced value"}, {"Quoted", "my book.bin"}, {"Inner", "a;b#c"}, {"Doubled", "x\"\"y;z"},
        {"Colon", "12"}, {"NoSeparator", "<default>"}, {"Empty", ""}, {"Hash", "<default>"}};
    for (const auto& [key, value] : strings)
        EXPECT_EQ(text(f, "S", key), value) << key;
    EXPECT_EQ(text(f, "S", "Plain", 5), "spac");
    const std::pair<const char*, long> numbers[] = {{"Hex", 256}, {"Junk", 0}, {"Lead", 12}, {"Neg", -3}, {"Empty", 77}};
    for (const auto& [key, value] : numbers)
        EXPECT_EQ(iniGetLong("S", key, 77, f.name()), value) << key;
    for (const char* key : {"Yes", "One"})
        EXPECT_EQ(iniGetBool("S", key, 0, f.name()), 1) << key;
    for (const char* key : {"No", "False"})
        EXPECT_EQ(iniGetBool("S", key, 1, f.name()), 0) << key;
    for (int fallback : {0, 1})
        EXPECT_EQ(iniGetBool("S", "Maybe", fallback, f.name()), fallback);
}

TEST(IniReader, HostileFilesGiveDefaults)
{
    // A fragment of an over-long line is never read as a key of its own.
    IniFile f("[ENGINE]\nComment=" + std::string(600, 'x') + "Thread=7\n" + std::string(10000, 'y') + "\nHashSize=64\n");
    EXPECT_EQ(iniGetLong("ENGINE", "Thread", 2, f.name()), 2);
    EXPECT_EQ(iniGetLong("ENGINE", "HashSize", 256, f.name()), 64);
    EXPECT_EQ(iniGetLong("ENGINE", "Thread", 2, "/nonexistent/Ardentis.ini"), 2);
    EXPECT_EQ(iniGetLong("ENGINE", "Thread", 2, "/tmp"), 2);
}

// Tables are powers of two of 16-byte entries, at most the size given, and
// the defaults stand for a missing file or section.
TEST(ConfigLoader, SizeRuleAndDefaults)
{
    EXPECT_EQ(tableEntryCount(256), 16777216u);
    EXPECT_EQ(tableEntryCount(100), 4194304u);
    EXPECT_EQ(tableEntryCount(4), 262144u);
    EXPECT_EQ(tableEntryCount(3), 1048576u);
    EXPECT_EQ(tableEntryCount(0), 1048576u);
    for (const char* content : {"", "Thread=4\nHashSize=64\n"}) {
        Config c = loaded(content);
        EXPECT_EQ(c.maxDepth, 64);
        EXPECT_EQ(c.threads, 2);
        EXPECT_EQ(c.hashSizeMb, 256);
        EXPECT_EQ(c.ttEntries, 16777216u);
        EXPECT_STREQ(c.bookFile, "Tomelore_12.9c.bin");
        EXPECT_EQ(c.syzygyMen, 5);
        EXPECT_EQ(c.suddenDeath, 20);
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
        {"[ENGINE]\nHashSize=8193", &Config::hashSizeMb, 256},
        {"[ENGINE]\nHashSize=junk", &Config::hashSizeMb, 256},
        {"[ENGINE]\nHashSize=8192", &Config::hashSizeMb, 8192},
        {"[ENGINE]\nHashEvalSize=1025", &Config::hashEvalSizeMb, 128},
        {"[TABLEBASE]\nSyzygyMen=8", &Config::syzygyMen, 5},
        {"[TABLEBASE]\nSyzygyMen=3", &Config::syzygyMen, 3},
        {"[TIME]\nSuddenDeath=9", &Config::suddenDeath, 20},
        {"[TIME]\nMoreTime=16", &Config::moreTime, 5},
        {"[TIME]\nFastOpening=5", &Config::fastOpening, 5},
    };
    for (const Case& c : cases)
        EXPECT_EQ(loaded(c.ini).*c.field, c.expected) << c.ini;
    EXPECT_EQ(loaded("[ENGINE]\nThread=25").threads, 1);  // not the default 2
    EXPECT_EQ(loaded("[ENGINE]\nThread=24").threads, 24);
    EXPECT_EQ(loaded("[ENGINE]\nMaxDepth=257").maxDepth, 64);  // no 8-bit wrap (to 1) before the check
    EXPECT_EQ(loaded("[ENGINE]\nMaxDepth=1").maxDepth, 1);
    EXPECT_EQ(loaded("[engine]\nLargePages=yes").largePages, 1);
    EXPECT_EQ(loaded("[ENGINE]\nPostThinking=false").postThinking, 0);
    EXPECT_EQ(loaded("").classic, 0);
    EXPECT_EQ(loaded("[ENGINE]\nClassic=true").classic, 1);
    EXPECT_EQ(loaded("[ENGINE]\nClassic=sometimes").classic, 0);
    EXPECT_EQ(loaded("[TIME]\nClassic=1").classic, 0);
    EXPECT_EQ(loaded("[ENGINE]\nHashSize=100").ttEntries, 4194304u);
    EXPECT_STREQ(loaded("[BOOK]\nBookFile=\"my book.bin\"").bookFile, "my book.bin");
    EXPECT_STREQ(loaded("[BOOK]\nBookFile=" + std::string(300, 'b')).bookFile, std::string(99, 'b').c_str());
}

// The thread count's line, and a resize of the main table named by the size
// given.
TEST(ConfigLoader, ThreadLineAndTableResize)
{
    IniFile f("[ENGINE]\nThread=30\n");
    Config config;
    EXPECT_EQ(printed([&] { loadConfig(config, f.name()); }), "Thread allocated for lazySMP: 1\n");
    Engine* engine = createEngine(messageReporter());
    config.largePages = 0;
    EXPECT_EQ(printed([&] { resizeHashTable(config, *engine, 100); }), "Allocated   100 MB for the Hash Table\n");
    EXPECT_EQ(engine->tt.count, uint64_t(1) << 22);
    EXPECT_EQ(config.ttEntries, uint64_t(1) << 22);
    destroyEngine(engine);
}
