// vexel-bench: times the search engines against each other and against the
// straightforward walk.
//
//   vexel-bench [--max] [--dense] [--deep-reference] [--list [N]] [--list-only [N]] [--coverage [N]]
//               [--sample FILE] [--threads N]
//
// Workloads (the rest of the settings at their start defaults):
//   wide  distances 1..9, sum column and last three digits, 1..4 points,
//         intervals 1..20, nearest point at most 6 back, at least 6 steps,
//         two-position targets
//   deep  wide with up to 6 points and at least 9 steps
//   max   wide with up to 9 points and at least 12 steps
//   dense wide with up to 6 points and at least 3 steps: 205 million
//         patterns on the sample (only with --dense: minutes)
// each on a 2,000-draw history made from a fixed seed and on the bundled
// sample history (dense on the sample only). "engine" is the product's search
// as it runs (each point count by the engine its cost model picks), "brute"
// the brute force alone. Every figure comes from this one run: the reference
// runs on wide, and on deep only with --deep-reference (some seven minutes
// per history); the brute force on one thread on wide and deep, and with
// --max on max on N threads (minutes); the engine with one thread and with N
// (default: every core), its wall time the median of 9 runs on wide, 3 on
// deep, 1 on max. "identical" compares every report (counter, kind and every
// field of every pattern) with the reference where it ran, else with the
// brute force, else one thread with N threads. Then backtests on the sample:
// the last 500 draws with wide, the last 100 with deep, and with --max the
// last 100 with max, on N threads. A last run measures how soon a stop
// request ends a max search during its largest point count, and, in that
// run and in the whole one, the longest wait between progress reports and
// the longest time the counter stood still. Last, how long the statistics window takes to count a million
// patterns. --list runs the big search in the main window until N patterns
// (default 1,000,000) are listed, and measures memory per pattern and the
// list's commands on them (see ListBench.h); --list-only runs that section
// alone, --coverage N the backtest intervals' coverage on N random histories.
#include "core/Backtest.h"
#include "core/BacktestText.h"
#include "tests/support/DrawsOf.h"
#include "core/FastSearch.h"
#include "core/Hao.h"
#include "bench/CoverageBench.h"
#include "bench/ListBench.h"
#include "core/PatternStats.h"
#include "tests/support/ReferenceEngine.h"
#include "core/SearchEngine.h"
#include "core/SearchEstimate.h"
#include "core/SearchWorkloads.h"
#include "core/VexelReg.h"

#include <QApplication>
#include <QDataStream>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QStringList>
#include <QThread>
#include <algorithm>
#include <random>
#include <cstdio>
#include <optional>
#include <sys/resource.h>
#include <thread>

#ifndef SAMPLE_HISTORY_PATH
#define SAMPLE_HISTORY_PATH "data/qxc-history.txt"
#endif

namespace {

constexpr quint32 HistorySeed = 20201011;

TCodes seededHistory(int count)
{
    return randomDraws(count, HistorySeed);
}

// The sample's lines start with the draw's seven digits.
std::optional<TCodes> sampleHistory(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    TCodes draws;
    for (const QByteArray &raw : f.readAll().split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.size() < 7)
            continue;
        const int index = draws.Add();
        for (int p = 1; p <= 7; ++p) {
            const char c = line[p - 1];
            if (c < '0' || c > '9')
                return std::nullopt;
            draws.SetNum(p, index, c - '0');
        }
    }
    return draws;
}

TRegOptions workload(int maxPoints, int minSteps)
{
    return WideSearchSettings(maxPoints, minSteps);
}

// Every report, reduced to what tells two runs apart: the found patterns in
// full, the progress reports (10^8 of them on max) as a count and a sum of
// hashes of their counters and places among the found ones (a sum, so that
// a report repeated is counted at once).
struct Recorder : TSearchSink
{
    qint64 progress = 0;
    quint64 progressHash = 0;
    QList<QPair<qint64, QByteArray>> found;

