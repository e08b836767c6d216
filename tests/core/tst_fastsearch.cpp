// The search engines against the straightforward walk: every report, its
// counter and every field of every pattern found, over seeded random
// histories and settings (hand-edited oddities included), by the brute
// force, by the meet-in-the-middle search and as the cost model mixes them,
// on every instruction set this processor has, with one thread and with
// several.
#include "core/FastSearch.h"
#include "core/FastSearchChoice.h"
#include "core/Hao.h"
#include "tests/support/ReferenceEngine.h"
#include "core/SearchEngine.h"
#include "core/VexelReg.h"

#include <QBuffer>
#include <QDataStream>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QtTest>
#include <thread>

namespace {

struct Event
{
    int kind; // 0 progress, 1 found
    qint64 counter;
    QByteArray pattern; // line count, then the pattern's stream form

    bool operator==(const Event &) const = default;
};

QByteArray serialize(const TVexelReg &p)
{
    QByteArray bytes;
    QDataStream s(&bytes, QIODevice::WriteOnly);
    s.setByteOrder(QDataStream::LittleEndian);
    s << p.LineCount();
    p.SaveToStream(s);
    return bytes;
}

struct Recorder : TSearchSink
{
    QList<Event> events;
    int found = 0;
    int stopAfterFound = -1;
    qint64 stopAtProgress = -1;
    std::atomic<bool> *stop = nullptr;

