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

QTEST_APPLESS_MAIN(TestForecastCheck)
#include "tst_forecastcheck.moc"
