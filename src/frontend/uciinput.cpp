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
#include "frontend/play.h"
#include "platform/platform.h"
#include "search/engine.h"

// Made when the UCI session starts.
struct UciReader {
    Engine* engine;  // whose search a "stop" or "ponderhit" acts on
    ThreadHandle handle;
    char line[UCI_LINE_CAPACITY];  // the line being read
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

namespace {

using Reader = UciReader;

bool searchPending(const Reader& r) { return r.goQueued > r.goFinished; }

// The running search ends now (lock held).
void raiseStop(Reader& r)
{
    SearchFlags& flags = r.engine->flags;
    r.ponderActive = false;
    flags.pondering.store(0, std::memory_order_relaxed);
    flags.infinite.store(0, std::memory_order_relaxed);
    raiseStopFlags(flags);
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
        r.engine->flags.pondering.store(0, std::memory_order_relaxed);
    // The allocation is computed now, with the search count that the running
    // search has advanced; the elapsed time counts from "go".
    if (r.timed)
        startTimerOrExit(*r.engine, r.moveNumber < 255 ? r.moveNumber + 1 : 0, false);
}

void* readerThread(void* argument)
{
    Reader& r = *static_cast<Reader*>(argument);
    char* line = r.line;
    for (;;) {
        LineStatus status = readInputLine(line, UCI_LINE_CAPACITY);
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

UciReader* startUciReader(Engine& engine)
{
    Reader* reader = new Reader();
    reader->engine = &engine;
    if (!threadCreate(reader->handle, readerThread, reader)) {
        std::printf("#DEBUG Errore nella creazione del thread PonderMonitor\n");
        std::exit(1);
    }
    return reader;
}

void nextUciLine(UciReader& r, char* line)
{
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

void joinUciReader(UciReader* reader)
{
    threadJoin(reader->handle);
    delete reader;
}

void beginUciSearch(UciReader& r, const UciSearchStart& start)
{
    SearchFlags& flags = r.engine->flags;
    std::lock_guard<std::mutex> lock(r.mutex);
    uint64_t number = ++r.goStarted;
    r.searching = true;
    r.ponderActive = start.ponder && r.ponderhitUpTo < number;
    r.holdInfinite = start.hold;
    r.timed = start.timed;
    r.moveNumber = start.moveNumber;
    flags.infinite.store(start.hold ? 1 : 0, std::memory_order_relaxed);
    flags.pondering.store(r.ponderActive || start.hold ? 1 : 0, std::memory_order_relaxed);
    flags.abortIteration.store(0, std::memory_order_relaxed);
    if (start.timed && !r.ponderActive)
        startTimerOrExit(*r.engine, start.moveNumber, false);  // clears stopSearch
    else
        flags.stopSearch.store(0, std::memory_order_relaxed);
    if (r.stopUpTo >= number)
        raiseStop(r);
}

void endUciSearch(UciReader& r)
{
    SearchFlags& flags = r.engine->flags;
    {
        std::unique_lock<std::mutex> lock(r.mutex);
        r.changed.wait(lock, [&flags] { return flags.pondering.load(std::memory_order_relaxed) == 0; });
        r.searching = false;
        r.ponderActive = false;
        r.goFinished = r.goStarted;
    }
    stopTimer(r.engine->timer);
}
