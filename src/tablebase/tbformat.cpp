// Syzygy file layout: constant index tables (built at compile time), header
// parsing with bounds checks on every field, position indices and the
// canonical-Huffman block decoder.
#include "tablebase/tbformat.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr int fileOf(int s) { return s & 7; }
constexpr int rankOf(int s) { return s >> 3; }
constexpr int foldFile(int f) { return f < 4 ? f : 7 - f; }
constexpr bool onDiagonal(int s) { return fileOf(s) == rankOf(s); }
constexpr int transpose(int s) { return (s >> 3) | ((s & 7) << 3); }

// Every constant table of the index encodings, computed by the compiler so
// that nothing needs building at start-up.
struct IndexTables {
    uint64_t binomial[7][64];   // [k][n]
    int8_t triangle[64];
    int8_t lower[64];
    int8_t flap[64];
    int8_t ptwist[64];
    int16_t kkIndex[10][64];
    uint32_t pawnIndex[5][24];
    uint32_t pawnFactor[5][4];
};

constexpr IndexTables buildIndexTables()
{
    IndexTables t{};
    for (int n = 0; n < 64; n++)
        for (int k = 0; k < 7; k++)
            t.binomial[k][n] = k == 0 ? 1 : n == 0 ? 0 : t.binomial[k - 1][n - 1] + t.binomial[k][n - 1];

    // Triangle numbers: b1 0, c1 1, d1 2, c2 3, d2 4, d3 5, a1 6, b2 7, c3 8, d4 9.
    const int triangleOf[4][4] = {{6, 0, 1, 2}, {-1, 7, 3, 4}, {-1, -1, 8, 5}, {-1, -1, -1, 9}};
    for (int s = 0; s < 64; s++) {
        int f = foldFile(fileOf(s)), r = rankOf(s) < 4 ? rankOf(s) : 7 - rankOf(s);
        if (r > f) {
            const int x = f;
            f = r;
            r = x;
        }
        t.triangle[s] = int8_t(triangleOf[r][f]);
    }
    for (int s = 0; s < 64; s++) {
        if (fileOf(s) > rankOf(s)) {
            int below = 0;
            for (int u = 0; u < s; u++)
                below += fileOf(u) > rankOf(u);
            t.lower[s] = int8_t(below);
        } else if (onDiagonal(s)) {
            t.lower[s] = int8_t(28 + fileOf(s));
        }
    }
    for (int s = 0; s < 64; s++)
        if (fileOf(s) < rankOf(s))
            t.lower[s] = t.lower[transpose(s)];
    for (int s = 8; s < 56; s++) {
        const int f = foldFile(fileOf(s)), r = rankOf(s);
        t.flap[s] = int8_t(6 * f + r - 1);
        t.ptwist[s] = int8_t(12 * (3 - f) + 2 * (6 - r) + (fileOf(s) <= 3));
    }

    // The two kings: first pass all allowed pairs but those with both kings
    // on the diagonal, second pass those.
    int triangleSquare[10] = {};
    for (int s = 0; s < 64; s++)
        if (fileOf(s) < 4 && rankOf(s) < 4 && rankOf(s) <= fileOf(s))
            triangleSquare[t.triangle[s]] = s;
    for (int i = 0; i < 10; i++)
        for (int b = 0; b < 64; b++)
            t.kkIndex[i][b] = -1;
    auto allowed = [&](int a, int b) {
        const int df = fileOf(a) - fileOf(b), dr = rankOf(a) - rankOf(b);
        const bool touching = df >= -1 && df <= 1 && dr >= -1 && dr <= 1;
        if (touching)  // includes a == b
            return false;
        return !(onDiagonal(a) && fileOf(b) < rankOf(b));
    };
    int next = 0;
    for (int i = 0; i < 10; i++) {
        const int a = triangleSquare[i];
        for (int b = 0; b < 64; b++)
            if (allowed(a, b) && !(onDiagonal(a) && onDiagonal(b)))
                t.kkIndex[i][b] = int16_t(next++);
    }
    for (int i = 6; i < 10; i++) {
        const int a = triangleSquare[i];
        for (int b = 0; b < 64; b++)
            if (allowed(a, b) && onDiagonal(b))
                t.kkIndex[i][b] = int16_t(next++);
    }

    for (int k = 0; k < 5; k++)
        for (int f = 0; f < 4; f++) {
            uint64_t acc = 0;
            for (int j = 6 * f; j < 6 * f + 6; j++) {
                t.pawnIndex[k][j] = uint32_t(acc);
                const int s = 8 * (j % 6 + 1) + j / 6;
                acc += t.binomial[k][t.ptwist[s]];
            }
            t.pawnFactor[k][f] = uint32_t(acc);
        }
    return t;
}