    void Progress(qint64 c) override
    {
        events << Event{0, c, {}};
        if (c == stopAtProgress && stop)
            stop->store(true);
    }
    void Found(std::unique_ptr<TVexelReg> p, qint64 c) override
    {
        events << Event{1, c, serialize(*p)};
        if (++found == stopAfterFound && stop)
            stop->store(true);
    }
};

struct Outcome
{
    QList<Event> events;
    qint64 result = 0;
};

Outcome reference(const TCodes &draws, const TRegOptions &s)
{
    Recorder rec;
    std::atomic<bool> stop{false};
    const qint64 r = RunReferenceSearch(draws, s, rec, stop);
    return {rec.events, r};
}

Outcome fast(const TCodes &draws, const TRegOptions &s, const TFastSearchConfig &config)
{
    Recorder rec;
    std::atomic<bool> stop{false};
    const qint64 r = RunFastSearch(draws, s, rec, stop, config);
    return {rec.events, r};
}

QString describe(const TRegOptions &s, int drawCount)
{
    return QStringLiteral("N=%1 dist %2..%3 sum %4 tail %5 pts %6..%7 inter %8..%9 maxY %10 steps %11 target %12")
        .arg(drawCount).arg(s.LinedDistMinSe).arg(s.LinedDistMaxSe).arg(s.RefSumChk).arg(s.RefTailChk)
        .arg(s.LinedPtMinSe).arg(s.LinedPtMaxSe).arg(s.InterMinSe).arg(s.InterMaxSe)
        .arg(s.MaxYOfSecSe).arg(s.SecCountSe).arg(s.FallTargetGbx);
}

QString describe(const TFastSearchConfig &c)
{
    return QStringLiteral("engine %1 isa %2 threads %3 units %4 classes %5 match limit %6")
        .arg(int(c.engine)).arg(SearchIsaName(c.isa)).arg(c.threads).arg(c.meetRanges)
        .arg(c.meetClasses).arg(c.meetMatchLimit);
}

// First difference of two event lists, for the failure message.
QString firstDifference(const QList<Event> &a, const QList<Event> &b)
{
    for (qsizetype i = 0; i < qMin(a.size(), b.size()); ++i)
        if (!(a[i] == b[i]))
            return QStringLiteral("event %1: kind %2 counter %3 vs kind %4 counter %5")
                .arg(i).arg(a[i].kind).arg(a[i].counter).arg(b[i].kind).arg(b[i].counter);
    return QStringLiteral("lengths %1 vs %2").arg(a.size()).arg(b.size());
}

enum class Digits { Uniform, TwoValues, MostlyZero, Zeros, Damaged, Overflowing };

// A history with raw values, as a damaged workspace file can hold them.
TCodes rawDraws(const QList<TCode> &records)
{
    QByteArray bytes;
    {
        QDataStream s(&bytes, QIODevice::WriteOnly);
        s.setByteOrder(QDataStream::LittleEndian);
        s << qint32(1) << qint32(records.size());
        for (const TCode &r : records)
            for (qint32 v : r)
                s << v;
    }
    QDataStream in(bytes);
    TCodes draws;
    draws.LoadFromStream(in);
    return draws;
}

TCodes randomHistory(QRandomGenerator &rng, int count, Digits kind)
{
    if (kind == Digits::Damaged || kind == Digits::Overflowing) {
        QList<TCode> records;
        for (int i = 0; i < count; ++i) {
            TCode r;
            for (qint32 &v : r)
                v = kind == Digits::Damaged ? qint32(rng.bounded(-3, 13))
                                            : qint32(rng.bounded(0, 3)) * (INT32_MAX / 3) + qint32(rng.bounded(10));
            records << r;
        }
        return rawDraws(records);
    }
    TCodes draws;
    for (int i = 0; i < count; ++i) {
        const int index = draws.Add();
        for (int p = 1; p <= 7; ++p) {
            int v = 0;
            switch (kind) {
            case Digits::Uniform: v = int(rng.bounded(10)); break;
            case Digits::TwoValues: v = rng.bounded(2) ? 5 : 0; break;
            case Digits::MostlyZero: v = rng.bounded(8) ? 0 : int(rng.bounded(10)); break;
            default: break;
            }
            draws.SetNum(p, index, v);
        }
    }
    return draws;
}

// Evaluations the straightforward walk makes, to keep each case quick.
double evaluations(const TRegOptions &s, int drawCount)
{
    const TSearchPlan plan = MakeSearchPlan(s, drawCount);
    const int n = plan.candidates.Count();
    const double perCombination = double(qMax(0, plan.intervalLast - plan.intervalFirst + 1))
        * double(plan.masks.size()) + 1;
    double total = 0;
    for (int k = plan.kFirst; k <= qMax(plan.kFirst, plan.kLast) && k <= n; ++k) {
        double c = 1;
        for (int i = 0; i < k; ++i)
            c = c * (n - i) / (i + 1);
        total += c * perCombination;
    }
    return total;
}

// Mostly settings the dialog can make, often enough the odd ones a
// hand-edited settings file can hold.
TRegOptions randomSettings(QRandomGenerator &rng, bool longIntervals)
{
    auto odd = [&](int percent) { return int(rng.bounded(100)) < percent; };
    TRegOptions s;
    s.LinedDistMinSe = odd(30) ? rng.bounded(-2, 6) : rng.bounded(0, 3);
    s.LinedDistMaxSe = s.LinedDistMinSe + (odd(15) ? rng.bounded(-2, 0) : rng.bounded(0, 4));
    s.RefSumChk = rng.bounded(2);
    s.RefTailChk = rng.bounded(2);
    // Now and then lines of many points over few candidates.
    const bool many = odd(12);
    if (many) {
        s.LinedDistMinSe = rng.bounded(0, 2);
        s.LinedDistMaxSe = s.LinedDistMinSe + rng.bounded(1, 3);
    }
    s.LinedPtMinSe = many ? rng.bounded(10, 18) : odd(20) ? rng.bounded(-2, 5) : rng.bounded(1, 4);
    s.LinedPtMaxSe = s.LinedPtMinSe + (odd(15) ? rng.bounded(-2, 0) : rng.bounded(0, 3));
    s.InterMinSe = odd(20) ? rng.bounded(-2, 6) : rng.bounded(1, 4);
    s.InterMaxSe = s.InterMinSe + (longIntervals ? rng.bounded(10, 40)
                                   : odd(10)   ? rng.bounded(-2, 0) : rng.bounded(0, 6));
    s.MaxYOfSecSe = odd(10) ? 1000 : odd(15) ? rng.bounded(-1, 7) : s.LinedDistMinSe + rng.bounded(0, 3);
    s.SecCountSe = odd(10) ? rng.bounded(10, 21) : odd(25) ? rng.bounded(-1, 10) : rng.bounded(2, 6);
    s.FallTargetGbx = odd(10) ? rng.bounded(3, 5) : rng.bounded(3);
    return s;
}

} // namespace

