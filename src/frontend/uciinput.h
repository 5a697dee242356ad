// The UCI session's input reader: a thread that owns standard input from the
// "uci" line to "quit" (or end of input). It acts at once on what must reach
// a running search ("stop", "ponderhit", "isready", "quit") and queues every
// other line for the UCI loop, which takes them in order between searches.
#pragma once

constexpr int UCI_LINE_CAPACITY = 4096;

struct Engine;
struct UciReader;

// Starts the reader for the searches of engine (a failure to start ends the
// process).
UciReader* startUciReader(Engine& engine);

// Waits for the next queued line and copies it into line (capacity
// UCI_LINE_CAPACITY). After "quit" or the end of input the line is "quit".
void nextUciLine(UciReader& reader, char* line);

// Waits for the reader to end (after it has read "quit" or the end of input)
// and releases it.
void joinUciReader(UciReader* reader);

// Whether a line is a "go" command (the loop and the reader must agree).
bool isGoLine(const char* line);

// How the search of the "go" just taken from the queue runs.
struct UciSearchStart {
    bool ponder;      // waits for "ponderhit" before its clock starts
    bool hold;        // "bestmove" waits for "stop" (or "ponderhit" when pondering)
    bool timed;       // a clock or a move time applies
    int moveNumber;   // passed to the time allocation: the search count before this search
};

// Starts the search's flags and clock: stopSearch cleared, the timer started
// unless the search ponders or has no clock, and any "stop" or "ponderhit"
// the reader took for this search before it began applied now.
void beginUciSearch(UciReader& reader, const UciSearchStart& start);

// After the search has returned: waits without spinning until nothing holds
// "bestmove" back any more ("stop", "ponderhit", "quit" or end of input),
// ends the timer and closes the search's account with the reader.
void endUciSearch(UciReader& reader);
