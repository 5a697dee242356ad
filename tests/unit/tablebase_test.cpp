// Syzygy tables: probe values against the expected values of every test
// file, the registry (found-tables line, folders, environment overrides,
// symmetric and mirrored tables) and damaged files that must fail cleanly.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <string>
#include <vector>

#include "engine_init.h"
#include "position/fen.h"
#include "position/stack.h"
#include "sent_text.h"
#include "tablebase/tbprobe.h"
#include "tablebase/tbregistry.h"

namespace fs = std::filesystem;

namespace {

struct Expected {
    std::string fen;
    int dtz;
    int wdl;
};

std::vector<Expected> readExpected(const std::string& path)
{
    std::vector<Expected> out;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        const size_t b = line.rfind(','), a = line.rfind(',', b - 1);
        out.push_back({line.substr(0, a), std::stoi(line.substr(a + 1, b - a - 1)), std::stoi(line.substr(b + 1))});
    }
    return out;
}

PositionStack stack;

const Position& positionOf(const std::string& fen)
{
    stack.current = newGame(stack);
    EXPECT_EQ(setPositionFromFen(stack, fen.c_str(), nullptr), 1) << fen;
    return *stack.current;
}

// The registry of these tests and what it reports.
Tablebases tb{};
SentText reported;

// Initialises the tables and returns what they reported.
std::string initQuietly(const std::string& dtz, const std::string& wdl)
{
    tb.messages = reported.sink();
    reported.take();
    initTablebases(tb, dtz.c_str(), wdl.c_str());
    return reported.take();
}

struct Probe {
    int wdl, wdlOk, dtz, dtzOk;
};

Probe probeBoth(const std::string& fen)
{
    const Position& pos = positionOf(fen);
    Probe p;
    p.wdl = probeWdl(tb, pos, &p.wdlOk);
    p.dtz = probeDtz(tb, pos, &p.dtzOk);
    return p;
}

// Every line of every csv file of csvDir; returns the number of lines checked.
int checkExpectedValues(const std::string& csvDir)
{
    int checked = 0;
    std::vector<fs::path> files;
    for (const auto& f : fs::directory_iterator(csvDir))
        if (f.path().extension() == ".csv")
            files.push_back(f.path());
    EXPECT_FALSE(files.empty()) << csvDir;
    for (const auto& file : files) {
        int wrong = 0;
        for (const Expected& e : readExpected(file.string())) {
            const Probe p = probeBoth(e.fen);
            checked++;
            if (p.wdlOk && p.dtzOk && p.wdl == e.wdl && p.dtz == e.dtz)
                continue;
            if (++wrong <= 3)
                ADD_FAILURE() << file.filename() << " " << e.fen << ": wdl " << p.wdl << " (flag " << p.wdlOk
                              << "), expected " << e.wdl << "; dtz " << p.dtz << " (flag " << p.dtzOk
                              << "), expected " << e.dtz;
        }
        EXPECT_EQ(wrong, 0) << file.filename();
    }
    return checked;
}

std::string tablesDir() { return testDataPath("syzygy"); }

// A temporary folder removed at the end of the test.
struct TempDir {
    fs::path path;
    TempDir()
    {
        path = fs::temp_directory_path() / ("ardentis-tb-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed())
                                            + "-" + std::to_string(reinterpret_cast<uintptr_t>(this)));
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~TempDir() { fs::remove_all(path); }
    std::string str() const { return path.string(); }
    void copy(const std::string& name) const { fs::copy_file(fs::path(tablesDir()) / name, path / name); }
    std::vector<char> bytes(const std::string& name) const
    {
        std::ifstream in(fs::path(tablesDir()) / name, std::ios::binary);
        return std::vector<char>(std::istreambuf_iterator<char>(in), {});
    }
    void write(const std::string& name, const std::vector<char>& data) const
    {
        std::ofstream out(path / name, std::ios::binary | std::ios::trunc);
        out.write(data.data(), std::streamsize(data.size()));
    }
};

// The tables stay registered for the process: release them after this suite
// so that later searches in the same program do not probe them.
class Tablebase : public testing::Test {
protected:
    static void TearDownTestSuite() { freeTablebases(tb); }
};

}  // namespace

TEST_F(Tablebase, ValuesOfEveryTestFile)
{
    const std::string printed = initQuietly(tablesDir(), tablesDir());
    EXPECT_NE(printed.find("\nFound 35 tablebases.\n"), std::string::npos) << printed;
    EXPECT_EQ(checkExpectedValues(testDataPath("syzygy-tests")), 35 * 40);
}

TEST_F(Tablebase, ValuesOfTheFivePieceTables)
{
    const std::string dir = extendedSyzygyDir();
    if (!fs::is_directory(dir)) {
        GTEST_SKIP() << "5-piece Syzygy tables not found at " << dir << ": extended cases not run";
    }
    initQuietly(dir, dir);
    EXPECT_GT(checkExpectedValues((fs::path(dir).parent_path() / "syzygy-tests").string()), 0);
}

