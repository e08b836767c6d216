// The history's own figures per position and digit, and the distributions
// behind their tests.
#include "core/HistoryStats.h"
#include "core/Probability.h"
#include "tests/support/DrawsOf.h"

#include <QtTest>

namespace {

// The figures of one position and digit from their definitions, one draw at
// a time, sharing nothing with the single pass of the program.
TDigitFigures plainFigures(const TCodes &draws, int window, int position, int digit)
{
    const int n = draws.Count();
    const int first = window <= 0 || window > n ? 0 : n - window;
    TDigitFigures f;
    for (int i = first; i < n; ++i)
        f.count += draws.GetNum(position, i) == digit;
    while (f.omission < n && draws.GetNum(position, n - 1 - f.omission) != digit)
        ++f.omission;
    for (int start = 0; start < n; ++start) {
        int run = 0;
        while (start + run < n && draws.GetNum(position, start + run) != digit)
            ++run;
        f.longest = std::max(f.longest, run);
    }
    return f;
}

// `draws` with raw values that SetNum refuses, as a workspace file can hold
// them: {position, index, value}.
TCodes withValues(const TCodes &draws, std::initializer_list<std::array<int, 3>> values)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    draws.SaveToStream(out);
    for (const auto &[position, index, value] : values)
        qToLittleEndian<qint32>(value, bytes.data() + 8 + TCodes::RecordSize * index + 4 * position);
    QDataStream in(bytes);
    in.setByteOrder(QDataStream::LittleEndian);
    TCodes odd;
    odd.LoadFromStream(in);
    return odd;
}

QString figuresText(const TPositionFigures &p)
{
    QStringList out;
    for (int d = 0; d < 10; ++d) {
        const TDigitFigures &f = p.digits[size_t(d)];
        out << QStringLiteral("%1:%2/%3/%4").arg(d).arg(f.count).arg(f.omission).arg(f.longest);
    }
    return out.join(QLatin1Char(' '));
}

} // namespace

class TestHistoryStats : public QObject
{
    Q_OBJECT

private slots:
    void distributions_data();
    void distributions();
    void handChecked_data();
    void handChecked();
    void againstDefinitions();
};

void TestHistoryStats::distributions_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<double>("x");
    QTest::addColumn<int>("degrees");
    QTest::addColumn<double>("expected");

    // Upper tails at the textbook critical values, and the t quantiles the
    // backtest's intervals use.
    QTest::newRow("chi2 0") << "chi2" << 0.0 << 9 << 1.0;
    QTest::newRow("chi2 5%") << "chi2" << 16.919 << 9 << 0.05;
    QTest::newRow("chi2 1%") << "chi2" << 21.666 << 9 << 0.01;
    QTest::newRow("chi2 0.1%") << "chi2" << 27.877 << 9 << 0.001;
    QTest::newRow("chi2 median") << "chi2" << 8.343 << 9 << 0.5;
    QTest::newRow("chi2 one degree") << "chi2" << 3.841 << 1 << 0.05;
    QTest::newRow("t 1") << "t" << 0.975 << 1 << 12.706;
    QTest::newRow("t 4") << "t" << 0.975 << 4 << 2.776;
    QTest::newRow("t 19") << "t" << 0.975 << 19 << 2.093;
    QTest::newRow("t 99") << "t" << 0.975 << 99 << 1.984;
    QTest::newRow("t large") << "t" << 0.975 << 100000 << 1.960;
    QTest::newRow("t lower") << "t" << 0.025 << 4 << -2.776;
    // The binomial quantiles of consensus tests under chance (n trials of 10 %).
    QTest::newRow("binomial 30 low") << "binomial" << 0.025 << 30 << 0.0;
    QTest::newRow("binomial 30 high") << "binomial" << 0.975 << 30 << 7.0;
    QTest::newRow("binomial 100 low") << "binomial" << 0.025 << 100 << 5.0;
    QTest::newRow("binomial 100 high") << "binomial" << 0.975 << 100 << 16.0;
    QTest::newRow("binomial 600 low") << "binomial" << 0.025 << 600 << 46.0;
    QTest::newRow("binomial 600 high") << "binomial" << 0.975 << 600 << 75.0;
}

void TestHistoryStats::distributions()
{
    QFETCH(QString, kind);
    QFETCH(double, x);
    QFETCH(int, degrees);
    QFETCH(double, expected);
    const double got = kind == QLatin1String("chi2")  ? Probability::ChiSquareUpperTail(x, degrees)
                       : kind == QLatin1String("t") ? Probability::StudentTQuantile(x, degrees)
                                                    : double(Probability::BinomialQuantile(degrees, 0.1, x));
    QVERIFY2(std::fabs(got - expected) <= 0.0005 * std::max(1.0, std::fabs(expected)),
             qPrintable(QString::number(got, 'g', 10)));
}

