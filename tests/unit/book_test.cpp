// Polyglot book: the key against the published vectors, listings and picks
// against the expected files of tests/data/books, and broken book files.
#include <unistd.h>

#include <cstdio>
#include <iterator>
#include <memory>
#include <set>

#include "book/book.h"
#include "book/polyglot_randoms.h"
#include "platform/platform.h"
#include "position/makemove.h"
#include "support/unit.h"

namespace {

// One record of an expected-results file of tests/data/books: its fields as
// text ("" for null), and its entries; tooMany when the entries are null.
struct Entry {
    std::string move, raw;
    long weight;
};
struct Record {
    std::string file, fen, key, pick;
    bool tooMany = false;
    std::vector<Entry> entries;
};

// The text of field `name` after `from` in text, up to `end` ("" for null or
// none).
std::string field(const std::string& text, const std::string& name, size_t from = 0, size_t end = std::string::npos)
{
    const size_t at = text.find("\"" + name + "\": ", from);
    if (at >= end || text[at + name.size() + 4] != '"')
        return "";
    const size_t begin = at + name.size() + 5;
    return text.substr(begin, text.find('"', begin) - begin);
}

// The files hold one record per line group starting with " {"; entries are
// {"move": ..., "weight": ..., "raw": ...} objects.
std::vector<Record> readRecords(const std::string& path)
{
    const std::string text = fileText(path);
    std::vector<Record> records;
    for (size_t at = text.find("\n {"); at != std::string::npos;) {
        const size_t next = text.find("\n {", at + 1);
        const std::string chunk = text.substr(at, next - at);
        Record r{field(chunk, "file"), field(chunk, "fen"), field(chunk, "key"), field(chunk, "pick"),
                 chunk.find("\"entries\": null") != std::string::npos, {}};
        for (size_t e = chunk.find("{\"move\": "); e != std::string::npos; e = chunk.find("{\"move\": ", e + 1)) {
            const size_t close = chunk.find('}', e);
            r.entries.push_back({field(chunk, "move", e, close), field(chunk, "raw", e, close),
                                 std::stol(chunk.substr(chunk.find("\"weight\": ", e) + 10))});
        }
        records.push_back(r);
        at = next;
    }
    return records;
}

uint64_t hexValue(const std::string& text) { return std::stoull(text, nullptr, 16); }

std::string bookPath(const std::string& file) { return testDataPath("books/" + file); }

PositionStack testStack;

const Position& setUp(const std::string& fen) { return setUp(testStack, fen); }

void collectLine(const char* line, void* context) { static_cast<std::vector<std::string>*>(context)->push_back(line); }

std::vector<std::string> listingLines(const std::string& path, const std::string& fen)
{
    auto listing = std::make_unique<BookListing>();
    listBookMoves(path.c_str(), fen.c_str(), *listing);
    std::vector<std::string> lines;
    writeBookListing(path.c_str(), *listing, collectLine, &lines);
    return lines;
}

// Checks a listing against an expected record's entries.
void expectEntries(const BookListing& listing, const Record& r)
{
    ASSERT_EQ(listing.status, BookStatus::Found) << r.file << " " << r.fen;
    ASSERT_EQ(size_t(listing.count), r.entries.size()) << r.file << " " << r.fen;
    for (int i = 0; i < listing.count; i++) {
        const Entry& e = r.entries[size_t(i)];
        EXPECT_EQ(listing.entries[i].weight, e.weight) << r.fen << " entry " << i;
        EXPECT_TRUE(e.move.empty() || listing.text[i] == e.move) << r.fen << " entry " << i;
        EXPECT_TRUE(e.raw.empty() || listing.entries[i].move == hexValue(e.raw)) << r.fen << " entry " << i;
    }
}

// A temporary file with the given bytes, removed afterwards.
struct TempFile {
    std::string path;
    explicit TempFile(const std::string& bytes)
    {
        char name[] = "/tmp/ardentis-book-XXXXXX";
        const int fd = mkstemp(name);
        path = name;
        if (fd >= 0) {
            EXPECT_EQ(write(fd, bytes.data(), bytes.size()), ssize_t(bytes.size()));
            close(fd);
        }
    }
    ~TempFile() { std::remove(path.c_str()); }
};

} // namespace

