#pragma once

#include <QStatusBar>
#include <QString>

class QLabel;
class QProgressBar;

// The main window's status bar: panel 0 (300 pixels) for hints and short
// progress texts, panel 1 (50 pixels) always empty, and panel 2 taking the
// rest for the pattern total and the search state. Panel 2 wraps a long
// text onto further lines and the bar grows while it needs them, so a search
// text is readable whole at any window size; the search's progress bar sits
// in a row of its own under panel 2's text.
class TStatusBar : public QStatusBar
{
    Q_OBJECT

public:
    static constexpr int PanelCount = 3;

    explicit TStatusBar(QWidget *parent = nullptr);

    QString PanelText(int panel) const;
    // Sets a panel's text and repaints it at once, unless told otherwise.
    void SetPanel(int panel, const QString &text, bool repaintNow = true);
    // Empties the panel if `text` is still what was set there last: the
    // end of what it told of, once something else may have taken its place.
    void ClearPanel(int panel, const QString &text);
    // A hint of the entry or button under the pointer, in panel 0; once the
    // hint ends (empty), the text set there shows again.
    void ShowHint(const QString &text);
    QLabel *Panel(int panel) const { return m_panels[panel]; }

    // The progress bar of a search of `total` combinations, shown from the start.
    void StartProgress(qint64 total);
    void UpdateProgress(qint64 combinations, qint64 elapsedMs);
    void HideProgress();
    QProgressBar *Progress() const { return m_progress; }

    // Tenths of a percent done, 0 to 1000.
    static int Permille(qint64 combinations, qint64 total);
    // The time left, from the time taken and the share done: "--" until a
    // fair guess can be made (a second and a twentieth of a percent in),
    // then as DurationText shows a duration.
    static QString TimeLeft(qint64 elapsedMs, qint64 combinations, qint64 total);
    // The progress bar's text: the percentage and the time left.
    static QString ProgressText(qint64 combinations, qint64 total, qint64 elapsedMs);

signals:
    // A panel's text was set (hints excepted).
    void PanelChanged(int panel, const QString &text);

private:
    QLabel *m_panels[PanelCount] = {};
    QString m_texts[PanelCount]; // as set, hints aside
    QProgressBar *m_progress = nullptr;
    qint64 m_total = 0;
};
