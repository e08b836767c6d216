#pragma once

// What the chart's tests share: readable failure messages for the geometry
// types, a shown chart with draws, and a pattern built from its parts.
#include "chart/ChartGeometry.h"
#include "chart/VexelCtrl.h"

#include <QtTest>
#include <memory>

namespace ChartGeometry {

inline char *toString(const TGridRect &r)
{
    return QTest::toString(QStringLiteral("(%1, %2, %3, %4)").arg(r.Left).arg(r.Top).arg(r.Right).arg(r.Bottom));
}

inline char *toString(const TCell &c)
{
    return QTest::toString(QStringLiteral("col %1, row %2").arg(c.Col).arg(c.Row));
}

} // namespace ChartGeometry

Q_DECLARE_METATYPE(ChartGeometry::TGridRect)
Q_DECLARE_METATYPE(ChartGeometry::TCell)
Q_DECLARE_METATYPE(ChartGeometry::TScrollCode)
Q_DECLARE_METATYPE(ChartGeometry::TPosType)

// A shown chart of `drawCount` draws, digit p of draw i being (i + p) mod 10;
// 410 pixels high it has 11 rows per page, and at the end of the list the
// entry row is the last of them with the description block whole below it.
template <typename Chart = TVexelRegNet>
std::unique_ptr<Chart> chartWith(int drawCount, int colCount = 10, int height = 410)
{
    auto chart = std::make_unique<Chart>();
    chart->SetColCount(colCount);
    chart->resize(chart->sizeHint().width(), height);
    chart->show();
    for (int i = 0; i < drawCount; ++i) {
        const int d = chart->Codes().Add();
        for (int p = 1; p <= 7; ++p)
            chart->Codes().SetNum(p, d, (i + p) % 10);
    }
    chart->Relayout();
    return chart;
}

inline TVexelReg patternOf(int drawCount, int interval, std::initializer_list<TPoint> points, int steps, quint16 mask)
{
    TVexelReg reg;
    for (const TPoint &p : points)
        reg.Line(0).Add(p);
    reg.SetDrawCount(drawCount);
    reg.SetInterval(interval);
    reg.SetKind(1);
    reg.SetTargetMask(mask);
    for (int s = 0; s < steps; ++s)
        reg.AddStep({(s * 7) % 10}, mask);
    return reg;
}
