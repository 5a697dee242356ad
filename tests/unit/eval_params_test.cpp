// The parameter table: record order, names, defaults and tune marks, and the
// tables applyParams derives from it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "eval/params.h"
#include "eval/playvalues.h"
#include "position/types.h"

namespace {

int recordIndex(const char* name)
{
    for (int i = 0; i < PARAM_COUNT; i++)
        if (std::strcmp(ParamTable[i].name, name) == 0)
            return i;
    return -1;
}

int square(const char* text) { return (text[1] - '1') * 8 + (text[0] - 'a'); }

} // namespace

TEST(ParamTable, RecordsAtFixedPositions)
{
    struct Case {
        int index;
        const char* name;
        int value;
        int tune;
    };
    const Case cases[] = {
        {0, "P_Pawn", 100, 0},
        {5, "P_King", 10000, 0},
        {6, "P_SideToMove", 10, 0},
        {7, "PT_pieceValuesMg[EMPTY]", 0, 0},
        {8, "PT_pieceValuesMg[PAWN]", 81, 1},
        {12, "PT_pieceValuesMg[QUEEN]", 949, 1},
        {15, "PT_pieceValuesEg[KNIGHT]", 337, 1},
        {19, "PT_PstMg[PAWN][A1]", 0, 0},
        {19 + 7, "PT_PstMg[PAWN][D2]", -20, 0},
        {19 + 32 + 12 + 3, "PT_PstMg[KNIGHT][D4]", 20, 0},
        {19 + 5 * 32 + 1, "PT_PstMg[KING][B1]", 25, 0},
        {19 + 6 * 32 - 1, "PT_PstMg[KING][D8]", -5, 0},
        {19 + 6 * 32, "PT_PstEg[PAWN][A1]", 0, 0},
        {19 + 11 * 32 + 1, "PT_PstEg[KING][B1]", -5, 0},
        {19 + 11 * 32 + 15, "PT_PstEg[KING][D4]", 15, 0},
        {403, "PT_KingShield[0]", 5, 0},
        {405, "PT_PawnPassedMg[A]", 0, 1},
        {407, "PT_PawnPassedMg[C]", -20, 1},
        {420, "PT_PawnPassedEg[H]", 0, 1},
        {424, "PT_PawnIsolatedMg[D]", 20, 1},
        {425, "PT_PawnIsolatedMg[E]", 20, 0},
        {465, "PT_BackwardPawnEg[E]", 0, 0},
        {469, "P_KingSupportEg", 17, 0},
        {470, "PT_KnightMobilityMg[0]", -1, 0},
        {601, "PT_QueenMobilityEg[27]", 25, 0},
        {602, "P_TrappedKnightMg", 15, 0},
        {631, "P_oQueenRookFile", 7, 0},
        {634, "PT_RookDelta[0]", 25, 0},
        {643, "PT_KingSafety[0]", 0, 0},
        {643 + 46, "PT_KingSafety[46]", 334, 0},
        {643 + 47, "PT_KingSafety[47]", 330, 0},
        {643 + 99, "PT_KingSafety[99]", 500, 0},
        {743, "P_Castling", 10, 0},
        {744, "PT_AttackWeight[EMPTY]", 0, 0},
        {CLASSIC_PARAM_COUNT - 1, "PT_AttackWeight[QUEEN]", 5, 0},
        // The default evaluation's own records follow, 0 for the classic one.
        {CLASSIC_PARAM_COUNT, "PT_PassedFreePathMg[2]", 0, 0},
        {CLASSIC_PARAM_COUNT + 11, "PT_PassedFreePathEg[7]", 0, 0},
        {PARAM_COUNT - 1, "P_SpaceMg", 0, 0},
    };
    for (const Case& c : cases) {
        const ParamRecord& r = ParamTable[c.index];
        EXPECT_STREQ(r.name, c.name) << "record " << c.index;
        EXPECT_EQ(r.value, c.value) << c.name;
        EXPECT_EQ(r.tune != 0, c.tune != 0) << c.name;
        EXPECT_EQ(r.tunedValue, 0) << c.name;
    }
}

