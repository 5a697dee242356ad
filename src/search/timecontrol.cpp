// Time allocation per move and the timer thread that raises stopSearch.
#include "search/timecontrol.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "platform/platform.h"
#include "search/searchstate.h"

TimeControl timeControl;
std::atomic<uint32_t> pondering{0};
std::atomic<uint32_t> infinite{0};
std::atomic<uint32_t> ponderAllowed{0};

namespace {

// One timer at a time. The timer's limits are copied when it starts, so the
// thread reads nothing that the front end may change meanwhile.
struct Timer {
    ThreadHandle handle{};
    std::atomic<uint32_t> cancel{0};
    uint64_t startMs = 0;
    int32_t moveTime = 0;
    int32_t allocation = 0;
};

Timer timer;
std::mutex timerMutex;  // setupTimer may run on the input monitor's thread

// The timer sleeps on this until its deadline or until it is cancelled. A
// function-local static: the core library holds no static initialisers.
struct TimerWake {
    std::mutex mutex;
    std::condition_variable wake;
};
TimerWake& timerWake()
{
    static TimerWake w;
    return w;
}

// Longest single sleep: a stop raised elsewhere (not through stopTimer) is
// seen within this time; the deadline and a cancel are met at once.
constexpr int64_t TIMER_COARSE_WAKE_MS = 100;

void* timerThread(void* argument)
{
    Timer& t = *static_cast<Timer*>(argument);
    // The search stops once the elapsed centiseconds exceed either limit,
    // that is (limit + 1) * 10 ms after the start.
    const int64_t limit = std::min(t.moveTime, t.allocation);
    const int64_t deadline = int64_t(t.startMs) + (limit + 1) * 10;
    TimerWake& w = timerWake();
    std::unique_lock<std::mutex> lock(w.mutex);
    while (!t.cancel.load(std::memory_order_relaxed) && !stopSearch.load(std::memory_order_relaxed)) {
        const int64_t now = int64_t(nowMs());
        if (now >= deadline) {
            stopSearch.store(1, std::memory_order_relaxed);
            abortIteration.store(1, std::memory_order_relaxed);
            break;
        }
        w.wake.wait_for(lock, std::chrono::milliseconds(std::min(deadline - now, TIMER_COARSE_WAKE_MS)));
    }
    return nullptr;
}

void stopTimerLocked()
{
    if (!timer.handle.running)
        return;
    TimerWake& w = timerWake();
    {
        std::lock_guard<std::mutex> lock(w.mutex);
        timer.cancel.store(1, std::memory_order_relaxed);
    }
    w.wake.notify_all();
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

void setupTimer(TimeControl& tc, int moveNumber, bool consoleClock)
{
    stopSearch.store(0, std::memory_order_relaxed);
    computeAllocation(tc, moveNumber);
    if (tc.opponentTime <= 1199) {
        ponderAllowed.store(0, std::memory_order_relaxed);
        pondering.store(0, std::memory_order_relaxed);
    }
    if (consoleClock && tc.moveTime == NO_MOVE_TIME)
        return;
    std::lock_guard<std::mutex> lock(timerMutex);
    stopTimerLocked();
    timer.cancel.store(0, std::memory_order_relaxed);
    timer.startMs = tc.startMs;
    timer.moveTime = tc.moveTime;
    timer.allocation = tc.allocation;
    if (!threadCreate(timer.handle, timerThread, &timer)) {
        std::printf("#DEBUG Errore nella creazione del thread 1\n");
        std::exit(1);
    }
}

void stopTimer()
{
    std::lock_guard<std::mutex> lock(timerMutex);
    stopTimerLocked();
}
