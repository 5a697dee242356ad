// The front end's opening-book settings and the book move of a game position.
#include "frontend/openingbook.h"

#include <cstdio>
#include <cstring>

#include "book/book.h"
#include "frontend/session.h"
#include "platform/platform.h"

void checkBookFile(Session& session)
{
    const Config& config = session.config;
    BookState& book = session.book;
    if (!config.book || book.fileTested)
        return;
    int error = 0;
    book.fileTested = true;
    book.fileUsable = bookFileOpens(config.bookFile, error);
    if (!book.fileUsable)
        std::printf("#DEBUG: Book file %s cannot be opened (%s): book off\n", config.bookFile, systemErrorText(error));
}

void setBookEnabled(Session& session, bool on)
{
    session.config.book = on;
    checkBookFile(session);
}

void setBookFile(Session& session, const char* path)
{
    Config& config = session.config;
    char file[sizeof config.bookFile];  // path may be config.bookFile itself
    std::snprintf(file, sizeof file, "%s", path ? path : "");
    std::memcpy(config.bookFile, file, sizeof file);
    session.book.fileTested = false;
    checkBookFile(session);
}

void setBookRandom(Session& session, bool on) { session.config.randBook = on; }

Move bookMove(Session& session, const Position& pos, bool infiniteSearch, int searchesThisGame)
{
    checkBookFile(session);
    const Config& config = session.config;
    BookState& book = session.book;
    // A Polyglot book holds standard chess only.
    if (!config.book || !book.fileUsable || infiniteSearch || searchesThisGame > BOOK_SEARCHES || pos.chess960)
        return 0;
    const BookChoice choice = pickBookMove(config.bookFile, pos, config.randBook ? &book.random : nullptr);
    if (choice.status == BookStatus::NoFile)
        book.fileUsable = false;  // gone since it was tested: not tried again
    else if (choice.status == BookStatus::TooMany)
        std::printf("#DEBUG: Too many moves in this position (max=%d)\n", MAX_BOOK_ENTRIES);
    return choice.move;
}
