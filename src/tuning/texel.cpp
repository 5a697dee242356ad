// Preparation of the training data, the two error functions, the optimiser
// (finite-difference gradient, then a line search along it) and the sweep of
// the scaling constant.
#include "tuning/texel.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <memory>

#include "eval/params.h"
#include "platform/platform.h"
#include "position/attacks.h"
#include "position/bitboard.h"
#include "tuning/export.h"
#include "tuning/trainingfile.h"
#include "tuning/tunerengine.h"

namespace {

constexpr const char* START_POSITION_BOARD = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR";
constexpr int TARGET_DEPTH = 2;
constexpr int MATE_SCORE_LIMIT = 19935;  // static scores beyond it are mates
constexpr int PROGRESS_STEP = 10000;
constexpr int BAR_WIDTH = 60;
constexpr double STEP = 1.0;               // the finite-difference step h
constexpr double GRADIENT_SCALE = 50000.0;
constexpr double FLAT_SLOPE = 0.00001;

// ---------------------------------------------------------------- errors

double logistic(double k, int score) { return 1.0 / (1.0 + std::pow(10.0, -k * score / 400.0)); }

// The static score from White's view.
int whiteScore(SearchThread& t)
{
    int s = staticScore(t);
    return t.current->sideToMove == 1 ? -s : s;
}

// A target read as a decimal integer; false when the field holds none.
bool readTarget(const char* field, int& target)
{
    char* end = nullptr;
    long v = std::strtol(field, &end, 10);
    if (end == field)
        return false;
    target = int(v < -32767 ? -32767 : v > 32767 ? 32767 : v);
    return true;
}

// ----------------------------------------------------------- preparation

enum class Fitting { SEARCH, RESULT };

struct Preparation {
    Fitting fitting;
    bool allFilters;  // false: BadFEN only
    const char* completion;
};

void showProgress(uint64_t processed, uint64_t total)
{
    static const char BAR[BAR_WIDTH + 1] = "||||||||||||||||||||||||||||||||||||||||||||||||||||||||||||";
    if (outputIsTerminal())
        clearScreen();
    float p = total ? float(processed) / float(total) : 0.0f;
    if (p > 1.0f)
        p = 1.0f;
    int bar = int(p * BAR_WIDTH);
    std::printf("\r%3d%% [%.*s%*s]", int(p * 100), bar, BAR, BAR_WIDTH - bar, "");
    std::fflush(stdout);
    std::printf("\n");
    std::fflush(stdout);
}

// Why a line is left out, or null when it is taken. Sets up the position.
const char* filterLine(SearchThread& t, const Preparation& p, TrainingLine status, const char* fen)
{
    if (status == TrainingLine::TOO_LONG)
        return "BadFEN";
    if (p.fitting == Fitting::RESULT && std::strstr(fen, START_POSITION_BOARD))
        return "StartPos";
    if (!setUpTrainingPosition(t, fen))
        return "BadFEN";
    if (!p.allFilters)
        return nullptr;
    const Position& pos = *t.current;
    if (popcount(occupied(pos)) <= 6)
        return "EGTB";
    if (checkers(pos))
        return "inCheck";
    int eval = staticScore(t);
    if (eval != quiescenceScore(t))
        return "noQuiete";
    if (p.fitting == Fitting::RESULT && std::abs(eval) > MATE_SCORE_LIMIT)
        return "Mate";
    return nullptr;
}

void closeAll(std::FILE* a, std::FILE* b, std::FILE* c)
{
    for (std::FILE* f : {a, b, c})
        if (f)
            std::fclose(f);
}

int prepare(SearchThread& t, const char* folder, const Preparation& p)
{
    std::FILE* input = openTrainingFile(folder, "input.epd", "r");
    std::FILE* selected = input ? openTrainingFile(folder, "selected.csv", "w") : nullptr;
    std::FILE* skippedFile = selected ? openTrainingFile(folder, "skipped.csv", "w") : nullptr;
    if (!skippedFile) {
        closeAll(input, selected, skippedFile);
        return 0;
    }
    const uint64_t newlines = countNewlines(input);
    const uint64_t total = newlines ? newlines + 1 : 0;
    // The caches may hold scores of other parameter values.
    clearTunerCaches(t);

    uint64_t processed = 0, skipped = 0;
    double squares = 0.0;  // result fitting
    uint64_t absolute = 0; // search fitting
    char line[TRAINING_LINE_SIZE];
    char fen[TRAINING_LINE_SIZE];
    for (;;) {
        TrainingLine status = readTrainingLine(input, line);
        if (status == TrainingLine::END)
            break;
        processed++;
        if (processed % PROGRESS_STEP == 0)
            showProgress(processed, total);
        const char* rest = splitFenField(line, fen);
        const char* reason = filterLine(t, p, status, fen);
        int target = 0;
        if (!reason && p.fitting == Fitting::SEARCH) {
            target = searchScore(t, TARGET_DEPTH);
            if (p.allFilters && std::abs(target) > MATE_SCORE_LIMIT)
                reason = "Mate";
        }
        if (reason) {
            std::fprintf(skippedFile, "%s;%s;\n", fen, reason);
            skipped++;
            continue;
        }
        if (p.fitting == Fitting::RESULT) {
            double miss = resultForWhite(rest) - logistic(TEXEL_K, whiteScore(t));
            squares += miss * miss;
            std::fprintf(selected, "%s\n", line);
        } else {
            absolute += uint64_t(std::abs(staticScore(t) - target));
            std::fprintf(selected, "%s;%d;\n", fen, target);
        }
    }
    bool writeFailed = std::ferror(selected) || std::ferror(skippedFile);
    writeFailed |= std::fclose(selected) != 0;
    writeFailed |= std::fclose(skippedFile) != 0;
    std::fclose(input);
    if (writeFailed) {
        std::printf("File not found\n");
        return 0;
    }

    const uint64_t kept = processed - skipped;
    std::printf("%s\n", p.completion);
    std::printf("Processed positions: %" PRIu64 "\n", processed);
    std::printf("Selected  positions: %" PRIu64 "\n", kept);
    std::printf("Skipped   positions: %" PRIu64 "\n", skipped);
    if (p.fitting == Fitting::SEARCH) {
        float error = kept ? float(absolute) / float(kept) : 0.0f;
        std::printf("Initial Overall Error:      %3.6f\n", error);
    } else {
        double error = kept ? squares / double(kept) : 0.0;
        std::printf("Initial Overall Error:      %3.6f (%2.2f%%)\n\n", error, std::sqrt(error));
    }
    std::fflush(stdout);
    return 1;
}

// ------------------------------------------------------------- optimiser

using ErrorFunction = double (*)(SearchThread&, const char*);

double texelErrorAtK(SearchThread& t, const char* folder) { return texelError(t, folder, TEXEL_K); }

// One error function on one record and folder, and the optimiser's points in
// the parameter space. Once a measurement has failed (the file went missing)
// every later one answers 0 without reading, and the run unwinds.
struct Objective {
    ErrorFunction error;
    SearchThread* thread;
    const char* folder;
    bool failed;
    int32_t runStart[PARAM_COUNT];        // values when the run began (restored on failure)
    int32_t iterationStart[PARAM_COUNT];  // values when the iteration began
    int32_t lineStart[PARAM_COUNT];       // values when the line search began
    double direction[PARAM_COUNT];
};

double measure(Objective& o)
{
    if (o.failed)
        return 0.0;
    double e = o.error(*o.thread, o.folder);
    if (e < 0.0) {
        o.failed = true;
        return 0.0;
    }
    return e;
}

void saveValues(int32_t (&to)[PARAM_COUNT])
{
    for (int i = 0; i < PARAM_COUNT; i++)
        to[i] = ParamTable[i].value;
}

void restoreValues(const int32_t (&from)[PARAM_COUNT])
{
    for (int i = 0; i < PARAM_COUNT; i++)
        ParamTable[i].value = from[i];
}

// value + step, truncated toward zero and kept within the 16 bits the
// evaluation reads.
int32_t steppedValue(int32_t value, double step)
{
    double v = std::trunc(double(value) + step);
    return int32_t(v < -32768.0 ? -32768.0 : v > 32767.0 ? 32767.0 : v);
}

// The point lineStart + t * direction over the marked records.
void moveTo(const Objective& o, double t)
{
    for (int i = 0; i < PARAM_COUNT; i++)
        ParamTable[i].value = ParamTable[i].tune ? steppedValue(o.lineStart[i], t * o.direction[i]) : o.lineStart[i];
}

// Directional slope of the error at lineStart + t * direction.
double slopeAt(Objective& o, double t)
{
    moveTo(o, t + STEP);
    double ahead = measure(o);
    moveTo(o, t);
    double here = measure(o);
    return (ahead - here) / STEP;
}

// Gradient by forward differences, scaled; the direction is its negative.
void computeDirection(Objective& o)
{
    double base = measure(o);
    for (int i = 0; i < PARAM_COUNT && !o.failed; i++) {
        ParamRecord& r = ParamTable[i];
        if (!r.tune)
            continue;
        int32_t kept = r.value;
        r.value = steppedValue(kept, STEP);
        double moved = measure(o);
        r.value = kept;
        o.direction[i] = -(moved - base) / STEP * GRADIENT_SCALE;
    }
}

// Moves the marked values along the direction to where the slope turns.
// Returns true when the error no longer falls along it (the values are then
// left where they were).
bool lineSearch(Objective& o)
{
    saveValues(o.lineStart);
    double rate = -slopeAt(o, 0.0);
    std::printf("derA  %f\n", rate);
    if (o.failed || !(rate >= FLAT_SLOPE)) {
        moveTo(o, 0.0);
        return true;
    }
    // Bracket: double t while the error still falls at t. Beyond the point
    // where the largest step spans the whole 16-bit range nothing can change.
    double largest = 0.0;
    for (int i = 0; i < PARAM_COUNT; i++)
        if (ParamTable[i].tune && std::fabs(o.direction[i]) > largest)
            largest = std::fabs(o.direction[i]);
    double t = STEP;
    for (;;) {
        double s = slopeAt(o, t);
        t *= 2.0;
        if (o.failed || s >= 0.0 || t * largest > 65536.0)
            break;
    }
    // Bisect [a, b] for the turn of the slope; S(a) < 0 throughout.
    double a = 0.0, b = t, m = (a + b) / 2.0;
    double slopeA = -rate;
    while (std::fabs(a - b) > STEP && !o.failed) {
        double slopeM = slopeAt(o, m);
        double product = slopeA * slopeM;
        if (product > 0.0) {
            a = m;
            slopeA = slopeM;
        } else if (product < 0.0) {
            b = m;
        } else {  // zero, or not a number: settle here
            a = m;
            b = m;
        }
        m = (a + b) / 2.0;
    }
    moveTo(o, m);
    return false;
}

// Runs iterations until the optimiser stops (or maxIterations). Returns the
// error at the final values, or TUNER_FILE_ERROR with the values of the
// start restored.
double optimise(SearchThread& t, const TunerSettings& settings, ErrorFunction error, Fitting fitting)
{
    std::unique_ptr<Objective> objective(new Objective());  // some 15 KB
    Objective& o = *objective;
    o.error = error;
    o.thread = &t;
    o.folder = settings.folder;
    saveValues(o.runStart);
    int iteration = 1;
    std::printf("Iteration %i\n", iteration);
    for (;;) {
        saveValues(o.iterationStart);
        computeDirection(o);
        bool stop = o.failed || lineSearch(o);
        if (o.failed)
            break;
        for (const ParamRecord& r : ParamTable)
            if (r.tune)
                std::printf("%-30s      %+5i     %+f\n", r.name, r.value, o.direction[&r - ParamTable]);
        std::printf("e %+f\n", measure(o));
        if (fitting == Fitting::SEARCH) {
            double squares = 0.0;
            for (int i = 0; i < PARAM_COUNT; i++)
                if (ParamTable[i].tune) {
                    double d = double(ParamTable[i].value - o.iterationStart[i]);
                    squares += d * d;
                }
            std::printf("norm    %f\n", std::sqrt(squares));
            std::printf("\n");
        } else {
            int32_t sum = 0;
            for (int i = 0; i < PARAM_COUNT; i++)
                if (ParamTable[i].tune)
                    sum += ParamTable[i].value - o.iterationStart[i];
            int change = std::abs(int(int16_t(sum)));  // the change is counted in 16 bits
            std::printf("d %d\n", change);
            std::printf("\n");
            stop = change <= 1;
        }
        std::fflush(stdout);
        if (stop || o.failed || (settings.maxIterations > 0 && iteration >= settings.maxIterations))
            break;
        std::printf("Iteration %i\n", ++iteration);
    }
    if (o.failed) {
        restoreValues(o.runStart);
        applyParams();
        clearTunerCaches(t);
        return TUNER_FILE_ERROR;
    }
    for (ParamRecord& r : ParamTable)
        if (r.tune)
            r.tunedValue = r.value;
    double final = measure(o);
    // The record's caches were filled under other values.
    clearTunerCaches(t);
    return o.failed ? TUNER_FILE_ERROR : final;
}

} // namespace

