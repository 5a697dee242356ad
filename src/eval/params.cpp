// The evaluation parameters: their variables, the table that names them (what
// the tuner changes and the export writes), and applyParams, which copies the
// table into the variables and derives the tables the evaluation reads.
#include "eval/params.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <span>

#include "eval/playvalues.h"
#include "position/types.h"

int P_Pawn, P_Knight, P_Bishop, P_Rook, P_Queen, P_King;
int P_SideToMove;
int PT_pieceValuesMg[6];
int PT_pieceValuesEg[6];
int PT_PstMg[7][8][4];
int PT_PstEg[7][8][4];
int PT_KingShield[2];
int PT_PawnPassedMg[8];
int PT_PawnPassedEg[8];
int PT_PawnIsolatedMg[8];
int PT_PawnIsolatedEg[8];
int PT_PawnDoubledMg[8];
int PT_PawnDoubledEg[8];
int PT_BackwardPawnMg[8];
int PT_BackwardPawnEg[8];
int P_KingSupportEg;
int PT_KnightMobilityMg[9];
int PT_KnightMobilityEg[9];
int PT_BishopMobilityMg[14];
int PT_BishopMobilityEg[14];
int PT_RookMobilityMg[15];
int PT_RookMobilityEg[15];
int PT_QueenMobilityMg[28];
int PT_QueenMobilityEg[28];
int P_TrappedKnightMg, P_TrappedKnightEg;
int P_KnightOutpostMg, P_KnightOutpostEg;
int PT_KnightDelta[9];
int P_BishopPairMg, P_BishopPairEg;
int P_TrappedBishopMg, P_TrappedBishopEg;
int P_BishopBigOpenDiagMg, P_BishopBigOpenDiagEg;
int P_BishopFianchettoMg, P_BishopFianchettoEg;
int P_BishopOutpostMg, P_BishopOutpostEg;
int P_ColorWeaknessMg, P_ColorWeaknessEg;
int P_RookSemiOpenFile;
int P_RookOpenFile;
int P_TrappedRookMg;
int P_Rook7th;
int P_oQueenRookFile;
int P_RookOutpostMg, P_RookOutpostEg;
int PT_RookDelta[9];
int PT_KingSafety[100];
int P_Castling;
int PT_AttackWeight[6];
int PT_PassedFreePathMg[6], PT_PassedFreePathEg[6];
int PT_PassedOwnKingEg[6];
int PT_PassedEnemyKingEg[6];
int P_PassedSupportedMg, P_PassedSupportedEg;
int P_ThreatPawnOnMinorMg, P_ThreatPawnOnMinorEg;
int P_ThreatPawnOnRookMg, P_ThreatPawnOnRookEg;
int P_ThreatPawnOnQueenMg, P_ThreatPawnOnQueenEg;
int P_ThreatMinorOnRookMg, P_ThreatMinorOnRookEg;
int P_ThreatMinorOnQueenMg, P_ThreatMinorOnQueenEg;
int P_ThreatRookOnQueenMg, P_ThreatRookOnQueenEg;
int P_HangingMg, P_HangingEg;
int P_SpaceMg;

bool classicEvalMode = true;


ParamRecord ParamTable[PARAM_COUNT];

