// The front end's use of the opening book: whether it is on and which file
// it reads (the session's configuration, changed by protocol options through
// the setters), the one check of the file, and the book move for a game
// position.
#pragma once

#include "position/position.h"

struct Session;

// A game asks the book in its first searches only (counted by the table's age).
constexpr int BOOK_SEARCHES = 40;

// Tests the book file once, when the book is on and the file has not been
// tested yet: a file that cannot be opened switches the book off with one
// line naming it. Called when a protocol loop starts.
void checkBookFile(Session& session);

// Setters for protocol options. Switching the book on, or naming a new file
// while it is on, tests the file as checkBookFile does.
void setBookEnabled(Session& session, bool on);
void setBookFile(Session& session, const char* path);
void setBookRandom(Session& session, bool on);

// The book move for the game position pos: 0 when the book is off or its
// file unusable, in Chess960, for an infinite search, after the first
// BOOK_SEARCHES searches of a game (searchesThisGame), or when the book has no
// legal move for pos. A file that can no longer be opened switches the book off for good.
Move bookMove(Session& session, const Position& pos, bool infiniteSearch, int searchesThisGame);
