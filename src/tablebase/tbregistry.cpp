// Registration of the table files, the material-key hash and the loading of
// WDL and DTZ files, for one registry. A file is checked completely before its first probe; a
// file that is missing, truncated or corrupt is reported once and its probes
// fail, the engine goes on without it.
#include "tablebase/tbregistry.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"

namespace {

void copyPath(char* to, const char* from)
{
    std::snprintf(to, TB_PATH_SIZE, "%s", from ? from : "");
}

// Folder number `index` of a ':'-separated list joined with "/name.suffix";
// false when the list has no such folder or the path does not fit.
bool formPath(char* out, size_t outSize, const char* folders, int index, const char* name, const char* suffix)
{
    const char* p = folders;
    for (int i = 0; i < index; i++) {
        p = std::strchr(p, ':');
        if (!p)
            return false;
        p++;
    }
    const char* end = std::strchr(p, ':');
    const int len = end ? int(end - p) : int(std::strlen(p));
    const int n = std::snprintf(out, outSize, "%.*s/%s%s", len, p, name, suffix);
    return n > 0 && size_t(n) < outSize;
}

int folderCount(const char* folders)
{
    int n = 1;
    for (const char* p = folders; *p; p++)
        n += *p == ':';
    return n;
}

uint64_t sideKey(int colour, const uint8_t* counts)
{
    uint64_t k = 0;
    for (int code = 1; code <= 6; code++)
        for (int i = 0; i < counts[code]; i++)
            k ^= zobrist.piece[colour][code][i];
    return k;
}

// A key goes to its bucket (its top ten bits), or when that bucket is full
// to the next one with room: the full six-piece set puts six keys into some
// buckets. Lookups walk the same way and stop at a bucket with a free slot.
bool hashInsert(Tablebases& tb, uint64_t key, TbEntry* e)
{
    for (int b = 0; b < TB_HASH_BUCKETS; b++) {
        TbHashSlot* bucket = tb.hash[((key >> 54) + b) % TB_HASH_BUCKETS];
        for (int i = 0; i < TB_HASH_SLOTS; i++)
            if (!bucket[i].entry) {
                bucket[i].key = key;
                bucket[i].entry = e;
                return true;
            }
    }
    return false;
}

void registerTable(Tablebases& tb, const char* name)
{
    const int folders = folderCount(tb.wdlFolders);
    char path[TB_PATH_SIZE + 16];
    int folder = 0;
    for (; folder < folders; folder++)
        if (formPath(path, sizeof path, tb.wdlFolders, folder, name, ".rtbw") && isRegularFile(path))
            break;
    if (folder == folders || tb.entryCount == TB_MAX_TABLES)
        return;
    TbEntry& e = tb.entries[tb.entryCount];
    if (!parseMaterialName(name, e.material))
        return;
    std::snprintf(e.name, sizeof e.name, "%s", name);
    e.key = materialNameKey(e.material);
    e.mirrorKey = sideKey(1, e.material.counts[0]) ^ sideKey(0, e.material.counts[1]);
    e.folder = uint8_t(folder);
    e.dtzReported = 0;
    e.wdl = nullptr;
    e.state.store(TB_NOT_LOADED, std::memory_order_relaxed);
    // At most 1020 keys for 5120 slots: inserting cannot fail.
    hashInsert(tb, e.key, &e);
    if (e.mirrorKey != e.key)
        hashInsert(tb, e.mirrorKey, &e);
    tb.entryCount++;
    if (e.material.numPieces > tb.largestTable)
        tb.largestTable = e.material.numPieces;
}

// Every material of three to six pieces, in a fixed order: letters 1..5 are
// Q, R, B, N, P.
template <typename F>
void forEachCandidate(F&& visit)
{
    static constexpr char L[6] = {0, 'Q', 'R', 'B', 'N', 'P'};
    char n[16];
    for (int a = 1; a <= 5; a++) {
        std::snprintf(n, sizeof n, "K%cvK", L[a]);
        visit(n);
    }
    for (int a = 1; a <= 5; a++)
        for (int b = a; b <= 5; b++) {
            std::snprintf(n, sizeof n, "K%cvK%c", L[a], L[b]);
            visit(n);
        }
    for (int a = 1; a <= 5; a++)
        for (int b = a; b <= 5; b++) {
            std::snprintf(n, sizeof n, "K%c%cvK", L[a], L[b]);
            visit(n);
        }
    for (int a = 1; a <= 5; a++)
        for (int b = a; b <= 5; b++)
            for (int c = 1; c <= 5; c++) {
                std::snprintf(n, sizeof n, "K%c%cvK%c", L[a], L[b], L[c]);
                visit(n);
            }
    for (int a = 1; a <= 5; a++)
        for (int b = a; b <= 5; b++)
            for (int c = b; c <= 5; c++) {
                std::snprintf(n, sizeof n, "K%c%c%cvK", L[a], L[b], L[c]);
                visit(n);
            }
    for (int a = 1; a <= 5; a++)
        for (int b = a; b <= 5; b++)
            for (int c = a; c <= 5; c++)
                for (int d = c; d <= 5; d++) {
                    if (c == a && b > d)
                        continue;
                    std::snprintf(n, sizeof n, "K%c%cvK%c%c", L[a], L[b], L[c], L[d]);
                    visit(n);
                }
    for (int a = 1; a <= 5; a++)
        for (int b = a; b <= 5; b++)
            for (int c = b; c <= 5; c++)
                for (int d = 1; d <= 5; d++) {
                    std::snprintf(n, sizeof n, "K%c%c%cvK%c", L[a], L[b], L[c], L[d]);
                    visit(n);
                }
    for (int a = 1; a <= 5; a++)
        for (int b = a; b <= 5; b++)
            for (int c = b; c <= 5; c++)
                for (int d = c; d <= 5; d++) {
                    std::snprintf(n, sizeof n, "K%c%c%c%cvK", L[a], L[b], L[c], L[d]);
                    visit(n);
                }
}

// Maps a file and parses it; prints one line and returns false when it
// cannot be used.
bool loadFile(Tablebases& tb, const char* folders, int firstFolder, const char* name, bool dtz, const TbMaterial& m,
              TbFile& f)
{
    const char* suffix = dtz ? ".rtbz" : ".rtbw";
    char path[TB_PATH_SIZE + 16];
    size_t size = 0;
    const void* data = nullptr;
    const int count = folderCount(folders);
    for (int i = firstFolder; i < count && !data; i++)
        if (formPath(path, sizeof path, folders, i, name, suffix))
            data = mapFile(path, size);
    if (!data) {
        if (!formPath(path, sizeof path, folders, firstFolder, name, suffix))
            std::snprintf(path, sizeof path, "%s%s", name, suffix);
        sendFormatted(tb.messages, "Could not open %s for reading.\n", path);
        return false;
    }
    if (!parseTableFile(static_cast<const uint8_t*>(data), size, m, dtz, f)) {
        unmapFile(data, size);
        sendText(tb.messages, "Corrupted table.\n");
        return false;
    }
    tb.mappedBytes.fetch_add(size, std::memory_order_relaxed);
    return true;
}

void unloadFile(Tablebases& tb, TbFile& f)
{
    releaseTableFile(f);
    if (f.data) {
        unmapFile(f.data, f.size);
        tb.mappedBytes.fetch_sub(f.size, std::memory_order_relaxed);
    }
    f.data = nullptr;
}

void freeDtzSlot(Tablebases& tb, TbDtzSlot& s)
{
    if (s.table) {
        unloadFile(tb, s.table->file);
        std::free(s.table);
    }
    s = TbDtzSlot{};
}

}  // namespace