constexpr IndexTables TB = buildIndexTables();

static_assert(TB.kkIndex[0][3] == 0 && TB.kkIndex[6][2] == 339 && TB.kkIndex[6][18] == 441 && TB.kkIndex[9][63] == 461);
static_assert(TB.pawnFactor[1][0] == 252 && TB.pawnFactor[3][3] == 295 && TB.pawnIndex[2][7] == 595);
static_assert(TB.lower[63 - 7] == 6 && TB.lower[62] == 27 && TB.triangle[19] == 5 && TB.triangle[21] == 8);

constexpr int LEAD_TRIPLE_SIZE = 31332;
constexpr int LEAD_KINGS_SIZE = 462;

inline uint16_t readU16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
inline uint32_t readU32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
inline uint32_t readBigU32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
inline uint64_t readBigU64(const uint8_t* p) { return uint64_t(readBigU32(p)) << 32 | readBigU32(p + 4); }

void sortSmall(int* v, int n)
{
    for (int i = 1; i < n; i++)
        for (int j = i; j > 0 && v[j - 1] > v[j]; j--) {
            const int x = v[j];
            v[j] = v[j - 1];
            v[j - 1] = x;
        }
}

// C(x1, 1) + C(x2, 2) + ... over the sorted values.
uint64_t subsetIndex(int* x, int n)
{
    sortSmall(x, n);
    uint64_t idx = 0;
    for (int m = 0; m < n; m++)
        idx += TB.binomial[m + 1][x[m]];
    return idx;
}

// The identical pieces at squares[start..start+len-1], each square counted
// among those not taken by the pieces before the group.
uint64_t groupIndex(const int* squares, int start, int len)
{
    int x[TB_MAX_PIECES];
    for (int i = 0; i < len; i++) {
        const int s = squares[start + i];
        int below = 0;
        for (int j = 0; j < start; j++)
            below += squares[j] < s;
        x[i] = s - below;
    }
    return subsetIndex(x, len);
}

uint64_t laterGroups(const TbSubtable& st, const int* squares, int from, int n)
{
    uint64_t idx = 0;
    for (int i = from; i < n; i++)
        if (st.groupLen[i])
            idx += groupIndex(squares, i, st.groupLen[i]) * st.factor[i];
    return idx;
}

// Bounded reader over the mapped file: every access checks its range first.
struct Reader {
    const uint8_t* data;
    size_t size;
    size_t pos;
    bool ok;
    bool has(uint64_t n)
    {
        if (ok && pos <= size && n <= size - pos)
            return true;
        ok = false;
        return false;
    }
    uint8_t u8() { return has(1) ? data[pos++] : 0; }
    uint16_t u16()
    {
        if (!has(2))
            return 0;
        pos += 2;
        return readU16(data + pos - 2);
    }
    uint32_t u32()
    {
        if (!has(4))
            return 0;
        pos += 4;
        return readU32(data + pos - 4);
    }
    void skip(uint64_t n)
    {
        if (has(n))
            pos += size_t(n);
    }
    void padEven() { pos += pos & 1; }
};