namespace {

// The mean of term(rest of line) over the positions of selected.csv, under the
// current values. Every line counts in the divisor, also one too long or one
// whose position or target cannot be read (those add nothing): the errors of
// one file under different values stay comparable.
template <typename Term>
double meanOverSelected(SearchThread& t, const char* folder, Term term)
{
    applyParams();
    std::FILE* f = openTrainingFile(folder, "selected.csv", "r");
    if (!f)
        return TUNER_FILE_ERROR;
    uint64_t lines = 0;
    double sum = 0.0;
    char line[TRAINING_LINE_SIZE];
    char fen[TRAINING_LINE_SIZE];
    TrainingLine status;
    while ((status = readTrainingLine(f, line)) != TrainingLine::END) {
        lines++;
        if (status == TrainingLine::TOO_LONG)
            continue;
        const char* rest = splitFenField(line, fen);
        double value = 0.0;
        if (setUpTrainingPosition(t, fen) && term(rest, value))
            sum += value;
    }
    std::fclose(f);
    return lines ? sum / double(lines) : 0.0;
}

} // namespace

double searchTargetError(SearchThread& t, const char* folder)
{
    return meanOverSelected(t, folder, [&t](const char* rest, double& value) {
        int target = 0;
        if (!readTarget(rest, target))
            return false;
        value = double(std::abs(staticScore(t) - target));
        return true;
    });
}

