// The UCI protocol loop: identification and options, position set-up, and
// searches under the limits of each "go" (clocks, depth, nodes, mate, move
// time, pondering, infinite analysis); the input reader keeps listening while
// they run.
#include "frontend/uci.h"

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "frontend/config.h"
#include "frontend/openingbook.h"
#include "frontend/options.h"
#include "frontend/report.h"
#include "frontend/session.h"
#include "frontend/uciinput.h"
#include "frontend/uciperft.h"
#include "platform/platform.h"
#include "position/fen.h"
#include "position/gameend.h"
#include "position/makemove.h"
#include "search/engine.h"
#include "search/think.h"

namespace {

constexpr const char* START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

void setPosition(Session& session, char* line)
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
    if (!setPositionFromFen(session.engine->mainThread, fen, moves, session.config.chess960))
        std::printf("#DEBUG: BAD FEN|MOVES!\n");
}

// Reads the number after a "go" token; 0 when there is none.
long long tokenValue(char*& context)
{
    char* value = strtok_r(nullptr, " \t", &context);
    return value ? std::strtoll(value, nullptr, 10) : 0;
}

// A clock in milliseconds, less `overheadMs`, in centiseconds. The move
// overhead is our own latency: it comes off our clock, not the opponent's.
int32_t clockCentiseconds(long long ms, long long overheadMs)
{
    ms -= overheadMs;
    if (ms < 0)
        ms = 0;
    return ms / 10 > INT32_MAX / 2 ? INT32_MAX / 2 : int32_t(ms / 10);
}

// Time that stands for "no clock": far beyond any game, and small enough for
// the allocation's arithmetic.
constexpr int32_t NO_CLOCK = 1000000000;

// What one "go" asks for. Every "go" starts from no limits: only its own
// tokens apply.
struct GoLimits {
    SearchSettings settings;
    Move searchMoves[MAX_ROOT_MOVES];
    int searchMoveCount = 0;
    // Milliseconds as given, -1 when absent; ours and the opponent's by the
    // side to move.
    long long myClock = -1, opponentClock = -1, myIncrement = 0, moveTime = -1;
    int movesToGo = 0;
    bool ponder = false;
    bool infinite = false;
    bool limited = false;  // depth, nodes, mate or a clock
};

// Reads the tokens of a "go" line for the position root into g (whose
// settings hold the session's).
void parseGoLimits(char* line, const Position& root, GoLimits& g)
{
    const int black = int(root.sideToMove);
    SearchSettings& settings = g.settings;
    char* context = nullptr;
    strtok_r(line, " \t", &context);  // "go"
    char* token = strtok_r(nullptr, " \t", &context);
    while (token) {
        char* next = nullptr;
        if (!std::strcmp(token, "wtime")) {
            (black ? g.opponentClock : g.myClock) = tokenValue(context);
        } else if (!std::strcmp(token, "btime")) {
            (black ? g.myClock : g.opponentClock) = tokenValue(context);
        } else if (!std::strcmp(token, "winc")) {
            long long v = tokenValue(context);
            if (!black)
                g.myIncrement = v;
        } else if (!std::strcmp(token, "binc")) {
            long long v = tokenValue(context);
            if (black)
                g.myIncrement = v;
        } else if (!std::strcmp(token, "movestogo")) {
            long long v = tokenValue(context);
            g.movesToGo = v > 0 && v < 1000 ? int(v) : 0;
        } else if (!std::strcmp(token, "movetime")) {
            g.moveTime = tokenValue(context);
        } else if (!std::strcmp(token, "depth")) {
            long long v = tokenValue(context);
            v = v < 1 ? 1 : v > settings.maxDepth ? settings.maxDepth : v;
            settings.maxDepth = int(v);
            g.limited = true;
        } else if (!std::strcmp(token, "nodes")) {
            long long v = tokenValue(context);
            if (v > 0) {
                settings.nodeLimit = uint64_t(v);
                g.limited = true;
            }
        } else if (!std::strcmp(token, "mate")) {
            long long v = tokenValue(context);
            if (v > 0) {
                settings.mateLimit = v > 200 ? 200 : int(v);
                g.limited = true;
            }
        } else if (!std::strcmp(token, "infinite")) {
            std::printf("Command: %s\n", token);
            g.infinite = true;
        } else if (!std::strcmp(token, "ponder")) {
            g.ponder = true;
        } else if (!std::strcmp(token, "searchmoves")) {
            // Moves up to the first token that is not a legal move here.
            while ((next = strtok_r(nullptr, " \t", &context)) != nullptr) {
                Move m = textToMove(root, next);
                if (!m || g.searchMoveCount == MAX_ROOT_MOVES)
                    break;
                g.searchMoves[g.searchMoveCount++] = m;
            }
        }
        token = next ? next : strtok_r(nullptr, " \t", &context);
    }
    // A mate in N shows within 2N - 1 plies; a little more leaves room for
    // the reductions. Without a mate by then the best move found is played.
    if (settings.mateLimit > 0 && settings.maxDepth > 2 * settings.mateLimit + 2)
        settings.maxDepth = 2 * settings.mateLimit + 2;
    settings.searchMoves = g.searchMoveCount ? g.searchMoves : nullptr;
    settings.searchMoveCount = g.searchMoveCount;
}

