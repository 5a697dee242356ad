// Move generation in the side-to-move view: pawns always push up the board,
// castling always ends on g1 or c1, so there is one code path for both colours.
#include "position/movegen.h"

#include <initializer_list>

#include "position/attacks.h"

namespace {

constexpr int EP_SCORE = 21;
constexpr int PROMOTION_SCORES[4] = {85, -1, -2, -3};  // queen, rook, bishop, knight
constexpr int PROMOTION_CODES[4] = {QUEEN, ROOK, BISHOP, KNIGHT};

inline Move moveBase(int kind, int from) { return Move(kind) | Move(from) << 8; }

inline MoveEntry* addQuiets(MoveEntry* list, int kind, int from, Bitboard targets)
{
    const Move base = moveBase(kind, from);
    while (targets)
        *list++ = base | Move(popLsb(targets)) << 16;
    return list;
}

// Captures by piece kind & 7 from `from`; scored by victim and attacker.
inline MoveEntry* addCaptures(const Position& pos, MoveEntry* list, int kind, int from, Bitboard targets)
{
    const Move base = moveBase(kind, from);
    const int bonus = 6 - (kind & 7);
    while (targets) {
        const int to = popLsb(targets);
        *list++ = makeEntry(base | Move(to) << 16, 16 * pieceOn(pos, to) + bonus);
    }
    return list;
}

inline MoveEntry* addPromotions(MoveEntry* list, int kind, int from, int to)
{
    const Move base = moveBase(kind, from) | Move(to) << 16;
    for (int i = 0; i < 4; i++)
        *list++ = makeEntry(base | Move(PROMOTION_CODES[i]) << 24, PROMOTION_SCORES[i]);
    return list;
}

// Pushes one rank up, never onto rank 8.
inline Bitboard singlePushes(Bitboard pawnSet, Bitboard empty) { return (pawnSet << 8) & empty & ~RANK_8; }

inline MoveEntry* addPawnMoves(MoveEntry* list, int kind, Bitboard targets, int offset)
{
    while (targets) {
        const int to = popLsb(targets);
        *list++ = makeMoveWord(kind, to - offset, to);
    }
    return list;
}

inline bool squareAttacked(const Position& pos, int s, Bitboard occ) { return attackersOf(pos, s, occ, enemy(pos)) != 0; }

// Chess960 castling: every square the king or the rook passes through or
// lands on is empty but for the two of them, and no square of the king's way,
// its start and destination included, is attacked. The attacks are tested
// with king and rook lifted: a rook on b1 may be all that screens c1 from a
// queen on a1.
MoveEntry* addCastling960(const Position& pos, MoveEntry* list, Bitboard occ)
{
    const int king = ownKingSquare(pos);
    for (const uint8_t right : {CASTLE_OWN_QUEEN, CASTLE_OWN_KING}) {
        if (!(pos.castling & right))
            continue;
        const bool kingSide = right == CASTLE_OWN_KING;
        const int rook = castlingRookFile(pos, right);
        const int kingTo = kingSide ? G1 : C1, rookTo = kingSide ? F1 : D1;
        const Bitboard movers = squareBit(king) | squareBit(rook);
        const Bitboard kingWay = Between[king][kingTo] | squareBit(kingTo) | squareBit(king);
        const Bitboard rookWay = Between[rook][rookTo] | squareBit(rookTo);
        if (occ & (kingWay | rookWay) & ~movers)
            continue;
        const Bitboard lifted = occ ^ movers;
        bool attacked = false;
        for (Bitboard b = kingWay; b && !attacked;)
            attacked = squareAttacked(pos, popLsb(b), lifted);
        if (!attacked)
            *list++ = makeCastlingWord(kingSide, king, rook);
    }
    return list;
}

// Castling moves allowed by the rights, the empty squares between king and
// rook, and no attack on the king's start, crossing and destination squares.
MoveEntry* addCastling(const Position& pos, MoveEntry* list, Bitboard occ)
{
    if (pos.castlingRooks & 0xFF)
        return addCastling960(pos, list, occ);
    if ((pos.castling & CASTLE_OWN_QUEEN) && !(occ & 0x0EULL) && !squareAttacked(pos, E1, occ)
        && !squareAttacked(pos, D1, occ) && !squareAttacked(pos, C1, occ))
        *list++ = makeMoveWord(KIND_CASTLE_QUEEN_SIDE, E1, C1);
    if ((pos.castling & CASTLE_OWN_KING) && !(occ & 0x60ULL) && !squareAttacked(pos, E1, occ)
        && !squareAttacked(pos, F1, occ) && !squareAttacked(pos, G1, occ))
        *list++ = makeMoveWord(KIND_CASTLE_KING_SIDE, E1, G1);
    return list;
}

}  // namespace

