// Self-play games for training data: the game loop with its adjudication, the
// choice of the kept positions, and the resumable run over many games.
#include "tuning/datagen.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/platform.h"
#include "position/attacks.h"
#include "position/fen.h"
#include "position/makemove.h"
#include "position/movegen.h"
#include "search/engine.h"
#include "search/searchthread.h"
#include "search/settings.h"
#include "search/think.h"
#include "tuning/samples.h"

namespace {

constexpr int MAX_GAME_PLIES = 400;       // a draw when reached
constexpr int WIN_SCORE = 1000;           // adjudicated as won when both sides agree ...
constexpr int WIN_PLIES = 4;              // ... for this many plies in a row
constexpr int DRAW_SCORE = 10;            // adjudicated as drawn when |score| stays within ...
constexpr int DRAW_PLIES = 12;            // ... this for this many plies ...
constexpr int DRAW_FROM_PLY = 80;         // ... from this ply of the game on
constexpr int MATE_BOUND = MATE - 2 * MAX_PLY;
constexpr int PROGRESS_GAMES = 20;

// The one contact with the search: the tables emptied for a new game, or a
// node-limited search of the current position on one thread, silent.
SearchResult searchPosition(SearchThread& front, uint64_t nodes, bool newGame)
{
    Engine& engine = *front.engine;
    if (newGame) {
        clearAllTables(engine);
        clearSearchState(engine);
        return SearchResult{};
    }
    SearchSettings settings;
    settings.threads = 1;
    settings.tbLimit = 0;
    settings.nodeLimit = nodes;
    settings.classic = false;
    engine.flags.stopSearch.store(0);
    engine.flags.abortIteration.store(0);
    return think(engine, settings);
}

uint64_t splitMix(uint64_t& state)
{
    uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

// Kings alone, or a king and one minor piece against a bare king.
bool insufficientMaterial(const Position& pos)
{
    const Bitboard all = occupied(pos);
    const int men = popcount(all);
    return men == 2 || (men == 3 && (knights(pos) | bishops(pos)));
}

// The game's result for White when it is over at the current position, or -1.
double gameOver(const Position& pos, int ply)
{
    if (!hasLegalMove(pos))
        return checkers(pos) ? (pos.sideToMove == 0 ? 0.0 : 1.0) : 0.5;
    if (pos.repetitions >= 2 || pos.halfmoveClock > 99 || insufficientMaterial(pos) || ply >= MAX_GAME_PLIES)
        return 0.5;
    return -1.0;
}

// Plays a random legal move; false when there is none.
bool playRandomMove(SearchThread& front, uint64_t& random)
{
    MoveEntry legal[MAX_MOVES];
    const int count = int(generateLegal(*front.current, legal) - legal);
    if (count == 0 || !gameHasRoom(front))
        return false;
    return makeMoveIfLegal(front, entryMove(legal[splitMix(random) % uint64_t(count)])) == 1;
}

struct Kept {
    char fen[FEN_TEXT_SIZE + 16];
    int whiteScore;
};

bool readState(const std::string& path, uint64_t& games, uint64_t& positions, uint64_t& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "r");
    if (!f)
        return false;
    const bool ok = std::fscanf(f, "games %" SCNu64 " positions %" SCNu64 " bytes %" SCNu64, &games, &positions,
                                &bytes) == 3;
    std::fclose(f);
    return ok;
}

bool writeState(const std::string& path, uint64_t games, uint64_t positions, uint64_t bytes)
{
    const std::string temporary = path + ".new";
    std::FILE* f = std::fopen(temporary.c_str(), "w");
    if (!f)
        return false;
    std::fprintf(f, "games %" PRIu64 " positions %" PRIu64 " bytes %" PRIu64 "\n", games, positions, bytes);
    bool ok = std::fclose(f) == 0;
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    return ok && !error;
}

std::vector<std::string> readOpenings(const char* path)
{
    std::vector<std::string> openings;
    std::FILE* f = std::fopen(path, "r");
    if (!f)
        return openings;
    char line[MAX_FEN_TEXT + 2];
    while (std::fgets(line, sizeof line, f)) {
        line[std::strcspn(line, "\r\n")] = '\0';
        if (line[0] != '\0' && line[0] != '#')
            openings.emplace_back(line);
    }
    std::fclose(f);
    return openings;
}

} // namespace

