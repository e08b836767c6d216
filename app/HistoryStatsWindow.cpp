#include "app/HistoryStatsWindow.h"

#include "app/BarChart.h"
#include "core/CountText.h"
#include "app/WindowFit.h"
#include "chart/ChartPalette.h"
#include "core/Hao.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

// Draws are typed one digit at a time: count at most this often, and on a
// history of millions of draws rarely enough that counting never takes more
// than a fifth of the time.
constexpr int RecountDelayMs = 200;
constexpr int LongestRecountDelayMs = 2000;

constexpr int PositionColumns = 2;

// The hot digits come most often in the counted draws, the cold ones least;
// when all come equally often, none is either.
// The hot cells in a light tint of the colour the chart marks its bar in.
const QColor HotCell{255, 226, 160};
const QColor ColdCell{222, 226, 232};

enum TableRow { CountRow, OmissionRow, LongestRow };

QString WindowName(int window)
{
    return window == 0 ? QStringLiteral("全部") : QString::number(window);
}

} // namespace

THistoryStatsWindow::THistoryStatsWindow(TProvider draws, QWidget *parent)
    : QWidget(parent, Qt::Window), m_draws(std::move(draws))
{
    setObjectName(QStringLiteral("HistoryStatsForm"));
    setWindowTitle(QStringLiteral("开奖统计"));
    setFont(ChartPalette::Font(14));
    WindowFit::FitToScreen(*this, QSize(1180, 860));

    m_timer.setSingleShot(true);
    m_timer.setInterval(RecountDelayMs);
    connect(&m_timer, &QTimer::timeout, this, &THistoryStatsWindow::Recount);

    auto *content = new QWidget;
    auto *layout = new QVBoxLayout(content);
    auto *row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("统计最近"), content));
    m_windowCb = new QComboBox(content);
    m_windowCb->setObjectName(QStringLiteral("WindowCb"));
    for (int w : Windows)
        m_windowCb->addItem(WindowName(w), w);
    m_windowCb->setCurrentIndex(m_windowCb->findData(DefaultWindow));
    row->addWidget(m_windowCb);
    row->addWidget(new QLabel(QStringLiteral("期的出现次数"), content));
    row->addSpacing(16);
    m_subject = new QLabel(content);
    m_subject->setObjectName(QStringLiteral("SubjectLbl"));
    QFont bold = font();
    bold.setBold(true);
    m_subject->setFont(bold);
    row->addWidget(m_subject, 1);
    layout->addLayout(row);

    auto *hint = new QLabel(QStringLiteral(
                                "次数：最近这些期里这个数字在这个位置开出的次数；当前遗漏：它已经连续多少期没有开出"
                                "（0 表示最新一期刚开出）；最大遗漏：整个历史中它最长连续多少期没有开出（包括当前这一段）。"
                                "金色是热号（次数最多），灰色是冷号（次数最少）；图中标出的是次数最多的数字（次数相同时取较小的）。\n"
                                "怎样看检验：p 值是公平的开奖中，十个数字的次数至少这样不均匀的概率。p 值不小时，"
                                "热号和冷号只是偶然的起伏，不说明哪个数字更容易开出。七个位置一起检验时，"
                                "每二十次检验就会有一次 p 值小于 0.05，纯属偶然。"),
                            content);
    hint->setWordWrap(true);
    layout->addWidget(hint);

    auto *grid = new QGridLayout;
    grid->setSpacing(8);
    for (int p = 1; p <= 7; ++p)
        grid->addWidget(BuildPosition(p), (p - 1) / PositionColumns, (p - 1) % PositionColumns);
    layout->addLayout(grid, 1);
    WindowFit::SetScrollingContent(*this, content);

    connect(m_windowCb, &QComboBox::currentIndexChanged, this, [this] { Recount(); });
}

QWidget *THistoryStatsWindow::BuildPosition(int position)
{
    const QChar letter = QLatin1Char(PositionLetter(position));
    auto *box = new QGroupBox(QStringLiteral("%1 位（第 %2 位数字）").arg(letter).arg(position), this);
    box->setObjectName(QStringLiteral("Position%1").arg(letter));
    auto *layout = new QVBoxLayout(box);
    TPositionView &view = m_positions[size_t(position - 1)];

    view.chart = new TBarChart(box);
    view.chart->setObjectName(QStringLiteral("CountChart%1").arg(letter));
    view.chart->SetTextSize(12);
    view.chart->setMinimumHeight(150);
    layout->addWidget(view.chart, 1);

    view.table = new QTableWidget(3, 10, box);
    view.table->setObjectName(QStringLiteral("FiguresView%1").arg(letter));
    QStringList digits;
    for (int d = 0; d < 10; ++d)
        digits << QString::number(d);
    view.table->setHorizontalHeaderLabels(digits);
    view.table->setVerticalHeaderLabels({QStringLiteral("次数"), QStringLiteral("当前遗漏"), QStringLiteral("最大遗漏")});
    view.table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view.table->setSelectionMode(QAbstractItemView::NoSelection);
    view.table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    view.table->horizontalHeader()->setMinimumSectionSize(34);
    view.table->verticalHeader()->setDefaultSectionSize(view.table->fontMetrics().height() + 6);
    view.table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view.table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view.table->setFixedHeight(view.table->horizontalHeader()->sizeHint().height()
                               + 3 * view.table->verticalHeader()->defaultSectionSize() + 2 * view.table->frameWidth());
    for (int r = 0; r < 3; ++r)
        for (int d = 0; d < 10; ++d) {
            auto *item = new QTableWidgetItem;
            item->setTextAlignment(Qt::AlignCenter);
            view.table->setItem(r, d, item);
        }
    layout->addWidget(view.table);

    view.test = new QLabel(box);
    view.test->setObjectName(QStringLiteral("TestLbl%1").arg(letter));
    view.test->setWordWrap(true);
    layout->addWidget(view.test);
    return box;
}