TEST(ParamTable, DefaultEvaluationValues)
{
    struct Case {
        const char* name;
        int classic, play;
    };
    // Classic records start from the classic values; the default-only ones
    // exist with 0 for the classic evaluation.
    const Case cases[] = {
        {"PT_PawnIsolatedMg[B]", 5, 5},
        {"P_SideToMove", 10, 10},
        {"PT_PassedEnemyKingEg[7]", 0, 16},
        {"P_ThreatPawnOnQueenMg", 0, 80},
        {"P_HangingEg", 0, 20},
    };
    for (const Case& c : cases) {
        const int i = recordIndex(c.name);
        ASSERT_GE(i, 0) << c.name;
        EXPECT_EQ(paramIndexByName(c.name), i);
        EXPECT_EQ(ParamTable[i].value, c.classic) << c.name;
        if (PLAY_VALUES.empty()) {
            EXPECT_EQ(ParamTable[i].playValue, c.play) << c.name;
        }
    }
    EXPECT_EQ(paramIndexByName("P_NoSuchThing"), -1);
}

TEST(ParamTable, EveryVariableFindsItsRecord)
{
    // Every record but the mirrored files E-H of the six pawn arrays, which
    // belong to the records of files D-A.
    int mirrored = 0;
    for (int i = 0; i < PARAM_COUNT; i++) {
        const int found = paramIndexOf(ParamTable[i].variable);
        if (found == i)
            continue;
        std::string name = ParamTable[i].name;
        ASSERT_TRUE(name.size() > 3 && name[name.size() - 3] == '[') << name;
        name[name.size() - 2] = char('A' + 'H' - name[name.size() - 2]);
        EXPECT_EQ(found, recordIndex(name.c_str())) << ParamTable[i].name;
        mirrored++;
    }
    EXPECT_EQ(mirrored, 6 * 4);
    EXPECT_EQ(paramIndexOf(&PT_PawnIsolatedMg[4]), recordIndex("PT_PawnIsolatedMg[D]"));
    EXPECT_EQ(paramIndexOf(&PT_BackwardPawnEg[7]), recordIndex("PT_BackwardPawnEg[A]"));
    const int notAParameter = 0;
    EXPECT_EQ(paramIndexOf(&notAParameter), -1);
}

TEST(ApplyParams, EachModeAppliesItsOwnValues)
{
    const int knightMg = recordIndex("PT_pieceValuesMg[KNIGHT]");
    const int space = recordIndex("P_SpaceMg");
    const int savedPlay = ParamTable[knightMg].playValue;
    ParamTable[knightMg].playValue = 300;
    setEvalMode(false);
    EXPECT_FALSE(evalIsClassic());
    EXPECT_EQ(PT_pieceValuesMg[KNIGHT], 300);
    EXPECT_EQ(pieceSquareMg[KNIGHT][square("e4")], 300 + 20);
    EXPECT_EQ(P_SpaceMg, ParamTable[space].playValue);
    EXPECT_EQ(&modeValue(ParamTable[knightMg]), &ParamTable[knightMg].playValue);
    EXPECT_EQ(modeParamCount(), PARAM_COUNT);
    setEvalMode(true);
    ParamTable[knightMg].playValue = savedPlay;
    EXPECT_EQ(PT_pieceValuesMg[KNIGHT], 284);
    EXPECT_EQ(P_SpaceMg, 0);
    EXPECT_EQ(&modeValue(ParamTable[knightMg]), &ParamTable[knightMg].value);
    EXPECT_EQ(modeParamCount(), CLASSIC_PARAM_COUNT);
}

TEST(ParamTable, FortyTwoTuneMarksAndDistinctVariables)
{
    int tuned = 0;
    for (int i = 0; i < PARAM_COUNT; i++) {
        tuned += ParamTable[i].tune != 0;
        ASSERT_NE(ParamTable[i].variable, nullptr) << ParamTable[i].name;
        // Every record reaches its own int; a duplicate would make two names
        // fight over one variable.
        for (int j = 0; j < i; j++)
            ASSERT_NE(ParamTable[i].variable, ParamTable[j].variable)
                << ParamTable[i].name << " and " << ParamTable[j].name;
    }
    EXPECT_EQ(tuned, 42);
}