// Checks a piece list against the material and derives the groups, their
// factors and the subtable size.
bool setupPieces(TbSubtable& st, const TbMaterial& m, int file, int order, int order2)
{
    const int n = m.numPieces;
    uint8_t seen[2][8] = {};
    for (int i = 0; i < n; i++) {
        const int code = st.pieces[i], type = code & 7;
        if (type < 1 || type > 6 || code > 14)
            return false;
        seen[code >> 3][type]++;
    }
    if (std::memcmp(seen, m.counts, sizeof seen) != 0)
        return false;

    int groupStart[TB_MAX_PIECES], groupSize[TB_MAX_PIECES];
    uint64_t sizeOf[TB_MAX_PIECES];
    int groups = 0, pos;
    if (m.hasPawns) {
        const int lead = 1 | m.leadSide << 3, other = 1 | (m.leadSide ^ 1) << 3;
        for (int i = 0; i < m.leadPawns; i++)
            if (st.pieces[i] != lead)
                return false;
        for (int i = 0; i < m.otherPawns; i++)
            if (st.pieces[m.leadPawns + i] != other)
                return false;
        groupStart[0] = 0, groupSize[0] = m.leadPawns;
        sizeOf[0] = TB.pawnFactor[m.leadPawns - 1][file];
        groups = 1;
        if (m.otherPawns) {
            groupStart[1] = m.leadPawns, groupSize[1] = m.otherPawns;
            sizeOf[1] = TB.binomial[m.otherPawns][48 - m.leadPawns];
            groups = 2;
        }
        pos = m.leadPawns + m.otherPawns;
    } else if (m.encoding == 0) {
        for (int i = 0; i < 3; i++)
            if (m.counts[st.pieces[i] >> 3][st.pieces[i] & 7] != 1)
                return false;
        groupStart[0] = 0, groupSize[0] = 3, sizeOf[0] = LEAD_TRIPLE_SIZE;
        groups = 1, pos = 3;
    } else {
        if (!((st.pieces[0] == 6 && st.pieces[1] == 14) || (st.pieces[0] == 14 && st.pieces[1] == 6)))
            return false;
        groupStart[0] = 0, groupSize[0] = 2, sizeOf[0] = LEAD_KINGS_SIZE;
        groups = 1, pos = 2;
    }
    const int fixedGroups = groups;
    while (pos < n) {
        int len = 1;
        while (pos + len < n && st.pieces[pos + len] == st.pieces[pos])
            len++;
        // Identical pieces must form one run, or the square list would be
        // ambiguous.
        for (int j = 0; j < pos; j++)
            if (st.pieces[j] == st.pieces[pos])
                return false;
        groupStart[groups] = pos, groupSize[groups] = len;
        sizeOf[groups] = TB.binomial[len][64 - pos];
        groups++;
        pos += len;
    }
    if (order >= groups || (fixedGroups == 2 && (order2 >= groups || order2 == order)))
        return false;

    int slotGroup[TB_MAX_PIECES];
    for (int i = 0; i < groups; i++)
        slotGroup[i] = -1;
    slotGroup[order] = 0;
    if (fixedGroups == 2)
        slotGroup[order2] = 1;
    for (int slot = 0, g = fixedGroups; slot < groups; slot++)
        if (slotGroup[slot] < 0)
            slotGroup[slot] = g++;
    std::memset(st.groupLen, 0, sizeof st.groupLen);
    std::memset(st.factor, 0, sizeof st.factor);
    uint64_t f = 1;
    for (int slot = 0; slot < groups; slot++) {
        const int g = slotGroup[slot];
        st.groupLen[groupStart[g]] = uint8_t(groupSize[g]);
        st.factor[groupStart[g]] = f;
        f *= sizeOf[g];
    }
    st.size = f;
    return true;
}

// Values per symbol minus one, following pairs; rejects cycles, references
// past the table and symbols of more than 256 values.
bool symbolLength(const uint8_t* symbols, int numSymbols, uint8_t* len, uint8_t* state, int s, bool wdl, int depth)
{
    if (state[s] == 2)
        return true;
    if (state[s] == 1 || depth > numSymbols)
        return false;
    state[s] = 1;
    const uint8_t* b = symbols + 3 * s;
    const int left = b[0] | (b[1] & 15) << 8, right = b[1] >> 4 | b[2] << 4;
    if (right == 0xFFF) {
        if (wdl && left > 4)
            return false;
        len[s] = 0;
    } else {
        if (left >= numSymbols || right >= numSymbols)
            return false;
        if (!symbolLength(symbols, numSymbols, len, state, left, wdl, depth + 1)
            || !symbolLength(symbols, numSymbols, len, state, right, wdl, depth + 1))
            return false;
        const int total = len[left] + len[right] + 1;
        if (total > 255)
            return false;
        len[s] = uint8_t(total);
    }
    state[s] = 2;
    return true;
}