Q_DECLARE_METATYPE(Digits)

class TestFastSearch : public QObject
{
    Q_OBJECT

private slots:
    void matchesReference_data();
    void matchesReference();
    void oddSettings_data();
    void oddSettings();
    void progressAtMultipleAmongFound();
    void manyFoundHandedOverInBatches_data();
    void manyFoundHandedOverInBatches();
    void extraProgressIsPlausible();
    void stopKeepsPrefix_data();
    void stopKeepsPrefix();
    void autoMixesEngines();
    void stopEndsLongRun();
};

void TestFastSearch::matchesReference_data()
{
    QTest::addColumn<Digits>("digits");
    QTest::addColumn<bool>("longIntervals");
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("cases");
    QTest::newRow("uniform digits") << Digits::Uniform << false << 11u << 80;
    QTest::newRow("two values") << Digits::TwoValues << false << 12u << 80;
    QTest::newRow("mostly zeros") << Digits::MostlyZero << false << 13u << 60;
    QTest::newRow("zeros") << Digits::Zeros << false << 14u << 30;
    QTest::newRow("long intervals") << Digits::TwoValues << true << 15u << 40;
    QTest::newRow("damaged values") << Digits::Damaged << false << 16u << 40;
    QTest::newRow("overflowing sums") << Digits::Overflowing << false << 17u << 30;
}

void TestFastSearch::matchesReference()
{
    QFETCH(Digits, digits);
    QFETCH(bool, longIntervals);
    QFETCH(quint32, seed);
    QFETCH(int, cases);
    QRandomGenerator rng(seed);
    const std::vector<TSearchIsa> isas = SupportedSearchIsas();
    static const int lengths[] = {0, 1, 2, 3, 5, 8, 12, 20, 30, 45, 70, 100, 400};
    const TSearchEngine engines[] = {TSearchEngine::MeetInMiddle, TSearchEngine::BruteForce, TSearchEngine::Auto};
    int withPatterns = 0;
    for (int i = 0; i < cases; ++i) {
        const int drawCount = lengths[rng.bounded(int(std::size(lengths)))];
        TRegOptions s;
        do
            s = randomSettings(rng, longIntervals);
        while (evaluations(s, drawCount) > 150000);
        const TCodes draws = randomHistory(rng, drawCount, digits);
        const QString what = describe(s, drawCount);

        const Outcome expected = reference(draws, s);
        withPatterns += std::any_of(expected.events.begin(), expected.events.end(),
                                    [](const Event &e) { return e.kind == 1; });

        // The meet-in-the-middle search in several units, its sums in
        // several classes, and leaving units to the brute force at a few
        // matches.
        TFastSearchConfig one;
        one.threads = 1;
        one.progressIntervalMs = 0;
        one.isa = isas[size_t(i) % isas.size()];
        one.engine = engines[i % 3];
        one.meetRanges = rng.bounded(0, 4);
        one.meetClasses = int(rng.bounded(3)) * int(rng.bounded(0, 1001));
        one.meetMatchLimit = rng.bounded(4) ? 0 : rng.bounded(1, 20);
        const Outcome sequential = fast(draws, s, one);
        QVERIFY2(sequential.events == expected.events,
                 qPrintable(what + ", " + describe(one) + ": " + firstDifference(sequential.events, expected.events)));
        QCOMPARE(sequential.result, expected.result);

        TFastSearchConfig many = one;
        many.threads = 3;
        many.chunkCombinations = rng.bounded(1, 40);
        many.isa = isas[size_t(i + 1) % isas.size()];
        many.engine = engines[(i + 1) % 3];
        const Outcome threaded = fast(draws, s, many);
        QVERIFY2(threaded.events == expected.events,
                 qPrintable(what + ", " + describe(many) + ": " + firstDifference(threaded.events, expected.events)));
        QCOMPARE(threaded.result, expected.result);

        // Patterns passed on a few at a time: a line's patterns and the
        // progress reports between them are split across batches.
        // (Each batch handed between threads costs a wake-up: few cases.)
        TFastSearchConfig batched = i % 8 ? one : many;
        batched.foundBatch = i % 8 ? 1 + i % 3 : 32;
        const Outcome inBatches = fast(draws, s, batched);
        QVERIFY2(inBatches.events == expected.events,
                 qPrintable(what + ", in batches: " + firstDifference(inBatches.events, expected.events)));
        QCOMPARE(inBatches.result, expected.result);
    }
    // The comparison means little unless patterns are found.
    QVERIFY2(withPatterns >= cases / 8, qPrintable(QString::number(withPatterns)));
}