MoveEntry* generateCaptures(const Position& pos, MoveEntry* list)
{
    const Bitboard occ = occupied(pos);
    const Bitboard them = occ ^ pos.own;
    const Bitboard own = pos.own;

    const int k = ownKingSquare(pos);
    if (own & kings(pos))
        list = addCaptures(pos, list, KIND_KING + KIND_CAPTURE, k, kingAttacks[k] & them);
    for (Bitboard b = own & queens(pos); b;) {
        const int from = popLsb(b);
        list = addCaptures(pos, list, KIND_QUEEN + KIND_CAPTURE, from, queenAttacks(from, occ) & them);
    }
    for (Bitboard b = own & rooks(pos); b;) {
        const int from = popLsb(b);
        list = addCaptures(pos, list, KIND_ROOK + KIND_CAPTURE, from, rookAttacks(from, occ) & them);
    }
    for (Bitboard b = own & bishops(pos); b;) {
        const int from = popLsb(b);
        list = addCaptures(pos, list, KIND_BISHOP + KIND_CAPTURE, from, bishopAttacks(from, occ) & them);
    }
    for (Bitboard b = own & knights(pos); b;) {
        const int from = popLsb(b);
        list = addCaptures(pos, list, KIND_KNIGHT + KIND_CAPTURE, from, knightAttacks[from] & them);
    }

    const Bitboard ownPawns = own & pawns(pos);
    for (Bitboard b = ownPawns & ~RANK_7; b;) {
        const int from = popLsb(b);
        list = addCaptures(pos, list, KIND_PAWN_PUSH + KIND_CAPTURE, from, pawnAttacks[from] & them);
    }
    const Bitboard promoting = ownPawns & RANK_7;
    if (promoting) {
        for (Bitboard b = promoting; b;) {
            const int from = popLsb(b);
            for (Bitboard t = pawnAttacks[from] & them; t;)
                list = addPromotions(list, KIND_PROMOTION_CAPTURE, from, popLsb(t));
        }
        for (Bitboard b = promoting & ~(occ >> 8); b;) {
            const int from = popLsb(b);
            list = addPromotions(list, KIND_PROMOTION, from, from + 8);
        }
    }

    if (pos.epFile != NO_EP_FILE) {
        const int to = 40 + pos.epFile;
        for (Bitboard b = ownPawns & epAttackers[pos.epFile]; b;)
            *list++ = makeEntry(makeMoveWord(KIND_EN_PASSANT, popLsb(b), to), EP_SCORE);
    }
    return list;
}

