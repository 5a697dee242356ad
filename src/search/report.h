// The search's output, in the form of the protocol in use: one line per
// iteration, the principal variation, and the best-move line.
#pragma once

#include "search/settings.h"

struct Engine;

// The iteration line (console: only with postThinking, plus the mate line)
// for the search from root. Silent prints nothing here nor below. A UCI line
// with multiPv k > 0 carries "multipv k" (several best lines per iteration).
// A UCI line is written in one piece, so that a "readyok" answered by the
// input reader meanwhile never lands inside it.
void reportIteration(const Engine& engine, const SearchSettings& settings, const Position& root, const SearchResult& r,
                     int multiPv = 0);

// The moves of line in coordinate text, the first one played from root.
void printLine(const Position& root, const PvLine& line);

// The best-move line, written after the best move was played: after is the
// position then on the board (the position searched when r.best is 0). The
// UCI form names the ponder move only while ponderAllowed is set.
void reportBestMove(const Engine& engine, OutputMode mode, const Position& after, const SearchResult& r);
