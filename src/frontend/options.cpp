// The UCI option table and "setoption".
#include "frontend/options.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "eval/params.h"
#include "frontend/config.h"
#include "frontend/openingbook.h"
#include "frontend/session.h"
#include "frontend/strength.h"
#include "search/engine.h"
#include "search/settings.h"

namespace {

int announcedTrue(const Session&) { return 1; }
int hashAnnounced(const Session& session) { return int(session.config.hashSizeMb); }
int threadsAnnounced(const Session& session) { return session.config.threads; }
int multiPvAnnounced(const Session& session) { return session.uci.multiPv; }
int moveOverheadAnnounced(const Session& session) { return session.uci.moveOverheadMs; }
int classicAnnounced(const Session& session) { return session.config.classic; }
int limitStrengthAnnounced(const Session& session) { return session.uci.limitStrength; }
int eloAnnounced(const Session& session) { return session.uci.elo; }
int showWdlAnnounced(const Session& session) { return session.uci.showWdl; }

void changePonder(Session& session, int value, const char*)
{
    session.uci.ponder = value != 0;
    session.engine->flags.ponderAllowed.store(value != 0 ? 1 : 0, std::memory_order_relaxed);
}

// The INI's Book and BookFile settings, which the book lookup reads.
void changeOwnBook(Session& session, int value, const char*) { setBookEnabled(session, value != 0); }
const char* bookFileAnnounced(const Session& session) { return session.config.bookFile; }
void changeBookFile(Session& session, int, const char* text) { setBookFile(session, text); }

void changeHash(Session& session, int value, const char*)
{
    resizeHashTable(session.config, *session.engine, value);
    session.uci.tablesUntouched = true;
}

void changeThreads(Session& session, int value, const char*)
{
    session.config.threads = uint8_t(value);
    allocThreadTables(*session.engine, tableSizes(session.config));
    session.uci.tablesUntouched = true;
}

void clearHash(Session& session, int, const char*) { clearAllTables(*session.engine); }

const char* syzygyPathAnnounced(const Session& session) { return session.config.wdlPath; }

// Both kinds of table file from the same folders (':'-separated); the tables
// are found again at once when Syzygy is on. "<empty>" clears the path.
void changeSyzygyPath(Session& session, int, const char* text)
{
    Config& config = session.config;
    if (std::strcmp(text, "<empty>") == 0)
        text = "";
    if (std::strlen(text) >= sizeof config.wdlPath) {
        std::printf("info string option SyzygyPath takes at most %d characters; ignored\n",
                    int(sizeof config.wdlPath) - 1);
        return;
    }
    std::snprintf(config.wdlPath, sizeof config.wdlPath, "%s", text);
    std::snprintf(config.dtzPath, sizeof config.dtzPath, "%s", text);
    startTablebases(config, *session.engine);
}
int syzygy50MoveRuleAnnounced(const Session& session) { return session.uci.syzygy50MoveRule ? 1 : 0; }
void changeSyzygy50MoveRule(Session& session, int value, const char*) { session.uci.syzygy50MoveRule = value != 0; }
int syzygyProbeDepthAnnounced(const Session& session) { return session.uci.syzygyProbeDepth; }
void changeSyzygyProbeDepth(Session& session, int value, const char*) { session.uci.syzygyProbeDepth = value; }

void changeMultiPv(Session& session, int value, const char*) { session.uci.multiPv = value; }
void changeMoveOverhead(Session& session, int value, const char*) { session.uci.moveOverheadMs = value; }
// The evaluation follows the switch; the next position set up scores with it.
void changeClassic(Session& session, int value, const char*)
{
    session.config.classic = value != 0;
    selectEvaluation(*session.engine, value != 0);
}
void changeLimitStrength(Session& session, int value, const char*) { session.uci.limitStrength = value != 0; }
void changeElo(Session& session, int value, const char*) { session.uci.elo = value; }
void changeShowWdl(Session& session, int value, const char*) { session.uci.showWdl = value != 0; }

const char* paramFileAnnounced(const Session& session) { return session.config.paramFile; }

// The INI's Chess960 setting: the games set up from now on are Chess960 ones.
int chess960Announced(const Session& session) { return session.config.chess960; }
void changeChess960(Session& session, int value, const char*) { session.config.chess960 = value != 0; }

// A parameter file over the current values, or with "<empty>" the built-in
// values. The evaluation and quiescence caches hold scores of the values
// they were filled with, so a change clears the tables; positions are set up
// anew by the next "position" command.
void changeParamFile(Session& session, int, const char* text)
{
    Config& config = session.config;
    if (text[0] == '\0' || std::strcmp(text, "<empty>") == 0) {
        restoreBuiltInParams();
        config.paramFile[0] = '\0';
        std::printf("info string ParamFile: built-in values\n");
    } else if (std::strlen(text) >= sizeof config.paramFile) {
        std::printf("info string ParamFile: path longer than %zu characters; nothing applied\n",
                    sizeof config.paramFile - 1);
        return;
    } else if (loadParamFile(text, session.protocol == Protocol::Uci)) {
        std::snprintf(config.paramFile, sizeof config.paramFile, "%s", text);
    } else {
        return;
    }
    clearAllTables(*session.engine);
}

// Ponder and OwnBook come first, in the order the engine has always announced
// them; the options added since follow.
constexpr UciOption OPTIONS[] = {
    {"Ponder", OptionType::Check, 0, 1, announcedTrue, nullptr, changePonder},
    {"OwnBook", OptionType::Check, 0, 1, announcedTrue, nullptr, changeOwnBook},
    {"Hash", OptionType::Spin, 1, 8192, hashAnnounced, nullptr, changeHash},
    {"Threads", OptionType::Spin, 1, MAX_THREADS, threadsAnnounced, nullptr, changeThreads},
    {"Clear Hash", OptionType::Button, 0, 0, nullptr, nullptr, clearHash},
    {"MultiPV", OptionType::Spin, 1, MAX_MULTI_PV, multiPvAnnounced, nullptr, changeMultiPv},
    {"Move Overhead", OptionType::Spin, 0, 5000, moveOverheadAnnounced, nullptr, changeMoveOverhead},
    {"BookFile", OptionType::String, 0, 0, nullptr, bookFileAnnounced, changeBookFile},
    {"SyzygyPath", OptionType::String, 0, 0, nullptr, syzygyPathAnnounced, changeSyzygyPath},
    {"Syzygy50MoveRule", OptionType::Check, 0, 1, syzygy50MoveRuleAnnounced, nullptr, changeSyzygy50MoveRule},
    {"SyzygyProbeDepth", OptionType::Spin, 1, 100, syzygyProbeDepthAnnounced, nullptr, changeSyzygyProbeDepth},
    {"ParamFile", OptionType::String, 0, 0, nullptr, paramFileAnnounced, changeParamFile},
    {"Classic", OptionType::Check, 0, 1, classicAnnounced, nullptr, changeClassic},
    {"UCI_Chess960", OptionType::Check, 0, 1, chess960Announced, nullptr, changeChess960},
    {"UCI_LimitStrength", OptionType::Check, 0, 1, limitStrengthAnnounced, nullptr, changeLimitStrength},
    {"UCI_Elo", OptionType::Spin, LEVEL_MIN_ELO, LEVEL_MAX_ELO, eloAnnounced, nullptr, changeElo},
    {"UCI_ShowWDL", OptionType::Check, 0, 1, showWdlAnnounced, nullptr, changeShowWdl},
};

bool sameIgnoringCase(const char* a, const char* b)
{
    for (; *a && *b; ++a, ++b)
        if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b)))
            return false;
    return *a == *b;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// The word at p (after blanks) equals word, ignoring case, and ends there.