MoveEntry* generateQuiets(const Position& pos, MoveEntry* list)
{
    const Bitboard occ = occupied(pos);
    const Bitboard empty = ~occ;
    const Bitboard own = pos.own;

    const int k = ownKingSquare(pos);
    if (own & kings(pos))
        list = addQuiets(list, KIND_KING, k, kingAttacks[k] & empty);
    for (Bitboard b = own & queens(pos); b;) {
        const int from = popLsb(b);
        list = addQuiets(list, KIND_QUEEN, from, queenAttacks(from, occ) & empty);
    }
    for (Bitboard b = own & rooks(pos); b;) {
        const int from = popLsb(b);
        list = addQuiets(list, KIND_ROOK, from, rookAttacks(from, occ) & empty);
    }
    for (Bitboard b = own & bishops(pos); b;) {
        const int from = popLsb(b);
        list = addQuiets(list, KIND_BISHOP, from, bishopAttacks(from, occ) & empty);
    }
    for (Bitboard b = own & knights(pos); b;) {
        const int from = popLsb(b);
        list = addQuiets(list, KIND_KNIGHT, from, knightAttacks[from] & empty);
    }

    const Bitboard single = singlePushes(own & pawns(pos), empty);
    list = addPawnMoves(list, KIND_PAWN_PUSH, single, 8);
    list = addPawnMoves(list, KIND_PAWN_PUSH, ((single & RANK_3) << 8) & empty, 16);

    if (pos.castling & (CASTLE_OWN_QUEEN | CASTLE_OWN_KING))
        list = addCastling(pos, list, occ);
    return list;
}

MoveEntry* generateAll(const Position& pos, MoveEntry* list)
{
    return generateCaptures(pos, generateQuiets(pos, list));
}

MoveEntry* generateLegal(const Position& pos, MoveEntry* list)
{
    MoveEntry scratch[MAX_MOVES];
    const MoveEntry* end = generateAll(pos, scratch);
    for (const MoveEntry* e = scratch; e != end; e++) {
        const Move m = entryMove(*e);
        if (!leavesKingInCheck(pos, m))
            *list++ = m;
    }
    return list;
}

static bool anyLegal(const Position& pos, const MoveEntry* list, const MoveEntry* end)
{
    for (const MoveEntry* e = end; e != list;)
        if (!leavesKingInCheck(pos, entryMove(*--e)))
            return true;
    return false;
}

bool hasLegalMove(const Position& pos)
{
    MoveEntry list[MAX_MOVES];
    return anyLegal(pos, list, generateCaptures(pos, list)) || anyLegal(pos, list, generateQuiets(pos, list));
}

namespace {

// Moves of a piece pinned to its king along `line` (the squares from the king
// to the pinner, the pinner included): it may only stay on the line. Knights
// never can; a slider only along a line of its own kind.
int countPinnedMoves(const Position& pos, int s, Bitboard line, Bitboard occ, Bitboard them)
{
    const Bitboard bit = squareBit(s);
    if (bit & pawns(pos)) {
        int n = 0;
        const Bitboard push = (bit << 8) & ~occ & line;
        const Bitboard takes = pawnAttacks[s] & them & line;
        if (bit & RANK_7)
            return 4 * (popcount(push) + popcount(takes));
        n += popcount(push) + popcount(takes);
        if (push & RANK_3)
            n += popcount((push << 8) & ~occ & line);
        return n;
    }
    Bitboard reach = 0;
    if (bit & diagonalSliders(pos))
        reach |= bishopAttacks(s, occ);
    if (bit & straightSliders(pos))
        reach |= rookAttacks(s, occ);
    return popcount(reach & line);
}

}  // namespace

