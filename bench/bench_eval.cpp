// Evaluation speed: full evaluations (no cache hits) of the shared positions
// file on one thread, by the classic evaluation and then by the default one.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "bench.h"
#include "eval/evaluate.h"
#include "eval/params.h"
#include "platform/platform.h"
#include "position/fen.h"
#include "position/stack.h"

namespace {

constexpr int MAX_POSITIONS = 1024;
constexpr int ROUNDS = 40000;

Position positions[MAX_POSITIONS];
PositionStack stack;

int loadPositions(const char* path)
{
    std::FILE* f = std::fopen(path, "r");
    if (!f)
        return 0;
    int count = 0;
    char line[600];
    while (count < MAX_POSITIONS && std::fgets(line, sizeof line, f)) {
        line[std::strcspn(line, "\r\n")] = 0;
        if (line[0] == 0 || line[0] == '#')
            continue;
        if (setPositionFromFen(stack, line, nullptr))
            positions[count++] = *stack.current;
    }
    std::fclose(f);
    return count;
}

}  // namespace

namespace {

void timeEvaluations(const char* label)
{
    // Set up under the mode's values: the incremental scores depend on them.
    const int count = loadPositions(ARDENTIS_TEST_DATA_DIR "/positions.txt");
    if (count == 0) {
        std::printf("Evaluation: positions file not found\n\n");
        return;
    }
    // The sum keeps the compiler from dropping the work and doubles as a
    // signature: it changes only when the evaluation does.
    int64_t sum = 0;
    const uint64_t start = nowMs();
    for (int round = 0; round < ROUNDS; round++)
        for (int i = 0; i < count; i++)
            sum += evaluatePosition(positions[i]);
    const uint64_t elapsed = nowMs() - start;
    const double evaluations = double(count) * ROUNDS;
    std::printf("%s, one thread: %d positions x %d rounds  %6.2f s  %7.2f M evaluations/s  (score sum %lld)\n\n",
                label, count, ROUNDS, double(elapsed) / 1000.0, elapsed ? evaluations / double(elapsed) / 1000.0 : 0.0,
                (long long)(sum / ROUNDS));
    std::fflush(stdout);
}

}  // namespace

void benchEval()
{
    const bool classic = evalIsClassic();
    setEvalMode(true);
    timeEvaluations("Evaluation");
    setEvalMode(false);
    timeEvaluations("Default evaluation");
    setEvalMode(classic);
}