void TestFastSearch::oddSettings_data()
{
    // Settings only a hand-edited settings file can hold, at sizes random
    // cases do not reach. Columns: draws, distances, points, intervals,
    // largest distance of the nearest point, least steps.
    QTest::addColumn<int>("draws");
    QTest::addColumn<QList<int>>("values");
    QTest::newRow("nearest point beyond 1000 counts as 1000") << 1012 << QList<int>{1004, 1005, 1, 2, 1, 7, 1000, 2};
    QTest::newRow("one step: every interval past the history") << 30 << QList<int>{0, 1, 1, 2, 25, 40, 3, 1};
    QTest::newRow("no steps asked for") << 12 << QList<int>{1, 2, 2, 2, 1, 3, 2, -4};
    QTest::newRow("history shorter than the distance") << 3 << QList<int>{2, 6, 1, 3, 1, 2, 6, 2};
    QTest::newRow("points ahead of the reference row") << 40 << QList<int>{-3, 1, 1, 3, 1, 3, 4, 3};
    QTest::newRow("interval 0, point count -2") << 25 << QList<int>{1, 2, -2, 2, 0, 2, 2, 3};
    QTest::newRow("minimum above maximum everywhere") << 25 << QList<int>{3, 1, 3, 1, 4, 2, 5, 3};
    // Candidates farther back than the history are counted, never walked.
    QTest::newRow("two points, distances far past the history") << 12 << QList<int>{0, 40, 1, 2, 1, 3, 2, 2};
    QTest::newRow("distances 2^31 ahead to 10^8 back") << 20 << QList<int>{INT_MIN, 100000000, 1, 1, 1, 1, 3, 2};
}

void TestFastSearch::oddSettings()
{
    QFETCH(int, draws);
    QFETCH(QList<int>, values);
    TRegOptions s;
    s.LinedDistMinSe = values[0];
    s.LinedDistMaxSe = values[1];
    s.LinedPtMinSe = values[2];
    s.LinedPtMaxSe = values[3];
    s.InterMinSe = values[4];
    s.InterMaxSe = values[5];
    s.MaxYOfSecSe = values[6];
    s.SecCountSe = values[7];
    s.RefSumChk = true;
    QRandomGenerator rng{quint32(draws)};
    const TCodes history = randomHistory(rng, draws, Digits::TwoValues);
    const Outcome expected = reference(history, s);
    for (TSearchEngine engine : {TSearchEngine::Auto, TSearchEngine::MeetInMiddle})
        for (int threads : {1, 2}) {
            TFastSearchConfig config;
            config.threads = threads;
            config.engine = engine;
            config.progressIntervalMs = 0;
            config.chunkCombinations = threads > 1 ? 7 : 0;
            const Outcome got = fast(history, s, config);
            QVERIFY2(got.events == expected.events,
                     qPrintable(describe(config) + ": " + firstDifference(got.events, expected.events)));
            QCOMPARE(got.result, expected.result);
        }
}