int countLegalMoves(const Position& pos)
{
    const Bitboard own = pos.own;
    const Bitboard kingBit = own & kings(pos);
    if (!kingBit) {
        MoveEntry list[MAX_MOVES];
        return int(generateLegal(pos, list) - list);
    }
    const Bitboard occ = occupied(pos);
    const Bitboard them = occ ^ own;
    const int k = lsb(kingBit);
    const Bitboard checkerSet = attackersOf(pos, k, occ, them);

    // King steps, each destination tested with the king off its square (so a
    // slider's ray runs on through it).
    int count = 0;
    const Bitboard occWithoutKing = occ ^ kingBit;
    for (Bitboard b = kingAttacks[k] & ~own; b;) {
        const int to = popLsb(b);
        count += attackersOf(pos, to, occWithoutKing, them) == 0;
    }
    if (clearLsb(checkerSet))
        return count;  // double check: only the king moves

    // Destinations that answer a single check: the checker and the squares
    // between it and the king.
    Bitboard target = ~own, blockTarget = ~Bitboard(0);
    if (checkerSet) {
        blockTarget = Between[k][lsb(checkerSet)];
        target = blockTarget | checkerSet;
    }

    // Pins: enemy sliders that see the king through exactly one own piece
    // when only enemy pieces block. A pinned piece never answers a check.
    Bitboard pinned = 0;
    const Bitboard snipers =
        ((rookAttacks(k, them) & straightSliders(pos)) | (bishopAttacks(k, them) & diagonalSliders(pos))) & them;
    for (Bitboard b = snipers; b;) {
        const int s = popLsb(b);
        const Bitboard between = Between[k][s] & occ;
        if (between && !clearLsb(between)) {
            pinned |= between;
            if (!checkerSet)
                count += countPinnedMoves(pos, lsb(between), Between[k][s] | squareBit(s), occ, them);
        }
    }

    const Bitboard mobile = own & ~pinned;
    for (Bitboard b = mobile & knights(pos); b;)
        count += popcount(knightAttacks[popLsb(b)] & target);
    for (Bitboard b = mobile & diagonalSliders(pos); b;)
        count += popcount(bishopAttacks(popLsb(b), occ) & target);
    for (Bitboard b = mobile & straightSliders(pos); b;)
        count += popcount(rookAttacks(popLsb(b), occ) & target);

    // Pawns as the generators have them: promotions count four moves each,
    // no captures from the first rank (pawnAttacks is empty there).
    const Bitboard ownPawns = own & pawns(pos);
    const Bitboard mobilePawns = mobile & pawns(pos);
    const Bitboard empty = ~occ;
    const Bitboard single = (mobilePawns << 8) & empty;
    const Bitboard doubles = ((single & RANK_3) << 8) & empty;
    count += popcount(single & ~RANK_8 & blockTarget) + popcount(doubles & blockTarget)
             + 4 * popcount(single & RANK_8 & blockTarget);
    const Bitboard takeTargets = them & target;
    const Bitboard plain = mobilePawns & ~RANK_7 & ~RANK_1, promoting = mobilePawns & RANK_7;
    count += popcount((plain << 7) & NOT_FILE_H & takeTargets) + popcount((plain << 9) & NOT_FILE_A & takeTargets);
    count += 4 * (popcount((promoting << 7) & NOT_FILE_H & takeTargets)
                  + popcount((promoting << 9) & NOT_FILE_A & takeTargets));

    // En passant and castling are rare: tested move by move.
    if (pos.epFile != NO_EP_FILE) {
        const int to = 40 + pos.epFile;
        for (Bitboard b = ownPawns & epAttackers[pos.epFile]; b;)
            count += !leavesKingInCheck(pos, makeMoveWord(KIND_EN_PASSANT, popLsb(b), to));
    }
    if (!checkerSet && (pos.castling & (CASTLE_OWN_QUEEN | CASTLE_OWN_KING))) {
        MoveEntry castles[2];
        const MoveEntry* end = addCastling(pos, castles, occ);
        for (const MoveEntry* m = castles; m != end; m++)
            count += !leavesKingInCheck(pos, entryMove(*m));
    }
    return count;
}

namespace {

// Single-check answers of the pieces in `pieces` (one kind): quiet moves
// onto the blocking squares and captures of the checker.
template <typename AttacksOf>
MoveEntry* addPieceEvasions(const Position& pos, MoveEntry* list, Bitboard pieces, int kind, Bitboard block,
                            Bitboard checkerSet, AttacksOf attacksOf)
{
    for (Bitboard b = pieces; b;) {
        const int from = popLsb(b);
        const Bitboard a = attacksOf(from);
        list = addQuiets(list, kind, from, a & block);
        list = addCaptures(pos, list, kind + KIND_CAPTURE, from, a & checkerSet);
    }
    return list;
}

}  // namespace

