// The console's diagnostic commands. They all work on the front end's record
// and its current position, synchronously, between searches.
#include "frontend/diagnostics.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "book/book.h"
#include "eval/evalcache.h"
#include "eval/evaluate.h"
#include "eval/trace.h"
#include "frontend/config.h"
#include "frontend/input.h"
#include "frontend/report.h"
#include "frontend/session.h"
#include "platform/platform.h"
#include "position/attacks.h"
#include "position/fen.h"
#include "position/movegen.h"
#include "position/see.h"
#include "search/bounds.h"
#include "search/engine.h"
#include "search/hashq.h"
#include "search/quiescence.h"
#include "search/rootprobe.h"
#include "search/tt.h"
#include "tablebase/tbprobe.h"

namespace {

struct TestPosition {
    const char* word;
    const char* fen;
};

// Used as they stand (some end in a blank, two lack the counters). The
// en-passant square of "n1" is e6, behind the pawn that has just stepped
// past d5: d6, behind White's own pawn, is no position a game can reach.
const TestPosition TEST_POSITIONS[] = {
    {"n1", "3rk2r/ppp2ppp/8/3Pp3/8/8/PPP2PPP/R3K2R w KQk e6 12 1"},
    {"p", "8/k7/3p4/p2P1p2/P2P1P2/8/8/K7 w - -"},
    {"chain", "5rk1/ppb2qpp/2p2n2/3p4/3Pp3/4PpP1/PPQN1P1P/2R3KB w - - 1 1 "},
    {"bug", "6k1/7p/3p3b/2pN4/4p3/8/1Pn2PPP/4K2R w K - 0 24"},
    {"killer", "r3qrk1/pp2ppbp/6p1/1Np5/P7/2PP3P/1P2QPP1/R2R2K1 w - - 0 1"},
    {"good", "r1bqkb1r/ppp2ppp/2n1pn2/8/2pP4/3BPN2/PP3PPP/RNBQK2R w KQkq - 0 6"},
    {"test", "r3k2r/p1p3pp/2pq1p2/4pb2/1bQ2n2/2N2N1P/PPPP1PP1/R1B1K1R1 w Qkq - 8 12"},
    {"eva", "rnbqkbnr/ppp1ppp1/8/3p3p/Q1P4P/8/PP1PPPP1/RNB1KBNR b KQkq -"},
    {"m1", "5k2/8/6r1/5K2/8/8/7p/8 b - - 3 75"},
    {"m5", "8/RP6/2k5/8/8/6P1/7P/7K w - - 1 62"},
    {"m8", "8/7K/8/8/8/8/R7/7k w - - 0 1"},
    {"t", "r1bqkb1r/pp2pppp/3p1n2/6B1/3nP3/2N5/PPP2PPP/R2QKB1R b KQkq - 0 7"},
    {"o", "6k1/R5p1/4prp1/3pQ3/3N4/3b1P2/5P1P/2r3K1 w - - 3 26 "},
    {"c", "r5k1/1pp2rbp/3p2p1/3Pp3/2P1P1q1/1NN2pBb/P6P/R2QR1K1 w - - 2 23 "},
    {"d", "r7/pp1r1P2/3p2kn/1P2p2p/2P2p1B/8/P5P1/1R1R2K1 w - - 1 33"},
    {"pe", "3k4/2pr4/1p4p1/p4p2/P4PP1/1PP1K3/8/3R4 w - - 0 1"},
    {"pawn", "8/P4k1p/8/3p4/1P1p1p2/1P3P2/6P1/6K1 w - - 1 1 "},
    {"ks1", "rr2nnk1/1qb2ppp/8/5N2/5N2/1PQ5/PB4RP/6RK w - - 0 1"},
    {"ks2", "rr2nnk1/1qb2ppp/8/5N2/5N2/1PB5/PQ4RP/6RK w - - 0 1"},
    {"ks3", "rr3nk1/1qb2ppp/5n2/5N2/5N2/1PB5/PQ4RP/6RK w - - 0 1"},
    {"ks4", "rr2nnk1/pqb2pp1/1pb5/5NP1/2P2N2/1PQ5/PBB4R/1K5R w - - 0 1"},
    {"safe", "6k1/2ppp3/pp3p2/7p/8/2PP4/P6P/7K w - - 0 1"},
    {"stop", "8/2k5/1pP5/p2K4/8/6P1/8/8 w - - 7 1"},
    {"back", "2r5/3k4/8/8/1p6/8/2P4R/5K2 w - - 7 1"},
    {"e", "r1b2rk1/2q1bppp/pp2p3/2npP3/1n3P1P/2NBBN2/PPPQ2P1/1K1R3R w - - 0 14"},
    {"mob", "6kn/6pb/7p/8/2N5/8/3B2PP/6K1 w - - 0 1 "},
    {"fianc", "6k1/pbp2npp/1p3p2/8/8/1P4P1/PBP2P1P/6K1 w - - 0 1"},
    {"shelter", "6k1/5pp1/5P2/2p3PP/1p6/P7/P1P5/1K6 w - - 0 24"},
    {"perpetual", "qn6/qn6/pp6/6k1/4R3/8/4R3/K7 w - - 0 1"},
};

// White king g1, black king d7, White to move, and a few minor pieces or a
// pawn: the first 21 are drawn, the last 9 are not.
const char* const DRAW_TEST[] = {
    "8/3k4/8/8/8/8/8/6K1 w - - 0 1",
    "8/3k4/8/8/8/4B3/8/6K1 w - - 0 1",
    "8/3k4/8/8/8/4N3/8/6K1 w - - 0 1",
    "8/3k4/8/8/8/4b3/8/6K1 w - - 0 1",
    "8/3k4/8/8/8/4n3/8/6K1 w - - 0 1",
    "8/3k4/8/8/8/3NN3/8/6K1 w - - 0 1",
    "8/3k4/8/8/8/3nn3/8/6K1 w - - 0 1",
    "8/3k4/8/8/8/3Bb3/8/6K1 w - - 0 1",
    "8/3k4/8/8/8/3Bn3/8/6K1 w - - 0 1",
    "8/3k4/8/8/8/3Nb3/8/6K1 w - - 0 1",
    "8/3k4/8/8/8/3Nn3/8/6K1 w - - 0 1",
    "8/3k4/8/8/8/2BBb3/8/6K1 w - - 0 1",
    "8/3k4/8/8/8/2Bbb3/8/6K1 w - - 0 1",
    "8/3k4/8/8/8/2BNb3/8/6K1 w - - 0 1",
    "8/3k4/8/8/8/2BNn3/8/6K1 w - - 0 1",
    "8/3k4/8/8/8/2NNb3/8/6K1 w - - 0 1",
    "8/3k4/8/8/8/2NNn3/8/6K1 w - - 0 1",
    "8/3k4/8/8/8/2Bbn3/8/6K1 w - - 0 1",
    "8/3k4/8/8/8/2Nbn3/8/6K1 w - - 0 1",
    "8/3k4/8/8/8/2Bnn3/8/6K1 w - - 0 1",
    "8/3k4/8/8/8/2Nnn3/8/6K1 w - - 0 1",
    // not drawn
    "8/3k4/8/8/8/2P5/8/6K1 w - - 0 1",
    "8/3k4/8/8/8/2BB4/8/6K1 w - - 0 1",
    "8/3k4/8/8/8/2bb4/8/6K1 w - - 0 1",
    "8/3k4/8/8/8/2BN4/8/6K1 w - - 0 1",
    "8/3k4/8/8/8/2NNN3/8/6K1 w - - 0 1",
    "8/3k4/8/8/8/2nnn3/8/6K1 w - - 0 1",
    "8/3k4/8/8/8/2BBB3/8/6K1 w - - 0 1",
    "8/3k4/8/8/8/2BBn3/8/6K1 w - - 0 1",
    "8/3k4/8/8/8/2bbb3/8/6K1 w - - 0 1",
};
constexpr int DRAWN_COUNT = 21;

// Two positions and their colour-mirrored twins (the fourth mirrors the
// first, the third the second).
const char* const SYMMETRY_TEST[] = {
    "r3rk2/ppp1q1pp/2n5/5bN1/2B1pP2/Q7/PPP4P/1KR3R1 w - - 1 0",
    "2kr3r/pp1q1ppp/5n2/1Nb5/2Pp1B2/7Q/P4PPP/1R3RK1 w - - 1 0",
    "1r3rk1/p4ppp/7q/2pP1b2/1nB5/5N2/PP1Q1PPP/2KR3R b - - 1 0",
    "1kr3r1/ppp4p/q7/2b1Pp2/5Bn1/2N5/PPP1Q1PP/R3RK2 b - - 1 0",
};

// Exchange cases with the values the table was published with. Most are the
// exchange with the engine's piece values (pawn 100, knight and bishop 325,
// rook 500, queen 1000; a promotion's exchange starts with the pawn's value);
// the first and the last keep their published values (-125, -625), which the
// engine's exchange does not reach (0, -575). "see" prints both, so the
// difference shows.
struct ExchangeCase {
    const char* fen;
    const char* move;
    int16_t expected;
};
const ExchangeCase EXCHANGE_TEST[] = {
    // c3xd4, then knight, bishop, knight, rook, rook, queen, rook and rook
    // take in turn: every capture is answered, and stopping anywhere leaves
    // the material even, so the engine's exchange is 0.
    {"3r3k/3r4/2n1n3/8/3p4/2PR4/1B1Q4/3R3K w - - 0 1", "c3d4", -125},
    {"8/8/4k3/3n4/4P3/8/8/4K3 w - - 0 1", "e4d5", 225},
    {"8/8/4k3/3n4/4P3/8/8/3RK3 w - - 0 1", "e4d5", 325},
    {"4k3/8/2p5/3p4/8/8/8/3RK3 w - - 0 1", "d1d5", -400},
    {"4k3/8/8/3r4/8/8/8/3QK3 w - - 0 1", "d1d5", 500},
    {"3rk3/8/8/8/3P4/2P5/8/4K3 b - - 0 1", "d8d4", -400},
    {"3rk3/8/8/3p4/8/8/3R4/3RK3 w - - 0 1", "d2d5", 100},
    {"3rk3/3r4/8/3p4/8/8/3R4/3RK3 w - - 0 1", "d2d5", -400},
    {"4k3/8/4p3/3p4/2Q5/1B6/8/4K3 w - - 0 1", "c4d5", -800},
    {"3qk3/8/2p5/3r4/8/1B6/8/3RK3 w - - 0 1", "d1d5", 0},
    {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "e5d6", 100},
    {"4k3/4b3/8/3pP3/8/8/8/4K3 w - d6 0 1", "e5d6", 0},
    {"4k3/p7/8/8/8/8/8/R3K3 w - - 0 1", "a1a7", 100},
    {"4k3/8/8/1N1p4/8/8/3r4/4K3 w - d6 0 1", "b5d6", 0},
    {"4k3/P7/8/8/8/8/8/4K3 w - - 0 1", "a7a8q", 100},
    {"1r2k3/P7/8/8/8/8/8/4K3 w - - 0 1", "a7a8q", -900},
    {"r3k3/1P6/1n6/8/8/8/8/4K3 w - - 0 1", "b7a8q", -500},
    {"r3k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b7a8n", 500},
    {"4k3/8/8/3p4/4p3/5K2/3N4/8 w - - 0 1", "d2e4", -125},
    {"4r1k1/8/8/3p4/4p3/5K2/3N4/8 w - - 0 1", "d2e4", -225},
    {"4k3/8/8/8/4p3/5K2/8/8 w - - 0 1", "f3e4", 100},
    {"4k3/8/8/8/8/5n2/8/4K1N1 w - - 0 1", "g1f3", 325},
    {"4k3/8/2p5/3p4/8/8/8/3QK3 w - - 0 1", "d1d5", -900},
    {"4k3/8/8/8/8/8/8/R1b1K3 w - - 0 1", "a1a3", -500},
    // d8=Q is taken by the bishop and the queen on d1 takes back: the
    // engine's exchange is 100 - (1000 - 325) = -575.
    {"5k2/p2P2pp/1b6/1p6/1Nn1P1n1/8/PPP4P/R2QK1NR w Q - 0 1", "d7d8q", -625},
};

// The game's record: the front-end record of the session's engine.
SearchThread& game(Session& session) { return session.engine->mainThread; }

// A scratch stack for reading test positions (the game's stack keeps every
// slot but the current one) or for making moves beyond the game's slots.
std::unique_ptr<PositionStack> scratchStack() { return std::unique_ptr<PositionStack>(new PositionStack()); }

// Reads fen into the current slot of the game, through scratch; false (and
// the slot unchanged) when it cannot be read.
bool loadIntoCurrentSlot(SearchThread& game, PositionStack& scratch, const char* fen)
{
    if (!setPositionFromFen(scratch, fen, nullptr))
        return false;
    *game.current = *scratch.current;
    return true;
}

// The built-in positions are all readable; a failure here is a broken table.
const Position& loadBuiltIn(Session& session, const char* fen)
{
    if (!loadIntoCurrentSlot(game(session), *scratchStack(), fen))
        std::printf("Error (bad FEN): %s\n", fen);
    return *game(session).current;
}

Score staticEvaluation(Session& session, const Position& pos) { return evaluate(pos, &game(session).evalCache); }

// The search's stop flags, which a timed search leaves raised; the
// quiescence search refuses to work while they are up.
void lowerStopFlags(Session& session)
{
    session.engine->flags.stopSearch.store(0);
    session.engine->flags.abortIteration.store(0);
}

void printMoveText(const char* format, const Position& pos, Move m)
{
    char text[MOVE_TEXT_SIZE];
    moveToText(text, m, int(pos.sideToMove), pos.chess960);
    std::printf(format, text);
}

// Material a move wins outright: the captured piece (a pawn for en passant)
// and a promotion's gain over the pawn.
int materialGain(const Position& pos, Move m)
{
    if (isCastling(m))
        return 0;  // its destination may hold its own rook (Chess960)
    int gain = moveKind(m) == KIND_EN_PASSANT ? pieceValue(PAWN) : pieceValue(pieceOn(pos, moveTo(m)));
    if (movePromotion(m))
        gain += pieceValue(movePromotion(m)) - pieceValue(PAWN);
    return gain;
}

// The list from its last move to its first, each with its material gain.
void printWithGains(const Position& pos, const MoveEntry* first, const MoveEntry* end)
{
    for (const MoveEntry* e = end; e != first;) {
        Move m = entryMove(*--e);
        char text[MOVE_TEXT_SIZE];
        moveToText(text, m, int(pos.sideToMove), pos.chess960);
        std::printf("Move: %s    %i\n", text, materialGain(pos, m));
    }
}

void printMoves(const Position& pos, const MoveEntry* first, const MoveEntry* end)
{
    for (const MoveEntry* e = end; e != first;)
        printMoveText("Move: %s\n", pos, entryMove(*--e));
}

// The best-ordered tactical move that is legal, or 0 when there is none.
Move bestLegalCapture(const Position& pos)
{
    MoveEntry list[MAX_MOVES];
    MoveEntry* end = generateCaptures(pos, list);
    for (;;) {
        MoveEntry* best = nullptr;
        for (MoveEntry* e = list; e != end; ++e)
            if (!best || entryScore(*e) > entryScore(*best))
                best = e;
        if (!best)
            return 0;
        Move m = entryMove(*best);
        if (!leavesKingInCheck(pos, m))
            return m;
        *best = *--end;
    }
}

// The book the console lists from: always this file, whatever the
// configuration names for play.
const char* const CONSOLE_BOOK_FILE = "Tomelore_12.9c.bin";

void printBookLine(const char* line, void*) { std::fputs(line, stdout); }

// The Syzygy self-test: its nine test files and three error files are in a
// folder of the working directory.
const char* const SYZYGY_TEST_FOLDER = "TestSyzygy";
constexpr int SYZYGY_TEST_FILES = 9;
// The progress display counts against test files of this many lines.
constexpr uint64_t SYZYGY_FILE_LINES = 2500000;
constexpr int SYZYGY_LINE_SIZE = 256;  // 254 characters, the line end and the terminator

struct SyzygyTally {
    uint64_t wdl, dtz, fen;
};

void printSyzygyTally(const SyzygyTally& tally)
{
    const double linesPerCent = double(SYZYGY_FILE_LINES) / 100.0;
    std::printf("WDL Error:  %10" PRIu64 "   %3.2f%%\n", tally.wdl, double(tally.wdl) / linesPerCent);
    std::printf("DTZ Error:  %10" PRIu64 "   %3.2f%%\n", tally.dtz, double(tally.dtz) / linesPerCent);
    std::printf("FEN Error:  %10" PRIu64 "   %3.2f%%\n", tally.fen, double(tally.fen) / linesPerCent);
}

void printSyzygyProgress(const char* name, uint64_t lines, const SyzygyTally& tally)
{
    static const char BAR[] = "||||||||||||||||||||||||||||||||||||||||||||||||||||||||||||";
    const double done = std::min(1.0, double(lines) / double(SYZYGY_FILE_LINES));
    const int width = int(done * 60);
    clearScreen();
    std::printf("%s\n", name);
    std::printf("\r%3d%% [%.*s%*s]\n", int(done * 100), width, BAR, 60 - width, "");
    printSyzygyTally(tally);
    std::fflush(stdout);
}

// Splits "FEN,DTZ,WDL" (a line end may follow); false when the line has not
// that form.
bool splitSyzygyLine(const char* line, char* fen, int& dtz, int& wdl)
{
    const char* comma = std::strchr(line, ',');
    if (!comma || comma == line)
        return false;
    std::memcpy(fen, line, size_t(comma - line));
    fen[comma - line] = '\0';
    char* end = nullptr;
    const long d = std::strtol(comma + 1, &end, 10);
    if (end == comma + 1 || *end != ',')
        return false;
    const char* wdlText = end + 1;
    const long w = std::strtol(wdlText, &end, 10);
    if (end == wdlText || (*end != '\0' && *end != '\n' && *end != '\r'))
        return false;
    dtz = int(d);
    wdl = int(w);
    return true;
}

// Reads one line of up to 254 characters and its line end into line; a
// longer line is read to its end and comes back cut to 254 characters and a
// line end, with tooLong set.
bool readSyzygyLine(std::FILE* f, char* line, bool& tooLong)
{
    if (!std::fgets(line, SYZYGY_LINE_SIZE, f))
        return false;
    const size_t length = std::strlen(line);
    tooLong = length == size_t(SYZYGY_LINE_SIZE - 1) && line[length - 1] != '\n';
    if (tooLong) {
        int c;
        while ((c = std::fgetc(f)) != EOF && c != '\n') {
        }
        line[length - 1] = '\n';
    }
    return true;
}

struct SyzygyFiles {
    std::FILE* in;
    std::FILE* dtzErrors;
    std::FILE* wdlErrors;
    std::FILE* badFens;
};

void closeSyzygyFiles(SyzygyFiles& f)
{
    for (std::FILE* file : {f.in, f.dtzErrors, f.wdlErrors, f.badFens})
        if (file)
            std::fclose(file);
}

// Checks every line of one test file against the tables.
void runSyzygyFile(Engine& engine, const char* name, SyzygyFiles& files, SyzygyTally& tally)
{
    std::unique_ptr<PositionStack> scratch = scratchStack();
    clearScreen();
    std::printf("%s\n", name);
    char line[SYZYGY_LINE_SIZE], fen[SYZYGY_LINE_SIZE];
    uint64_t lines = 0;
    bool tooLong = false;
    while (readSyzygyLine(files.in, line, tooLong)) {
        if (++lines % 100000 == 0)
            printSyzygyProgress(name, lines, tally);
        int expectedDtz = 0, expectedWdl = 0;
        if (tooLong || !splitSyzygyLine(line, fen, expectedDtz, expectedWdl)
            || !loadIntoCurrentSlot(engine.mainThread, *scratch, fen)) {
            tally.fen++;
            std::fputs(line, files.badFens);
            continue;
        }
        const Position& pos = *engine.mainThread.current;
        int success = 0;
        if (probeWdl(engine.tablebases, pos, &success) != expectedWdl) {
            tally.wdl++;
            std::fputs(line, files.wdlErrors);
        }
        if (probeDtz(engine.tablebases, pos, &success) != expectedDtz) {
            tally.dtz++;
            std::fputs(line, files.dtzErrors);
        }
    }
}

} // namespace