namespace {

// 24 candidates, 6 points: 134,596 lines. The history is built so that
// the line at 112,323 holds for three of the six masks, so its progress
// reports come in between its found ones.
TCodes historyWithFoundAtMultiple(TRegOptions &s)
{
    s.LinedDistMinSe = 1;
    s.LinedDistMaxSe = 3;
    s.RefSumChk = true;
    s.RefTailChk = true;
    s.LinedPtMinSe = s.LinedPtMaxSe = 6;
    s.InterMinSe = s.InterMaxSe = 1;
    s.MaxYOfSecSe = 3;
    s.SecCountSe = 5;
    // That line is candidates 5, 8, 11, 12, 13 and 22: (column, distance)
    // (5,1) (0,2) (3,2) (4,2) (5,2) (6,3).
    const QList<TPoint> line{{5, -1}, {0, -2}, {3, -2}, {4, -2}, {5, -2}, {6, -3}};
    QRandomGenerator rng(5);
    TCodes draws = randomHistory(rng, 12, Digits::Uniform);
    const int n = draws.Count();
    // The reference rows of steps 1 to 4 read B = 1, A = C = D = 0, so masks
    // 6 (A+B), 12 (B+C) and 20 (B+D) target 1 and the others 0.
    for (int j = 1; j <= 4; ++j)
        for (int p = 1; p <= 4; ++p)
            draws.SetNum(p, n - j, p == 2 ? 1 : 0);
    // The line's one point in column 6 makes its value 1 at each of them.
    for (int j = 1; j <= 4; ++j) {
        int v = 0;
        for (const TPoint &pt : line)
            v += draws.GetNum(pt.x, n - j + pt.y);
        const int row = n - j - 3;
        draws.SetNum(6, row, (draws.GetNum(6, row) + 100 + 1 - v) % 10);
    }
    return draws;
}

} // namespace

void TestFastSearch::progressAtMultipleAmongFound()
{
    TRegOptions s;
    const TCodes draws = historyWithFoundAtMultiple(s);
    const Outcome expected = reference(draws, s);
    QList<int> atMultiple;
    for (const Event &e : expected.events)
        if (e.counter == ProgressEvery)
            atMultiple << e.kind;
    QCOMPARE(atMultiple, (QList<int>{1, 0, 0, 1, 1, 0}));
    for (TSearchIsa isa : SupportedSearchIsas()) {
        TFastSearchConfig config;
        config.threads = 2;
        config.progressIntervalMs = 0;
        config.isa = isa;
        // One pattern a batch puts each of that line's found ones in a
        // batch of its own.
        config.foundBatch = isa == TSearchIsa::Generic ? 1 : TFastSearchConfig().foundBatch;
        const Outcome got = fast(draws, s, config);
        QVERIFY2(got.events == expected.events, qPrintable(firstDifference(got.events, expected.events)));
        QCOMPARE(got.result, expected.result);
    }
}

void TestFastSearch::manyFoundHandedOverInBatches_data()
{
    QTest::addColumn<bool>("dense");
    QTest::addColumn<int>("threads");
    QTest::addColumn<int>("batch");
    QTest::addColumn<bool>("meet");
    QTest::newRow("dense, one thread") << true << 1 << 1024 << false;
    QTest::newRow("dense, paused workers") << true << 2 << 7 << false;
    // A worker done with its part of a range goes on to the next range and
    // fills the waiting room while the other part still hands over.
    QTest::newRow("dense, shared ranges, paused workers") << true << 2 << 1 << true;
    QTest::newRow("found at a multiple, one by one") << false << 1 << 1 << false;
    QTest::newRow("found at a multiple, one by one, threads") << false << 2 << 1 << false;
}

void TestFastSearch::manyFoundHandedOverInBatches()
{
    // Chunks hand their patterns over in batches while they run, and workers
    // pause while the slow sink lags behind; the reports stay the walk's,
    // also where a batch ends among the patterns of a line at a multiple of
    // ProgressEvery. Dense: some 24,000 patterns over 134,596 lines.
    QFETCH(bool, dense);
    QFETCH(int, threads);
    QFETCH(int, batch);
    QFETCH(bool, meet);
    TRegOptions s;
    TCodes draws;
    if (dense) {
        QRandomGenerator rng(53);
        draws = randomHistory(rng, 30, Digits::Uniform);
        s = TRegOptions();
        s.LinedDistMinSe = 1;
        s.LinedDistMaxSe = 3;
        s.RefSumChk = true;
        s.LinedPtMinSe = s.LinedPtMaxSe = 6;
        s.InterMinSe = 1;
        s.InterMaxSe = 3;
        s.MaxYOfSecSe = 3;
        s.SecCountSe = 3;
    } else {
        draws = historyWithFoundAtMultiple(s);
    }
    const Outcome expected = reference(draws, s);
    QVERIFY(std::count_if(expected.events.begin(), expected.events.end(), [](const Event &e) { return e.kind == 1; })
            > (dense ? 20000 : 2));
    struct Lagging : Recorder
    {
        void Found(std::unique_ptr<TVexelReg> p, qint64 c) override
        {
            if (found % 5000 == 0)
                QThread::msleep(30);
            Recorder::Found(std::move(p), c);
        }
    } rec;
    std::atomic<bool> stop{false};
    TFastSearchConfig config;
    config.threads = threads;
    config.progressIntervalMs = 0;
    config.chunkCombinations = threads > 1 ? 3000 : 0;
    config.waitingPatterns = meet ? 1 : 100;
    config.foundBatch = batch;
    if (meet) {
        config.engine = TSearchEngine::MeetInMiddle;
        config.meetRanges = 6;
    }
    const qint64 result = RunFastSearch(draws, s, rec, stop, config);
    QVERIFY2(rec.events == expected.events, qPrintable(firstDifference(rec.events, expected.events)));
    QCOMPARE(result, expected.result);
}