TEST_F(Tablebase, CapturesPromotionsAndEnPassant)
{
    initQuietly(tablesDir(), tablesDir());
    struct Case {
        const char* fen;
        int wdl, dtz;
        const char* why;
    };
    const Case cases[] = {
        {"8/8/8/8/8/2k5/8/K7 w - - 0 1", 0, 0, "bare kings need no table"},
        {"8/8/8/8/8/8/1q6/K6k w - - 0 1", 0, 0, "the queen falls: KvK"},
        {"8/8/8/8/8/1k6/1r6/K1Q5 w - - 0 1", 2, 1, "Qxb2 wins at once (KQvK)"},
        {"k7/1Q6/1K6/8/8/8/8/8 b - - 0 1", -2, -1, "checkmated side to move"},
        // A winning double step that en passant would refute is not the best move.
        {"8/8/8/8/2p5/4K3/1P6/6k1 w - - 0 1", 2, 3, "b2-b4 allows cxb3"},
        {"8/1p5K/k7/2P5/8/8/8/8 b - - 0 1", 2, 3, "...b7-b5 allows cxb6"},
        {"8/8/8/8/5p2/k6K/4P3/8 w - - 0 1", 2, 3, "e2-e4 allows fxe3"},
        // Mate in one by a quiet move when the DTZ file stores the other side:
        // the one-ply search gives 2.
        {"8/8/8/2R5/5b2/8/2K5/k7 w - - 0 1", 2, 2, "Ra5 mate, KRvKB stores Black"},
    };
    for (const Case& c : cases) {
        const Probe p = probeBoth(c.fen);
        EXPECT_TRUE(p.wdlOk && p.dtzOk) << c.why;
        EXPECT_EQ(p.wdl, c.wdl) << c.why;
        EXPECT_EQ(p.dtz, c.dtz) << c.why;
    }
    // Castling rights are never in a table.
    const Probe castle = probeBoth("8/8/8/8/8/8/8/R3K2k w Q - 0 1");
    EXPECT_EQ(castle.wdlOk, 0);
    EXPECT_EQ(castle.dtzOk, 0);
}

TEST_F(Tablebase, FoldersAndEnvironment)
{
    TempDir only;
    only.copy("KQvK.rtbw");
    TempDir empty;
    struct Case {
        std::string wdl;
        int found;
    };
    const Case cases[] = {{empty.str(), 0}, {"", 0}, {only.str(), 1}, {empty.str() + ":" + tablesDir(), 35}};
    for (const Case& c : cases) {
        const std::string printed = initQuietly(c.wdl, c.wdl);
        EXPECT_NE(printed.find("\nFound " + std::to_string(c.found) + " tablebases.\n"), std::string::npos)
            << c.wdl << ": " << printed;
    }

    // Only KQvK.rtbw: one table, found from either colour; its DTZ file is
    // missing, which is said once and fails only the DTZ probe.
    initQuietly(only.str(), only.str());
    int ok;
    EXPECT_EQ(probeWdl(tb, positionOf("8/8/8/8/8/2k5/8/KQ6 w - - 0 1"), &ok), 2);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(probeWdl(tb, positionOf("kq6/8/2K5/8/8/8/8/8 w - - 0 1"), &ok), -2);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(probeWdl(tb, positionOf("8/8/8/8/8/2k5/8/KR6 w - - 0 1"), &ok), 0);
    EXPECT_EQ(ok, 0) << "no KRvK table";
    probeDtz(tb, positionOf("8/8/8/8/8/2k5/8/KQ6 w - - 0 1"), &ok);
    EXPECT_EQ(ok, 0);
    probeDtz(tb, positionOf("kq6/8/2K5/8/8/8/8/8 b - - 0 1"), &ok);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(reported.take(), "Could not open " + only.str() + "/KQvK.rtbz for reading.\n");

    // Environment folders replace the configured ones up to 99 characters.
    std::string longPath = tablesDir();
    while (longPath.size() < 99)
        longPath = "/" + longPath;  // extra slashes name the same folder
    ASSERT_EQ(longPath.size(), 99u);
    setenv("RTBWDIR", longPath.c_str(), 1);
    setenv("RTBZDIR", ("/" + longPath).c_str(), 1);
    std::string printed = initQuietly(empty.str(), empty.str());
    EXPECT_NE(printed.find("$WDLDIR loaded"), std::string::npos);
    EXPECT_EQ(printed.find("$DTZDIR loaded"), std::string::npos);
    EXPECT_NE(printed.find("Found 35 tablebases."), std::string::npos) << printed;
    setenv("RTBWDIR", ("/" + longPath).c_str(), 1);
    printed = initQuietly(empty.str(), empty.str());
    EXPECT_NE(printed.find("Found 0 tablebases."), std::string::npos) << printed;
    unsetenv("RTBWDIR");
    unsetenv("RTBZDIR");
}

