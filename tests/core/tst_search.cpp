// The search run and the collection that drives it: candidate and
// combination order, acceptance, the walk's end at the first draw, progress
// points, stop, stale workers and destruction during a search, the pattern
// limit, failed runs, and the estimate of what a search costs.
#include "io/DrawText.h"
#include "tests/support/DrawsOf.h"
#include "core/Hao.h"
#include "core/SearchEngine.h"
#include "core/SearchEstimate.h"
#include "core/VexelError.h"
#include "core/VexelReg.h"
#include "core/VexelRegMgr.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtTest>

namespace {

struct Recorder : TSearchSink
{
    struct Found
    {
        QList<TPoint> points;
        int interval;
        quint16 mask;
        QList<qint32> values;
        qint64 counter;
    };
    QList<qint64> progress;
    QList<Found> found;
    std::vector<std::unique_ptr<TVexelReg>> patterns;

    void Progress(qint64 c) override { progress << c; }
    void Found(std::unique_ptr<TVexelReg> p, qint64 c) override
    {
        struct Found f{{}, p->Interval(), p->TargetMask(), {}, c};
        for (int i = 0; i < p->Line(0).Count(); ++i)
            f.points << p->Line(0).Get(i);
        for (int s = 0; s < p->StepCount(); ++s)
            f.values << p->Value(s, 0);
        found << f;
        patterns.push_back(std::move(p));
    }
};

qint64 run(const TCodes &draws, const TRegOptions &s, Recorder &rec)
{
    std::atomic<bool> stop{false};
    return RunVexelSearch(draws, s, rec, stop);
}

// d 4..4, columns 1..4 only, 4 points, interval 4: one combination.
TRegOptions singleCombination()
{
    TRegOptions s;
    s.LinedDistMinSe = s.LinedDistMaxSe = 4;
    s.RefTailChk = false;
    s.RefSumChk = false;
    s.LinedPtMinSe = s.LinedPtMaxSe = 4;
    s.InterMinSe = s.InterMaxSe = 4;
    s.MaxYOfSecSe = 4;
    s.SecCountSe = 3;
    return s;
}

TRegOptions longSearch()
{
    TRegOptions s;
    s.LinedDistMinSe = 1;
    s.LinedDistMaxSe = 9;
    s.RefSumChk = true;
    s.LinedPtMinSe = 1;
    s.LinedPtMaxSe = 9;
    s.InterMinSe = 1;
    s.InterMaxSe = 20;
    s.MaxYOfSecSe = 6;
    s.SecCountSe = 3;
    return s;
}

int countKind(const QSignalSpy &spy, int kind)
{
    int n = 0;
    for (const QList<QVariant> &args : spy)
        n += args.at(0).toInt() == kind;
    return n;
}

} // namespace

Q_DECLARE_METATYPE(TPoint)
Q_DECLARE_METATYPE(TRegOptions)

class TestSearch : public QObject
{
    Q_OBJECT

private slots:
    void plan_data();
    void plan();
    void singleCombinationWalk_data();
    void singleCombinationWalk();
    void walkEndsAtFirstDraw();
    void order();
    void pointCountRange_data();
    void pointCountRange();
    void progressEvery();
    void closenessRule();
    void intervalsBeyondHistory();
    void boundedPlan_data();
    void boundedPlan();

    void collectionErrors();
    void collectionReportsAndOwnership();
    void settingsCopiedAtStart();
    void stopGivesOneFinished();
    void staleWorkerKeepsNewSearchBusy();
    void destroyDuringSearch();
    void patternLimit_data();
    void patternLimit();
    void failedRunReported_data();
    void failedRunReported();
    void estimate_data();
    void estimate();
};