    static quint64 Mix(quint64 x)
    {
        x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
        x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
        return x ^ (x >> 31);
    }
    void Progress(qint64 c) override { ProgressRepeated(c, 1); }
    void ProgressRepeated(qint64 c, qint64 times) override
    {
        progress += times;
        progressHash += quint64(times) * Mix(quint64(c) ^ (quint64(found.size()) << 40));
    }
    void Found(std::unique_ptr<TVexelReg> p, qint64 c) override
    {
        QByteArray bytes;
        QDataStream s(&bytes, QIODevice::WriteOnly);
        s.setByteOrder(QDataStream::LittleEndian);
        s << p->LineCount();
        p->SaveToStream(s);
        found << qMakePair(c, bytes);
    }
    bool operator==(const Recorder &o) const
    {
        return progress == o.progress && progressHash == o.progressHash && found == o.found;
    }
};

struct Timing
{
    double seconds = 0;
    qint64 combinations = 0;
    Recorder rec;
};

Timing runReference(const TCodes &draws, const TRegOptions &s)
{
    Timing t;
    std::atomic<bool> stop{false};
    QElapsedTimer clock;
    clock.start();
    t.combinations = RunReferenceSearch(draws, s, t.rec, stop);
    t.seconds = double(clock.nsecsElapsed()) / 1e9;
    return t;
}

Timing runFastOnce(const TCodes &draws, const TRegOptions &s, int threads, TSearchEngine engine)
{
    Timing t;
    std::atomic<bool> stop{false};
    TFastSearchConfig config;
    config.threads = threads;
    config.engine = engine;
    config.progressIntervalMs = 0; // only the reports every engine makes
    QElapsedTimer clock;
    clock.start();
    t.combinations = RunFastSearch(draws, s, t.rec, stop, config);
    t.seconds = double(clock.nsecsElapsed()) / 1e9;
    return t;
}

// The median of `runs` runs (this machine is shared, and short runs are
// noisy); the reports are those of the first run, checked equal in all.
Timing runFast(const TCodes &draws, const TRegOptions &s, int threads, int runs,
               TSearchEngine engine = TSearchEngine::Auto)
{
    Timing first = runFastOnce(draws, s, threads, engine);
    std::vector<double> seconds{first.seconds};
    for (int i = 1; i < runs; ++i) {
        const Timing again = runFastOnce(draws, s, threads, engine);
        if (!(again.rec == first.rec))
            first.rec.found.clear(); // shows up as "NO"
        seconds.push_back(again.seconds);
    }
    std::sort(seconds.begin(), seconds.end());
    first.seconds = seconds[seconds.size() / 2];
    return first;
}

void printRow(const char *work, const char *history, const char *engine, int threads, const Timing &t,
              const QString &ratio, const QString &identical)
{
    std::printf("%-5s %-7s %-9s %7d %10.3f %14.4g %9lld %10s  %s\n", work, history, engine, threads,
                t.seconds, double(t.combinations) / std::max(t.seconds, 1e-9),
                (long long)t.rec.found.size(), qPrintable(ratio), qPrintable(identical));
    std::fflush(stdout);
}

struct Work
{
    const char *name;
    TRegOptions settings;
    bool reference;  // the straightforward walk, one thread
    bool brute;      // the brute force, one thread
    bool bruteMany;  // the brute force, N threads (sample only)
    int runs;
};

