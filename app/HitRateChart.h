#pragma once

#include "core/Backtest.h"

#include <QWidget>
#include <vector>

// The backtest's hit rate over the tested draws, painted in the draw chart's
// style: each draw's rate as a thin bar, the rate of all draws so far as a
// line, the chance rate of 10 % as a dashed line and, around it, the band
// that luck alone gives with the spread between these draws.
class THitRateChart : public QWidget
{
    Q_OBJECT

public:
    explicit THitRateChart(QWidget *parent = nullptr);

    // `draws` in draw order, those finished so far, within `span`.
    void SetDraws(TDrawSpan span, std::vector<TBacktestDraw> draws);

    // The rate at the top of the plot.
    double RateTop() const;
    // The plot area at the present size: x runs over the span, y from 0 up
    // to RateTop().
    QRect PlotRect() const;

    QSize sizeHint() const override { return QSize(600, 240); }
    QSize minimumSizeHint() const override { return QSize(300, 160); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int XOfDraw(const QRect &plot, int index) const;
    int YOfRate(const QRect &plot, double rate) const;
    void PaintLegend(class QPainter &p, const QRect &strip) const;

    TDrawSpan m_span;
    std::vector<TBacktestDraw> m_draws;
    TRateInterval m_interval;
    double m_step = 0.05;
    double m_top = 0.2;
};
