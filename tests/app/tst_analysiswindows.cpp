// The statistics and backtest windows as the user sees them: the painted
// bars, the marked consensus digit, the backtest's table after a run, and
// closing the backtest window while its run still reports.
#include "core/BacktestText.h"
#include "core/BacktestThread.h"
#include "app/BacktestWindow.h"
#include "app/BarChart.h"
#include "app/HitRateChart.h"
#include "chart/ChartPalette.h"
#include "tests/support/DrawsOf.h"
#include "app/StatsWindow.h"
#include "core/VexelReg.h"

#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QtTest>
#include <memory>

namespace {

// Whether a window lies within its screen's room for windows and shows all
// of its content, at its minimum size or more, in its scroll area.
bool FitsTheScreen(QWidget &window)
{
    const QWidget *content = window.findChild<QScrollArea *>()->widget();
    return window.screen()->availableGeometry().contains(window.frameGeometry())
           && content->width() >= content->minimumSizeHint().width()
           && content->height() >= content->minimumSizeHint().height();
}

// Pixels near `colour` (the text's core, not its smoothed edge) in an area.
int inkIn(const QImage &image, const QRect &area, const QColor &colour)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c(image.pixel(x, y));
            n += qAbs(c.red() - colour.red()) + qAbs(c.green() - colour.green()) + qAbs(c.blue() - colour.blue()) < 150;
        }
    return n;
}

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
    void hitRateChartKeepsItsTexts();
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
    const int ab = paintedHeight(targets, 0, ChartPalette::StepColor(0));
    const int ac = paintedHeight(targets, 1, ChartPalette::StepColor(0));
    QVERIFY2(ab > 60, qPrintable(QString::number(ab)));
    QVERIFY2(qAbs(ab - 3 * ac) <= 2, qPrintable(QStringLiteral("%1 %2").arg(ab).arg(ac)));
    QCOMPARE(paintedHeight(targets, 2, ChartPalette::StepColor(0)), 0);

    // AB's tie between 3 and 8 goes to 3, which alone is marked.
    auto *consensus = window.findChild<TBarChart *>(QStringLiteral("ConsensusChart0"));
    QCOMPARE(consensus->Title(), QStringLiteral("AB：30个规律，共识 3"));
    QVERIFY(paintedHeight(consensus, 3, ChartPalette::StepColor(1)) > 0);
    QCOMPARE(paintedHeight(consensus, 8, ChartPalette::StepColor(1)), 0);
    QCOMPARE(paintedHeight(consensus, 8, ChartPalette::StepColor(0)), paintedHeight(consensus, 3, ChartPalette::StepColor(1)));

    // Within the screen; at its narrowest the small charts still name the
    // consensus digit.
    QVERIFY(FitsTheScreen(window));
    window.resize(200, window.height());
    QTest::qWait(20);
    QVERIFY(FitsTheScreen(window));
    QCOMPARE(consensus->ShownTitle(), QStringLiteral("AB：共识 3"));
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
    const QLocale chinese(QLocale::Chinese, QLocale::China); // counts as "3,925"
    QCOMPARE(targets->item(sum, 1)->text(), chinese.toString(expected.total.tests));
    QVERIFY(targets->item(sum, 4)->text().endsWith(QStringLiteral("–") + PercentText(expected.Interval().chanceHigh)));
    QCOMPARE(targets->item(sum, 5)->text(), chinese.toString(expected.ConsensusTotal().tests));
    QCOMPARE(window->findChild<QLabel *>(QStringLiteral("ChanceLbl"))->text(),
             ChanceExplanation(expected.Interval()));
    // Five draws say nothing: every row is greyed and the interval warns.
    const QColor grey = targets->palette().color(QPalette::Disabled, QPalette::Text);
    for (int r = 0; r <= sum; ++r)
        QCOMPARE(targets->item(r, 1)->foreground().color(), grey);
    QVERIFY(window->findChild<QLabel *>(QStringLiteral("IntervalLbl"))->text().contains(FewDrawsWarning(5)));

    // The window opens within the screen, and its totals row scrolls into view.
    QVERIFY(FitsTheScreen(*window));
    auto *area = window->findChild<QScrollArea *>();
    area->ensureWidgetVisible(targets);
    targets->scrollToBottom();
    const QRect row = targets->visualRect(targets->model()->index(sum, 0));
    const QRect onScreen(targets->viewport()->mapTo(area->viewport(), row.topLeft()), row.size());
    QVERIFY2(area->viewport()->rect().contains(onScreen),
             qPrintable(QStringLiteral("%1 to %2").arg(onScreen.top()).arg(onScreen.bottom())));
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(guard.isNull());
}

// The last draw number stands whole at the right edge, and the waiting text
// stays clear of the dashed 10 % line.
void TestAnalysisWindows::hitRateChartKeepsItsTexts()
{
    THitRateChart chart;
    chart.resize(chart.minimumSizeHint());
    chart.SetDraws({2395, 2495}, {});
    chart.show();
    const QImage image = chart.grab().toImage();
    const QRect plot = chart.PlotRect();
    const QRect labels(QPoint(chart.width() - 40, plot.bottom() + 3), QPoint(chart.width() - 1, chart.height() - 1));
    QVERIFY(inkIn(image, labels, Qt::black) > 20);
    QCOMPARE(inkIn(image, labels.adjusted(37, 0, 0, 0), Qt::black), 0);

    const int chance = plot.bottom() - qRound(0.1 / chart.RateTop() * plot.height());
    const QRect inside = plot.adjusted(1, 1, -1, -1);
    QVERIFY(inkIn(image, inside.adjusted(0, 0, 0, chance - 2 - inside.bottom()), ChartPalette::CommentText) > 30);
    QCOMPARE(inkIn(image, inside.adjusted(0, chance + 3 - inside.top(), 0, 0), ChartPalette::CommentText), 0);
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
