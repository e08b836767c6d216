#pragma once

#include "core/Backtest.h"
#include "core/BacktestThread.h"
#include "core/Hao.h"
#include "core/RegOptions.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>
#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableWidget;
class THitRateChart;

// The backtest window: for the last M draws of the history, would the
// patterns found before each draw have forecast it? It runs on its own
// copies of the draws and the settings, in the background on every core,
// shows each tested draw as it finishes and the whole report at the end.
// Closing it stops a run; it deletes itself when closed, so open a new one
// for other draws or settings.
class TBacktestWindow : public QWidget
{
    Q_OBJECT

public:
    TBacktestWindow(const TCodes &draws, const TRegOptions &settings, QWidget *parent = nullptr);
    ~TBacktestWindow() override;

    // The number of last draws to test, as the spin field holds it.
    void SetLastDraws(int count);
    void StartClick();
    void StopClick();
    bool Running() const { return m_thread != nullptr; }
    // The report shown: the draws finished so far while a run goes on.
    const TBacktestResult &Result() const { return m_result; }

signals:
    // A run ended, finished or stopped, and its report is shown.
    void backtestShown();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void DrawTested(const TBacktestDraw &draw, int done, int total);
    void Finished(const TBacktestResult &result, bool failed);
    void ExportClick();
    // Stops a run and drops whatever it has still to report.
    void DiscardRun();
    void UpdateButtons();
    void UpdateProgress(int done, int total);
    void ShowDraws();
    void ShowSummary();
    void ShowBreakdown();
    QWidget *BuildControls();
    QWidget *BuildReport();

    const TCodes m_draws;
    const TRegOptions m_settings;
    QPointer<TBacktestThread> m_thread;
    TDrawSpan m_span;
    TBacktestResult m_result;
    QElapsedTimer m_clock;
    QString m_exportFolder;

    QSpinBox *m_lastSe = nullptr;
    QPushButton *m_startBt = nullptr;
    QPushButton *m_stopBt = nullptr;
    QPushButton *m_exportBt = nullptr;
    QProgressBar *m_progress = nullptr;
    QLabel *m_state = nullptr;
    QTableWidget *m_drawsView = nullptr;
    THitRateChart *m_chart = nullptr;
    QLabel *m_summary = nullptr;
    QLabel *m_interval = nullptr;
    QLabel *m_chance = nullptr;
    QLabel *m_caution = nullptr;
    QTableWidget *m_targetsView = nullptr;
    QTableWidget *m_stepsView = nullptr;
};
