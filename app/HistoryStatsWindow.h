#pragma once

#include "core/HistoryStats.h"

#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>

class QComboBox;
class QLabel;
class QTableWidget;
class TBarChart;
class TCodes;

// The draw history's own figures, the way its readers look at them: for each
// position A to G how often each digit came in the newest draws, how long
// since it last came (遗漏) and its longest absence, the hot and cold digits
// marked, and beside them a chi-square test that says whether that spread is
// more than a fair draw gives by chance. It follows the draws it is given as
// they are typed, imported, downloaded or taken back.
class THistoryStatsWindow : public QWidget
{
    Q_OBJECT

public:
    using TProvider = std::function<const TCodes &()>;

    // The newest draws the window can count; 0 stands for all of them.
    static constexpr std::array<int, 5> Windows{30, 50, 100, 500, 0};
    static constexpr int DefaultWindow = 100;

    explicit THistoryStatsWindow(TProvider draws, QWidget *parent = nullptr);

    // The draws changed. Any number of calls in a row lead to one count
    // shortly after; a hidden window counts when shown.
    void Refresh();
    // Counts at once.
    void Recount();
    // Counts the newest `window` draws (one of Windows).
    void SetWindow(int window);

    const THistoryFigures &Figures() const { return m_figures; }

    // What the test of one position says, in a sentence.
    static QString TestSentence(const TPositionFigures &position);

protected:
    void showEvent(QShowEvent *event) override;

private:
    struct TPositionView
    {
        TBarChart *chart = nullptr;
        QTableWidget *table = nullptr;
        QLabel *test = nullptr;
    };
    QWidget *BuildPosition(int position);
    void Show();
    void ShowPosition(const TPositionFigures &figures, TPositionView &view);

    TProvider m_draws;
    QTimer m_timer;
    bool m_stale = true;
    THistoryFigures m_figures;
    QComboBox *m_windowCb = nullptr;
    QLabel *m_subject = nullptr;
    std::array<TPositionView, 7> m_positions;
};
