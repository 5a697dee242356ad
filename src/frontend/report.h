// The front end's output of what the layers below it report: their message
// lines, the search's iteration and best-move lines in the console's and
// UCI's forms, and a finished game's result lines. Everything goes to
// standard output, flushed after each piece.
#pragma once

#include "platform/linesink.h"
#include "search/reporter.h"

struct Engine;
struct Session;

// Writes text to standard output and flushes it (a LineSink function; the
// context is not used).
void printText(void* context, const char* text);
inline LineSink stdoutSink() { return LineSink{printText, nullptr}; }

// The engine's reporter for each protocol (context: the session). The
// console's iteration line appears only with PostThinking, its mate line
// always; a UCI line is written in one piece, so that a "readyok" answered by
// the input reader meanwhile never lands inside it. Both print the messages.
Reporter consoleReporter(Session& session);
Reporter uciReporter(Session& session);
// Messages only, no iteration lines (the command-line bench).
Reporter messageReporter();

// The best-move line, written after the best move was played: after is the
// position then on the board (the position searched when r.best is 0). The
// UCI form names the ponder move only while the engine allows one; the
// console's gives the speed over the search's elapsed time.
void printBestMove(const Engine& engine, bool uci, const Position& after, const SearchResult& r);

// The result lines that apply to the game's position pos (repetition,
// fifty-move rule, mate, stalemate; none while the game goes on).
void printGameEnd(const Position& pos);
