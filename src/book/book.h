// Polyglot opening book: the book key of a position given as FEN text, the
// lookup of a key's entries in a book file, the choice of a book move and the
// listing of a position's book moves. A book file is opened for each lookup
// and closed after it; a lookup reads one binary search's worth of entries and
// then the run of its key, never the whole file and never a partial entry.
#pragma once

#include <cstdint>

#include "position/position.h"
#include "position/types.h"

// A key with more entries than this is treated as not in the book.
constexpr int MAX_BOOK_ENTRIES = 100;
constexpr int BOOK_ENTRY_BYTES = 16;
// Room for a book move's text: origin, destination, promotion letter, terminator.
constexpr int BOOK_MOVE_TEXT_SIZE = 6;

// One 16-byte entry of a book file (stored big-endian).
struct BookEntry {
    uint64_t key;
    uint16_t move;    // bits 0-5 destination, 6-11 origin (a1 = 0), 12-14 promotion (1 n, 2 b, 3 r, 4 q)
    uint16_t weight;
    uint32_t learn;   // read, never used
};

enum class BookStatus {
    Found,        // the position's entries were read
    NotFound,     // the position is not in the book (also: no whole entry in the file)
    TooMany,      // more than MAX_BOOK_ENTRIES entries for the position
    NoFile,       // the book file cannot be opened
    BadPosition,  // the FEN text could not be read
    Illegal,      // the chosen entry is not a legal move in the position
};

// A position as the book sees it: its key and the piece letter on each
// absolute square (a1 = 0; 0 for an empty square).
struct BookPosition {
    uint64_t key;
    char board[64];
};

// Reads the first four FEN fields (placement, side, castling, en passant;
// further fields are ignored) and computes the Polyglot key. Returns false,
// leaving out untouched, for text that is not a whole board of eight ranks of
// eight squares, a side "w" or "b", castling "-" or letters of "KQkq", and an
// en-passant field "-" or a square.
bool readBookPosition(const char* fenText, BookPosition& out);

// The Polyglot key of a FEN text; 0 when readBookPosition refuses it.
uint64_t bookKey(const char* fenText);

// Whether the book file at path can be opened for reading; error receives
// the system's error number when it cannot.
bool bookFileOpens(const char* path, int& error);

// Gathers the entries of key, in file order, into entries (room for
// MAX_BOOK_ENTRIES) and their number into count. Found when there is at least
// one; error receives the system's error number for NoFile.
BookStatus findBookEntries(const char* path, uint64_t key, BookEntry* entries, int& count, int& error);

// Coordinate text of a book move word in pos: origin and destination squares
// and a lower-case promotion letter. The king-takes-rook forms e1h1, e1a1,
// e8h8 and e8a8 become castling (e1g1, e1c1, e8g8, e8c8) when the king of
// that side stands on the origin square; any other piece keeps its move.
// Returns false for a promotion field above 4 (the text then ends in '?').
bool bookMoveText(const BookPosition& pos, uint16_t move, char* text);

// A position's book entries as the console lists them.
struct BookListing {
    BookStatus status;
    int error;      // the system's error number when status is NoFile
    uint64_t key;
    int count;
    BookEntry entries[MAX_BOOK_ENTRIES];
    char text[MAX_BOOK_ENTRIES][BOOK_MOVE_TEXT_SIZE];
    double percent[MAX_BOOK_ENTRIES];  // weight / sum of weights x 100; 0 when the sum is 0
};
void listBookMoves(const char* path, const char* fenText, BookListing& listing);

// Writes a listing one line at a time (each ending in a newline) through
// sink: "move=%s weight=%5.2f%%" per entry, or the line saying why there are
// none. Returns 0 when it wrote moves, 1 otherwise.
using BookLineSink = void (*)(const char* line, void* context);
int writeBookListing(const char* path, const BookListing& listing, BookLineSink sink, void* context);

// The book's answer for a game position.
struct BookChoice {
    BookStatus status;
    Move move;  // a legal move of the position when status is Found, else 0
    char text[BOOK_MOVE_TEXT_SIZE];
};

// The generator of random book choices (a splitmix64 sequence): the
// caller's, zero-initialised means not seeded yet.
struct BookRandom {
    uint64_t state;
    bool seeded;
};

// Chooses a book move for pos from the book at path: the first entry in file
// order, or with a generator (random not null) a uniformly drawn entry;
// weights play no part. The chosen move is played only when it is legal in
// pos (status Illegal otherwise, and the caller searches).
BookChoice pickBookMove(const char* path, const Position& pos, BookRandom* random);

// Seeds the generator (it seeds itself from the clock when never seeded).
void seedBookRandom(BookRandom& random, uint64_t seed);
