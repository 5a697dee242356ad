// The UCI input reader thread and the bookkeeping it shares with the UCI loop:
// the queue of lines for the loop, and which searches a "stop" or "ponderhit"
// read so far applies to (counted by "go" lines, so that a "stop" read just
// before the loop begins its search is neither lost nor applied to a later
// one).
#include "frontend/uciinput.h"

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>

#include "frontend/input.h"
#include "platform/platform.h"
#include "search/searchstate.h"
#include "search/timecontrol.h"

namespace {

// Made when the session starts (nothing here may need a constructor before
// main: the core library holds no static initialisers).
struct Reader {
    std::mutex mutex;
    std::condition_variable changed;  // a line queued, or "bestmove" no longer held back
    std::deque<std::string> lines;
    bool ended = false;  // "quit" or end of input read; nothing more is read
    // "go" lines queued by the reader, searches begun and answered by the loop.
    uint64_t goQueued = 0, goStarted = 0, goFinished = 0;
    // Every search numbered up to stopUpTo is to stop; a pondering search
    // numbered up to ponderhitUpTo has had its "ponderhit".
    uint64_t stopUpTo = 0, ponderhitUpTo = 0;
    bool searching = false;     // search goStarted runs (between begin and end)
    bool ponderActive = false;  // it ponders: "ponderhit" starts its clock
    bool holdInfinite = false;  // its "bestmove" waits for "stop"
    bool timed = false;
    int moveNumber = 0;
};

Reader* reader = nullptr;
ThreadHandle readerHandle;

bool searchPending(const Reader& r) { return r.goQueued > r.goFinished; }

// The running search ends now (lock held).
void raiseStop(Reader& r)
{
    r.ponderActive = false;
    pondering.store(0, std::memory_order_relaxed);
    infinite.store(0, std::memory_order_relaxed);
    stopSearch.store(1, std::memory_order_relaxed);
    abortIteration.store(1, std::memory_order_relaxed);
}

// "stop": every search sent so far ends; none pending, nothing to do.
void stopSearches(Reader& r)
{
    if (!searchPending(r))
        return;
    r.stopUpTo = r.goQueued;
    if (r.searching)
        raiseStop(r);
}

void ponderhit(Reader& r)
{
    if (!searchPending(r))
        return;
    // It concerns the last "go" sent; when that one has not begun yet, it
    // starts its clock at once when it does.
    if (!r.searching || r.goStarted != r.goQueued) {
        r.ponderhitUpTo = r.goQueued;
        return;
    }
    if (!r.ponderActive)
        return;
    r.ponderActive = false;
    if (!r.holdInfinite)
        pondering.store(0, std::memory_order_relaxed);
    // The allocation is computed now, with the search count that the running
    // search has advanced; the elapsed time counts from "go".
    if (r.timed)
        setupTimer(timeControl, r.moveNumber < 255 ? r.moveNumber + 1 : 0, false);
}

void* readerThread(void*)
{
    Reader& r = *reader;
    static char line[UCI_LINE_CAPACITY];
    for (;;) {
        LineStatus status = readInputLine(line, sizeof line);
        if (status == LineStatus::TooLong)
            continue;
        std::lock_guard<std::mutex> lock(r.mutex);
        if (status == LineStatus::End || line[0] == 'q') {
            stopSearches(r);
            r.lines.push_back("quit");
            r.ended = true;
            r.changed.notify_all();
            return nullptr;
        }
        if (std::strncmp(line, "stop", 4) == 0) {
            stopSearches(r);
        } else if (std::strncmp(line, "ponderhit", 9) == 0) {
            ponderhit(r);
        } else if (std::strncmp(line, "isready", 7) == 0 && searchPending(r)) {
            // Answered at once while a search runs, which goes on.
            std::printf("readyok\n");
            std::fflush(stdout);
        } else {
            if (isGoLine(line))
                ++r.goQueued;
            r.lines.emplace_back(line);
        }
        r.changed.notify_all();
    }
}

} // namespace

bool isGoLine(const char* line) { return std::strncmp(line, "go", 2) == 0; }

void startUciReader()
{
    reader = new Reader;
    if (!threadCreate(readerHandle, readerThread, nullptr)) {
        std::printf("#DEBUG Errore nella creazione del thread PonderMonitor\n");
        std::exit(1);
    }
}

void nextUciLine(char* line)
{
    Reader& r = *reader;
    std::unique_lock<std::mutex> lock(r.mutex);
    r.changed.wait(lock, [&r] { return !r.lines.empty() || r.ended; });
    if (r.lines.empty()) {
        std::strcpy(line, "quit");
        return;
    }
    std::string& next = r.lines.front();
    std::snprintf(line, UCI_LINE_CAPACITY, "%s", next.c_str());
    r.lines.pop_front();
}

void joinUciReader()
{
    threadJoin(readerHandle);
    delete reader;
    reader = nullptr;
}

void beginUciSearch(const UciSearchStart& start)
{
    Reader& r = *reader;
    std::lock_guard<std::mutex> lock(r.mutex);
    uint64_t number = ++r.goStarted;
    r.searching = true;
    r.ponderActive = start.ponder && r.ponderhitUpTo < number;
    r.holdInfinite = start.hold;
    r.timed = start.timed;
    r.moveNumber = start.moveNumber;
    infinite.store(start.hold ? 1 : 0, std::memory_order_relaxed);
    pondering.store(r.ponderActive || start.hold ? 1 : 0, std::memory_order_relaxed);
    abortIteration.store(0, std::memory_order_relaxed);
    if (start.timed && !r.ponderActive)
        setupTimer(timeControl, start.moveNumber, false);  // clears stopSearch
    else
        stopSearch.store(0, std::memory_order_relaxed);
    if (r.stopUpTo >= number)
        raiseStop(r);
}

void endUciSearch()
{
    Reader& r = *reader;
    {
        std::unique_lock<std::mutex> lock(r.mutex);
        r.changed.wait(lock, [] { return pondering.load(std::memory_order_relaxed) == 0; });
        r.searching = false;
        r.ponderActive = false;
        r.goFinished = r.goStarted;
    }
    stopTimer();
}
