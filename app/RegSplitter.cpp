#include "app/RegSplitter.h"
#include "chart/VexelCtrl.h"

#include <QStyle>
#include <QVBoxLayout>

namespace {

// The chart columns a narrowed panel still shows: issue, value and A.
constexpr int ShownColumns = 3;

} // namespace

TRegSplitter::TRegSplitter(TVexelRegNet *chart, QWidget *list, QWidget *parent)
    : QSplitter(Qt::Horizontal, parent), m_chart(chart), m_panel(new QWidget)
{
    setObjectName(QStringLiteral("PanelReg"));
    setHandleWidth(3);
    setChildrenCollapsible(false);
    m_panel->setObjectName(QStringLiteral("PanelRegLeft"));
    auto *layout = new QVBoxLayout(m_panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_chart);
    addWidget(m_panel);
    addWidget(list);
    // A wider window gives its room to the list.
    setStretchFactor(0, 0);
    setStretchFactor(1, 1);
}

int TRegSplitter::ChartPanelWidth() const
{
    return m_chart->GridWidth() + m_chart->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4;
}

void TRegSplitter::FitChart()
{
    const int whole = ChartPanelWidth();
    const int bar = m_chart->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    m_panel->setMinimumWidth(qMin(whole, m_chart->LeftOfCol(ShownColumns) + bar + 4));
    m_panel->setMaximumWidth(whole);
    QList<int> widths = sizes();
    const int total = widths.value(0) + widths.value(1);
    widths = {whole, qMax(0, total - whole)};
    setSizes(widths);
}
