// The front end's state for one run of the program: the configuration, the
// engine it drives, the protocol in use, the UCI-only settings and the
// opening book's state. runEngine owns the one session and hands it to the
// loop it starts; nothing below the front end sees it.
#pragma once

#include <cstdint>

#include "book/book.h"
#include "frontend/config.h"
#include "frontend/strength.h"
#include "search/engine.h"

enum class Protocol : uint8_t { Console, Uci };

// Settings that exist only as UCI options.
struct UciValues {
    bool ponder = true;  // bestmove may name a ponder move
    int multiPv = 1;
    int moveOverheadMs = 10;  // taken off our own clock before the allocation
    // The tablebase settings of the search (SearchSettings::tbFiftyMoveRule
    // and tbProbeDepth).
    bool syzygy50MoveRule = true;
    int syzygyProbeDepth = 1;
    bool limitStrength = false;  // play at level elo (frontend/strength.h)
    int elo = LEVEL_MAX_ELO;
    bool showWdl = false;  // "wdl W D L" in the info lines with a score
    // Tables allocated and not yet written: their pages are mapped on first
    // touch, which on a large table takes seconds. The next "isready" (or
    // "ucinewgame") clears them, so that no search pays for it on the clock;
    // once a search has begun they hold its entries and are kept.
    bool tablesUntouched = false;
};

// The opening book's use: whether config.bookFile has been tested since it
// was set and could be opened (the book is used when config.book is on and
// the file is usable), and the generator of random choices.
struct BookState {
    bool fileTested = false;
    bool fileUsable = false;
    BookRandom random{};
};

struct Session {
    Engine* engine = nullptr;
    Config config;
    Protocol protocol = Protocol::Console;
    UciValues uci;
    BookState book;
};