// Reads one descriptor. Symbol lengths are computed later, once the
// allocation for all subtables is known.
bool readDescriptor(Reader& r, TbSubtable& st, bool dtz)
{
    st.flags = r.u8();
    if (st.flags & 0x80) {
        const uint8_t v = r.u8();
        st.singleValue = dtz ? 0 : v;
        return r.ok && (dtz || v <= 4);
    }
    st.blockBits = r.u8();
    st.indexBits = r.u8();
    const uint8_t extra = r.u8();
    st.numBlocks = r.u32();
    st.maxLen = r.u8();
    st.minLen = r.u8();
    if (!r.ok || st.blockBits > 16 || st.indexBits < 1 || st.indexBits > 40 || st.numBlocks == 0 || st.minLen < 1
        || st.minLen > st.maxLen || st.maxLen > 32)
        return false;
    st.sizeEntries = st.numBlocks + extra;
    if (st.sizeEntries < st.numBlocks)
        return false;
    for (int l = st.minLen; l <= st.maxLen; l++)
        st.offset[l] = r.u16();
    st.numSymbols = r.u16();
    if (!r.ok || st.numSymbols == 0 || st.numSymbols > 4095 || st.offset[st.maxLen] != 0)
        return false;
    st.symbols = r.data + r.pos;
    r.skip(3 * uint64_t(st.numSymbols));
    r.padEven();
    if (!r.ok)
        return false;

    uint64_t base = 0;
    st.base[st.maxLen] = 0;
    for (int l = st.maxLen - 1; l >= st.minLen; l--) {
        if (st.offset[l] < st.offset[l + 1] || st.offset[l] > st.numSymbols)
            return false;
        const uint64_t sum = base + st.offset[l] - st.offset[l + 1];
        if (sum & 1)
            return false;
        base = sum / 2;
        if (base > (uint64_t(1) << l))
            return false;
        // A base of 2^l means no code of this length: it compares above every window.
        st.base[l] = base == (uint64_t(1) << l) ? ~uint64_t(0) : base << (64 - l);
    }
    st.indexEntries = (st.size + (uint64_t(1) << st.indexBits) - 1) >> st.indexBits;
    return true;
}

bool readMaps(Reader& r, TbSubtable& st)
{
    const bool wide = st.flags & 0x10;
    if (wide)
        r.padEven();
    st.mapData = r.data + r.pos;
    const size_t start = r.pos;
    for (int i = 0; i < 4; i++) {
        const int count = wide ? r.u16() : r.u8();
        st.mapOffset[i] = uint32_t(r.pos - start);
        st.mapCount[i] = uint16_t(count);
        r.skip(uint64_t(count) * (wide ? 2 : 1));
    }
    return r.ok;
}

// The magic number and the flags byte, which must match the material; fills
// the file's shape.
bool readFileHeader(Reader& r, const TbMaterial& m, bool dtz, TbFile& f)
{
    const uint32_t magic = r.u32();
    const uint8_t flags = r.u8();
    if (!r.ok || magic != (dtz ? TB_DTZ_MAGIC : TB_WDL_MAGIC))
        return false;
    if ((flags >> 4) != m.numPieces || bool(flags & 2) != bool(m.hasPawns))
        return false;
    if (!dtz && bool(flags & 1) == bool(m.symmetric))
        return false;
    f.data = r.data;
    f.size = r.size;
    f.isDtz = dtz;
    f.numFiles = m.hasPawns ? 4 : 1;
    f.numSides = dtz || m.symmetric ? 1 : 2;
    return true;
}

// Per file: the order bytes and the piece list, one nibble per side, which
// set up each subtable's pieces.
bool readPieceOrders(Reader& r, const TbMaterial& m, TbFile& f)
{
    for (int file = 0; file < f.numFiles; file++) {
        const uint8_t orderByte = r.u8();
        const uint8_t order2Byte = m.otherPawns ? r.u8() : 0;
        if (!r.has(m.numPieces))
            return false;
        const uint8_t* list = r.data + r.pos;
        r.pos += m.numPieces;
        for (int side = 0; side < f.numSides; side++) {
            TbSubtable& st = f.sub[file][side];
            const int shift = side ? 4 : 0;
            for (int i = 0; i < m.numPieces; i++)
                st.pieces[i] = uint8_t((list[i] >> shift) & 15);
            const int order2 = m.otherPawns ? (order2Byte >> shift) & 15 : 15;
            if (!setupPieces(st, m, file, (orderByte >> shift) & 15, order2))
                return false;
        }
    }
    r.padEven();
    return true;
}