void TestHistoryStats::handChecked_data()
{
    QTest::addColumn<QStringList>("draws");
    QTest::addColumn<int>("window");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("figures"); // digit:count/omission/longest
    QTest::addColumn<double>("chiSquare");

    const QStringList five = {"1000000", "2000000", "1000000", "3000000", "1000000"};
    const QString never = QStringLiteral("/5/5");
    QTest::newRow("A, all") << five << 0 << 1
        << QStringLiteral("0:0%1 1:3/0/1 2:1/3/3 3:1/1/3 4:0%1 5:0%1 6:0%1 7:0%1 8:0%1 9:0%1").arg(never)
        << 17.0;
    QTest::newRow("A, last two") << five << 2 << 1
        << QStringLiteral("0:0%1 1:1/0/1 2:0/3/3 3:1/1/3 4:0%1 5:0%1 6:0%1 7:0%1 8:0%1 9:0%1").arg(never)
        << 8.0;
    QTest::newRow("A, window past the history") << five << 50 << 1
        << QStringLiteral("0:0%1 1:3/0/1 2:1/3/3 3:1/1/3 4:0%1 5:0%1 6:0%1 7:0%1 8:0%1 9:0%1").arg(never)
        << 17.0;
    QTest::newRow("B, one digit always") << five << 0 << 2
        << QStringLiteral("0:5/0/0 1:0%1 2:0%1 3:0%1 4:0%1 5:0%1 6:0%1 7:0%1 8:0%1 9:0%1").arg(never)
        << 45.0;
    QTest::newRow("G, a run at the start") << QStringList{"0000001", "0000001", "0000009", "0000001"} << 0 << 7
        << QStringLiteral("0:0/4/4 1:3/0/1 2:0/4/4 3:0/4/4 4:0/4/4 5:0/4/4 6:0/4/4 7:0/4/4 8:0/4/4 9:1/1/2")
        << 21.0;
    QTest::newRow("empty history") << QStringList{} << 100 << 3
        << QStringLiteral("0:0/0/0 1:0/0/0 2:0/0/0 3:0/0/0 4:0/0/0 5:0/0/0 6:0/0/0 7:0/0/0 8:0/0/0 9:0/0/0")
        << 0.0;
}

void TestHistoryStats::handChecked()
{
    QFETCH(QStringList, draws);
    QFETCH(int, window);
    QFETCH(int, position);
    QFETCH(QString, figures);
    QFETCH(double, chiSquare);
    const THistoryFigures all = ComputeHistoryFigures(drawsOf(draws), window);
    const TPositionFigures &p = all.positions[size_t(position - 1)];
    QCOMPARE(figuresText(p), figures);
    QVERIFY(std::fabs(p.chiSquare - chiSquare) < 1e-9);
    QCOMPARE(p.pValue, chiSquare == 0 ? 1.0 : Probability::ChiSquareUpperTail(chiSquare, 9));
}

void TestHistoryStats::againstDefinitions()
{
    // Random histories, some of low entropy, one with values that are no
    // digit (as a damaged workspace can hold), every window the window offers.
    for (quint32 seed = 1; seed <= 12; ++seed) {
        TCodes draws = randomDraws(int(seed * 7 % 60), seed);
        QRandomGenerator rng(seed);
        for (int i = 0; i < draws.Count(); ++i)
            for (int p = 1; p <= 7; ++p)
                if (seed % 3 == 0 && rng.bounded(4) != 0)
                    draws.SetNum(p, i, 0);
        if (seed == 5)
            draws = withValues(draws, {{3, 2, 12}, {5, 2, -1}, {1, 0, 10}});
        for (int window : {0, 1, 7, 30, 100}) {
            const THistoryFigures all = ComputeHistoryFigures(draws, window);
            QCOMPARE(all.window, window <= 0 || window > draws.Count() ? draws.Count() : window);
            for (int p = 1; p <= 7; ++p)
                for (int d = 0; d < 10; ++d)
                    QCOMPARE(all.positions[size_t(p - 1)].digits[size_t(d)], plainFigures(draws, window, p, d));
        }
    }
}

QTEST_APPLESS_MAIN(TestHistoryStats)
#include "tst_historystats.moc"
