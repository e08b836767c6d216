#include "app/BacktestWindow.h"
#include "io/BacktestCsv.h"
#include "core/BacktestText.h"
#include "core/BacktestThread.h"
#include "chart/ChartPalette.h"
#include "io/CsvFile.h"
#include "core/CountText.h"
#include "app/DurationText.h"
#include "app/FileDialog.h"
#include "app/HitRateChart.h"
#include "app/MessageBox.h"
#include "app/WindowFit.h"
#include "core/VexelError.h"

#include <QCloseEvent>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableWidget>
#include <QThread>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr int DefaultLastDraws = 100;

QTableWidget *NewTable(const QString &name, const QStringList &titles, QWidget *parent)
{
    auto *table = new QTableWidget(0, int(titles.size()), parent);
    table->setObjectName(name);
    table->setHorizontalHeaderLabels(titles);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 4);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table->setWordWrap(false);
    return table;
}

void SetRow(QTableWidget *table, int row, const QStringList &cells)
{
    for (int c = 0; c < cells.size(); ++c) {
        auto *item = new QTableWidgetItem(cells[c]);
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        table->setItem(row, c, item);
    }
}

QString RateText(qint64 hits, qint64 tests)
{
    return tests > 0 ? PercentText(double(hits) / double(tests)) : QString();
}

// The band luck alone gives, short enough for a table cell: "9.65–10.35%".
QString BandCell(const TRateInterval &r)
{
    if (!r.valid)
        return QStringLiteral("-");
    return QString::number(r.chanceLow * 100.0, 'f', 2) + QStringLiteral("–") + PercentText(r.chanceHigh);
}

// A part's counts and rate, then the band luck alone gives it.
QStringList TallyCells(const TBacktestTally &t, const TRateInterval &r)
{
    return {CountText(t.tests), CountText(t.hits), RateText(t.hits, t.tests), BandCell(r)};
}

// Greys the four cells from `first` of a row whose part rests on too few
// draws to say anything, and says so when the pointer rests on them; a rate
// outside its band (column `rate`) is set in bold.
void MarkRow(QTableWidget *table, int row, int first, int rate, const TRateInterval &r)
{
    if (!r.TooFew()) {
        if (!r.ChanceLike() && table->item(row, rate)) {
            QFont bold = table->font();
            bold.setBold(true);
            table->item(row, rate)->setFont(bold);
            table->item(row, rate)->setToolTip(QStringLiteral("在单凭运气的范围之外；不过同时看许多行时，"
                                                              "20 行里大约有 1 行会这样，纯属偶然"));
        }
        return;
    }
    const QString why = r.units < 2 ? QStringLiteral("只有 %1 期有检验，无法估计范围").arg(CountText(r.units))
                                    : QStringLiteral("只有 %1 期有检验，太少，说明不了什么").arg(CountText(r.units));
    for (int c = first; c < first + 4; ++c)
        if (QTableWidgetItem *item = table->item(row, c)) {
            item->setForeground(table->palette().color(QPalette::Disabled, QPalette::Text));
            item->setToolTip(why);
        }
}

