// Shared set-up of the unit tests: standard positions, the shared position
// file, a stack set up from a FEN, legal move lists and captured output.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "engine_init.h"
#include "position/fen.h"
#include "position/movegen.h"
#include "position/stack.h"
#include "support/text.h"

inline const char* const START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
inline const char* const KIWIPETE = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";

// The 301 positions of tests/data/positions.txt.
inline std::vector<std::string> sharedPositions()
{
    std::ifstream in(testDataPath("positions.txt"));
    std::vector<std::string> fens;
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] != '#')
            fens.push_back(line);
    return fens;
}

// A new game on stack with fen (and moves) set up; the current position.
inline Position& setUp(PositionStack& stack, const std::string& fen, const char* moves = nullptr)
{
    newGame(stack);
    EXPECT_EQ(setPositionFromFen(stack, fen.c_str(), moves), 1) << fen << " " << (moves ? moves : "");
    return *stack.current;
}

// The legal moves of pos, sorted.
inline std::vector<Move> legalMoves(const Position& pos)
{
    MoveEntry list[MAX_MOVES];
    std::vector<Move> moves;
    for (MoveEntry* e = list, *end = generateLegal(pos, list); e != end; ++e)
        moves.push_back(entryMove(*e));
    std::sort(moves.begin(), moves.end());
    return moves;
}

// What f prints on standard output.
template <typename F>
std::string printed(F f)
{
    testing::internal::CaptureStdout();
    f();
    return testing::internal::GetCapturedStdout();
}
