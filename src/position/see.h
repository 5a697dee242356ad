// Static exchange evaluation: the material outcome of the sequence of captures
// on one square, each side recapturing with its least valuable attacker and
// free to stop when going on would lose.
#pragma once

#include "position/position.h"

// Value of piece code 1..6 from the evaluation parameters (so tuning moves it
// too); 0 for any other code.
int pieceValue(int code);

// Exchange value of `move` (a capture, en-passant capture or promotion) from
// the side to move's view. pos is not modified.
int staticExchange(const Position& pos, Move move);

// True for a plain capture (not en passant, no promotion) of a piece worth at
// least the capturer: its exchange value is then >= 0 without playing it out,
// since the side that captured first can always stop at that gain.
bool captureCannotLose(const Position& pos, Move move);

// True when the victim is worth less than the mover and the exchange loses.
// The cheap value comparison settles most captures without an exchange.
bool isLosingCapture(const Position& pos, Move move);
