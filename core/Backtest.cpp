#include "core/Backtest.h"
#include "core/FastSearch.h"
#include "core/Hao.h"
#include "core/Probability.h"
#include "core/VexelReg.h"

#include <QThread>
#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

namespace {

// Counts the forecasts of the patterns a search finds against the actual
// draw, without keeping the patterns.
class TForecastCounter : public TSearchSink
{
public:
    TForecastCounter(const TCodes &draws, int index) : m_score(draws, index) {}

    void Progress(qint64) override {}
    void ProgressRepeated(qint64, qint64) override {}
    void Found(std::unique_ptr<TVexelReg> pattern, qint64) override { m_score.Add(*pattern); }
    TBacktestDraw Finish() { return m_score.Finish(); }

private:
    TDrawScore m_score;
};

template <typename Key>
void AddTallies(std::map<Key, TBacktestTally> &into, const std::map<Key, TBacktestTally> &from)
{
    for (const auto &[key, tally] : from)
        into[key].Add(tally);
}

// Hands finished draws from the workers to the calling thread.
class TFinishedDraws
{
public:
    void Push(TBacktestDraw tally)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_done.push_back(std::move(tally));
        }
        m_cv.notify_one();
    }
    void WorkerEnded(std::exception_ptr error)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            ++m_ended;
            if (error && !m_error)
                m_error = error;
        }
        m_cv.notify_one();
    }
    // Waits up to `wait` for finished draws; `ended` tells whether every
    // worker has ended, after which no more come.
    std::deque<TBacktestDraw> Take(int workers, std::chrono::milliseconds wait, bool &ended)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_cv.wait_for(lock, wait, [&] { return !m_done.empty() || m_ended == workers; });
        ended = m_ended == workers && m_done.empty();
        return std::exchange(m_done, {});
    }
    std::exception_ptr Error()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_error;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<TBacktestDraw> m_done;
    int m_ended = 0;
    std::exception_ptr m_error;
};

} // namespace

bool TRateInterval::TooFew() const
{
    return !valid || units < FewRateUnits;
}

TRateInterval RateInterval(const std::vector<TBacktestTally> &units)
{
    TRateInterval r;
    qint64 tests = 0, hits = 0;
    for (const TBacktestTally &u : units)
        if (u.tests > 0) {
            ++r.units;
            tests += u.tests;
            hits += u.hits;
        }
    if (r.units == 0)
        return r;
    r.rate = double(hits) / double(tests);
    if (r.units < 2)
        return r;
    double squares = 0;
    for (const TBacktestTally &u : units)
        if (u.tests > 0) {
            const double residual = double(u.hits) - r.rate * double(u.tests);
            squares += residual * residual;
        }
    const double m = r.units;
    r.standardError = std::sqrt(m / (m - 1) * squares) / double(tests);
    const double t = Probability::StudentTQuantile(0.975, r.units - 1);
    auto clip = [](double v) { return std::clamp(v, 0.0, 1.0); };
    r.low = clip(r.rate - t * r.standardError);
    r.high = clip(r.rate + t * r.standardError);
    r.chanceLow = clip(ChanceHitRate - t * r.standardError);
    r.chanceHigh = clip(ChanceHitRate + t * r.standardError);
    r.valid = true;
    return r;
}

namespace {

template <typename Part>
TRateInterval IntervalOfPart(const std::vector<TBacktestDraw> &draws, Part part)
{
    std::vector<TBacktestTally> units;
    units.reserve(draws.size());
    for (const TBacktestDraw &d : draws)
        units.push_back(part(d));
    return RateInterval(units);
}

template <typename Key>
TBacktestTally TallyOf(const std::map<Key, TBacktestTally> &tallies, Key key)
{
    const auto it = tallies.find(key);
    return it == tallies.end() ? TBacktestTally{} : it->second;
}

} // namespace

TRateInterval HitRateInterval(const std::vector<TBacktestDraw> &draws)
{
    return IntervalOfPart(draws, [](const TBacktestDraw &d) { return TBacktestTally{d.patterns, d.hits}; });
}

