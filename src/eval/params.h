// The evaluation parameter table: every tunable number of the evaluation as a
// named int variable, and the piece-square tables derived from them.
#pragma once

#include <cstdint>

#include "position/piecesquare.h"

struct ParamRecord {
    int* variable;
    int32_t value;
    int32_t tunedValue;
    char name[100];
    int32_t tune;
};

constexpr int PARAM_COUNT = 750;
extern ParamRecord ParamTable[PARAM_COUNT];


// Copies every record's value into its variable, mirrors the file-indexed pawn
// arrays and fills the position layer's pieceSquareMg/pieceSquareEg and
// pieceValues.
void applyParams();

// The built-in values back in every record (tuned values 0), then applyParams.
void restoreBuiltInParams();

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
