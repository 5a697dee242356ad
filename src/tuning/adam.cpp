// The default evaluation's gradient tuner: loading the positions as parameter
// counts, the error and its gradient over those counts, the fit of K and the
// Adam epochs.
#include "tuning/adam.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "eval/params.h"
#include "eval/trace.h"
#include "platform/platform.h"
#include "search/engine.h"
#include "tuning/export.h"
#include "tuning/paramfile.h"
#include "tuning/samples.h"
#include "tuning/trainingfile.h"
#include "tuning/tunerengine.h"

namespace {

constexpr double LN10_OVER_400 = 2.302585092994046 / 400.0;
constexpr int MATE_SCORE_LIMIT = 19935;  // scores beyond it are mates
constexpr double ADAM_BETA1 = 0.9;
constexpr double ADAM_BETA2 = 0.999;
constexpr double ADAM_EPSILON = 1e-8;
// A record seen in fewer positions than this keeps its value: its gradient
// would rest on too few games to mean anything.
constexpr int MIN_POSITIONS_PER_RECORD = 20;

double sigmoid(double k, double score) { return 1.0 / (1.0 + std::exp(-k * LN10_OVER_400 * score)); }

// The weight of a record's counts in a position of the given phase.
inline double tapered(const TrainingTerm& t, int phase)
{
    return (double(t.mg) * phase + double(t.eg) * (64 - phase)) / 64.0;
}

double target(const TrainingPosition& p, double k, double lambda)
{
    return p.hasScore ? lambda * p.result + (1.0 - lambda) * sigmoid(k, p.score) : p.result;
}

// Adds the position's counts to the set, White's view; false when a count
// does not fit the compact entry (then nothing is added).
bool addPosition(TrainingSet& set, const EvalCoefficients& c, int whiteScore, bool blackToMove,
                 const TrainingSample& sample, const double* start)
{
    TrainingPosition p{};
    p.line = uint32_t(set.lines - 1);
    p.first = uint32_t(set.terms.size());
    p.phase = uint8_t(c.phase);
    const int sign = blackToMove ? -1 : 1;
    for (int i = 0; i < c.count; i++) {
        const int mg = sign * c.terms[i].mg, eg = sign * c.terms[i].eg;
        if (mg < -128 || mg > 127 || eg < -128 || eg > 127) {
            set.terms.resize(p.first);
            return false;
        }
        set.terms.push_back({c.terms[i].index, int8_t(mg), int8_t(eg)});
    }
    p.count = uint16_t(c.count);
    p.hasScore = sample.hasScore;
    p.result = float(sample.result);
    p.score = float(sample.score);
    p.offset = 0.0f;
    set.positions.push_back(p);
    TrainingPosition& added = set.positions.back();
    added.offset = float(whiteScore - linearEvaluation(set, added, start));
    return true;
}

} // namespace

bool loadTrainingSet(SearchThread& t, const char* path, TrainingSet& set)
{
    std::FILE* f = std::fopen(path, "r");
    if (!f) {
        std::printf("File not found\n");
        return false;
    }
    clearTunerCaches(t);
    // Some 5 KB each: on the heap, and nothing kept between calls.
    const std::unique_ptr<double[]> start(new double[PARAM_COUNT]);
    for (int i = 0; i < PARAM_COUNT; i++)
        start[i] = ParamTable[i].playValue;
    const std::unique_ptr<EvalCoefficients> coefficientsBuffer(new EvalCoefficients());
    const std::unique_ptr<TrainingSample> sampleBuffer(new TrainingSample());
    EvalCoefficients& coefficients = *coefficientsBuffer;
    TrainingSample& sample = *sampleBuffer;
    char line[TRAINING_LINE_SIZE];
    for (TrainingLine status; (status = readTrainingLine(f, line)) != TrainingLine::END;) {
        set.lines++;
        if (status == TrainingLine::TOO_LONG || !parseTrainingSample(line, sample) ||
            !setUpTrainingPosition(t, sample.fen)) {
            set.unread++;
            continue;
        }
        if (positionInCheck(t)) {
            set.inCheck++;
            continue;
        }
        const int eval = positionCoefficients(t, coefficients);
        if (eval != quiescenceScore(t) || std::abs(eval) > MATE_SCORE_LIMIT) {
            set.noisy++;
            continue;
        }
        const bool black = sideToMoveIsBlack(t);
        if (!addPosition(set, coefficients, black ? -eval : eval, black, sample, start.get()))
            set.unread++;
    }
    std::fclose(f);
    return true;
}

