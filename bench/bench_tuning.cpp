// Tuner speed: positions per second of the result-fitting error function, the
// measurement the optimiser repeats twice per marked parameter and iteration.
// The training file is tests/data/input-small.epd, taken as it is as the
// selected positions, in a temporary folder.
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "bench.h"
#include "platform/platform.h"
#include "tuning/texel.h"

namespace {

constexpr int ROUNDS = 200;
constexpr int POSITIONS = 2000;  // lines of input-small.epd

SearchThread benchThread;

}  // namespace

void benchTuning()
{
    char folder[] = "/tmp/ardentis-bench-XXXXXX";
    if (!mkdtemp(folder)) {
        std::printf("Tuner error function: no temporary folder\n\n");
        return;
    }
    namespace fs = std::filesystem;
    std::error_code failed;
    fs::copy_file(ARDENTIS_TEST_DATA_DIR "/input-small.epd", fs::path(folder) / "selected.csv", failed);
    if (failed) {
        std::printf("Tuner error function: input-small.epd not found\n\n");
        fs::remove_all(folder);
        return;
    }
    double error = 0.0;
    const uint64_t start = nowMs();
    for (int round = 0; round < ROUNDS; round++)
        error = texelError(benchThread, folder, TEXEL_K);
    const uint64_t elapsed = nowMs() - start;
    const double positions = double(POSITIONS) * ROUNDS;
    std::printf("Tuner error function (result fitting), one thread: %d positions x %d rounds  %6.2f s  "
                "%7.0f positions/s  (error %.6f)\n\n",
                POSITIONS, ROUNDS, double(elapsed) / 1000.0, elapsed ? positions / double(elapsed) * 1000.0 : 0.0,
                error);
    std::fflush(stdout);
    fs::remove_all(folder);
}
