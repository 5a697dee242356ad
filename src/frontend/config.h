// Engine settings, read once at start-up from Ardentis.ini, and the size rule
// that turns a table size in MiB into an entry count.
#pragma once

#include <cstdint>
#include <string>

#include "search/engine.h"
#include "search/think.h"

struct Config {
    uint8_t maxDepth = 64;      // ENGINE MaxDepth 1..64
    uint8_t threads = 2;        // ENGINE Thread 1..24
    int postThinking = 1;
    long hashSizeMb = 256;      // main transposition table
    int largePages = 0;
    long hashEvalSizeMb = 128;
    long hashQSizeMb = 128;
    char bookFile[100] = "Tomelore_12.9c.bin";
    int book = 1;
    int randBook = 0;
    int syzygy = 1;
    char dtzPath[256] = "";
    char wdlPath[256] = "";
    long syzygyMen = 5;
    long suddenDeath = 20;
    long moreTime = 5;
    long lessTime = 5;
    long fastGame = 5;
    long fastOpening = 15;
    char paramFile[256] = "";   // ENGINE ParamFile: evaluation parameters to load, "" = built-in
    int classic = 0;            // ENGINE Classic: the classic search and time allocation
    int chess960 = 0;           // ENGINE Chess960: games set up are Chess960 ones (Position::chess960)

    // Entry counts of 16-byte entries, derived by the size rule.
    uint64_t ttEntries = 0;
    uint64_t hashEvalEntries = 0;
    uint64_t hashQEntries = 0;
    long ttSizeMb = 0;  // the main table's size in MiB as allocated (large pages round it)
};

// The search's settings and the hash tables' sizes from the configuration.
SearchSettings searchSettings(const Config& config);
TableSizes tableSizes(const Config& config);

// When Syzygy is on, finds the tablebase files in the configured WDL and DTZ
// folders for the engine (the protocol loops call it when they start).
void startTablebases(const Config& config, Engine& engine);

// The console's new hash size: derives the entry count as the configuration
// does (whole huge pages in large-page mode), records it in the
// configuration and reallocates the engine's TT only.
void resizeHashTable(Config& config, Engine& engine, long sizeMb);

// Reads every key of the file (defaults for what is missing) into config,
// applies the ranges, derives the entry counts and prints the thread line.
void loadConfig(Config& config, const char* fileName);

// The configuration file to read: Ardentis.ini in the working directory when
// it is there, otherwise $XDG_CONFIG_HOME/ardentis/Ardentis.ini (by default
// ~/.config/ardentis/Ardentis.ini), so that an installed engine started from
// any folder finds its settings. When neither exists the working-directory
// name is returned (and every key takes its default).
std::string configFilePath();

// Loads the evaluation parameters of a file in the tuned-value format
// ("name;value;" lines) over the current ones. Prints one line per problem
// (as "info string" when uci is set) and then whether the file was applied; a
// file with any problem changes nothing. Returns whether it was applied.
bool loadParamFile(const char* path, bool uci);

// Entry count for a table of 16-byte entries of `sizeMb` MiB.
uint64_t tableEntryCount(long sizeMb);