double linearEvaluation(const TrainingSet& set, const TrainingPosition& p, const double* weights)
{
    double e = p.offset;
    const TrainingTerm* t = set.terms.data() + p.first;
    for (int i = 0; i < p.count; i++)
        e += tapered(t[i], p.phase) * weights[t[i].index];
    return e;
}

double trainingError(const TrainingSet& set, const double* weights, double k, double lambda)
{
    double sum = 0.0;
    for (const TrainingPosition& p : set.positions) {
        const double miss = target(p, k, lambda) - sigmoid(k, linearEvaluation(set, p, weights));
        sum += miss * miss;
    }
    return set.positions.empty() ? 0.0 : sum / double(set.positions.size());
}

double fitScale(const TrainingSet& set, const double* weights)
{
    // The error is unimodal in K: golden-section search over [0.1, 5].
    const double ratio = (std::sqrt(5.0) - 1.0) / 2.0;
    double a = 0.1, b = 5.0;
    double c = b - ratio * (b - a), d = a + ratio * (b - a);
    double ec = trainingError(set, weights, c, 1.0), ed = trainingError(set, weights, d, 1.0);
    while (b - a > 0.0005) {
        if (ec < ed) {
            b = d, d = c, ed = ec;
            c = b - ratio * (b - a);
            ec = trainingError(set, weights, c, 1.0);
        } else {
            a = c, c = d, ec = ed;
            d = a + ratio * (b - a);
            ed = trainingError(set, weights, d, 1.0);
        }
    }
    return (a + b) / 2.0;
}

