#include "chart/ChartRender.h"

#include "core/ExtList.h"
#include "chart/VexelCtrl.h"
#include "core/VexelReg.h"

#include <QPagedPaintDevice>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace G = ChartGeometry;

namespace ChartRender {

namespace {

// The grid's top-left line, in grid pixels: where every output picture begins.
QPoint GridCorner(const G::TChartLayout &g)
{
    return {G::LeftOfCol(g, 0) - g.LineWidth, G::TopOfRow(g, 0, false, -1) - g.LineWidth};
}

// Rows below the header that fit a page height at a scale (may be below 3).
int RowsThatFit(const G::TChartLayout &g, int pageHeight, float scale)
{
    int rows = int(std::floor((pageHeight - g.LineWidth) / (double(g.Pitch()) * scale))) - 1;
    while (rows > 0 && SliceSize(g, rows, scale).height() > pageHeight)
        --rows;
    return rows;
}

} // namespace

qint64 OldestTouchedRow(const TVexelReg &reg)
{
    const int steps = reg.StepCount();
    if (steps <= 0)
        return reg.DrawCount();
    qint32 farthest = 0;   // rows of a line are 0 or negative; the boxes lie on row 0
    for (int m = 0; m < reg.LineCount(); ++m) {
        const TPointList &line = reg.Line(m);
        for (int k = 0; k < line.Count(); ++k)
            farthest = qMin(farthest, line.Data()[k].y);
    }
    // The last step lies furthest up, unless a damaged pattern has a negative interval.
    const qint64 reference = qMin(G::ReferenceRow(reg, 0), G::ReferenceRow(reg, steps - 1));
    return reference + farthest;
}

TExportRange ExportRange(const TVexelReg &reg, int drawCount, int viewTop)
{
    const qint64 first = reg.StepCount() > 0 ? OldestTouchedRow(reg) : qint64(viewTop);
    return {int(std::clamp<qint64>(first, 0, qMax(0, drawCount))), qMax(0, drawCount)};
}

TExportRange ExportRange(const TVexelRegNet &chart)
{
    return ExportRange(chart.Reg(), chart.Codes().Count(), chart.TopRow());
}

TSlice WholeRange(const TExportRange &range)
{
    return {range.First, range.DataRows(), true};
}

std::vector<TSlice> Paginate(const TExportRange &range, int rowsPerPage)
{
    const int tail = 1 + BlockRows;   // the entry row and the block: never parted
    const int perPage = qMax(rowsPerPage, tail);
    std::vector<TSlice> pages;
    int top = range.First;
    for (;;) {
        const int draws = range.EntryRow - top;
        if (draws + tail <= perPage) {
            pages.push_back({top, draws + 1, true});
            return pages;
        }
        // Leave one draw for the last page when it has room, so the entry
        // row is not alone with the block.
        const int take = perPage > tail ? qMin(perPage, draws - 1) : qMin(perPage, draws);
        pages.push_back({top, take, false});
        top += take;
    }
}

QSize SliceSize(const G::TChartLayout &g, int gridRows, float scale)
{
    const QPoint corner = GridCorner(g);
    const int right = G::LeftOfCol(g, g.ColCount) - g.LineWidth;                       // the last vertical line
    const int bottom = G::TopOfRow(g, gridRows + 1, false, -1) - g.LineWidth;           // the line below the last row
    const G::TOutputMap map{scale, QPoint()};
    const QPoint from = G::ScalePoint(map, corner);
    const QPoint to = G::ScalePoint(map, {right, bottom});
    return {to.x() - from.x() + g.LineWidth, to.y() - from.y() + g.LineWidth};
}

void PaintSlice(const TVexelRegNet &chart, QPainter &painter, const TSlice &slice, float scale, QPoint at)
{
    const G::TChartLayout &g = chart.Grid();
    const QPoint offset = at - G::ScalePoint({scale, QPoint()}, GridCorner(g));
    painter.save();
    // The clip also cuts off the rows DrawChart paints beyond the slice.
    painter.setClipRect(QRect(at, SliceSize(g, slice.GridRows(), scale)));
    chart.DrawChart(painter, slice.Rows, slice.Top, scale, offset);
    painter.restore();
}

QImage RenderImage(const TVexelRegNet &chart, const TExportRange &range, float scale)
{
    const TSlice whole = WholeRange(range);
    QImage image(SliceSize(chart.Grid(), whole.GridRows(), scale), QImage::Format_RGB32);
    if (image.isNull())
        return image;
    image.fill(Qt::white);
    const int dotsPerMeter = int(std::lround(96.0 * scale / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    QPainter painter(&image);
    PaintSlice(chart, painter, whole, scale, QPoint());
    return image;
}

float ImageScale(const G::TChartLayout &g, const TExportRange &range, float wanted)
{
    const int rows = WholeRange(range).GridRows();
    float scale = qMin(wanted, float(MaxImageSide - g.LineWidth) / float(g.Pitch() * (rows + 1)));
    while (scale >= 1.0f && SliceSize(g, rows, scale).height() > MaxImageSide)
        scale *= 0.999f;
    return scale >= 1.0f ? scale : 0.0f;
}

TPageLayout LayoutPages(const G::TChartLayout &g, const TExportRange &range, QSize page)
{
    TPageLayout layout;
    const QPoint corner = GridCorner(g);
    const int gridWidth = G::LeftOfCol(g, g.ColCount) - g.LineWidth - corner.x();
    if (page.width() <= g.LineWidth || page.height() <= g.LineWidth || gridWidth <= 0)
        return layout;

    float scale = float(page.width() - g.LineWidth) / float(gridWidth);
    while (scale > 0.01f && SliceSize(g, 1, scale).width() > page.width())
        scale *= 0.999f;
    // A page too short for the entry row and the block under a header: shrink
    // until they fit.
    const int tail = 1 + BlockRows;
    while (scale > 0.01f && RowsThatFit(g, page.height(), scale) < tail)
        scale *= 0.98f;
    if (RowsThatFit(g, page.height(), scale) < tail)
        return layout;

    layout.Scale = scale;
    layout.RowsPerPage = RowsThatFit(g, page.height(), scale);
    layout.Pages = Paginate(range, layout.RowsPerPage);
    return layout;
}

bool PaintPages(const TVexelRegNet &chart, QPainter &painter, QPagedPaintDevice &device, const TExportRange &range)
{
    const double factor = device.logicalDpiY() > PageDpi ? double(device.logicalDpiY()) / PageDpi : 1.0;
    const QSize page(int(device.width() / factor), int(device.height() / factor));
    const TPageLayout layout = LayoutPages(chart.Grid(), range, page);
    if (layout.Pages.empty())
        return false;

    painter.save();
    painter.scale(factor, factor);
    bool ok = true;
    for (size_t i = 0; i < layout.Pages.size() && ok; ++i) {
        if (i > 0 && !device.newPage()) {
            ok = false;
            break;
        }
        const TSlice &slice = layout.Pages[i];
        const int x = (page.width() - SliceSize(chart.Grid(), slice.GridRows(), layout.Scale).width()) / 2;
        PaintSlice(chart, painter, slice, layout.Scale, QPoint(x, 0));
    }
    painter.restore();
    return ok;
}

} // namespace ChartRender