TEST(ParamTable, RecordsReachTheirVariables)
{
    EXPECT_EQ(ParamTable[recordIndex("P_TrappedRookMg")].variable, &P_TrappedRookMg);
    EXPECT_EQ(ParamTable[recordIndex("PT_PstMg[KNIGHT][C3]")].variable, &PT_PstMg[KNIGHT][2][2]);
    EXPECT_EQ(ParamTable[recordIndex("PT_PstEg[QUEEN][B8]")].variable, &PT_PstEg[QUEEN][7][1]);
    EXPECT_EQ(ParamTable[recordIndex("PT_KingSafety[46]")].variable, &PT_KingSafety[46]);
    EXPECT_EQ(ParamTable[recordIndex("PT_PawnDoubledEg[H]")].variable, &PT_PawnDoubledEg[7]);
    EXPECT_EQ(P_Pawn, 100);
    EXPECT_EQ(PT_KingSafety[46], 334);
    EXPECT_EQ(PT_KingSafety[47], 330);
    EXPECT_EQ(PT_AttackWeight[QUEEN], 5);
}

TEST(ApplyParams, MirrorsThePawnFileArrays)
{
    // The E..H records hold their own values, but the mirror wins.
    EXPECT_EQ(PT_PawnIsolatedMg[5], 15);
    EXPECT_EQ(PT_BackwardPawnEg[4], 15);
    const int backwardMg[8] = {1, 3, 5, 7, 7, 5, 3, 1};
    const int backwardEg[8] = {2, 7, 12, 15, 15, 12, 7, 2};
    for (int f = 0; f < 8; f++) {
        EXPECT_EQ(PT_BackwardPawnMg[f], backwardMg[f]) << f;
        EXPECT_EQ(PT_BackwardPawnEg[f], backwardEg[f]) << f;
        EXPECT_EQ(PT_PawnDoubledEg[f], PT_PawnDoubledEg[7 - f]) << f;
        EXPECT_EQ(PT_PawnIsolatedEg[f], PT_PawnIsolatedEg[7 - f]) << f;
    }
}

TEST(ApplyParams, PieceSquareTablesIncludeMaterialAndMirrorFiles)
{
    EXPECT_EQ(pieceSquareMg[KNIGHT][square("e4")], 304);
    EXPECT_EQ(pieceSquareEg[KNIGHT][square("e4")], 357);
    EXPECT_EQ(pieceSquareMg[KING][square("g1")], 25);
    EXPECT_EQ(pieceSquareMg[KING][square("b1")], 25);
    EXPECT_EQ(pieceSquareEg[KING][square("e4")], 15);
    EXPECT_EQ(pieceSquareMg[PAWN][square("e2")], 81 - 20);
    EXPECT_EQ(pieceSquareEg[PAWN][square("h7")], 107 + 100);
    EXPECT_EQ(pieceSquareMg[ROOK][square("h1")], 474);
    EXPECT_EQ(pieceSquareMg[QUEEN][square("e8")], 949 - 4);
    for (int s = 0; s < 64; s++) {
        EXPECT_EQ(pieceSquareMg[EMPTY][s], 0);
        EXPECT_EQ(pieceSquareEg[EMPTY][s], 0);
        for (int p = PAWN; p <= KING; p++) {
            EXPECT_EQ(pieceSquareMg[p][s], pieceSquareMg[p][s ^ 7]) << p << " " << s;
            EXPECT_EQ(pieceSquareEg[p][s], pieceSquareEg[p][s ^ 7]) << p << " " << s;
        }
    }
}

TEST(ApplyParams, TableChangesReachTheDerivedTables)
{
    const int knightMg = recordIndex("PT_pieceValuesMg[KNIGHT]");
    const int isolatedB = recordIndex("PT_PawnIsolatedMg[B]");
    ParamTable[knightMg].value += 7;
    ParamTable[isolatedB].value = 99;
    applyParams();
    EXPECT_EQ(pieceSquareMg[KNIGHT][square("e4")], 311);
    EXPECT_EQ(pieceSquareMg[KNIGHT][square("a1")], 291 - 5);
    EXPECT_EQ(PT_PawnIsolatedMg[6], 99);
    ParamTable[knightMg].value -= 7;
    ParamTable[isolatedB].value = 5;
    applyParams();
    EXPECT_EQ(pieceSquareMg[KNIGHT][square("e4")], 304);
    EXPECT_EQ(PT_PawnIsolatedMg[6], 5);
}
