// The interactive console: game commands in the XBoard manner, moves in
// coordinate notation, and the developers' diagnostic commands.
#include "frontend/console.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <memory>

#include "frontend/config.h"
#include "frontend/diagnostics.h"
#include "frontend/input.h"
#include "frontend/play.h"
#include "frontend/report.h"
#include "frontend/selftests.h"
#include "frontend/session.h"
#include "frontend/tunecommand.h"
#include "platform/platform.h"
#include "position/fen.h"
#include "position/gameend.h"
#include "position/makemove.h"
#include "position/movegen.h"
#include "position/perft.h"
#include "position/position.h"
#include "search/engine.h"
#include "search/think.h"
#include "search/timecontrol.h"
#include "search/tt.h"
#include "tuning/texel.h"

namespace {

enum class Match { EXACT, PREFIX };

using Handler = void (*)(Session& session, const char* line);

struct Command {
    const char* word;
    Match match;
    Handler handler;  // null: a diagnostic command this build does not carry
};

void printHelp(Session&, const char*)
{
    static const char* const lines[] = {
        "new            - new game",
        "bench          - run benchmark test",
        "perft          - run performance test",
        "setboard [FEN] - set position from FEN",
        "getboard       - get FEN position",
        "b              - show ChessBoard",
        "turn           - show Turn",
        "inv            - invert ChessBoard",
        "go             - start search",
        "undo           - undo last move",
        "memory [MB]    - Allocate MB for HashTable",
    };
    for (const char* l : lines)
        std::printf("%s\n", l);
}

// The game's record: the front-end record of the session's engine.
SearchThread& game(Session& session) { return session.engine->mainThread; }

void newConsoleGame(Session& session, const char*)
{
    game(session).current = newGame(game(session), session.config.chess960);
    clearSearchState(*session.engine);
}

void runPerftTest(Session& session, const char*) { perftTest(session); }

// The tuner's error over "selected.csv" for eleven values of K. It sets its
// positions up on a record of its own, so the game stays as it is.
void minkCommand(Session&, const char*)
{
    std::unique_ptr<SearchThread> record(new SearchThread());
    findBestK(*record, ".");
}

void runMoveOrderTest(Session& session, const char*) { moveOrderTest(session); }

void perftCommand(Session& session, const char* line)
{
    int n = 0;
    bool given = readCommandNumber(line, "perft", n);
    if (given && n == 9999)
        return;
    if (!given || n < 1 || n > 64) {
        std::printf("Error (depth out of bound): Insert depth between 1 and %d\n", 63);
        return;
    }
    std::printf("Calculated nodes: %" PRIu64 "\n", perftRoot(game(session), n));
}

// A new game with the FEN that starts at `fen`. A FEN that cannot be read
// leaves the game as it was.
bool setBoard(Session& session, const char* fen)
{
    SearchThread& t = game(session);
    std::unique_ptr<Position[]> saved(new Position[POSITION_STACK_SIZE]);
    int current = int(t.current - t.positions);
    std::memcpy(saved.get(), t.positions, sizeof t.positions);
    t.current = newGame(t);
    clearSearchState(*session.engine);
    if (setPositionFromFen(t, fen, nullptr, session.config.chess960))
        return true;
    std::memcpy(t.positions, saved.get(), sizeof t.positions);
    t.current = t.positions + current;
    std::printf("Error (bad FEN): %s\n", fen);
    return false;
}

// The text after a command word and its blank, or "" when the line ends first.
const char* argumentAfter(const char* line, size_t wordLength)
{
    return std::strlen(line) > wordLength ? line + wordLength + 1 : "";
}

void positionFen(Session& session, const char* line) { setBoard(session, argumentAfter(line, 12)); }

void setboard(Session& session, const char* line)
{
    if (setBoard(session, argumentAfter(line, 8)))
        writeBoard(*game(session).current, stdoutSink());
}

void getboard(Session& session, const char*)
{
    char fen[128];
    positionToFen(*game(session).current, fen);
    std::printf("FEN: %s\n", fen);
}

void showBoard(Session& session, const char*) { writeBoard(*game(session).current, stdoutSink()); }

void invert(Session& session, const char*)
{
    Position& p = *game(session).current;
    mirrorPosition(p);
    p.key = computeKey(p);
    p.pawnKey = computePawnKey(p);
}

void turn(Session& session, const char*)
{
    uint32_t side = game(session).current->sideToMove;
    std::printf("%s\n", side == 0 ? "Turn: WHITE" : side == 1 ? "Turn: BLACK" : "Turn: NULL");
}

void setDepth(Session& session, const char* line)
{
    int n = 0;
    bool given = readCommandNumber(line, "sd", n);
    if (given && n == 9999)
        return;
    if (given && n >= 1 && n <= 64)
        session.config.maxDepth = uint8_t(n);
    else
        std::printf("Error (depth out of bound): Insert depth between 2 and %d\n", 63);
}

void setMoveTime(Session& session, const char* line)
{
    int n = 0;
    if (readCommandNumber(line, "st", n) && n > 0 && n <= 7200000 / 100)
        session.engine->timeControl.moveTime = n * 100;
    else
        std::puts("Error (movetime out of bound): Insert movetime > 0 ");
}

// Whether another move fits on the game stack (with room for a search).
bool roomForMove(Session& session)
{
    if (gameHasRoom(game(session)))
        return true;
    std::printf("Error (game too long): no more moves can be played; use new or setboard\n");
    return false;
}

void goCommand(Session& session, const char*)
{
    SearchThread& t = game(session);
    if (!roomForMove(session))
        return;
    MoveEntry list[MAX_MOVES];
    if (generateLegal(*t.current, list) == list) {
        printGameEnd(*t.current);
        return;
    }
    const SearchResult result = thinkAndPlay(session);
    printBestMove(*session.engine, false, *t.current, result);
    printGameEnd(*t.current);
}

void undo(Session& session, const char*)
{
    SearchThread& t = game(session);
    if (t.current > t.positions)
        --t.current;
}

void memoryCommand(Session& session, const char* line)
{
    int n = 0;
    if (!readCommandNumber(line, "memory", n) || n < 1 || n > 8192) {
        std::printf("Error: insert a number between 4 and %d \n", 8192);
        std::printf("tellusererror Error (size out of bound): Insert size between 4 and %d\n", 8192);
        return;
    }
    resizeHashTable(session.config, *session.engine, n);
}

void enterMove(Session& session, const char* line)
{
    SearchThread& t = game(session);
    if (roomForMove(session)) {
        Move m = textToMove(*t.current, line);
        if (!makeMoveIfLegal(t, m))
            std::printf("Illegal move: %s\n", line);
    }
    std::fflush(stdout);
    writeBoard(*t.current, stdoutSink());
    printGameEnd(*t.current);
}

// In the order of comparison.
const Command COMMANDS[] = {
    {"help", Match::EXACT, printHelp},
    {"size", Match::EXACT, sizeCommand},
    {"key", Match::EXACT, keyCommand},
    {"hstore", Match::PREFIX, hashStoreCommand},
    {"hprobe", Match::EXACT, hashProbeCommand},
    {"mink", Match::EXACT, minkCommand},
    {"clear", Match::EXACT, clearCommand},
    {"dump", Match::EXACT, dumpCommand},
    {"n1", Match::EXACT, loadTestPosition},
    {"p", Match::EXACT, loadTestPosition},
    {"chain", Match::EXACT, loadTestPosition},
    {"bug", Match::EXACT, loadTestPosition},
    {"killer", Match::EXACT, loadTestPosition},
    {"good", Match::EXACT, loadTestPosition},
    {"test", Match::EXACT, loadTestPosition},
    {"pin", Match::EXACT, pinCommand},
    {"eva", Match::EXACT, loadTestPosition},
    {"m1", Match::EXACT, loadTestPosition},
    {"m5", Match::EXACT, loadTestPosition},
    {"m8", Match::EXACT, loadTestPosition},
    {"t", Match::EXACT, loadTestPosition},
    {"o", Match::EXACT, loadTestPosition},
    {"c", Match::EXACT, loadTestPosition},
    {"d", Match::EXACT, loadTestPosition},
    {"quiesce", Match::EXACT, quiesceCommand},
    {"sim", Match::EXACT, symmetryCommand},
    {"pe", Match::EXACT, loadTestPosition},
    {"pawn", Match::EXACT, loadTestPosition},
    {"ks1", Match::EXACT, loadTestPosition},
    {"ks2", Match::EXACT, loadTestPosition},
    {"ks3", Match::EXACT, loadTestPosition},
    {"ks4", Match::EXACT, loadTestPosition},
    {"safe", Match::EXACT, loadTestPosition},
    {"stop", Match::EXACT, loadTestPosition},
    {"back", Match::EXACT, loadTestPosition},
    {"e", Match::EXACT, loadTestPosition},
    {"mob", Match::EXACT, loadTestPosition},
    {"fianc", Match::EXACT, loadTestPosition},
    {"shelter", Match::EXACT, loadTestPosition},
    {"perpetual", Match::EXACT, loadTestPosition},
    {"isDraw", Match::EXACT, drawTestCommand},
    {"book", Match::EXACT, bookCommand},
    {"thread", Match::PREFIX, threadCommand},
    {"see", Match::EXACT, exchangeTestCommand},
    {"testmo", Match::EXACT, runMoveOrderTest},
    {"piece", Match::PREFIX, pieceCommand},
    {"score", Match::EXACT, scoreCommand},
    {"legal", Match::EXACT, legalCommand},
    {"probe", Match::PREFIX, probeCommand},
    {"syzygy", Match::EXACT, syzygyTestCommand},
    {"gen", Match::EXACT, generateCommand},
    {"new", Match::EXACT, newConsoleGame},
    {"bench", Match::EXACT, runPerftTest},
    {"perft", Match::PREFIX, perftCommand},
    {"position fen", Match::PREFIX, positionFen},
    {"setboard", Match::PREFIX, setboard},
    {"getboard", Match::PREFIX, getboard},
    {"b", Match::EXACT, showBoard},
    {"inv", Match::EXACT, invert},
    {"turn", Match::EXACT, turn},
    {"sd", Match::PREFIX, setDepth},
    {"st", Match::PREFIX, setMoveTime},
    {"red", Match::EXACT, reductionsCommand},
    {"go", Match::EXACT, goCommand},
    {"undo", Match::EXACT, undo},
    {"memory", Match::PREFIX, memoryCommand},
};

bool matches(const Command& c, const char* line)
{
    return c.match == Match::EXACT ? std::strcmp(line, c.word) == 0
                                   : std::strncmp(line, c.word, std::strlen(c.word)) == 0;
}

bool isMoveText(const char* s)
{
    return s[0] >= 'a' && s[0] <= 'h' && s[1] >= '1' && s[1] <= '8' && s[2] >= 'a' && s[2] <= 'h' &&
           s[3] >= '1' && s[3] <= '8';
}

} // namespace

int consoleLoop(Session& session)
{
    setReporter(*session.engine, consoleReporter(session));
    allocAllTables(*session.engine, tableSizes(session.config));
    startTablebases(session.config, *session.engine);
    std::printf("\nWelcome in Ardentis\n");
    std::printf("type \"help\" to show commands list\n");

    char line[INPUT_LINE_CAPACITY];
    for (;;) {
        std::fflush(stdout);
        std::printf("\nArdentis> ");
        LineStatus status = readInputLine(line, sizeof line);
        if (status == LineStatus::End)
            break;
        if (status == LineStatus::TooLong) {
            std::printf("Error (line too long): the line was ignored\n");
            continue;
        }
        const Command* command = nullptr;
        for (const Command& c : COMMANDS) {
            if (matches(c, line)) {
                command = &c;
                break;
            }
        }
        if (command) {
            if (command->handler)
                command->handler(session, line);
            else
                std::printf("Error (unknown command): %s\n", line);
            continue;
        }
        if (line[0] == 'q')
            break;
        if (isMoveText(line))
            enterMove(session, line);
        else
            std::printf("Error (unknown command): %s\n", line);
    }
    freeAllTables(*session.engine);
    return 1;
}