namespace {

// How the records of a group are labelled after the group name.
enum class Labels {
    NONE,     // a scalar: the bare name
    PIECES,   // [EMPTY], [PAWN], ... by piece code
    FILES,    // [A] .. [H]
    NUMBERS,  // [0], [1], ...
    RANKS,    // [2] .. [7]: a pawn's rank
    SQUARES,  // [PAWN][A1] .. [KING][D8]: piece, then rank by rank over files a-d
};

// Records first..end-1 of a group carry the tune mark.
struct TuneRange {
    int first, end;
};
constexpr TuneRange NOT_TUNED{0, 0};
constexpr TuneRange ALL_TUNED{0, 1 << 30};

// One group of consecutive records: a scalar or one array's elements in
// index order, with the default of each: the leading defaults (when given)
// first, then the listed ones.
struct ParamGroup {
    const char* name;
    std::span<int> variables;
    Labels labels;
    TuneRange tune;
    std::initializer_list<int> defaults;
    std::span<const int> leadingDefaults = {};
};

constexpr std::span<int> scalar(int& v) { return std::span<int>(&v, 1); }
// The piece-square parameters of PAWN..KING: 6 pieces x 8 ranks x 4 files.
constexpr std::span<int> pstOf(int (&pst)[7][8][4]) { return std::span<int>(&pst[PAWN][0][0], 6 * 32); }

// Piece-square defaults of PAWN..QUEEN, ranks 1 to 8, files a-d: the same
// in the middle game and the end game (only the king's differ).
constexpr int PST_SHARED_DEFAULTS[5 * 32] = {
    // PAWN
      0,   0,   0,   0,    5,   5,   5, -20,    5,  -5,  -5,   0,    0,   0,   0,  12,
     10,  10,  10,  16,   30,  30,  30,  40,  100, 100, 100, 100,    0,   0,   0,   0,
    // KNIGHT
     -5,  -5,   0,   0,   -5,   0,  10,  10,    0,  10,  15,  15,    0,  10,  15,  20,
      0,  10,  15,  20,    0,  10,  15,  15,   -5,   0,  10,  10,   -5,  -5,   0,   0,
    // BISHOP
     -5,  -5,   0,   0,   -5,   0,  10,  10,   -5,  10,  15,  15,   -5,  10,  15,  20,
     -5,  10,  15,  20,   -5,  10,  15,  15,   -5,   0,  10,  10,   -5,  -5,   0,   0,
    // ROOK
      0,  -5,  -5,  10,    0,   0,   0,  10,    0,   0,   0,  10,    0,   0,   0,  10,
      0,   0,   0,  10,    0,   0,   0,  10,   20,  20,  20,  20,   10,  10,  10,  10,
    // QUEEN
     -4,  -4,   0,   4,   -4,   0,   0,   0,   -4,   0,   4,   4,   -4,   0,   4,   8,
     -4,   0,   4,   8,   -4,   0,   4,   4,   -4,   0,   0,   0,   -4,  -4,  -4,  -4
};

// The table in record order. Changing the order renumbers the records the
// tuner and the export see.
const ParamGroup PARAM_GROUPS[] = {
    {"P_Pawn", scalar(P_Pawn), Labels::NONE, NOT_TUNED, {100}},
    {"P_Knight", scalar(P_Knight), Labels::NONE, NOT_TUNED, {325}},
    {"P_Bishop", scalar(P_Bishop), Labels::NONE, NOT_TUNED, {325}},
    {"P_Rook", scalar(P_Rook), Labels::NONE, NOT_TUNED, {500}},
    {"P_Queen", scalar(P_Queen), Labels::NONE, NOT_TUNED, {1000}},
    {"P_King", scalar(P_King), Labels::NONE, NOT_TUNED, {10000}},
    {"P_SideToMove", scalar(P_SideToMove), Labels::NONE, NOT_TUNED, {10}},
    {"PT_pieceValuesMg", PT_pieceValuesMg, Labels::PIECES, {PAWN, QUEEN + 1}, {0, 81, 284, 309, 474, 949}},
    {"PT_pieceValuesEg", PT_pieceValuesEg, Labels::PIECES, {PAWN, QUEEN + 1}, {0, 107, 337, 349, 550, 1175}},
    {"PT_PstMg", pstOf(PT_PstMg), Labels::SQUARES, NOT_TUNED, {
        // KING (PAWN..QUEEN: PST_SHARED_DEFAULTS)
         -5,  25, -10, -10,   -5,  -5,  -5,  -5,   -5,  -5,  -5,  -5,   -5,  -5,  -5,  -5,
         -5,  -5,  -5,  -5,   -5,  -5,  -5,  -5,   -5,  -5,  -5,  -5,   -5,  -5,  -5,  -5}, PST_SHARED_DEFAULTS},
    {"PT_PstEg", pstOf(PT_PstEg), Labels::SQUARES, NOT_TUNED, {
        // KING (PAWN..QUEEN: PST_SHARED_DEFAULTS)
          0,  -5,  -5,   0,    0,   5,   5,   5,    0,   5,  10,  10,    0,   5,  10,  15,
          0,   5,  10,  15,    0,   5,  10,  15,    0,   5,   5,   5,    0,   0,   0,   0}, PST_SHARED_DEFAULTS},
    {"PT_KingShield", PT_KingShield, Labels::NUMBERS, NOT_TUNED, {5, 4}},
    // The passed-pawn arrays are labelled by file letter but indexed by rank.
    {"PT_PawnPassedMg", PT_PawnPassedMg, Labels::FILES, ALL_TUNED, {0, 5, -20, -10, 20, 40, 60, 0}},
    {"PT_PawnPassedEg", PT_PawnPassedEg, Labels::FILES, ALL_TUNED, {0, 5, 20, 30, 50, 70, 90, 0}},
    // Files E-H of these six are overwritten by the mirror in applyParams.
    {"PT_PawnIsolatedMg", PT_PawnIsolatedMg, Labels::FILES, {0, 4}, {0, 5, 15, 20, 20, 15, 5, 0}},
    {"PT_PawnIsolatedEg", PT_PawnIsolatedEg, Labels::FILES, {0, 4}, {5, 15, 20, 25, 25, 20, 15, 5}},
    {"PT_PawnDoubledMg", PT_PawnDoubledMg, Labels::FILES, {0, 4}, {20, 0, 10, 15, 15, 10, 0, 20}},
    {"PT_PawnDoubledEg", PT_PawnDoubledEg, Labels::FILES, {0, 4}, {25, 20, 15, 20, 20, 15, 20, 25}},
    {"PT_BackwardPawnMg", PT_BackwardPawnMg, Labels::FILES, NOT_TUNED, {1, 3, 5, 7, 0, 0, 0, 0}},
    {"PT_BackwardPawnEg", PT_BackwardPawnEg, Labels::FILES, NOT_TUNED, {2, 7, 12, 15, 0, 0, 0, 0}},
    {"P_KingSupportEg", scalar(P_KingSupportEg), Labels::NONE, NOT_TUNED, {17}},
    {"PT_KnightMobilityMg", PT_KnightMobilityMg, Labels::NUMBERS, NOT_TUNED,
     {-1, 5, 10, 15, 16, 17, 18, 19, 20}},
    {"PT_KnightMobilityEg", PT_KnightMobilityEg, Labels::NUMBERS, NOT_TUNED,
     {-30, 0, 5, 10, 15, 20, 25, 25, 30}},
    {"PT_BishopMobilityMg", PT_BishopMobilityMg, Labels::NUMBERS, NOT_TUNED,
     {-12, -6, -2, 0, 6, 12, 18, 20, 22, 24, 26, 28, 30, 35}},
    {"PT_BishopMobilityEg", PT_BishopMobilityEg, Labels::NUMBERS, NOT_TUNED,
     {-35, -30, -20, -7, 5, 20, 25, 30, 35, 40, 35, 35, 30, 15}},
    {"PT_RookMobilityMg", PT_RookMobilityMg, Labels::NUMBERS, NOT_TUNED,
     {-15, -12, -5, -4, -3, -1, 0, 2, 3, 4, 5, 6, 7, 14, 20}},
    {"PT_RookMobilityEg", PT_RookMobilityEg, Labels::NUMBERS, NOT_TUNED,
     {-12, -12, -8, -4, 7, 15, 20, 25, 30, 35, 40, 45, 50, 50, 40}},
    {"PT_QueenMobilityMg", PT_QueenMobilityMg, Labels::NUMBERS, NOT_TUNED,
     {35, -5, -10, -10, -5, -5, -5, -3, 0, 1, 5, 5, 5, 5, 10, 5, 2, 5, 5, 5, 15, 20, 25, 25, 40, 40, 40, 40}},
    {"PT_QueenMobilityEg", PT_QueenMobilityEg, Labels::NUMBERS, NOT_TUNED,
     {-5, -5, -5, -25, -30, -30, -15, -10, -10, -5, -5, 0, 5, 15, 15, 20, 35, 35, 40, 40, 40, 35, 35, 20, 15, 25, 25, 25}},
    {"P_TrappedKnightMg", scalar(P_TrappedKnightMg), Labels::NONE, NOT_TUNED, {15}},
    {"P_TrappedKnightEg", scalar(P_TrappedKnightEg), Labels::NONE, NOT_TUNED, {15}},
    {"P_KnightOutpostMg", scalar(P_KnightOutpostMg), Labels::NONE, NOT_TUNED, {25}},
    {"P_KnightOutpostEg", scalar(P_KnightOutpostEg), Labels::NONE, NOT_TUNED, {15}},
    {"PT_KnightDelta", PT_KnightDelta, Labels::NUMBERS, NOT_TUNED, {-25, -20, -15, -10, -5, 0, 5, 10, 15}},
    {"P_BishopPairMg", scalar(P_BishopPairMg), Labels::NONE, NOT_TUNED, {20}},
    {"P_BishopPairEg", scalar(P_BishopPairEg), Labels::NONE, NOT_TUNED, {40}},
    {"P_TrappedBishopMg", scalar(P_TrappedBishopMg), Labels::NONE, NOT_TUNED, {50}},
    {"P_TrappedBishopEg", scalar(P_TrappedBishopEg), Labels::NONE, NOT_TUNED, {50}},
    {"P_BishopBigOpenDiagMg", scalar(P_BishopBigOpenDiagMg), Labels::NONE, NOT_TUNED, {10}},
    {"P_BishopBigOpenDiagEg", scalar(P_BishopBigOpenDiagEg), Labels::NONE, NOT_TUNED, {5}},
    {"P_BishopFianchettoMg", scalar(P_BishopFianchettoMg), Labels::NONE, NOT_TUNED, {15}},
    {"P_BishopFianchettoEg", scalar(P_BishopFianchettoEg), Labels::NONE, NOT_TUNED, {5}},
    {"P_BishopOutpostMg", scalar(P_BishopOutpostMg), Labels::NONE, NOT_TUNED, {20}},
    {"P_BishopOutpostEg", scalar(P_BishopOutpostEg), Labels::NONE, NOT_TUNED, {10}},
    {"P_ColorWeaknessMg", scalar(P_ColorWeaknessMg), Labels::NONE, NOT_TUNED, {4}},
    {"P_ColorWeaknessEg", scalar(P_ColorWeaknessEg), Labels::NONE, NOT_TUNED, {8}},
    {"P_RookSemiOpenFile", scalar(P_RookSemiOpenFile), Labels::NONE, NOT_TUNED, {13}},
    {"P_RookOpenFile", scalar(P_RookOpenFile), Labels::NONE, NOT_TUNED, {26}},
    {"P_TrappedRookMg", scalar(P_TrappedRookMg), Labels::NONE, NOT_TUNED, {22}},
    {"P_Rook7th", scalar(P_Rook7th), Labels::NONE, NOT_TUNED, {20}},
    {"P_oQueenRookFile", scalar(P_oQueenRookFile), Labels::NONE, NOT_TUNED, {7}},
    {"P_RookOutpostMg", scalar(P_RookOutpostMg), Labels::NONE, NOT_TUNED, {10}},
    {"P_RookOutpostEg", scalar(P_RookOutpostEg), Labels::NONE, NOT_TUNED, {25}},
    {"PT_RookDelta", PT_RookDelta, Labels::NUMBERS, NOT_TUNED, {25, 20, 15, 10, 5, 0, -5, -10, -15}},
    {"PT_KingSafety", PT_KingSafety, Labels::NUMBERS, NOT_TUNED, {
          0,   0,   1,   3,   4,   6,   7,  11,  13,  14,   // 0-9
         20,  24,  25,  29,  33,  38,  40,  46,  50,  56,   // 10-19
         62,  68,  75,  82,  85,  89,  95, 105, 113, 122,   // 20-29
        131, 140, 150, 169, 180, 191, 202, 213, 225, 237,   // 30-39
        248, 260, 272, 283, 295, 307, 334, 330, 354, 354,   // 40-49: 46 > 47 on purpose
        366, 377, 389, 412, 424, 436, 448, 459, 471, 483,   // 50-59
        494, 500, 500, 500, 500, 500, 500, 500, 500, 500,   // 60-69
        500, 500, 500, 500, 500, 500, 500, 500, 500, 500,   // 70-79
        500, 500, 500, 500, 500, 500, 500, 500, 500, 500,   // 80-89
        500, 500, 500, 500, 500, 500, 500, 500, 500, 500}}, // 90-99
    {"P_Castling", scalar(P_Castling), Labels::NONE, NOT_TUNED, {10}},
    {"PT_AttackWeight", PT_AttackWeight, Labels::PIECES, NOT_TUNED, {0, 0, 2, 2, 3, 5}},
};

// The default evaluation's own terms, after the classic records: their
// defaults are the default evaluation's values; the classic one reads none of
// them and holds 0.
const ParamGroup DEFAULT_ONLY_GROUPS[] = {
    {"PT_PassedFreePathMg", PT_PassedFreePathMg, Labels::RANKS, NOT_TUNED, {0, 0, 5, 10, 20, 30}},
    {"PT_PassedFreePathEg", PT_PassedFreePathEg, Labels::RANKS, NOT_TUNED, {0, 5, 10, 20, 35, 60}},
    {"PT_PassedOwnKingEg", PT_PassedOwnKingEg, Labels::RANKS, NOT_TUNED, {0, 1, 2, 4, 6, 8}},
    {"PT_PassedEnemyKingEg", PT_PassedEnemyKingEg, Labels::RANKS, NOT_TUNED, {0, 2, 4, 8, 12, 16}},
    {"P_PassedSupportedMg", scalar(P_PassedSupportedMg), Labels::NONE, NOT_TUNED, {5}},
    {"P_PassedSupportedEg", scalar(P_PassedSupportedEg), Labels::NONE, NOT_TUNED, {10}},
    {"P_ThreatPawnOnMinorMg", scalar(P_ThreatPawnOnMinorMg), Labels::NONE, NOT_TUNED, {50}},
    {"P_ThreatPawnOnMinorEg", scalar(P_ThreatPawnOnMinorEg), Labels::NONE, NOT_TUNED, {40}},
    {"P_ThreatPawnOnRookMg", scalar(P_ThreatPawnOnRookMg), Labels::NONE, NOT_TUNED, {70}},
    {"P_ThreatPawnOnRookEg", scalar(P_ThreatPawnOnRookEg), Labels::NONE, NOT_TUNED, {50}},
    {"P_ThreatPawnOnQueenMg", scalar(P_ThreatPawnOnQueenMg), Labels::NONE, NOT_TUNED, {80}},
    {"P_ThreatPawnOnQueenEg", scalar(P_ThreatPawnOnQueenEg), Labels::NONE, NOT_TUNED, {60}},
    {"P_ThreatMinorOnRookMg", scalar(P_ThreatMinorOnRookMg), Labels::NONE, NOT_TUNED, {40}},
    {"P_ThreatMinorOnRookEg", scalar(P_ThreatMinorOnRookEg), Labels::NONE, NOT_TUNED, {30}},
    {"P_ThreatMinorOnQueenMg", scalar(P_ThreatMinorOnQueenMg), Labels::NONE, NOT_TUNED, {50}},
    {"P_ThreatMinorOnQueenEg", scalar(P_ThreatMinorOnQueenEg), Labels::NONE, NOT_TUNED, {40}},
    {"P_ThreatRookOnQueenMg", scalar(P_ThreatRookOnQueenMg), Labels::NONE, NOT_TUNED, {50}},
    {"P_ThreatRookOnQueenEg", scalar(P_ThreatRookOnQueenEg), Labels::NONE, NOT_TUNED, {40}},
    {"P_HangingMg", scalar(P_HangingMg), Labels::NONE, NOT_TUNED, {25}},
    {"P_HangingEg", scalar(P_HangingEg), Labels::NONE, NOT_TUNED, {20}},
    {"P_SpaceMg", scalar(P_SpaceMg), Labels::NONE, NOT_TUNED, {2}},
};

const char* const PIECE_LABELS[7] = {"EMPTY", "PAWN", "KNIGHT", "BISHOP", "ROOK", "QUEEN", "KING"};

void formatName(char (&out)[100], const ParamGroup& g, int i)
{
    switch (g.labels) {
    case Labels::NONE:
        std::snprintf(out, sizeof out, "%s", g.name);
        break;
    case Labels::PIECES:
        std::snprintf(out, sizeof out, "%s[%s]", g.name, PIECE_LABELS[i]);
        break;
    case Labels::FILES:
        std::snprintf(out, sizeof out, "%s[%c]", g.name, 'A' + i);
        break;
    case Labels::NUMBERS:
        std::snprintf(out, sizeof out, "%s[%d]", g.name, i);
        break;
    case Labels::RANKS:
        std::snprintf(out, sizeof out, "%s[%d]", g.name, i + 2);
        break;
    case Labels::SQUARES:
        std::snprintf(out, sizeof out, "%s[%s][%c%c]", g.name, PIECE_LABELS[PAWN + i / 32],
                      'A' + i % 4, '1' + i / 4 % 8);
        break;
    }
}

// Expands the groups into ParamTable, once, on the first applyParams (which
// start-up runs before anything reads the table). It is not a static
// initialiser: code that runs before main must not depend on the BMI2 build.
// A group whose default count does not match its variables is a programming
// error caught on the first run.
int fillGroup(const ParamGroup& g, int n, bool defaultOnly)
{
    const size_t lead = g.leadingDefaults.size();
    if (lead + g.defaults.size() != g.variables.size() || n + int(g.variables.size()) > PARAM_COUNT) {
        std::fprintf(stderr, "parameter group %s: %zu defaults for %zu variables\n", g.name,
                     lead + g.defaults.size(), g.variables.size());
        std::abort();
    }
    for (int i = 0; i < int(g.variables.size()); i++, n++) {
        ParamRecord& r = ParamTable[n];
        r.variable = &g.variables[i];
        const int value = size_t(i) < lead ? g.leadingDefaults[i] : g.defaults.begin()[i - lead];
        r.value = defaultOnly ? 0 : value;
        r.playValue = value;
        r.tunedValue = 0;
        r.tune = i >= g.tune.first && i < g.tune.end;
        formatName(r.name, g, i);
    }
    return n;
}

void tableError(const char* what, int n, int expected)
{
    std::fprintf(stderr, "parameter table has %d %s records instead of %d\n", n, what, expected);
    std::abort();
}

void fillParamTable(bool withFittedValues)
{
    int n = 0;
    for (const ParamGroup& g : PARAM_GROUPS)
        n = fillGroup(g, n, false);
    if (n != CLASSIC_PARAM_COUNT)
        tableError("classic", n, CLASSIC_PARAM_COUNT);
    for (const ParamGroup& g : DEFAULT_ONLY_GROUPS)
        n = fillGroup(g, n, true);
    if (n != PARAM_COUNT)
        tableError("", n, PARAM_COUNT);
    // The default evaluation's fitted values, over the hand-set ones.
    for (const PlayValue& p : withFittedValues ? PLAY_VALUES : std::span<const PlayValue>{}) {
        int i = paramIndexByName(p.name);
        if (i < 0) {
            std::fprintf(stderr, "fitted value of an unknown parameter %s\n", p.name);
            std::abort();
        }
        ParamTable[i].playValue = p.value;
    }
}

bool paramTableFilled = false;

// Variables by address, for paramIndexOf: filled with the table.
struct VariableIndex {
    const int* variable;
    int index;
};
VariableIndex variableIndex[PARAM_COUNT];

void indexVariables()
{
    for (int i = 0; i < PARAM_COUNT; i++)
        variableIndex[i] = {ParamTable[i].variable, i};
    std::sort(variableIndex, variableIndex + PARAM_COUNT,
              [](const VariableIndex& a, const VariableIndex& b) { return std::less<const int*>()(a.variable, b.variable); });
}

// Files E-H take the values of D-A: the pawn terms are symmetric left to right.
void mirrorFiles(int (&byFile)[8])
{
    for (int f = 0; f < 4; f++)
        byFile[7 - f] = byFile[f];
}

} // namespace

