// Move ordering: the scores in move-list entries, lazy best-first selection,
// and the per-thread killer, counter-move and history tables.
#pragma once

#include <cstdint>

#include "search/searchthread.h"

// Ordering scores of quiet moves that are killers or the counter-move; all
// other quiet moves score their history counter.
constexpr int KILLER1_SCORE = 25000;
constexpr int KILLER2_SCORE = 24000;
constexpr int COUNTER_SCORE = 23000;

// Scores the quiet entries of the node at `ply`, whose position is t.current.
void scoreQuiets(const SearchThread& t, int ply, MoveEntry* list, int count);

// Takes the highest-scored entry of the list [0, count) and shrinks the list
// by one from the end (the last entry takes the picked one's place). Scores
// compare as signed 16-bit numbers; among equal scores the entry nearest the
// end wins. The list must not be empty.
inline MoveEntry pickBest(MoveEntry* list, int& count)
{
    int best = count - 1;
    for (int i = count - 2; i >= 0; i--)
        if (entryScore(list[i]) > entryScore(list[best]))
            best = i;
    MoveEntry picked = list[best];
    list[best] = list[--count];
    return picked;
}

// The three updates made together when a quiet move refutes a node.
void updateKillers(SearchThread& t, int ply, Move move);
void updateCounterMove(SearchThread& t, Move move);
void updateHistory(SearchThread& t, int depth, Move move);

void clearKillers(SearchThread& t);
void clearCounterMoves(SearchThread& t);
void clearHistory(SearchThread& t);
// Scales history down to an eighth, so it carries over between searches.
void ageHistory(SearchThread& t);

// Sorts root entries [first, last] (inclusive indices) ascending by score; the
// root walks the list from its end, so the best-scored move is searched first.
void sortRootMoves(uint64_t* list, int first, int last);

// The root entry score for the effort (nodes) a root move took: log2(nodes +
// 1) in steps of 1/256 (linear between powers of two), 0..16383, so that it
// keeps the order of the counts (to within 0.4%) in a positive 16-bit score.
// A count modulo the score range would put a large subtree below a small one.
int rootEffortScore(uint64_t nodes);
