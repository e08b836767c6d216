#include "core/SearchEstimate.h"
#include "core/SearchWorkloads.h"
#include "core/FastSearch.h"
#include "core/FastSearchChoice.h"
#include "core/Probability.h"
#include "core/Hao.h"
#include "core/VexelReg.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QThread>
#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

namespace {

constexpr qint64 Saturated = std::numeric_limits<qint64>::max();

// C(n, k), exact, saturated at Saturated.
qint64 ExactBinomial(qint64 n, qint64 k)
{
    if (k < 0 || k > n)
        return 0;
    k = std::min(k, n - k);
    __int128 r = 1;
    for (qint64 i = 0; i < k; ++i) {
        r = r * (n - i) / (i + 1);
        if (r > Saturated)
            return Saturated;
    }
    return qint64(r);
}

double Binomial(double n, double k)
{
    if (k < 0 || k > n)
        return 0;
    return std::round(std::exp(Probability::LogGamma(n + 1) - Probability::LogGamma(k + 1) - Probability::LogGamma(n - k + 1)));
}

// The chance that a line made only of points on the reference row itself
// (distance 0) holds at a step: such a line reads the very draw whose
// target it is compared with, so it holds when the sum of its columns less
// the target digits is 0 mod 10. Column 0 is the sum of digits 1 to 4.
double SameRowChance(const std::vector<int> &columns, quint16 mask)
{
    int weight[8] = {};
    for (int c : columns) {
        if (c == 0)
            for (int p = 1; p <= 4; ++p)
                ++weight[p];
        else if (c > 0 && c < 8)
            ++weight[c];
    }
    for (int p = 1; p <= 4; ++p)
        if (mask & (1u << p))
            --weight[p];
    // The distribution of the weighted digit sum mod 10, digits uniform.
    double chance[10] = {1};
    for (int p = 1; p < 8; ++p) {
        double next[10] = {};
        for (int v = 0; v < 10; ++v)
            for (int digit = 0; digit < 10; ++digit)
                next[((v + weight[p] * digit) % 10 + 10) % 10] += chance[v] / 10;
        std::copy(next, next + 10, chance);
    }
    return chance[0];
}

// Expected patterns of the k-point lines on the reference row alone.
double SameRowPatterns(const TSearchPlan &plan, int k, double intervals)
{
    std::vector<int> row;
    for (int i = 0; i < plan.candidates.Count(); ++i)
        if (plan.candidates.Get(i).y == 0)
            row.push_back(plan.candidates.Get(i).x);
    double patterns = 0;
    std::vector<int> columns;
    for (quint32 subset = 0; subset < (1u << row.size()); ++subset) {
        if (std::popcount(subset) != k)
            continue;
        columns.clear();
        for (size_t i = 0; i < row.size(); ++i)
            if (subset & (1u << i))
                columns.push_back(row[i]);
        for (quint16 mask : plan.masks)
            patterns += intervals * std::pow(SameRowChance(columns, mask), plan.minSteps - 1);
    }
    return patterns;
}

// The estimate with `engine` where it can run.
TSearchEstimate EstimateFor(const TRegOptions &settings, int drawCount, TSearchEngine engine)
{
    const TSearchPlan plan = MakeSearchPlan(settings, drawCount);
    const qint64 n = plan.candidates.Count();
    TSearchEstimate e;
    e.combinations = SearchCombinations(settings, drawCount);

    // Candidates come in rows of `cols`, one row per distance, nearest first.
    const qint64 first = n > 0 ? -qint64(plan.candidates.Get(0).y) : 0;
    const qint64 last = n > 0 ? -qint64(plan.candidates.Get(int(n - 1)).y) : -1;
    const qint64 cols = n > 0 ? n / (last - first + 1) : 0;
    const double accept = std::pow(0.1, plan.minSteps - 1);
    const double masks = double(plan.masks.size());
    // Intervals whose walk of the least steps stays inside the history for
    // a line whose farthest point lies `far` draws back.
    auto intervals = [&](qint64 far) {
        const qint64 room = qint64(drawCount) - far;
        if (room < 0)
            return 0.0;
        qint64 lastInterval = plan.intervalLast;
        if (plan.minSteps >= 2)
            lastInterval = std::min<qint64>(lastInterval, room / (plan.minSteps - 1));
        return double(std::max<qint64>(0, lastInterval - plan.intervalFirst + 1));
    };

    const FastSearchImpl::TSearchShape shape = FastSearchImpl::ShapeOf(plan, drawCount);
    // The lines of listed candidates; past the point where even their number
    // passes 2^63 the estimate is beyond any meaning.
    qint64 listedLines = 0;
    for (qint64 k = plan.kFirst;; ++k) {
        if (k > n)
            break;
        const qint64 all = ExactBinomial(n, k);
        listedLines = all > Saturated - listedLines ? Saturated : listedLines + all;
        const double linesBefore = e.lines;
        if (k == 0) {
            // The one empty line lies at distance 1000 and reads nothing.
            if (1000 <= plan.maxDistance && intervals(0) > 0) {
                e.lines += 1;
                e.patterns += intervals(0) * masks * accept;
            }
        } else {
            // Lines whose points all lie within m distances from the first on.
            auto within = [&](qint64 m) { return m > 0 ? Binomial(double(m * cols), double(k)) : 0.0; };
            for (qint64 far = first; far <= last; ++far) {
                const double farthest = within(far - first + 1) - within(far - first);
                // Of the lines whose farthest point lies at `far`, those with
                // no point within maxDistance, which the distance rule rejects.
                const qint64 nearLimit = std::max<qint64>(plan.maxDistance, first - 1);
                const double tooFar = far > nearLimit ? within(far - nearLimit) - within(far - nearLimit - 1) : 0.0;
                const double lines = farthest - tooFar;
                // Farther lines fit fewer intervals still.
                const double fit = intervals(far);
                if (fit <= 0)
                    break;
                e.lines += lines;
                if (far == 0 && first == 0)
                    e.patterns += plan.maxDistance >= 0 ? SameRowPatterns(plan, int(k), fit) : 0.0;
                else
                    e.patterns += lines * fit * masks * accept;
            }
        }
        // The meet-in-the-middle search's tables instead of the lines.
        const FastSearchImpl::TPointCountChoice choice =
            FastSearchImpl::ChoosePointCount(shape, int(k), QThread::idealThreadCount(), engine);
        if (choice.meet) {
            e.lines = linesBefore;
            e.meetWork += choice.meetNs;
        }
        if (k >= plan.kLast || listedLines == Saturated || !std::isfinite(e.patterns))
            break;
    }
    return e;
}

} // namespace

