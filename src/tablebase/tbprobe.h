// WDL and DTZ probes of a position: table lookups wrapped in a small search
// over captures, promotions and en-passant captures, because a table value is
// exact only where no capture does better.
#pragma once

#include "position/position.h"

struct Tablebases;

// Success flag values: 0 a table was missing or unusable (ignore the value),
// 1 read from a table, 2 decided by a capture or promotion.
constexpr int TB_PROBE_FAILED = 0;

// Result with the fifty-move rule, side to move's view: -2 loss, -1 loss saved
// by the fifty-move rule, 0 draw, 1 win spoiled by it, 2 win. Positions with
// castling rights are never in a table (flag 0). Safe from any thread.
int probeWdl(Tablebases& tb, const Position& pos, int* success);

// Plies to the next capture or pawn move on the best path: positive when the
// side to move wins, negative when it loses, 0 for a draw; 100 more for
// results the fifty-move rule turns into draws. The engine's front-end thread
// only (the registry's DTZ cache is not locked).
int probeDtz(Tablebases& tb, const Position& pos, int* success);

// WDL -2..2 as a DTZ value (-1, -101, 0, 101, 1).
inline int wdlToDtz(int wdl)
{
    static constexpr int TABLE[5] = {-1, -101, 0, 101, 1};
    return TABLE[wdl + 2];
}
