// Clearing and the correction update of the default search's statistics.
#include "search/history.h"

#include <cstring>

void clearHistoryTables(HistoryTables& h) { std::memset(static_cast<void*>(&h), 0, sizeof h); }

void updateCorrection(HistoryTables& h, int side, uint64_t pawnKey, int depth, int difference)
{
    int16_t& entry = h.correction[side][pawnKey & (CORRECTION_SIZE - 1)];
    const int weight = depth + 1 < 16 ? depth + 1 : 16;
    int v = (entry * (256 - weight) + difference * CORRECTION_GRAIN * weight) / 256;
    v = v > CORRECTION_LIMIT ? CORRECTION_LIMIT : v < -CORRECTION_LIMIT ? -CORRECTION_LIMIT : v;
    entry = int16_t(v);
}