DatagenGame playDatagenGame(SearchThread& front, const DatagenSettings& settings, const char* opening,
                            uint64_t index, std::string& lines)
{
    DatagenGame game{0, 0, 0.5};
    uint64_t random = settings.seed ^ (index * 0xD1B54A32D192ED03ULL);
    if (!setPositionFromFen(front, opening, nullptr))
        return game;
    for (int i = 0; i < settings.randomPlies; i++)
        if (!playRandomMove(front, random) || gameOver(*front.current, 0) >= 0.0)
            return game;
    searchPosition(front, 0, true);

    std::vector<Kept> kept;
    int winPlies = 0, winSign = 0, drawPlies = 0;
    double result = -1.0;
    for (int ply = 0;; ply++) {
        const Position& pos = *keepStackRoom(front);
        result = gameOver(pos, ply);
        if (result >= 0.0)
            break;
        const SearchResult r = searchPosition(front, settings.nodes, false);
        if (!r.best) {  // cannot happen with a legal move; ends the game as drawn
            result = 0.5;
            break;
        }
        const int white = pos.sideToMove == 0 ? r.score : -r.score;
        const bool quiet = !checkers(pos) && !isCapture(r.best) && moveKind(r.best) != KIND_PROMOTION;
        if (quiet && std::abs(r.score) < settings.maxScore && std::abs(r.score) < MATE_BOUND) {
            Kept k;
            positionToFen(pos, k.fen);
            std::snprintf(k.fen + std::strlen(k.fen), sizeof k.fen - std::strlen(k.fen), "%d %d",
                          int(pos.halfmoveClock), ply / 2 + 1);
            k.whiteScore = white;
            kept.push_back(k);
        }
        // Both sides see the same clear win, or the score stays level late on.
        const int sign = white >= WIN_SCORE ? 1 : white <= -WIN_SCORE ? -1 : 0;
        winPlies = sign != 0 && sign == winSign ? winPlies + 1 : sign != 0 ? 1 : 0;
        winSign = sign;
        drawPlies = ply >= DRAW_FROM_PLY && std::abs(white) <= DRAW_SCORE ? drawPlies + 1 : 0;
        game.plies = ply + 1;
        if (winPlies >= WIN_PLIES) {
            result = sign > 0 ? 1.0 : 0.0;
            break;
        }
        if (drawPlies >= DRAW_PLIES) {
            result = 0.5;
            break;
        }
        if (!makeMoveIfLegal(front, r.best)) {
            result = 0.5;
            break;
        }
    }
    game.result = result;
    char line[FEN_TEXT_SIZE + 64];
    for (const Kept& k : kept)
        if (formatTrainingSample(line, sizeof line, k.fen, k.whiteScore, result)) {
            lines += line;
            game.positions++;
        }
    return game;
}

int runDatagen(SearchThread& front, const DatagenSettings& settings)
{
    const std::vector<std::string> openings = readOpenings(settings.openings);
    if (openings.empty()) {
        std::printf("datagen: no openings in %s\n", settings.openings);
        return 0;
    }
    const std::string statePath = std::string(settings.output) + ".state";
    uint64_t games = 0, positions = 0, bytes = 0;
    std::error_code error;
    const bool resumed = readState(statePath, games, positions, bytes);
    const uintmax_t size = std::filesystem::exists(settings.output, error) ? std::filesystem::file_size(settings.output, error) : 0;
    if (!resumed && size > 0) {
        std::printf("datagen: %s exists without %s; give a new file\n", settings.output, statePath.c_str());
        return 0;
    }
    if (resumed && size != bytes) {
        // A game cut short: back to the last complete one.
        std::filesystem::resize_file(settings.output, bytes, error);
        if (error) {
            std::printf("datagen: cannot cut %s back to %" PRIu64 " bytes\n", settings.output, bytes);
            return 0;
        }
    }
    std::FILE* out = std::fopen(settings.output, "ab");
    if (!out) {
        std::printf("File not found\n");
        return 0;
    }
    std::printf("datagen: %s, %" PRIu64 " nodes a move, %zu openings, %s at game %" PRIu64 " with %" PRIu64
                " positions\n",
                settings.output, settings.nodes, openings.size(), resumed ? "resumed" : "started", games, positions);
    const uint64_t startMs = nowMs();
    const uint64_t startPositions = positions;
    uint64_t wins = 0, draws = 0, losses = 0, plies = 0, sessionGames = 0;
    std::string lines;
    int status = 1;
    while (positions < settings.positions) {
        uint64_t pick = settings.seed ^ (games * 0xA0761D6478BD642FULL);
        const std::string& opening = openings[splitMix(pick) % openings.size()];
        lines.clear();
        const DatagenGame g = playDatagenGame(front, settings, opening.c_str(), games, lines);
        if (!lines.empty() && std::fwrite(lines.data(), 1, lines.size(), out) != lines.size()) {
            status = 0;
            break;
        }
        if (std::fflush(out) != 0) {
            status = 0;
            break;
        }
        games++, sessionGames++;
        positions += uint64_t(g.positions);
        bytes += lines.size();
        plies += uint64_t(g.plies);
        (g.result == 1.0 ? wins : g.result == 0.0 ? losses : draws)++;
        if (!writeState(statePath, games, positions, bytes)) {
            status = 0;
            break;
        }
        if (sessionGames % PROGRESS_GAMES == 0 || positions >= settings.positions) {
            const double hours = double(nowMs() - startMs) / 3600000.0;
            std::printf("games %" PRIu64 "  positions %" PRIu64 "  White +%" PRIu64 " =%" PRIu64 " -%" PRIu64
                        "  plies/game %.0f  %.0f positions/hour\n",
                        games, positions, wins, draws, losses, double(plies) / double(sessionGames),
                        hours > 0.0 ? double(positions - startPositions) / hours : 0.0);
            std::fflush(stdout);
        }
    }
    if (std::fclose(out) != 0)
        status = 0;
    if (!status)
        std::printf("File not found\n");
    return status;
}
