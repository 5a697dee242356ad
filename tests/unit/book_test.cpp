// Polyglot book: the key against the published vectors, listings and picks
// against the expected files of tests/data/books, broken book files, and the
// front end's book settings.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "book/book.h"
#include "book/polyglot_randoms.h"
#include "engine_init.h"
#include "frontend/openingbook.h"
#include "frontend/session.h"
#include "platform/platform.h"
#include "position/fen.h"
#include "position/makemove.h"

namespace {

// Just enough JSON for the expected-result files: objects, arrays, strings,
// integers and null.
struct Json {
    enum Kind { Null, Number, String, Array, Object } kind = Null;
    long long number = 0;
    std::string text;
    std::vector<Json> items;
    std::map<std::string, Json> fields;
    const Json& operator[](const std::string& name) const { return fields.at(name); }
};

Json parseJson(const char*& p)
{
    while (std::isspace(static_cast<unsigned char>(*p)))
        p++;
    Json value;
    if (*p == '{' || *p == '[') {
        const bool object = *p++ == '{';
        value.kind = object ? Json::Object : Json::Array;
        for (;;) {
            while (std::isspace(static_cast<unsigned char>(*p)) || *p == ',')
                p++;
            if (*p == '}' || *p == ']' || !*p)
                break;
            if (object) {
                std::string name = parseJson(p).text;
                while (*p && *p != ':')
                    p++;
                if (*p)
                    p++;
                value.fields[name] = parseJson(p);
            } else {
                value.items.push_back(parseJson(p));
            }
        }
        if (*p)
            p++;
    } else if (*p == '"') {
        value.kind = Json::String;
        for (p++; *p && *p != '"'; p++)
            value.text += *p;
        if (*p)
            p++;
    } else if (std::strncmp(p, "null", 4) == 0) {
        p += 4;
    } else {
        value.kind = Json::Number;
        value.number = std::strtoll(p, const_cast<char**>(&p), 10);
    }
    return value;
}

Json loadJson(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    const std::string all = text.str();
    const char* p = all.c_str();
    return parseJson(p);
}

uint64_t hexValue(const std::string& text) { return std::stoull(text, nullptr, 16); }

std::string bookPath(const std::string& file) { return testDataPath("books/" + file); }

PositionStack testStack;

const Position& setUp(const std::string& fen)
{
    newGame(testStack);
    EXPECT_TRUE(setPositionFromFen(testStack, fen.c_str(), nullptr)) << fen;
    return *testStack.current;
}

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
void expectEntries(const BookListing& listing, const Json& entries, const std::string& where)
{
    ASSERT_EQ(listing.status, BookStatus::Found) << where;
    ASSERT_EQ(size_t(listing.count), entries.items.size()) << where;
    for (int i = 0; i < listing.count; i++) {
        const Json& e = entries.items[size_t(i)];
        EXPECT_EQ(listing.entries[i].weight, e["weight"].number) << where << " entry " << i;
        if (e["move"].kind == Json::String) {
            EXPECT_EQ(listing.text[i], e["move"].text) << where << " entry " << i;
        }
        if (e.fields.count("raw")) {
            EXPECT_EQ(listing.entries[i].move, hexValue(e["raw"].text)) << where << " entry " << i;
        }
    }
}

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

TEST(Book, RandomTableIsThePublishedOne)
{
    std::ifstream in(testDataPath("polyglot-random64.txt"));
    std::string line;
    int i = 0;
    for (; i < POLYGLOT_RANDOM_COUNT && std::getline(in, line); i++)
        EXPECT_EQ(POLYGLOT_RANDOMS[i], hexValue(line)) << "number " << i;
    EXPECT_EQ(i, POLYGLOT_RANDOM_COUNT);
}

TEST(Book, KeysMatchThePublishedVectors)
{
    std::ifstream in(testDataPath("polyglot-keys.txt"));
    std::string line;
    int count = 0;
    while (std::getline(in, line)) {
        const size_t semicolon = line.find(';');
        ASSERT_NE(semicolon, std::string::npos) << line;
        const std::string fen = line.substr(0, semicolon);
        const uint64_t key = hexValue(line.substr(semicolon + 1));
        EXPECT_EQ(bookKey(fen.c_str()), key) << fen;
        // The same key through the engine's own position and FEN writer.
        char written[FEN_TEXT_SIZE];
        positionToFen(setUp(fen), written);
        EXPECT_EQ(bookKey(written), key) << written;
        count++;
    }
    EXPECT_EQ(count, 9);
}

TEST(Book, TextThatIsNotAPositionIsRefused)
{
    const char* bad[] = {
        "",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP w KQkq -",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR/8 w KQkq -",
        "rnbqkbnrr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
        "rnbqkbn/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
        "rnbqkbnr/ppppxppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR white KQkq -",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KX -",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq e36",
    };
    for (const char* fen : bad) {
        BookPosition pos{};
        EXPECT_FALSE(readBookPosition(fen, pos)) << fen;
        EXPECT_EQ(bookKey(fen), 0u) << fen;
    }
    EXPECT_FALSE(readBookPosition(nullptr, *std::make_unique<BookPosition>()));
    // Tabs and trailing fields are fine.
    EXPECT_EQ(bookKey("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR\tw KQkq -  0 1 extra"), 0x463B96181691FC9CULL);
}

TEST(Book, SmallBookListsAndPicksAsExpected)
{
    const std::string path = bookPath("small.bin");
    const Json expected = loadJson(bookPath("small-expected.json"));
    ASSERT_EQ(expected.items.size(), 6u);
    auto listing = std::make_unique<BookListing>();
    for (const Json& record : expected.items) {
        const std::string& fen = record["fen"].text;
        EXPECT_EQ(bookKey(fen.c_str()), hexValue(record["key"].text)) << fen;
        listBookMoves(path.c_str(), fen.c_str(), *listing);
        expectEntries(*listing, record["entries"], fen);

        const Position& pos = setUp(fen);
        const BookChoice choice = pickBookMove(path.c_str(), pos, nullptr);
        EXPECT_EQ(choice.status, BookStatus::Found) << fen;
        EXPECT_EQ(choice.text, record["entries"].items[0]["move"].text) << fen;
        EXPECT_TRUE(isLegalMove(pos, choice.move)) << fen;
        EXPECT_EQ(choice.move, textToMove(pos, choice.text)) << fen;
    }
    EXPECT_EQ(listingLines(path, expected.items[0]["fen"].text),
              (std::vector<std::string>{"move=g1f3 weight=53.28%\n", "move=e2e4 weight=35.52%\n",
                                        "move=d2d4 weight= 8.69%\n", "move=c2c4 weight= 2.51%\n"}));
    EXPECT_EQ(listingLines(path, expected.items[1]["fen"].text),
              (std::vector<std::string>{"move=c7c5 weight=99.60%\n", "move=e7e5 weight= 0.40%\n"}));
}

TEST(Book, RandomPicksAreMovesOfThePosition)
{
    const std::string path = bookPath("small.bin");
    const Position& pos = setUp("rnbqkbnr/pp1ppppp/8/2p5/4P3/8/PPPP1PPP/RNBQKBNR w KQkq c6 0 2");
    const std::set<std::string> entries = {"g1f3", "c2c3", "b1c3", "f1c4", "d2d4"};
    std::set<std::string> seen;
    BookRandom random{};
    seedBookRandom(random, 12345);
    for (int i = 0; i < 200; i++) {
        const BookChoice choice = pickBookMove(path.c_str(), pos, &random);
        ASSERT_EQ(choice.status, BookStatus::Found);
        EXPECT_TRUE(entries.count(choice.text)) << choice.text;
        EXPECT_TRUE(isLegalMove(pos, choice.move));
        seen.insert(choice.text);
    }
    EXPECT_EQ(seen, entries);  // 200 uniform draws miss none of five (odds about 1e-18)
}

TEST(Book, EdgeFilesBehaveAsDocumented)
{
    const Json expected = loadJson(bookPath("edge/expected.json"));
    ASSERT_GE(expected.items.size(), 20u);
    auto listing = std::make_unique<BookListing>();
    for (const Json& record : expected.items) {
        const std::string path = bookPath("edge/" + record["file"].text);
        const std::string& fen = record["fen"].text;
        const std::string where = record["file"].text + " " + fen;
        EXPECT_EQ(bookKey(fen.c_str()), hexValue(record["key"].text)) << where;

        listBookMoves(path.c_str(), fen.c_str(), *listing);
        const Json& entries = record["entries"];
        if (entries.kind == Json::Null)
            EXPECT_EQ(listing->status, BookStatus::TooMany) << where;
        else if (entries.items.empty())
            EXPECT_EQ(listing->status, BookStatus::NotFound) << where;
        else
            expectEntries(*listing, entries, where);

        const Position& pos = setUp(fen);
        const BookChoice choice = pickBookMove(path.c_str(), pos, nullptr);
        if (record["pick"].kind == Json::Null) {
            EXPECT_NE(choice.status, BookStatus::Found) << where;
            EXPECT_EQ(choice.move, 0u) << where;
        } else {
            EXPECT_EQ(choice.status, BookStatus::Found) << where;
            EXPECT_EQ(choice.text, record["pick"].text) << where;
            EXPECT_TRUE(isLegalMove(pos, choice.move)) << where;
        }
    }
}

TEST(Book, ListingLinesForEmptyWeightsMissesAndTooManyMoves)
{
    const char* start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
    EXPECT_EQ(listingLines(bookPath("edge/zero-weights.bin"), start),
              (std::vector<std::string>{"move=e2e4 weight= 0.00%\n", "move=d2d4 weight= 0.00%\n",
                                        "move=g1f3 weight= 0.00%\n"}));
    EXPECT_EQ(listingLines(bookPath("edge/over100.bin"), start),
              std::vector<std::string>{"Too many moves in this position (max=100)\n"});
    EXPECT_EQ(listingLines(bookPath("edge/empty.bin"), start),
              std::vector<std::string>{"5060803636482931868: No such key\n"});
    EXPECT_EQ(listingLines(bookPath("edge/exactly100.bin"), start).size(), 100u);
    EXPECT_EQ(listingLines(bookPath("no-such-book.bin"), start),
              std::vector<std::string>{bookPath("no-such-book.bin") + ": No such file or directory\n"});
    EXPECT_EQ(listingLines(bookPath("edge"), start),
              std::vector<std::string>{bookPath("edge") + ": Is a directory\n"});
}

TEST(Book, MissingFileIsReportedAsSuch)
{
    const Position& pos = setUp("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    for (const std::string& path : {bookPath("no-such-book.bin"), bookPath("edge"), std::string("/dev/null")}) {
        EXPECT_EQ(pickBookMove(path.c_str(), pos, nullptr).status, BookStatus::NoFile) << path;
        BookRandom random{};
        EXPECT_EQ(pickBookMove(path.c_str(), pos, &random).status, BookStatus::NoFile) << path;
    }
    EXPECT_EQ(pickBookMove(nullptr, pos, nullptr).status, BookStatus::NoFile);
    int error = 0;
    EXPECT_FALSE(bookFileOpens(bookPath("no-such-book.bin").c_str(), error));
    EXPECT_STREQ(systemErrorText(error), "No such file or directory");
    EXPECT_FALSE(bookFileOpens("/dev/null", error));
    EXPECT_TRUE(bookFileOpens(bookPath("edge/empty.bin").c_str(), error));
}

TEST(Book, APartialLastEntryIsNeverRead)
{
    // Start position e2e4, then the first 15 bytes of a second entry (d2d4) of
    // the same key: only the whole entry counts.
    const std::string entry = std::string("\x46\x3B\x96\x18\x16\x91\xFC\x9C\x03\x1C\x00\x05\x00\x00\x00\x00", 16);
    std::string partial = entry.substr(0, 8) + std::string("\x02\xDB\x00\x05\x00\x00\x00", 7);
    TempFile file(entry + partial);
    auto listing = std::make_unique<BookListing>();
    listBookMoves(file.path.c_str(), "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", *listing);
    ASSERT_EQ(listing->status, BookStatus::Found);
    EXPECT_EQ(listing->count, 1);
    EXPECT_STREQ(listing->text[0], "e2e4");
}

TEST(Book, CorruptFilesNeverGiveAnIllegalMove)
{
    // small.bin cut at odd lengths, with its entries scrambled or with junk
    // move words: every answer is either no move or a legal one.
    std::ifstream in(bookPath("small.bin"), std::ios::binary);
    const std::string small((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(small.size(), 41680u);
    const Json expected = loadJson(bookPath("small-expected.json"));
    uint64_t state = 42;
    auto next = [&state] { return state = state * 6364136223846793005ULL + 1442695040888963407ULL; };

    std::vector<std::string> files;
    for (size_t cut : {15u, 16u, 1000u, 20837u, 41679u})
        files.push_back(small.substr(0, cut));
    std::string scrambled = small;
    for (size_t i = 0; i < 2000; i++) {
        const size_t a = size_t(next() >> 33) % 2605 * 16, b = size_t(next() >> 33) % 2605 * 16;
        for (int j = 0; j < 16; j++)
            std::swap(scrambled[a + j], scrambled[b + j]);
    }
    files.push_back(scrambled);
    std::string wordsFlipped = small;  // every move word replaced by junk
    for (size_t at = 8; at + 2 <= wordsFlipped.size(); at += 16) {
        wordsFlipped[at] = char(next() >> 56);
        wordsFlipped[at + 1] = char(next() >> 56);
    }
    files.push_back(wordsFlipped);

    auto listing = std::make_unique<BookListing>();
    for (size_t f = 0; f < files.size(); f++) {
        TempFile file(files[f]);
        for (const Json& record : expected.items) {
            const std::string& fen = record["fen"].text;
            const Position& pos = setUp(fen);
            BookRandom generator{};
            for (BookRandom* random : {static_cast<BookRandom*>(nullptr), &generator}) {
                const BookChoice choice = pickBookMove(file.path.c_str(), pos, random);
                if (choice.status == BookStatus::Found)
                    EXPECT_TRUE(isLegalMove(pos, choice.move)) << "file " << f << " " << fen;
                else
                    EXPECT_EQ(choice.move, 0u);
            }
            listBookMoves(file.path.c_str(), fen.c_str(), *listing);
            EXPECT_LE(listing->count, MAX_BOOK_ENTRIES);
        }
    }
}

TEST(Book, FrontEndSettersSwitchTheBookAndItsFile)
{
    Session session;
    const Position& start = setUp("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    const Move g1f3 = textToMove(start, "g1f3");
    setBookRandom(session, false);
    setBookEnabled(session, true);
    setBookFile(session, bookPath("no-such-book.bin").c_str());  // prints its one line
    EXPECT_EQ(bookMove(session, start, false, 0), 0u);
    setBookFile(session, bookPath("small.bin").c_str());
    EXPECT_EQ(bookMove(session, start, false, 0), g1f3);
    EXPECT_EQ(bookMove(session, start, true, 0), 0u);  // never for an infinite search
    EXPECT_EQ(bookMove(session, start, false, BOOK_SEARCHES + 1), 0u);
    EXPECT_EQ(bookMove(session, start, false, BOOK_SEARCHES), g1f3);
    setBookEnabled(session, false);
    EXPECT_EQ(bookMove(session, start, false, 0), 0u);
    setBookEnabled(session, true);
    EXPECT_EQ(bookMove(session, start, false, 0), g1f3);
}
