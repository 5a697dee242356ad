// "ardentis bench [depth]": the fixed search bench from the command line.
#pragma once

// Searches the six perft-suite positions on one thread to depth (default 9;
// text from the command line, null for the default), each from empty
// 65536-entry tables, and prints the total node count and the nodes per
// second on the last two lines. The count at depth 9 is the node signature.
// Returns the exit status (1 for a depth that is not 1..64).
int runBenchCommand(const char* depthText);
