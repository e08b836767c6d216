#include "app/AnalysisCommands.h"

#include "app/BacktestWindow.h"
#include "app/ChartExport.h"
#include "app/FileDialog.h"
#include "app/MessageBox.h"
#include "core/CountText.h"
#include "app/HistoryStatsWindow.h"
#include "io/CsvFile.h"
#include "io/PatternCsv.h"
#include "app/RegListView.h"
#include "app/StatsWindow.h"
#include "app/WindowFit.h"
#include "chart/VexelCtrl.h"
#include "core/VexelError.h"
#include "core/VexelRegMgr.h"

#include <QDir>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QStandardPaths>

TAnalysisCommands::TAnalysisCommands(QWidget *window, TVexelRegMgr &patterns, TRegListView &list,
                                     TVexelRegNet &chart, const TRegOptions &settings)
    : QObject(window), m_window(window), m_patterns(patterns), m_list(list), m_chart(chart), m_settings(settings),
      m_exportFolder(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
{
    connect(&m_patterns, &TVexelRegMgr::PatternsAdded, this, &TAnalysisCommands::RefreshStats);
    // The window counts a moment later, when the patterns are gone.
    connect(&m_patterns, &TVexelRegMgr::PatternsAboutToBeRemoved, this, &TAnalysisCommands::RefreshStats);
    connect(&m_patterns, &TVexelRegMgr::AboutToClear, this, &TAnalysisCommands::RefreshStats);
    connect(m_list.selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TAnalysisCommands::RefreshStats);
    // A draw typed, imported or taken back may judge forecasts anew; the
    // chart also signals when it only scrolls, which changes nothing.
    connect(&m_chart, &TVexelRegNet::OnChange, this, [this] {
        if (m_chart.Codes().Revision() != m_judgedRevision) {
            m_judgedRevision = m_chart.Codes().Revision();
            RefreshStats();
        }
    });
}

TAnalysisCommands::~TAnalysisCommands()
{
    // The windows ask the list for patterns: close them before it goes.
    delete m_stats;
    delete m_history;
    for (const QPointer<TBacktestWindow> &w : std::as_const(m_backtests))
        delete w;
}

void TAnalysisCommands::RefreshStats()
{
    if (m_stats)
        m_stats->Refresh();
}

void TAnalysisCommands::OpenStats()
{
    if (!m_stats) {
        m_stats = new TStatsWindow([this] {
            TStatsSubject subject;
            const std::vector<TVexelReg *> selected = m_list.SelectedPatterns();
            subject.selection = selected.size() > 1;
            if (subject.selection) {
                subject.patterns.assign(selected.begin(), selected.end());
            } else {
                subject.patterns.reserve(size_t(m_patterns.Count()));
                for (int i = 0; i < m_patterns.Count(); ++i)
                    subject.patterns.push_back(m_patterns.Get(i));
            }
            subject.current = &m_chart.Codes();
            subject.searched = &m_patterns.Draws();
            return subject;
        }, m_window);
        m_stats->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_stats->show();
    m_stats->raise();
    m_stats->activateWindow();
}

void TAnalysisCommands::OpenHistoryStats()
{
    if (!m_history) {
        m_history = new THistoryStatsWindow([this]() -> const TCodes & { return m_chart.Codes(); }, m_window);
        m_history->setAttribute(Qt::WA_DeleteOnClose);
        // Every change of the draws ends in the chart's change signal:
        // typing, taking back, an import, a download, opening a workspace.
        connect(&m_chart, &TVexelRegNet::OnChange, m_history, &THistoryStatsWindow::Refresh);
    }
    m_history->show();
    m_history->raise();
    m_history->activateWindow();
}

void TAnalysisCommands::OpenBacktest()
{
    auto *window = new TBacktestWindow(m_chart.Codes(), m_settings, m_window);
    m_backtests.removeAll(nullptr);
    // Each window a little below and right of the one before, on the screen.
    if (!m_backtests.isEmpty() && m_backtests.last()->isVisible()) {
        window->move(m_backtests.last()->pos() + QPoint(32, 32));
        WindowFit::KeepOnScreen(*window);
    }
    m_backtests << window;
    window->show();
    window->raise();
    window->activateWindow();
}

TStatsWindow *TAnalysisCommands::StatsWindow() const
{
    return m_stats;
}

THistoryStatsWindow *TAnalysisCommands::HistoryStatsWindow() const
{
    return m_history;
}

QList<TBacktestWindow *> TAnalysisCommands::BacktestWindows() const
{
    QList<TBacktestWindow *> windows;
    for (const QPointer<TBacktestWindow> &w : m_backtests)
        if (w)
            windows << w;
    return windows;
}

void TAnalysisCommands::PrintChart()
{
    ChartExport::PrintChart(m_chart, m_window);
}

void TAnalysisCommands::ExportChart()
{
    const QString path = ChartExport::ExportChart(m_chart, m_window, m_exportFolder);
    if (!path.isEmpty())
        m_exportFolder = QFileInfo(path).absolutePath();
}

void TAnalysisCommands::ExportPatterns()
{
    if (m_patterns.Count() == 0) {
        MessageBox::Show(m_window, QStringLiteral("规律列表是空的，没有可以导出的规律。"));
        return;
    }
    const int selected = m_list.SelectedCount();
    const QString caption = selected > 0 ? QStringLiteral("导出选中的%1个规律").arg(CountText(selected))
                                         : QStringLiteral("导出全部%1个规律").arg(CountText(m_patterns.Count()));
    const QString path = FileDialog::SaveFileName(m_window, caption,
                                                  QDir(m_exportFolder).filePath(QStringLiteral("规律.csv")),
                                                  {QStringLiteral("CSV 表格 (*.csv)"), QStringLiteral("所有文件 (*)")});
    if (path.isEmpty())
        return;
    m_exportFolder = QFileInfo(path).absolutePath();
    ExportPatternList(path);
}

void TAnalysisCommands::ExportPatternList(const QString &path)
{
    try {
        WriteCsvFile(path, PatternCsvRows(m_list.ExportedPatterns()));
    } catch (const EVexelError &e) {
        MessageBox::Warn(m_window, e.message());
    } catch (const std::bad_alloc &) {
        MessageBox::Warn(m_window, QStringLiteral("内存不足，无法导出这么多规律。\r\n请选中一部分规律分批导出。"));
    }
}