// The random numbers and the key of every published test vector, also
// through the engine's own position and FEN writer; text that is no
// position gives no key.
TEST(Book, KeysMatchThePublishedVectors)
{
    std::ifstream randoms(testDataPath("polyglot-random64.txt"));
    std::vector<uint64_t> published;
    std::string line;
    while (std::getline(randoms, line))
        published.push_back(hexValue(line));
    ASSERT_EQ(published.size(), size_t(POLYGLOT_RANDOM_COUNT));
    for (int i = 0; i < POLYGLOT_RANDOM_COUNT; i++)
        EXPECT_EQ(POLYGLOT_RANDOMS[i], published[size_t(i)]) << "number " << i;
    // Each castling right adds its own published number (768 + K, Q, k, q).
    const std::string placement = "r3k2r/8/8/8/8/8/8/R3K2R w ";
    const uint64_t none = bookKey((placement + "- -").c_str());
    for (int rights = 1; rights < 16; rights++) {
        std::string text;
        uint64_t expected = none;
        for (int right = 0; right < 4; right++)
            if (rights & (1 << right)) {
                text += "KQkq"[right];
                expected ^= published[size_t(768 + right)];
            }
        EXPECT_EQ(bookKey((placement + text + " -").c_str()), expected) << text;
    }

    std::ifstream in(testDataPath("polyglot-keys.txt"));
    int count = 0;
    for (; std::getline(in, line); count++) {
        const std::string fen = line.substr(0, line.find(';'));
        const uint64_t key = hexValue(line.substr(line.find(';') + 1));
        EXPECT_EQ(bookKey(fen.c_str()), key) << fen;
        char written[FEN_TEXT_SIZE];
        positionToFen(setUp(fen), written);
        EXPECT_EQ(bookKey(written), key) << written;
    }
    EXPECT_EQ(count, 9);
    // Tabs and trailing fields are fine.
    EXPECT_EQ(bookKey("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR\tw KQkq -  0 1 extra"), 0x463B96181691FC9CULL);
    for (const char* bad : {"", "rnbqkbnr/ppppxppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
                            "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KX -"})
        EXPECT_EQ(bookKey(bad), 0u) << bad;
}

// The small book and the edge files: keys, listings and the first entry's
// move (no move where the record says none).
TEST(Book, ListingsAndPicksAsExpected)
{
    std::vector<Record> records = readRecords(bookPath("small-expected.json"));
    ASSERT_EQ(records.size(), 6u);
    for (Record& r : records) {
        r.file = "../small.bin";
        r.pick = r.entries[0].move;
    }
    const std::vector<Record> edge = readRecords(bookPath("edge/expected.json"));
    ASSERT_EQ(edge.size(), 26u);
    records.insert(records.end(), edge.begin(), edge.end());
    auto listing = std::make_unique<BookListing>();
    for (const Record& r : records) {
        const std::string path = bookPath("edge/" + r.file);
        EXPECT_EQ(bookKey(r.fen.c_str()), hexValue(r.key)) << r.fen;
        listBookMoves(path.c_str(), r.fen.c_str(), *listing);
        if (r.tooMany)
            EXPECT_EQ(listing->status, BookStatus::TooMany) << r.file;
        else if (r.entries.empty())
            EXPECT_EQ(listing->status, BookStatus::NotFound) << r.file;
        else
            expectEntries(*listing, r);
        const Position& pos = setUp(r.fen);
        const BookChoice choice = pickBookMove(path.c_str(), pos, nullptr);
        EXPECT_EQ(choice.status == BookStatus::Found, !r.pick.empty()) << r.file << " " << r.fen;
        EXPECT_EQ(choice.move, r.pick.empty() ? 0 : textToMove(pos, r.pick.c_str())) << r.file << " " << r.fen;
        EXPECT_TRUE(r.pick.empty() || (isLegalMove(pos, choice.move) && choice.text == r.pick)) << r.file;
    }
    EXPECT_EQ(listingLines(bookPath("small.bin"), START_FEN),
              (std::vector<std::string>{"move=g1f3 weight=53.28%\n", "move=e2e4 weight=35.52%\n",
                                        "move=d2d4 weight= 8.69%\n", "move=c2c4 weight= 2.51%\n"}));
}