void TestFastSearch::extraProgressIsPlausible()
{
    // With the time-driven reports on at a 1 ms beat, the counted reports
    // are still all there, in order, and each extra one carries a counter
    // between its neighbours'.
    QRandomGenerator rng(21);
    const TCodes draws = randomHistory(rng, 200, Digits::Uniform);
    TRegOptions s;
    s.LinedDistMinSe = 1;
    s.LinedDistMaxSe = 3;
    s.RefSumChk = true;
    s.LinedPtMinSe = 1;
    s.LinedPtMaxSe = 4;
    s.InterMinSe = 1;
    s.InterMaxSe = 10;
    s.MaxYOfSecSe = 3;
    s.SecCountSe = 3;
    const Outcome expected = reference(draws, s);
    for (TSearchEngine engine : {TSearchEngine::BruteForce, TSearchEngine::MeetInMiddle})
        for (int threads : {1, 2}) {
            TFastSearchConfig config;
            config.threads = threads;
            config.progressIntervalMs = 1;
            config.chunkCombinations = 64;
            config.engine = engine;
            config.meetRanges = 4;
            const Outcome got = fast(draws, s, config);
            qsizetype e = 0;
            qint64 last = 0;
            for (const Event &g : got.events) {
                if (e < expected.events.size() && g == expected.events[e]) {
                    ++e;
                } else {
                    QCOMPARE(g.kind, 0);
                    if (e < expected.events.size())
                        QVERIFY(g.counter <= expected.events[e].counter || expected.events[e].kind == 0);
                }
                QVERIFY(g.counter >= last);
                last = g.counter;
            }
            QCOMPARE(e, expected.events.size());
            QCOMPARE(got.result, expected.result);
        }
}

void TestFastSearch::stopKeepsPrefix_data()
{
    QTest::addColumn<int>("afterFound");
    QTest::addColumn<qint64>("atProgress");
    QTest::newRow("at the 20th pattern") << 20 << qint64(-1);
    // 210 + 1330 lines of 2 and 3 points: the workers are on the tables of
    // 4 points when the stop comes.
    QTest::newRow("as the last point count starts") << -1 << qint64(1540);
}

void TestFastSearch::stopKeepsPrefix()
{
    // A stop asked for from the sink: nothing more is reported, and what was
    // reported is what the walk reports first.
    QFETCH(int, afterFound);
    QFETCH(qint64, atProgress);
    QRandomGenerator rng(31);
    const TCodes draws = randomHistory(rng, 60, Digits::TwoValues);
    TRegOptions s;
    s.LinedDistMinSe = 1;
    s.LinedDistMaxSe = 3;
    s.LinedPtMinSe = 2;
    s.LinedPtMaxSe = 4;
    s.InterMinSe = 1;
    s.InterMaxSe = 6;
    s.MaxYOfSecSe = 2;
    s.SecCountSe = 4;
    const Outcome all = reference(draws, s);
    QVERIFY(std::count_if(all.events.begin(), all.events.end(), [](const Event &e) { return e.kind == 1; }) > 40);
    for (TSearchEngine engine : {TSearchEngine::BruteForce, TSearchEngine::MeetInMiddle})
        for (int threads : {1, 2}) {
            std::atomic<bool> stop{false};
            Recorder rec;
            rec.stop = &stop;
            rec.stopAfterFound = afterFound;
            rec.stopAtProgress = atProgress;
            TFastSearchConfig config;
            config.threads = threads;
            config.progressIntervalMs = 0;
            config.chunkCombinations = 16;
            config.engine = engine;
            config.meetRanges = 3;
            RunFastSearch(draws, s, rec, stop, config);
            const Event last = rec.events.last();
            QCOMPARE(last.kind, afterFound > 0 ? 1 : 0);
            QCOMPARE(afterFound > 0 ? qint64(rec.found) : last.counter, afterFound > 0 ? afterFound : atProgress);
            QCOMPARE(rec.events, all.events.mid(0, rec.events.size()));
        }
}

