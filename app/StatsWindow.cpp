#include "app/StatsWindow.h"
#include "app/BarChart.h"
#include "core/CountText.h"
#include "core/Backtest.h"
#include "core/BacktestText.h"
#include "core/ForecastCheck.h"
#include "app/WindowFit.h"
#include "chart/ChartPalette.h"

#include <QElapsedTimer>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

// Counting is cheap, but a search reports patterns many times a second:
// count at most this often, and with a million patterns or more, rarely
// enough that counting never takes more than a fifth of the time.
constexpr int RecountDelayMs = 200;
constexpr int LongestRecountDelayMs = 2000;

// Consensus charts per row: the six two-position targets fill the first.
constexpr int ConsensusColumns = 6;

QString ConsensusTitle(const TTargetCount &t)
{
    const QString target = TargetText(t.mask);
    if (t.patterns == 0)
        return QStringLiteral("%1：没有规律").arg(target);
    const int digit = t.Consensus();
    if (digit < 0)
        return QStringLiteral("%1：%2个规律，没有预测").arg(target, CountText(t.patterns));
    return QStringLiteral("%1：%2个规律，共识 %3").arg(target, CountText(t.patterns)).arg(digit);
}

// The title of a narrow chart: the consensus first, the count left out.
QString ShortConsensusTitle(const TTargetCount &t)
{
    const QString target = TargetText(t.mask);
    if (t.patterns == 0)
        return QStringLiteral("%1：没有规律").arg(target);
    const int digit = t.Consensus();
    return digit < 0 ? QStringLiteral("%1：没有预测").arg(target) : QStringLiteral("%1：共识 %2").arg(target).arg(digit);
}

} // namespace

TStatsWindow::TStatsWindow(TProvider provider, QWidget *parent)
    : QWidget(parent, Qt::Window), m_provider(std::move(provider))
{
    setObjectName(QStringLiteral("StatsForm"));
    setWindowTitle(QStringLiteral("规律统计"));
    setFont(ChartPalette::Font(14));
    WindowFit::FitToScreen(*this, QSize(1080, 720));

    m_timer.setSingleShot(true);
    m_timer.setInterval(RecountDelayMs);
    connect(&m_timer, &QTimer::timeout, this, &TStatsWindow::Recount);

    auto *content = new QWidget;
    auto *layout = new QVBoxLayout(content);
    m_subject = new QLabel(this);
    m_subject->setObjectName(QStringLiteral("SubjectLbl"));
    QFont bold = font();
    bold.setBold(true);
    m_subject->setFont(bold);
    layout->addWidget(m_subject);
    auto *hint = new QLabel(QStringLiteral("在规律列表中选中多于一行时，只统计选中的规律；否则统计全部规律。"
                                           "统计随规律的增加、删除和选择自动更新。"),
                            this);
    hint->setWordWrap(true);
    layout->addWidget(hint);

    m_targets = new TBarChart(this);
    m_targets->setObjectName(QStringLiteral("TargetChart"));
    layout->addWidget(m_targets, 5);

    auto *consensusHint = new QLabel(QStringLiteral("预测共识：每个目标位置上预测各个数字的规律数，"
                                                    "方框标出预测最多的数字（票数相同时取较小的数字）。"),
                                     this);
    consensusHint->setWordWrap(true);
    layout->addWidget(consensusHint);
    m_judgedText = new QLabel(this);
    m_judgedText->setObjectName(QStringLiteral("JudgedLbl"));
    m_judgedText->setWordWrap(true);
    m_judgedText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_judgedText);
    m_consensusGrid = new QGridLayout;
    m_consensusGrid->setSpacing(6);
    layout->addLayout(m_consensusGrid, 8);
    WindowFit::SetScrollingContent(*this, content);
}

void TStatsWindow::Refresh()
{
    m_stale = true;
    if (isVisible() && !m_timer.isActive())
        m_timer.start();
}

void TStatsWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_stale)
        Recount();
}

void TStatsWindow::Recount()
{
    m_timer.stop();
    m_stale = false;
    QElapsedTimer clock;
    clock.start();
    const TStatsSubject subject = m_provider ? m_provider() : TStatsSubject{};
    m_stats = CountPatterns(subject.patterns);
    m_judged = subject.current && subject.searched
                   ? JudgeForecasts(TForecastCheck(*subject.current, *subject.searched), subject.patterns)
                   : TBacktestResult{};
    m_timer.setInterval(int(qBound(qint64(RecountDelayMs), 4 * clock.elapsed(), qint64(LongestRecountDelayMs))));
    Show(subject.selection);
}