// Every subtable's descriptor, then (DTZ) the value maps.
bool readDescriptors(Reader& r, bool dtz, TbFile& f)
{
    for (int file = 0; file < f.numFiles; file++)
        for (int side = 0; side < f.numSides; side++)
            if (!readDescriptor(r, f.sub[file][side], dtz))
                return false;
    if (dtz) {
        for (int file = 0; file < f.numFiles; file++) {
            TbSubtable& st = f.sub[file][0];
            if (!(st.flags & 0x80) && (st.flags & 2) && !readMaps(r, st))
                return false;
        }
        r.padEven();
    }
    return true;
}

// Index tables, size tables, then the data blocks, each subtable's data
// aligned to 64 bytes; the 16-byte checksum trailer must follow. Counts the
// symbols of all subtables into symbolTotal.
bool locateTables(Reader& r, TbFile& f, size_t& symbolTotal)
{
    for (int pass = 0; pass < 3; pass++) {
        if (pass == 2)
            r.pos = (r.pos + 63) & ~size_t(63);
        for (int file = 0; file < f.numFiles; file++)
            for (int side = 0; side < f.numSides; side++) {
                TbSubtable& st = f.sub[file][side];
                if (st.flags & 0x80)
                    continue;
                if (!r.ok)
                    return false;
                if (pass == 0) {
                    st.indexTable = r.data + r.pos;
                    r.skip(6 * st.indexEntries);
                    symbolTotal += st.numSymbols;
                } else if (pass == 1) {
                    st.sizeTable = r.data + r.pos;
                    r.skip(2 * uint64_t(st.sizeEntries));
                } else {
                    st.data = r.data + r.pos;
                    r.skip(uint64_t(st.numBlocks) << st.blockBits);
                    if (r.ok)
                        r.pos = (r.pos + 63) & ~size_t(63);
                }
            }
    }
    return r.has(16);
}

// The length of every symbol of every subtable, in one block the file keeps
// (two bytes per symbol: the lengths, and scratch for the cycle check).
// False when a symbol's tree is broken (the block is kept for release).
bool measureSymbols(TbFile& f, size_t symbolTotal, bool dtz)
{
    uint8_t* store = static_cast<uint8_t*>(std::malloc(2 * symbolTotal));
    if (!store)
        return false;
    f.symbolStore = store;
    uint8_t* state = store + symbolTotal;
    std::memset(state, 0, symbolTotal);
    for (int file = 0; file < f.numFiles; file++)
        for (int side = 0; side < f.numSides; side++) {
            TbSubtable& st = f.sub[file][side];
            if (st.flags & 0x80)
                continue;
            st.symbolLen = store;
            for (int s = 0; s < st.numSymbols; s++)
                if (!symbolLength(st.symbols, st.numSymbols, st.symbolLen, state, s, !dtz, 0))
                    return false;
            store += st.numSymbols;
            state += st.numSymbols;
        }
    return true;
}

}  // namespace

uint64_t tbBinomial(int n, int k) { return n >= 0 && n < 64 && k >= 0 && k <= 6 ? TB.binomial[k][n] : 0; }

