// Tablebase speed: WDL and DTZ probes per second over the test positions of
// the 3-4 piece tables, and the bytes of table files mapped afterwards.
#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "bench.h"
#include "platform/platform.h"
#include "position/fen.h"
#include "search/searchthread.h"
#include "tablebase/tbprobe.h"
#include "tablebase/tbregistry.h"

namespace {

constexpr const char* TABLES[] = {"KBBvK", "KBNvK", "KBPvK", "KBvKB", "KBvKN", "KBvKP", "KNNvK", "KNPvK", "KNvKN",
                                  "KNvKP", "KPPvK", "KPvK",  "KPvKP", "KQBvK", "KQNvK", "KQPvK", "KQQvK", "KQRvK",
                                  "KQvK",  "KQvKB", "KQvKN", "KQvKP", "KQvKQ", "KQvKR", "KRBvK", "KRNvK", "KRPvK",
                                  "KRRvK", "KRvK",  "KRvKB", "KRvKN", "KRvKP", "KRvKR"};

SearchThread probeThread;

std::vector<Position> testPositions()
{
    std::vector<Position> out;
    for (const char* table : TABLES) {
        std::ifstream in(std::string(ARDENTIS_TEST_DATA_DIR) + "/syzygy-tests/" + table + ".csv");
        std::string line;
        while (std::getline(in, line)) {
            if (line.empty() || line[0] == '#')
                continue;
            if (setPositionFromFen(probeThread, line.substr(0, line.find(',')).c_str(), nullptr))
                out.push_back(*probeThread.current);
        }
    }
    return out;
}

template <typename Probe>
void rate(const char* what, const std::vector<Position>& positions, Probe probe)
{
    uint64_t probes = 0, failed = 0;
    const uint64_t start = nowMs();
    uint64_t ms = 0;
    do {
        for (const Position& p : positions) {
            int ok;
            probe(p, &ok);
            failed += ok == 0;
        }
        probes += positions.size();
        ms = nowMs() - start;
    } while (ms < 1000);
    std::printf("%-20s%" PRIu64 " (%" PRIu64 " probes, %" PRIu64 " failed)\n", what, probes * 1000 / ms, probes, failed);
}

}  // namespace

void benchTablebase()
{
    const std::string folder = std::string(ARDENTIS_TEST_DATA_DIR) + "/syzygy";
    initTablebases(folder.c_str(), folder.c_str());
    const std::vector<Position> positions = testPositions();
    std::printf("Tablebase: %zu test positions of the 3-4 piece tables\n", positions.size());
    rate("WDL probes/s:", positions, [](const Position& p, int* ok) { return probeWdl(p, ok); });
    rate("DTZ probes/s:", positions, [](const Position& p, int* ok) { return probeDtz(p, ok); });
    std::printf("Tables mapped:      %" PRIu64 " bytes\n", tablebaseMappedBytes());
    freeTablebases();
}