MoveEntry* generateEvasions(const Position& pos, Bitboard checkerSet, MoveEntry* list)
{
    const Bitboard occ = occupied(pos);
    const Bitboard empty = ~occ;
    const Bitboard them = occ ^ pos.own;
    const Bitboard own = pos.own;
    const int k = ownKingSquare(pos);

    if (clearLsb(checkerSet)) {
        // Double check: only the king can answer.
        Bitboard lines = 0;
        for (Bitboard b = checkerSet; b;)
            lines |= Between[k][popLsb(b)];
        list = addQuiets(list, KIND_KING, k, kingAttacks[k] & empty & ~lines);
        return addCaptures(pos, list, KIND_KING + KIND_CAPTURE, k, kingAttacks[k] & them);
    }

    const int c = lsb(checkerSet);
    const Bitboard block = Between[k][c];
    list = addQuiets(list, KIND_KING, k, kingAttacks[k] & empty & ~block);
    list = addCaptures(pos, list, KIND_KING + KIND_CAPTURE, k, kingAttacks[k] & them);

    list = addPieceEvasions(pos, list, own & queens(pos), KIND_QUEEN, block, checkerSet,
                            [occ](int s) { return queenAttacks(s, occ); });
    list = addPieceEvasions(pos, list, own & rooks(pos), KIND_ROOK, block, checkerSet,
                            [occ](int s) { return rookAttacks(s, occ); });
    list = addPieceEvasions(pos, list, own & bishops(pos), KIND_BISHOP, block, checkerSet,
                            [occ](int s) { return bishopAttacks(s, occ); });
    list = addPieceEvasions(pos, list, own & knights(pos), KIND_KNIGHT, block, checkerSet,
                            [](int s) { return knightAttacks[s]; });

    const Bitboard ownPawns = own & pawns(pos);
    const Bitboard single = singlePushes(ownPawns, empty);
    list = addPawnMoves(list, KIND_PAWN_PUSH, single & block, 8);
    list = addPawnMoves(list, KIND_PAWN_PUSH, ((single & RANK_3) << 8) & empty & block, 16);
    if (pos.epFile != NO_EP_FILE) {
        const int to = 40 + pos.epFile;
        for (Bitboard b = ownPawns & epAttackers[pos.epFile]; b;)
            *list++ = makeEntry(makeMoveWord(KIND_EN_PASSANT, popLsb(b), to), EP_SCORE);
    }
    for (Bitboard b = ownPawns & ~RANK_7 & pawnAttackers[c]; b;)
        list = addCaptures(pos, list, KIND_PAWN_PUSH + KIND_CAPTURE, popLsb(b), checkerSet);
    const Bitboard promoting = ownPawns & RANK_7;
    if (promoting) {
        for (Bitboard b = promoting & (block >> 8); b;) {
            const int from = popLsb(b);
            list = addPromotions(list, KIND_PROMOTION, from, from + 8);
        }
        for (Bitboard b = promoting & pawnAttackers[c]; b;)
            list = addPromotions(list, KIND_PROMOTION_CAPTURE, popLsb(b), c);
    }
    return list;
}