void loadTestPosition(Session& session, const char* line)
{
    for (const TestPosition& t : TEST_POSITIONS) {
        if (std::strcmp(line, t.word) == 0) {
            loadBuiltIn(session, t.fen);
            return;
        }
    }
}

void sizeCommand(Session&, const char*)
{
    std::printf("Hash record size: %2" PRIu64 " byte  (%3" PRIu64 " bit)\n", uint64_t(sizeof(TTEntry)),
                uint64_t(8 * sizeof(TTEntry)));
    std::printf("Hash Data   size: %2" PRIu64 " byte  (%3" PRIu64 " bit)\n", uint64_t(sizeof(TTEntry::data)),
                uint64_t(8 * sizeof(TTEntry::data)));
    std::printf("\n");
    std::printf("HashPawn    size: %2" PRIu64 " byte  (%3" PRIu64 " bit)\n", uint64_t(sizeof(PawnCacheEntry)),
                uint64_t(8 * sizeof(PawnCacheEntry)));
    std::printf("HashQ       size: %2" PRIu64 " byte  (%3" PRIu64 " bit)\n", uint64_t(sizeof(HashQEntry)),
                uint64_t(8 * sizeof(HashQEntry)));
}

void keyCommand(Session& session, const char*)
{
    const Position& pos = *game(session).current;
    std::printf("HashKey     (full): %" PRIu64 "\n", computeKey(pos));
    std::printf("HashKey     (inc) : %" PRIu64 "\n", pos.key);
    std::printf("HashPawnKey (full): %" PRIu64 "\n", computePawnKey(pos));
    std::printf("HashPawnKey (inc) : %" PRIu64 "\n", pos.pawnKey);
}

