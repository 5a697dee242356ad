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
// With chess960 the game is a Chess960 one (Position::chess960): castling
// rights may name any rook by its file (Shredder-FEN) besides KQkq for the
// outermost rooks (X-FEN), and castling moves are read as the king taking its
// own rook (e1h1). Otherwise only the standard castling set-up is read.
int setPositionFromFen(PositionStack& thread, const char* fenText, const char* moveListText, bool chess960 = false);

// Writes the first four FEN fields of pos, each followed by a blank, into
// text (FEN_TEXT_SIZE bytes). A Chess960 game's castling rights are written
// by rook file (Shredder-FEN).
void positionToFen(const Position& pos, char* text);

// Writes the coordinate text of move (e2e4, e7e8q) into text (MOVE_TEXT_SIZE
// bytes); blackToMove is the sideToMove of the position the move is made from,
// chess960 its Position::chess960. Castling is e1g1 or e1c1, or the king
// taking its rook (e1h1) in a Chess960 game and wherever the king does not
// start on the e-file or the rook not in its corner.
void moveToText(char* text, Move move, int blackToMove, bool chess960);

// The move word that coordinate text names in pos, its kind read from the
// board. Castling is the king's step from e1 to g1 or c1, or (in a Chess960
// game) the king taking its castling rook. Legality is not checked; text
// that is not four squares' worth of coordinates (a-h, 1-8) gives 0.
Move textToMove(const Position& pos, const char* text);

// Sends the board diagram, White at the bottom, to sink.
void writeBoard(const Position& pos, const LineSink& sink);