void TestSearch::plan_data()
{
    QTest::addColumn<int>("distMin");
    QTest::addColumn<int>("distMax");
    QTest::addColumn<bool>("sum");
    QTest::addColumn<bool>("tail");
    QTest::addColumn<QList<TPoint>>("expected");
    QTest::newRow("sum on, W=4") << 1 << 2 << true << false
        << QList<TPoint>{{0, -1}, {1, -1}, {2, -1}, {3, -1}, {4, -1},
                         {0, -2}, {1, -2}, {2, -2}, {3, -2}, {4, -2}};
    QTest::newRow("tail on, sum off") << 0 << 0 << false << true
        << QList<TPoint>{{1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {6, 0}, {7, 0}};
    QTest::newRow("min above max") << 3 << 2 << true << true << QList<TPoint>{};
}

void TestSearch::plan()
{
    QFETCH(int, distMin);
    QFETCH(int, distMax);
    QFETCH(bool, sum);
    QFETCH(bool, tail);
    QFETCH(QList<TPoint>, expected);
    TRegOptions s;
    s.LinedDistMinSe = distMin;
    s.LinedDistMaxSe = distMax;
    s.RefSumChk = sum;
    s.RefTailChk = tail;
    const TSearchPlan plan = MakeSearchPlan(s, 100);
    QList<TPoint> got;
    for (int i = 0; i < plan.candidates.Count(); ++i)
        got << plan.candidates.Get(i);
    QCOMPARE(got, expected);

    QCOMPARE(TargetMasks(0), (std::vector<quint16>{6, 10, 18, 12, 20, 24}));
    QCOMPARE(TargetMasks(1), (std::vector<quint16>{14, 22, 26, 28}));
    QCOMPARE(TargetMasks(2), (std::vector<quint16>{30}));
    QVERIFY(TargetMasks(3).empty());
}

void TestSearch::singleCombinationWalk_data()
{
    // Every draw 1,2,0,0: the line (columns 1..4, four back) sums to 3, and
    // of the six two-position targets only A+B is 3. The walk from draw 13
    // visits 13 (forecast), 9 and 5; at 1 it would need draw -3 and ends.
    QTest::addColumn<QStringList>("history");
    QTest::addColumn<int>("secCount");
    QTest::addColumn<QList<qint32>>("values");
    QStringList same(13, "1200000");
    QTest::newRow("chain of 3") << same << 3 << QList<qint32>{3, 3, 3};
    QTest::newRow("needs 4") << same << 4 << QList<qint32>{};
    QStringList broken = same;
    broken[1] = "1300000"; // the line reads 4 at draw 5, whose target is 3
    QTest::newRow("broken at step 2") << broken << 2 << QList<qint32>{3, 3};
    QTest::newRow("broken, needs 3") << broken << 3 << QList<qint32>{};
    QStringList summed = same;
    summed[5] = "9400000"; // draw 5 sums to 13: the line reads 3 at draw 9
    summed[1] = "2100000";
    QTest::newRow("sum column mod 10") << summed << 3 << QList<qint32>{3, 3, 3};
}

void TestSearch::singleCombinationWalk()
{
    QFETCH(QStringList, history);
    QFETCH(int, secCount);
    QFETCH(QList<qint32>, values);
    TRegOptions s = singleCombination();
    s.SecCountSe = secCount;
    Recorder rec;
    QCOMPARE(run(drawsOf(history), s, rec), qint64(1));
    QCOMPARE(rec.progress, QList<qint64>{0});
    if (values.isEmpty()) {
        QVERIFY(rec.found.isEmpty());
        return;
    }
    QCOMPARE(rec.found.size(), 1);
    const auto &f = rec.found.first();
    QCOMPARE(f.points, (QList<TPoint>{{1, -4}, {2, -4}, {3, -4}, {4, -4}}));
    QCOMPARE(f.mask, quint16(6));
    QCOMPARE(f.interval, 4);
    QCOMPARE(f.values, values);
    const TVexelReg &p = *rec.patterns.front();
    QCOMPARE(p.DrawCount(), history.size());
    QCOMPARE(p.Kind(), 1);
    QCOMPARE(p.TargetCount(), qint16(2));
    QCOMPARE(p.PositionText(), QString("AB"));
    QCOMPARE(p.ResultText(), QString("3"));
}

void TestSearch::walkEndsAtFirstDraw()
{
    TRegOptions s = singleCombination();
    s.SecCountSe = 0; // even with no steps required, a pattern needs one
    Recorder rec;
    // Two draws: the forecast step would read draw -2.
    QCOMPARE(run(drawsOf({"1200000", "1200000"}), s, rec), qint64(1));
    QVERIFY(rec.found.isEmpty());
    // An empty history runs to its end as well.
    Recorder empty;
    run(TCodes(), s, empty);
    QVERIFY(empty.found.isEmpty());
}

void TestSearch::order()
{
    // Zeros hold everywhere: every evaluation is accepted, so the reports
    // show the enumeration order itself.
    TRegOptions s;
    s.LinedDistMinSe = s.LinedDistMaxSe = 1;
    s.RefTailChk = false;
    s.LinedPtMinSe = 2;
    s.LinedPtMaxSe = 3;
    s.InterMinSe = 1;
    s.InterMaxSe = 2;
    s.FallTargetGbx = 2;
    s.SecCountSe = 1;
    Recorder rec;
    QCOMPARE(run(drawsOf(QStringList(10, "0000000")), s, rec), qint64(10));
    QCOMPARE(rec.progress, (QList<qint64>{0, 6}));
    const QList<QList<int>> combos{{1, 2}, {1, 3}, {1, 4}, {2, 3}, {2, 4}, {3, 4},
                                   {1, 2, 3}, {1, 2, 4}, {1, 3, 4}, {2, 3, 4}};
    QCOMPARE(rec.found.size(), 20);
    for (int i = 0; i < 20; ++i) {
        const auto &f = rec.found[i];
        QList<int> cols;
        for (const TPoint &p : f.points)
            cols << p.x;
        QCOMPARE(cols, combos[i / 2]);
        QCOMPARE(f.interval, 1 + i % 2);
        QCOMPARE(f.mask, quint16(30));
        QCOMPARE(f.counter, qint64(i / 2 + 1));
        // interval 1 walks draws 10..1, interval 2 walks 10, 8, 6, 4, 2
        QCOMPARE(f.values.size(), f.interval == 1 ? 10 : 5);
    }
    QCOMPARE(rec.patterns[6]->TargetCount(), qint16(4));
}

void TestSearch::pointCountRange_data()
{
    QTest::addColumn<int>("ptMin");
    QTest::addColumn<int>("ptMax");
    QTest::addColumn<int>("interMin");
    QTest::addColumn<int>("interMax");
    QTest::addColumn<qint64>("combinations");
    QTest::addColumn<int>("found");
    // distances 1..2 with columns 1..4: 8 candidates
    QTest::newRow("min above max: only min") << 5 << 3 << 1 << 1 << qint64(56) << 56;
    QTest::newRow("more points than candidates") << 9 << 9 << 1 << 1 << qint64(0) << 0;
    QTest::newRow("negative count starts at 0") << -3 << 0 << 1 << 1 << qint64(1) << 0;
    QTest::newRow("no interval") << 1 << 1 << 9 << 1 << qint64(8) << 0;
    QTest::newRow("interval 0 is skipped") << 1 << 1 << 0 << 1 << qint64(8) << 4;
    QTest::newRow("negative intervals") << 1 << 1 << -5 << 0 << qint64(8) << 0;
}

void TestSearch::pointCountRange()
{
    QFETCH(int, ptMin);
    QFETCH(int, ptMax);
    QFETCH(int, interMin);
    QFETCH(int, interMax);
    QFETCH(qint64, combinations);
    QFETCH(int, found);
    TRegOptions s;
    s.LinedDistMinSe = 1;
    s.LinedDistMaxSe = 2;
    s.RefTailChk = false;
    s.LinedPtMinSe = ptMin;
    s.LinedPtMaxSe = ptMax;
    s.InterMinSe = interMin;
    s.InterMaxSe = interMax;
    s.FallTargetGbx = 2;
    s.SecCountSe = 2;
    Recorder rec;
    QCOMPARE(run(drawsOf(QStringList(6, "0000000")), s, rec), combinations);
    QCOMPARE(rec.found.size(), found);
    for (const auto &f : rec.found)
        QCOMPARE(f.interval, 1);
}

void TestSearch::progressEvery()
{
    // 32 candidates, 5 points: 201376 combinations; nothing is accepted, so
    // each of the six masks at combination 112323 reports progress.
    TRegOptions s;
    s.LinedDistMinSe = 0;
    s.LinedDistMaxSe = 3;
    s.RefSumChk = true;
    s.LinedPtMinSe = s.LinedPtMaxSe = 5;
    s.InterMinSe = s.InterMaxSe = 1;
    s.SecCountSe = 20;
    Recorder rec;
    QCOMPARE(run(drawsOf(QStringList(3, "0000000")), s, rec), qint64(201376));
    QCOMPARE(rec.progress, (QList<qint64>{0, 112323, 112323, 112323, 112323, 112323, 112323}));
}

void TestSearch::closenessRule()
{
    TRegOptions s;
    s.LinedDistMinSe = 2;
    s.LinedDistMaxSe = 3;
    s.MaxYOfSecSe = 1;
    s.SecCountSe = 1;
    Recorder rec;
    run(drawsOf(QStringList(20, "0000000")), s, rec);
    QVERIFY(rec.found.isEmpty());
    s.MaxYOfSecSe = 2;
    run(drawsOf(QStringList(20, "0000000")), s, rec);
    QVERIFY(!rec.found.isEmpty());
    for (const auto &p : rec.patterns)
        QVERIFY(-p->NearestRow() <= 2);
}

void TestSearch::intervalsBeyondHistory()
{
    // A hand-edited range of 2^31 intervals over 12 draws ends, and finds
    // what intervals up to the history's length find: a longer interval
    // never reaches a draw.
    TRegOptions s;
    s.LinedDistMinSe = 0;
    s.LinedDistMaxSe = 1;
    s.RefTailChk = false;
    s.LinedPtMinSe = 1;
    s.LinedPtMaxSe = 2;
    const TCodes draws = drawsOf({"1200000", "3400000", "0012000", "9000000", "1234567", "7654321",
                                  "0000000", "1111111", "2200000", "0000033", "5500000", "1200000"});
    for (const int secCount : {1, 0}) {
        s.SecCountSe = secCount;
        s.InterMaxSe = 2147483647;
        Recorder huge;
        const qint64 combinations = run(draws, s, huge);
        s.InterMaxSe = draws.Count();
        Recorder bounded;
        QCOMPARE(run(draws, s, bounded), combinations);
        QCOMPARE(huge.progress, bounded.progress);
        QVERIFY(!huge.found.isEmpty());
        QCOMPARE(huge.found.size(), bounded.found.size());
        for (int i = 0; i < huge.found.size(); ++i)
            QCOMPARE(huge.found[i].interval, bounded.found[i].interval);
    }
}

void TestSearch::boundedPlan_data()
{
    // Hand-edited distances: the plan lists only what the history can use,
    // and the counter still counts every combination the settings define.
    QTest::addColumn<int>("draws");
    QTest::addColumn<int>("distMin");
    QTest::addColumn<int>("distMax");
    QTest::addColumn<int>("ptMax");
    QTest::newRow("far past a short history") << 12 << 0 << 40 << 2;
    QTest::newRow("all beyond the history") << 5 << 7 << 30 << 3;
    QTest::newRow("2^31 either way") << 1000 << INT_MIN << INT_MAX << 1;
}

void TestSearch::boundedPlan()
{
    QFETCH(int, draws);
    QFETCH(int, distMin);
    QFETCH(int, distMax);
    QFETCH(int, ptMax);
    TRegOptions s;
    s.LinedDistMinSe = distMin;
    s.LinedDistMaxSe = distMax;
    s.RefSumChk = true;
    s.LinedPtMinSe = 1;
    s.LinedPtMaxSe = ptMax;
    s.InterMinSe = s.InterMaxSe = 1;
    s.FallTargetGbx = 2;
    s.SecCountSe = 2;
    const TSearchPlan plan = MakeSearchPlan(s, draws);
    const qint64 ahead = qMax(draws + 1, 9);
    for (int i = 0; i < plan.candidates.Count(); ++i)
        QVERIFY(-plan.candidates.Get(i).y <= draws && -plan.candidates.Get(i).y >= -ahead);
    const qint64 all = (qint64(distMax) - qMax<qint64>(distMin, -ahead) + 1) * 8;
    QCOMPARE(plan.CandidateCount(), all);
    QCOMPARE(CandidateCount(s, draws), all);

    Recorder rec;
    const qint64 counter = run(randomDraws(draws, 3), s, rec);
    QCOMPARE(SearchCombinations(s, draws), counter);
    QCOMPARE(EstimateSearch(s, draws).combinations, counter);
    if (ptMax == 1)
        QCOMPARE(counter, all);
}

void TestSearch::collectionErrors()
{
    TRegOptions s;
    TVexelRegMgr mgr(&s);
    auto errorOf = [](const std::function<void()> &f) {
        try { f(); } catch (const EVexelError &e) { return e.message(); }
        return QString();
    };
    QCOMPARE(errorOf([&] { mgr.Get(0); }), QString("TRegMgr.GeTVexelReg Index isnot valid!"));
    QCOMPARE(errorOf([&] { mgr.Delete(-1); }), QString("TRegMgr.Del Index isnot valid!"));
    TVexelReg *a = mgr.Add(new TVexelReg);
    TVexelReg *b = mgr.Add(new TVexelReg);
    TVexelReg outside;
    mgr.Remove(&outside);
    QCOMPARE(mgr.Count(), 2);
    QCOMPARE(mgr.IndexOf(b), 1);
    mgr.Remove(a);
    QCOMPARE(mgr.Get(0), b);
    mgr.Stop(); // idle: nothing happens
    QVERIFY(!mgr.Busy());
}

void TestSearch::collectionReportsAndOwnership()
{
    TRegOptions s;
    s.SecCountSe = 3;
    TVexelRegMgr mgr(&s);
    QSignalSpy spy(&mgr, &TVexelRegMgr::SearchEvent);
    const TCodes draws = randomDraws(300, 7);
    mgr.Start(draws);
    QVERIFY(mgr.Busy());
    QTRY_VERIFY_WITH_TIMEOUT(countKind(spy, 2) == 1, 20000);
    QVERIFY(!mgr.Busy());
    QCOMPARE(spy.last().at(0).toInt(), 2);

    // The collection holds exactly what the run found, in found order.
    Recorder rec;
    run(draws, s, rec);
    QVERIFY(rec.found.size() > 0);
    QCOMPARE(mgr.Count(), int(rec.found.size()));
    int foundIndex = 0;
    for (const QList<QVariant> &args : spy) {
        if (args.at(0).toInt() != 1)
            continue;
        TVexelReg *reported = args.at(2).value<TVexelReg *>();
        QCOMPARE(reported, mgr.Get(foundIndex));
        QCOMPARE(args.at(1).toLongLong(), rec.found[foundIndex].counter);
        QCOMPARE(reported->StepsText(), rec.patterns[size_t(foundIndex)]->StepsText());
        ++foundIndex;
    }
    QCOMPARE(mgr.Draws().Count(), 300);

    // A second search appends after the first one's patterns.
    const int first = mgr.Count();
    mgr.Start(draws);
    QTRY_VERIFY_WITH_TIMEOUT(countKind(spy, 2) == 2, 20000);
    QCOMPARE(mgr.Count(), 2 * first);
}

void TestSearch::settingsCopiedAtStart()
{
    TRegOptions s;
    s.SecCountSe = 3;
    TVexelRegMgr mgr(&s);
    QSignalSpy spy(&mgr, &TVexelRegMgr::SearchEvent);
    mgr.Start(randomDraws(300, 11));
    s.FallTargetGbx = 2; // a change after Start does not reach the run
    QTRY_VERIFY_WITH_TIMEOUT(countKind(spy, 2) == 1, 20000);
    QVERIFY(mgr.Count() > 0);
    for (int i = 0; i < mgr.Count(); ++i)
        QCOMPARE(mgr.Get(i)->TargetCount(), qint16(2));
}

void TestSearch::stopGivesOneFinished()
{
    TRegOptions s = longSearch();
    TVexelRegMgr mgr(&s);
    QSignalSpy spy(&mgr, &TVexelRegMgr::SearchEvent);
    mgr.Start(randomDraws(500, 3));
    QTRY_VERIFY_WITH_TIMEOUT(spy.size() > 0, 10000);
    mgr.Stop();
    QVERIFY(!mgr.Busy());
    QTRY_VERIFY_WITH_TIMEOUT(!mgr.WorkerRunning() && countKind(spy, 2) == 1, 10000);
    QTest::qWait(50);
    QCOMPARE(countKind(spy, 2), 1);
    QCOMPARE(spy.last().at(0).toInt(), 2);
}

void TestSearch::staleWorkerKeepsNewSearchBusy()
{
    TRegOptions s = longSearch();
    TVexelRegMgr mgr(&s);
    QSignalSpy spy(&mgr, &TVexelRegMgr::SearchEvent);
    const TCodes draws = randomDraws(500, 5);
    for (int i = 0; i < 20; ++i) {
        mgr.Start(draws);
        mgr.Stop();
    }
    mgr.Start(draws);
    // Let every stopped worker end and deliver its late reports.
    QTest::qWait(300);
    QVERIFY(mgr.Busy());
    QCOMPARE(countKind(spy, 2), 0);
    mgr.Stop();
    QTRY_VERIFY_WITH_TIMEOUT(!mgr.WorkerRunning() && countKind(spy, 2) == 1, 10000);
    QVERIFY(!mgr.Busy());
}

void TestSearch::destroyDuringSearch()
{
    TRegOptions s = longSearch();
    auto *mgr = new TVexelRegMgr(&s);
    int reports = 0;
    connect(mgr, &TVexelRegMgr::SearchEvent, this, [&] { ++reports; });
    mgr->Start(randomDraws(500, 9));
    QTRY_VERIFY_WITH_TIMEOUT(reports > 0, 10000);
    delete mgr;
    const int afterDelete = reports;
    QTest::qWait(100);
    QCOMPARE(reports, afterDelete);
}

void TestSearch::patternLimit_data()
{
    QTest::addColumn<int>("earlier");
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<int>("deleted"); // earlier patterns deleted before the search
    QTest::addColumn<bool>("reached");
    QTest::newRow("earlier patterns count") << 5 << qint64(12) << 0 << true;
    QTest::newRow("deleted ones free room") << 5 << qint64(12) << 3 << true;
    QTest::newRow("full before the search") << 15 << qint64(12) << 0 << true;
    QTest::newRow("room for all") << 5 << DefaultPatternLimit << 0 << false;
}

void TestSearch::patternLimit()
{
    QFETCH(int, earlier);
    QFETCH(qint64, limit);
    QFETCH(int, deleted);
    QFETCH(bool, reached);
    TRegOptions s;
    s.SecCountSe = 3;
    const TCodes draws = randomDraws(300, 7);
    Recorder all;
    run(draws, s, all);
    QVERIFY(all.found.size() > 20);

    TVexelRegMgr mgr(&s);
    mgr.SetPatternLimit(limit);
    for (int i = 0; i < earlier + 3; ++i)
        mgr.Add(new TVexelReg);
    mgr.Delete(0);
    mgr.RemoveAll({mgr.Get(0), mgr.Get(1)});
    for (int i = 0; i < deleted; ++i)
        mgr.Delete(0);
    QSignalSpy spy(&mgr, &TVexelRegMgr::SearchEvent);
    mgr.Start(draws);
    QTRY_VERIFY_WITH_TIMEOUT(countKind(spy, 2) == 1, 20000);
    QTest::qWait(50);
    QCOMPARE(countKind(spy, 2), 1);
    QCOMPARE(mgr.LastOutcome().end, reached ? TSearchOutcome::LimitReached : TSearchOutcome::Completed);
    // The patterns kept are the first ones the run finds, as many as fit.
    const int before = earlier - deleted;
    const int kept = reached ? int(qMax<qint64>(0, limit - before)) : int(all.found.size());
    QCOMPARE(mgr.Count(), qMax(before, 0) + kept);
    for (int i = 0; i < kept; ++i)
        QCOMPARE(mgr.Get(before + i)->StepsText(), all.patterns[size_t(i)]->StepsText());
}

void TestSearch::failedRunReported_data()
{
    QTest::addColumn<int>("failure"); // what the run throws after two patterns
    QTest::addColumn<int>("end");
    QTest::addColumn<QString>("error");
    QTest::newRow("out of memory") << 0 << int(TSearchOutcome::OutOfMemory) << QString();
    QTest::newRow("model error") << 1 << int(TSearchOutcome::Failed) << "TCodes.GetNum Err!";
    QTest::newRow("unknown") << 2 << int(TSearchOutcome::Failed) << QString();
}

void TestSearch::failedRunReported()
{
    QFETCH(int, failure);
    QFETCH(int, end);
    QFETCH(QString, error);
    TRegOptions s;
    TVexelRegMgr mgr(&s);
    mgr.SetSearchFunction([failure](const TCodes &, const TRegOptions &, TSearchSink &sink,
                                    const std::atomic<bool> &) -> qint64 {
        sink.Found(std::make_unique<TVexelReg>(), 1);
        sink.Found(std::make_unique<TVexelReg>(), 2);
        if (failure == 0)
            throw std::bad_alloc();
        if (failure == 1)
            throw EVexelError(QStringLiteral("TCodes.GetNum Err!"));
        throw 42;
    });
    QSignalSpy spy(&mgr, &TVexelRegMgr::SearchEvent);
    mgr.Start(TCodes());
    QTRY_VERIFY_WITH_TIMEOUT(countKind(spy, 2) == 1, 20000);
    QCOMPARE(int(mgr.LastOutcome().end), end);
    QCOMPARE(mgr.LastOutcome().error, error);
    QVERIFY(mgr.LastOutcome().IsFailure());
    QCOMPARE(mgr.Count(), 2);
    QCOMPARE(spy.last().at(1).toLongLong(), qint64(2));
    QVERIFY(!mgr.Busy());
}

void TestSearch::estimate_data()
{
    QTest::addColumn<TRegOptions>("settings");
    QTest::addColumn<qint64>("combinations");
    QTest::addColumn<qint64>("patterns"); // -1: counted here
    QTest::addColumn<int>("meet");        // the meet-in-the-middle search takes part: 1 yes, 0 no, -1 either
    auto search = [](int maxPoints, int minSteps) {
        TRegOptions s = longSearch();
        s.LinedPtMaxSe = maxPoints;
        s.SecCountSe = minSteps;
        return s;
    };
    // The workloads of the benchmark and the densest search the dialog
    // allows, on the sample history. The counts given were measured once
    // with the engine and a sink that only counts (deep takes a second,
    // max and dense minutes); dense also as the line count of vexel-search.
    QTest::newRow("wide") << search(4, 6) << qint64(1091058) << qint64(-1) << -1;
    QTest::newRow("deep") << search(6, 9) << qint64(171321510) << qint64(202) << 1;
    QTest::newRow("max") << search(9, 12) << qint64(98726452679) << qint64(129) << 1;
    // Hundreds of millions of patterns: the brute force streams them.
    QTest::newRow("dense") << search(6, 3) << qint64(171321510) << qint64(205354957) << 0;
    // Lines on the reference row itself read the target's own draw.
    QTest::newRow("start settings") << TRegOptions() << qint64(3654) << qint64(-1) << 0;
}

void TestSearch::estimate()
{
    QFETCH(TRegOptions, settings);
    QFETCH(qint64, combinations);
    QFETCH(qint64, patterns);
    QFETCH(int, meet);
    TCodes draws;
    RebuildDrawList(draws, ReadDrawFile(SAMPLE_HISTORY_PATH));
    if (patterns < 0) {
        Recorder rec;
        QCOMPARE(run(draws, settings, rec), combinations);
        patterns = rec.found.size();
    }
    const TSearchEstimate e = EstimateSearch(settings, draws.Count());
    QCOMPARE(e.combinations, combinations);
    const double ratio = e.patterns / double(patterns);
    QVERIFY2(ratio > 1.0 / 3 && ratio < 3, qPrintable(QString::number(e.patterns)));
    // The time follows the engine: the point counts the meet-in-the-middle
    // search takes cost their tables, not their lines.
    if (meet >= 0)
        QCOMPARE(e.meetWork > 0, bool(meet));
    if (meet == 1)
        QVERIFY(e.lines < 1e-3 * double(combinations));
}

QTEST_GUILESS_MAIN(TestSearch)
#include "tst_search.moc"
