// The evaluation trace: what each term of the static evaluation is worth, by
// row and piece, for the side to move and for the opponent, and the table the
// console's score command shows of it.
#pragma once

#include <cstdint>

#include "eval/params.h"
#include "platform/linesink.h"
#include "position/position.h"

// Slots of one side's record. Some rows have no term in the classic
// evaluation and stay 0 there; 23 and 42 hold terms that the classic table
// has no cell for; 50 and above are terms of the default evaluation only.
enum EvalTraceSlot : int {
    TRACE_PAWN_MATERIAL = 0,
    TRACE_PAWN_PST = 1,
    TRACE_PAWN_ISOLATED = 2,
    TRACE_PAWN_PASSED = 3,
    TRACE_PAWN_DOUBLED = 4,
    TRACE_PAWN_BACKWARD = 5,
    TRACE_PAWN_DISPERSION = 6,  // pawn islands
    TRACE_PAWN_DISTORTION = 7,  // pawn-file transitions
    TRACE_PAWN_ENDING = 8,
    TRACE_PAWN_KING_SUPPORT = 9,
    TRACE_PAWN_ENEMY_KING_TROPISM = 10,
    TRACE_PAWN_KING_SHIELD = 11,
    TRACE_PAWN_CHAIN = 12,      // printed negated
    TRACE_PAWN_CANDIDATE = 13,  // printed negated
    TRACE_KNIGHT_MATERIAL = 14,
    TRACE_KNIGHT_PST = 15,
    TRACE_KNIGHT_TRAPPED = 16,
    TRACE_KNIGHT_ADJUSTMENT = 17,
    TRACE_KNIGHT_OUTPOST = 18,
    TRACE_KNIGHT_MOBILITY = 19,
    TRACE_BISHOP_MATERIAL = 20,
    TRACE_BISHOP_PST = 21,
    TRACE_BISHOP_TRAPPED = 22,
    TRACE_BISHOP_FIANCHETTO = 23,  // not printed
    TRACE_BISHOP_OUTPOST = 24,
    TRACE_BISHOP_MOBILITY = 25,
    TRACE_BISHOP_OPEN_DIAGONALS = 26,
    TRACE_BISHOP_COLOR_WEAKNESS = 27,
    TRACE_BISHOP_UNUSED = 28,
    TRACE_BISHOP_PAIR = 29,
    TRACE_ROOK_MATERIAL = 30,
    TRACE_ROOK_PST = 31,
    TRACE_ROOK_TRAPPED = 32,
    TRACE_ROOK_ADJUSTMENT = 33,
    TRACE_ROOK_OUTPOST = 34,
    TRACE_ROOK_MOBILITY = 35,
    TRACE_ROOK_OPEN_FILE = 36,
    TRACE_ROOK_SEMI_OPEN_FILE = 37,
    TRACE_ROOK_7TH_RANK = 38,
    TRACE_ROOK_TARRASCH = 39,
    TRACE_QUEEN_MATERIAL = 40,
    TRACE_QUEEN_PST = 41,
    TRACE_QUEEN_TROPISM = 42,  // not printed
    TRACE_QUEEN_MOBILITY = 43,
    TRACE_KING_PST = 44,
    TRACE_KING_UNUSED_1 = 45,
    TRACE_KING_UNUSED_2 = 46,
    TRACE_KING_SAFETY = 47,
    TRACE_SIDE_TO_MOVE = 48,
    TRACE_PINNED = 49,
    TRACE_PAWN_FREE_PATH = 50,      // passed pawn with nothing ahead
    TRACE_PAWN_KING_DISTANCE = 51,  // kings' steps to a passed pawn's stop square
    TRACE_PAWN_SUPPORTED = 52,      // passed pawn defended by a pawn
    TRACE_ROOK_QUEEN_FILE = 53,
    TRACE_KING_CASTLING = 54,
    TRACE_THREAT_BY_PAWN = 55,
    TRACE_THREAT_BY_PIECE = 56,
    TRACE_HANGING = 57,
    TRACE_SPACE = 58,
    EVAL_TRACE_SLOTS = 59
};

// One side's terms, each as its tapered value in centipawns from that side's
// point of view.
struct EvalTrace {
    int16_t slot[EVAL_TRACE_SLOTS];
};

// Evaluates pos from scratch (no cache) in the mode in force and records its
// terms: trace[0] for the side to move, trace[1] for the opponent. Returns the
// evaluation, which is always evaluatePosition(pos): the trace runs the same
// term code.
// Tapering each term on its own rounds differently from tapering the sums,
// so the records add up to the score only to within a few centipawns.
Score traceEvaluation(const Position& pos, EvalTrace trace[2]);

// Sends the breakdown table of both records to sink, side to move first,
// and an empty line after them. The default evaluation's table has a row for
// each of its terms and totals over every row.
void writeEvalTrace(const EvalTrace trace[2], const LineSink& sink);

// One parameter's part in an evaluation: how many times its value went into
// the middle-game and the end-game sums, the side to move's count minus the
// opponent's.
struct ParamCount {
    uint16_t index;  // record of the parameter table
    int16_t mg, eg;
};

// The default evaluation of a position as a function of its parameters:
// score ~ (sum of mg x value) x phase / 64 + (sum of eg x value) x (64 - phase) / 64
// plus what no parameter gives (pawn islands, queen tropism, roundings).
struct EvalCoefficients {
    int phase;
    int count;  // entries of terms in use, by increasing index
    ParamCount terms[PARAM_COUNT];
};

// The default evaluation's score of pos (whatever the mode in force; the
// default evaluation's values must be applied) and its parameter counts.
Score traceCoefficients(const Position& pos, EvalCoefficients& out);
