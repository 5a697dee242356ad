// Time allocation, the timer that stops a search, and the flags that stop it
// or hold its best move back. Times are in centiseconds unless named Ms.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "platform/platform.h"

// The flags of one engine's search. The stop flags are polled at every node
// by every search thread and raised by the timer, the input reader or the
// first thread to finish an iteration. Relaxed loads are enough: a node that
// sees a raise one node late only wastes a node.
struct SearchFlags {
    std::atomic<uint32_t> stopSearch;
    std::atomic<uint32_t> abortIteration;
    // Raised while a UCI search ponders or runs without limit; the UCI loop
    // holds its "bestmove" back until it drops.
    std::atomic<uint32_t> pondering;
    std::atomic<uint32_t> infinite;
    // Whether the UCI best-move line may name a ponder move.
    std::atomic<uint32_t> ponderAllowed;
};

inline bool searchStopped(const SearchFlags& f)
{
    return f.stopSearch.load(std::memory_order_relaxed) | f.abortIteration.load(std::memory_order_relaxed);
}

// Raises both stop flags: the search ends now.
inline void raiseStopFlags(SearchFlags& f)
{
    f.stopSearch.store(1, std::memory_order_relaxed);
    f.abortIteration.store(1, std::memory_order_relaxed);
}

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
    bool classic = false;  // the classic allocation, else the default play's limits (timeman.h)
};

// The fixed move time that means "no limit" in the console.
constexpr int32_t NO_MOVE_TIME = 720000;

// One timer at a time per engine. Its limits are copied when it starts, so
// that its thread reads nothing the front end may change meanwhile.
struct Timer {
    SearchFlags* flags;  // raised at the deadline
    ThreadHandle handle;
    std::atomic<uint32_t> cancel;
    uint64_t startMs;
    int32_t moveTime;
    int32_t allocation;
    // The default play's soft limit in milliseconds after the search's start
    // (0: none), checked by the search driver between iterations; set with
    // the timer (a "ponderhit" on the input thread sets it anew).
    std::atomic<int64_t> softLimitMs;
    std::mutex mutex;  // setupTimer may run on the input reader's thread
    // The timer sleeps on this until its deadline or until it is cancelled.
    std::mutex wakeMutex;
    std::condition_variable wake;
};

// The allocation for this move (moveNumber: searches since the new game, 0 in
// the console) without starting anything.
int32_t computeAllocation(TimeControl& tc, int moveNumber);

// The default play's two limits of one move (soft: see timeman.h).
struct MoveLimits {
    int32_t hard;  // centiseconds
    int32_t soft;  // centiseconds; 0 when the clock sets no soft limit
};

// The default play's limits from the clock in tc (myTime, increment,
// movesToGo, moveTime; centiseconds), in timeman.cpp. A fixed move time is
// used whole: it has no soft limit.
MoveLimits defaultMoveLimits(const TimeControl& tc);

// Clears stopSearch, computes the allocation (for the default play its hard
// limit, with the soft limit in timer.softLimitMs) and starts the timer (not
// for the console, consoleClock, while the move time is unlimited). Replaces
// a running timer. False when the system refused the timer's thread.
bool setupTimer(Timer& timer, TimeControl& tc, int moveNumber, bool consoleClock);

// Ends the running timer, if any, and waits for it. Called when a search ends,
// so that no timer outlives its search.
void stopTimer(Timer& timer);