// A weaker level: its node limit (or the one asked for, when lower) and its
// evaluation noise, drawn anew for each search by seed.
void applyLevel(SearchSettings& settings, int elo, uint64_t seed)
{
    const Weakening w = weakeningOf(elo);
    if (settings.nodeLimit == 0 || settings.nodeLimit > w.nodes)
        settings.nodeLimit = w.nodes;
    settings.evalNoise = w.noise;
    settings.noiseSeed = seed;
}

// The clocks of this command only, our own less the move overhead; an
// unknown opponent clock counts as equal to ours, so it neither adds nor
// takes time. Returns whether a clock or a move time applies.
bool setGoClocks(TimeControl& tc, GoLimits& g, int overheadMs)
{
    const bool timed = !g.infinite && (g.myClock >= 0 || g.moveTime >= 0);
    tc.myTime = g.myClock >= 0 ? clockCentiseconds(g.myClock, overheadMs) : NO_CLOCK;
    tc.opponentTime = g.opponentClock >= 0 ? clockCentiseconds(g.opponentClock, 0) : tc.myTime;
    tc.increment = g.myIncrement > 0 ? int32_t(g.myIncrement / 10 > NO_CLOCK ? NO_CLOCK : g.myIncrement / 10) : 0;
    tc.movesToGo = g.movesToGo;
    tc.moveTime = g.moveTime >= 0 ? int32_t(g.moveTime / 10 > NO_CLOCK ? NO_CLOCK : g.moveTime / 10) : NO_CLOCK;
    g.limited |= timed;
    return timed;
}

// The book move, answered at once without a search (not in an analysis),
// or the search under the limits; either way the reader's account of the
// search is opened before and closed after. A book move comes without
// score, line or node count.
SearchResult searchOrBook(Session& session, UciReader& reader, const GoLimits& g, bool timed, Move& book)
{
    Engine& engine = *session.engine;
    UciSearchStart start;
    start.ponder = g.ponder;
    start.hold = g.infinite || !g.limited;  // no limit at all: until "stop"
    start.timed = timed;
    start.moveNumber = engine.tt.age;
    book = bookMove(session, *engine.mainThread.current, start.hold, engine.tt.age);
    engine.timeControl.startMs = nowMs();
    beginUciSearch(reader, start);
    SearchResult result{};
    if (book)
        result.best = book;
    else
        result = think(engine, g.settings);
    endUciSearch(reader);
    return result;
}