const char* skipWord(const char* p, const char* word)
{
    while (isBlank(*p))
        ++p;
    size_t n = std::strlen(word);
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(p[i])) != word[i])
            return nullptr;
    return p[n] == '\0' || isBlank(p[n]) ? p + n : nullptr;
}

// Copies [begin, end) without the blanks around it.
void copyTrimmed(char* out, size_t capacity, const char* begin, const char* end)
{
    while (begin < end && isBlank(*begin))
        ++begin;
    while (end > begin && isBlank(end[-1]))
        --end;
    size_t n = size_t(end - begin) < capacity - 1 ? size_t(end - begin) : capacity - 1;
    std::memcpy(out, begin, n);
    out[n] = '\0';
}

void applySpin(Session& session, const UciOption& o, const char* text)
{
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0') {
        std::printf("info string option %s takes a whole number from %d to %d; '%s' ignored\n", o.name, o.low,
                    o.high, text);
        return;
    }
    if (value < o.low || value > o.high) {
        long clamped = value < o.low ? o.low : o.high;
        std::printf("info string option %s: %s is out of range %d..%d; %ld used\n", o.name, text, o.low, o.high,
                    clamped);
        value = clamped;
    }
    o.change(session, int(value), nullptr);
}

} // namespace

void printUciOptions(const Session& session)
{
    for (const UciOption& o : OPTIONS) {
        switch (o.type) {
        case OptionType::Check:
            std::printf("option name %s type check default %s\n", o.name, o.announced(session) ? "true" : "false");
            break;
        case OptionType::Spin:
            std::printf("option name %s type spin default %d min %d max %d\n", o.name, o.announced(session), o.low, o.high);
            break;
        case OptionType::Button:
            std::printf("option name %s type button\n", o.name);
            break;
        case OptionType::String: {
            const char* text = o.announcedText ? o.announcedText(session) : "";
            std::printf("option name %s type string default %s\n", o.name, text[0] ? text : "<empty>");
            break;
        }
        }
    }
}

void setOption(Session& session, const char* line)
{
    const char* p = skipWord(line, "setoption");
    p = p ? skipWord(p, "name") : nullptr;
    if (!p) {
        std::printf("info string setoption needs a name: setoption name <name> [value <value>]\n");
        return;
    }
    // The name runs to the word "value" (names may hold blanks).
    const char* valueAt = nullptr;
    for (const char* q = p; *q; ++q)
        if (isBlank(*q) && skipWord(q, "value")) {
            valueAt = q;
            break;
        }
    char name[128];
    char value[512];
    copyTrimmed(name, sizeof name, p, valueAt ? valueAt : p + std::strlen(p));
    value[0] = '\0';
    if (valueAt) {
        const char* v = skipWord(valueAt, "value");
        copyTrimmed(value, sizeof value, v, v + std::strlen(v));
    }

    const UciOption* option = nullptr;
    for (const UciOption& o : OPTIONS)
        if (sameIgnoringCase(o.name, name))
            option = &o;
    if (!option) {
        std::printf("info string unknown option %s\n", name);
        return;
    }
    const UciOption& o = *option;
    if (o.type == OptionType::Button) {
        o.change(session, 0, nullptr);
        return;
    }
    if (!valueAt) {
        std::printf("info string option %s needs a value\n", o.name);
        return;
    }
    if (o.type == OptionType::Check) {
        if (sameIgnoringCase(value, "true"))
            o.change(session, 1, nullptr);
        else if (sameIgnoringCase(value, "false"))
            o.change(session, 0, nullptr);
        else
            std::printf("info string option %s takes true or false; '%s' ignored\n", o.name, value);
    } else if (o.type == OptionType::Spin) {
        applySpin(session, o, value);
    } else {
        o.change(session, 0, value);
    }
}