void benchWorkload(const Work &w, const char *history, const TCodes &draws, int threads)
{
    std::optional<Timing> ref, brute, bruteMany;
    if (w.reference) {
        ref = runReference(draws, w.settings);
        printRow(w.name, history, "reference", 1, *ref, "-", "-");
    }
    if (w.brute) {
        brute = runFast(draws, w.settings, 1, w.runs, TSearchEngine::BruteForce);
        printRow(w.name, history, "brute", 1, *brute, ref ? QString::number(ref->seconds / brute->seconds, 'f', 0) + "x ref" : "-", "-");
    }
    if (w.bruteMany && threads > 1) {
        bruteMany = runFast(draws, w.settings, threads, 1, TSearchEngine::BruteForce);
        printRow(w.name, history, "brute", threads, *bruteMany, "-", "-");
    }
    const Timing one = runFast(draws, w.settings, 1, w.runs);
    const Timing many = threads > 1 ? runFast(draws, w.settings, threads, w.runs) : Timing{};
    // Against the brute force on as many threads.
    auto ratio = [&](const Timing &t, bool manyThreads) {
        const std::optional<Timing> &b = manyThreads ? bruteMany : brute;
        return b ? QString::number(b->seconds / t.seconds, 'f', 1) + "x brute" : QStringLiteral("-");
    };
    const Timing *yardstick = ref ? &*ref : brute ? &*brute : bruteMany ? &*bruteMany : nullptr;
    const char *against = ref ? "reference" : (brute || bruteMany) ? "brute" : "1 thread";
    auto same = [&](const Timing &t) {
        const Timing &y = yardstick ? *yardstick : one;
        const bool ok = t.rec == y.rec && t.combinations == y.combinations;
        return QStringLiteral("%1 (vs %2)").arg(ok ? "yes" : "NO").arg(against);
    };
    printRow(w.name, history, "engine", 1, one, ratio(one, false), yardstick ? same(one) : QStringLiteral("-"));
    if (threads > 1) {
        printRow(w.name, history, "engine", threads, many, ratio(many, true), same(many));
        std::printf("%-5s %-7s engine, %d threads vs 1: %.2f times as fast\n", w.name, history, threads,
                    one.seconds / many.seconds);
    }
}

// The densest search the dialog allows, its hundreds of millions of
// patterns counted and hashed rather than kept: the engine against the brute
// force on N threads.
void benchDense(const TCodes &draws, int threads)
{
    struct Digest : TSearchSink
    {
        qint64 found = 0;
        quint64 hash = 0;
        void Progress(qint64 c) override { ProgressRepeated(c, 1); }
        void ProgressRepeated(qint64 c, qint64 times) override { hash += quint64(times) * Recorder::Mix(quint64(c)); }
        void Found(std::unique_ptr<TVexelReg> p, qint64 c) override
        {
            ++found;
            hash += Recorder::Mix(quint64(c) ^ (quint64(p->Interval()) << 40) ^ (quint64(p->TargetMask()) << 48)
                                  ^ (quint64(p->StepCount()) << 56) ^ (quint64(found) << 20));
        }
    };
    auto run = [&](TSearchEngine engine, Digest &sink) {
        std::atomic<bool> stop{false};
        TFastSearchConfig config;
        config.threads = threads;
        config.engine = engine;
        config.progressIntervalMs = 0;
        QElapsedTimer clock;
        clock.start();
        RunFastSearch(draws, WideSearchSettings(6, 3), sink, stop, config);
        return double(clock.nsecsElapsed()) / 1e9;
    };
    Digest brute, engine;
    const double bruteSeconds = run(TSearchEngine::BruteForce, brute);
    const double engineSeconds = run(TSearchEngine::Auto, engine);
    std::printf("dense sample  %lld patterns, %d threads: brute %.1f s, engine %.1f s (%.2fx); identical %s\n",
                (long long)engine.found, threads, bruteSeconds, engineSeconds, bruteSeconds / engineSeconds,
                brute.found == engine.found && brute.hash == engine.hash ? "yes" : "NO");
    std::fflush(stdout);
}