// The closing lines: the search's totals (not for a book move), the best
// move played on the board, "bestmove" and the result lines of a finished
// game.
void reportGo(Engine& engine, const SearchResult& result, bool book)
{
    SearchThread& front = engine.mainThread;
    const Move best = result.best;
    if (best) {
        const uint64_t ms = nowMs() - engine.timeControl.startMs;
        if (!book)
            std::printf("info nodes %" PRIu64 " time %" PRIu64 " nps %" PRIu64 "\n", result.nodes, ms,
                        ms ? result.nodes * 1000 / ms : 0);
        front.current = makeMove(*keepStackRoom(front), best);
    }
    printBestMove(engine, true, *front.current, result);
    if (best)
        printGameEnd(*front.current);
}

// "go perft N": counted like a search, so that a "stop" read meanwhile ends
// it and is not kept for the next one.
void goPerftCommand(Session& session, UciReader& reader, const char* line)
{
    UciSearchStart start{};
    beginUciSearch(reader, start);
    goPerft(session.engine->mainThread, line, session.engine->flags.stopSearch);
    endUciSearch(reader);
}

// "go": the limits, the book or the search, the report.
void go(Session& session, UciReader& reader, char* line)
{
    session.uci.tablesUntouched = false;
    Engine& engine = *session.engine;
    SearchThread& front = engine.mainThread;
    front.rootLastMove = uint32_t(front.current->sideToMove);
    GoLimits g;
    g.settings = searchSettings(session.config);
    g.settings.multiPv = session.uci.multiPv;
    g.settings.tbFiftyMoveRule = session.uci.syzygy50MoveRule;
    g.settings.tbProbeDepth = session.uci.syzygyProbeDepth;
    parseGoLimits(line, *front.current, g);
    if (session.uci.limitStrength)
        applyLevel(g.settings, session.uci.elo, nowMs() ^ (uint64_t(engine.tt.age) << 48));
    const bool timed = setGoClocks(engine.timeControl, g, session.uci.moveOverheadMs);
    engine.timeControl.classic = g.settings.classic;
    Move book = 0;
    const SearchResult result = searchOrBook(session, reader, g, timed, book);
    reportGo(engine, result, book != 0);
}

void newUciGame(Session& session)
{
    Engine& engine = *session.engine;
    engine.mainThread.rootLastMove = 1;
    engine.flags.stopSearch.store(0);
    engine.mainThread.current = newGame(engine.mainThread, session.config.chess960);
    clearSearchState(engine);
    clearAllTables(engine);
    session.uci.tablesUntouched = false;
}

} // namespace

int uciLoop(Session& session)
{
    Engine& engine = *session.engine;
    setReporter(engine, uciReporter(session));
    std::printf("\nid name Ardentis\nid author Velmorin\n");
    printUciOptions(session);
    allocAllTables(engine, tableSizes(session.config));
    session.uci.tablesUntouched = true;
    checkBookFile(session);
    startTablebases(session.config, engine);
    std::printf("uciok\n");
    std::fflush(stdout);

    // From here on the reader owns standard input: the loop takes its lines
    // from the reader's queue.
    UciReader* reader = startUciReader(engine);
    char line[UCI_LINE_CAPACITY];
    for (;;) {
        std::fflush(stdout);
        nextUciLine(*reader, line);
        if (!std::strncmp(line, "isready", 7)) {
            if (session.uci.tablesUntouched) {
                clearAllTables(engine);
                session.uci.tablesUntouched = false;
            }
            engine.flags.ponderAllowed.store(session.uci.ponder ? 1 : 0);
            std::printf("readyok\n");
        } else if (!std::strncmp(line, "ucinewgame", 10)) {
            newUciGame(session);
        } else if (!std::strncmp(line, "position", 8)) {
            setPosition(session, line);
        } else if (!std::strncmp(line, "setoption", 9)) {
            setOption(session, line);
        } else if (isGoPerftLine(line)) {
            goPerftCommand(session, *reader, line);
        } else if (isGoLine(line)) {
            go(session, *reader, line);
        } else if (line[0] == 'q') {
            break;
        }
    }
    std::fflush(stdout);
    joinUciReader(reader);
    freeAllTables(engine);
    return 1;
}