// Registration looks at file names only: a folder with an empty file for
// every material name, in both orders, registers each material of three to
// six pieces once, and the key hash holds them all.
TEST_F(Tablebase, EveryMaterialRegistersOnce)
{
    TempDir dir;
    std::vector<std::string> sides;
    const std::string letters = "QRBNP";
    std::function<void(std::string, size_t)> grow = [&](std::string s, size_t from) {
        sides.push_back(s);
        if (s.size() < 4)
            for (size_t i = from; i < letters.size(); i++)
                grow(s + letters[i], i);
    };
    grow("", 0);
    for (const std::string& a : sides)
        for (const std::string& b : sides)
            if (a.size() + b.size() >= 1 && a.size() + b.size() <= 4)
                std::ofstream(dir.path / ("K" + a + "vK" + b + ".rtbw"));
    const std::string printed = initQuietly(dir.str(), dir.str());
    EXPECT_EQ(printed, "\nFound 510 tablebases.\n");
    EXPECT_EQ(tablebaseLargest(tb), 6);
}

TEST_F(Tablebase, SymmetricTableEnteredOnce)
{
    TempDir dir;
    dir.copy("KRvKR.rtbw");
    dir.copy("KRvKR.rtbz");
    initQuietly(dir.str(), dir.str());
    TbMaterial m;
    ASSERT_TRUE(parseMaterialName("KRvKR", m));
    TbEntry* e = findTable(tb, materialNameKey(m));
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->key, e->mirrorKey);
    EXPECT_TRUE(e->material.symmetric);
    EXPECT_EQ(tablebaseCount(tb), 1);
    // Same position with the colours exchanged reads the same value.
    const Probe white = probeBoth("8/8/8/8/8/1k6/r7/K6R w - - 0 1");
    const Probe black = probeBoth("k6r/R7/1K6/8/8/8/8/8 b - - 0 1");
    EXPECT_TRUE(white.wdlOk && black.wdlOk && white.dtzOk && black.dtzOk);
    EXPECT_EQ(white.wdl, black.wdl);
    EXPECT_EQ(white.dtz, black.dtz);
}

// Damaged copies of real files: a wrong magic number, every truncation and
// single-byte changes of the header. Each is reported at most once, its
// probes fail, and nothing reads outside the file (the sanitizer build
// checks that).
TEST_F(Tablebase, DamagedFilesFailCleanly)
{
    const char* const fens[] = {
        "8/8/8/8/8/1k6/r7/K6R w - - 0 1", "8/8/2k5/8/8/8/r7/1K5R b - - 0 1", "8/4k3/8/3r4/8/8/1R6/5K2 w - - 0 1",
        "8/4k3/8/3r4/8/8/1R6/5K2 b - - 0 1", "2r5/8/8/8/4k3/8/R7/6K1 w - - 0 1"};
    TempDir dir;
    const std::vector<char> good = dir.bytes("KRvKR.rtbw");
    auto tryFile = [&](const std::vector<char>& data) {
        dir.write("KRvKR.rtbw", data);
        initQuietly(dir.str(), dir.str());
        int fails = 0;
        for (const char* fen : fens) {
            int ok;
            probeWdl(tb, positionOf(fen), &ok);
            fails += ok == 0;
        }
        return std::make_pair(fails, reported.take());
    };

    std::vector<char> bad = good;
    bad[0] ^= 1;
    auto [fails, said] = tryFile(bad);
    EXPECT_EQ(fails, 5);
    EXPECT_EQ(said, "Corrupted table.\n");

    for (size_t len : {size_t(0), size_t(3), size_t(5), size_t(40), size_t(100), good.size() / 2, good.size() - 17,
                       good.size() - 1}) {
        std::vector<char> cut(good.begin(), good.begin() + long(len));
        auto [f, s] = tryFile(cut);
        EXPECT_EQ(f, 5) << "truncated to " << len;
        EXPECT_TRUE(s == "Corrupted table.\n" || s.rfind("Could not open", 0) == 0) << s;
    }
    // Any single changed byte in the header and symbol table: probes may
    // succeed or fail, but never crash or read outside the file.
    for (size_t i = 4; i < 1200 && i < good.size(); i += 7) {
        std::vector<char> changed = good;
        changed[i] = char(changed[i] ^ 0x5A);
        tryFile(changed);
    }
    dir.write("KRvKR.rtbw", good);
    auto [okFails, okSaid] = tryFile(good);
    EXPECT_EQ(okFails, 0);
    EXPECT_EQ(okSaid, "");
}