// Runs max to its end, then again stopped halfway through the time its
// largest point count took; reports how long the stopped run took to return,
// the longest gap between progress reports and the longest time the
// counter stood still before the stop.
void benchStop(const TCodes &draws, int threads)
{
    struct Watch : TSearchSink
    {
        QElapsedTimer clock;
        qint64 last = 0, longest = 0, reports = 0;
        qint64 counter = -1, since = 0, stillest = 0, stillFrom = 0;
        std::atomic<qint64> *stopAt = nullptr;
        std::atomic<bool> *stop = nullptr;
        void ProgressRepeated(qint64 c, qint64 times) override
        {
            Progress(c);
            reports += times - 1;
        }
        void Progress(qint64 c) override
        {
            const qint64 now = clock.nsecsElapsed();
            longest = std::max(longest, now - last);
            last = now;
            ++reports;
            if (c != counter) {
                if (now - since > stillest)
                    stillFrom = counter;
                stillest = std::max(stillest, now - since);
                counter = c;
                since = now;
            }
            if (stopAt && stopAt->load() > 0 && now >= stopAt->load() && !stop->load())
                stop->store(true);
        }
        void Found(std::unique_ptr<TVexelReg>, qint64) override {}
    };
    const TRegOptions s = workload(9, 12);
    TFastSearchConfig config;
    config.threads = threads;
    // The whole run, timing the start of its last point count: the first
    // progress report at the combinations of 1 to 8 points.
    TRegOptions upTo8 = s;
    upTo8.LinedPtMaxSe = 8;
    const qint64 before9 = EstimateSearch(upTo8, draws.Count()).combinations;
    struct KWatch : Watch
    {
        qint64 kStartCounter = 0, kStartAt = -1;
        void Progress(qint64 c) override
        {
            if (c == kStartCounter && kStartAt < 0)
                kStartAt = clock.nsecsElapsed();
            Watch::Progress(c);
        }
    } whole;
    whole.kStartCounter = before9;
    std::atomic<bool> never{false};
    whole.clock.start();
    RunFastSearch(draws, s, whole, never, config);
    const qint64 wholeNs = whole.clock.nsecsElapsed();
    const qint64 nineStart = std::max<qint64>(0, whole.kStartAt);

    Watch watch;
    std::atomic<bool> stop{false};
    std::atomic<qint64> stopAt{nineStart + (wholeNs - nineStart) / 2};
    watch.stopAt = &stopAt;
    watch.stop = &stop;
    std::atomic<qint64> stoppedAt{0};
    std::atomic<bool> done{false};
    watch.clock.start();
    // The stop comes from the clock, whether or not a report is due.
    std::thread stopper([&] {
        while (!done.load() && watch.clock.nsecsElapsed() < stopAt.load())
            QThread::usleep(200);
        stoppedAt.store(watch.clock.nsecsElapsed());
        stop.store(true);
    });
    const qint64 combinations = RunFastSearch(draws, s, watch, stop, config);
    const qint64 returnedAt = watch.clock.nsecsElapsed();
    done.store(true);
    stopper.join();
    std::printf("stop  seeded  max, %d threads: whole run %.2f s, its 9 points from %.2f s; stopped at %.2f s "
                "(%lld combinations): returned %.1f ms after the request; %lld progress reports, longest gap "
                "%.1f ms, counter still for at most %.1f ms\n",
                threads, double(wholeNs) / 1e9, double(nineStart) / 1e9, double(stoppedAt.load()) / 1e9,
                (long long)combinations, double(returnedAt - stoppedAt.load()) / 1e6, (long long)watch.reports,
                double(watch.longest) / 1e6, double(watch.stillest) / 1e6);
    std::printf("stop  seeded  max, the whole run: longest gap %.1f ms, counter still for at most %.1f ms "
                "(from %lld combinations; the 9 points start after %lld)\n",
                double(whole.longest) / 1e6, double(whole.stillest) / 1e6, (long long)whole.stillFrom,
                (long long)before9);
}