// The table's last bucket, which reaches into its spare entries.
void hashStoreCommand(Session& session, const char* line)
{
    int age = 0;
    readCommandNumber(line, "hstore", age);
    TranspositionTable& tt = session.engine->tt;
    tt.age = uint8_t(age);
    storeHashAt(tt, tt.count - 1, game(session).current->key, 1, 1, BOUND_EXACT, 100, 0);
    std::printf("Stored with aging: %u\n", unsigned(tt.age));
}

void hashProbeCommand(Session& session, const char*)
{
    uint64_t data = 0;
    const TranspositionTable& tt = session.engine->tt;
    int result = probeHashAt(tt, tt.count - 1, game(session).current->key, data, 1, 1, 20, 200);
    std::printf("%s\n", result == HASH_MISS ? "Hash Probe KO" : "Hash Probe OK");
}

void clearCommand(Session& session, const char*)
{
    game(session).current = newGame(game(session), session.config.chess960);
    clearSearchState(*session.engine);
    clearAllTables(*session.engine);
}

void dumpCommand(Session& session, const char*)
{
    const TranspositionTable& tt = session.engine->tt;
    const int64_t written = dumpHashTable(tt, tt.count, *game(session).current);
    if (written < 0)
        std::printf("File non trovato\n");
    else
        std::printf("Tot: %i\n", int(written));
    std::fflush(stdout);
}

