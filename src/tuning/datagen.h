// Training positions from self-play: the engine plays itself at a fixed node
// count per move from the openings of a file, each game after a few random
// plies, adjudicates clear wins and draws, and keeps the quiet positions of
// the game with the search's score and the game's result, one
// "FEN | score | result" line each (samples.h).
#pragma once

#include <cstdint>
#include <string>

struct SearchThread;

struct DatagenSettings {
    const char* output;    // appended to; output + ".state" records the games done
    const char* openings;  // one FEN (or EPD) per line
    uint64_t positions;    // stop once the output holds this many
    uint64_t nodes;        // per move
    uint64_t seed;         // game g plays from seed and g alone
    int randomPlies;       // random legal plies after the opening
    int maxScore;          // positions kept only with |score| below this
};

// The kept positions of one game in the output file: the quiet ones (not in
// check, the move chosen neither a capture nor a promotion, the score no mate
// and within the bound).
struct DatagenGame {
    int positions;
    int plies;
    double result;  // for White
};

// front is the main record of its engine, which plays both sides.
// Plays game `index` from `opening` on front's stack (the tables emptied
// first) and appends its lines to `lines`. Deterministic for the given
// settings, opening and index. A game whose opening cannot be set up, or that
// ends within its random plies, has no positions.
DatagenGame playDatagenGame(SearchThread& front, const DatagenSettings& settings, const char* opening,
                            uint64_t index, std::string& lines);

// Runs games until the output holds settings.positions positions, with a
// progress line every few games. Resumes a run that was stopped: the state
// file says how many games and bytes of the output were complete, and a game
// cut short is dropped. Returns 1, or 0 when a file cannot be read or written.
int runDatagen(SearchThread& front, const DatagenSettings& settings);