double texelError(SearchThread& t, const char* folder, double k)
{
    return meanOverSelected(t, folder, [&t, k](const char* rest, double& value) {
        const double miss = resultForWhite(rest) - logistic(k, whiteScore(t));
        value = miss * miss;
        return true;
    });
}

int tuningFirstStage(SearchThread& t, const TunerSettings& settings)
{
    return prepare(t, settings.folder, {Fitting::SEARCH, true, "Tuning First Stage completed"});
}

int tuningSecondStage(SearchThread& t, const TunerSettings& settings)
{
    if (!prepare(t, settings.folder, {Fitting::SEARCH, false, "Tuning Second Stage completed"}))
        return 0;
    double error = optimise(t, settings, searchTargetError, Fitting::SEARCH);
    if (error < 0.0)
        return 0;
    std::printf("Best Overall Error: %3.6f\n", error);
    return writeTunedValues(settings.folder);
}

int tuningThirdStage(SearchThread& t, const TunerSettings& settings)
{
    std::printf("Tuning Third Stage started\n");
    double error = optimise(t, settings, searchTargetError, Fitting::SEARCH);
    if (error < 0.0)
        return 0;
    std::printf("Tuning Third Stage completed\n");
    std::printf("Best Overall Error: %3.6f\n", error);
    return writeTunedValues(settings.folder);
}

int texelFirstStage(SearchThread& t, const TunerSettings& settings)
{
    return prepare(t, settings.folder, {Fitting::RESULT, true, "Texel Tuning First Stage completed"});
}

int texelTuning(SearchThread& t, const TunerSettings& settings)
{
    std::printf("Texel Tuning started\n");
    double error = optimise(t, settings, texelErrorAtK, Fitting::RESULT);
    if (error < 0.0)
        return 0;
    std::printf("Texel Tuning completed\n");
    std::printf("Best Overall Error: %3.6f   (%2.2f%%)\n", error, std::sqrt(error));
    return writeTunedValues(settings.folder);
}

int findBestK(SearchThread& t, const char* folder)
{
    double best = 3.0, bestK = 0.0;
    double k = 1.640;
    for (int i = 0; i < 11; i++, k += 0.001) {
        double e = texelError(t, folder, k);
        if (e < 0.0)
            return 0;
        if (e < best) {
            best = e;
            bestK = k;
        }
        std::printf("with k = %f, e = %f (%2.2f%%)\n", k, e, std::sqrt(e));
        std::fflush(stdout);
    }
    std::printf("\n");
    std::printf("e min %f     best k %f\n", best, bestK);
    std::fflush(stdout);
    return 1;
}
