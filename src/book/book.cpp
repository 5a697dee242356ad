// Polyglot book reading: key, lookup, move text, choice and listing.
#include "book/book.h"

#include <cinttypes>
#include <cstdio>

#include "book/polyglot_randoms.h"
#include "platform/platform.h"
#include "position/fen.h"
#include "position/makemove.h"

namespace {

constexpr int E8 = 60;

// Piece letters in the order of the key's piece kinds.
constexpr char KEY_PIECES[] = "pPnNbBrRqQkK";

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Next blank-separated field of text: its start and length; text moves past it.
int nextField(const char*& text, const char*& start)
{
    while (isBlank(*text))
        text++;
    start = text;
    while (*text && !isBlank(*text))
        text++;
    return int(text - start);
}

int pieceKind(char c)
{
    for (int kind = 0; KEY_PIECES[kind]; kind++)
        if (KEY_PIECES[kind] == c)
            return kind;
    return -1;
}

bool readPlacement(const char* text, int length, char* board)
{
    int rank = 7, file = 0;
    for (int i = 0; i < length; i++) {
        const char c = text[i];
        if (c == '/') {
            if (file != 8 || rank == 0)
                return false;
            rank--;
            file = 0;
        } else if (c >= '1' && c <= '8') {
            file += c - '0';
            if (file > 8)
                return false;
        } else if (pieceKind(c) >= 0 && file < 8) {
            board[rank * 8 + file++] = c;
        } else {
            return false;
        }
    }
    return rank == 0 && file == 8;
}

uint64_t readBigEndian(const unsigned char* bytes, int width)
{
    uint64_t value = 0;
    for (int i = 0; i < width; i++)
        value = value << 8 | bytes[i];
    return value;
}

BookEntry decodeEntry(const unsigned char* bytes)
{
    return BookEntry{readBigEndian(bytes, 8), uint16_t(readBigEndian(bytes + 8, 2)),
                     uint16_t(readBigEndian(bytes + 10, 2)), uint32_t(readBigEndian(bytes + 12, 4))};
}

bool readEntry(const ReadFile& file, uint64_t index, BookEntry& entry)
{
    unsigned char bytes[BOOK_ENTRY_BYTES];
    if (!readFileAt(file, index * BOOK_ENTRY_BYTES, bytes, sizeof bytes))
        return false;
    entry = decodeEntry(bytes);
    return true;
}

// The entries of key in an open file: a lower-bound binary search over the
// whole entries, then one read of the run that follows (at most one entry
// more than a key may have, so that too many are seen without reading on).
BookStatus gatherEntries(const ReadFile& file, uint64_t key, BookEntry* entries, int& count)
{
    const int64_t total = int64_t(file.size / BOOK_ENTRY_BYTES);
    int64_t low = -1, high = total;
    while (high - low > 1) {
        const int64_t middle = low + (high - low) / 2;
        BookEntry probe;
        if (!readEntry(file, uint64_t(middle), probe))
            return BookStatus::NotFound;  // the file shrank under us
        if (key <= probe.key)
            high = middle;
        else
            low = middle;
    }
    if (high == total)
        return BookStatus::NotFound;

    unsigned char bytes[(MAX_BOOK_ENTRIES + 1) * BOOK_ENTRY_BYTES];
    const int64_t wanted = total - high < MAX_BOOK_ENTRIES + 1 ? total - high : MAX_BOOK_ENTRIES + 1;
    if (!readFileAt(file, uint64_t(high) * BOOK_ENTRY_BYTES, bytes, size_t(wanted) * BOOK_ENTRY_BYTES))
        return BookStatus::NotFound;
    int found = 0;
    for (int64_t i = 0; i < wanted; i++) {
        const BookEntry entry = decodeEntry(bytes + i * BOOK_ENTRY_BYTES);
        if (entry.key != key)
            break;
        if (found == MAX_BOOK_ENTRIES)
            return BookStatus::TooMany;
        entries[found++] = entry;
    }
    count = found;
    return found ? BookStatus::Found : BookStatus::NotFound;
}

// The next number of the sequence, seeded from the clock on first use unless
// a seed was given.
uint64_t nextRandom(BookRandom& random)
{
    if (!random.seeded)
        seedBookRandom(random, nowMs());
    uint64_t z = (random.state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

}  // namespace

bool readBookPosition(const char* fenText, BookPosition& out)
{
    if (!fenText)
        return false;
    const char* text = fenText;
    const char* field[4];
    int length[4];
    for (int i = 0; i < 4; i++)
        if ((length[i] = nextField(text, field[i])) == 0)
            return false;

    BookPosition pos{};
    if (!readPlacement(field[0], length[0], pos.board))
        return false;
    if (length[1] != 1 || (field[1][0] != 'w' && field[1][0] != 'b'))
        return false;
    const bool whiteToMove = field[1][0] == 'w';

    uint64_t key = 0;
    for (int s = 0; s < 64; s++)
        if (pos.board[s])
            key ^= POLYGLOT_RANDOMS[POLYGLOT_PIECE + 64 * pieceKind(pos.board[s]) + s];

    if (!(length[2] == 1 && field[2][0] == '-')) {
        static constexpr char CASTLE_LETTERS[] = "KQkq";
        unsigned rights = 0;
        for (int i = 0; i < length[2]; i++) {
            int right = 0;
            while (CASTLE_LETTERS[right] && CASTLE_LETTERS[right] != field[2][i])
                right++;
            if (!CASTLE_LETTERS[right])
                return false;
            rights |= 1u << right;
        }
        for (int right = 0; right < 4; right++)
            if (rights & (1u << right))
                key ^= POLYGLOT_RANDOMS[POLYGLOT_CASTLE + right];
    }

    if (!(length[3] == 1 && field[3][0] == '-')) {
        const char fileLetter = field[3][0], rankDigit = field[3][1];
        if (length[3] != 2 || fileLetter < 'a' || fileLetter > 'h' || rankDigit < '1' || rankDigit > '8')
            return false;
        // The file counts only when a pawn of the side to move could take en passant.
        const int file = fileLetter - 'a';
        const int rank = whiteToMove ? 4 : 3;
        const char pawn = whiteToMove ? 'P' : 'p';
        const bool capturable = (file > 0 && pos.board[rank * 8 + file - 1] == pawn) ||
                                (file < 7 && pos.board[rank * 8 + file + 1] == pawn);
        if (capturable)
            key ^= POLYGLOT_RANDOMS[POLYGLOT_EN_PASSANT + file];
    }

    if (whiteToMove)
        key ^= POLYGLOT_RANDOMS[POLYGLOT_TURN];
    pos.key = key;
    out = pos;
    return true;
}

uint64_t bookKey(const char* fenText)
{
    BookPosition pos;
    return readBookPosition(fenText, pos) ? pos.key : 0;
}

bool bookFileOpens(const char* path, int& error)
{
    error = 0;
    ReadFile file;
    if (!path || !openReadFile(file, path, error))
        return false;
    closeReadFile(file);
    return true;
}

BookStatus findBookEntries(const char* path, uint64_t key, BookEntry* entries, int& count, int& error)
{
    count = 0;
    error = 0;
    ReadFile file;
    if (!path || !openReadFile(file, path, error))
        return BookStatus::NoFile;
    const BookStatus status = gatherEntries(file, key, entries, count);
    closeReadFile(file);
    if (status != BookStatus::Found)
        count = 0;
    return status;
}

bool bookMoveText(const BookPosition& pos, uint16_t move, char* text)
{
    int to = move & 63;
    const int from = (move >> 6) & 63;
    const int promotion = (move >> 12) & 7;
    if (promotion == 0) {
        // Castling is stored as the king taking its own rook.
        const bool whiteKing = from == E1 && pos.board[E1] == 'K' && (to == H1 || to == A1);
        const bool blackKing = from == E8 && pos.board[E8] == 'k' && (to == H8 || to == A8);
        if (whiteKing || blackKing)
            to = (to & 7) == 7 ? to - 1 : to + 2;
    }
    text[0] = char('a' + squareFile(from));
    text[1] = char('1' + squareRank(from));
    text[2] = char('a' + squareFile(to));
    text[3] = char('1' + squareRank(to));
    text[4] = promotion == 0 ? '\0' : promotion <= 4 ? " nbrq"[promotion] : '?';
    text[5] = '\0';
    return promotion <= 4;
}

void listBookMoves(const char* path, const char* fenText, BookListing& listing)
{
    listing.status = BookStatus::BadPosition;
    listing.error = 0;
    listing.key = 0;
    listing.count = 0;
    BookPosition pos;
    if (!readBookPosition(fenText, pos))
        return;
    listing.key = pos.key;
    listing.status = findBookEntries(path, pos.key, listing.entries, listing.count, listing.error);
    uint32_t sum = 0;  // at most 100 x 65535
    for (int i = 0; i < listing.count; i++)
        sum += listing.entries[i].weight;
    for (int i = 0; i < listing.count; i++) {
        bookMoveText(pos, listing.entries[i].move, listing.text[i]);
        listing.percent[i] = sum ? 100.0 * listing.entries[i].weight / sum : 0.0;
    }
}

int writeBookListing(const char* path, const BookListing& listing, BookLineSink sink, void* context)
{
    char line[512];
    switch (listing.status) {
    case BookStatus::Found:
        for (int i = 0; i < listing.count; i++) {
            std::snprintf(line, sizeof line, "move=%s weight=%5.2f%%\n", listing.text[i], listing.percent[i]);
            sink(line, context);
        }
        return 0;
    case BookStatus::NoFile:
        std::snprintf(line, sizeof line, "%s: %s\n", path ? path : "", systemErrorText(listing.error));
        break;
    case BookStatus::NotFound:
        std::snprintf(line, sizeof line, "%" PRIu64 ": No such key\n", listing.key);
        break;
    case BookStatus::TooMany:
        std::snprintf(line, sizeof line, "Too many moves in this position (max=%d)\n", MAX_BOOK_ENTRIES);
        break;
    case BookStatus::BadPosition:
    case BookStatus::Illegal:
        std::snprintf(line, sizeof line, "No book position\n");
        break;
    }
    sink(line, context);
    return 1;
}

BookChoice pickBookMove(const char* path, const Position& pos, BookRandom* random)
{
    BookChoice choice{BookStatus::BadPosition, 0, ""};
    char fen[FEN_TEXT_SIZE];
    positionToFen(pos, fen);
    BookPosition bookPos;
    if (!readBookPosition(fen, bookPos))
        return choice;
    BookEntry entries[MAX_BOOK_ENTRIES];
    int count = 0, error = 0;
    choice.status = findBookEntries(path, bookPos.key, entries, count, error);
    if (choice.status != BookStatus::Found)
        return choice;
    const int index = random ? int(nextRandom(*random) % uint64_t(count)) : 0;
    const bool wellFormed = bookMoveText(bookPos, entries[index].move, choice.text);
    const Move move = wellFormed ? textToMove(pos, choice.text) : 0;
    if (!isLegalMove(pos, move)) {
        choice.status = BookStatus::Illegal;
        return choice;
    }
    choice.move = move;
    return choice;
}

void seedBookRandom(BookRandom& random, uint64_t seed)
{
    random.state = seed;
    random.seeded = true;
}
