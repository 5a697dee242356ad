// Storage of the piece values and piece-square tables (zero until the
// evaluation's applyParams fills them).
#include "position/piecesquare.h"

int pieceSquareMg[7][64];
int pieceSquareEg[7][64];
int pieceValues[8];
