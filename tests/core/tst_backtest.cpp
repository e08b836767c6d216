// The backtest: its counts against a plain loop over the reference engine,
// hand-checked histories, the interval, stopping and the background run.
#include "core/Backtest.h"
#include "core/BacktestThread.h"
#include "tests/support/DrawsOf.h"
#include "core/Hao.h"
#include "tests/support/ReferenceEngine.h"
#include "core/VexelReg.h"

#include <QtTest>
#include <array>
#include <optional>

namespace {

// The backtest the slow way: the reference search on each history prefix,
// every forecast compared with the digits of the next draw.
TBacktestResult referenceBacktest(const TCodes &draws, const TRegOptions &s, TDrawSpan span)
{
    struct Collect : TSearchSink
    {
        std::vector<std::unique_ptr<TVexelReg>> found;
        void Progress(qint64) override {}
        void Found(std::unique_ptr<TVexelReg> p, qint64) override { found.push_back(std::move(p)); }
    };
    TBacktestResult r;
    for (int t = span.first; t <= span.last; ++t) {
        TCodes before;
        for (int i = 0; i < t; ++i)
            before.SetCode(before.Add(), draws.GetCode(i));
        Collect c;
        std::atomic<bool> stop{false};
        RunReferenceSearch(before, s, c, stop);
        TBacktestDraw d;
        d.index = t;
        std::map<quint16, std::array<int, 10>> votes;
        for (const auto &p : c.found) {
            const quint16 mask = p->TargetMask();
            int actual = 0;
            for (int pos = 1; pos <= 4; ++pos)
                if (mask & (1 << pos))
                    actual += draws.GetNum(pos, t);
            const bool hit = p->Value(0, 0) == actual % 10;
            ++d.patterns;
            d.hits += hit;
            r.targets[mask].Add({1, hit});
            r.steps[p->StepCount()].Add({1, hit});
            d.targets[mask].Add({1, hit});
            d.steps[p->StepCount()].Add({1, hit});
            votes[mask][size_t(p->Value(0, 0))] += 1;
        }
        for (const auto &[mask, v] : votes) {
            int best = 0;
            for (int digit = 1; digit < 10; ++digit)
                if (v[size_t(digit)] > v[size_t(best)])
                    best = digit;
            int actual = 0;
            for (int pos = 1; pos <= 4; ++pos)
                if (mask & (1 << pos))
                    actual += draws.GetNum(pos, t);
            const bool hit = best == actual % 10;
            r.consensus[mask].Add({1, hit});
            d.consensus[mask] = {1, hit};
            ++d.consensusTests;
            d.consensusHits += hit;
        }
        r.total.Add({d.patterns, d.hits});
        r.draws.push_back(d);
    }
    return r;
}

TRegOptions settingsOf(int distMin, int distMax, int ptMax, int interMax, int target, int minSteps,
                       bool sum = false, bool tail = true)
{
    TRegOptions s;
    s.LinedDistMinSe = distMin;
    s.LinedDistMaxSe = distMax;
    s.LinedPtMinSe = 1;
    s.LinedPtMaxSe = ptMax;
    s.InterMinSe = 1;
    s.InterMaxSe = interMax;
    s.FallTargetGbx = target;
    s.SecCountSe = minSteps;
    s.MaxYOfSecSe = distMin;
    s.RefSumChk = sum;
    s.RefTailChk = tail;
    return s;
}

TBacktestResult run(const TCodes &draws, const TRegOptions &s, TDrawSpan span, int threads)
{
    std::atomic<bool> stop{false};
    return RunBacktest(draws, s, span, stop, {}, threads);
}

} // namespace

Q_DECLARE_METATYPE(TCodes)
Q_DECLARE_METATYPE(TRegOptions)

class TestBacktest : public QObject
{
    Q_OBJECT

private slots:
    void matchesReferenceLoop_data();
    void matchesReferenceLoop();
    void interval_data();
    void interval();
    void partIntervals();
    void stopKeepsOnlyFinishedDraws();
    void backgroundRun();
};

