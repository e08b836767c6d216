#pragma once

// The chart drawn outside its window: into an image, onto PDF or printer
// pages. Everything is painted by the chart's own DrawChart at the output's
// scale, so a picture shows exactly what the screen shows, only sharper.
//
// An export shows a run of rows that ends with the entry row and the two
// rows of the description block below it. On paper the run is cut into
// pages under a repeated header row; the entry row and the description
// block always stay together on the last page.

#include "chart/ChartGeometry.h"

#include <QImage>
#include <QSize>
#include <QtGlobal>
#include <vector>

class QPainter;
class QPagedPaintDevice;
class TVexelRegNet;
class TVexelReg;

namespace ChartRender {

using ChartGeometry::BlockRows;

// The draws an export shows: from First through the entry row (draw index
// EntryRow, the draw count), followed by the description block.
struct TExportRange
{
    int First = 0;
    int EntryRow = 0;

    int DataRows() const { return EntryRow - First + 1; }   // the draws and the entry row
    bool operator==(const TExportRange &) const = default;
};

// Oldest draw index the pattern's drawing reaches: the rings of its last
// step and that step's target boxes. Can be negative or beyond the draws.
qint64 OldestTouchedRow(const TVexelReg &reg);

// With a pattern shown: from the oldest row it touches. Without one: from
// the first row in view (viewTop). Either way through the entry row.
TExportRange ExportRange(const TVexelReg &reg, int drawCount, int viewTop);
TExportRange ExportRange(const TVexelRegNet &chart);

// One piece of the run under its own header row: Rows grid rows from draw
// Top on, then the description block when WithBlock.
struct TSlice
{
    int Top = 0;
    int Rows = 0;
    bool WithBlock = false;

    int GridRows() const { return Rows + (WithBlock ? BlockRows : 0); }
    bool operator==(const TSlice &) const = default;
};

// The whole run as one slice, for an image.
TSlice WholeRange(const TExportRange &range);

// Cuts the run into slices of at most rowsPerPage grid rows below the header
// (at least 3). Pages are filled from the top; the entry row and the block
// share the last page, and when possible a draw row goes with them.
std::vector<TSlice> Paginate(const TExportRange &range, int rowsPerPage);

// Size in output pixels of a slice drawn at a scale: from the grid's
// top-left line through its right line and the line below its last row.
QSize SliceSize(const ChartGeometry::TChartLayout &g, int gridRows, float scale);

// Paints a slice with its top-left grid line at `at`, clipped to its size.
void PaintSlice(const TVexelRegNet &chart, QPainter &painter, const TSlice &slice, float scale, QPoint at);

// The run as one picture at a scale, on a white ground, its resolution set
// so that scale 1 prints at the screen's 96 pixels per inch.
QImage RenderImage(const TVexelRegNet &chart, const TExportRange &range, float scale);

// Longest side of a picture: keeps a picture's memory near 120 MB at most,
// and within what common image viewers open.
constexpr int MaxImageSide = 32767;

// Largest scale up to `wanted` at which the run fits MaxImageSide; 0 when it
// does not fit even at scale 1, where the texts are as small as on screen.
float ImageScale(const ChartGeometry::TChartLayout &g, const TExportRange &range, float wanted);

// How a run lies on pages of a given size (output pixels): the scale that
// fits the grid to the page width (smaller only when a page would hold fewer
// than three rows), and the slices, one per page.
struct TPageLayout
{
    float Scale = 1.0f;
    int RowsPerPage = 0;
    std::vector<TSlice> Pages;
};
TPageLayout LayoutPages(const ChartGeometry::TChartLayout &g, const TExportRange &range, QSize page);

// Paints the run onto the pages of an active painter's device, starting a
// new page for every slice after the first. False when the device refuses
// a new page.
bool PaintPages(const TVexelRegNet &chart, QPainter &painter, QPagedPaintDevice &device, const TExportRange &range);

// Pixels per inch at which pages are laid out. On a finer device the painter
// is scaled up, so grid lines (one pixel wide, whatever the scale) stay
// visible on paper.
constexpr int PageDpi = 300;

} // namespace ChartRender