void pinCommand(Session& session, const char*)
{
    Bitboard pins = pinnedImmobile(loadBuiltIn(session, "6k1/6r1/1b6/8/8/8/5NB1/6K1 w - - 2 1"));
    if (pins)
        std::printf("Pins: %" PRIu64 "\n", pins);
}

void quiesceCommand(Session& session, const char*)
{
    const Position& pos = loadBuiltIn(session, "r1bqkbnr/pp1n1p2/2p1p2p/3p2p1/3P3B/2N2NP1/PPP1PP1P/R2QKB1R w KQkq - 0 1");
    std::printf("Score:      %i\n", staticEvaluation(session, pos));
    lowerStopFlags(session);
    std::printf("Quiesce:    %i\n", quiescence(game(session), 0, 1, -INFINITE, INFINITE, 0));
}

void symmetryCommand(Session& session, const char*)
{
    int number = 0;
    for (const char* fen : SYMMETRY_TEST)
        std::printf("Pos %i Score: %i\n", ++number, staticEvaluation(session, loadBuiltIn(session, fen)));
}

void drawTestCommand(Session& session, const char*)
{
    int number = 0;
    for (const char* fen : DRAW_TEST) {
        if (number == 0)
            std::printf("DRAW!\n");
        else if (number == DRAWN_COUNT)
            std::printf("NOT DRAW!\n");
        ++number;
        const Position& pos = loadBuiltIn(session, fen);
        writeBoard(pos, stdoutSink());
        std::printf("Score: %i\n", staticEvaluation(session, pos));
    }
}

