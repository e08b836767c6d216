#include "bench/CoverageBench.h"

#include "core/Backtest.h"
#include "core/Hao.h"
#include "core/SearchWorkloads.h"
#include "tests/support/DrawsOf.h"

#include <QElapsedTimer>
#include <algorithm>
#include <atomic>
#include <cstdio>

namespace {

// Finds a few dozen patterns per draw on random digits in milliseconds.
TRegOptions CoverageSettings()
{
    TRegOptions s = WideSearchSettings(3, 4);
    s.LinedDistMaxSe = 6;
    s.InterMaxSe = 10;
    return s;
}

struct TCoverage
{
    int runs = 0;      // histories with an interval (two draws with patterns or more)
    int covered = 0;   // of those, t intervals containing 10 %
    int normal = 0;    // normal-quantile intervals containing 10 %
    int consensus = 0; // consensus rates within their chance band
    int consensusRuns = 0;
    qint64 patterns = 0;
    qint64 draws = 0;
};

} // namespace

void BenchCoverage(int histories, int threads)
{
    std::printf("coverage of the 95 %% interval on %d random histories each "
                "(every forecast comes true with probability 10 %%)\n", histories);
    std::printf("%7s %8s %14s %12s %14s %16s %8s\n", "draws", "runs", "patterns/draw", "t interval", "normal 1.96",
                "consensus band", "wall s");
    const TRegOptions settings = CoverageSettings();
    for (const int tested : {5, 20, 100}) {
        TCoverage c;
        QElapsedTimer clock;
        clock.start();
        for (int h = 0; h < histories; ++h) {
            const TCodes draws = randomDraws(200 + tested, quint32(7919 * tested + h));
            std::atomic<bool> stop{false};
            const TBacktestResult r = RunBacktest(draws, settings, LastDraws(draws.Count(), tested), stop, {}, threads);
            c.patterns += r.total.tests;
            c.draws += qint64(r.draws.size());
            const TRateInterval i = r.Interval();
            if (i.valid) {
                ++c.runs;
                c.covered += i.low <= ChanceHitRate && ChanceHitRate <= i.high;
                const double z = 1.959963984540054 * i.standardError;
                c.normal += i.rate - z <= ChanceHitRate && ChanceHitRate <= i.rate + z;
            }
            const TRateInterval agreed = ConsensusRateInterval(r.draws);
            if (agreed.valid) {
                ++c.consensusRuns;
                c.consensus += agreed.ChanceLike();
            }
        }
        auto share = [](int part, int whole) { return whole > 0 ? 100.0 * part / whole : 0.0; };
        std::printf("%7d %8d %14.1f %11.1f%% %13.1f%% %15.1f%% %8.1f\n", tested, c.runs,
                    c.draws > 0 ? double(c.patterns) / double(c.draws) : 0.0, share(c.covered, c.runs),
                    share(c.normal, c.runs), share(c.consensus, c.consensusRuns), clock.elapsed() / 1000.0);
    }
}
