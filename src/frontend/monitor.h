// The UCI input monitor: while a search ponders or runs without limit it owns
// standard input and acts on "ponderhit" and "stop".
#pragma once

// Starts the monitor (UCI mode only). A failure to start ends the process.
// moveNumber is what "ponderhit" passes to the time allocation: the search
// count of the search being started.
void startInputMonitor(unsigned mode, int moveNumber);

// Waits for a started monitor to end (it ends on "ponderhit", "stop", "quit"
// or end of input).
void joinInputMonitor();

// Set when the monitor saw "quit" or the end of input: the UCI loop leaves
// after it has answered the running search.
bool monitorSawQuit();
