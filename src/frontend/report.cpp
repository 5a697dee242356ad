// The console's and UCI's forms of the search output, and the other lines
// the layers below report.
#include "frontend/report.h"

#include <cinttypes>
#include <cstdio>

#include "frontend/config.h"
#include "frontend/session.h"
#include "frontend/strength.h"
#include "position/fen.h"
#include "position/gameend.h"
#include "search/engine.h"

namespace {

constexpr int MATE_SHOWN = 19000;

void printLine(const Position& root, const PvLine& line)
{
    int black = int(root.sideToMove);
    char text[8];
    for (uint32_t i = 0; i < line.count && i < MAX_PLY; ++i) {
        if (line.moves[i] == 0)
            continue;
        moveToText(text, line.moves[i], black, root.chess960);
        std::printf("%s ", text);
        black ^= 1;
    }
    std::printf("\n");
}

void consoleIteration(void* context, const IterationReport& report)
{
    const Session& session = *static_cast<const Session*>(context);
    const SearchResult& r = *report.result;
    const int s = r.score;
    if (session.config.postThinking) {
        std::printf("%2d %6d %6d %10" PRIu64 " ", r.depth, s, int(report.elapsedMs / 10), r.nodes);
        printLine(*report.root, r.line);
    }
    if (s >= MATE_SHOWN)
        std::printf("Mate in% d \n", (20001 - s) / 2);
    else if (s <= -MATE_SHOWN)
        std::printf("Mated to% d \n", (s + 20000) / 2);
    std::fflush(stdout);
}

void uciIteration(void* context, const IterationReport& report)
{
    const Session& session = *static_cast<const Session*>(context);
    const SearchResult& r = *report.result;
    const int s = r.score;
    const uint64_t t = report.elapsedMs;
    const uint64_t n = r.nodes;
    // The header takes at most about 200 characters, each move 6.
    char text[256 + 6 * MAX_PLY];
    char pv[24] = "";
    if (report.multiPv > 0)
        std::snprintf(pv, sizeof pv, " multipv %d", report.multiPv);
    const bool mateShown = s <= -MATE_SHOWN || s >= MATE_SHOWN;
    char wdl[32] = "";
    if (session.uci.showWdl) {
        const Wdl w = !mateShown ? wdlOfScore(s) : s > 0 ? Wdl{1000, 0, 0} : Wdl{0, 0, 1000};
        std::snprintf(wdl, sizeof wdl, " wdl %d %d %d", w.win, w.draw, w.loss);
    }
    int length;
    if (!mateShown) {
        double nps = t >= 500 ? double(n) / double(t) * 1000.0 : 0.0;
        length = std::snprintf(text, 256,
                               "info depth %2d seldepth %2d%s score cp %6d%s nodes %10" PRIu64
                               " time %.0f nps %.0f tbhits %" PRIu64 " pv ",
                               r.depth, r.selDepth, pv, s, wdl, n, double(t), nps, r.tbHits);
    } else {
        int mate = ((s >= MATE_SHOWN ? 20001 : -20000) - s) / 2;
        length = std::snprintf(text, 256, "info depth %2d%s score mate %2d%s nodes %10" PRIu64 " tbhits %" PRIu64
                               " time %6d pv ", r.depth, pv, mate, wdl, n, r.tbHits, int(t));
    }
    if (length < 0 || length > 255)
        length = 255;
    int black = int(report.root->sideToMove);
    for (uint32_t i = 0; i < r.line.count && i < MAX_PLY; ++i) {
        if (r.line.moves[i] == 0)
            continue;
        moveToText(text + length, r.line.moves[i], black, report.root->chess960);
        while (text[length])
            ++length;
        text[length++] = ' ';
        black ^= 1;
    }
    text[length++] = '\n';
    std::fwrite(text, 1, size_t(length), stdout);
    std::fflush(stdout);
}

} // namespace

void printText(void*, const char* text)
{
    std::fputs(text, stdout);
    std::fflush(stdout);
}

Reporter consoleReporter(Session& session) { return Reporter{&session, printText, consoleIteration}; }
Reporter uciReporter(Session& session) { return Reporter{&session, printText, uciIteration}; }
Reporter messageReporter() { return Reporter{nullptr, printText, nullptr}; }

void printBestMove(const Engine& engine, bool uci, const Position& after, const SearchResult& r)
{
    Move best = r.best;
    Move ponder = r.ponder;
    int moverBlack = best ? int(after.sideToMove) ^ 1 : int(after.sideToMove);
    char bestText[8] = "0000";
    char ponderText[8] = "0000";
    if (best)
        moveToText(bestText, best, moverBlack, after.chess960);
    if (ponder)
        moveToText(ponderText, ponder, moverBlack ^ 1, after.chess960);
    if (uci) {
        if (engine.flags.ponderAllowed.load(std::memory_order_relaxed) && ponder)
            std::printf("bestmove %s ponder %s\n", bestText, ponderText);
        else
            std::printf("bestmove %s\n", bestText);
    } else {
        uint64_t elapsed = engine.timeControl.elapsedMs;
        double knps = elapsed > 0 ? double(r.nodes / elapsed) : 0.0;
        if (ponder)
            std::printf("Bestmove: %s   Score: %d   Pondermove: %s   Knps: %.0f tbhits: %" PRIu64 "\n", bestText,
                        r.score, ponderText, knps, r.tbHits);
        else
            std::printf("Bestmove: %s   Score: %d    Knps: %.0f tbhits: %" PRIu64 "\n", bestText, r.score, knps,
                        r.tbHits);
    }
    std::fflush(stdout);
}

void printGameEnd(const Position& pos)
{
    const unsigned end = gameEnd(pos);
    if (end & GAME_END_REPETITION)
        std::printf("1/2-1/2 {Draw by repetition}\n");
    if (end & GAME_END_FIFTY_MOVES)
        std::printf("1/2-1/2 {Draw by 50 move rule}\n");
    if (end & GAME_END_MATE)
        std::printf(pos.sideToMove == 0 ? "0-1 {Black mates}\n" : "1-0 {White mates}\n");
    if (end & GAME_END_STALEMATE)
        std::printf("1/2-1/2 {Stalemate}\n");
}
