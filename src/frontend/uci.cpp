// The UCI protocol loop: identification, position set-up, searches with their
// clocks, pondering and infinite analysis through the input monitor.
#include "frontend/uci.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "frontend/config.h"
#include "frontend/input.h"
#include "frontend/monitor.h"
#include "platform/platform.h"
#include "position/fen.h"
#include "position/gameend.h"
#include "position/makemove.h"
#include "search/searchstate.h"
#include "search/report.h"
#include "search/tables.h"
#include "search/think.h"
#include "search/timecontrol.h"
#include "search/tt.h"

namespace {

constexpr int UCI_LINE_CAPACITY = 4096;
constexpr const char* START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

int gameOver = 0;  // the last game-end check's result; kept for diagnostics

void setPosition(char* line)
{
    char* moves = std::strlen(line) > 18 ? std::strstr(line + 18, "moves") : nullptr;
    if (moves) {
        moves[-1] = '\0';
        moves += 5;
        while (*moves == ' ')
            ++moves;
    }
    const char* rest = line + 8;
    while (*rest == ' ')
        ++rest;
    const char* fen = START_FEN;
    if (std::strncmp(rest, "fen", 3) == 0) {
        fen = rest + 3;
        while (*fen == ' ')
            ++fen;
    }
    if (!setPositionFromFen(mainThread, fen, moves))
        std::printf("#DEBUG: BAD FEN|MOVES!\n");
}

// Reads the number after a "go" token; 0 when there is none.
long tokenValue(char*& context)
{
    char* value = strtok_r(nullptr, " \t", &context);
    return value ? std::strtol(value, nullptr, 10) : 0;
}

void go(char* line)
{
    SearchThread& front = mainThread;
    TimeControl& tc = timeControl;
    infinite.store(0);
    pondering.store(0);
    int black = int(front.current->sideToMove);
    front.rootLastMove = uint32_t(black);
    bool monitor = false;

    char* context = nullptr;
    strtok_r(line, " \t", &context);  // "go"
    while (char* token = strtok_r(nullptr, " \t", &context)) {
        if (!std::strcmp(token, "wtime")) {
            long v = tokenValue(context) / 10;
            (black ? tc.opponentTime : tc.myTime) = int32_t(v);
        } else if (!std::strcmp(token, "btime")) {
            long v = tokenValue(context) / 10;
            (black ? tc.myTime : tc.opponentTime) = int32_t(v);
        } else if (!std::strcmp(token, "winc")) {
            long v = tokenValue(context) / 10;
            if (!black)
                tc.increment = int32_t(v);
        } else if (!std::strcmp(token, "binc")) {
            long v = tokenValue(context) / 10;
            if (black)
                tc.increment = int32_t(v);
        } else if (!std::strcmp(token, "movestogo")) {
            tc.movesToGo = int32_t(tokenValue(context));
        } else if (!std::strcmp(token, "movetime")) {
            tc.moveTime = int32_t(tokenValue(context) / 10);
        } else if (!std::strcmp(token, "depth")) {
            long v = tokenValue(context);
            if (v >= 2 && v <= 64)
                config.maxDepth = uint8_t(v);
        } else if (!std::strcmp(token, "infinite")) {
            std::printf("Command: %s\n", token);
            infinite.store(1);
            pondering.store(1);
            monitor = true;
        } else if (!std::strcmp(token, "ponder")) {
            pondering.store(1);
            monitor = true;
        } else if (!std::strcmp(token, "mate") || !std::strcmp(token, "nodes")) {
            tokenValue(context);
        }
    }

    // Book moves come with the opening-book support.
    tc.startMs = nowMs();
    stopSearch.store(0);
    // The search about to start advances hashAge; "ponderhit" allocates time
    // with that count.
    if (monitor)
        startInputMonitor(protocolMode, hashAge < 255 ? hashAge + 1 : 0);
    // Decided by this command's own tokens: the monitor may already have
    // cleared the flags on a quick "stop", and a timer set up now would clear
    // the stop again.
    if (!monitor)
        setupTimer(tc, hashAge, false);
    SearchResult result = think(front, searchSettings());
    while (pondering.load())
        sleepMicroseconds(100000);
    stopTimer();
    if (monitor)
        joinInputMonitor();

    Move best = result.best;
    if (best)
        front.current = makeMove(*keepStackRoom(front), best);
    reportBestMove(OutputMode::Uci, *front.current, result);
    if (best)
        gameOver = gameResult(front);
}

void newUciGame()
{
    mainThread.rootLastMove = 1;
    gameOver = 0;
    stopSearch.store(0);
    mainThread.current = newGame(mainThread);
    clearSearchState();
    clearAllTables();
}

} // namespace

int uciLoop()
{
    std::printf("\nid name Ardentis\nid author Velmorin\n");
    std::printf("option name Ponder type check default true\n");
    std::printf("option name OwnBook type check default true\n");
    allocAllTables(tableSizes());
    std::printf("uciok\n");

    static char line[UCI_LINE_CAPACITY];
    for (;;) {
        std::fflush(stdout);
        if (monitorSawQuit())
            break;
        LineStatus status = readInputLine(line, sizeof line);
        if (status == LineStatus::End)
            break;
        if (status == LineStatus::TooLong)
            continue;
        if (!std::strncmp(line, "isready", 7)) {
            ponderAllowed.store(1);
            std::printf("readyok\n");
        } else if (!std::strncmp(line, "ucinewgame", 10)) {
            newUciGame();
        } else if (!std::strncmp(line, "position", 8)) {
            setPosition(line);
        } else if (!std::strncmp(line, "go", 2)) {
            go(line);
        } else if (line[0] == 'q') {
            break;
        }
    }
    freeAllTables();
    return 1;
}
