// Text forms of positions and moves: FEN in and out, coordinate move text, and
// the board diagram. They translate between White-at-the-bottom text and the
// side-to-move view of Position.
#pragma once

#include "platform/linesink.h"
#include "position/position.h"
#include "position/stack.h"

// Longest FEN (or EPD line) accepted; longer text is refused unread.
constexpr int MAX_FEN_TEXT = 511;
// Room for positionToFen's output and for moveToText's.
constexpr int FEN_TEXT_SIZE = 96;
constexpr int MOVE_TEXT_SIZE = 6;

// Chess960 text, off by default (a process-wide setting of the front end). On,
// FEN castling rights may name any rook by its file (Shredder-FEN) besides
// KQkq for the outermost rooks (X-FEN), positionToFen writes file letters, and
// castling moves are written, and read, as the king taking its own rook
// (e1h1). Off, only the standard castling set-up is read, and castling is
// written e1g1.
void setChess960Text(bool on);
bool chess960TextOn();

// Sets thread's game from FEN text and an optional list of coordinate moves
// separated by blanks (null or empty for none). Returns 1 on success. On
// success the set-up position is in slot 0 and the moves follow it, the stack
// collapsing to slot 0 after every capture or pawn move; the current slot is
// the last position. Returns 0 and leaves the thread untouched when the text
// is malformed, the position is not one a game can reach in a way the engine
// relies on (one king per side, no pawn on rank 1 or 8, the side not to move
// not in check, at most 16 men per side with at most 8 pawns and promoted
// pieces that fit the missing pawns, castling rights with king and rook on
// their squares, an en-passant file behind a pawn that could just have
// stepped twice), or any move of the list is illegal.
// The halfmove clock is optional (missing or non-numeric reads as 0, values
// above 255 read as 255, a negative one fails); the fullmove field is ignored.
int setPositionFromFen(PositionStack& thread, const char* fenText, const char* moveListText);

// Writes the first four FEN fields of pos, each followed by a blank, into
// text (FEN_TEXT_SIZE bytes).
void positionToFen(const Position& pos, char* text);

// Writes the coordinate text of move (e2e4, e7e8q) into text (MOVE_TEXT_SIZE
// bytes); blackToMove is the sideToMove of the position the move is made from.
// Castling is e1g1 or e1c1, or the king taking its rook (e1h1) in Chess960
// text and wherever the king does not start on the e-file or the rook not in
// its corner.
void moveToText(char* text, Move move, int blackToMove);

// The move word that coordinate text names in pos, its kind read from the
// board. Castling is the king's step from e1 to g1 or c1, or (in Chess960 text
// or set-ups) the king taking its castling rook. Legality is not checked; text
// that is not four squares' worth of coordinates (a-h, 1-8) gives 0.
Move textToMove(const Position& pos, const char* text);

// Sends the board diagram, White at the bottom, to sink.
void writeBoard(const Position& pos, const LineSink& sink);
