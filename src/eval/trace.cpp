// The evaluation trace: the evaluation's term code run with a recorder, the
// material and piece-square split that the incremental scores hide, and the
// breakdown table.
#include "eval/trace.h"

#include <cstdio>

#include "eval/evalterms.h"
#include "eval/params.h"
#include "position/piecesquare.h"

namespace {

// Middle- and end-game parts of every term, per side (0 = side to move).
struct TraceRecorder {
    int current = 0;
    int mg[2][int(Term::COUNT)] = {};
    int eg[2][int(Term::COUNT)] = {};
    void side(int s) { current = s; }
    void add(Term term, int mgPart, int egPart)
    {
        mg[current][int(term)] += mgPart;
        eg[current][int(term)] += egPart;
    }
    void uses(const int&, int, int) {}
};

// Counts of every parameter read, side to move's minus the opponent's.
struct CoefficientRecorder {
    int sign = 1;
    int mg[PARAM_COUNT] = {};
    int eg[PARAM_COUNT] = {};
    void side(int s) { sign = s == 0 ? 1 : -1; }
    void add(Term, int, int) {}
    void uses(const int& param, int mgCount, int egCount)
    {
        const int i = paramIndexOf(&param);
        if (i < 0)
            return;
        mg[i] += sign * mgCount;
        eg[i] += sign * egCount;
    }
};

// The record slot of each term.
constexpr EvalTraceSlot SLOT_OF_TERM[int(Term::COUNT)] = {
    TRACE_PAWN_PASSED,           // PASSED
    TRACE_PAWN_KING_SHIELD,      // KING_SHIELD
    TRACE_PAWN_DISPERSION,       // ISLANDS
    TRACE_PAWN_DISTORTION,       // FILE_SPLITS
    TRACE_KNIGHT_MOBILITY,       // KNIGHT_MOBILITY
    TRACE_KNIGHT_TRAPPED,        // KNIGHT_TRAPPED
    TRACE_BISHOP_MOBILITY,       // BISHOP_MOBILITY
    TRACE_BISHOP_TRAPPED,        // BISHOP_TRAPPED
    TRACE_BISHOP_OPEN_DIAGONALS, // BISHOP_OPEN_DIAGONAL
    TRACE_BISHOP_FIANCHETTO,     // BISHOP_FIANCHETTO
    TRACE_BISHOP_PAIR,           // BISHOP_PAIR
    TRACE_ROOK_MOBILITY,         // ROOK_MOBILITY
    TRACE_ROOK_TRAPPED,          // ROOK_TRAPPED
    TRACE_ROOK_OPEN_FILE,        // ROOK_OPEN_FILE
    TRACE_ROOK_SEMI_OPEN_FILE,   // ROOK_SEMI_OPEN_FILE
    TRACE_QUEEN_MOBILITY,        // QUEEN_MOBILITY
    TRACE_QUEEN_TROPISM,         // QUEEN_TROPISM
    TRACE_KING_SAFETY,           // KING_SAFETY
    TRACE_PAWN_ISOLATED,         // ISOLATED
    TRACE_PAWN_DOUBLED,          // DOUBLED
    TRACE_PAWN_BACKWARD,         // BACKWARD
    TRACE_PAWN_FREE_PATH,        // PASSED_FREE_PATH
    TRACE_PAWN_KING_DISTANCE,    // PASSED_KING_DISTANCE
    TRACE_PAWN_SUPPORTED,        // PASSED_SUPPORTED
    TRACE_PAWN_KING_SUPPORT,     // KING_SUPPORT
    TRACE_KNIGHT_OUTPOST,        // KNIGHT_OUTPOST
    TRACE_KNIGHT_ADJUSTMENT,     // KNIGHT_ADJUSTMENT
    TRACE_BISHOP_OUTPOST,        // BISHOP_OUTPOST
    TRACE_BISHOP_COLOR_WEAKNESS, // COLOR_WEAKNESS
    TRACE_ROOK_OUTPOST,          // ROOK_OUTPOST
    TRACE_ROOK_ADJUSTMENT,       // ROOK_ADJUSTMENT
    TRACE_ROOK_7TH_RANK,         // ROOK_7TH
    TRACE_ROOK_QUEEN_FILE,       // ROOK_QUEEN_FILE
    TRACE_KING_CASTLING,         // CASTLING
    TRACE_THREAT_BY_PAWN,        // THREAT_BY_PAWN
    TRACE_THREAT_BY_PIECE,       // THREAT_BY_PIECE
    TRACE_HANGING,               // HANGING
    TRACE_SPACE,                 // SPACE
    TRACE_SIDE_TO_MOVE,          // SIDE_TO_MOVE
};

// Material and piece-square slots by piece code (the king has no material).
constexpr int MATERIAL_SLOT[7] = {-1, TRACE_PAWN_MATERIAL, TRACE_KNIGHT_MATERIAL, TRACE_BISHOP_MATERIAL,
                                  TRACE_ROOK_MATERIAL, TRACE_QUEEN_MATERIAL, -1};
constexpr int PST_SLOT[7] = {-1, TRACE_PAWN_PST, TRACE_KNIGHT_PST, TRACE_BISHOP_PST,
                             TRACE_ROOK_PST, TRACE_QUEEN_PST, TRACE_KING_PST};

// The material and piece-square parameters of one side's pieces, told to
// the sink as the incremental scores take them.
template <class Sink>
void countMaterial(const SideView& v, Sink& sink)
{
    const Bitboard bySet[7] = {0, v.pawns, v.knights, v.bishops, v.rooks, v.queens, v.kings};
    for (int p = PAWN; p <= KING; p++)
        for (Bitboard b = bySet[p] & v.own; b;) {
            const int s = popLsb(b), rank = squareRank(s), file = squareFile(s);
            const int f = file < 4 ? file : 7 - file;
            if (p != KING)
                usesPair(sink, PT_pieceValuesMg[p], PT_pieceValuesEg[p], 1);
            usesPair(sink, PT_PstMg[p][rank][f], PT_PstEg[p][rank][f], 1);
        }
}

// One side's material and piece-square values, split apart, tapered.
void traceMaterial(const SideView& v, int phase, EvalTrace& trace)
{
    const Bitboard bySet[7] = {0, v.pawns, v.knights, v.bishops, v.rooks, v.queens, v.kings};
    for (int p = PAWN; p <= KING; p++) {
        const int valueMg = p == KING ? 0 : PT_pieceValuesMg[p];
        const int valueEg = p == KING ? 0 : PT_pieceValuesEg[p];
        int materialMg = 0, materialEg = 0, pstMg = 0, pstEg = 0;
        for (Bitboard b = bySet[p] & v.own; b;) {
            int s = popLsb(b);
            materialMg += valueMg;
            materialEg += valueEg;
            pstMg += pieceSquareMg[p][s] - valueMg;
            pstEg += pieceSquareEg[p][s] - valueEg;
        }
        if (MATERIAL_SLOT[p] >= 0)
            trace.slot[MATERIAL_SLOT[p]] = int16_t(taper(materialMg, materialEg, phase));
        trace.slot[PST_SLOT[p]] = int16_t(taper(pstMg, pstEg, phase));
    }
}

// A cell of a printed row: a slot, or a dot where the row has no such piece.
constexpr int DOT = -1;
constexpr int NEGATED = 1000;  // slot + NEGATED: printed with its sign turned

// Which evaluation's table shows a row.
enum RowShown : uint8_t { IN_CLASSIC = 1, IN_DEFAULT = 2, IN_BOTH = 3 };

struct TraceRow {
    const char* name;
    int cells[7];  // Pawn, Knight, Bishop, Rook, Queen, King, Others
    uint8_t shown = IN_BOTH;
};

// The classic table's rows in their order, with the default evaluation's own
// rows among them (and without the classic rows it has no term for).
const TraceRow ROWS[] = {
    {"Material", {0, 14, 20, 30, 40, DOT, DOT}},
    {"PST", {1, 15, 21, 31, 41, 44, DOT}},
    {"Mobility", {DOT, 19, 25, 35, 43, DOT, DOT}},
    {"Passed", {3, DOT, DOT, DOT, DOT, DOT, DOT}},
    {"Passed free", {50, DOT, DOT, DOT, DOT, DOT, DOT}, IN_DEFAULT},
    {"Passed kings", {51, DOT, DOT, DOT, DOT, DOT, DOT}, IN_DEFAULT},
    {"Passed support", {52, DOT, DOT, DOT, DOT, DOT, DOT}, IN_DEFAULT},
    {"Isolated", {2, DOT, DOT, DOT, DOT, DOT, DOT}},
    {"Doubled", {4, DOT, DOT, DOT, DOT, DOT, DOT}},
    {"Backward", {5, DOT, DOT, DOT, DOT, DOT, DOT}},
    {"Dispersion", {6, DOT, DOT, DOT, DOT, DOT, DOT}},
    {"Distortion", {7, DOT, DOT, DOT, DOT, DOT, DOT}},
    {"Chain", {12 + NEGATED, DOT, DOT, DOT, DOT, DOT, DOT}, IN_CLASSIC},
    {"Candidate", {13 + NEGATED, DOT, DOT, DOT, DOT, DOT, DOT}, IN_CLASSIC},
    {"pawnEnding", {8, DOT, DOT, DOT, DOT, DOT, DOT}, IN_CLASSIC},
    {"kingSupport", {9, DOT, DOT, DOT, DOT, DOT, DOT}},
    {"EnemyKingTrop", {10, DOT, DOT, DOT, DOT, DOT, DOT}, IN_CLASSIC},
    {"Trapped", {DOT, 16, 22, 32, DOT, DOT, DOT}},
    {"Adjustment", {DOT, 17, DOT, 33, DOT, DOT, DOT}},
    {"Outpost", {DOT, 18, 24, 34, DOT, DOT, DOT}},
    {"openDiags", {DOT, DOT, 26, DOT, DOT, DOT, DOT}},
    {"Fianchetto", {DOT, DOT, 23, DOT, DOT, DOT, DOT}, IN_DEFAULT},
    {"colorWeakness", {DOT, DOT, 27, DOT, DOT, DOT, DOT}},
    {"bishopPair", {DOT, DOT, 29, DOT, DOT, DOT, DOT}},
    {"openFile", {DOT, DOT, DOT, 36, DOT, DOT, DOT}},
    {"semiopenFile", {DOT, DOT, DOT, 37, DOT, DOT, DOT}},
    {"7th rank", {DOT, DOT, DOT, 38, DOT, DOT, DOT}},
    {"Queen file", {DOT, DOT, DOT, 53, DOT, DOT, DOT}, IN_DEFAULT},
    {"Tarrash Rule", {DOT, DOT, DOT, 39, DOT, DOT, DOT}, IN_CLASSIC},
    {"Tropism", {DOT, DOT, DOT, DOT, 42, DOT, DOT}, IN_DEFAULT},
    {"KingShield", {11, DOT, DOT, DOT, DOT, DOT, DOT}},
    {"King Safety", {DOT, DOT, DOT, DOT, DOT, 47, DOT}},
    {"Castling", {DOT, DOT, DOT, DOT, DOT, 54, DOT}, IN_DEFAULT},
    {"Threat pawn", {DOT, DOT, DOT, DOT, DOT, DOT, 55}, IN_DEFAULT},
    {"Threat piece", {DOT, DOT, DOT, DOT, DOT, DOT, 56}, IN_DEFAULT},
    {"Hanging", {DOT, DOT, DOT, DOT, DOT, DOT, 57}, IN_DEFAULT},
    {"Space", {DOT, DOT, DOT, DOT, DOT, DOT, 58}, IN_DEFAULT},
    {"Side To Move", {DOT, DOT, DOT, DOT, DOT, DOT, 48}},
    {"Pinned", {DOT, DOT, DOT, DOT, DOT, DOT, 49}, IN_CLASSIC},
};

// The slots each column's total adds up (Outposts are shown but not added;
// Chain and Candidate are added with their stored sign).
struct ColumnSum {
    int count;
    int slots[14];
};
const ColumnSum TOTALS[7] = {
    {14, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}},
    {5, {14, 15, 16, 17, 19}},
    {7, {20, 21, 22, 25, 26, 27, 29}},
    {9, {30, 31, 32, 33, 35, 36, 37, 38, 39}},
    {3, {40, 41, 43}},
    {2, {44, 47}},
    {2, {48, 49}},
};