TRateInterval TargetRateInterval(const std::vector<TBacktestDraw> &draws, quint16 mask)
{
    return IntervalOfPart(draws, [mask](const TBacktestDraw &d) { return TallyOf(d.targets, mask); });
}

TRateInterval StepsRateInterval(const std::vector<TBacktestDraw> &draws, int steps)
{
    return IntervalOfPart(draws, [steps](const TBacktestDraw &d) { return TallyOf(d.steps, steps); });
}

namespace {

// Consensus tests are independent of one another under a fair draw: each
// faces digits drawn after its forecast was made, and the target sums of
// different targets are independent too. So luck alone gives a binomial
// count of hits, whose 2.5 % and 97.5 % quantiles bound the chance band
// exactly, however few the tests.
TRateInterval WithBinomialBand(TRateInterval r, qint64 tests)
{
    if (r.valid && tests > 0) {
        r.chanceLow = double(Probability::BinomialQuantile(tests, ChanceHitRate, 0.025)) / double(tests);
        r.chanceHigh = double(Probability::BinomialQuantile(tests, ChanceHitRate, 0.975)) / double(tests);
    }
    return r;
}

qint64 TestsOf(const std::vector<TBacktestDraw> &draws, const std::function<TBacktestTally(const TBacktestDraw &)> &part)
{
    qint64 tests = 0;
    for (const TBacktestDraw &d : draws)
        tests += part(d).tests;
    return tests;
}

} // namespace

TRateInterval ConsensusRateInterval(const std::vector<TBacktestDraw> &draws, quint16 mask)
{
    const auto part = [mask](const TBacktestDraw &d) { return TallyOf(d.consensus, mask); };
    return WithBinomialBand(IntervalOfPart(draws, part), TestsOf(draws, part));
}

TRateInterval ConsensusRateInterval(const std::vector<TBacktestDraw> &draws)
{
    const auto part = [](const TBacktestDraw &d) { return TBacktestTally{d.consensusTests, d.consensusHits}; };
    return WithBinomialBand(IntervalOfPart(draws, part), TestsOf(draws, part));
}

TDrawScore::TDrawScore(const TCodes &draws, int index) : m_draws(draws), m_index(index) {}

void TDrawScore::Add(const TVexelReg &pattern)
{
    const quint16 mask = pattern.TargetMask();
    const qint32 forecast = pattern.Value(0, 0);
    const bool hit = forecast == Actual(mask);
    const TBacktestTally one{1, hit ? 1 : 0};
    m_draw.patterns += 1;
    m_draw.hits += one.hits;
    m_draw.targets[mask].Add(one);
    m_draw.steps[pattern.StepCount()].Add(one);
    if (forecast >= 0 && forecast <= 9)
        ++m_votes[mask][size_t(forecast)];
}

TBacktestDraw TDrawScore::Finish()
{
    m_draw.index = m_index;
    for (const auto &[mask, votes] : m_votes) {
        const auto best = std::max_element(votes.begin(), votes.end()); // first of equals
        const bool hit = qint32(best - votes.begin()) == Actual(mask);
        m_draw.consensus[mask] = TBacktestTally{1, hit ? 1 : 0};
        m_draw.consensusTests += 1;
        m_draw.consensusHits += hit ? 1 : 0;
    }
    return std::move(m_draw);
}

qint32 TDrawScore::Actual(quint16 mask)
{
    auto it = m_actual.find(mask);
    if (it == m_actual.end())
        it = m_actual.emplace(mask, TargetSum(m_draws, m_index, mask)).first;
    return it->second;
}

TBacktestTally TBacktestResult::ConsensusTotal() const
{
    TBacktestTally all;
    for (const auto &[mask, tally] : consensus)
        all.Add(tally);
    return all;
}

TBacktestResult ResultOfDraws(std::vector<TBacktestDraw> draws)
{
    TBacktestResult result;
    for (const TBacktestDraw &d : draws) {
        result.total.Add(TBacktestTally{d.patterns, d.hits});
        AddTallies(result.targets, d.targets);
        AddTallies(result.steps, d.steps);
        AddTallies(result.consensus, d.consensus);
    }
    result.draws = std::move(draws);
    return result;
}

