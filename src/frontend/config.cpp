// Loading of Ardentis.ini: every key in a fixed order, each checked against
// its range, and the entry counts of the hash tables derived from the sizes.
#include "frontend/config.h"

#include <cassert>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "frontend/minIni.h"
#include "platform/platform.h"
#include "search/engine.h"
#include "tablebase/tbregistry.h"
#include "tuning/paramfile.h"

SearchSettings searchSettings(const Config& config)
{
    SearchSettings s;
    s.threads = config.threads;
    s.maxDepth = config.maxDepth;
    s.tbLimit = int(config.syzygyMen);
    s.classic = config.classic != 0;
    return s;
}

void startTablebases(const Config& config, Engine& engine)
{
    if (config.syzygy)
        initTablebases(engine.tablebases, config.dtzPath, config.wdlPath);
}

TableSizes tableSizes(const Config& config)
{
    TableSizes t;
    t.threads = config.threads;
    t.largePages = config.largePages != 0;
    t.ttEntries = config.ttEntries;
    t.ttSizeMb = config.ttSizeMb;
    t.hashEvalEntries = config.hashEvalEntries;
    t.hashEvalSizeMb = config.hashEvalSizeMb;
    t.hashQEntries = config.hashQEntries;
    t.hashQSizeMb = config.hashQSizeMb;
    return t;
}

uint64_t tableEntryCount(long sizeMb)
{
    uint64_t bytes = sizeMb >= 4 ? uint64_t(sizeMb) << 20 : uint64_t(16) << 20;
    uint64_t size = 1;
    while (size <= bytes)
        size <<= 1;
    size >>= 1;
    assert(size > 0 && size <= bytes);
    uint64_t count = size / 16;
    assert(count != 0 && (count & (count - 1)) == 0);
    return count;
}

// Large pages round the main table down to whole huge pages and keep four
// entries of slack, so that the block of count + 4 entries is whole pages.
static uint64_t largePageEntryCount(long sizeMb, long& roundedMb)
{
    long pageMb = long(largePageSizeBytes() >> 20);
    roundedMb = sizeMb;
    if (pageMb <= 0)
        return tableEntryCount(sizeMb);  // no huge pages: the ordinary rule
    roundedMb = pageMb * (sizeMb / pageMb);
    return tableEntryCount(roundedMb) - 4;
}

static long inRange(long value, long low, long high, long fallback)
{
    return value >= low && value <= high ? value : fallback;
}

std::string configFilePath()
{
    const char* const name = "Ardentis.ini";
    std::error_code error;
    if (std::filesystem::exists(name, error))
        return name;
    // XDG base directories: a relative XDG_CONFIG_HOME is to be ignored.
    std::string base;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    if (xdg && xdg[0] == '/')
        base = xdg;
    else if (home && home[0] == '/')
        base = std::string(home) + "/.config";
    if (!base.empty()) {
        std::string path = base + "/ardentis/" + name;
        if (std::filesystem::is_regular_file(path, error))
            return path;
    }
    return name;
}

void loadConfig(Config& c, const char* file)
{
    c.maxDepth = uint8_t(inRange(iniGetLong("ENGINE", "MaxDepth", 64, file), 1, 64, 64));
    c.threads = uint8_t(inRange(iniGetLong("ENGINE", "Thread", 2, file), 1, MAX_THREADS, 1));
    c.postThinking = iniGetBool("ENGINE", "PostThinking", 1, file);
    c.hashSizeMb = inRange(iniGetLong("ENGINE", "HashSize", 256, file), 1, 8192, 256);
    c.largePages = iniGetBool("ENGINE", "LargePages", 0, file);
    c.hashEvalSizeMb = inRange(iniGetLong("ENGINE", "HashEvalSize", 128, file), 1, 1024, 128);
    c.hashQSizeMb = inRange(iniGetLong("ENGINE", "HashQSize", 128, file), 1, 1024, 128);
    iniGetString("BOOK", "BookFile", "Tomelore_12.9c.bin", c.bookFile, sizeof c.bookFile, file);
    c.book = iniGetBool("BOOK", "Book", 1, file);
    c.randBook = iniGetBool("BOOK", "RandBook", 0, file);
    c.syzygy = iniGetBool("TABLEBASE", "Syzygy", 1, file);
    iniGetString("TABLEBASE", "dtzPath", "", c.dtzPath, sizeof c.dtzPath, file);
    iniGetString("TABLEBASE", "wdlPath", "", c.wdlPath, sizeof c.wdlPath, file);
    c.syzygyMen = inRange(iniGetLong("TABLEBASE", "SyzygyMen", 5, file), 3, 7, 5);
    c.suddenDeath = inRange(iniGetLong("TIME", "SuddenDeath", 20, file), 10, 40, 20);
    c.moreTime = inRange(iniGetLong("TIME", "MoreTime", 5, file), 5, 15, 5);
    c.lessTime = inRange(iniGetLong("TIME", "LessTime", 5, file), 5, 15, 5);
    c.fastGame = inRange(iniGetLong("TIME", "FastGame", 5, file), 5, 15, 5);
    c.fastOpening = inRange(iniGetLong("TIME", "FastOpening", 15, file), 5, 15, 15);
    iniGetString("ENGINE", "ParamFile", "", c.paramFile, sizeof c.paramFile, file);
    c.classic = iniGetBool("ENGINE", "Classic", 0, file);
    c.chess960 = iniGetBool("ENGINE", "Chess960", 0, file);

    c.ttSizeMb = c.hashSizeMb;
    c.ttEntries = c.largePages ? largePageEntryCount(c.hashSizeMb, c.ttSizeMb) : tableEntryCount(c.hashSizeMb);
    c.hashEvalEntries = tableEntryCount(c.hashEvalSizeMb);
    c.hashQEntries = tableEntryCount(c.hashQSizeMb);
    std::printf("Thread allocated for lazySMP: %i\n", int(c.threads));
}

void resizeHashTable(Config& config, Engine& engine, long sizeMb)
{
    long allocatedMb = sizeMb;
    uint64_t entries = tableEntryCount(sizeMb);
    long pageMb = long(largePageSizeBytes() >> 20);
    if (config.largePages && pageMb > 0) {
        allocatedMb = pageMb * (sizeMb / pageMb);
        entries = tableEntryCount(allocatedMb) - 4;
    }
    config.hashSizeMb = sizeMb;
    config.ttSizeMb = allocatedMb;
    config.ttEntries = entries;
    allocEngineTable(engine, entries, allocatedMb, config.largePages != 0);
}

bool loadParamFile(const char* path, bool uci)
{
    ParamFileResult r = readParamFile(path);
    const char* prefix = uci ? "info string " : "";
    for (const std::string& problem : r.problems)
        std::printf("%sParamFile %s: %s\n", prefix, path, problem.c_str());
    if (r.applied)
        std::printf("%sParamFile %s: %d parameters applied\n", prefix, path, r.values);
    else
        std::printf("%sParamFile %s: nothing applied\n", prefix, path);
    std::fflush(stdout);
    return r.applied;
}