// User and system time of the whole process so far (on a shared machine the
// wall time alone does not tell how much work a run took).
double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A backtest of the last `count` draws of the sample: wall time against its
// limit, and what the forecasts scored.
void benchBacktest(const char *work, const TCodes &draws, const TRegOptions &s, int count, int threads,
                   double limitSeconds)
{
    std::atomic<bool> stop{false};
    QElapsedTimer clock;
    const double cpuBefore = cpuSeconds();
    clock.start();
    const TBacktestResult r = RunBacktest(draws, s, LastDraws(draws.Count(), count), stop, {}, threads);
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    const double cpu = cpuSeconds() - cpuBefore;
    const TRateInterval interval = r.Interval();
    std::printf("%-5s sample  last %d draws, %d threads: %.2f s, %.2f s of processor time (limit %.0f s: %s); "
                "%lld patterns, hit rate %s "
                "(95%% interval %s to %s, chance alone %s to %s); consensus %lld tests, hit rate %s\n",
                work, count, threads, seconds, cpu, limitSeconds, seconds < limitSeconds ? "within" : "OVER",
                (long long)r.total.tests, qPrintable(PercentText(r.total.Rate())),
                qPrintable(PercentText(interval.low)), qPrintable(PercentText(interval.high)),
                qPrintable(PercentText(interval.chanceLow)), qPrintable(PercentText(interval.chanceHigh)),
                (long long)r.ConsensusTotal().tests, qPrintable(PercentText(r.ConsensusTotal().Rate())));
    std::fflush(stdout);
}

// The statistics window counts the patterns each time the list changes:
// a million patterns (copies of those wide finds on the sample history),
// in shuffled order as a sorted list or a selection hands them over.
void benchStatistics(const TCodes &draws, int threads)
{
    struct Keep : TSearchSink
    {
        std::vector<std::unique_ptr<TVexelReg>> found;
        void Progress(qint64) override {}
        void Found(std::unique_ptr<TVexelReg> p, qint64) override { found.push_back(std::move(p)); }
    } keep;
    std::atomic<bool> stop{false};
    TFastSearchConfig config;
    config.threads = threads;
    RunFastSearch(draws, workload(4, 6), keep, stop, config);
    if (keep.found.empty())
        return;
    constexpr size_t Count = 1000000;
    std::vector<std::unique_ptr<TVexelReg>> pool;
    pool.reserve(Count);
    for (size_t i = 0; i < Count; ++i)
        pool.push_back(std::make_unique<TVexelReg>(*keep.found[i % keep.found.size()]));
    std::vector<const TVexelReg *> order;
    for (const auto &p : pool)
        order.push_back(p.get());
    std::shuffle(order.begin(), order.end(), std::mt19937(HistorySeed));
    std::vector<double> ms;
    for (int run = 0; run < 9; ++run) {
        QElapsedTimer clock;
        clock.start();
        const TPatternStats stats = CountPatterns(order);
        ms.push_back(double(clock.nsecsElapsed()) / 1e6);
        if (stats.patterns != qint64(Count))
            ms.back() = 1e9;
    }
    std::sort(ms.begin(), ms.end());
    std::printf("statistics: counting %zu patterns by target and forecast: %.1f ms (median of 9; limit 100 ms: %s)\n",
                Count, ms[ms.size() / 2], ms[ms.size() / 2] < 100 ? "within" : "OVER");
}

QString cpuName()
{
    QFile f(QStringLiteral("/proc/cpuinfo"));
    if (f.open(QIODevice::ReadOnly))
        for (const QByteArray &line : f.readAll().split('\n'))
            if (line.startsWith("model name"))
                return QString::fromLatin1(line.mid(line.indexOf(':') + 1).trimmed());
    return QStringLiteral("unknown processor");
}

} // namespace

