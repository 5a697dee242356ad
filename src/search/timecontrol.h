// Time allocation, the timer that stops a search, and the flags a GUI's
// "ponderhit"/"stop" act on. Times are in centiseconds unless named Ms.
#pragma once

#include <atomic>
#include <cstdint>

struct TimeControl {
    int32_t suddenDeath = 20;
    int32_t moreTime = 5;
    int32_t lessTime = 5;
    int32_t fastGame = 5;
    int32_t fastOpening = 15;
    int32_t moveTime = 720000;
    int32_t movesToGo = 0;
    int32_t increment = 0;
    int32_t myTime = 720000;
    int32_t opponentTime = 0;
    int32_t allocation = 720000;
    uint64_t startMs = 0;
    uint64_t elapsedMs = 0;
};

// The fixed move time that means "no limit" in the console.
constexpr int32_t NO_MOVE_TIME = 720000;

extern TimeControl timeControl;

// Raised while a UCI search ponders or runs without limit; the UCI loop holds
// its "bestmove" back until it drops.
extern std::atomic<uint32_t> pondering;
extern std::atomic<uint32_t> infinite;
// Whether the UCI best-move line may name a ponder move.
extern std::atomic<uint32_t> ponderAllowed;

// The allocation for this move (moveNumber: searches since the new game, 0 in
// the console) without starting anything.
int32_t computeAllocation(TimeControl& tc, int moveNumber);

// Clears stopSearch, computes the allocation and starts the timer (not for
// the console, consoleClock, while the move time is unlimited). Replaces a
// running timer.
void setupTimer(TimeControl& tc, int moveNumber, bool consoleClock);

// Ends the running timer, if any, and waits for it. Called when a search ends,
// so that no timer outlives its search.
void stopTimer();