QLabel *NewText(const QString &name, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

TBacktestWindow::TBacktestWindow(const TCodes &draws, const TRegOptions &settings, QWidget *parent)
    : QWidget(parent, Qt::Window), m_draws(draws), m_settings(settings),
      m_exportFolder(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
{
    setObjectName(QStringLiteral("BacktestForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("回测：规律过去的预测准不准"));
    setFont(ChartPalette::Font(14));
    WindowFit::FitToScreen(*this, QSize(1100, 780));

    auto *content = new QWidget;
    auto *layout = new QVBoxLayout(content);
    layout->addWidget(BuildControls());
    layout->addWidget(BuildReport(), 1);
    WindowFit::SetScrollingContent(*this, content);
    m_span = LastDraws(m_draws.Count(), m_lastSe->value());
    m_chart->SetDraws(m_span, {});
    ShowSummary();
    UpdateButtons();
}

TBacktestWindow::~TBacktestWindow()
{
    DiscardRun();
}

QWidget *TBacktestWindow::BuildControls()
{
    auto *box = new QWidget(this);
    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);

    auto *intro = new QLabel(QStringLiteral("对最近若干期中的每一期，只用它之前的开奖数据、按当前的搜索设置搜索规律，"
                                            "再用这一期实际开出的号码检验每个规律的预测（结果）是否命中。"),
                             box);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    auto *row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("回测最近"), box));
    m_lastSe = new QSpinBox(box);
    m_lastSe->setObjectName(QStringLiteral("LastSe"));
    m_lastSe->setRange(qMin(1, m_draws.Count()), m_draws.Count());
    m_lastSe->setValue(qMin(DefaultLastDraws, m_draws.Count()));
    m_lastSe->setToolTip(QStringLiteral("检验最近多少期：从 1 到全部 %1 期").arg(CountText(m_draws.Count())));
    row->addWidget(m_lastSe);
    row->addWidget(new QLabel(QStringLiteral("期"), box));
    m_startBt = new QPushButton(QStringLiteral("开始"), box);
    m_startBt->setObjectName(QStringLiteral("StartBt"));
    m_stopBt = new QPushButton(QStringLiteral("停止"), box);
    m_stopBt->setObjectName(QStringLiteral("StopBt"));
    row->addSpacing(8);
    row->addWidget(m_startBt);
    row->addWidget(m_stopBt);
    m_progress = new QProgressBar(box);
    m_progress->setObjectName(QStringLiteral("ProgressBar"));
    m_progress->setTextVisible(true);
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    m_progress->setFormat(QString());
    row->addWidget(m_progress, 1);
    m_exportBt = new QPushButton(QStringLiteral("导出CSV..."), box);
    m_exportBt->setObjectName(QStringLiteral("ExportBt"));
    m_exportBt->setToolTip(QStringLiteral("把每期的规律数、命中数和命中率保存为表格软件可以打开的 CSV 文件"));
    row->addWidget(m_exportBt);
    layout->addLayout(row);

    m_state = NewText(QStringLiteral("StateLbl"), box);
    m_state->setText(m_draws.Count() > 0
                         ? QStringLiteral("共有 %1 期开奖数据。选好期数后按“开始”。").arg(CountText(m_draws.Count()))
                         : QStringLiteral("没有开奖数据，无法回测：请先导入或下载开奖数据。"));
    layout->addWidget(m_state);

    connect(m_startBt, &QPushButton::clicked, this, &TBacktestWindow::StartClick);
    connect(m_stopBt, &QPushButton::clicked, this, &TBacktestWindow::StopClick);
    connect(m_exportBt, &QPushButton::clicked, this, &TBacktestWindow::ExportClick);
    connect(m_lastSe, &QSpinBox::valueChanged, this, [this](int count) {
        if (Running())
            return;
        m_span = LastDraws(m_draws.Count(), count);
        if (m_result.draws.empty())
            m_chart->SetDraws(m_span, {});
    });
    return box;
}

QWidget *TBacktestWindow::BuildReport()
{
    auto *split = new QSplitter(Qt::Horizontal, this);
    split->setChildrenCollapsible(false);
    m_drawsView = NewTable(QStringLiteral("DrawsView"),
                           {QStringLiteral("序号"), QStringLiteral("规律数"), QStringLiteral("命中数"),
                            QStringLiteral("命中率")},
                           split);
    split->addWidget(m_drawsView);

    auto *right = new QWidget(split);
    auto *layout = new QVBoxLayout(right);
    layout->setContentsMargins(6, 0, 0, 0);
    m_chart = new THitRateChart(right);
    m_chart->setObjectName(QStringLiteral("HitRateChart"));
    layout->addWidget(m_chart, 3);
    m_summary = NewText(QStringLiteral("SummaryLbl"), right);
    QFont bold = font();
    bold.setBold(true);
    m_summary->setFont(bold);
    layout->addWidget(m_summary);
    m_interval = NewText(QStringLiteral("IntervalLbl"), right);
    layout->addWidget(m_interval);
    m_chance = NewText(QStringLiteral("ChanceLbl"), right);
    layout->addWidget(m_chance);

    m_targetsView = NewTable(QStringLiteral("TargetsView"),
                             {QStringLiteral("位置"), QStringLiteral("规律数"), QStringLiteral("命中数"),
                              QStringLiteral("命中率"), QStringLiteral("运气范围"), QStringLiteral("共识检验"),
                              QStringLiteral("共识命中"), QStringLiteral("共识命中率"), QStringLiteral("共识运气范围")},
                             right);
    m_targetsView->setToolTip(QStringLiteral("按目标位置统计；共识：每期取这个位置上预测最多的数字（票数相同取较小的），"
                                             "每期检验一次。运气范围：单凭运气（随便猜）时命中率 95% 的情况下所在的范围"));
    m_stepsView = NewTable(QStringLiteral("StepsView"),
                           {QStringLiteral("步数"), QStringLiteral("规律数"), QStringLiteral("命中数"),
                            QStringLiteral("命中率"), QStringLiteral("运气范围")},
                           right);
    m_stepsView->setToolTip(QStringLiteral("按规律走的步数统计。运气范围：单凭运气（随便猜）时命中率 95% 的情况下所在的范围"));
    // The bands take the room they need; one table at a time, each the
    // panel's whole width.
    for (int c : {4, 8})
        m_targetsView->horizontalHeader()->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    m_stepsView->horizontalHeader()->setSectionResizeMode(4, QHeaderView::ResizeToContents);
    auto *tables = new QTabWidget(right);
    tables->setObjectName(QStringLiteral("BreakdownTabs"));
    tables->addTab(m_targetsView, QStringLiteral("按目标位置"));
    tables->addTab(m_stepsView, QStringLiteral("按步数"));
    layout->addWidget(tables, 2);
    m_caution = NewText(QStringLiteral("CautionLbl"), right);
    m_caution->setText(ManyRowsCaution());
    layout->addWidget(m_caution);

    split->addWidget(right);
    split->setStretchFactor(0, 0);
    split->setStretchFactor(1, 1);
    split->setSizes({300, 800});
    return split;
}

void TBacktestWindow::SetLastDraws(int count)
{
    m_lastSe->setValue(count);
}

void TBacktestWindow::StartClick()
{
    if (Running() || m_draws.Count() == 0)
        return;
    m_span = LastDraws(m_draws.Count(), m_lastSe->value());
    m_result = TBacktestResult{};
    m_drawsView->setRowCount(0);
    m_chart->SetDraws(m_span, {});
    ShowSummary();
    ShowBreakdown();

    m_thread = new TBacktestThread(m_draws, m_settings, m_span, 0, this);
    connect(m_thread, &TBacktestThread::drawTested, this, &TBacktestWindow::DrawTested);
    connect(m_thread, &TBacktestThread::backtestFinished, this, &TBacktestWindow::Finished);
    m_clock.start();
    m_thread->start();
    m_state->setText(QStringLiteral("正在回测第 %1 至 %2 期，共 %3 期，使用全部 %4 个处理器核心……")
                         .arg(m_span.first + 1)
                         .arg(m_span.last + 1)
                         .arg(CountText(m_span.Count()), CountText(QThread::idealThreadCount())));
    UpdateProgress(0, m_span.Count());
    UpdateButtons();
}

void TBacktestWindow::StopClick()
{
    if (!Running())
        return;
    m_thread->Stop();
    m_stopBt->setEnabled(false);
    m_state->setText(QStringLiteral("正在停止……"));
}

void TBacktestWindow::DiscardRun()
{
    // Deleting the thread object waits for the run to end and drops the
    // reports still queued for this window.
    delete m_thread.data();
    m_thread.clear();
}

void TBacktestWindow::closeEvent(QCloseEvent *event)
{
    DiscardRun();
    QWidget::closeEvent(event);
}

void TBacktestWindow::DrawTested(const TBacktestDraw &draw, int done, int total)
{
    // Draws finish side by side, not in order: keep the table in draw order.
    std::vector<TBacktestDraw> &draws = m_result.draws;
    const auto at = std::lower_bound(draws.begin(), draws.end(), draw,
                                     [](const TBacktestDraw &a, const TBacktestDraw &b) { return a.index < b.index; });
    const int row = int(at - draws.begin());
    draws.insert(at, draw);
    m_result.total.Add(TBacktestTally{draw.patterns, draw.hits});
    m_drawsView->insertRow(row);
    SetRow(m_drawsView, row,
           {QString::number(draw.index + 1), CountText(draw.patterns), CountText(draw.hits),
            RateText(draw.hits, draw.patterns)});
    m_chart->SetDraws(m_span, draws);
    UpdateProgress(done, total);
    ShowSummary();
}

void TBacktestWindow::Finished(const TBacktestResult &result, bool failed)
{
    if (m_thread)
        m_thread->deleteLater();
    m_thread.clear();
    m_result = result;
    const qint64 ms = m_clock.elapsed();
    const int done = int(result.draws.size());
    if (failed)
        m_state->setText(QStringLiteral("回测没有完成：内存不足。下面只统计已经完成的 %1 期。").arg(CountText(done)));
    else if (!result.complete)
        m_state->setText(QStringLiteral("已停止：完成了 %1 期中的 %2 期，下面只统计这些期。")
                             .arg(CountText(m_span.Count()), CountText(done)));
    else
        m_state->setText(QStringLiteral("回测完成：检验了第 %1 至 %2 期，共 %3 期，用时 %4。")
                             .arg(m_span.first + 1)
                             .arg(m_span.last + 1)
                             .arg(CountText(done), DurationText(ms)));
    ShowDraws();
    m_chart->SetDraws(m_span, m_result.draws);
    ShowSummary();
    ShowBreakdown();
    m_progress->setRange(0, qMax(1, m_span.Count()));
    m_progress->setValue(done);
    m_progress->setFormat(QStringLiteral("%1/%2 期").arg(CountText(done), CountText(m_span.Count())));
    UpdateButtons();
    emit backtestShown();
}

void TBacktestWindow::UpdateButtons()
{
    const bool running = Running();
    m_startBt->setEnabled(!running && m_draws.Count() > 0);
    m_stopBt->setEnabled(running);
    m_lastSe->setEnabled(!running && m_draws.Count() > 0);
    m_exportBt->setEnabled(!running && !m_result.draws.empty());
}

void TBacktestWindow::UpdateProgress(int done, int total)
{
    m_progress->setRange(0, qMax(1, total));
    m_progress->setValue(done);
    QString left = QStringLiteral("--");
    if (done > 0 && m_clock.isValid()) {
        const double perDraw = double(m_clock.elapsed()) / done;
        left = DurationText(qint64(perDraw * (total - done) + 0.5));
    }
    m_progress->setFormat(QStringLiteral("%1/%2 期  剩余%3").arg(CountText(done), CountText(total), left));
}

void TBacktestWindow::ShowDraws()
{
    m_drawsView->setRowCount(int(m_result.draws.size()));
    for (int row = 0; row < int(m_result.draws.size()); ++row) {
        const TBacktestDraw &d = m_result.draws[size_t(row)];
        SetRow(m_drawsView, row,
               {QString::number(d.index + 1), CountText(d.patterns), CountText(d.hits),
                RateText(d.hits, d.patterns)});
    }
}

void TBacktestWindow::ShowSummary()
{
    const std::vector<TBacktestDraw> &draws = m_result.draws;
    if (draws.empty()) {
        m_summary->setText(QStringLiteral("随便猜一个数字，命中率是 10.00%。回测会告诉你，规律的预测是否比随便猜更准。"));
        m_interval->clear();
        m_chance->clear();
        return;
    }
    TBacktestTally consensus;
    for (const TBacktestDraw &d : draws)
        consensus.Add(TBacktestTally{d.consensusTests, d.consensusHits});
    const TBacktestTally &total = m_result.total;
    QString text = QStringLiteral("已检验 %1 期：共找到 %2 个规律，其中 %3 个的预测命中，命中率 %4"
                                  "（随便猜的命中率是 10.00%）。")
                       .arg(CountText(qint64(draws.size())), CountText(total.tests), CountText(total.hits))
                       .arg(RateText(total.hits, total.tests).isEmpty() ? QStringLiteral("--")
                                                                        : RateText(total.hits, total.tests));
    if (consensus.tests > 0) {
        text += QStringLiteral("共识预测（每期每个位置取预测最多的数字）检验 %1 次，命中 %2 次，命中率 %3")
                    .arg(CountText(consensus.tests), CountText(consensus.hits),
                         RateText(consensus.hits, consensus.tests));
        const TRateInterval agreed = ConsensusRateInterval(draws);
        text += agreed.valid ? QStringLiteral("（单凭运气 95% 的情况下在 %1 之间）。").arg(BandText(agreed))
                             : QStringLiteral("。");
    }
    m_summary->setText(text);
    const TRateInterval interval = HitRateInterval(draws);
    m_interval->setText(IntervalExplanation(interval));
    m_chance->setText(ChanceExplanation(interval));
}

void TBacktestWindow::ShowBreakdown()
{
    const TBacktestResult &r = m_result;
    const std::vector<quint16> targets = ListedTargets(r.targets);
    m_targetsView->setRowCount(targets.empty() ? 0 : int(targets.size()) + 1);
    int row = 0;
    for (quint16 mask : targets) {
        const auto consensus = r.consensus.find(mask);
        const TRateInterval own = TargetRateInterval(r.draws, mask);
        const TRateInterval agreed = ConsensusRateInterval(r.draws, mask);
        SetRow(m_targetsView, row,
               QStringList{TargetText(mask)} + TallyCells(r.targets.at(mask), own)
                   + TallyCells(consensus != r.consensus.end() ? consensus->second : TBacktestTally{}, agreed));
        MarkRow(m_targetsView, row, 1, 3, own);
        MarkRow(m_targetsView, row++, 5, 7, agreed);
    }
    if (!targets.empty()) {
        const TRateInterval all = HitRateInterval(r.draws);
        SetRow(m_targetsView, row, QStringList{QStringLiteral("合计")} + TallyCells(r.total, all)
                                       + TallyCells(r.ConsensusTotal(), ConsensusRateInterval(r.draws)));
        MarkRow(m_targetsView, row, 1, 3, all);
        MarkRow(m_targetsView, row, 5, 7, ConsensusRateInterval(r.draws));
    }

    m_stepsView->setRowCount(r.steps.empty() ? 0 : int(r.steps.size()) + 1);
    row = 0;
    for (const auto &[steps, tally] : r.steps) {
        const TRateInterval own = StepsRateInterval(r.draws, steps);
        SetRow(m_stepsView, row, QStringList{QString::number(steps)} + TallyCells(tally, own));
        MarkRow(m_stepsView, row++, 1, 3, own);
    }
    if (!r.steps.empty()) {
        const TRateInterval all = HitRateInterval(r.draws);
        SetRow(m_stepsView, row, QStringList{QStringLiteral("合计")} + TallyCells(r.total, all));
        MarkRow(m_stepsView, row, 1, 3, all);
    }
}

void TBacktestWindow::ExportClick()
{
    if (m_result.draws.empty())
        return;
    const QString suggested = QDir(m_exportFolder).filePath(
        QStringLiteral("回测_第%1至%2期.csv").arg(m_result.draws.front().index + 1).arg(m_result.draws.back().index + 1));
    const QString path = FileDialog::SaveFileName(this, QStringLiteral("导出回测结果"), suggested,
                                                  {QStringLiteral("CSV 表格 (*.csv)"), QStringLiteral("所有文件 (*)")});
    if (path.isEmpty())
        return;
    m_exportFolder = QFileInfo(path).absolutePath();
    try {
        WriteCsvFile(path, BacktestCsvRows(m_result));
    } catch (const EVexelError &e) {
        MessageBox::Warn(this, e.message());
    }
}