uint64_t materialNameKey(const TbMaterial& m) { return sideKey(0, m.counts[0]) ^ sideKey(1, m.counts[1]); }

uint64_t positionMaterialKey(const Position& pos, bool swapped)
{
    uint8_t counts[2][8] = {};
    const Bitboard sides[2] = {pos.own, enemy(pos)};
    for (int s = 0; s < 2; s++)
        for (int code = 1; code <= 6; code++)
            counts[s][code] = uint8_t(popcount(sides[s] & piecesOfCode(pos, code)));
    // sides[0] is the side to move; its real colour is sideToMove.
    const int own = int(pos.sideToMove) ^ int(swapped);
    return sideKey(own, counts[0]) ^ sideKey(own ^ 1, counts[1]);
}

void freeTablebases(Tablebases& tb)
{
    for (int i = 0; i < tb.entryCount; i++) {
        TbEntry& e = tb.entries[i];
        if (e.wdl) {
            unloadFile(tb, *e.wdl);
            std::free(e.wdl);
            e.wdl = nullptr;
        }
        e.state.store(TB_NOT_LOADED, std::memory_order_relaxed);
    }
    for (TbDtzSlot& s : tb.dtzCache)
        freeDtzSlot(tb, s);
    std::memset(tb.hash, 0, sizeof tb.hash);
    tb.entryCount = 0;
    tb.largestTable = 0;
}

