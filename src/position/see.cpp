// Static exchange evaluation, played out on one square of an unchanged board:
// only the occupancy shrinks as attackers are used up, so sliders behind them
// join in (x-rays) without any move being made.
#include "position/see.h"

#include "position/attacks.h"
#include "position/piecesquare.h"

int pieceValue(int code)
{
    return pieceValues[code & 7];
}

// The least valuable attacker of `square` among `side`'s pieces still in occ;
// -1 when there is none. `up` is true for the side to move, whose pawns attack
// upwards. Between equal pieces the one on the lowest square as that side sees
// the board is used (it decides which x-ray opens first).
static int leastValuableAttacker(const Position& pos, int square, Bitboard side, Bitboard occ, bool up, int& code)
{
    Bitboard mine = side & occ;
    Bitboard pawnSquares = up ? pawnAttacksDown(squareBit(square)) : pawnAttacksUp(squareBit(square));
    Bitboard diagonal = bishopAttacks(square, occ);
    Bitboard straight = rookAttacks(square, occ);
    const Bitboard candidates[6] = {
        pawnSquares & pawns(pos),
        knightAttacks[square] & knights(pos),
        diagonal & bishops(pos),
        straight & rooks(pos),
        (diagonal | straight) & queens(pos),
        kingAttacks[square] & kings(pos),
    };
    for (int i = 0; i < 6; i++) {
        Bitboard b = candidates[i] & mine;
        if (b) {
            code = PAWN + i;
            return up ? lsb(b) : lsb(byteReverse(b)) ^ 56;
        }
    }
    return -1;
}

int staticExchange(const Position& pos, Move move)
{
    const int from = moveFrom(move), to = moveTo(move);
    // Told by the move kind, not by the square: a piece that merely steps onto
    // the en-passant square captures nothing and removes no pawn.
    const bool enPassant = moveKind(move) == KIND_EN_PASSANT;
    int firstGain;
    if (enPassant || moveKind(move) == KIND_PROMOTION) {
        firstGain = pieceValues[PAWN];
    } else {
        firstGain = pieceValue(pieceOn(pos, to));
        if (pieceOn(pos, to) == KING || firstGain == pieceValues[KING])
            return firstGain;
    }

    Bitboard occ = (occupied(pos) & ~squareBit(from)) | squareBit(to);
    if (enPassant)
        occ &= ~squareBit(to - 8);
    int onSquare = pieceValue(movePromotion(move) ? movePromotion(move) : pieceOn(pos, from));

    // Values of the pieces taken after the first capture, one per capture.
    int captured[32];
    int count = 0;
    bool opponentToMove = true;
    while (count < 32) {
        Bitboard side = opponentToMove ? enemy(pos) : pos.own;
        int code = 0;
        int attacker = leastValuableAttacker(pos, to, side, occ, !opponentToMove, code);
        if (attacker < 0)
            break;
        captured[count++] = onSquare;
        if (onSquare == pieceValues[KING])
            break;  // the king's own capture was illegal: the backward pass drops it
        occ &= ~squareBit(attacker);
        onSquare = pieceValue(code);
        opponentToMove = !opponentToMove;
    }

    int result = 0;
    while (count > 0) {
        int v = captured[--count] - result;
        result = v > 0 ? v : 0;
    }
    return firstGain - result;
}

bool captureCannotLose(const Position& pos, Move move)
{
    const int kind = moveKind(move);
    return (kind & KIND_CAPTURE) && kind < 16
           && pieceValue(pieceOn(pos, moveTo(move))) >= pieceValue(pieceOn(pos, moveFrom(move)));
}

bool isLosingCapture(const Position& pos, Move move)
{
    if (pieceValue(pieceOn(pos, moveTo(move))) >= pieceValue(pieceOn(pos, moveFrom(move))))
        return false;
    return staticExchange(pos, move) < 0;
}