void THistoryStatsWindow::Refresh()
{
    m_stale = true;
    if (isVisible() && !m_timer.isActive())
        m_timer.start();
}

void THistoryStatsWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_stale)
        Recount();
}

void THistoryStatsWindow::SetWindow(int window)
{
    m_windowCb->setCurrentIndex(std::max(0, m_windowCb->findData(window)));
}

void THistoryStatsWindow::Recount()
{
    m_timer.stop();
    m_stale = false;
    QElapsedTimer clock;
    clock.start();
    m_figures = ComputeHistoryFigures(m_draws(), m_windowCb->currentData().toInt());
    m_timer.setInterval(int(qBound(qint64(RecountDelayMs), 4 * clock.elapsed(), qint64(LongestRecountDelayMs))));
    Show();
}

void THistoryStatsWindow::Show()
{
    const THistoryFigures &f = m_figures;
    if (f.draws == 0)
        m_subject->setText(QStringLiteral("还没有开奖数据：请先导入或下载。"));
    else if (f.window == f.draws)
        m_subject->setText(QStringLiteral("统计全部 %1 期").arg(CountText(f.draws)));
    else
        m_subject->setText(QStringLiteral("统计最近 %1 期（共 %2 期；遗漏按全部 %2 期计算）").arg(CountText(f.window), CountText(f.draws)));
    for (int p = 0; p < 7; ++p)
        ShowPosition(f.positions[size_t(p)], m_positions[size_t(p)]);
}

void THistoryStatsWindow::ShowPosition(const TPositionFigures &figures, TPositionView &view)
{
    const QChar letter = QLatin1Char(PositionLetter(figures.position));
    const auto fewer = [](const TDigitFigures &a, const TDigitFigures &b) { return a.count < b.count; };
    // The first of equals, as everywhere a digit is picked from a tie.
    const auto most = std::max_element(figures.digits.begin(), figures.digits.end(), fewer);
    const auto least = std::min_element(figures.digits.begin(), figures.digits.end(), fewer);
    const bool even = least->count == most->count;
    std::vector<TBarChart::TBar> bars;
    for (int d = 0; d < 10; ++d) {
        const TDigitFigures &digit = figures.digits[size_t(d)];
        bars.push_back({QString::number(d), digit.count,
                        QStringLiteral("%1 位开出 %2：%3 次；当前遗漏 %4 期，最大遗漏 %5 期")
                            .arg(letter).arg(d)
                            .arg(CountText(digit.count), CountText(digit.omission), CountText(digit.longest))});
        const QColor cell = even ? QColor() : digit.count == most->count ? HotCell
                                          : digit.count == least->count ? ColdCell : QColor();
        const int values[3] = {digit.count, digit.omission, digit.longest};
        for (int r = CountRow; r <= LongestRow; ++r) {
            QTableWidgetItem *item = view.table->item(r, d);
            item->setText(CountText(values[r]));
            item->setBackground(r == CountRow && cell.isValid() ? QBrush(cell) : QBrush());
            item->setToolTip(r != CountRow || !cell.isValid() ? QString()
                             : cell == HotCell                 ? QStringLiteral("热号：次数最多")
                                                               : QStringLiteral("冷号：次数最少"));
        }
    }
    view.chart->SetTitle(QStringLiteral("%1 位各数字的出现次数").arg(letter), QStringLiteral("%1 位").arg(letter));
    view.chart->SetBars(std::move(bars), even ? -1 : int(most - figures.digits.begin()));
    view.test->setText(TestSentence(figures));
}

QString THistoryStatsWindow::TestSentence(const TPositionFigures &p)
{
    if (p.counted == 0)
        return QStringLiteral("没有可统计的开奖，无法检验。");
    const QString figures = QStringLiteral("卡方 %1，p 值 %2：")
                                .arg(QString::number(p.chiSquare, 'f', 2), QString::number(p.pValue, 'f', 3));
    if (p.pValue >= 0.05)
        return figures + QStringLiteral("这样的冷热差异在公平的开奖中很常见，热号和冷号只是偶然的起伏。");
    if (p.pValue < 0.001)
        return figures + QStringLiteral("公平的开奖中，这么不均匀的次数不到千分之一的机会；"
                                        "七个位置都检验时偶然也可能出现，但这样小的 p 值值得留意开奖数据是否有误。");
    return figures + QStringLiteral("公平的开奖中，这么不均匀的次数大约 %1 次里才有 1 次；"
                                    "不过七个位置都检验时，偶然出现一个这样小的 p 值并不稀奇。")
                         .arg(CountText(qRound(1.0 / p.pValue)));
}
