// The static evaluation and its cache step; the terms are in evalterms.h.
#include "eval/evaluate.h"

#include "eval/evalcache.h"
#include "eval/evalterms.h"

namespace {

Score evaluateUntraced(const Position& pos, EvalCache* cache)
{
    NoTrace none;
    return evalIsClassic() ? evaluateWith<false>(pos, cache, none) : evaluateWith<true>(pos, cache, none);
}

} // namespace

int gamePhase(const Position& pos) { return phaseOf(pos); }

Score evaluatePosition(const Position& pos) { return evaluateUntraced(pos, nullptr); }

Score evaluate(const Position& pos, EvalCache* cache)
{
    const bool cached = cache && cache->entries;
    if (cached) {
        int hit = probeHashEval(*cache, pos.key);
        if (hit != HASH_MISS)
            return Score(hit);
    }
    Score score = evaluateUntraced(pos, cached ? cache : nullptr);
    if (cached)
        storeHashEval(*cache, pos.key, score);
    return score;
}