int adamTuning(SearchThread& t, const AdamSettings& settings)
{
    selectEvaluation(*t.engine, false);
    if (settings.start) {
        const ParamFileResult r = readParamFile(settings.start);
        for (const std::string& problem : r.problems)
            std::printf("%s: %s\n", settings.start, problem.c_str());
        if (!r.applied)
            return 0;
        std::printf("Starting from %s: %d values\n", settings.start, r.values);
    }
    const uint64_t loadStart = nowMs();
    TrainingSet set;
    if (!loadTrainingSet(t, settings.input, set))
        return 0;
    std::printf("Read %" PRIu64 " lines: %zu positions, %" PRIu64 " unreadable, %" PRIu64 " in check, %" PRIu64
                " not quiet (%zu parameter counts)\n",
                set.lines, set.positions.size(), set.unread, set.inCheck, set.noisy, set.terms.size());
    std::printf("Loaded in %.1f s\n", double(nowMs() - loadStart) / 1000.0);
    if (set.positions.empty()) {
        std::printf("No positions to fit\n");
        return 0;
    }

    // The optimiser's state, some 30 KB: on the heap, nothing kept between runs.
    struct AdamState {
        double weights[PARAM_COUNT], m[PARAM_COUNT], v[PARAM_COUNT], gradient[PARAM_COUNT];
        int seen[PARAM_COUNT];
        bool fitted[PARAM_COUNT];
    };
    const std::unique_ptr<AdamState> state(new AdamState());  // zero-filled
    double *weights = state->weights, *m = state->m, *v = state->v, *gradient = state->gradient;
    int* seen = state->seen;
    bool* fitted = state->fitted;
    for (int i = 0; i < PARAM_COUNT; i++) {
        weights[i] = ParamTable[i].playValue;
        m[i] = v[i] = gradient[i] = 0.0;
    }
    for (const TrainingPosition& p : set.positions)
        for (uint32_t i = p.first; i < p.first + p.count; i++)
            seen[set.terms[i].index]++;
    int fittedCount = 0;
    for (int i = 0; i < PARAM_COUNT; i++) {
        fitted[i] = seen[i] >= MIN_POSITIONS_PER_RECORD;
        fittedCount += fitted[i];
    }

    const double k = settings.k > 0.0 ? settings.k : fitScale(set, weights);
    const double lambda = settings.lambda;
    std::printf("K %.4f, lambda %.2f, %d parameters fitted, %d epochs of %d-position batches, step %.3g\n", k,
                lambda, fittedCount, settings.epochs, settings.batchSize, settings.learningRate);
    std::printf("Initial error %.6f\n", trainingError(set, weights, k, lambda));
    std::fflush(stdout);
    if (settings.epochs == 0)  // a measurement only: nothing fitted, nothing written
        return 1;

    // Mini-batches in a fixed shuffled order, drawn again for every epoch.
    std::vector<uint32_t> order(set.positions.size());
    for (uint32_t i = 0; i < order.size(); i++)
        order[i] = i;
    uint64_t random = 0x9E3779B97F4A7C15ULL;
    const uint64_t fitStart = nowMs();
    long step = 0;
    for (int epoch = 1; epoch <= settings.epochs; epoch++) {
        for (size_t i = order.size(); i > 1; i--) {
            random ^= random << 13, random ^= random >> 7, random ^= random << 17;
            std::swap(order[i - 1], order[random % i]);
        }
        for (size_t begin = 0; begin < order.size(); begin += size_t(settings.batchSize)) {
            const size_t end = std::min(order.size(), begin + size_t(settings.batchSize));
            for (size_t n = begin; n < end; n++) {
                const TrainingPosition& p = set.positions[order[n]];
                const double predicted = sigmoid(k, linearEvaluation(set, p, weights));
                // d(miss^2)/d(evaluation), the constant factor 2 k ln10 / 400 left out.
                const double slope = (predicted - target(p, k, lambda)) * predicted * (1.0 - predicted);
                const TrainingTerm* terms = set.terms.data() + p.first;
                for (int i = 0; i < p.count; i++)
                    gradient[terms[i].index] += slope * tapered(terms[i], p.phase);
            }
            step++;
            const double correction1 = 1.0 - std::pow(ADAM_BETA1, double(step));
            const double correction2 = 1.0 - std::pow(ADAM_BETA2, double(step));
            const double scale = 1.0 / double(end - begin);
            for (int i = 0; i < PARAM_COUNT; i++) {
                if (!fitted[i]) {
                    gradient[i] = 0.0;
                    continue;
                }
                const double g = gradient[i] * scale;
                gradient[i] = 0.0;
                m[i] = ADAM_BETA1 * m[i] + (1.0 - ADAM_BETA1) * g;
                v[i] = ADAM_BETA2 * v[i] + (1.0 - ADAM_BETA2) * g * g;
                weights[i] -= settings.learningRate * (m[i] / correction1) / (std::sqrt(v[i] / correction2) + ADAM_EPSILON);
            }
        }
        std::printf("epoch %4d  error %.6f  time %.1f s\n", epoch, trainingError(set, weights, k, lambda),
                    double(nowMs() - fitStart) / 1000.0);
        std::fflush(stdout);
    }

    for (int i = 0; i < PARAM_COUNT; i++) {
        if (!fitted[i])
            continue;
        const double rounded = std::round(std::clamp(weights[i], -32768.0, 32767.0));
        ParamTable[i].playValue = int32_t(rounded);
        ParamTable[i].tunedValue = int32_t(rounded);
        weights[i] = rounded;
    }
    applyParams();
    clearTunerCaches(t);
    std::printf("Final error %.6f (rounded values)\n", trainingError(set, weights, k, lambda));
    return writeTunedValues(settings.folder, fitted) && writeParamsHeader(settings.folder);
}
