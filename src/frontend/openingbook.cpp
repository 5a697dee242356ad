// The front end's opening-book settings and the book move of a game position.
#include "frontend/openingbook.h"

#include <cstdio>
#include <cstring>

#include "book/book.h"
#include "frontend/config.h"
#include "platform/platform.h"

namespace {

// Whether config.bookFile has been tested since it was set, and whether it
// could be opened. The book is used when config.book is on and the file is
// usable.
bool fileTested = false;
bool fileUsable = false;

} // namespace

void checkBookFile()
{
    if (!config.book || fileTested)
        return;
    int error = 0;
    fileTested = true;
    fileUsable = bookFileOpens(config.bookFile, error);
    if (!fileUsable)
        std::printf("#DEBUG: Book file %s cannot be opened (%s): book off\n", config.bookFile, systemErrorText(error));
}

void setBookEnabled(bool on)
{
    config.book = on;
    checkBookFile();
}

void setBookFile(const char* path)
{
    char file[sizeof config.bookFile];  // path may be config.bookFile itself
    std::snprintf(file, sizeof file, "%s", path ? path : "");
    std::memcpy(config.bookFile, file, sizeof file);
    fileTested = false;
    checkBookFile();
}

void setBookRandom(bool on) { config.randBook = on; }

Move bookMove(const Position& pos, bool infiniteSearch, int searchesThisGame)
{
    checkBookFile();
    if (!config.book || !fileUsable || infiniteSearch || searchesThisGame > BOOK_SEARCHES)
        return 0;
    const BookChoice choice = pickBookMove(config.bookFile, pos, config.randBook != 0);
    if (choice.status == BookStatus::NoFile)
        fileUsable = false;  // gone since it was tested: not tried again
    else if (choice.status == BookStatus::TooMany)
        std::printf("#DEBUG: Too many moves in this position (max=%d)\n", MAX_BOOK_ENTRIES);
    return choice.move;
}
