// FEN reading and writing, move text and the board diagram.
#include "position/fen.h"

#include <cstdio>
#include <cstring>

#include "position/attacks.h"
#include "position/makemove.h"

namespace {

constexpr char PIECE_LETTERS[] = " pnbrqk  PNBRQK";
constexpr int MAX_FIELDS = 6;

constexpr uint8_t RIGHTS[4] = {CASTLE_OWN_KING, CASTLE_OWN_QUEEN, CASTLE_THEIR_KING, CASTLE_THEIR_QUEEN};
constexpr bool isKingSide(uint8_t right) { return (right & (CASTLE_OWN_KING | CASTLE_THEIR_KING)) != 0; }

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

struct Field {
    const char* text;
    int length;
};

bool fieldIs(const Field& f, const char* word)
{
    return f.length == int(std::strlen(word)) && std::memcmp(f.text, word, size_t(f.length)) == 0;
}

// Splits at runs of blanks; returns the number of fields (at most maxFields).
int splitFields(const char* text, Field* fields, int maxFields)
{
    int n = 0;
    while (n < maxFields) {
        while (isBlank(*text))
            text++;
        if (!*text)
            break;
        const char* start = text;
        while (*text && !isBlank(*text))
            text++;
        fields[n++] = {start, int(text - start)};
    }
    return n;
}

int pieceCodeOfLetter(char c)
{
    const char* letters = "pnbrqk";
    const char* hit = std::strchr(letters, c | 0x20);
    return (c && hit) ? int(hit - letters) + 1 : 0;
}

// Placement, White as own: exactly eight ranks of exactly eight files.
bool readPlacement(const Field& f, Position& p)
{
    int rank = 7, file = 0;
    for (int i = 0; i < f.length; i++) {
        const char c = f.text[i];
        if (c == '/') {
            if (file != 8 || rank == 0)
                return false;
            rank--;
            file = 0;
        } else if (c >= '1' && c <= '8') {
            file += c - '0';
            if (file > 8)
                return false;
        } else {
            const int code = pieceCodeOfLetter(c);
            if (!code || file >= 8)
                return false;
            const Bitboard bit = squareBit(rank * 8 + file);
            p.type0 |= (code & 1) ? bit : 0;
            p.type1 |= (code & 2) ? bit : 0;
            p.type2 |= (code & 4) ? bit : 0;
            p.own |= (c >= 'A' && c <= 'Z') ? bit : 0;
            file++;
        }
    }
    return rank == 0 && file == 8;
}

// Men of one side (given as its piece set) that a game can produce: at most 8
// pawns, and promoted pieces no more than the pawns missing.
bool materialReachable(const Position& p, Bitboard side)
{
    const int pawnCount = popcount(side & pawns(p));
    auto extra = [&](Bitboard set, int usual) { return popcount(side & set) > usual ? popcount(side & set) - usual : 0; };
    const int promoted =
        extra(queens(p), 1) + extra(rooks(p), 2) + extra(bishops(p), 2) + extra(knights(p), 2);
    return pawnCount <= 8 && promoted <= 8 - pawnCount;
}

// The checks that make a set-up position safe to play and search from (side
// to move's view).
bool positionIsPlayable(const Position& p)
{
    const Bitboard them = enemy(p);
    if (popcount(p.own & kings(p)) != 1 || popcount(them & kings(p)) != 1)
        return false;
    if (pawns(p) & (RANK_1 | RANK_8))
        return false;
    if (!materialReachable(p, p.own) || !materialReachable(p, them))
        return false;

    // Castling rights need their king on its first rank (on the e-file when
    // the side's rook byte is 0) and their rook on its file, on the right side
    // of the king: make-move moves them without looking.
    for (const uint8_t right : RIGHTS) {
        if (!(p.castling & right))
            continue;
        const bool own = (right & CASTLE_OWN) != 0;
        const Bitboard side = own ? p.own : them;
        const int rank = own ? 0 : 56;
        const Bitboard king = side & kings(p);
        const int kingFile = squareFile(lsb(king));
        const int rookFile = castlingRookFile(p, right);
        const bool standard = ((own ? p.castlingRooks : p.castlingRooks >> 8) & 0xFF) == 0;
        if (!(king & (RANK_1 << rank)) || (standard && kingFile != 4) || !(side & rooks(p) & squareBit(rank + rookFile))
            || (isKingSide(right) ? rookFile < kingFile : rookFile > kingFile))
            return false;
    }

    // En passant: the opponent's pawn stands where a double step ends and the
    // two squares it crossed are empty.
    if (p.epFile != NO_EP_FILE) {
        const int f = p.epFile;
        if (!(them & pawns(p) & squareBit(32 + f)) || (occupied(p) & (squareBit(40 + f) | squareBit(48 + f))))
            return false;
    }

    // The side that just moved cannot be in check.
    Position other = p;
    mirrorPosition(other);
    return checkers(other) == 0;
}

// Halfmove clock: leading digits (saturating at 255), 0 when the field is not
// a number (an EPD operation), failure when negative.
bool readHalfmoveClock(const Field& f, uint8_t& clock)
{
    clock = 0;
    if (f.text[0] == '-')
        return f.length == 1 || !(f.text[1] >= '0' && f.text[1] <= '9');
    int value = 0;
    for (int i = 0; i < f.length && f.text[i] >= '0' && f.text[i] <= '9'; i++) {
        value = value * 10 + (f.text[i] - '0');
        if (value > 255)
            value = 255;
    }
    clock = uint8_t(value);
    return true;
}

// Castling rights, White as own: "-", or letters. K and Q (k and q for Black)
// name the outermost rook on the king's side of the king; in a Chess960 game
// a file letter (A-H, a-h) names the rook on that file. Otherwise only the
// standard set-up is read (king on the e-file, rooks in the corners).
// Positions without their king or rook where the right needs them fail here
// or in positionIsPlayable.
bool readCastling(const Field& f, Position& p)
{
    if (fieldIs(f, "-"))
        return true;
    int files[2][2] = {{-1, -1}, {-1, -1}};  // [Black][king side]
    for (int i = 0; i < f.length; i++) {
        const char c = f.text[i];
        const bool white = c >= 'A' && c <= 'Z';
        const char upper = char(white ? c : c - 'a' + 'A');
        const bool fileLetter = upper >= 'A' && upper <= 'H';
        if (upper != 'K' && upper != 'Q' && !(p.chess960 && fileLetter))
            return false;
        const Bitboard side = white ? p.own : occupied(p) & ~p.own;
        const int rank = white ? 0 : 56;
        const Bitboard king = side & kings(p) & (RANK_1 << rank);
        if (popcount(king) != 1)
            return false;
        const int kingFile = squareFile(lsb(king));
        const Bitboard homeRooks = side & rooks(p) & (RANK_1 << rank);
        int file;
        if (upper == 'K' || upper == 'Q') {
            const Bitboard beyond = upper == 'K' ? homeRooks & ~((squareBit(rank + kingFile) << 1) - 1)
                                                 : homeRooks & (squareBit(rank + kingFile) - 1);
            if (!beyond)
                return false;
            file = squareFile(upper == 'K' ? 63 - __builtin_clzll(beyond) : lsb(beyond));
        } else {
            file = upper - 'A';
        }
        if (file == kingFile)
            return false;
        int& slot = files[white ? 0 : 1][file > kingFile];
        if (slot >= 0 && slot != file)
            return false;
        slot = file;
        p.castling |= uint8_t((file > kingFile ? CASTLE_OWN_KING : CASTLE_OWN_QUEEN) << (white ? 0 : 4));
    }
    // The rook byte of each side: 0 for the standard set-up.
    for (int black = 0; black < 2; black++) {
        const int queenFile = files[black][0], kingFile = files[black][1];
        if (queenFile < 0 && kingFile < 0)
            continue;
        const Bitboard king = (black ? occupied(p) & ~p.own : p.own) & kings(p);
        const bool standard = squareFile(lsb(king)) == 4 && queenFile <= 0 && (kingFile < 0 || kingFile == 7);
        if (standard)
            continue;
        if (!p.chess960)
            return false;
        const int layout = 0x80 | (kingFile < 0 ? 7 : kingFile) << 3 | (queenFile < 0 ? 0 : queenFile);
        p.castlingRooks |= uint16_t(layout << (black ? 8 : 0));
    }
    return true;
}

bool readFen(const char* fenText, bool chess960, Position& p)
{
    if (!fenText || std::strlen(fenText) > size_t(MAX_FEN_TEXT))
        return false;
    Field fields[MAX_FIELDS];
    const int n = splitFields(fenText, fields, MAX_FIELDS);
    if (n < 4)
        return false;

    p = Position{};
    p.chess960 = chess960;
    if (!readPlacement(fields[0], p))
        return false;

    const bool black = fieldIs(fields[1], "b");
    if (!black && !fieldIs(fields[1], "w"))
        return false;

    if (!readCastling(fields[2], p))
        return false;

    if (n >= 5 && !readHalfmoveClock(fields[4], p.halfmoveClock))
        return false;
    if (black)
        mirrorPosition(p);

    const Field& ep = fields[3];
    p.epFile = NO_EP_FILE;
    if (!fieldIs(ep, "-")) {
        if (ep.length != 2 || ep.text[0] < 'a' || ep.text[0] > 'h' || ep.text[1] != (black ? '3' : '6'))
            return false;
        p.epFile = uint8_t(ep.text[0] - 'a');
    }

    if (!positionIsPlayable(p))
        return false;
    p.key = computeKey(p);
    p.pawnKey = computePawnKey(p);
    p.scoreMg = computeScoreMg(p);
    p.scoreEg = computeScoreEg(p);
    return true;
}

// The next word of a move list (length 0 at the end).
Field nextWord(const char*& text)
{
    while (*text && isBlank(*text))
        text++;
    const char* start = text;
    while (*text && !isBlank(*text))
        text++;
    return {start, int(text - start)};
}

Move wordToMove(const Position& pos, const Field& w)
{
    if (w.length != 4 && w.length != 5)
        return 0;
    char text[MOVE_TEXT_SIZE] = {};
    std::memcpy(text, w.text, size_t(w.length));
    return textToMove(pos, text);
}

}  // namespace