void TestBacktest::matchesReferenceLoop_data()
{
    QTest::addColumn<TCodes>("draws");
    QTest::addColumn<TRegOptions>("settings");
    QTest::addColumn<int>("last");
    QTest::addColumn<int>("threads");
    QTest::addColumn<QList<qint64>>("handChecked"); // patterns, hits, consensus tests, consensus hits

    // Column A of the draw before always equals the four-digit sum, until
    // the last draw breaks it: the pattern forecasts 1 for draw 6 and misses.
    // Had draw 6 itself been searched, the pattern would not exist.
    const TCodes brokenChain = drawsOf({"1000000", "1000000", "1000000", "1000000", "1000000", "1000000",
                                        "2000000"});
    QTest::newRow("no look ahead") << brokenChain << settingsOf(1, 1, 1, 1, 2, 2, false, false) << 2 << 2
                                   << QList<qint64>{2, 1, 2, 1};
    // Columns A and B both follow the chain and forecast 1 and 2 for a draw
    // whose sum is 1: one hit, and the tie goes to the smaller digit, a hit.
    const TCodes tie = drawsOf({"3370000", "3370000", "3370000", "3370000", "1200000", "1000000"});
    QTest::newRow("consensus tie") << tie << settingsOf(1, 1, 1, 1, 2, 2, false, false) << 1 << 1
                                   << QList<qint64>{2, 1, 1, 1};
    QTest::newRow("from the first draw") << randomDraws(12, 7) << settingsOf(1, 2, 2, 3, 0, 2) << 12 << 3
                                         << QList<qint64>{};
    QTest::newRow("two-position") << randomDraws(150, 11) << settingsOf(1, 3, 3, 6, 0, 4, true) << 25 << 2
                                  << QList<qint64>{};
    QTest::newRow("three-position, one thread") << randomDraws(120, 5) << settingsOf(1, 2, 3, 8, 1, 3) << 20
                                                << 1 << QList<qint64>{};
    QTest::newRow("four-position") << randomDraws(90, 3) << settingsOf(1, 2, 2, 10, 2, 3, true) << 30 << 4
                                   << QList<qint64>{};
}

void TestBacktest::matchesReferenceLoop()
{
    QFETCH(TCodes, draws);
    QFETCH(TRegOptions, settings);
    QFETCH(int, last);
    QFETCH(int, threads);
    QFETCH(QList<qint64>, handChecked);
    const TDrawSpan span = LastDraws(draws.Count(), last);
    const TBacktestResult expected = referenceBacktest(draws, settings, span);
    const TBacktestResult got = run(draws, settings, span, threads);

    QVERIFY(got.complete);
    QVERIFY(got.draws == expected.draws);
    QCOMPARE(got.total, expected.total);
    QVERIFY(got.targets == expected.targets);
    QVERIFY(got.steps == expected.steps);
    QVERIFY(got.consensus == expected.consensus);
    if (!handChecked.isEmpty()) {
        QCOMPARE(got.total, (TBacktestTally{handChecked[0], handChecked[1]}));
        QCOMPARE(got.ConsensusTotal(), (TBacktestTally{handChecked[2], handChecked[3]}));
    } else {
        QVERIFY2(got.total.tests > 0, "a case without patterns tests nothing");
    }
}

void TestBacktest::interval_data()
{
    QTest::addColumn<QList<int>>("patterns");
    QTest::addColumn<QList<int>>("hits");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QList<double>>("expected"); // rate, low, high, chance low, chance high

    // R = 6/40; residuals 0.5, -1.5, 1; se = sqrt(3/2 * 3.5) / 40 = 0.0572822,
    // times t(0.975, 2 degrees) = 4.3026527 (not the normal 1.96: three
    // draws say little). A draw without patterns is no unit.
    QTest::newRow("three draws") << QList<int>{10, 10, 0, 20} << QList<int>{2, 0, 0, 4} << true
                                 << QList<double>{0.15, 0.0, 0.3964654, 0.0, 0.3464654};
    // Every draw hits 9 of 10: se 0, and the rate lies outside the chance band.
    QTest::newRow("no spread") << QList<int>{10, 10} << QList<int>{9, 9} << true
                               << QList<double>{0.9, 0.9, 0.9, 0.1, 0.1};
    QTest::newRow("one draw") << QList<int>{0, 50} << QList<int>{0, 5} << false
                              << QList<double>{0.1, 0, 0, 0, 0};
}

void TestBacktest::interval()
{
    QFETCH(QList<int>, patterns);
    QFETCH(QList<int>, hits);
    QFETCH(bool, valid);
    QFETCH(QList<double>, expected);
    std::vector<TBacktestDraw> draws;
    for (int i = 0; i < patterns.size(); ++i) {
        draws.emplace_back();
        draws.back().index = i;
        draws.back().patterns = patterns[i];
        draws.back().hits = hits[i];
    }
    const TRateInterval r = HitRateInterval(draws);
    QCOMPARE(r.valid, valid);
    const QList<double> got{r.rate, r.low, r.high, r.chanceLow, r.chanceHigh};
    for (int i = 0; i < got.size(); ++i)
        QVERIFY2(qAbs(got[i] - expected[i]) < 1e-6, qPrintable(QString("value %1: %2").arg(i).arg(got[i])));
}