void writeRule(const LineSink& sink, int width)
{
    char rule[80];
    for (int i = 0; i < width; i++)
        rule[i] = '-';
    rule[width] = '\n';
    rule[width + 1] = '\0';
    sendText(sink, rule);
}

void writeRow(const LineSink& sink, const EvalTrace& t, const TraceRow& row)
{
    char line[80];
    int length = std::snprintf(line, sizeof line, "| %-14s|", row.name);
    for (int cell : row.cells) {
        const size_t room = sizeof line - size_t(length);
        if (cell == DOT)
            length += std::snprintf(line + length, room, "%6s|", ".");
        else if (cell >= NEGATED)
            length += std::snprintf(line + length, room, "%6i|", -t.slot[cell - NEGATED]);
        else
            length += std::snprintf(line + length, room, "%6i|", t.slot[cell]);
    }
    sendFormatted(sink, "%s\n", line);
}

// The classic table adds the slots of TOTALS; the default one every row.
void writeRecord(const LineSink& sink, const EvalTrace& t, const char* title, bool classic)
{
    const uint8_t shown = classic ? IN_CLASSIC : IN_DEFAULT;
    sendFormatted(sink, "\n%s\n", title);
    writeRule(sink, 66);
    sendFormatted(sink, "| Piece         |%6s|%6s|%6s|%6s|%6s|%6s|%6s|\n", "Pawn", "Knight", "Bishop", "Rook", "Queen",
                  "King", "Others");
    writeRule(sink, 66);
    for (const TraceRow& row : ROWS)
        if (row.shown & shown)
            writeRow(sink, t, row);
    writeRule(sink, 73);
    int16_t totals[7];
    int sum = 0;
    for (int c = 0; c < 7; c++) {
        int16_t total = 0;
        if (!classic) {
            for (const TraceRow& row : ROWS)
                if ((row.shown & shown) && row.cells[c] != DOT)
                    total = int16_t(total + t.slot[row.cells[c]]);  // no negated cell among them
        } else {
            for (int i = 0; i < TOTALS[c].count; i++)
                total = int16_t(total + t.slot[TOTALS[c].slots[i]]);
        }
        totals[c] = total;
        sum += total;
    }
    sendFormatted(sink, "| Total         |%6i|%6i|%6i|%6i|%6i|%6i|%6i|%6i|\n", totals[0], totals[1], totals[2],
                  totals[3], totals[4], totals[5], totals[6], sum);
    writeRule(sink, 73);
}

} // namespace

