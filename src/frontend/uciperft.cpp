// The divide count of "go perft N".
#include "frontend/uciperft.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "position/fen.h"
#include "position/makemove.h"
#include "position/movegen.h"
#include "position/perft.h"

namespace {

// Subtrees this deep are counted in one go: a few milliseconds at most, so
// that a stop is seen at once.
constexpr int UNBROKEN_DEPTH = 4;

// The leaf count below pos, or 0 once stop is raised (the caller checks it).
uint64_t countBelow(Position* pos, int depth, const std::atomic<uint32_t>& stop)
{
    if (depth <= UNBROKEN_DEPTH)
        return perftFrom(pos, depth);
    MoveEntry list[MAX_MOVES];
    const MoveEntry* end = generateLegal(*pos, list);
    uint64_t nodes = 0;
    for (const MoveEntry* e = list; e != end && !stop.load(std::memory_order_relaxed); e++)
        nodes += countBelow(makeMove(*pos, entryMove(*e)), depth - 1, stop);
    return nodes;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// The word after "go" and its blanks, or null when it is not "perft".
const char* afterPerftWord(const char* line)
{
    if (std::strncmp(line, "go", 2) != 0 || !isBlank(line[2]))
        return nullptr;
    line += 2;
    while (isBlank(*line))
        ++line;
    if (std::strncmp(line, "perft", 5) != 0 || (line[5] && !isBlank(line[5])))
        return nullptr;
    return line + 5;
}

} // namespace

bool isGoPerftLine(const char* line) { return afterPerftWord(line) != nullptr; }

void goPerft(PositionStack& game, const char* line, const std::atomic<uint32_t>& stop)
{
    const char* text = afterPerftWord(line);
    char* end = nullptr;
    const long depth = text ? std::strtol(text, &end, 10) : 0;
    if (!text || end == text || depth < 1 || depth > MAX_PLY) {
        std::printf("info string go perft takes a depth from 1 to %d\n", MAX_PLY);
        std::fflush(stdout);
        return;
    }
    Position* root = game.current;
    const int black = int(root->sideToMove);
    MoveEntry list[MAX_MOVES];
    const MoveEntry* last = generateLegal(*root, list);
    // Counts to depth 5 take a second at most and are not broken off.
    const bool stoppable = depth - 1 > UNBROKEN_DEPTH;
    uint64_t total = 0;
    for (const MoveEntry* e = list; e != last; e++) {
        const Move m = entryMove(*e);
        const uint64_t nodes = depth == 1 ? 1 : countBelow(makeMove(*root, m), int(depth) - 1, stop);
        if (stoppable && stop.load(std::memory_order_relaxed)) {
            std::printf("info string go perft stopped; the total counts the moves above\n");
            break;
        }
        char move[MOVE_TEXT_SIZE];
        moveToText(move, m, black, root->chess960);
        std::printf("%s: %" PRIu64 "\n", move, nodes);
        std::fflush(stdout);
        total += nodes;
    }
    std::printf("\nNodes searched: %" PRIu64 "\n", total);
    std::fflush(stdout);
}
