#pragma once

#include <QSplitter>

class TVexelRegNet;

// The window's working area: the chart's panel and the pattern list side by
// side, the boundary between them for the user to drag. The chart panel is
// never wider than the chart's whole grid and its scroll bar, so no empty
// band opens between chart and list; it can be dragged narrower, down to the
// issue, value and first digit columns.
class TRegSplitter : public QSplitter
{
    Q_OBJECT

public:
    TRegSplitter(TVexelRegNet *chart, QWidget *list, QWidget *parent = nullptr);

    // The panel's width that shows the whole grid: its width, the scroll
    // bar's and 4 pixels.
    int ChartPanelWidth() const;
    // Gives the chart panel its whole width; for a new column count.
    void FitChart();

private:
    TVexelRegNet *m_chart;
    QWidget *m_panel;
};