void bookCommand(Session& session, const char*)
{
    char fen[FEN_TEXT_SIZE];
    positionToFen(*game(session).current, fen);
    std::printf("%s\n", fen);
    // A hundred entries with their texts: kept off the stack.
    std::unique_ptr<BookListing> listing(new BookListing());
    listBookMoves(CONSOLE_BOOK_FILE, fen, *listing);
    writeBookListing(CONSOLE_BOOK_FILE, *listing, printBookLine, nullptr);
}

void threadCommand(Session& session, const char* line)
{
    int n = 0;
    if (!readCommandNumber(line, "thread", n) || n < 1 || n > MAX_THREADS)
        return;
    freeAllTables(*session.engine);
    session.config.threads = uint8_t(n);
    allocAllTables(*session.engine, tableSizes(session.config));
    std::printf("Thread allocated for search: %i", n);
}

void exchangeTestCommand(Session& session, const char*)
{
    int number = 0;
    for (const ExchangeCase& c : EXCHANGE_TEST) {
        const Position& pos = loadBuiltIn(session, c.fen);
        const Move move = textToMove(pos, c.move);
        const Move best = bestLegalCapture(pos);
        char bestText[MOVE_TEXT_SIZE] = "none";
        if (best)
            moveToText(bestText, best, int(pos.sideToMove), pos.chess960);
        std::printf("\nTestCase %2i                      ", ++number);
        std::printf("Score:          %5i\n", c.expected);
        std::printf("Move:           %8s      ", c.move);
        std::printf("SEE move:       %8i\n", staticExchange(pos, move));
        std::printf("Best:           %8s      ", bestText);
        std::printf("SEE best:       %8i\n", best ? staticExchange(pos, best) : 0);
    }
}

