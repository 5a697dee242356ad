// Making a move and at once starting to load the table entries its child
// probes first, so that the memory latency overlaps the child's first work
// (check test, stop flags, repetition rules) instead of stalling the probe.
#pragma once

#include "eval/evalcache.h"
#include "position/makemove.h"
#include "search/engine.h"
#include "search/hashq.h"
#include "search/searchthread.h"
#include "search/tt.h"

// A child of the node search: it probes the hash table and evaluates; with
// no depth left it goes on into quiescence, which probes HashQ.
inline Position* makeMoveForSearch(SearchThread& t, Position& pos, Move m, int childDepth)
{
    Position* child = makeMove(pos, m);
    prefetchHash(t.engine->tt, child->key);
    prefetchHashEval(t.evalCache, child->key);
    if (childDepth <= 0)
        prefetchHashQ(t, child->key);
    return child;
}

// A child of a quiescence node: it evaluates, then probes HashQ.
inline void prefetchQuiescenceChild(SearchThread& t, uint64_t childKey)
{
    prefetchHashEval(t.evalCache, childKey);
    prefetchHashQ(t, childKey);
}

inline Position* makeMoveForQuiescence(SearchThread& t, Position& pos, Move m)
{
    Position* child = makeMove(pos, m);
    prefetchQuiescenceChild(t, child->key);
    return child;
}
