// The node search's staged move picker: the hash move, then winning and equal
// captures, quiet moves, and last the captures that lose material. Each list
// is generated when its stage begins, so the quiet moves are scored with the
// ordering tables as the captures' searches left them.
#pragma once

#include <cstdint>

#include "position/attacks.h"
#include "position/movegen.h"
#include "position/see.h"
#include "search/ordering.h"
#include "search/searchthread.h"

enum class PickStage : uint8_t { Start, Hash, GoodCaptures, Quiets, LosingCaptures, Done };

struct MovePicker {
    const SearchThread* thread;
    const Position* pos;
    int ply;
    Move hashMove;     // 0 when there is none; never returned by a later stage
    PickStage stage;   // the stage of the move last returned
    int see;           // exchange value of the losing capture last returned
    int captureCount;
    int losingCount;
    int quietCount;
    MoveEntry captures[MAX_MOVES];
    MoveEntry losing[MAX_MOVES];
    MoveEntry quiets[MAX_MOVES];
};

// Starts the picker on the thread's current position pos at distance ply.
inline void startPicker(MovePicker& p, const SearchThread& t, const Position& pos, int ply, Move hashMove)
{
    p.thread = &t;
    p.pos = &pos;
    p.ply = ply;
    p.hashMove = hashMove;
    p.stage = PickStage::Start;
    p.see = 0;
    p.captureCount = p.losingCount = p.quietCount = 0;
}

// The best-scored entry left in list that is not the hash move and leaves the
// own king safe; 0 when none is left.
inline Move pickLegal(const MovePicker& p, MoveEntry* list, int& count)
{
    while (count > 0) {
        Move m = entryMove(pickBest(list, count));
        if (m != p.hashMove && !leavesKingInCheck(*p.pos, m))
            return m;
    }
    return 0;
}

// The next move that leaves the own king safe, 0 when none is left; p.stage
// tells which stage it came from. Captures within a stage come best-scored
// first, losing captures best exchange first (p.see), quiet moves killers and
// counter-move first, then by history.
inline Move nextMove(MovePicker& p)
{
    switch (p.stage) {
    case PickStage::Start:
        p.stage = PickStage::Hash;
        if (p.hashMove && !leavesKingInCheck(*p.pos, p.hashMove))
            return p.hashMove;
        [[fallthrough]];
    case PickStage::Hash:
        p.stage = PickStage::GoodCaptures;
        p.captureCount = int(generateCaptures(*p.pos, p.captures) - p.captures);
        [[fallthrough]];
    case PickStage::GoodCaptures:
        while (Move m = pickLegal(p, p.captures, p.captureCount)) {
            const int see = captureCannotLose(*p.pos, m) ? 0 : staticExchange(*p.pos, m);
            if (see < 0) {
                p.losing[p.losingCount++] = makeEntry(m, see);
                continue;
            }
            return m;
        }
        p.stage = PickStage::Quiets;
        p.quietCount = int(generateQuiets(*p.pos, p.quiets) - p.quiets);
        scoreQuiets(*p.thread, p.ply, p.quiets, p.quietCount);
        [[fallthrough]];
    case PickStage::Quiets:
        if (Move m = pickLegal(p, p.quiets, p.quietCount))
            return m;
        p.stage = PickStage::LosingCaptures;
        [[fallthrough]];
    case PickStage::LosingCaptures:
        if (p.losingCount > 0) {
            MoveEntry e = pickBest(p.losing, p.losingCount);
            p.see = entryScore(e);
            return entryMove(e);
        }
        p.stage = PickStage::Done;
        [[fallthrough]];
    case PickStage::Done:
        break;
    }
    return 0;
}