void pieceCommand(Session& session, const char* line)
{
    int n = 0;
    readCommandNumber(line, "piece", n);
    const Position& pos = loadBuiltIn(session, "6k1/8/8/2q1n3/1b3r2/3N4/8/6K1 w - - 0 1 ");
    // Squares are counted from a1 on the real board; the position keeps
    // them in the side to move's view.
    int square = (n & 63) ^ (pos.sideToMove ? 56 : 0);
    std::printf("Piece Value: %i\n", pieceValue(pieceOn(pos, square)));
}

void scoreCommand(Session& session, const char*)
{
    const Position& pos = *game(session).current;
    const Score score = staticEvaluation(session, pos);
    EvalTrace trace[2];
    traceEvaluation(pos, trace);
    writeEvalTrace(trace, stdoutSink());
    std::printf("Score: %i\n", score);
}

void legalCommand(Session& session, const char*)
{
    const Position& pos = *game(session).current;
    MoveEntry list[MAX_MOVES];

    MoveEntry* end = generateAll(pos, list);
    std::printf("\nAll moves:    %" PRIu64 "\n", uint64_t(end - list));
    printWithGains(pos, list, end);

    end = generateLegal(pos, list);
    std::printf("\nLegal moves:    %" PRIu64 "\n", uint64_t(end - list));
    printWithGains(pos, list, end);

    end = generateQuietChecks(pos, list);
    std::printf("\nCheck moves:    %" PRIu64 "\n", uint64_t(end - list));
    for (const MoveEntry* e = end; e != list;) {
        Move m = entryMove(*--e);
        printMoveText(isLosingCapture(pos, m) ? "Move: %s    negSEE\n" : "Move: %s\n", pos, m);
    }

    const Bitboard checkerSet = checkers(pos);
    if (checkerSet) {
        end = generateEvasions(pos, checkerSet, list);
        std::printf("\nEvasion moves:    %" PRIu64 "\n", uint64_t(end - list));
        printMoves(pos, list, end);
    }
}