void applyParams()
{
    if (!paramTableFilled) {
        fillParamTable(true);
        indexVariables();
        paramTableFilled = true;
    }
    for (const ParamRecord& r : ParamTable)
        *r.variable = classicEvalMode ? r.value : r.playValue;

    mirrorFiles(PT_PawnIsolatedMg);
    mirrorFiles(PT_PawnIsolatedEg);
    mirrorFiles(PT_PawnDoubledMg);
    mirrorFiles(PT_PawnDoubledEg);
    mirrorFiles(PT_BackwardPawnMg);
    mirrorFiles(PT_BackwardPawnEg);

    for (int p = PAWN; p <= KING; p++) {
        // The king's material is not part of the incremental scores.
        int materialMg = p == KING ? 0 : PT_pieceValuesMg[p];
        int materialEg = p == KING ? 0 : PT_pieceValuesEg[p];
        for (int s = 0; s < 64; s++) {
            int rank = squareRank(s), file = squareFile(s);
            int f = file < 4 ? file : 7 - file;
            pieceSquareMg[p][s] = materialMg + PT_PstMg[p][rank][f];
            pieceSquareEg[p][s] = materialEg + PT_PstEg[p][rank][f];
        }
    }
    const int values[8] = {0, P_Pawn, P_Knight, P_Bishop, P_Rook, P_Queen, P_King, 0};
    for (int code = 0; code < 8; code++)
        pieceValues[code] = values[code];
}

