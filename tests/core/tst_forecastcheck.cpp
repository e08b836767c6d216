// Judging found patterns' forecasts once the draw they forecast is known.
#include "core/ForecastCheck.h"
#include "core/VexelReg.h"
#include "tests/support/DrawsOf.h"

#include <QtTest>

Q_DECLARE_METATYPE(TForecastCheck::Outcome)

class TestForecastCheck : public QObject
{
    Q_OBJECT

private slots:
    void outcome_data();
    void outcome();
    void judgedLikeABacktest();
};

void TestForecastCheck::outcome_data()
{
    QTest::addColumn<QStringList>("searched"); // the draws of the last search
    QTest::addColumn<QStringList>("current");  // the chart's draws now
    QTest::addColumn<int>("drawCount");        // the pattern's N
    QTest::addColumn<int>("mask");
    QTest::addColumn<int>("forecast");         // -1: a pattern without steps
    QTest::addColumn<TForecastCheck::Outcome>("outcome");

    const QStringList two = {"1234567", "7654321"};
    const QStringList three = two + QStringList{"3810000"}; // AB sums to 1, AC to 4, ABCD to 2
    using O = TForecastCheck;
    QTest::newRow("next draw came: hit") << two << three << 2 << 6 << 1 << O::Hit;
    QTest::newRow("next draw came: miss") << two << three << 2 << 6 << 2 << O::Miss;
    QTest::newRow("other target") << two << three << 2 << 10 << 4 << O::Hit;
    QTest::newRow("four positions") << two << three << 2 << 30 << 2 << O::Hit;
    QTest::newRow("not yet drawn") << two << two << 2 << 6 << 1 << O::Unknown;
    QTest::newRow("older search, later draws known") << three << three << 1 << 6 << 3 << O::Hit;
    QTest::newRow("searched on more than the snapshot") << two << three + QStringList{"0000000"} << 3 << 6 << 0 << O::Unknown;
    QTest::newRow("another history imported") << two << QStringList{"1234567", "7654320", "3810000"} << 2 << 6 << 1 << O::Unknown;
    QTest::newRow("edited before the forecast draw only") << three << QStringList{"1234567", "7654321", "3900000"} << 2 << 6 << 2 << O::Hit;
    QTest::newRow("no steps, no forecast") << two << three << 2 << 6 << -1 << O::Unknown;
    QTest::newRow("forecast no digit (damaged file)") << two << three << 2 << 6 << 11 << O::Unknown;
    QTest::newRow("negative draw count (damaged file)") << two << three << -1 << 6 << 1 << O::Unknown;
}

void TestForecastCheck::outcome()
{
    QFETCH(QStringList, searched);
    QFETCH(QStringList, current);
    QFETCH(int, drawCount);
    QFETCH(int, mask);
    QFETCH(int, forecast);
    QFETCH(TForecastCheck::Outcome, outcome);
    const TCodes snapshot = drawsOf(searched), now = drawsOf(current);
    TVexelReg p;
    p.SetTargetMask(quint16(mask));
    p.SetDrawCount(drawCount);
    if (forecast >= 0)
        p.AddStep({forecast}, quint16(mask));
    QCOMPARE(TForecastCheck(now, snapshot).Of(p), outcome);
}

void TestForecastCheck::judgedLikeABacktest()
{
    // Two searches, on 2 and on 3 draws, continued by a fourth draw; AB sums
    // to 1 in draw 3 and to 5 in draw 4.
    const QStringList searched = {"1234567", "7654321", "3810000"};
    const TCodes snapshot = drawsOf(searched), now = drawsOf(searched + QStringList{"2300000"});
    std::vector<std::unique_ptr<TVexelReg>> owned;
    auto pattern = [&](int drawCount, quint16 mask, int forecast) {
        owned.push_back(std::make_unique<TVexelReg>());
        owned.back()->SetDrawCount(drawCount);
        owned.back()->SetTargetMask(mask);
        owned.back()->AddStep({forecast}, mask);
        return owned.back().get();
    };
    const std::vector<const TVexelReg *> patterns{
        pattern(2, 6, 1), pattern(2, 6, 1), pattern(2, 6, 7), // draw 3: two hits, consensus 1 hits
        pattern(3, 6, 4), pattern(3, 6, 4), pattern(3, 6, 5), // draw 4: one hit, consensus 4 misses
        pattern(4, 6, 0)};                                    // not drawn yet
    const TBacktestResult r = JudgeForecasts(TForecastCheck(now, snapshot), patterns);
    QCOMPARE(int(r.draws.size()), 2);
    QCOMPARE(r.draws[0].index, 2);
    QCOMPARE(r.total, (TBacktestTally{6, 3}));
    QCOMPARE(r.ConsensusTotal(), (TBacktestTally{2, 1}));
    QCOMPARE(r.Interval().units, 2);
}

QTEST_APPLESS_MAIN(TestForecastCheck)
#include "tst_forecastcheck.moc"