void initTablebases(Tablebases& tb, const char* dtzPath, const char* wdlPath)
{
    freeTablebases(tb);
    if (!tb.mutexReady) {
        mutexInit(tb.loadMutex);
        tb.mutexReady = true;
    }
    copyPath(tb.dtzFolders, dtzPath);
    copyPath(tb.wdlFolders, wdlPath);
    const char* env = std::getenv("RTBZDIR");
    if (env && std::strlen(env) <= size_t(TB_ENV_PATH_MAX)) {
        copyPath(tb.dtzFolders, env);
        sendText(tb.messages, "$DTZDIR loaded\n");
    }
    env = std::getenv("RTBWDIR");
    if (env && std::strlen(env) <= size_t(TB_ENV_PATH_MAX)) {
        copyPath(tb.wdlFolders, env);
        sendText(tb.messages, "$WDLDIR loaded\n");
    }
    if (tb.wdlFolders[0])
        forEachCandidate([&tb](const char* name) { registerTable(tb, name); });
    sendFormatted(tb.messages, "\nFound %d tablebases.\n", tb.entryCount);
}

TbEntry* findTable(Tablebases& tb, uint64_t key)
{
    for (int b = 0; b < TB_HASH_BUCKETS; b++) {
        const TbHashSlot* bucket = tb.hash[((key >> 54) + b) % TB_HASH_BUCKETS];
        for (int i = 0; i < TB_HASH_SLOTS; i++) {
            if (!bucket[i].entry)
                return nullptr;
            if (bucket[i].key == key)
                return bucket[i].entry;
        }
    }
    return nullptr;
}

bool ensureWdlLoaded(Tablebases& tb, TbEntry& e)
{
    uint8_t state = e.state.load(std::memory_order_acquire);
    if (state == TB_NOT_LOADED) {
        mutexLock(tb.loadMutex);
        state = e.state.load(std::memory_order_relaxed);
        if (state == TB_NOT_LOADED) {
            TbFile* f = static_cast<TbFile*>(std::calloc(1, sizeof(TbFile)));
            if (f && loadFile(tb, tb.wdlFolders, e.folder, e.name, false, e.material, *f)) {
                e.wdl = f;
                state = TB_READY;
            } else {
                std::free(f);
                state = TB_FAILED;
            }
            e.state.store(state, std::memory_order_release);
        }
        mutexUnlock(tb.loadMutex);
    }
    return state == TB_READY;
}

const TbDtzTable* findDtzTable(Tablebases& tb, uint64_t key, uint64_t mirrorKey)
{
    TbDtzSlot* cache = tb.dtzCache;
    for (int k = 0; k < TB_DTZ_CACHE; k++) {
        TbDtzSlot& s = cache[k];
        if (s.key == 0)
            break;
        if (s.key == key || s.mirrorKey == key) {
            const TbDtzSlot hit = s;
            for (int i = k; i > 0; i--)
                cache[i] = cache[i - 1];
            cache[0] = hit;
            return hit.table;
        }
    }
    TbEntry* e = findTable(tb, key);
    if (!e)
        return nullptr;
    freeDtzSlot(tb, cache[TB_DTZ_CACHE - 1]);
    for (int i = TB_DTZ_CACHE - 1; i > 0; i--)
        cache[i] = cache[i - 1];
    cache[0] = TbDtzSlot{key, mirrorKey, nullptr};
    if (e->dtzReported)
        return nullptr;  // known to be unusable: stay quiet
    TbDtzTable* t = static_cast<TbDtzTable*>(std::calloc(1, sizeof(TbDtzTable)));
    if (!t || !loadFile(tb, tb.dtzFolders, 0, e->name, true, e->material, t->file)) {
        std::free(t);
        e->dtzReported = 1;
        return nullptr;
    }
    t->entry = e;
    cache[0].table = t;
    return t;
}
