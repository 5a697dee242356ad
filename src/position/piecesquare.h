// Piece values and piece-square tables that make-move, the incremental scores
// and the exchange evaluator read. The position layer owns them; the
// evaluation's applyParams fills them from its parameters.
#pragma once

// Material plus piece-square value of piece [code][square], square in the
// owner's view; the king carries no material.
extern int pieceSquareMg[7][64];
extern int pieceSquareEg[7][64];

// Exchange value of each piece code (0 and 7 are 0).
extern int pieceValues[8];