void setEvalMode(bool classic)
{
    classicEvalMode = classic;
    applyParams();
}

void restoreBuiltInParams(bool withFittedValues)
{
    fillParamTable(withFittedValues);
    indexVariables();
    paramTableFilled = true;
    applyParams();
}

int paramIndexOf(const int* variable)
{
    // The pawn arrays' files E-H hold the values of D-A.
    for (int* mirrored : {PT_PawnIsolatedMg, PT_PawnIsolatedEg, PT_PawnDoubledMg, PT_PawnDoubledEg,
                          PT_BackwardPawnMg, PT_BackwardPawnEg})
        if (variable >= mirrored + 4 && variable < mirrored + 8)
            variable = mirrored + (7 - (variable - mirrored));
    const VariableIndex* end = variableIndex + PARAM_COUNT;
    const VariableIndex* at = std::lower_bound(static_cast<const VariableIndex*>(variableIndex), end, variable, [](const VariableIndex& a, const int* v) {
        return std::less<const int*>()(a.variable, v);
    });
    return at != end && at->variable == variable ? at->index : -1;
}

int paramIndexByName(const char* name)
{
    for (int i = 0; i < PARAM_COUNT; i++)
        if (std::strcmp(ParamTable[i].name, name) == 0)
            return i;
    return -1;
}