void TestBacktest::partIntervals()
{
    // Draws 0 to 29 each test target AB (10 patterns, one consensus test);
    // only draws 0 to 2 have patterns of 9 steps. A part's units are the
    // draws where it was tested, and consensus tests get the binomial band.
    std::vector<TBacktestDraw> draws(30);
    for (int i = 0; i < 30; ++i) {
        TBacktestDraw &d = draws[size_t(i)];
        d.index = i;
        d.targets[6] = TBacktestTally{10, i % 10 == 0 ? 3 : 1};
        d.steps[6] = TBacktestTally{i < 3 ? 8 : 10, 1};
        if (i < 3)
            d.steps[9] = TBacktestTally{2, i % 10 == 0 ? 2 : 0};
        d.consensus[6] = TBacktestTally{1, i % 10 == 0 ? 1 : 0};
        d.patterns = 10;
        d.hits = d.targets[6].hits;
        d.consensusTests = 1;
        d.consensusHits = int(d.consensus[6].hits);
    }
    QCOMPARE(TargetRateInterval(draws, 6).units, 30);
    QCOMPARE(TargetRateInterval(draws, 10).units, 0);
    const TRateInterval nine = StepsRateInterval(draws, 9);
    QCOMPARE(nine.units, 3);
    QVERIFY(nine.TooFew());
    QCOMPARE(nine.rate, 2.0 / 6.0);
    const TRateInterval consensus = ConsensusRateInterval(draws, 6);
    QCOMPARE(consensus.rate, 0.1);
    QCOMPARE(consensus.chanceLow, 0.0);
    QCOMPARE(consensus.chanceHigh, 7.0 / 30.0);
    QCOMPARE(ConsensusRateInterval(draws).chanceHigh, consensus.chanceHigh);
    QVERIFY(!consensus.TooFew());
}

void TestBacktest::stopKeepsOnlyFinishedDraws()
{
    // Some 15 ms a draw: the stop comes long before the last one is done.
    const TCodes draws = randomDraws(400, 17);
    const TRegOptions s = settingsOf(1, 7, 4, 16, 0, 4, true);
    const TDrawSpan span = LastDraws(draws.Count(), 40);
    std::atomic<bool> stop{false};
    int reports = 0;
    const TBacktestResult part = RunBacktest(draws, s, span, stop, [&](const TBacktestDraw &, int, int) {
        ++reports;
        stop.store(true);
    }, 2);
    QVERIFY(!part.complete);
    QVERIFY(!part.draws.empty() && int(part.draws.size()) < span.Count());
    QCOMPARE(int(part.draws.size()), reports);
    // Each draw kept was searched to its end.
    for (const TBacktestDraw &d : part.draws)
        QCOMPARE(d, run(draws, s, TDrawSpan{d.index, d.index}, 1).draws.at(0));

    const TBacktestResult none = RunBacktest(draws, s, span, stop);
    QVERIFY(!none.complete && none.draws.empty());
}

void TestBacktest::backgroundRun()
{
    const TCodes draws = randomDraws(200, 23);
    const TRegOptions s = settingsOf(1, 3, 3, 6, 0, 4);
    const TDrawSpan span = LastDraws(draws.Count(), 12);
    TBacktestThread thread(draws, s, span);
    // A receiver on this thread, as a window would be: every report must
    // arrive here, not on the worker.
    QObject receiver;
    int tested = 0, lastDone = 0;
    bool onReceiverThread = true;
    std::optional<TBacktestResult> result;
    connect(&thread, &TBacktestThread::drawTested, &receiver, [&](const TBacktestDraw &, int done, int) {
        onReceiverThread &= QThread::currentThread() == receiver.thread();
        ++tested;
        lastDone = done;
    });
    connect(&thread, &TBacktestThread::backtestFinished, &receiver, [&](const TBacktestResult &r, bool failed) {
        onReceiverThread &= QThread::currentThread() == receiver.thread() && !failed;
        result = r;
    });
    thread.start();
    QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), 60000);
    QVERIFY(onReceiverThread);
    QCOMPARE(tested, 12);
    QCOMPARE(lastDone, 12);
    QVERIFY(result->complete);
    QVERIFY(result->draws == run(draws, s, span, 0).draws);

    // Destroyed while it runs: it stops, waits and reports to no one.
    auto early = std::make_unique<TBacktestThread>(draws, s, LastDraws(draws.Count(), 150));
    connect(early.get(), &TBacktestThread::backtestFinished, &receiver, [&] { QFAIL("reported after its end"); });
    early->start();
    early.reset();
    QTest::qWait(50);
}

QTEST_GUILESS_MAIN(TestBacktest)
#include "tst_backtest.moc"
