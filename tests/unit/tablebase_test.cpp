// Syzygy tables: probe values against the expected values of every test
// file, the registry (found-tables line, folders, environment overrides,
// symmetric tables) and damaged files that must fail cleanly.
#include <unistd.h>

#include <cstdlib>
#include <functional>

#include "position/stack.h"
#include "support/tablebase.h"
#include "tablebase/tbprobe.h"

namespace fs = std::filesystem;

namespace {

// The registry of these tests.
Tablebases tb{};
PositionStack stack;

const Position& positionOf(const std::string& fen) { return setUp(stack, fen); }

// What the registry reported while f ran.
template <typename F>
std::string reported(F f)
{
    tbReported.take();
    f();
    return tbReported.take();
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
    for (const auto& file : fs::directory_iterator(csvDir)) {
        if (file.path().extension() != ".csv")
            continue;
        int wrong = 0;
        for (const TbExpected& e : readTbExpected(file.path().string())) {
            const Probe p = probeBoth(e.fen);
            checked++;
            if (!(p.wdlOk && p.dtzOk && p.wdl == e.wdl && p.dtz == e.dtz) && ++wrong <= 3)
                ADD_FAILURE() << file.path().filename() << " " << e.fen << ": wdl " << p.wdl << " (flag " << p.wdlOk
                              << "), expected " << e.wdl << "; dtz " << p.dtz << " (flag " << p.dtzOk
                              << "), expected " << e.dtz;
        }
    }
    return checked;
}

// A temporary folder removed at the end of the test.
struct TempDir {
    fs::path path = fs::temp_directory_path() / ("ardentis-tb-" + std::to_string(::getpid()) + "-" +
                                                 std::to_string(reinterpret_cast<uintptr_t>(this)));
    TempDir() { fs::create_directories(path); }
    ~TempDir() { fs::remove_all(path); }
    std::string str() const { return path.string(); }
    void copy(const std::string& name) const { fs::copy_file(fs::path(tablesDir()) / name, path / name); }
};

// The tables stay mapped until the registry is freed: release them after
// this suite.
class Tablebase : public testing::Test {
protected:
    static void TearDownTestSuite() { freeTablebases(tb); }
};

}  // namespace

TEST_F(Tablebase, ValuesOfEveryTestFile)
{
    EXPECT_NE(initTables(tb, tablesDir(), tablesDir()).find("\nFound 35 tablebases.\n"), std::string::npos);
    EXPECT_EQ(checkExpectedValues(testDataPath("syzygy-tests")), 35 * 40);
}

TEST_F(Tablebase, ValuesOfTheFivePieceTables)
{
    const std::string dir = extendedSyzygyDir();
    if (!fs::is_directory(dir))
        GTEST_SKIP() << "5-piece Syzygy tables not found at " << dir << ": extended cases not run";
    initTables(tb, dir, dir);
    EXPECT_GT(checkExpectedValues((fs::path(dir).parent_path() / "syzygy-tests").string()), 0);
}

TEST_F(Tablebase, CapturesPromotionsAndEnPassant)
{
    initTables(tb, tablesDir(), tablesDir());
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
    // A symmetric table reads the same with the colours exchanged.
    const Probe white = probeBoth("8/8/8/8/8/1k6/r7/K6R w - - 0 1"), black = probeBoth("k6r/R7/1K6/8/8/8/8/8 b - - 0 1");
    EXPECT_TRUE(white.wdlOk && black.dtzOk && white.wdl == black.wdl && white.dtz == black.dtz);
    // Castling rights are never in a table.
    const Probe castle = probeBoth("8/8/8/8/8/8/8/R3K2k w Q - 0 1");
    EXPECT_EQ(castle.wdlOk, 0);
    EXPECT_EQ(castle.dtzOk, 0);
}