TBarChart *TStatsWindow::ConsensusChart(int index)
{
    while (int(m_consensus.size()) <= index) {
        auto *chart = new TBarChart(this);
        chart->setObjectName(QStringLiteral("ConsensusChart%1").arg(m_consensus.size()));
        chart->SetTextSize(12);
        const int i = int(m_consensus.size());
        m_consensusGrid->addWidget(chart, i / ConsensusColumns, i % ConsensusColumns);
        m_consensus.push_back(chart);
    }
    return m_consensus[size_t(index)];
}

void TStatsWindow::Show(bool selection)
{
    const qint64 n = m_stats.patterns;
    if (n == 0)
        m_subject->setText(selection ? QStringLiteral("选中的规律为空。")
                                     : QStringLiteral("还没有规律：请先搜索，或打开保存过的工作文档。"));
    else
        m_subject->setText(selection ? QStringLiteral("统计选中的 %1 个规律").arg(CountText(n))
                                     : QStringLiteral("统计全部 %1 个规律").arg(CountText(n)));

    std::vector<TBarChart::TBar> bars;
    for (const TTargetCount &t : m_stats.targets)
        bars.push_back({TargetText(t.mask), t.patterns, ConsensusTitle(t)});
    ShowJudged();
    m_targets->SetTitle(QStringLiteral("各目标位置的规律数"));
    m_targets->SetBars(std::move(bars));

    // The three- and four-position targets start the second row.
    for (int i = 0; i < int(m_stats.targets.size()); ++i) {
        const TTargetCount &t = m_stats.targets[size_t(i)];
        std::vector<TBarChart::TBar> digits;
        for (int d = 0; d <= 9; ++d)
            digits.push_back({QString::number(d), t.forecasts[size_t(d)],
                              QStringLiteral("%1 预测 %2：%3个规律").arg(TargetText(t.mask)).arg(d).arg(
                                  CountText(t.forecasts[size_t(d)]))});
        TBarChart *chart = ConsensusChart(i);
        chart->SetTitle(ConsensusTitle(t), ShortConsensusTitle(t));
        chart->SetBars(std::move(digits), t.Consensus());
        chart->show();
    }
    for (size_t i = m_stats.targets.size(); i < m_consensus.size(); ++i)
        m_consensus[i]->hide();
}

void TStatsWindow::ShowJudged()
{
    const TBacktestResult &r = m_judged;
    if (r.total.tests == 0) {
        m_judgedText->setText(QStringLiteral("预测检验：这些规律预测的那一期还没有开奖，或者开奖数据已经不是搜索时的那一份，"
                                             "暂时没有可以检验的预测。开出下一期后在走势图中输入它，这里就会检验。"));
        return;
    }
    const TRateInterval interval = r.Interval();
    QString text = QStringLiteral("预测检验：有 %1 个规律预测的那一期已经开奖（共 %2 期），其中 %3 个命中，命中率 %4"
                                  "（随便猜的命中率是 10.00%）。")
                       .arg(CountText(r.total.tests), CountText(qint64(r.draws.size())),
                            CountText(r.total.hits))
                       .arg(PercentText(r.total.Rate()));
    text += interval.valid ? ChanceExplanation(interval)
                           : QStringLiteral("同一期的规律预测的是同一组号码，往往同对同错，只有一期时无法判断比随便猜准不准。");
    if (interval.valid && interval.TooFew())
        text += FewDrawsWarning(interval.units);
    const TBacktestTally agreed = r.ConsensusTotal();
    if (agreed.tests > 0) {
        QStringList results; // per target: hits of its tests
        for (quint16 mask : ListedTargets(r.consensus))
            results << QStringLiteral("%1 %2/%3")
                           .arg(TargetText(mask), CountText(r.consensus.at(mask).hits),
                                CountText(r.consensus.at(mask).tests));
        text += QStringLiteral("共识预测（每期每个位置取预测最多的数字）检验 %1 次，命中 %2 次，命中率 %3")
                    .arg(CountText(agreed.tests), CountText(agreed.hits))
                    .arg(PercentText(agreed.Rate()));
        const TRateInterval band = ConsensusRateInterval(r.draws);
        text += band.valid ? QStringLiteral("（单凭运气 95% 的情况下在 %1 之间）").arg(BandText(band)) : QString();
        text += QStringLiteral("；各位置命中/检验：%1。").arg(results.join(QStringLiteral("，")));
    }
    m_judgedText->setText(text);
}