void generateCommand(Session& session, const char*)
{
    const Position& pos = *game(session).current;
    MoveEntry list[MAX_MOVES];
    MoveEntry* end = generateLegal(pos, list);
    printMoves(pos, list, end);
    std::printf("Total Legal moves: %i\n", int(end - list));
}

// Late-move reductions by the two logarithmic formulas, printed as source
// text. The search keeps its own fixed table; this shows what the formulas give.
void reductionsCommand(Session&, const char*)
{
    uint8_t reductions[2][64][64];
    for (int d = 0; d < 64; d++) {
        for (int m = 0; m < 64; m++) {
            if (d < 2 || m < 2) {  // no logarithm of 0, and ln 1 = 0 gives nothing
                reductions[0][d][m] = reductions[1][d][m] = 0;
                continue;
            }
            const double product = std::log(double(d)) * std::log(double(m));
            const double x = product / 2.25 + 0.33;
            const double y = product / 3.0;
            const int fx = int(std::floor(x)), fy = int(std::floor(y));
            reductions[0][d][m] = uint8_t(x < 1 ? 0 : fx > 2 ? fx + 1 : fx);
            reductions[1][d][m] = uint8_t(y < 1 ? 0 : fy);
        }
    }
    std::printf("static const int CT_LMR_R[2][64][64]={\n");
    for (int table = 0; table < 2; table++) {
        std::printf("{\n");
        for (int d = 0; d < 64; d++) {
            std::printf("{");
            for (int m = 0; m < 64; m++)
                std::printf(m ? ",%d" : "%d", reductions[table][d][m]);
            std::printf("},\n");
        }
        std::printf("},\n\n");
    }
    std::printf("}\n");
}

