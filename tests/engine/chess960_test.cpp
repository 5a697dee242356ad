// Chess960 through the real binary: the UCI_Chess960 option and its INI key,
// castling written and read as the king taking its rook.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/console_session.h"
#include "support/uci_engine.h"

namespace {

const char* const SMALL_960_INI =
    "[ENGINE]\nThread=1\nHashSize=1\nHashEvalSize=1\nHashQSize=1\nChess960=1\n[BOOK]\nBook=0\n[TABLEBASE]\nSyzygy=0\n";

// White mates at once by castling long: the rook lands on d1 and the black
// king on d8 is walled in by its own men. The king stands on b1, so the move
// can only be written as the king taking its rook.
const char* const MATE_BY_CASTLING = "2rkr3/2p1p3/8/8/8/8/8/RK6 w A - 0 1";

} // namespace

TEST(Chess960Uci, OptionAnnouncedSetAndRefused)
{
    {
        UciEngine e;
        EXPECT_NE(e.engine.output.find("option name UCI_Chess960 type check default false\n"), std::string::npos);
        // A bad value keeps the option off: the Chess960 FEN is refused, the
        // start position stays.
        std::string out = e.run("setoption name UCI_Chess960 value maybe\nposition fen " + std::string(MATE_BY_CASTLING)
                                    + "\ngo depth 1\n",
                                "bestmove");
        EXPECT_NE(out.find("info string option UCI_Chess960 takes true or false; 'maybe' ignored"), std::string::npos);
        EXPECT_NE(out.find("#DEBUG: BAD FEN|MOVES!"), std::string::npos) << out;
        const std::string best = wordAfter(out, "bestmove ");
        EXPECT_TRUE(best.size() == 4 && (best[1] == '1' || best[1] == '2')) << out;  // from the start position
    }
    UciEngine fromIni(SMALL_960_INI);
    EXPECT_NE(fromIni.engine.output.find("option name UCI_Chess960 type check default true\n"), std::string::npos);
}

TEST(Chess960Uci, CastlingIsTheKingTakingItsRook)
{
    UciEngine e;
    const std::string fen = MATE_BY_CASTLING;
    std::string out =
        e.run("setoption name UCI_Chess960 value true\nposition fen " + fen + "\ngo depth 3\n", "bestmove");
    EXPECT_EQ(wordAfter(out, "bestmove "), "b1a1") << out;
    EXPECT_NE(out.find("score mate  1"), std::string::npos) << out;
    EXPECT_EQ(wordAfter(out, " pv "), "b1a1") << out;
    // Read back in a move list: Black is mated and has no move.
    out = e.run("position fen " + fen + " moves b1a1\ngo depth 2\n", "bestmove");
    EXPECT_EQ(wordAfter(out, "bestmove "), "0000") << out;
    EXPECT_EQ(out.find("BAD FEN"), std::string::npos) << out;
}

TEST(Chess960Console, IniKeyTurnsItOn)
{
    const std::string commands = std::string("setboard ") + MATE_BY_CASTLING + "\ngetboard\nb1a1\ngetboard\n";
    ConsoleRun on = runConsole(commands, SMALL_960_INI);
    EXPECT_EQ(on.status, 0);
    EXPECT_EQ(on.replies[1], "FEN: 2rkr3/2p1p3/8/8/8/8/8/RK6 w A - \n");
    EXPECT_EQ(on.replies[2].find("Illegal move"), std::string::npos) << on.replies[2];
    EXPECT_NE(on.replies[2].find("1-0 {White mates}"), std::string::npos) << on.replies[2];
    EXPECT_EQ(on.replies[3], "FEN: 2rkr3/2p1p3/8/8/8/8/8/2KR4 b - - \n");

    ConsoleRun off = runConsole(commands);
    EXPECT_NE(off.replies[0].find("Error (bad FEN)"), std::string::npos) << off.replies[0];
    EXPECT_NE(off.replies[2].find("Illegal move: b1a1"), std::string::npos) << off.replies[2];
}