int setPositionFromFen(PositionStack& thread, const char* fenText, const char* moveListText, bool chess960)
{
    Position root;
    if (!readFen(fenText, chess960, root))
        return 0;
    if (!moveListText)
        moveListText = "";

    // First pass: every move must be legal. Scratch slots 0 and 1 are guards
    // for make-move's repetition scan; the position lives in slot 2.
    Position scratch[4] = {};
    scratch[2] = root;
    for (const char* text = moveListText;;) {
        const Field w = nextWord(text);
        if (!w.length)
            break;
        const Move m = wordToMove(scratch[2], w);
        if (!isLegalMove(scratch[2], m))
            return 0;
        scratch[2] = *makeMove(scratch[2], m);
    }

    // Second pass, known to succeed: play the moves on the thread's stack.
    thread.positions[0] = root;
    thread.current = thread.positions;
    for (const char* text = moveListText;;) {
        const Field w = nextWord(text);
        if (!w.length)
            break;
        Position* pos = keepStackRoom(thread);
        Position* child = makeMove(*pos, wordToMove(*pos, w));
        if (child->halfmoveClock == 0) {
            thread.positions[0] = *child;
            child = thread.positions;
        }
        thread.current = child;
    }
    Position& cur = *thread.current;
    cur.key = computeKey(cur);
    cur.pawnKey = computePawnKey(cur);
    cur.scoreMg = computeScoreMg(cur);
    cur.scoreEg = computeScoreEg(cur);
    return 1;
}

