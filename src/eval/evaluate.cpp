// The static evaluation and its cache step; the terms are in evalterms.h.
#include "eval/evaluate.h"

#include "eval/evalcache.h"
#include "eval/evalterms.h"

int gamePhase(const Position& pos) { return phaseOf(pos); }

Score evaluatePosition(const Position& pos)
{
    NoTrace none;
    return evaluateWith(pos, none);
}

Score evaluate(const Position& pos, EvalCache* cache)
{
    const bool cached = cache && cache->entries;
    if (cached) {
        int hit = probeHashEval(*cache, pos.key);
        if (hit != HASH_MISS)
            return Score(hit);
    }
    Score score = evaluatePosition(pos);
    if (cached)
        storeHashEval(*cache, pos.key, score);
    return score;
}
