// The node search, quiescence and the played search, in the default and the
// classic mode where both must hold: forced mates with exact scores (checked
// against a brute-force solver), legal results and lines, roots without
// moves, draw rules, the limits of one search, both node signatures and a
// search path that allocates nothing; and the classic search's own parts
// (work shared with other threads, quiescence checks).
#include <algorithm>
#include <vector>

#include "allocation_counter.h"
#include "eval/evaluate.h"
#include "position/attacks.h"
#include "position/perft.h"
#include "search/pvs.h"
#include "search/quiescence.h"
#include "search/search.h"
#include "search/tt.h"
#include "search/workshare.h"
#include "support/search.h"

namespace {

// The front end's record of the program's engine: the played search (think)
// runs from it on search thread 1; the node search's tests call it directly.
SearchThread& st = testEngine().mainThread;

using SearchTest = SearchFixture<2>;

// The default search's node signature (the classic one is 407146).
constexpr uint64_t DEFAULT_SIGNATURE = 171102;

// The two searches, for the tests that both must pass.
constexpr bool MODES[] = {false, true};

// Every move of line is legal in turn from pos; returns where the line ends.
Position* playLine(Position* pos, const PvLine& line)
{
    for (uint32_t i = 0; i < line.count; i++) {
        EXPECT_TRUE(isLegalMove(*pos, line.moves[i])) << "ply " << i;
        pos = makeMove(*pos, line.moves[i]);
    }
    return pos;
}

// Brute force, no pruning: can the side to move force mate within n moves?
bool matedWithin(SearchThread& t, int n);
bool mateWithin(SearchThread& t, int n)
{
    Position* pos = t.current;
    MoveEntry list[MAX_MOVES];
    const int count = int(generateLegal(*pos, list) - list);
    for (int i = 0; i < count; i++) {
        t.current = makeMove(*pos, entryMove(list[i]));
        bool mates = matedWithin(t, n);
        t.current = pos;
        if (mates)
            return true;
    }
    return false;
}
bool matedWithin(SearchThread& t, int n)
{
    Position* pos = t.current;
    MoveEntry list[MAX_MOVES];
    const int count = int(generateLegal(*pos, list) - list);
    if (count == 0)
        return checkers(*pos) != 0;
    if (n == 1)
        return false;
    for (int i = 0; i < count; i++) {
        t.current = makeMove(*pos, entryMove(list[i]));
        bool mated = mateWithin(t, n - 1);
        t.current = pos;
        if (!mated)
            return false;
    }
    return true;
}

struct MateCase {
    const char* fen;
    int moves;  // mate in this many moves of the side to move
};

const MateCase MATES[] = {
    {"6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1", 1},
    {"r1bqkb1r/pppp1ppp/2n2n2/4p2Q/2B1P3/8/PPPP1PPP/RNB1K1NR w KQkq - 4 4", 1},
    {"rnbqkbnr/pppp1ppp/8/4p3/6P1/5P2/PPPPP2P/RNBQKBNR b KQkq - 0 2", 1},
    {"7k/8/8/8/8/8/R7/1R4K1 w - - 0 1", 2},
    {"k7/8/3K4/8/8/8/8/7R w - - 0 1", 2},
    {"r1b2k1r/ppp1bppp/8/1B1Q4/5q2/2P5/PPP2PPP/R3R1K1 w - - 1 1", 2},
    {"6k1/pp4p1/2p5/2bp4/8/P5Pb/1P3rrP/2BRRN1K b - - 0 1", 2},
    {"r2qkb1r/pp2nppp/3p4/2pNN1B1/2BnP3/3P4/PPP2PPP/R2bK2R w KQkq - 1 1", 2},
    {"5rk1/1p1q2bp/p2pN1p1/2pP2Bn/2P3P1/1P6/P4QKP/5R2 w - - 1 1", 2},
    {"7k/8/8/8/8/8/R7/R5K1 w - - 0 1", 3},
    {"r5k1/r7/8/8/8/8/8/7K b - - 0 1", 3},
    {"r1bqr1k1/ppp2pp1/3p4/4n1NQ/2B1PN2/8/P4PPP/b4RK1 w - - 0 1", 3},
};

TEST_F(SearchTest, FindsForcedMatesWithExactScores)
{
    for (const bool classic : MODES)
    for (const MateCase& c : MATES) {
        SCOPED_TRACE(classic ? "classic" : "default");
        Position* root = setUp(c.fen);
        ASSERT_TRUE(mateWithin(st, c.moves)) << c.fen;
        ASSERT_FALSE(c.moves > 1 && mateWithin(st, c.moves - 1)) << c.fen;

        const SearchResult result = searchToDepth(2 * c.moves + 3, classic);
        const PvLine& pv = result.line;
        EXPECT_EQ(result.score, MATE - (2 * c.moves - 1)) << c.fen;
        EXPECT_TRUE(isLegalMove(*root, result.best)) << c.fen;

        // The line is legal move by move and ends in checkmate.
        ASSERT_EQ(int(pv.count), 2 * c.moves - 1) << c.fen;
        EXPECT_EQ(pv.moves[0], result.best);
        Position* pos = playLine(root, pv);
        EXPECT_FALSE(hasLegalMove(*pos)) << c.fen;
        EXPECT_NE(checkers(*pos), 0u) << c.fen;
        EXPECT_EQ(st.current, root);
    }
}

TEST_F(SearchTest, RootWithoutLegalMoves)
{
    for (const bool classic : MODES) {
        setUp("R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1");
        SearchResult result = searchToDepth(5, classic);
        EXPECT_EQ(result.best, 0u);
        EXPECT_EQ(result.score, -MATE);
        EXPECT_EQ(result.line.count, 0u);

        setUp("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1");
        result = searchToDepth(5, classic);
        EXPECT_EQ(result.best, 0u);
        EXPECT_EQ(result.score, 0);
    }
}

// Legal best moves and lines from the bench positions and from roots with
// one legal move, castling for Black, a promotion and en passant.
TEST_F(SearchTest, ReturnsLegalMovesAndLines)
{
    std::vector<const char*> fens = {"k7/8/8/8/8/8/6r1/7K w - - 0 1", "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1",
                                     "8/P6k/8/8/8/8/8/K7 w - - 0 1",
                                     "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3"};
    for (const PerftCase& c : PERFT_SUITE)
        fens.push_back(c.fen);
    for (const bool classic : MODES)
    for (const char* fen : fens) {
        Position* root = setUp(fen);
        const SearchResult result = searchToDepth(6, classic);
        EXPECT_TRUE(isLegalMove(*root, result.best)) << fen << (classic ? " classic" : " default");
        playLine(root, result.line);
        EXPECT_EQ(st.current, root);
    }
}

TEST_F(SearchTest, DrawRulesBelowTheRoot)
{
    for (const bool classic : MODES) {
        SCOPED_TRACE(classic ? "classic" : "default");
        PvLine line;
        // A repeated position scores 0 at once.
        setUp("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "g1f3 g8f6 f3g1 f6g8", classic);
        ASSERT_NE(st.current->repetitions, 0);
        EXPECT_EQ(alphaBeta(st, 4, 1, -INFINITE, INFINITE, 0, line), 0);

        // Fifty-move rule: 0 unless the side to move is checkmated.
        setUp("6k1/5ppp/8/8/8/8/8/R5K1 w - - 100 80", nullptr, classic);
        EXPECT_EQ(alphaBeta(st, 4, 1, -INFINITE, INFINITE, 0, line), 0);
        setUp("R5k1/5ppp/8/8/8/8/8/6K1 b - - 100 80", nullptr, classic);
        EXPECT_EQ(alphaBeta(st, 4, 1, -INFINITE, INFINITE, 0, line), 1 - MATE);
        setUp("R5k1/5ppp/8/8/8/8/8/6K1 b - - 101 80", nullptr, classic);
        EXPECT_EQ(alphaBeta(st, 4, 1, -INFINITE, INFINITE, 0, line), 0);
        // A check that is not mate on the hundredth ply: drawn, and no line beyond it.
        setUp("R5k1/6pp/8/8/8/8/8/6K1 b - - 100 80", nullptr, classic);
        line.count = 0;
        EXPECT_EQ(alphaBeta(st, 4, 1, -INFINITE, INFINITE, 0, line), 0);
        EXPECT_EQ(line.count, 0u);
    }
}

// A move whose position another search thread is inside waits for the end of
// the node's list, but it is searched: with every child of the node (and of
// the root) marked as taken, the mate in one is still found.
TEST_F(SearchTest, MovesTakenByAnotherThreadAreSearchedLast)
{
    PvLine line;
    setUp("6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1");
    MoveEntry moves[MAX_MOVES];
    MoveEntry* end = generateLegal(*st.current, moves);
    for (MoveEntry* e = moves; e < end; ++e)
        markTaken(engine.share, makeMove(*st.current, entryMove(*e))->key);
    st.shareWork = true;
    EXPECT_EQ(alphaBeta(st, 3, 1, -INFINITE, INFINITE, 0, line), MATE - 2);
    ASSERT_GT(line.count, 0u);
    EXPECT_EQ(line.moves[0], textToMove(*st.current, "a1a8"));

    // The same at the root, whose moves wait once one of them is best.
    uint64_t rootMoves[MAX_MOVES];
    uint64_t* rootEnd = rootMoves;
    for (MoveEntry* e = moves; e < end; ++e)
        *rootEnd++ = makeEntry(entryMove(*e), 0);
    line.count = 0;
    const uint64_t result = rootSearch(st, 3, -INFINITE, INFINITE, rootMoves, rootEnd, 0, line);
    EXPECT_EQ(resultScore(result), MATE - 1);
    EXPECT_EQ(resultMove(result), textToMove(*st.current, "a1a8"));
    st.shareWork = false;
    clearWorkShare(engine.share);
}

// A PV node shared with another thread takes over the better score that
// thread published for it at its depth or deeper (never a shallower one): as a
// cut-off at or above beta, or as its best move with a legal line.
TEST_F(SearchTest, SharedPvNodesTakeOverAnotherThreadsBound)
{
    const char* fen = "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10";
    PvLine line;
    setUp(fen);
    const int own = alphaBeta(st, 4, 1, -100, 100, 0, line);
    ASSERT_LT(own, 90);
    const Move other = textToMove(*st.current, "h2h3");

    struct Case {
        int publishedDepth;
        int score;
        int expected;  // 0: the node's own score
    } const cases[] = {
        {3, 150, 0},     // shallower: ignored
        {4, 150, 150},   // at beta or above: cut off
        {6, 90, 90},     // inside the window: taken over with its move
    };
    for (const Case& c : cases) {
        setUp(fen);
        st.shareWork = true;
        clearWorkShare(engine.share);
        publishPvBound(engine.share, st.current->key, other, c.score, c.publishedDepth);
        line.count = 0;
        const int s = alphaBeta(st, 4, 1, -100, 100, 0, line);
        st.shareWork = false;
        EXPECT_EQ(s, c.expected ? c.expected : own) << c.publishedDepth << " " << c.score;
        if (c.expected == 90) {
            ASSERT_GT(line.count, 0u);
            EXPECT_EQ(line.moves[0], other);
            playLine(st.current, line);
        }
    }
    clearWorkShare(engine.share);

    // A slot whose halves come from two writers reads as empty.
    const uint64_t key = st.current->key;
    publishPvBound(engine.share, key, other, 40, 5);
    pvBoundSlot(engine.share, key).data.store(pvBoundSlot(engine.share, key).data.load() ^ 1);
    Move m = 0;
    int score = 0;
    EXPECT_FALSE(readPvBound(engine.share, key, 5, m, score));
    publishPvBound(engine.share, key, other, -40, 5);
    EXPECT_TRUE(readPvBound(engine.share, key, 5, m, score) && m == other && score == -40);
    EXPECT_FALSE(readPvBound(engine.share, key ^ 1, 5, m, score));
    clearWorkShare(engine.share);
}

TEST_F(SearchTest, MateAndStalemateAreStoredExact)
{
    for (const bool classic : MODES) {
        SCOPED_TRACE(classic ? "classic" : "default");
        PvLine line;
        Position* pos = setUp("R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1", nullptr, classic);
        EXPECT_EQ(alphaBeta(st, 2, 5, -INFINITE, INFINITE, 0, line), -19995);
        uint64_t data = 0;
        EXPECT_EQ(probeHash(engine.tt, *pos, data, 0, 5, -INFINITE, INFINITE), -19995);
        EXPECT_EQ(ttBound(data), BOUND_EXACT);

        pos = setUp("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", nullptr, classic);
        EXPECT_EQ(alphaBeta(st, 3, 2, -50, 50, 0, line), 0);
        EXPECT_EQ(probeHash(engine.tt, *pos, data, 0, 2, -50, 50), 0);
        EXPECT_EQ(ttBound(data), BOUND_EXACT);
        EXPECT_EQ(ttMove(data), 0u);
    }
}

TEST_F(SearchTest, DeepPliesDropIntoQuiescence)
{
    PvLine line;
    const char* fen = "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10";
    setUp(fen);
    int q = quiescence(st, 0, 64, -INFINITE, INFINITE, 0);
    setUp(fen);
    EXPECT_EQ(alphaBeta(st, 9, 63, -INFINITE, INFINITE, 0, line), q);
    EXPECT_LT(st.nodes, 2000u) << "no full-width search at ply 63";

    setUp(fen, nullptr, false);
    q = pvsQuiescence(st, 63, -INFINITE, INFINITE, 0);
    setUp(fen, nullptr, false);
    EXPECT_EQ(alphaBeta(st, 9, 63, -INFINITE, INFINITE, 0, line), q);
    EXPECT_LT(st.nodes, 2000u) << "no full-width search at ply 63";
}

// The default quiescence: mated in it scores ply - MATE, a hanging piece is
// taken, and the only evasion is searched despite a stand-pat far above beta.
TEST_F(SearchTest, DefaultQuiescence)
{
    setUp("R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1", nullptr, false);
    EXPECT_EQ(pvsQuiescence(st, 7, -INFINITE, INFINITE, 0), 7 - MATE);

    const char* fen = "4k3/p7/1p6/3r4/8/2N5/1Q6/4K3 w - - 0 1";  // the rook on d5 hangs
    setUp(fen, nullptr, false);
    const int stand = evaluate(*st.current, nullptr);
    setUp(fen, nullptr, false);
    EXPECT_GT(pvsQuiescence(st, 1, -INFINITE, INFINITE, 0), stand + 300);

    setUp("4k3/1Q6/8/8/8/7N/6PP/4r2K w - - 0 1", nullptr, false);
    pvsQuiescence(st, 1, -INFINITE, -500, 0);
    EXPECT_GT(st.nodes, 1u);
}

TEST_F(SearchTest, QuiescenceMatesAndQuietChecks)
{
    // Mated inside quiescence: ply - MATE, whatever the window.
    setUp("R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1");
    EXPECT_EQ(quiescence(st, -3, 7, -INFINITE, INFINITE, 0), 7 - MATE);

    // A quiet check that mates is seen in the first two quiescence plies only.
    const char* backRank = "6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1";
    setUp(backRank);
    EXPECT_EQ(quiescence(st, 0, 1, -INFINITE, INFINITE, 0), MATE - 2);
    setUp(backRank);
    EXPECT_EQ(quiescence(st, -1, 1, -INFINITE, INFINITE, 0), MATE - 2);
    setUp(backRank);
    EXPECT_LT(quiescence(st, -2, 1, -INFINITE, INFINITE, 0), 1000);
}

TEST_F(SearchTest, QuiescenceSearchesTheOnlyEvasionDespiteStandPat)
{
    // White is far ahead but in check with one legal reply; the reply gets searched.
    setUp("4k3/1Q6/8/8/8/7N/6PP/4r2K w - - 0 1");
    ASSERT_EQ(legalMoves(*st.current).size(), 1u);
    quiescence(st, 0, 1, -INFINITE, -500, 0);
    EXPECT_GT(st.nodes, 1u);
}

// The node count of each search, one thread to a fixed depth over fixed
// positions from empty tables, is its signature: any change to pruning,
// ordering or evaluation moves it. Update it only in a commit that says why
// the search changed; the classic search's count must never move. make bench
// prints the same figures.
TEST_F(SearchTest, NodeSignatures)
{
    uint64_t classic = 0, standard = 0;
    for (const PerftCase& c : PERFT_SUITE) {
        classic += searchFromEmptyTables(engine, c.fen, SIGNATURE_DEPTH, true).nodes;
        standard += searchFromEmptyTables(engine, c.fen, SIGNATURE_DEPTH, false).nodes;
    }
    EXPECT_EQ(classic, 407146u);
    EXPECT_EQ(standard, DEFAULT_SIGNATURE);
}

TEST_F(SearchTest, SearchAllocatesNothing)
{
    for (const bool classic : MODES) {
        setUp(KIWIPETE);
        uint64_t before = allocationCount();
        const uint64_t nodes = searchToDepth(8, classic).nodes;
        EXPECT_EQ(allocationCount(), before);
        EXPECT_GT(nodes, 1000u);
    }
}

TEST_F(SearchTest, NodeLimitCountsAllThreadsAndStillGivesAMove)
{
    for (const bool classic : MODES)
    for (int threads : {1, 2}) {
        for (uint64_t limit : {2, 50, 999, 20000, 150000}) {
            SearchSettings settings;
            settings.threads = threads;
            settings.nodeLimit = limit;
            settings.classic = classic;
            SearchResult r = search(KIWIPETE, settings);
            EXPECT_LE(r.nodes, limit) << threads << " threads";
            EXPECT_GT(r.nodes, 0u);
            EXPECT_TRUE(isLegalRootMove(KIWIPETE, r.best)) << threads << " threads, limit " << limit;
        }
    }
}

TEST_F(SearchTest, StoppedBeforeTheFirstIterationStillGivesALegalMove)
{
    // Stopped before it starts, and stopped inside depth 1 after a few moves.
    for (const bool classic : MODES)
    for (uint64_t limit : {0, 3}) {
        setUp(KIWIPETE);
        engine.flags.stopSearch = limit == 0 ? 1 : 0;
        SearchSettings settings;
        settings.threads = 1;
        settings.nodeLimit = limit;
        settings.classic = classic;
        SearchResult r = think(engine, settings);
        EXPECT_TRUE(isLegalRootMove(KIWIPETE, r.best)) << limit;
    }
    engine.flags.stopSearch = 0;
}

TEST_F(SearchTest, MateLimitEndsTheSearchOnceTheMateIsProved)
{
    // Mate in two (rook ladder): proved at depth 3.
    SearchSettings settings;
    settings.threads = 1;
    settings.mateLimit = 2;
    SearchResult r = search("6k1/8/8/8/8/8/R7/1R4K1 w - - 0 1", settings);
    EXPECT_EQ(r.score, 19997);
    EXPECT_LE(r.depth, 5);
    // Asked for a mate in one, the same position searches on past the mate in two.
    settings.mateLimit = 1;
    settings.maxDepth = 6;
    r = search("6k1/8/8/8/8/8/R7/1R4K1 w - - 0 1", settings);
    EXPECT_EQ(r.depth, 6);
}

// Only the allowed root moves are searched; an illegal one among them is
// left out, and with none legal any legal move is played.
TEST_F(SearchTest, SearchMovesRestrictTheRoot)
{
    setUp(START_FEN);
    const Move a3 = textToMove(*st.current, "a2a3"), h4 = textToMove(*st.current, "h2h4");
    const Move illegal = textToMove(*st.current, "e2e5");
    // Allowed moves, and the moves that may be played (none given: any).
    const std::pair<std::vector<Move>, std::vector<Move>> cases[] = {
        {{a3, h4}, {a3, h4}}, {{illegal, h4}, {h4}}, {{illegal}, {}}};
    for (const auto& [allowed, expected] : cases) {
        SearchSettings settings;
        settings.threads = 1;
        settings.maxDepth = 4;
        settings.searchMoves = allowed.data();
        settings.searchMoveCount = int(allowed.size());
        const Move best = search(START_FEN, settings).best;
        EXPECT_TRUE(isLegalRootMove(START_FEN, best));
        EXPECT_TRUE(expected.empty() || std::find(expected.begin(), expected.end(), best) != expected.end());
    }
}

}  // namespace
