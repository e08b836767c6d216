#pragma once

#include <QString>
#include <QWidget>
#include <vector>

// A painted bar chart of counts in the draw chart's style: a title strip,
// one bar per entry with its label below and its count above, and an axis
// of counts on the left. One bar can be marked: it is drawn in the second
// step colour and its label is boxed, as the chart boxes target digits.
class TBarChart : public QWidget
{
    Q_OBJECT

public:
    struct TBar
    {
        QString label;
        qint64 value = 0;
        QString tip; // shown when the pointer rests on the bar
    };

    explicit TBarChart(QWidget *parent = nullptr);

    // `shortTitle` stands in for the title when the chart is too narrow for
    // it, and sets how narrow the chart can be.
    void SetTitle(const QString &title, const QString &shortTitle = QString());
    // `marked` is the index of the bar to mark, -1 for none.
    void SetBars(std::vector<TBar> bars, int marked = -1);
    // Text sizes in pixels; small charts use smaller ones.
    void SetTextSize(int pixels);

    QString Title() const { return m_title; }
    // The title as the strip shows it at the present width: the title, else
    // the short one, cut off only when even that does not fit.
    QString ShownTitle() const;
    int Marked() const { return m_marked; }
    const std::vector<TBar> &Bars() const { return m_bars; }

    // Where bar `index` stands in the widget at its present size: from the
    // axis up to the height of its count.
    QRect BarRect(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;

private:
    struct TLayout
    {
        QRect title;
        QRect plot;      // the area the bars stand in
        double top = 1;  // the count at the top of the plot
        double step = 1; // between axis ticks
    };
    TLayout Layout() const;
    QRect SlotRect(const TLayout &l, int index) const;
    int BarHeight(const TLayout &l, qint64 value) const;

    QString m_title;
    QString m_shortTitle;
    std::vector<TBar> m_bars;
    int m_marked = -1;
    int m_textSize = 14;
};
