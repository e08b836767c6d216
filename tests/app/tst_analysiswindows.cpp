// The statistics and backtest windows as the user sees them: the painted
// bars, the marked consensus digit, the backtest's table after a run, and
// closing the backtest window while its run still reports.
#include "core/BacktestText.h"
#include "core/BacktestThread.h"
#include "app/BacktestWindow.h"
#include "app/BarChart.h"
#include "app/ChartStyle.h"
#include "tests/support/DrawsOf.h"
#include "app/StatsWindow.h"
#include "core/VexelReg.h"

#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QtTest>
#include <memory>

namespace {

// Pixels of `colour` in the column through the middle of bar `index`.
int paintedHeight(TBarChart *chart, int index, const QColor &colour)
{
    const QImage image = chart->grab().toImage();
    const int x = chart->BarRect(index).center().x();
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        count += QColor(image.pixel(x, y)) == colour;
    return count;
}

} // namespace

class TestAnalysisWindows : public QObject
{
    Q_OBJECT

private slots:
    void statisticsShowCountsAndConsensus();
    void backtestShowsItsRun();
    void closingStopsTheRun_data();
    void closingStopsTheRun();
};

void TestAnalysisWindows::statisticsShowCountsAndConsensus()
{
    // AB: 12 forecast 3, 12 forecast 8, 6 forecast 1; AC: 10 forecast 5.
    std::vector<std::unique_ptr<TVexelReg>> pool;
    auto add = [&](quint16 mask, qint32 forecast, int n) {
        for (int i = 0; i < n; ++i) {
            pool.push_back(std::make_unique<TVexelReg>());
            pool.back()->SetTargetMask(mask);
            pool.back()->AddStep({forecast}, mask);
        }
    };
    add(6, 8, 12);
    add(6, 3, 12);
    add(6, 1, 6);
    add(10, 5, 10);
    int calls = 0;
    TStatsWindow window([&] {
        ++calls;
        TStatsSubject subject{{}, true};
        for (const auto &p : pool)
            subject.patterns.push_back(p.get());
        return subject;
    });

    // Changes while hidden are only noted; many in a row make one count.
    for (int i = 0; i < 1000; ++i)
        window.Refresh();
    QCOMPARE(calls, 0);
    window.show();
    QCOMPARE(calls, 1);
    for (int i = 0; i < 1000; ++i)
        window.Refresh();
    QTRY_COMPARE(calls, 2);
    QCoreApplication::processEvents();
    QCOMPARE(calls, 2);

    QCOMPARE(window.findChild<QLabel *>(QStringLiteral("SubjectLbl"))->text(), QStringLiteral("统计选中的 40 个规律"));
    auto *targets = window.findChild<TBarChart *>(QStringLiteral("TargetChart"));
    const int ab = paintedHeight(targets, 0, ChartStyle::FirstStep);
    const int ac = paintedHeight(targets, 1, ChartStyle::FirstStep);
    QVERIFY2(ab > 60, qPrintable(QString::number(ab)));
    QVERIFY2(qAbs(ab - 3 * ac) <= 2, qPrintable(QStringLiteral("%1 %2").arg(ab).arg(ac)));
    QCOMPARE(paintedHeight(targets, 2, ChartStyle::FirstStep), 0);

    // AB's tie between 3 and 8 goes to 3, which alone is marked.
    auto *consensus = window.findChild<TBarChart *>(QStringLiteral("ConsensusChart0"));
    QCOMPARE(consensus->Title(), QStringLiteral("AB：30个规律，共识 3"));
    QVERIFY(paintedHeight(consensus, 3, ChartStyle::SecondStep) > 0);
    QCOMPARE(paintedHeight(consensus, 8, ChartStyle::SecondStep), 0);
    QCOMPARE(paintedHeight(consensus, 8, ChartStyle::FirstStep), paintedHeight(consensus, 3, ChartStyle::SecondStep));
}

void TestAnalysisWindows::backtestShowsItsRun()
{
    const TCodes draws = randomDraws(60, 7);
    TRegOptions settings;
    settings.SecCountSe = 3;
    std::atomic<bool> stop{false};
    const TBacktestResult expected = RunBacktest(draws, settings, LastDraws(60, 5), stop);

    auto *window = new TBacktestWindow(draws, settings);
    QPointer<TBacktestWindow> guard(window);
    window->show();
    auto *last = window->findChild<QSpinBox *>(QStringLiteral("LastSe"));
    QCOMPARE(last->value(), 60); // fewer draws than the usual 100
    last->setValue(5);
    QSignalSpy shown(window, &TBacktestWindow::backtestShown);
    QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("StartBt")), Qt::LeftButton);
    QVERIFY(shown.wait(120000));

    auto *table = window->findChild<QTableWidget *>(QStringLiteral("DrawsView"));
    QCOMPARE(table->rowCount(), 5);
    for (int row = 0; row < 5; ++row) {
        const TBacktestDraw &d = expected.draws[size_t(row)];
        QCOMPARE(table->item(row, 0)->text(), QString::number(56 + row));
        QCOMPARE(table->item(row, 1)->text(), QString::number(d.patterns));
        QCOMPARE(table->item(row, 2)->text(), QString::number(d.hits));
    }
    QVERIFY(expected.total.tests > 0);
    auto *targets = window->findChild<QTableWidget *>(QStringLiteral("TargetsView"));
    const int sum = targets->rowCount() - 1;
    QCOMPARE(targets->item(sum, 0)->text(), QStringLiteral("合计"));
    QCOMPARE(targets->item(sum, 1)->text(), QString::number(expected.total.tests));
    QCOMPARE(targets->item(sum, 4)->text(), QString::number(expected.ConsensusTotal().tests));
    QCOMPARE(window->findChild<QLabel *>(QStringLiteral("ChanceLbl"))->text(),
             ChanceExplanation(expected.Interval()));
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(guard.isNull());
}

void TestAnalysisWindows::closingStopsTheRun_data()
{
    QTest::addColumn<bool>("queued");
    QTest::newRow("every report queued") << true;
    QTest::newRow("run going") << false;
}

void TestAnalysisWindows::closingStopsTheRun()
{
    QFETCH(bool, queued);
    // Long searches: a run that went on would take minutes.
    TRegOptions settings;
    settings.LinedDistMinSe = 1;
    settings.LinedDistMaxSe = 9;
    settings.LinedPtMinSe = 1;
    settings.LinedPtMaxSe = queued ? 2 : 6;
    settings.RefSumChk = true;
    settings.InterMaxSe = 20;
    settings.MaxYOfSecSe = 6;
    settings.SecCountSe = queued ? 3 : 9;
    auto *window = new TBacktestWindow(randomDraws(queued ? 40 : 300, 11), settings);
    QPointer<TBacktestWindow> guard(window);
    window->show();
    window->SetLastDraws(queued ? 10 : 300);
    window->StartClick();
    auto *thread = window->findChild<TBacktestThread *>();
    QVERIFY(thread);
    if (queued)
        thread->wait(); // the run has ended; its reports wait in the queue
    bool closed = false;
    int reportsAfterClose = 0;
    connect(thread, &TBacktestThread::drawTested, this, [&] { reportsAfterClose += closed; });
    connect(thread, &TBacktestThread::backtestFinished, this, [&] { reportsAfterClose += closed; });

    closed = true;
    window->close();
    QTRY_VERIFY(guard.isNull());
    QCoreApplication::processEvents();
    QCOMPARE(reportsAfterClose, 0);
}

QTEST_MAIN(TestAnalysisWindows)
#include "tst_analysiswindows.moc"