TEST(Book, RandomPicksAreMovesOfThePosition)
{
    const Position& pos = setUp("rnbqkbnr/pp1ppppp/8/2p5/4P3/8/PPPP1PPP/RNBQKBNR w KQkq c6 0 2");
    const std::set<std::string> entries = {"g1f3", "c2c3", "b1c3", "f1c4", "d2d4"};
    std::set<std::string> seen;
    BookRandom random{};
    seedBookRandom(random, 12345);
    for (int i = 0; i < 200; i++) {
        const BookChoice choice = pickBookMove(bookPath("small.bin").c_str(), pos, &random);
        EXPECT_TRUE(choice.status == BookStatus::Found && isLegalMove(pos, choice.move));
        seen.insert(choice.text);
    }
    EXPECT_EQ(seen, entries);  // 200 uniform draws miss none of five (odds about 1e-18)
}

// The listing's lines for weights of zero, misses, too many moves and files
// that cannot be read; a file that cannot be read gives no move either.
TEST(Book, ListingLinesAndFilesThatAreNoBooks)
{
    EXPECT_EQ(listingLines(bookPath("edge/zero-weights.bin"), START_FEN),
              (std::vector<std::string>{"move=e2e4 weight= 0.00%\n", "move=d2d4 weight= 0.00%\n",
                                        "move=g1f3 weight= 0.00%\n"}));
    EXPECT_EQ(listingLines(bookPath("edge/over100.bin"), START_FEN),
              std::vector<std::string>{"Too many moves in this position (max=100)\n"});
    EXPECT_EQ(listingLines(bookPath("edge/empty.bin"), START_FEN),
              std::vector<std::string>{"5060803636482931868: No such key\n"});
    EXPECT_EQ(listingLines(bookPath("edge/exactly100.bin"), START_FEN).size(), 100u);
    EXPECT_EQ(listingLines(bookPath("edge"), START_FEN), std::vector<std::string>{bookPath("edge") + ": Is a directory\n"});

    const Position& pos = setUp(START_FEN);
    BookRandom generator{};
    for (const std::string& path : {bookPath("no-such-book.bin"), bookPath("edge"), std::string("/dev/null")})
        for (BookRandom* random : {static_cast<BookRandom*>(nullptr), &generator})
            EXPECT_EQ(pickBookMove(path.c_str(), pos, random).status, BookStatus::NoFile) << path;
    EXPECT_EQ(pickBookMove(nullptr, pos, nullptr).status, BookStatus::NoFile);
    int error = 0;
    EXPECT_FALSE(bookFileOpens(bookPath("no-such-book.bin").c_str(), error));
    EXPECT_STREQ(systemErrorText(error), "No such file or directory");
    EXPECT_TRUE(bookFileOpens(bookPath("edge/empty.bin").c_str(), error));
}

// small.bin cut short, with its entries scrambled or with junk move words:
// every answer is either no move or a legal one.
TEST(Book, CorruptFilesNeverGiveAnIllegalMove)
{
    std::ifstream in(bookPath("small.bin"), std::ios::binary);
    const std::string small((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(small.size(), 41680u);
    uint64_t state = 42;
    auto next = [&state] { return state = state * 6364136223846793005ULL + 1442695040888963407ULL; };
    std::string scrambled = small, junkMoves = small;
    for (size_t i = 0; i < 2000; i++) {
        const size_t a = size_t(next() >> 33) % 2605 * 16, b = size_t(next() >> 33) % 2605 * 16;
        for (int j = 0; j < 16; j++)
            std::swap(scrambled[a + j], scrambled[b + j]);
    }
    for (size_t at = 8; at + 2 <= junkMoves.size(); at += 16) {
        junkMoves[at] = char(next() >> 56);
        junkMoves[at + 1] = char(next() >> 56);
    }
    auto listing = std::make_unique<BookListing>();
    const std::vector<Record> records = readRecords(bookPath("small-expected.json"));
    for (const std::string& bytes : {small.substr(0, 1000), small.substr(0, 41679), scrambled, junkMoves}) {
        TempFile file(bytes);
        for (const Record& record : records) {
            const Position& pos = setUp(record.fen);
            BookRandom generator{};
            for (BookRandom* random : {static_cast<BookRandom*>(nullptr), &generator}) {
                const BookChoice choice = pickBookMove(file.path.c_str(), pos, random);
                EXPECT_TRUE(choice.status == BookStatus::Found ? isLegalMove(pos, choice.move) : choice.move == 0);
            }
            listBookMoves(file.path.c_str(), record.fen.c_str(), *listing);
            EXPECT_LE(listing->count, MAX_BOOK_ENTRIES);
        }
    }
}
