#include "core/Backtest.h"
#include "core/FastSearch.h"
#include "core/Hao.h"
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

// The normal quantile of a two-sided 95 % interval.
constexpr double Z95 = 1.959963984540054;

// Everything one tested draw contributes to the result.
struct TDrawTally
{
    TBacktestDraw draw;
    std::map<quint16, TBacktestTally> targets;
    std::map<int, TBacktestTally> steps;
    std::map<quint16, TBacktestTally> consensus;
};

// Counts the forecasts of the patterns a search finds against the actual
// draw, without keeping the patterns.
class TForecastCounter : public TSearchSink
{
public:
    TForecastCounter(const TCodes &draws, int index) : m_draws(draws), m_index(index) {}

    void Progress(qint64) override {}
    void ProgressRepeated(qint64, qint64) override {}

    void Found(std::unique_ptr<TVexelReg> pattern, qint64) override
    {
        const quint16 mask = pattern->TargetMask();
        const qint32 forecast = pattern->Value(0, 0);
        const bool hit = forecast == Actual(mask);
        const TBacktestTally one{1, hit ? 1 : 0};
        m_tally.draw.patterns += 1;
        m_tally.draw.hits += one.hits;
        m_tally.targets[mask].Add(one);
        m_tally.steps[pattern->StepCount()].Add(one);
        if (forecast >= 0 && forecast <= 9)
            ++m_votes[mask][size_t(forecast)];
    }

    // The consensus of each target: the digit most of its patterns forecast,
    // the smaller digit on a tie.
    TDrawTally Finish()
    {
        m_tally.draw.index = m_index;
        for (const auto &[mask, votes] : m_votes) {
            const auto best = std::max_element(votes.begin(), votes.end()); // first of equals
            const bool hit = qint32(best - votes.begin()) == Actual(mask);
            m_tally.consensus[mask] = TBacktestTally{1, hit ? 1 : 0};
            m_tally.draw.consensusTests += 1;
            m_tally.draw.consensusHits += hit ? 1 : 0;
        }
        return std::move(m_tally);
    }

private:
    qint32 Actual(quint16 mask)
    {
        auto it = m_actual.find(mask);
        if (it == m_actual.end())
            it = m_actual.emplace(mask, TargetSum(m_draws, m_index, mask)).first;
        return it->second;
    }

    const TCodes &m_draws;
    const int m_index;
    TDrawTally m_tally;
    std::map<quint16, std::array<qint64, 10>> m_votes;
    std::map<quint16, qint32> m_actual;
};

void AddTallies(std::map<quint16, TBacktestTally> &into, const std::map<quint16, TBacktestTally> &from)
{
    for (const auto &[key, tally] : from)
        into[key].Add(tally);
}

// Hands finished draws from the workers to the calling thread.
class TFinishedDraws
{
public:
    void Push(TDrawTally tally)
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
    std::deque<TDrawTally> Take(int workers, std::chrono::milliseconds wait, bool &ended)
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
    std::deque<TDrawTally> m_done;
    int m_ended = 0;
    std::exception_ptr m_error;
};

} // namespace

TRateInterval HitRateInterval(const std::vector<TBacktestDraw> &draws)
{
    TRateInterval r;
    qint64 patterns = 0, hits = 0;
    for (const TBacktestDraw &d : draws)
        if (d.patterns > 0) {
            ++r.units;
            patterns += d.patterns;
            hits += d.hits;
        }
    if (r.units == 0)
        return r;
    r.rate = double(hits) / double(patterns);
    if (r.units < 2)
        return r;
    double squares = 0;
    for (const TBacktestDraw &d : draws)
        if (d.patterns > 0) {
            const double residual = double(d.hits) - r.rate * double(d.patterns);
            squares += residual * residual;
        }
    const double m = r.units;
    r.standardError = std::sqrt(m / (m - 1) * squares) / double(patterns);
    auto clip = [](double v) { return std::clamp(v, 0.0, 1.0); };
    r.low = clip(r.rate - Z95 * r.standardError);
    r.high = clip(r.rate + Z95 * r.standardError);
    r.chanceLow = clip(ChanceHitRate - Z95 * r.standardError);
    r.chanceHigh = clip(ChanceHitRate + Z95 * r.standardError);
    r.valid = true;
    return r;
}

TBacktestTally TBacktestResult::ConsensusTotal() const
{
    TBacktestTally all;
    for (const auto &[mask, tally] : consensus)
        all.Add(tally);
    return all;
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

    std::vector<TDrawTally> done;
    done.reserve(size_t(total));
    for (bool ended = false; !ended;) {
        std::deque<TDrawTally> batch = finished.Take(workers, std::chrono::milliseconds(10), ended);
        if (stop.load())
            halt.store(true);
        for (TDrawTally &t : batch) {
            done.push_back(std::move(t));
            if (progress)
                progress(done.back().draw, int(done.size()), total);
        }
    }
    if (std::exception_ptr error = finished.Error())
        std::rethrow_exception(error);

    std::sort(done.begin(), done.end(),
              [](const TDrawTally &a, const TDrawTally &b) { return a.draw.index < b.draw.index; });
    for (const TDrawTally &t : done) {
        result.draws.push_back(t.draw);
        result.total.Add(TBacktestTally{t.draw.patterns, t.draw.hits});
        AddTallies(result.targets, t.targets);
        AddTallies(result.consensus, t.consensus);
        for (const auto &[steps, tally] : t.steps)
            result.steps[steps].Add(tally);
    }
    result.complete = int(done.size()) == total;
    return result;
}