namespace {

// The FEN letter of a right, White as own: the rook's file in a Chess960 game
// (Shredder-FEN); otherwise K or Q, or the file where another rook stands
// further out on the same side (X-FEN), which only a Chess960 set-up has.
char castlingLetter(const Position& p, uint8_t right)
{
    const bool white = (right & CASTLE_OWN) != 0;
    const int rank = white ? 0 : 56;
    const int file = castlingRookFile(p, right);
    const char base = white ? 'A' : 'a';
    if (p.chess960)
        return char(base + file);
    const Bitboard homeRooks = (white ? p.own : occupied(p) & ~p.own) & rooks(p) & (RANK_1 << rank);
    const Bitboard outside = isKingSide(right) ? homeRooks & ~((squareBit(rank + file) << 1) - 1)
                                               : homeRooks & (squareBit(rank + file) - 1);
    if (outside)
        return char(base + file);
    return isKingSide(right) ? (white ? 'K' : 'k') : (white ? 'Q' : 'q');
}

}  // namespace

void positionToFen(const Position& pos, char* text)
{
    Position p = pos;
    if (p.sideToMove)
        mirrorPosition(p);  // White's pieces become own, at absolute squares
    char* out = text;
    for (int rank = 7; rank >= 0; rank--) {
        int emptyRun = 0;
        for (int file = 0; file < 8; file++) {
            const int s = rank * 8 + file;
            const int code = pieceOn(p, s);
            if (!code) {
                emptyRun++;
                continue;
            }
            if (emptyRun)
                *out++ = char('0' + emptyRun);
            emptyRun = 0;
            *out++ = PIECE_LETTERS[code + ((p.own >> s) & 1) * 8];
        }
        if (emptyRun)
            *out++ = char('0' + emptyRun);
        if (rank)
            *out++ = '/';
    }
    *out++ = ' ';
    *out++ = pos.sideToMove ? 'b' : 'w';
    *out++ = ' ';
    if (!p.castling)
        *out++ = '-';
    for (const uint8_t right : RIGHTS)
        if (p.castling & right)
            *out++ = castlingLetter(p, right);
    *out++ = ' ';
    if (pos.epFile == NO_EP_FILE) {
        *out++ = '-';
    } else {
        *out++ = char('a' + pos.epFile);
        *out++ = pos.sideToMove ? '3' : '6';
    }
    *out++ = ' ';
    *out = 0;
}