int main(int argc, char *argv[])
{
    // The list section shows the real window, off screen unless told otherwise.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bool withMax = false;
    bool withDense = false;
    int listTarget = 0;
    bool deepReference = false;
    bool listOnly = false;
    int coverageHistories = 0;
    QString samplePath = QStringLiteral(SAMPLE_HISTORY_PATH);
    int threads = QThread::idealThreadCount();
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        bool ok = true;
        if (args[i] == QLatin1String("--max"))
            withMax = true;
        else if (args[i] == QLatin1String("--dense"))
            withDense = true;
        else if (args[i] == QLatin1String("--deep-reference"))
            deepReference = true;
        else if (args[i] == QLatin1String("--list") || args[i] == QLatin1String("--list-only")) {
            listOnly = args[i] == QLatin1String("--list-only");
            listTarget = 1000000;
            if (i + 1 < args.size() && !args[i + 1].startsWith(QLatin1Char('-')))
                listTarget = args[++i].toInt(&ok);
            ok = ok && listTarget > 0;
        } else if (args[i] == QLatin1String("--coverage")) {
            coverageHistories = 1000;
            if (i + 1 < args.size() && !args[i + 1].startsWith(QLatin1Char('-')))
                coverageHistories = args[++i].toInt(&ok);
            ok = ok && coverageHistories > 0;
        } else if (args[i] == QLatin1String("--sample") && i + 1 < args.size())
            samplePath = args[++i];
        else if (args[i] == QLatin1String("--threads") && i + 1 < args.size())
            threads = args[++i].toInt(&ok);
        else
            ok = false;
        if (!ok || threads < 1) {
            std::fputs("usage: vexel-bench [--max] [--dense] [--deep-reference] [--list [N]] [--list-only [N]] "
                       "[--coverage [N]] [--sample FILE] [--threads N]\n",
                       stderr);
            return 2;
        }
    }

    if (coverageHistories > 0) {
        BenchCoverage(coverageHistories, threads);
        return 0;
    }
    if (listOnly) {
        BenchList(samplePath, listTarget);
        return 0;
    }
    const TCodes seeded = seededHistory(2000);
    const std::optional<TCodes> sample = sampleHistory(samplePath);
    if (!sample) {
        std::fprintf(stderr, "vexel-bench: cannot read the sample history \"%s\"\n", qPrintable(samplePath));
        return 1;
    }
    std::printf("%s, %d cores; kernel %s; histories: seeded %d draws (seed %u), sample %d draws\n\n",
                qPrintable(cpuName()), QThread::idealThreadCount(),
                SearchIsaName(SupportedSearchIsas().back()), seeded.Count(), HistorySeed, sample->Count());
    std::printf("%-5s %-7s %-9s %7s %10s %14s %9s %10s  %s\n", "work", "history", "engine", "threads",
                "wall s", "combinations/s", "patterns", "vs ref", "identical");

    const std::vector<Work> works{{"wide", workload(4, 6), true, true, false, 9},
                                  {"deep", workload(6, 9), deepReference, true, false, 3},
                                  {"max", workload(9, 12), false, false, withMax, 1}};
    for (const Work &w : works) {
        Work seededWork = w;
        seededWork.bruteMany = false; // minutes; the sample has it
        benchWorkload(seededWork, "seeded", seeded, threads);
        benchWorkload(w, "sample", *sample, threads);
    }
    rusage afterMax{};
    getrusage(RUSAGE_SELF, &afterMax);
    std::printf("peak resident memory after the workloads %.1f MB\n", double(afterMax.ru_maxrss) / 1024.0);
    if (withDense)
        benchDense(*sample, threads);
    std::printf("\nbacktest\n");
    benchBacktest("wide", *sample, workload(4, 6), 500, threads, 10);
    benchBacktest("deep", *sample, workload(6, 9), 100, threads, 3);
    if (withMax)
        benchBacktest("max", *sample, workload(9, 12), 100, threads, 300);
    std::printf("\n");
    benchStop(seeded, threads);
    if (listTarget > 0)
        BenchList(samplePath, listTarget);

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak resident memory %.1f MB\n", double(usage.ru_maxrss) / 1024.0);
    // After the memory figure: the million patterns take some 300 MB.
    benchStatistics(*sample, threads);
    return 0;
}