TSearchEstimate EstimateSearch(const TRegOptions &settings, int drawCount)
{
    return EstimateFor(settings, drawCount, TSearchEngine::Auto);
}

qint64 SearchCombinations(const TRegOptions &settings, int drawCount)
{
    // Every combination of the candidates, of each point count searched;
    // the first count is always searched, and none beyond the candidates.
    const qint64 n = CandidateCount(settings, drawCount);
    const qint64 kLast = settings.LinedPtMaxSe;
    qint64 combinations = 0;
    for (qint64 k = qMax(0, settings.LinedPtMinSe); k <= n; ++k) {
        const qint64 all = ExactBinomial(n, k);
        combinations = all > Saturated - combinations ? Saturated : combinations + all;
        if (k >= kLast || combinations == Saturated)
            break;
    }
    return combinations;
}

TSearchSpeed MeasureSearchSpeed()
{
    // A history of random digits as long as the sample one.
    QRandomGenerator rng(20201011);
    TCodes draws;
    for (int i = 0; i < 2500; ++i) {
        const int index = draws.Add();
        for (int p = 1; p <= 7; ++p)
            draws.SetNum(p, index, int(rng.bounded(10)));
    }
    struct Discard : TSearchSink
    {
        qint64 found = 0;
        void Progress(qint64) override {}
        void ProgressRepeated(qint64, qint64) override {}
        void Found(std::unique_ptr<TVexelReg>, qint64) override { ++found; }
    };
    // Seconds of one run on one thread.
    auto timed = [&](const TRegOptions &s, qint64 &found, TSearchEngine engine) {
        Discard sink;
        std::atomic<bool> stop{false};
        TFastSearchConfig config;
        config.threads = 1;
        config.progressIntervalMs = 0;
        config.engine = engine;
        QElapsedTimer clock;
        clock.start();
        RunFastSearch(draws, s, sink, stop, config);
        found = sink.found;
        return std::max(1.0, double(clock.nsecsElapsed())) / 1e9;
    };

    TSearchSpeed speed;
    qint64 found = 0;
    // Fifteen million lines that hardly ever pass: the cost of a line.
    const TRegOptions lineBound = WideSearchSettings(5, 12);
    const double lineSeconds = timed(lineBound, found, TSearchEngine::BruteForce);
    speed.linesPerSecond = EstimateFor(lineBound, draws.Count(), TSearchEngine::BruteForce).lines / lineSeconds;
    // Sixty thousand lines of which one in a hundred passes: the cost of a pattern.
    const TRegOptions patternBound = WideSearchSettings(3, 3);
    const double patternSeconds = timed(patternBound, found, TSearchEngine::BruteForce);
    const double lineShare =
        EstimateFor(patternBound, draws.Count(), TSearchEngine::BruteForce).lines / speed.linesPerSecond;
    if (found > 0)
        speed.secondsPerPattern = std::max(0.0, patternSeconds - lineShare) / double(found);
    // The lines of six points of the "deep" search: the meet-in-the-middle
    // search against its cost model.
    TRegOptions meetBound = WideSearchSettings(6, 9);
    meetBound.LinedPtMinSe = 6;
    const double meetSeconds = timed(meetBound, found, TSearchEngine::MeetInMiddle);
    speed.meetWorkPerSecond =
        EstimateFor(meetBound, draws.Count(), TSearchEngine::MeetInMiddle).meetWork / meetSeconds;
    return speed;
}

double EstimateSeconds(const TSearchEstimate &estimate, const TSearchSpeed &speed, int threads)
{
    if (speed.linesPerSecond <= 0)
        return 0;
    // Small searches run on the calling thread alone; the patterns are
    // handed on by one thread whatever the number of workers.
    const int cores = threads > 0 ? threads : QThread::idealThreadCount();
    const double workers = estimate.lines < double(ParallelSearchLines) ? 1.0 : std::max(1.0, 0.95 * cores);
    // The meet-in-the-middle search spreads a point count's units of work
    // over the threads; a short one has a single unit.
    const double meetWorkers = estimate.meetWork < 30e6 ? 1.0 : std::max(1.0, 0.9 * cores);
    const double meet = speed.meetWorkPerSecond > 0 ? estimate.meetWork / (speed.meetWorkPerSecond * meetWorkers) : 0;
    return estimate.lines / (speed.linesPerSecond * workers) + meet + estimate.patterns * speed.secondsPerPattern;
}
