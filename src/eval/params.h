// The evaluation parameter table: every tunable number of the evaluation as a
// named int variable, and the piece-square tables derived from them.
#pragma once

#include <cstdint>

struct ParamRecord {
    int* variable;
    int32_t value;
    int32_t tunedValue;
    char name[100];
    int32_t tune;
};

constexpr int PARAM_COUNT = 750;
extern ParamRecord ParamTable[PARAM_COUNT];

// Material plus piece-square value of piece [code][square], square in the
// owner's view. Built by applyParams.
extern int pieceSquareMg[7][64];
extern int pieceSquareEg[7][64];

// Copies every record's value into its variable, mirrors the file-indexed pawn
// arrays and builds pieceSquareMg/pieceSquareEg.
void applyParams();
