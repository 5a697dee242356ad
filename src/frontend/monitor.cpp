// The UCI input monitor thread: reads standard input while a search ponders
// or runs without limit, and acts on ponderhit, stop, isready and quit.
#include "frontend/monitor.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "frontend/input.h"
#include "platform/platform.h"
#include "search/searchstate.h"
#include "search/timecontrol.h"

namespace {

constexpr int MONITOR_LINE_CAPACITY = 4096;

ThreadHandle monitorHandle;
int monitorMoveNumber = 0;  // written before the thread starts, read by it only
std::atomic<bool> sawQuit{false};

void stopNow()
{
    pondering.store(0, std::memory_order_relaxed);
    infinite.store(0, std::memory_order_relaxed);
    stopSearch.store(1, std::memory_order_relaxed);
    abortIteration.store(1, std::memory_order_relaxed);
}

void* monitorThread(void*)
{
    static char line[MONITOR_LINE_CAPACITY];
    for (;;) {
        LineStatus status = readInputLine(line, sizeof line);
        if (status == LineStatus::End) {
            sawQuit.store(true);
            stopNow();
            return nullptr;
        }
        if (status != LineStatus::Ok)
            continue;
        if (std::strncmp(line, "ponderhit", 9) == 0) {
            pondering.store(0, std::memory_order_relaxed);
            setupTimer(timeControl, monitorMoveNumber, false);
            return nullptr;
        }
        if (std::strncmp(line, "stop", 4) == 0) {
            stopNow();
            return nullptr;
        }
        // A GUI may check that the engine is alive while it ponders.
        if (std::strncmp(line, "isready", 7) == 0) {
            std::printf("readyok\n");
            std::fflush(stdout);
        } else if (line[0] == 'q') {
            sawQuit.store(true);
            stopNow();
            return nullptr;
        }
    }
}

} // namespace

void startInputMonitor(unsigned mode, int moveNumber)
{
    if (mode != 2 || monitorHandle.running)
        return;
    monitorMoveNumber = moveNumber;
    if (!threadCreate(monitorHandle, monitorThread, nullptr)) {
        std::printf("#DEBUG Errore nella creazione del thread PonderMonitor\n");
        std::exit(1);
    }
}

void joinInputMonitor() { threadJoin(monitorHandle); }

bool monitorSawQuit() { return sawQuit.load(); }
