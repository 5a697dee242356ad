// Killer, counter-move and history tables and the root-list sort.
#include "search/ordering.h"

#include <cstring>
#include <utility>

static int historySide(const Position& pos) { return int(pos.sideToMove & 1); }

void scoreQuiets(const SearchThread& t, int ply, MoveEntry* list, int count)
{
    const Position& pos = *t.current;
    int side = historySide(pos);
    Move previous = parentLastMove(t, t.current);
    Move counter = t.counterMoves[side][moveFrom(previous)][moveTo(previous)];
    Move killer1 = t.killers[ply][0], killer2 = t.killers[ply][1];
    for (int i = 0; i < count; i++) {
        Move m = entryMove(list[i]);
        int score = m == killer1   ? KILLER1_SCORE
                  : m == killer2   ? KILLER2_SCORE
                  : m == counter   ? COUNTER_SCORE
                                   : int(t.history[side][moveFrom(m)][moveTo(m)]);
        list[i] = makeEntry(m, score);  // history of 32768 or more sorts as negative
    }
}

void updateKillers(SearchThread& t, int ply, Move move)
{
    if (t.killers[ply][0] != move) {
        t.killers[ply][1] = t.killers[ply][0];
        t.killers[ply][0] = move;
    }
}

void updateCounterMove(SearchThread& t, Move move)
{
    Move previous = parentLastMove(t, t.current);
    if (previous != 0)
        t.counterMoves[historySide(*t.current)][moveFrom(previous)][moveTo(previous)] = move;
}

void updateHistory(SearchThread& t, int depth, Move move)
{
    uint16_t& h = t.history[historySide(*t.current)][moveFrom(move)][moveTo(move)];
    h = uint16_t(h + depth * depth);  // 16-bit counter; wraps on purpose
}

void clearKillers(SearchThread& t) { std::memset(t.killers, 0, sizeof t.killers); }
void clearCounterMoves(SearchThread& t) { std::memset(t.counterMoves, 0, sizeof t.counterMoves); }
void clearHistory(SearchThread& t) { std::memset(t.history, 0, sizeof t.history); }

void ageHistory(SearchThread& t)
{
    for (auto& side : t.history)
        for (auto& from : side)
            for (uint16_t& h : from)
                h >>= 3;
}

void sortRootMoves(uint64_t* list, int first, int last)
{
    if (first >= last)
        return;
    int pivot = entryScore(list[first]);
    int split = first;
    for (int i = first + 1; i <= last; i++)
        if (entryScore(list[i]) < pivot)
            std::swap(list[++split], list[i]);
    std::swap(list[first], list[split]);
    sortRootMoves(list, first, split - 1);
    sortRootMoves(list, split + 1, last);
}

int rootEffortScore(uint64_t nodes)
{
    uint64_t x = nodes + 1 != 0 ? nodes + 1 : nodes;
    int k = 63 - __builtin_clzll(x);  // 2^k <= x < 2^(k+1)
    uint64_t rest = x - (uint64_t(1) << k);
    int fraction = int(k <= 8 ? (rest << 8) >> k : rest >> (k - 8));
    return k * 256 + fraction;
}
