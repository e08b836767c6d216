#pragma once

#include "core/Backtest.h"
#include "core/PatternStats.h"

#include <QTimer>
#include <QWidget>
#include <functional>
#include <vector>

class QGridLayout;
class QLabel;
class TBarChart;
class TCodes;
class TVexelReg;

// What the statistics window counts: the patterns, and whether they are the
// list's selection rather than all of them.
struct TStatsSubject
{
    std::vector<const TVexelReg *> patterns;
    bool selection = false;
    // The draws now and those of the last search: the forecasts whose draw
    // has come since are judged. Either null: nothing is judged.
    const TCodes *current = nullptr;
    const TCodes *searched = nullptr;
};

// The statistics window: how many patterns there are per target, as a bar
// chart, and per target how many of them forecast each digit, with the digit
// most of them forecast marked. It asks its provider for the patterns each
// time it counts and keeps nothing of them but the counts.
class TStatsWindow : public QWidget
{
    Q_OBJECT

public:
    using TProvider = std::function<TStatsSubject()>;

    explicit TStatsWindow(TProvider provider, QWidget *parent = nullptr);

    // The patterns or the selection changed. Any number of calls in a row
    // lead to one count shortly after; a hidden window counts when shown.
    void Refresh();
    // Counts at once (Refresh's timer ends here).
    void Recount();

    const TPatternStats &Stats() const { return m_stats; }
    // The forecasts of the counted patterns whose draw is known, scored.
    const TBacktestResult &Judged() const { return m_judged; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void Show(bool selection);
    void ShowJudged();
    TBarChart *ConsensusChart(int index);

    TProvider m_provider;
    QTimer m_timer;
    bool m_stale = true;
    TPatternStats m_stats;
    TBacktestResult m_judged;
    QLabel *m_judgedText = nullptr;
    QLabel *m_subject = nullptr;
    TBarChart *m_targets = nullptr;
    QGridLayout *m_consensusGrid = nullptr;
    std::vector<TBarChart *> m_consensus;
};
