// Counting patterns per target and the digit their forecasts agree on.
#include "core/PatternStats.h"
#include "core/VexelReg.h"

#include <QtTest>
#include <memory>

namespace {

// "AB7": a pattern on target AB forecasting 7; "AB-": one without steps;
// "AB#12": one whose stored forecast is 12. Letters H, A..D are bits 0..4,
// X is bit 6 (a mask no search makes).
std::vector<std::unique_ptr<TVexelReg>> patternsOf(const QString &tokens)
{
    std::vector<std::unique_ptr<TVexelReg>> out;
    for (const QString &token : tokens.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        auto p = std::make_unique<TVexelReg>();
        int i = 0;
        quint16 mask = 0;
        for (; i < token.size() && token[i].isLetter(); ++i)
            mask |= quint16(1u << (token[i] == QLatin1Char('X') ? 6 : QStringLiteral("HABCD").indexOf(token[i])));
        p->SetTargetMask(mask);
        if (token[i] == QLatin1Char('#'))
            p->AddStep({token.mid(i + 1).toInt()}, mask);
        else if (token[i] != QLatin1Char('-'))
            p->AddStep({token.mid(i).toInt()}, mask);
        out.push_back(std::move(p));
    }
    return out;
}

QString nameOf(quint16 mask)
{
    QString name;
    for (int b = 0; b <= 6; ++b)
        if (mask & (1u << b))
            name += b == 6 ? QLatin1Char('X') : QStringLiteral("HABCD")[b];
    return name;
}

} // namespace

class TestPatternStats : public QObject
{
    Q_OBJECT

private slots:
    void counts_data();
    void counts();
};

void TestPatternStats::counts_data()
{
    QTest::addColumn<QString>("patterns");
    QTest::addColumn<int>("first"); // count only the patterns from this one on, as a selection would
    QTest::addColumn<QString>("order");
    QTest::addColumn<QString>("counts"); // targets with patterns: name:patterns:consensus

    const QString standard = QStringLiteral("AB AC AD BC BD CD ABC ABD ACD BCD ABCD");
    QTest::newRow("none") << "" << 0 << standard << "";
    QTest::newRow("clear winner") << "AC5 AC5 AC2" << 0 << standard << "AC:3:5";
    QTest::newRow("tie to the smaller digit") << "AB7 AB3 AB7 AB3" << 0 << standard << "AB:4:3";
    QTest::newRow("three-way tie") << "CD9 CD0 CD4" << 0 << standard << "CD:3:0";
    QTest::newRow("targets apart") << "ABCD1 AB2 ABD3 ABCD1 AB4" << 0 << standard << "AB:2:2 ABD:1:3 ABCD:2:1";
    QTest::newRow("no steps: no forecast") << "BD- BD-" << 0 << standard << "BD:2:-";
    QTest::newRow("forecast no digit") << "BC#12 BC#-1 BC8" << 0 << standard << "BC:3:8";
    QTest::newRow("unknown targets follow") << "AX2 HAB3 AB3" << 0 << standard + " HAB AX" << "AB:1:3 HAB:1:3 AX:1:2";
    QTest::newRow("selection") << "AB1 AB1 AB1 AB2 AB2 AC6" << 3 << standard << "AB:2:2 AC:1:6";
}

void TestPatternStats::counts()
{
    QFETCH(QString, patterns);
    QFETCH(int, first);
    QFETCH(QString, order);
    QFETCH(QString, counts);

    const auto pool = patternsOf(patterns);
    std::vector<const TVexelReg *> counted;
    for (size_t i = size_t(first); i < pool.size(); ++i)
        counted.push_back(pool[i].get());
    const TPatternStats stats = CountPatterns(counted);

    QStringList names, shown;
    qint64 sum = 0;
    for (const TTargetCount &t : stats.targets) {
        names << nameOf(t.mask);
        sum += t.patterns;
        if (t.patterns > 0)
            shown << QStringLiteral("%1:%2:%3")
                         .arg(nameOf(t.mask))
                         .arg(t.patterns)
                         .arg(t.Consensus() < 0 ? QStringLiteral("-") : QString::number(t.Consensus()));
    }
    QCOMPARE(names.join(QLatin1Char(' ')), order);
    QCOMPARE(shown.join(QLatin1Char(' ')), counts);
    QCOMPARE(stats.patterns, qint64(counted.size()));
    QCOMPARE(sum, stats.patterns);
}

QTEST_APPLESS_MAIN(TestPatternStats)
#include "tst_patternstats.moc"