Score traceEvaluation(const Position& pos, EvalTrace trace[2])
{
    TraceRecorder recorder;
    const Score score = evalIsClassic() ? evaluateWith<false>(pos, nullptr, recorder)
                                        : evaluateWith<true>(pos, nullptr, recorder);

    const int phase = phaseOf(pos);
    const SideView us = sideToMoveView(pos);
    const SideView sides[2] = {us, otherSide(us)};
    for (int side = 0; side < 2; side++) {
        EvalTrace& t = trace[side];
        t = EvalTrace{};
        traceMaterial(sides[side], phase, t);
        for (int term = 0; term < int(Term::COUNT); term++)
            t.slot[SLOT_OF_TERM[term]] =
                int16_t(taper(recorder.mg[side][term], recorder.eg[side][term], phase));
    }
    return score;
}

void writeEvalTrace(const EvalTrace trace[2], const LineSink& sink)
{
    writeRecord(sink, trace[0], "Side to move", evalIsClassic());
    writeRecord(sink, trace[1], "Opponent", evalIsClassic());
    sendText(sink, "\n");
}

Score traceCoefficients(const Position& pos, EvalCoefficients& out)
{
    CoefficientRecorder recorder;
    const Score score = evaluateWith<true>(pos, nullptr, recorder);
    const SideView us = sideToMoveView(pos);
    recorder.side(0);
    countMaterial(us, recorder);
    recorder.side(1);
    countMaterial(otherSide(us), recorder);

    out.phase = phaseOf(pos);
    out.count = 0;
    for (int i = 0; i < PARAM_COUNT; i++)
        if (recorder.mg[i] != 0 || recorder.eg[i] != 0)
            out.terms[out.count++] = {uint16_t(i), int16_t(recorder.mg[i]), int16_t(recorder.eg[i])};
    return score;
}