bool parseMaterialName(const char* name, TbMaterial& m)
{
    std::memset(&m, 0, sizeof m);
    int side = 0, kings[2] = {};
    for (const char* p = name; *p; p++) {
        int code = 0;
        switch (*p) {
        case 'K': code = 6; break;
        case 'Q': code = 5; break;
        case 'R': code = 4; break;
        case 'B': code = 3; break;
        case 'N': code = 2; break;
        case 'P': code = 1; break;
        case 'v':
            if (side == 1 || p == name)
                return false;
            side = 1;
            continue;
        default: return false;
        }
        if (m.numPieces == TB_MAX_PIECES)
            return false;
        if (code == 6)
            kings[side]++;
        m.counts[side][code]++;
        m.numPieces++;
    }
    if (side != 1 || kings[0] != 1 || kings[1] != 1 || m.numPieces < 3)
        return false;
    m.symmetric = std::memcmp(m.counts[0], m.counts[1], sizeof m.counts[0]) == 0;
    const int p0 = m.counts[0][1], p1 = m.counts[1][1];
    m.hasPawns = p0 + p1 > 0;
    if (m.hasPawns) {
        if (p1 == 0 || (p0 > 0 && p0 <= p1)) {
            m.leadSide = 0, m.leadPawns = uint8_t(p0), m.otherPawns = uint8_t(p1);
        } else {
            m.leadSide = 1, m.leadPawns = uint8_t(p1), m.otherPawns = uint8_t(p0);
        }
    } else {
        int singles = 0;
        for (int s = 0; s < 2; s++)
            for (int c = 1; c <= 6; c++)
                singles += m.counts[s][c] == 1;
        m.encoding = singles >= 3 ? 0 : 2;
    }
    return true;
}

bool parseTableFile(const uint8_t* data, size_t size, const TbMaterial& m, bool dtz, TbFile& f)
{
    std::memset(&f, 0, sizeof f);
    Reader r{data, size, 0, true};
    size_t symbolTotal = 0;
    if (!readFileHeader(r, m, dtz, f) || !readPieceOrders(r, m, f) || !readDescriptors(r, dtz, f)
        || !locateTables(r, f, symbolTotal))
        return false;
    if (symbolTotal && !measureSymbols(f, symbolTotal, dtz)) {
        releaseTableFile(f);
        return false;
    }
    return true;
}

void releaseTableFile(TbFile& f)
{
    std::free(f.symbolStore);
    f.symbolStore = nullptr;
}

int readStoredValue(const TbSubtable& st, uint64_t index)
{
    if (st.flags & 0x80)
        return st.singleValue;
    if (index >= st.size)
        return -1;
    const uint8_t* entry = st.indexTable + 6 * (index >> st.indexBits);
    const int64_t half = int64_t(1) << (st.indexBits - 1);
    uint32_t block = readU32(entry);
    int64_t pos = int64_t(index & ((uint64_t(1) << st.indexBits) - 1)) - half + readU16(entry + 4);
    if (block >= st.sizeEntries)
        return -1;
    if (pos < 0) {
        while (pos < 0) {
            if (block == 0)
                return -1;
            block--;
            pos += readU16(st.sizeTable + 2 * block) + 1;
        }
    } else {
        while (pos > readU16(st.sizeTable + 2 * block)) {
            pos -= readU16(st.sizeTable + 2 * block) + 1;
            if (++block >= st.sizeEntries)
                return -1;
        }
    }
    if (block >= st.numBlocks)
        return -1;

    // The block is a big-endian bit stream of code words. The file was
    // checked to hold 16 bytes after the last block, so the window may read
    // up to 8 bytes past a block; a stream that runs further is corrupt.
    const uint8_t* p = st.data + (uint64_t(block) << st.blockBits);
    const uint8_t* limit = p + (size_t(1) << st.blockBits) + 8;
    uint64_t code = readBigU64(p);
    p += 8;
    int used = 0;
    int sym;
    for (;;) {
        int len = st.minLen;
        while (code < st.base[len])
            len++;
        sym = st.offset[len] + int((code - st.base[len]) >> (64 - len));
        if (sym >= st.numSymbols)
            return -1;
        if (pos <= st.symbolLen[sym])
            break;
        pos -= st.symbolLen[sym] + 1;
        code <<= len;
        used += len;
        if (used >= 32) {
            used -= 32;
            if (p + 4 > limit)
                return -1;
            code |= uint64_t(readBigU32(p)) << used;
            p += 4;
        }
    }
    for (;;) {
        const uint8_t* b = st.symbols + 3 * sym;
        const int left = b[0] | (b[1] & 15) << 8, right = b[1] >> 4 | b[2] << 4;
        if (right == 0xFFF)
            return left;
        if (pos <= st.symbolLen[left]) {
            sym = left;
        } else {
            pos -= st.symbolLen[left] + 1;
            sym = right;
        }
    }
}