MoveEntry* generateQuietChecks(const Position& pos, MoveEntry* list)
{
    const Bitboard occ = occupied(pos);
    const Bitboard empty = ~occ;
    const Bitboard own = pos.own;
    const Bitboard enemyKing = kings(pos) & ~own;
    if (!enemyKing)
        return list;
    const int e = lsb(enemyKing);

    const Bitboard rookLines = rookAttacks(e, occ);
    const Bitboard bishopLines = bishopAttacks(e, occ);

    // Own pieces standing alone between the enemy king and an own slider:
    // moving them off the line uncovers a check.
    Bitboard straightBlockers = 0, diagonalBlockers = 0;
    for (Bitboard b = (rookAttacks(e, occ & ~(rookLines & own)) ^ rookLines) & own & straightSliders(pos); b;)
        straightBlockers |= Between[e][popLsb(b)] & own;
    for (Bitboard b = (bishopAttacks(e, occ & ~(bishopLines & own)) ^ bishopLines) & own & diagonalSliders(pos); b;)
        diagonalBlockers |= Between[e][popLsb(b)] & own;

    // Direct checks.
    for (Bitboard b = own & queens(pos); b;) {
        const int from = popLsb(b);
        list = addQuiets(list, KIND_QUEEN, from, queenAttacks(from, occ) & (rookLines | bishopLines) & empty);
    }
    for (Bitboard b = own & rooks(pos); b;) {
        const int from = popLsb(b);
        list = addQuiets(list, KIND_ROOK, from, rookAttacks(from, occ) & rookLines & empty);
    }
    for (Bitboard b = own & bishops(pos); b;) {
        const int from = popLsb(b);
        list = addQuiets(list, KIND_BISHOP, from, bishopAttacks(from, occ) & bishopLines & empty);
    }
    for (Bitboard b = own & knights(pos); b;) {
        const int from = popLsb(b);
        list = addQuiets(list, KIND_KNIGHT, from, knightAttacks[from] & knightAttacks[e] & empty);
    }
    const Bitboard ownPawns = own & pawns(pos);
    const Bitboard pawnCheckSquares = pawnAttackers[e];
    const Bitboard single = singlePushes(ownPawns, empty);
    list = addPawnMoves(list, KIND_PAWN_PUSH, single & pawnCheckSquares, 8);
    list = addPawnMoves(list, KIND_PAWN_PUSH, ((single & RANK_3) << 8) & empty & pawnCheckSquares, 16);
    if (pos.castling & (CASTLE_OWN_QUEEN | CASTLE_OWN_KING)) {
        // A castling move checks when the rook, on its new square and with the
        // king moved, attacks the enemy king.
        MoveEntry castles[2];
        MoveEntry* end = addCastling(pos, castles, occ);
        for (MoveEntry* m = castles; m != end; m++) {
            const Move castle = entryMove(*m);
            const int rookTo = moveKind(castle) == KIND_CASTLE_KING_SIDE ? F1 : D1;
            const Bitboard after = occ ^ squareBit(moveFrom(castle)) ^ squareBit(moveTo(castle))
                                   ^ squareBit(castlingRookSquare(castle)) ^ squareBit(rookTo);
            if (rookAttacks(rookTo, after) & enemyKing)
                *list++ = *m;
        }
    }

    // Discovered checks. Moves already listed as direct checks are left out.
    const Bitboard blockers = straightBlockers | diagonalBlockers;
    if (!blockers)
        return list;
    const int k = ownKingSquare(pos);
    if (blockers & own & kings(pos))
        list = addQuiets(list, KIND_KING, k, kingAttacks[k] & empty);
    for (Bitboard b = diagonalBlockers & own & rooks(pos); b;) {
        const int from = popLsb(b);
        list = addQuiets(list, KIND_ROOK, from, rookAttacks(from, occ) & empty & ~rookLines);
    }
    for (Bitboard b = straightBlockers & own & bishops(pos); b;) {
        const int from = popLsb(b);
        list = addQuiets(list, KIND_BISHOP, from, bishopAttacks(from, occ) & empty & ~bishopLines);
    }
    for (Bitboard b = blockers & own & knights(pos); b;) {
        const int from = popLsb(b);
        list = addQuiets(list, KIND_KNIGHT, from, knightAttacks[from] & empty & ~knightAttacks[e]);
    }
    const Bitboard blockingPawns = blockers & ownPawns;
    const Bitboard blockerPushes = singlePushes(blockingPawns, empty);
    list = addPawnMoves(list, KIND_PAWN_PUSH, blockerPushes & ~pawnCheckSquares, 8);
    list = addPawnMoves(list, KIND_PAWN_PUSH, ((blockerPushes & RANK_3) << 8) & empty & ~pawnCheckSquares, 16);
    return list;
}
