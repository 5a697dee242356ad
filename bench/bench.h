// Speed figures printed by the bench program, one function per area.
#pragma once

// Perft nodes per second on one thread: the start position at depth 6, the
// "kiwipete" position at depth 5, then the whole six-position suite.
void benchPerft();

// Full static evaluations per second on one thread over the shared positions
// file, without the evaluation cache.
void benchEval();

// Search nodes per second on one thread: the six perft positions searched to
// a fixed depth, each from empty tables.
void benchSearch();

// Time for the search driver to complete a fixed depth on the six perft
// positions with one search thread and with two, and the ratio.
void benchThreads();

// Positions per second of the tuner's result-fitting error function (reading
// the training file, setting up and evaluating every position).
void benchTuning();

// Opening-book lookups per second on small.bin (open, binary search, the
// key's run, close; the chosen move's legality test included).
void benchBook();
// WDL and DTZ probes per second over the 3-4 piece test positions, WDL hits
// per second inside a fixed-depth search of 5-6 man endgames, and the bytes
// of table files mapped.
void benchTablebase();