TEST_F(Tablebase, FoldersAndEnvironment)
{
    TempDir only, empty;
    only.copy("KQvK.rtbw");
    const std::pair<std::string, int> folders[] = {{"", 0}, {only.str(), 1}, {empty.str() + ":" + tablesDir(), 35}};
    for (const auto& [folder, found] : folders)
        EXPECT_NE(initTables(tb, folder, folder).find("\nFound " + std::to_string(found) + " tablebases.\n"),
                  std::string::npos)
            << folder;

    // Only KQvK.rtbw, found from either colour; its DTZ file is missing,
    // which is said once and fails only the DTZ probe.
    initTables(tb, only.str(), only.str());
    Probe white;
    EXPECT_EQ(reported([&] { white = probeBoth("8/8/8/8/8/2k5/8/KQ6 w - - 0 1"); }),
              "Could not open " + only.str() + "/KQvK.rtbz for reading.\n");
    EXPECT_TRUE(white.wdl == 2 && white.wdlOk && !white.dtzOk);
    int ok;
    EXPECT_EQ(probeWdl(tb, positionOf("kq6/8/2K5/8/8/8/8/8 w - - 0 1"), &ok), -2);
    EXPECT_EQ(ok, 1);
    probeWdl(tb, positionOf("8/8/8/8/8/2k5/8/KR6 w - - 0 1"), &ok);
    EXPECT_EQ(ok, 0) << "no KRvK table";
    EXPECT_EQ(reported([&] { probeDtz(tb, positionOf("kq6/8/2K5/8/8/8/8/8 b - - 0 1"), &ok); }), "");

    // Environment folders replace the configured ones up to 99 characters.
    std::string longPath = tablesDir();
    while (longPath.size() < 99)
        longPath = "/" + longPath;  // extra slashes name the same folder
    setenv("RTBWDIR", longPath.c_str(), 1);
    setenv("RTBZDIR", ("/" + longPath).c_str(), 1);
    std::string said = initTables(tb, empty.str(), empty.str());
    EXPECT_NE(said.find("$WDLDIR loaded"), std::string::npos);
    EXPECT_EQ(said.find("$DTZDIR loaded"), std::string::npos);
    EXPECT_NE(said.find("Found 35 tablebases."), std::string::npos) << said;
    setenv("RTBWDIR", ("/" + longPath).c_str(), 1);
    EXPECT_NE(initTables(tb, empty.str(), empty.str()).find("Found 0 tablebases."), std::string::npos);
    unsetenv("RTBWDIR");
    unsetenv("RTBZDIR");
}

// Registration looks at file names only: a folder with an empty file for
// every material name, in both orders, registers each material of three to
// six pieces once (a symmetric one once for both colours).
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
    EXPECT_EQ(initTables(tb, dir.str(), dir.str()), "\nFound 510 tablebases.\n");
    EXPECT_EQ(tablebaseLargest(tb), 6);
    TbMaterial m;
    ASSERT_TRUE(parseMaterialName("KRvKR", m));
    TbEntry* e = findTable(tb, materialNameKey(m));
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->key, e->mirrorKey);
    EXPECT_TRUE(e->material.symmetric);
}

// Damaged copies of a real file: a wrong magic number, truncations and
// single-byte changes of the header. Each is reported at most once, its
// probes fail, and nothing reads outside the file (the sanitizer build
// checks that).
TEST_F(Tablebase, DamagedFilesFailCleanly)
{
    const char* const fens[] = {"8/8/8/8/8/1k6/r7/K6R w - - 0 1", "8/8/2k5/8/8/8/r7/1K5R b - - 0 1",
                                "2r5/8/8/8/4k3/8/R7/6K1 w - - 0 1"};
    TempDir dir;
    std::ifstream in(fs::path(tablesDir()) / "KRvKR.rtbw", std::ios::binary);
    const std::string good((std::istreambuf_iterator<char>(in)), {});
    // The number of failed probes and what was said.
    auto tryFile = [&](const std::string& data) {
        std::ofstream(dir.path / "KRvKR.rtbw", std::ios::binary | std::ios::trunc) << data;
        initTables(tb, dir.str(), dir.str());
        int fails = 0;
        const std::string said = reported([&] {
            for (const char* fen : fens) {
                int ok;
                probeWdl(tb, positionOf(fen), &ok);
                fails += ok == 0;
            }
        });
        return std::make_pair(fails, said);
    };
    std::string bad = good;
    bad[0] ^= 1;
    EXPECT_EQ(tryFile(bad), std::make_pair(3, std::string("Corrupted table.\n")));
    for (size_t len : {size_t(0), size_t(5), size_t(100), good.size() / 2, good.size() - 1}) {
        auto [fails, said] = tryFile(good.substr(0, len));
        EXPECT_EQ(fails, 3) << "truncated to " << len;
        EXPECT_TRUE(said == "Corrupted table.\n" || said.rfind("Could not open", 0) == 0) << said;
    }
    // Any single changed byte in the header and symbol table: probes may
    // succeed or fail, but never crash or read outside the file.
    for (size_t i = 4; i < 1200 && i < good.size(); i += 11) {
        std::string changed = good;
        changed[i] = char(changed[i] ^ 0x5A);
        tryFile(changed);
    }
    EXPECT_EQ(tryFile(good), std::make_pair(0, std::string()));
}
