// The probes. Each public call copies the position into a small stack of its
// own, so it never writes into a caller's position stack, and resolves
// captures, promotions and en passant by a search of its own before it reads
// a table: a stored value is only exact where no such move does better.
#include "tablebase/tbprobe.h"

#include <cstring>

#include "position/attacks.h"
#include "position/makemove.h"
#include "position/movegen.h"
#include "tablebase/tbregistry.h"

namespace {

// Two guard slots, the probed position and room for the deepest line a probe
// makes (a chain of captures and promotions, twice for the DTZ one-ply search).
constexpr int PROBE_STACK = 48;

struct ProbeStack {
    Position slots[PROBE_STACK];
};

Position* setupStack(ProbeStack& s, const Position& pos)
{
    // makeMove scans back for repetitions and stops at a slot without own
    // pieces: the two zeroed slots end every scan inside the array.
    std::memset(static_cast<void*>(s.slots), 0, 2 * sizeof(Position));
    std::memcpy(static_cast<void*>(&s.slots[2]), &pos, sizeof(Position));
    return &s.slots[2];
}

// How the board meets a table: which real colour plays side 0, how stored
// squares turn into table squares, and which side of the table is to move.
struct Orientation {
    int side0;
    int flip;
    int stm;
};

Orientation orientationFor(const Position& pos, const TbEntry& e, uint64_t key)
{
    const int black = int(pos.sideToMove);
    Orientation o;
    int mirror;
    if (e.material.symmetric) {
        o.side0 = black, mirror = black ? 56 : 0, o.stm = 0;
    } else if (key == e.key) {
        o.side0 = 0, mirror = 0, o.stm = black;
    } else {
        o.side0 = 1, mirror = 56, o.stm = black ^ 1;
    }
    // Stored squares are absolute ones turned for Black to move.
    o.flip = (black ? 56 : 0) ^ mirror;
    return o;
}

Bitboard piecesForCode(const Position& pos, const Orientation& o, int code)
{
    const int colour = o.side0 ^ (code >> 3);
    const Bitboard side = colour == int(pos.sideToMove) ? pos.own : enemy(pos);
    return side & piecesOfCode(pos, code & 7);
}

// squares[from..n-1] in the subtable's piece order; false when the board's
// pieces do not fit the list.
bool fillSquares(const Position& pos, const Orientation& o, const TbSubtable& st, int from, int n, int* sq)
{
    int i = from;
    while (i < n) {
        const int code = st.pieces[i];
        Bitboard b = piecesForCode(pos, o, code);
        if (!b)
            return false;
        while (b) {
            if (i >= n || st.pieces[i] != code)
                return false;
            sq[i++] = popLsb(b) ^ o.flip;
        }
    }
    return true;
}

// The subtable holding pos and the index in it; null when none does.
const TbSubtable* locate(const Position& pos, const TbEntry& e, const TbFile& f, uint64_t key, uint64_t& index, int& stm)
{
    const Orientation o = orientationFor(pos, e, key);
    const TbMaterial& m = e.material;
    const int side = f.numSides == 2 ? o.stm : 0;
    int sq[TB_MAX_PIECES];
    stm = o.stm;
    if (!m.hasPawns) {
        const TbSubtable& st = f.sub[0][side];
        if (!fillSquares(pos, o, st, 0, m.numPieces, sq))
            return nullptr;
        index = pawnlessIndex(st, m, sq);
        return &st;
    }
    // The leading pawns come first in every list; their file picks the list.
    Bitboard lead = piecesForCode(pos, o, f.sub[0][0].pieces[0]);
    if (popcount(lead) != m.leadPawns)
        return nullptr;
    for (int i = 0; i < m.leadPawns; i++)
        sq[i] = popLsb(lead) ^ o.flip;
    const TbSubtable& st = f.sub[leadingPawnFile(m, sq)][side];
    if (!fillSquares(pos, o, st, m.leadPawns, m.numPieces, sq))
        return nullptr;
    index = pawnIndex(st, m, sq);
    return &st;
}

// WDL value stored for pos, captures not considered.
int tableWdl(Tablebases& tb, const Position& pos, int& success)
{
    if (occupied(pos) == kings(pos))
        return 0;
    const uint64_t key = positionMaterialKey(pos, false);
    TbEntry* e = findTable(tb, key);
    if (!e || !ensureWdlLoaded(tb, *e)) {
        success = 0;
        return 0;
    }
    uint64_t index = TB_NO_INDEX;
    int stm;
    const TbSubtable* st = locate(pos, *e, *e->wdl, key, index, stm);
    const int v = st && index != TB_NO_INDEX ? readStoredValue(*st, index) : -1;
    if (v < 0) {
        success = 0;
        return 0;
    }
    return v - 2;
}

// DTZ stored for pos of WDL value wdl (not 0); flag -1 when the file holds
// the other side to move.
int tableDtz(Tablebases& tb, const Position& pos, int wdl, int& success)
{
    const uint64_t key = positionMaterialKey(pos, false);
    const TbDtzTable* t = findDtzTable(tb, key, positionMaterialKey(pos, true));
    if (!t) {
        success = 0;
        return 0;
    }
    uint64_t index = TB_NO_INDEX;
    int stm;
    const TbSubtable* st = locate(pos, *t->entry, t->file, key, index, stm);
    if (!st || index == TB_NO_INDEX) {
        success = 0;
        return 0;
    }
    if (!t->entry->material.symmetric && (st->flags & 1) != stm) {
        success = -1;
        return 0;
    }
    int r = readStoredValue(*st, index);
    if (r >= 0 && (st->flags & 2))
        r = mapDtzValue(*st, wdl, r);
    if (r < 0) {
        success = 0;
        return 0;
    }
    // Values not stored ply-accurately were halved.
    static constexpr int EXACT_FLAG[5] = {8, 0, 0, 0, 4};
    if (!(st->flags & EXACT_FLAG[wdl + 2]) || (wdl & 1))
        r *= 2;
    const int d = r + 1 + ((wdl & 1) ? 100 : 0);
    return wdl > 0 ? d : -d;
}

// Moves the best-scored remaining entry to cur.
inline Move pickNext(MoveEntry* cur, MoveEntry* last)
{
    MoveEntry* best = cur;
    for (MoveEntry* p = cur + 1; p < last; p++)
        if (entryScore(*p) > entryScore(*best))
            best = p;
    const MoveEntry x = *cur;
    *cur = *best;
    *best = x;
    return entryMove(*cur);
}

// Alpha-beta over captures and promotions, then the table, in -2..2.
int captureSearch(Tablebases& tb, Position* pos, Position* end, int alpha, int beta, int& success)
{
    if (pos + 1 >= end) {
        success = 0;
        return 0;
    }
    MoveEntry list[MAX_MOVES];
    MoveEntry* last = generateCaptures(*pos, list);
    for (MoveEntry* cur = list; cur < last; cur++) {
        const Move m = pickNext(cur, last);
        if (moveKind(m) == KIND_EN_PASSANT || leavesKingInCheck(*pos, m))
            continue;
        const int v = -captureSearch(tb, makeMove(*pos, m), end, -beta, -alpha, success);
        if (success == 0)
            return 0;
        if (v > alpha) {
            if (v >= beta) {
                success = 2;
                return v;
            }
            alpha = v;
        }
    }
    const int v = tableWdl(tb, *pos, success);
    if (success == 0)
        return 0;
    if (v > alpha) {
        success = 1;
        return v;
    }
    success = 1 + (alpha > 0);
    return alpha;
}

// Best value over the legal en-passant captures (-3 when there is none) and
// the counts of legal moves and of those captures.
int enPassantValue(Tablebases& tb, Position* pos, Position* end, int& success, int& legal, int& epMoves)
{
    MoveEntry list[MAX_MOVES];
    MoveEntry* last = generateAll(*pos, list);
    int best = -3;
    legal = epMoves = 0;
    for (MoveEntry* p = list; p < last; p++) {
        const Move m = entryMove(*p);
        if (leavesKingInCheck(*pos, m))
            continue;
        legal++;
        if (moveKind(m) != KIND_EN_PASSANT)
            continue;
        epMoves++;
        const int x = -captureSearch(tb, makeMove(*pos, m), end, -2, 2, success);
        if (success == 0)
            return 0;
        if (x > best)
            best = x;
    }
    return best;
}

int wdlAt(Tablebases& tb, Position* pos, Position* end, int& success)
{
    success = 1;
    const int v = captureSearch(tb, pos, end, -2, 2, success);
    if (pos->epFile == NO_EP_FILE)
        return v;
    if (success == 0)
        return 0;
    int legal, epMoves;
    const int best = enPassantValue(tb, pos, end, success, legal, epMoves);
    if (success == 0)
        return 0;
    if (epMoves == 0)
        return v;
    if (best >= v)
        return best;
    if (v != 0)
        return v;
    // The table's draw assumed no en passant; with nothing else to play the
    // losing capture is forced.
    return legal == epMoves ? best : 0;
}

int dtzAt(Tablebases& tb, Position* pos, Position* end, int& success);

int dtzNoEnPassant(Tablebases& tb, Position* pos, Position* end, int& success)
{
    success = 1;
    const int wdl = captureSearch(tb, pos, end, -2, 2, success);
    if (wdl == 0 || success == 0)
        return 0;
    if (success == 2)
        return wdlToDtz(wdl);

    MoveEntry list[MAX_MOVES];
    if (wdl > 0) {
        // A pawn move that keeps the win zeroes at once. A double step is
        // judged with the opponent's en-passant reply, which may spoil it.
        MoveEntry* last = generateAll(*pos, list);
        for (MoveEntry* p = list; p < last; p++) {
            const Move m = entryMove(*p);
            if ((moveKind(m) != KIND_PAWN_PUSH && moveKind(m) != KIND_PROMOTION) || leavesKingInCheck(*pos, m))
                continue;
            Position* child = makeMove(*pos, m);
            const int v = child->epFile != NO_EP_FILE ? -wdlAt(tb, child, end, success)
                                                      : -captureSearch(tb, child, end, -2, -wdl + 1, success);
            if (success == 0)
                return 0;
            if (v == wdl)
                return wdlToDtz(wdl);
        }
    }

    success = 1;
    const int dtz = tableDtz(tb, *pos, wdl, success);
    if (success >= 0)
        return success ? dtz : 0;

    // The file holds the other side to move: one ply down.
    if (wdl > 0) {
        int best = 0xFFFF;
        MoveEntry* last = generateQuiets(*pos, list);
        for (MoveEntry* p = list; p < last; p++) {
            const Move m = entryMove(*p);
            if (moveKind(m) == KIND_PAWN_PUSH || leavesKingInCheck(*pos, m))
                continue;
            const int v = -dtzAt(tb, makeMove(*pos, m), end, success);
            if (success == 0)
                return 0;
            if (v > 0 && v + 1 < best)
                best = v + 1;
        }
        return best;
    }
    int best = -1;
    MoveEntry* last = generateAll(*pos, list);
    for (MoveEntry* p = list; p < last; p++) {
        const Move m = entryMove(*p);
        if (isCapture(m) || leavesKingInCheck(*pos, m))
            continue;
        Position* child = makeMove(*pos, m);
        int v;
        if (child->halfmoveClock == 0) {
            if (wdl == -2) {
                v = -1;
            } else {
                v = captureSearch(tb, child, end, 1, 2, success);
                v = v == 2 ? 0 : -101;
            }
        } else {
            v = -dtzAt(tb, child, end, success) - 1;
        }
        if (success == 0)
            return 0;
        if (v < best)
            best = v;
    }
    return best;
}

int dtzAt(Tablebases& tb, Position* pos, Position* end, int& success)
{
    if (pos + 1 >= end) {
        success = 0;
        return 0;
    }
    const int d = dtzNoEnPassant(tb, pos, end, success);
    if (pos->epFile == NO_EP_FILE || success == 0)
        return success ? d : 0;
    int legal, epMoves;
    const int best = enPassantValue(tb, pos, end, success, legal, epMoves);
    if (success == 0)
        return 0;
    if (epMoves == 0)
        return d;
    const int e = wdlToDtz(best);
    if (d < -100)
        return e >= 0 ? e : d;
    if (d < 0)
        return e >= 0 || e < -100 ? e : d;
    if (d > 100)
        return e > 0 ? e : d;
    if (d > 0)
        return e == 1 ? e : d;
    return legal == epMoves || e >= 0 ? e : 0;
}

// Bare kings need no file: their value is a draw whatever tables are loaded.
bool probeable(const Tablebases& tb, const Position& pos)
{
    if (pos.castling != 0)
        return false;
    return occupied(pos) == kings(pos) || popcount(occupied(pos)) <= tablebaseLargest(tb);
}

}  // namespace

int probeWdl(Tablebases& tb, const Position& pos, int* success)
{
    if (!probeable(tb, pos)) {
        *success = 0;
        return 0;
    }
    ProbeStack stack;
    int ok = 1;
    const int v = wdlAt(tb, setupStack(stack, pos), stack.slots + PROBE_STACK, ok);
    *success = ok;
    return ok ? v : 0;
}

int probeDtz(Tablebases& tb, const Position& pos, int* success)
{
    if (!probeable(tb, pos)) {
        *success = 0;
        return 0;
    }
    ProbeStack stack;
    int ok = 1;
    const int v = dtzAt(tb, setupStack(stack, pos), stack.slots + PROBE_STACK, ok);
    *success = ok;
    return ok ? v : 0;
}
