// "ardentis bench [depth] [default|classic]": the fixed search bench from the
// command line.
#pragma once

// Searches the six perft-suite positions on one thread to depth (default 9;
// text from the command line, null for the default), each from empty
// 65536-entry tables, with the default search, the classic one, or (mode
// null) the default and then the classic. Each search prints its total node
// count and nodes per second on two lines; the last line gives the default
// search's (or, asked for alone, the classic's) again as "<N> nodes <M> nps".
// The counts at depth 9 are the node signatures. Returns the exit status (1
// for a depth that is not 1..64 or an unknown mode).
int runBenchCommand(const char* depthText, const char* modeText);