void TestFastSearch::autoMixesEngines()
{
    // Settings where the cost model leaves the small point counts to the
    // brute force and gives the large ones to the meet-in-the-middle search:
    // the mixed run reports what the walk does.
    QRandomGenerator rng(61);
    const TCodes draws = randomHistory(rng, 300, Digits::Uniform);
    TRegOptions s;
    s.LinedDistMinSe = 1;
    s.LinedDistMaxSe = 3;
    s.RefSumChk = true;
    s.LinedPtMinSe = 4;
    s.LinedPtMaxSe = 7;
    s.InterMinSe = 1;
    s.InterMaxSe = 3;
    s.MaxYOfSecSe = 3;
    s.SecCountSe = 6;
    using namespace FastSearchImpl;
    const TSearchShape shape = ShapeOf(MakeSearchPlan(s, draws.Count()), draws.Count());
    QVERIFY(!ChoosePointCount(shape, 4, 1, TSearchEngine::Auto).meet);
    QVERIFY(ChoosePointCount(shape, 7, 1, TSearchEngine::Auto).meet);
    const Outcome expected = reference(draws, s);
    QVERIFY(std::count_if(expected.events.begin(), expected.events.end(), [](const Event &e) { return e.kind == 1; }) > 20);
    for (int threads : {1, 2}) {
        TFastSearchConfig config;
        config.threads = threads;
        config.progressIntervalMs = 0;
        const Outcome got = fast(draws, s, config);
        QVERIFY2(got.events == expected.events, qPrintable(firstDifference(got.events, expected.events)));
        QCOMPARE(got.result, expected.result);
    }
}

void TestFastSearch::stopEndsLongRun()
{
    // A search of some 10^11 lines ends after a stop request, having reported
    // progress on its own while it ran, and returns the counter it reached.
    QRandomGenerator rng(41);
    const TCodes draws = randomHistory(rng, 2000, Digits::Uniform);
    TRegOptions s;
    s.LinedDistMinSe = 1;
    s.LinedDistMaxSe = 9;
    s.RefSumChk = true;
    s.RefTailChk = true;
    s.LinedPtMinSe = 9;
    s.LinedPtMaxSe = 9;
    s.InterMinSe = 1;
    s.InterMaxSe = 20;
    s.MaxYOfSecSe = 6;
    s.SecCountSe = 12;
    struct Counter : TSearchSink
    {
        std::atomic<int> reports{0};
        std::atomic<qint64> latest{0};
        void Progress(qint64 c) override
        {
            latest.store(c);
            ++reports;
        }
        void Found(std::unique_ptr<TVexelReg>, qint64) override {}
    } sink;
    std::atomic<bool> stop{false};
    std::atomic<bool> done{false};
    qint64 result = -1;
    std::thread run([&] {
        TFastSearchConfig config;
        config.threads = 2;
        result = RunFastSearch(draws, s, sink, stop, config);
        done.store(true);
    });
    // A failed check returns early; stop and join the run first, or the
    // joinable thread would end the whole test program.
    const auto joinRun = qScopeGuard([&] {
        stop.store(true);
        if (run.joinable())
            run.join();
    });
    // The first report opens the point count; the next comes from the
    // worker threads' progress or from the clock.
    QTRY_VERIFY_WITH_TIMEOUT(sink.reports.load() >= 2, 30000);
    stop.store(true);
    QTRY_VERIFY_WITH_TIMEOUT(done.load(), 30000);
    QVERIFY(result >= sink.latest.load());
    QVERIFY(result < qint64(8) * 100000000000);
}

QTEST_GUILESS_MAIN(TestFastSearch)
#include "tst_fastsearch.moc"
