// Static exchange evaluation over hand-built exchanges: defended and
// undefended victims, x-rays, en passant, promotions and king recaptures.
#include <cstring>

#include "position/see.h"
#include "support/unit.h"

namespace {

PositionStack seeThread;

const Position& setUp(const std::string& fen) { return setUp(seeThread, fen); }

struct SeeCase {
    const char* fen;
    const char* move;
    int expected;
    const char* why;
};

// Default piece values: pawn 100, knight 325, bishop 325, rook 500, queen 1000.
const SeeCase SEE_CASES[] = {
    {"8/8/4k3/3n4/4P3/8/8/4K3 w - - 0 1", "e4d5", 225, "knight defended only by the king"},
    {"8/8/4k3/3n4/4P3/8/8/3RK3 w - - 0 1", "e4d5", 325, "second attacker: the king may not recapture"},
    {"4k3/8/2p5/3p4/8/8/8/3RK3 w - - 0 1", "d1d5", -400, "rook takes a pawn defended by a pawn"},
    {"4k3/8/8/3r4/8/8/8/3QK3 w - - 0 1", "d1d5", 500, "queen takes an undefended rook"},
    {"3rk3/8/8/8/3P4/2P5/8/4K3 b - - 0 1", "d8d4", -400, "the same exchange for Black"},
    {"3rk3/8/8/3p4/8/8/3R4/3RK3 w - - 0 1", "d2d5", 100, "x-ray: the rook behind recaptures"},
    {"3rk3/3r4/8/3p4/8/8/3R4/3RK3 w - - 0 1", "d2d5", -400, "x-ray on both sides"},
    {"4k3/8/4p3/3p4/2Q5/1B6/8/4K3 w - - 0 1", "c4d5", -800, "bishop behind the queen joins in"},
    {"3qk3/8/2p5/3r4/8/1B6/8/3RK3 w - - 0 1", "d1d5", 0, "the pawn recaptures before the queen"},
    {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "e5d6", 100, "en passant starts with a pawn"},
    {"4k3/4b3/8/3pP3/8/8/8/4K3 w - d6 0 1", "e5d6", 0, "en passant, recaptured"},
    {"4k3/p7/8/8/8/8/8/R3K3 w - - 0 1", "a1a7", 100, "capture onto a7 without an en-passant square"},
    {"4k3/8/8/1N1p4/8/8/3r4/4K3 w - d6 0 1", "b5d6", 0, "a knight onto the en-passant square takes nothing"},
    {"4k3/P7/8/8/8/8/8/4K3 w - - 0 1", "a7a8q", 100, "quiet promotion starts with a pawn"},
    {"1r2k3/P7/8/8/8/8/8/4K3 w - - 0 1", "a7a8q", -900, "quiet promotion, the queen is taken"},
    {"r3k3/1P6/1n6/8/8/8/8/4K3 w - - 0 1", "b7a8q", -500, "capturing promotion, recaptured"},
    {"r3k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b7a8n", 500, "capturing under-promotion, undefended"},
    {"4k3/8/8/3p4/4p3/5K2/3N4/8 w - - 0 1", "d2e4", -125, "own king recaptures"},
    {"4r1k1/8/8/3p4/4p3/5K2/3N4/8 w - - 0 1", "d2e4", -225, "own king may not recapture into a rook"},
    {"4k3/8/8/8/4p3/5K2/8/8 w - - 0 1", "f3e4", 100, "king takes an undefended pawn"},
    {"4k3/8/8/3p4/4p3/5K2/8/8 w - - 0 1", "f3e4", -9900, "king capture onto a defended square"},
    {"4k3/8/8/8/8/5n2/8/4K1N1 w - - 0 1", "g1f3", 325, "knight takes an undefended knight"},
    {"4k3/8/8/8/8/8/8/R3K3 w - - 0 1", "a1a3", 0, "quiet move to a safe square"},
    {"4k3/8/8/8/8/8/8/R1b1K3 w - - 0 1", "a1a3", -500, "quiet move into a bishop's attack"},
};

TEST(StaticExchange, Cases)
{
    for (const SeeCase& c : SEE_CASES) {
        const Position& pos = setUp(c.fen);
        Move m = textToMove(pos, c.move);
        ASSERT_NE(m, 0u) << c.fen << " " << c.move;
        Position before = pos;
        EXPECT_EQ(staticExchange(pos, m), c.expected) << c.why << ": " << c.fen << " " << c.move;
        EXPECT_EQ(std::memcmp(&before, &pos, sizeof pos), 0) << "the position must not change";
    }
}

// The shortcut that skips the exchange: it holds for plain captures of a
// piece worth at least the capturer only, and never for a capture whose
// exchange loses (every capture of the shared positions file).
TEST(StaticExchange, CaptureCannotLose)
{
    struct Case {
        const char* fen;
        const char* move;
        bool cannotLose;
    };
    const Case cases[] = {
        {"4k3/8/2p5/3q4/4P3/8/8/4K3 w - - 0 1", "e4d5", true},         // pawn takes queen
        {"4k3/8/8/3r4/8/8/8/3QK3 w - - 0 1", "d1d5", false},           // queen takes rook: played out
        {"r3k3/1P6/1n6/8/8/8/8/4K3 w - - 0 1", "b7a8q", false},        // a promotion puts a queen there
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "e5d6", false},          // en passant
        {"4k3/8/8/3p4/4p3/5K2/8/8 w - - 0 1", "f3e4", false},          // king takes pawn
    };
    for (const Case& c : cases) {
        const Position& pos = setUp(c.fen);
        EXPECT_EQ(captureCannotLose(pos, textToMove(pos, c.move)), c.cannotLose) << c.fen << " " << c.move;
    }

    int shortcuts = 0;
    for (const std::string& line : sharedPositions()) {
        const Position& pos = setUp(line);
        MoveEntry list[MAX_MOVES];
        const MoveEntry* end = generateCaptures(pos, list);
        for (const MoveEntry* e = list; e != end; e++) {
            if (!captureCannotLose(pos, entryMove(*e)))
                continue;
            shortcuts++;
            EXPECT_GE(staticExchange(pos, entryMove(*e)), 0) << line;
        }
    }
    EXPECT_GT(shortcuts, 100);
}

}  // namespace
