// The evaluation parameter table: every tunable number of the evaluation as a
// named int variable, and the piece-square tables derived from them.
//
// The evaluation runs in one of two modes. The classic evaluation reads the
// first CLASSIC_PARAM_COUNT records with their `value`s; the default
// evaluation reads more terms (records the classic one leaves dormant, and
// records of its own after the classic ones) with their `playValue`s.
#pragma once

#include <cstdint>

#include "position/piecesquare.h"

struct ParamRecord {
    int* variable;
    int32_t value;       // the classic evaluation's value (0 for a default-only record)
    int32_t tunedValue;  // what the last fit found (0 until then)
    char name[100];
    int32_t tune;        // fitted by the classic tuner's stages
    int32_t playValue;   // the default evaluation's value
};

constexpr int CLASSIC_PARAM_COUNT = 750;
constexpr int PARAM_COUNT = 791;
extern ParamRecord ParamTable[PARAM_COUNT];

// The evaluation mode in force; classic until setEvalMode says otherwise.
extern bool classicEvalMode;
inline bool evalIsClassic() { return classicEvalMode; }

// The record's value in the mode in force: `value` in classic mode,
// `playValue` otherwise.
inline int32_t& modeValue(ParamRecord& r) { return classicEvalMode ? r.value : r.playValue; }

// The records written out in the mode in force: the classic ones only in
// classic mode (the others do not exist for it), every record otherwise.
inline int modeParamCount() { return classicEvalMode ? CLASSIC_PARAM_COUNT : PARAM_COUNT; }

// Copies every record's value of the mode in force into its variable, mirrors
// the file-indexed pawn arrays and fills the position layer's
// pieceSquareMg/pieceSquareEg and pieceValues.
void applyParams();

// Switches the evaluation mode and applies that mode's values. Positions set
// up before keep their incremental scores (set them up again) and the
// evaluation caches hold scores of the other mode (clear them).
void setEvalMode(bool classic);

// The built-in values back in every record (tuned values 0), then applyParams.
// Without the fitted values the default evaluation's records hold their
// hand-set values, from which its terms are worked out by hand.
void restoreBuiltInParams(bool withFittedValues = true);

// The index of the record whose value `variable` holds after applyParams (for
// the mirrored files E-H of the pawn arrays, the record of the file they copy);
// -1 for an int that is no parameter.
int paramIndexOf(const int* variable);

// The index of the record named `name`, or -1.
int paramIndexByName(const char* name);

// The parameter variables. Arrays are indexed by piece code, file (A = 0),
// rank, count or danger level as their names suggest; the piece-square
// parameters exist for files a-d only: PT_PstMg[piece][rank][file a..d].
extern int P_Pawn, P_Knight, P_Bishop, P_Rook, P_Queen, P_King;
extern int P_SideToMove;
extern int PT_pieceValuesMg[6];
extern int PT_pieceValuesEg[6];
extern int PT_PstMg[7][8][4];
extern int PT_PstEg[7][8][4];
extern int PT_KingShield[2];
extern int PT_PawnPassedMg[8];  // by rank of the pawn
extern int PT_PawnPassedEg[8];
extern int PT_PawnIsolatedMg[8];
extern int PT_PawnIsolatedEg[8];
extern int PT_PawnDoubledMg[8];
extern int PT_PawnDoubledEg[8];
extern int PT_BackwardPawnMg[8];
extern int PT_BackwardPawnEg[8];
extern int P_KingSupportEg;
extern int PT_KnightMobilityMg[9];
extern int PT_KnightMobilityEg[9];
extern int PT_BishopMobilityMg[14];
extern int PT_BishopMobilityEg[14];
extern int PT_RookMobilityMg[15];
extern int PT_RookMobilityEg[15];
extern int PT_QueenMobilityMg[28];
extern int PT_QueenMobilityEg[28];
extern int P_TrappedKnightMg, P_TrappedKnightEg;
extern int P_KnightOutpostMg, P_KnightOutpostEg;
extern int PT_KnightDelta[9];
extern int P_BishopPairMg, P_BishopPairEg;
extern int P_TrappedBishopMg, P_TrappedBishopEg;
extern int P_BishopBigOpenDiagMg, P_BishopBigOpenDiagEg;
extern int P_BishopFianchettoMg, P_BishopFianchettoEg;
extern int P_BishopOutpostMg, P_BishopOutpostEg;
extern int P_ColorWeaknessMg, P_ColorWeaknessEg;
extern int P_RookSemiOpenFile;
extern int P_RookOpenFile;
extern int P_TrappedRookMg;
extern int P_Rook7th;
extern int P_oQueenRookFile;
extern int P_RookOutpostMg, P_RookOutpostEg;
extern int PT_RookDelta[9];
extern int PT_KingSafety[100];  // by king-danger count
extern int P_Castling;
extern int PT_AttackWeight[6];

// Read by the default evaluation only. Passed-pawn arrays by the pawn's rank
// 2..7 (index 0..5); threats from the attacker's side.
extern int PT_PassedFreePathMg[6], PT_PassedFreePathEg[6];  // every square ahead empty
extern int PT_PassedOwnKingEg[6];    // per step of the own king from the stop square
extern int PT_PassedEnemyKingEg[6];  // per step of the enemy king from the stop square
extern int P_PassedSupportedMg, P_PassedSupportedEg;  // defended by an own pawn
extern int P_ThreatPawnOnMinorMg, P_ThreatPawnOnMinorEg;
extern int P_ThreatPawnOnRookMg, P_ThreatPawnOnRookEg;
extern int P_ThreatPawnOnQueenMg, P_ThreatPawnOnQueenEg;
extern int P_ThreatMinorOnRookMg, P_ThreatMinorOnRookEg;
extern int P_ThreatMinorOnQueenMg, P_ThreatMinorOnQueenEg;
extern int P_ThreatRookOnQueenMg, P_ThreatRookOnQueenEg;
extern int P_HangingMg, P_HangingEg;  // an enemy piece attacked and not defended
extern int P_SpaceMg;
