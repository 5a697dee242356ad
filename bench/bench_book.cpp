// Opening-book lookup time on small.bin: each lookup opens the file, runs
// one binary search, reads the key's run and closes the file again.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "bench.h"
#include "book/book.h"
#include "platform/platform.h"
#include "position/fen.h"
#include "position/stack.h"

namespace {

constexpr int MAX_POSITIONS = 512;
constexpr int ROUNDS = 200;

// Six positions of the book and the shared positions file (almost all misses).
constexpr const char* BOOK_FENS[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1",
    "r1bqkbnr/pp1npppp/3p4/1Bp5/4P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 2 4",
    "r1bqkb1r/pp2pppp/1nn5/3pP3/3p4/1BP2N2/PP3PPP/RNBQK2R w KQkq d6 0 8",
    "rnbqkbnr/pp1ppppp/8/2p5/4P3/8/PPPP1PPP/RNBQKBNR w KQkq c6 0 2",
    "rnbqkb1r/pp2pppp/3p4/3nP3/3p4/2P2N2/PP3PPP/RNBQKB1R w KQkq - 0 6",
};

PositionStack stack;
Position positions[MAX_POSITIONS];

int loadPositions()
{
    int count = 0;
    for (const char* fen : BOOK_FENS)
        if (setPositionFromFen(stack, fen, nullptr))
            positions[count++] = *stack.current;
    std::FILE* f = std::fopen(ARDENTIS_TEST_DATA_DIR "/positions.txt", "r");
    if (!f)
        return count;
    char line[600];
    while (count < MAX_POSITIONS && std::fgets(line, sizeof line, f)) {
        line[std::strcspn(line, "\r\n")] = 0;
        if (line[0] && line[0] != '#' && setPositionFromFen(stack, line, nullptr))
            positions[count++] = *stack.current;
    }
    std::fclose(f);
    return count;
}

}  // namespace

void benchBook()
{
    const char* path = ARDENTIS_TEST_DATA_DIR "/books/small.bin";
    const int count = loadPositions();
    int found = 0;
    const uint64_t start = nowMs();
    for (int round = 0; round < ROUNDS; round++)
        for (int i = 0; i < count; i++)
            found += pickBookMove(path, positions[i], nullptr).status == BookStatus::Found;
    const uint64_t elapsed = nowMs() - start;
    const double lookups = double(count) * ROUNDS;
    if (found == 0) {
        std::printf("Book: no book move found (is %s there?)\n\n", path);
        return;
    }
    std::printf("Book lookup (small.bin, %d positions x %d rounds, %d hits per round): %6.2f us per lookup, "
                "%8.0f lookups/s\n\n",
                count, ROUNDS, found / ROUNDS, elapsed ? 1000.0 * double(elapsed) / lookups : 0.0,
                elapsed ? lookups * 1000.0 / double(elapsed) : 0.0);
    std::fflush(stdout);
}