void moveToText(char* text, Move move, int blackToMove, bool chess960)
{
    const int flip = blackToMove ? 56 : 0;
    int to = moveTo(move);
    const bool castling = isCastling(move);
    // The king takes its own rook in a Chess960 game, and whenever the king's
    // two-square step would not say which castling is meant.
    if (castling && (chess960 || moveFrom(move) != E1 || movePromotion(move) != 0))
        to = castlingRookSquare(move);
    const int from = moveFrom(move) ^ flip;
    to ^= flip;
    text[0] = char('a' + squareFile(from));
    text[1] = char('1' + squareRank(from));
    text[2] = char('a' + squareFile(to));
    text[3] = char('1' + squareRank(to));
    const int promo = movePromotion(move);
    text[4] = (promo >= KNIGHT && promo <= QUEEN && !castling) ? "nbrq"[promo - KNIGHT] : 0;
    text[5] = 0;
}

Move textToMove(const Position& pos, const char* text)
{
    if (!text)
        return 0;
    for (int i = 0; i < 4; i++) {
        const char c = text[i];
        const bool ok = (i & 1) ? (c >= '1' && c <= '8') : (c >= 'a' && c <= 'h');
        if (!ok)
            return 0;  // also stops at a terminator, so short text is never overread
    }
    const int flip = pos.sideToMove ? 56 : 0;
    const int from = ((text[0] - 'a') + 8 * (text[1] - '1')) ^ flip;
    const int to = ((text[2] - 'a') + 8 * (text[3] - '1')) ^ flip;
    int promo = 0;
    switch (text[4]) {
    case 'n': promo = KNIGHT; break;
    case 'b': promo = BISHOP; break;
    case 'r': promo = ROOK; break;
    case 'q': promo = QUEEN; break;
    default: break;
    }

    int kind = pieceOn(pos, from);
    if (kind == PAWN) {
        if (squareRank(to) == 7)
            kind = KIND_PROMOTION;
        else if (pos.epFile != NO_EP_FILE && to == 40 + pos.epFile)
            kind = KIND_EN_PASSANT;
    } else if (kind == KING) {
        // Castling: the king takes one of its castling rooks (a Chess960
        // game), or steps from e1 to g1 or c1.
        const bool takesRook = pos.chess960 || (pos.castlingRooks & 0xFF);
        for (const uint8_t right : RIGHTS) {
            if (!(right & CASTLE_OWN))
                continue;
            const int rook = castlingRookFile(pos, right);
            const bool kingSide = right == CASTLE_OWN_KING;
            if (takesRook && (pos.castling & right) && to == rook && (pos.own & rooks(pos) & squareBit(rook)))
                return makeCastlingWord(kingSide, from, rook);
            if (from == E1 && to == (kingSide ? G1 : C1) && !promo)
                return makeCastlingWord(kingSide, from, rook);
        }
    }
    if (occupied(pos) & squareBit(to))
        kind += KIND_CAPTURE;
    return makeMoveWord(kind, from, to, promo);
}

void writeBoard(const Position& pos, const LineSink& sink)
{
    Position p = pos;
    if (p.sideToMove)
        mirrorPosition(p);
    const char* border = "  +---+---+---+---+---+---+---+---+\n";
    sendText(sink, "\n\n");
    sendText(sink, border);
    for (int rank = 7; rank >= 0; rank--) {
        char line[] = "8 |   |   |   |   |   |   |   |   |\n";
        line[0] = char('1' + rank);
        for (int file = 0; file < 8; file++) {
            const int s = rank * 8 + file;
            const int code = pieceOn(p, s);
            if (code)
                line[4 + 4 * file] = PIECE_LETTERS[code + ((p.own >> s) & 1) * 8];
        }
        sendText(sink, line);
        sendText(sink, border);
    }
    sendText(sink, "\n    A   B   C   D   E   F   G   H\n\n");
}
