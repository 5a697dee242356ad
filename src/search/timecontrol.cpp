// Time allocation per move and the timer thread that raises the stop flags.
#include "search/timecontrol.h"

#include <algorithm>
#include <chrono>

namespace {

// Longest single sleep: a stop raised elsewhere (not through stopTimer) is
// seen within this time; the deadline and a cancel are met at once.
constexpr int64_t TIMER_COARSE_WAKE_MS = 100;

void* timerThread(void* argument)
{
    Timer& t = *static_cast<Timer*>(argument);
    SearchFlags& flags = *t.flags;
    // The search stops once the elapsed centiseconds exceed either limit,
    // that is (limit + 1) * 10 ms after the start.
    const int64_t limit = std::min(t.moveTime, t.allocation);
    const int64_t deadline = int64_t(t.startMs) + (limit + 1) * 10;
    std::unique_lock<std::mutex> lock(t.wakeMutex);
    while (!t.cancel.load(std::memory_order_relaxed) && !flags.stopSearch.load(std::memory_order_relaxed)) {
        const int64_t now = int64_t(nowMs());
        if (now >= deadline) {
            raiseStopFlags(flags);
            break;
        }
        t.wake.wait_for(lock, std::chrono::milliseconds(std::min(deadline - now, TIMER_COARSE_WAKE_MS)));
    }
    return nullptr;
}

void stopTimerLocked(Timer& timer)
{
    if (!timer.handle.running)
        return;
    {
        std::lock_guard<std::mutex> lock(timer.wakeMutex);
        timer.cancel.store(1, std::memory_order_relaxed);
    }
    timer.wake.notify_all();
    threadJoin(timer.handle);
}

} // namespace

int32_t computeAllocation(TimeControl& tc, int moveNumber)
{
    if (tc.movesToGo > 0) {
        tc.allocation = tc.myTime / tc.movesToGo;
    } else {
        int32_t d = tc.suddenDeath;
        if (tc.myTime > tc.opponentTime)
            d -= tc.moreTime;
        if (tc.myTime < tc.opponentTime)
            d += tc.lessTime;
        if (tc.myTime <= 1500 && tc.increment <= 200)
            d += tc.fastGame;
        if (moveNumber <= 20)
            d += tc.fastOpening;
        // The settings allow SuddenDeath 10 with MoreTime up to 15: never plan
        // for fewer than two moves (zero divides by zero, one spends the clock).
        if (d < 2)
            d = 2;
        tc.allocation = int32_t(float(tc.myTime) / float(d));
    }
    if (tc.increment > 0 && tc.myTime - tc.allocation - tc.increment > 500)
        tc.allocation += tc.increment;
    return tc.allocation;
}

bool setupTimer(Timer& timer, TimeControl& tc, int moveNumber, bool consoleClock)
{
    SearchFlags& flags = *timer.flags;
    flags.stopSearch.store(0, std::memory_order_relaxed);
    if (tc.classic) {
        computeAllocation(tc, moveNumber);
        timer.softLimitMs.store(0, std::memory_order_relaxed);
    } else {
        const MoveLimits limits = defaultMoveLimits(tc);
        tc.allocation = limits.hard;
        timer.softLimitMs.store(int64_t(limits.soft) * 10, std::memory_order_relaxed);
    }
    if (tc.opponentTime <= 1199) {
        flags.ponderAllowed.store(0, std::memory_order_relaxed);
        flags.pondering.store(0, std::memory_order_relaxed);
    }
    if (consoleClock && tc.moveTime == NO_MOVE_TIME)
        return true;
    std::lock_guard<std::mutex> lock(timer.mutex);
    stopTimerLocked(timer);
    timer.cancel.store(0, std::memory_order_relaxed);
    timer.startMs = tc.startMs;
    timer.moveTime = tc.moveTime;
    timer.allocation = tc.allocation;
    return threadCreate(timer.handle, timerThread, &timer);
}

void stopTimer(Timer& timer)
{
    timer.softLimitMs.store(0, std::memory_order_relaxed);
    std::lock_guard<std::mutex> lock(timer.mutex);
    stopTimerLocked(timer);
}