void probeCommand(Session& session, const char*)
{
    const Position& pos = *game(session).current;
    writeBoard(pos, stdoutSink());
    MoveEntry list[MAX_MOVES];
    MoveEntry* end = generateLegal(pos, list);
    const int legal = int(end - list);
    std::printf("Legal moves:    %i\n", legal);
    printMoves(pos, list, end);

    // The root probe makes moves into the slot after the position: a scratch
    // stack has room whatever the length of the game.
    std::unique_ptr<PositionStack> scratch = scratchStack();
    scratch->positions[0] = pos;
    int16_t tbScore = 0;
    MoveEntry* kept = end;
    Tablebases& tb = session.engine->tablebases;
    const int found = rootProbe(tb, scratch->positions[0], list, tbScore, kept);
    int success = 0;
    const int dtz = probeDtz(tb, pos, &success);
    const int wdl = probeWdl(tb, pos, &success);
    std::printf("\nEGTB position:  %i  (%i=true, %i=false)\n", found, 1, 0);
    std::printf("DTZ:            %i\n", dtz);
    std::printf("WDL:            %i\n", wdl);
    std::printf("TBScore:        %i\n\n", found ? int(tbScore) : 0);
    std::printf("EGTB moves:     %i\n", int(uint8_t(found ? kept - list : legal)));
    if (found) {
        for (const MoveEntry* e = kept; e != list;) {
            --e;
            char text[MOVE_TEXT_SIZE];
            moveToText(text, entryMove(*e), int(pos.sideToMove), pos.chess960);
            std::printf("Move: %s   DTZ: %i\n", text, entryScore(*e));
        }
    }
}

void syzygyTestCommand(Session& session, const char*)
{
    char dtzName[64], wdlName[64], badName[64];
    std::snprintf(dtzName, sizeof dtzName, "%s/ErrorDTZ.txt", SYZYGY_TEST_FOLDER);
    std::snprintf(wdlName, sizeof wdlName, "%s/ErrorWDL.txt", SYZYGY_TEST_FOLDER);
    std::snprintf(badName, sizeof badName, "%s/BadFEN.txt", SYZYGY_TEST_FOLDER);
    SyzygyTally tally{};
    for (int i = 1; i <= SYZYGY_TEST_FILES; i++) {
        char name[64];
        std::snprintf(name, sizeof name, "%s/TestCase_%02d.txt", SYZYGY_TEST_FOLDER, i);
        SyzygyFiles files{};
        files.in = std::fopen(name, "r");
        if (files.in) {
            files.dtzErrors = std::fopen(dtzName, "a");
            files.wdlErrors = std::fopen(wdlName, "a");
            files.badFens = std::fopen(badName, "a");
        }
        if (!files.in || !files.dtzErrors || !files.wdlErrors || !files.badFens) {
            closeSyzygyFiles(files);
            std::printf("File not found\n");
            return;
        }
        runSyzygyFile(*session.engine, name, files, tally);
        closeSyzygyFiles(files);
    }
    std::printf("\n");
    printSyzygyTally(tally);
    std::printf("\nSyzygy Test ended.\n");
}
