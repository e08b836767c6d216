#include "chart/ChartGeometry.h"

#include "core/ExtList.h"
#include "core/VexelReg.h"

#include <QtGlobal>
#include <qnamespace.h>
#include <algorithm>
#include <climits>
#include <cmath>

namespace ChartGeometry {

namespace {

// Grid rows further than this from the page are pinned here: 29 pixels a
// row keeps every pixel coordinate well inside 32 bits.
constexpr qint64 RowLimit = qint64(1) << 24;

void LayoutRects(TChartLayout &g)
{
    const int last = g.ColCount - 1;
    const int gridRight = LeftOfCol(g, last) + g.FColWidthArr[size_t(last)];
    const int pitch = g.Pitch();
    g.DataRect = {1, pitch, gridRight, pitch * (g.RowsPerPage + 3) + g.LineWidth};
    g.HeadRect = {1, 1, gridRight, pitch};
}

} // namespace

TGridRect TGridRect::Intersected(const TGridRect &o) const
{
    return {qMax(Left, o.Left), qMax(Top, o.Top), qMin(Right, o.Right), qMin(Bottom, o.Bottom)};
}

TGridRect TGridRect::United(const TGridRect &o) const
{
    if (o.IsEmpty())
        return *this;
    if (IsEmpty())
        return o;
    return {qMin(Left, o.Left), qMin(Top, o.Top), qMax(Right, o.Right), qMax(Bottom, o.Bottom)};
}

int LeftOfCol(const TChartLayout &g, int col, bool *beyond)
{
    const int widths = int(g.FColWidthArr.size());
    if (beyond)
        *beyond = col > widths;
    int left = g.Origin.x() + 1;
    for (int i = 0; i < col && i < widths; ++i)
        left += g.FColWidthArr[size_t(i)] + g.LineWidth;
    return left;
}

int TopOfRow(const TChartLayout &g, int row, bool relative, int top)
{
    qint64 k = row;
    if (relative)
        k -= top == -1 ? g.TopRow : top;
    return int(g.Origin.y() + 1 + qint64(g.Pitch()) * k);
}

TGridRect RectOfCell(const TChartLayout &g, int row, int col, bool relative, int top, bool *beyond)
{
    const bool outside = col < 0 || col >= int(g.FColWidthArr.size());
    if (beyond)
        *beyond = outside;
    TGridRect r;
    r.Left = LeftOfCol(g, col);
    r.Right = r.Left + (outside ? 0 : g.FColWidthArr[size_t(col)]);
    r.Top = TopOfRow(g, row, relative, top);
    r.Bottom = r.Top + g.RowHeight;
    return r;
}

int GridWidth(const TChartLayout &g)
{
    return LeftOfCol(g, g.ColCount) - g.LineWidth;
}

void LayoutColumns(TChartLayout &g)
{
    g.FColWidthArr.assign(MaxColCount, 40);
    g.FColWidthArr[0] = 50;
    g.FColWidthArr[size_t(g.ColCount - 1)] = 80;
    g.RowHeight = 28;
    LayoutRects(g);
}

int RowsPerPage(int clientHeight, int rowHeight, int lineWidth)
{
    const int available = clientHeight - 9 - 2;
    const int pitch = rowHeight + lineWidth;
    if (pitch >= available)
        return 0;
    return (available + pitch - 1) / pitch - 3;
}

void Relayout(TChartLayout &g, int clientHeight, int drawCount)
{
    g.RowHeight = 28;
    g.RowsPerPage = RowsPerPage(clientHeight, g.RowHeight, g.LineWidth);
    g.ClientHeight = clientHeight;
    LayoutColumns(g);
    g.TopRow = EndTopRow(g, drawCount);
}

int WholeRows(const TChartLayout &g)
{
    return qMax(0, (g.ClientHeight - TopOfRow(g, 0, false, -1) - g.RowHeight) / g.Pitch());
}

int EndTopRow(const TChartLayout &g, int drawCount)
{
    const int pageEnd = qMax(0, drawCount + 1 - g.RowsPerPage);
    if (g.RowsPerPage <= 0)
        return pageEnd; // only the header shows
    // The block's last row is grid row drawCount - top + 1 + BlockRows; the
    // entry row itself stays on the page however short the area.
    const int blockShows = drawCount + 1 + BlockRows - WholeRows(g);
    return std::clamp(blockShows, pageEnd, qMax(pageEnd, drawCount));
}

int ScrollMax(const TChartLayout &g, int drawCount)
{
    return EndTopRow(g, drawCount);
}

TCell BoundCell(TCell cell, int colCount, int drawCount)
{
    cell.Row = std::clamp(cell.Row, 0, qMax(0, drawCount));
    cell.Col = std::clamp(cell.Col, 2, qMax(2, colCount - 2));
    return cell;
}

TCell RelayoutCell(TCell cell, const TChartLayout &g, int drawCount)
{
    if (cell.Row + g.TopRow >= g.RowsPerPage)
        cell.Row = qMax(drawCount - 1, 0);
    if (drawCount == cell.Row + 1)
        cell.Col = 2;
    return BoundCell(cell, g.ColCount, drawCount);
}

int ScrollTarget(TScrollCode code, int position, int min, int max, int rowsPerPage, int thumb)
{
    switch (code) {
    case scLineUp:
        return qMax(0, position - 1);
    case scLineDown:
        return qMin(max, position + 1);
    case scPageUp:
        return qMax(position - rowsPerPage, min);
    case scPageDown:
        return qMin(position + rowsPerPage, max);
    case scPosition:
    case scTrack:
        return thumb >= min ? thumb : position;
    case scTop:
        return min;
    case scBottom:
        return max;
    case scEndScroll:
    case scNone:
        break;
    }
    return position;
}

TKeyMove NavigateKey(int key, TCell cell, const TChartLayout &g, int drawCount)
{
    TKeyMove move{cell, scNone};
    const int top = g.TopRow;
    const int pageEnd = g.TopRow + g.RowsPerPage - 1;
    const int lastDigit = g.ColCount - 2;

    switch (key) {
    case Qt::Key_Left:
        if (cell.Col == 2) {
            if (cell.Row <= 0)
                break; // nothing lies before the first draw
            if (top == cell.Row)
                move.Scroll = scLineUp;
            move.Cell = {lastDigit, cell.Row - 1};
        } else {
            move.Cell.Col = cell.Col - 1;
        }
        break;
    case Qt::Key_Right:
        if (cell.Col == lastDigit) {
            if (cell.Row >= drawCount)
                break; // nothing lies after the entry row
            if (pageEnd == cell.Row)
                move.Scroll = scLineDown;
            move.Cell = {2, cell.Row + 1};
        } else if (cell.Row < drawCount) {
            move.Cell.Col = cell.Col + 1; // on the entry row the cell stays at A
        }
        break;
    case Qt::Key_Up:
        if (cell.Row <= 0)
            break;
        if (top == cell.Row)
            move.Scroll = scLineUp;
        move.Cell.Row = cell.Row - 1;
        break;
    case Qt::Key_Down:
        if (cell.Row == pageEnd) {
            if (cell.Row < drawCount - 1)
                move.Cell.Row = cell.Row + 1;
            else
                move.Cell.Col = 2;
            move.Scroll = scLineDown;
        } else {
            move.Cell.Row = cell.Row + 1;
            if (move.Cell.Row >= drawCount)
                move.Cell.Col = 2;
        }
        break;
    default:
        break;
    }
    move.Cell = BoundCell(move.Cell, g.ColCount, drawCount);
    return move;
}

TPosType GetPosType(const TChartLayout &g, const TGridRect &client, QPoint point, int &row, int &col)
{
    row = 0;
    col = 0;
    if (g.HeadRect.Contains(point)) {
        for (int k = 0; k < g.ColCount; ++k) {
            const TGridRect cell = RectOfCell(g, 0, k, false, -1).Intersected(client);
            if (!cell.IsEmpty() && cell.Contains(point)) {
                col = k;
                return rtHead;
            }
        }
        return rtNone;
    }
    const TGridRect note{LeftOfCol(g, g.ColCount - 1), g.DataRect.Top, g.DataRect.Right, g.DataRect.Bottom};
    if (note.Contains(point))
        return rtNone;
    if (g.DataRect.Contains(point)) {
        for (int r = 0; r < g.RowsPerPage; ++r)
            for (int k = 2; k <= g.ColCount - 2; ++k)
                if (RectOfCell(g, r + 1, k, false, -1).Contains(point)) {
                    row = r;
                    col = k;
                    return rtNum;
                }
    }
    return rtNone;
}

int Nearest(double v)
{
    const double f = std::floor(v);
    const double d = v - f;
    double n = f;
    if (d > 0.5 || (d == 0.5 && std::fmod(f, 2.0) != 0.0))
        n = f + 1.0;
    return int(std::clamp(n, double(INT_MIN / 2), double(INT_MAX / 2)));
}

QPoint ScalePoint(const TOutputMap &m, QPoint p)
{
    return {Nearest(double(p.x()) * m.Scale) + m.Offset.x(), Nearest(double(p.y()) * m.Scale) + m.Offset.y()};
}

TGridRect ScaleRect(const TOutputMap &m, const TGridRect &r)
{
    const QPoint tl = ScalePoint(m, {r.Left, r.Top});
    const QPoint br = ScalePoint(m, {r.Right, r.Bottom});
    return {tl.x(), tl.y(), br.x(), br.y()};
}

QPoint CenterOfRect(const TGridRect &r)
{
    return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
}

int GridLinePixels(const TChartLayout &g, const TOutputMap &m)
{
    return m.LineWidth > 0 ? m.LineWidth : g.LineWidth;
}

int ScreenLineWidth(const TChartLayout &g, double devicePixelRatio)
{
    return qMax(1, int(std::ceil(double(g.LineWidth) * devicePixelRatio - 1e-6)));
}

int VLineLeft(const TChartLayout &g, const TOutputMap &m, int col)
{
    if (m.LineWidth <= 0)
        return ScalePoint(m, {LeftOfCol(g, col) - g.LineWidth, 0}).x();
    return Nearest(double(LeftOfCol(g, col)) * m.Scale) + m.Offset.x() - m.LineWidth;
}

int HLineTop(const TChartLayout &g, const TOutputMap &m, int row, int lines)
{
    if (m.LineWidth <= 0)
        return ScalePoint(m, {0, TopOfRow(g, row, false, -1) - g.LineWidth}).y() - (lines - 1) * g.LineWidth;
    return Nearest(double(TopOfRow(g, row, false, -1)) * m.Scale) + m.Offset.y() - lines * m.LineWidth;
}

bool DoubleLineAbove(int row, int topRow)
{
    return row > 1 && ((row + topRow) % 4 + 4) % 4 == 1;
}

TGridRect OutputCell(const TChartLayout &g, const TOutputMap &m, const TGridRect &r)
{
    TGridRect out = ScaleRect(m, r);
    if (m.LineWidth <= 0)
        return out;
    const int width = m.LineWidth;
    // The lines after the cell lie at its right and bottom edges in grid pixels.
    out.Right = qMin(out.Right, Nearest(double(r.Right + g.LineWidth) * m.Scale) + m.Offset.x() - width);
    out.Bottom = qMin(out.Bottom, Nearest(double(r.Bottom + g.LineWidth) * m.Scale) + m.Offset.y() - width);
    return out;
}

bool LineFits(const TPointList &line, int colCount)
{
    for (int i = 0; i < line.Count(); ++i) {
        const int col = line.Data()[i].x;
        // A negative column has no cell; a damaged file must not reach one.
        if (col < 0 || col >= colCount - 2)
            return false;
    }
    return true;
}

qint64 ReferenceRow(const TVexelReg &reg, int step)
{
    return qint64(reg.DrawCount()) - qint64(reg.Interval()) * step;
}

int GridRowOfDraw(const TChartLayout &g, qint64 draw)
{
    return int(std::clamp(draw - g.TopRow + 1, -RowLimit, RowLimit));
}

TGridRect PointCell(const TChartLayout &g, const TVexelReg &reg, int step, QPoint point)
{
    return RectOfCell(g, GridRowOfDraw(g, ReferenceRow(reg, step) + point.y()), point.x() + 1, false, -1);
}

TGridRect RingRect(const TChartLayout &g, const TOutputMap &m, const TVexelReg &reg, int step, QPoint point)
{
    const TGridRect c = PointCell(g, reg, step, point);
    return ScaleRect(m, {c.Left + 2, c.Top + 2, c.Right - 2, c.Bottom - 2});
}

TGridRect TargetBoxRect(const TChartLayout &g, const TOutputMap &m, const TVexelReg &reg, int step, int b)
{
    const TGridRect c = ScaleRect(m, RectOfCell(g, GridRowOfDraw(g, ReferenceRow(reg, step)), b + 1, false, -1));
    return {c.Left + 2, c.Top + 2, c.Right - 1, c.Bottom - 1};
}

TGridRect StepValueCell(const TChartLayout &g, const TOutputMap &m, const TVexelReg &reg, int step)
{
    const qint64 draw = ReferenceRow(reg, step) + reg.NearestRow();
    return ScaleRect(m, RectOfCell(g, GridRowOfDraw(g, draw), g.ColCount - 1, false, -1));
}

TGridRect PatternClip(const TGridRect &clip, const TChartLayout &g, const TOutputMap &m)
{
    TGridRect r = clip;
    r.Top = Nearest(double(g.HeadRect.Bottom + 2) * m.Scale) + m.Offset.y();
    return r;
}

bool DrawsVisible(const TChartLayout &g, const TOutputMap &m, const TGridRect &clip, qint64 first, qint64 last)
{
    const qint64 lo = qMin(first, last);
    const qint64 hi = qMax(first, last);
    const double pitch = g.Pitch();
    const auto topOf = [&](qint64 draw) {
        return g.Origin.y() + 1 + pitch * double(draw - g.TopRow + 1);
    };
    const double margin = pitch * m.Scale;
    const double y0 = topOf(lo) * m.Scale + m.Offset.y() - margin;
    const double y1 = (topOf(hi) + g.RowHeight) * m.Scale + m.Offset.y() + margin;
    return y1 > clip.Top && y0 < clip.Bottom;
}

std::pair<int, int> VisibleSteps(const TChartLayout &g, const TOutputMap &m, const TGridRect &clip,
                                 const TVexelReg &reg)
{
    const int steps = qMax(0, reg.StepCount());
    // Only a damaged file gives an interval below 1, whose steps do not
    // move up the chart one after the other: every step is tried.
    if (reg.Interval() < 1)
        return {0, steps};
    // The rows of a step lie between its reference row plus lo and plus hi.
    qint64 lo = qMin<qint64>(0, reg.NearestRow());
    qint64 hi = qMax<qint64>(0, reg.NearestRow());
    const TPointList &line = reg.Line(0);
    for (int k = 0; k < line.Count(); ++k) {
        lo = qMin<qint64>(lo, line.Data()[k].y);
        hi = qMax<qint64>(hi, line.Data()[k].y);
    }
    // Later steps lie higher up: first those still below the clip, then
    // the visible ones, then those above it.
    constexpr qint64 Far = qint64(1) << 40;
    const auto belowClip = [&](int i) {
        const qint64 r = ReferenceRow(reg, i);
        return !DrawsVisible(g, m, clip, r + lo, r + lo + Far);
    };
    const auto aboveClip = [&](int i) {
        const qint64 r = ReferenceRow(reg, i);
        return !DrawsVisible(g, m, clip, r + hi - Far, r + hi);
    };
    const auto firstWhere = [steps](int from, const auto &holds) {
        int a = from;
        int b = steps;
        while (a < b) {
            const int mid = a + (b - a) / 2;
            if (holds(mid))
                b = mid;
            else
                a = mid + 1;
        }
        return a;
    };
    const int first = firstWhere(0, [&](int i) { return !belowClip(i); });
    return {first, firstWhere(first, aboveClip)};
}

} // namespace ChartGeometry