TDrawSpan LastDraws(int drawCount, int count)
{
    return TDrawSpan{qMax(0, drawCount - qMax(0, count)), drawCount - 1};
}

qint32 TargetSum(const TCodes &draws, int index, quint16 mask)
{
    qint32 sum = 0;
    for (int p = 0; p <= 4; ++p)
        if (mask & (1u << p))
            sum = (sum + draws.GetNum(p, index) % 10) % 10;
    return sum;
}

QString TargetText(quint16 mask)
{
    TVexelReg pattern;
    pattern.SetTargetMask(mask);
    return pattern.PositionText();
}

std::vector<quint16> ListedTargets(const std::map<quint16, TBacktestTally> &tallies)
{
    std::vector<quint16> order;
    for (qint32 group = 0; group <= 2; ++group)
        for (quint16 mask : TargetMasks(group))
            if (tallies.count(mask))
                order.push_back(mask);
    for (const auto &[mask, tally] : tallies)
        if (std::find(order.begin(), order.end(), mask) == order.end())
            order.push_back(mask);
    return order;
}

TBacktestResult RunBacktest(const TCodes &draws, const TRegOptions &settings, TDrawSpan span,
                            const std::atomic<bool> &stop, const TBacktestProgress &progress,
                            int threads)
{
    span.first = qMax(0, span.first);
    span.last = qMin(span.last, draws.Count() - 1);
    const int total = span.Count();
    TBacktestResult result;
    if (total == 0)
        return result;

    // Side by side, draws keep every core busy even when each search is too
    // small to be split; a lone draw gets the search's own threads instead.
    const int cores = qBound(1, threads > 0 ? threads : QThread::idealThreadCount(), 256);
    const int workers = qMin(cores, total);
    TFastSearchConfig config;
    config.threads = qMax(1, cores / workers);
    config.progressIntervalMs = 0;

    // The searches poll `halt`: the caller's stop, copied over while the
    // calling thread waits, or a failure on any thread.
    std::atomic<bool> halt{stop.load()};
    std::atomic<int> next{0};
    TFinishedDraws finished;
    auto work = [&] {
        std::exception_ptr error;
        try {
            for (;;) {
                const int i = next.fetch_add(1);
                if (i >= total || halt.load() || stop.load())
                    break;
                const int index = span.first + i;
                TCodes before(draws);
                before.SetCount(index);
                TForecastCounter counter(draws, index);
                RunFastSearch(before, settings, counter, halt, config);
                // A stopped search found only part of its patterns.
                if (halt.load())
                    break;
                finished.Push(counter.Finish());
            }
        } catch (...) {
            error = std::current_exception();
            halt.store(true);
        }
        finished.WorkerEnded(error);
    };
    // However this function is left, the workers are halted and joined.
    struct TPool
    {
        std::atomic<bool> &halt;
        std::vector<std::thread> threads;
        ~TPool()
        {
            halt.store(true);
            for (std::thread &t : threads)
                t.join();
        }
    } pool{halt, {}};
    for (int w = 0; w < workers; ++w)
        pool.threads.emplace_back(work);

    std::vector<TBacktestDraw> done;
    done.reserve(size_t(total));
    for (bool ended = false; !ended;) {
        std::deque<TBacktestDraw> batch = finished.Take(workers, std::chrono::milliseconds(10), ended);
        if (stop.load())
            halt.store(true);
        for (TBacktestDraw &t : batch) {
            done.push_back(std::move(t));
            if (progress)
                progress(done.back(), int(done.size()), total);
        }
    }
    if (std::exception_ptr error = finished.Error())
        std::rethrow_exception(error);

    std::sort(done.begin(), done.end(),
              [](const TBacktestDraw &a, const TBacktestDraw &b) { return a.index < b.index; });
    const bool complete = int(done.size()) == total;
    result = ResultOfDraws(std::move(done));
    result.complete = complete;
    return result;
}