int mapDtzValue(const TbSubtable& st, int wdl, int r)
{
    static constexpr int MAP_OF_WDL[5] = {1, 3, 0, 2, 0};
    const int map = MAP_OF_WDL[wdl + 2];
    if (r < 0 || r >= st.mapCount[map])
        return -1;
    const uint8_t* p = st.mapData + st.mapOffset[map];
    return (st.flags & 0x10) ? readU16(p + 2 * r) : p[r];
}

uint64_t pawnlessIndex(const TbSubtable& st, const TbMaterial& m, int* sq)
{
    const int n = m.numPieces;
    if (fileOf(sq[0]) >= 4)
        for (int i = 0; i < n; i++)
            sq[i] ^= 7;
    if (rankOf(sq[0]) >= 4)
        for (int i = 0; i < n; i++)
            sq[i] ^= 56;
    const int lead = m.encoding == 0 ? 3 : 2;
    for (int i = 0; i < lead; i++) {
        if (onDiagonal(sq[i]))
            continue;
        if (rankOf(sq[i]) > fileOf(sq[i]))
            for (int j = 0; j < n; j++)
                sq[j] = transpose(sq[j]);
        break;
    }

    uint64_t idx;
    if (m.encoding == 0) {
        const int a = sq[0], b = sq[1], c = sq[2];
        if (a == b || a == c || b == c)
            return TB_NO_INDEX;
        const int b1 = b - (b > a), c1 = c - (c > a) - (c > b);
        const int diagB = b / 9 - (b > a), diagC = c / 9 - (c > a) - (c > b);
        if (!onDiagonal(a))
            idx = uint64_t(TB.triangle[a]) * 3906 + b1 * 62 + c1;
        else if (!onDiagonal(b))
            idx = 23436 + uint64_t(a / 9) * 1736 + TB.lower[b] * 62 + c1;
        else if (!onDiagonal(c))
            idx = 30380 + uint64_t(a / 9) * 196 + diagB * 28 + TB.lower[c];
        else
            idx = 31164 + uint64_t(a / 9) * 42 + diagB * 6 + diagC;
    } else {
        const int kk = TB.kkIndex[TB.triangle[sq[0]]][sq[1]];
        if (kk < 0)
            return TB_NO_INDEX;
        idx = uint64_t(kk);
    }
    return idx * st.factor[0] + laterGroups(st, sq, lead, n);
}

int leadingPawnFile(const TbMaterial& m, int* sq)
{
    int best = 0;
    for (int i = 1; i < m.leadPawns; i++)
        if (TB.flap[sq[i]] < TB.flap[sq[best]])
            best = i;
    const int s = sq[best];
    sq[best] = sq[0];
    sq[0] = s;
    return foldFile(fileOf(s));
}

uint64_t pawnIndex(const TbSubtable& st, const TbMaterial& m, int* sq)
{
    const int n = m.numPieces;
    if (fileOf(sq[0]) >= 4)
        for (int i = 0; i < n; i++)
            sq[i] ^= 7;
    for (int i = 0; i < m.leadPawns + m.otherPawns; i++)
        if (sq[i] < 8 || sq[i] >= 56)
            return TB_NO_INDEX;
    int y[TB_MAX_PIECES];
    for (int i = 1; i < m.leadPawns; i++)
        y[i - 1] = TB.ptwist[sq[i]];
    const int t = m.leadPawns - 1;
    uint64_t idx = (TB.pawnIndex[t][TB.flap[sq[0]]] + subsetIndex(y, t)) * st.factor[0];
    int pos = m.leadPawns;
    if (m.otherPawns) {
        int x[TB_MAX_PIECES];
        for (int i = 0; i < m.otherPawns; i++) {
            const int s = sq[pos + i];
            int below = 0;
            for (int j = 0; j < m.leadPawns; j++)
                below += sq[j] < s;
            x[i] = s - 8 - below;
        }
        idx += subsetIndex(x, m.otherPawns) * st.factor[pos];
        pos += m.otherPawns;
    }
    return idx + laterGroups(st, sq, pos, n);
}
