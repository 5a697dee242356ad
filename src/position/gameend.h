// Announcement of a finished game after a move is played: repetition, the
// fifty-move rule, checkmate and stalemate.
#pragma once

struct PositionStack;

// Prints the result lines that apply to the stack's current position. Returns
// 1 when it printed a repetition or fifty-move draw line, otherwise 0.
int gameResult(PositionStack& thread);
