#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

class QWidget;
class TBacktestWindow;
class THistoryStatsWindow;
class TRegListView;
class TRegOptions;
class TStatsWindow;
class TVexelRegMgr;
class TVexelRegNet;

// What the window offers beyond searching: the statistics window, backtest
// windows, the chart on paper or in a PNG or PDF file, and the pattern list
// as a CSV table. It owns the windows it opens and remembers the folder of
// the last export.
class TAnalysisCommands : public QObject
{
    Q_OBJECT

public:
    using TMessage = std::function<void(const QString &)>;

    TAnalysisCommands(QWidget *window, TVexelRegMgr &patterns, TRegListView &list, TVexelRegNet &chart,
                      const TRegOptions &settings, TMessage message);
    ~TAnalysisCommands() override;

    // Shows the statistics window, made on first use. It counts the selected
    // patterns when more than one row is selected, else all of them, and
    // counts again when patterns are added, deleted or cleared or the
    // selection changes.
    void OpenStats();
    // Shows the history statistics window, made on first use, over the
    // chart's draws; it counts again whenever the chart changes.
    void OpenHistoryStats();
    // Opens a backtest window on a copy of the draws and the settings as
    // they are now; each window runs on its own.
    void OpenBacktest();
    void PrintChart();
    void ExportChart();
    // Asks for a file name and writes ExportPatternList there.
    void ExportPatterns();
    // Writes the selected rows (all rows when none is selected) in the
    // list's order as a CSV table; false, after a message, on failure.
    bool ExportPatternList(const QString &path);

    TStatsWindow *StatsWindow() const;
    THistoryStatsWindow *HistoryStatsWindow() const;
    QList<TBacktestWindow *> BacktestWindows() const;

private:
    void RefreshStats();

    QWidget *m_window;
    TVexelRegMgr &m_patterns;
    TRegListView &m_list;
    TVexelRegNet &m_chart;
    const TRegOptions &m_settings;
    TMessage m_message;
    QPointer<TStatsWindow> m_stats;
    QPointer<THistoryStatsWindow> m_history;
    QList<QPointer<TBacktestWindow>> m_backtests;
    QString m_exportFolder;
    quint64 m_judgedRevision = 0; // of the draws the statistics last saw
};
