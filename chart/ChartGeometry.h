#pragma once

// The chart's layout arithmetic, kept free of any widget or painter so that
// every number the chart draws or hit-tests with can be computed and checked
// on its own.
//
// Rectangles here use the grid's own convention: left and top belong to the
// rectangle, right and bottom do not. A cell of width 40 starting at x = 95
// has right = 135, and the grid line of width 1 left of and above each cell is
// not part of it.

#include <QPoint>
#include <QRect>
#include <QtGlobal>
#include <utility>
#include <vector>

class TPointList;
class TVexelReg;

namespace ChartGeometry {

constexpr int MaxColCount = 10;
// Grid rows of the description block below the entry row.
constexpr int BlockRows = 2;

struct TGridRect
{
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    bool Contains(QPoint p) const { return p.x() >= Left && p.x() < Right && p.y() >= Top && p.y() < Bottom; }
    TGridRect Intersected(const TGridRect &o) const;
    TGridRect United(const TGridRect &o) const;
    QRect ToQRect() const { return QRect(Left, Top, Right - Left, Bottom - Top); }
    static TGridRect FromQRect(const QRect &r) { return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }

    bool operator==(const TGridRect &) const = default;
};

// Everything the geometry needs to know about the chart's grid.
struct TChartLayout
{
    QPoint Origin{2, 1};                          // pixel offset of the grid, never changed
    std::vector<int> FColWidthArr = std::vector<int>(MaxColCount, 40);
    int ColCount = 10;                            // 10, or 7 without digits E to G
    int RowHeight = 28;                           // without its grid line
    int LineWidth = 1;
    int RowsPerPage = 10;
    int TopRow = 0;                               // draw index in the first data row
    int ClientHeight = 0;                         // height of the area the grid is shown in
    TGridRect DataRect;
    TGridRect HeadRect;

    int Pitch() const { return RowHeight + LineWidth; }
};

// --- cells ---------------------------------------------------------------

// Left pixel of a column. *beyond is set when the column lies past the width
// array; missing widths then count as 0.
int LeftOfCol(const TChartLayout &g, int col, bool *beyond = nullptr);

// Top pixel of a grid row (0 the header). Relative rows count from `top`, or
// from the layout's top row when `top` is -1.
int TopOfRow(const TChartLayout &g, int row, bool relative, int top);

// The cell of a grid row and column. A column outside the width array sets
// *beyond and gives a cell of width 0.
TGridRect RectOfCell(const TChartLayout &g, int row, int col, bool relative, int top, bool *beyond = nullptr);

// Width of the whole grid: 462 with 10 columns, 339 with 7.
int GridWidth(const TChartLayout &g);

// --- layout --------------------------------------------------------------

// Column widths, row height, the data and header rectangles for the layout's
// column count and rows per page.
void LayoutColumns(TChartLayout &g);

// Rows per page for a client area height: pitch = row height + line width,
// available = height - 11; ceil(available / pitch) - 3 when the pitch fits,
// else 0. Short areas give a negative count, which paints the header only.
int RowsPerPage(int clientHeight, int rowHeight, int lineWidth);

// The whole layout for a client height and a draw count: widths, rows per
// page, rectangles, and the top row at the end of the list (EndTopRow).
void Relayout(TChartLayout &g, int clientHeight, int drawCount);

// Grid rows below the header that the client area shows whole.
int WholeRows(const TChartLayout &g);

// The top row that shows the end of the list: the entry row (the slot after
// the last draw) is the last row of the page, unless the description block
// below it would then be cut off at the bottom of the client area; the view
// then lies a row further down, so the whole block shows.
int EndTopRow(const TChartLayout &g, int drawCount);

// Largest scroll position: the end of the list, as EndTopRow.
int ScrollMax(const TChartLayout &g, int drawCount);

// --- the current cell ------------------------------------------------------

struct TCell
{
    int Col = 2;
    int Row = 0;   // draw index; drawCount is the entry row

    bool operator==(const TCell &) const = default;
};

// Keeps the current cell on a row that exists (0 to drawCount, the entry row
// included) and on a digit column of the current column count.
TCell BoundCell(TCell cell, int colCount, int drawCount);

// The current cell after a relayout: when it lies at or past the page it moves
// to the last draw, and on the last draw it returns to column 2; then it is
// bounded as in BoundCell.
TCell RelayoutCell(TCell cell, const TChartLayout &g, int drawCount);

enum TScrollCode {
    scLineUp,
    scLineDown,
    scPageUp,
    scPageDown,
    scPosition,    // thumb released at a position
    scTrack,       // thumb dragged to a position
    scTop,
    scBottom,
    scEndScroll,   // end of a scroll gesture: nothing moves
    scNone         // no request
};

// The scroll position a request leads to, from the current position and range.
// A thumb position below the range minimum leaves the position unchanged.
int ScrollTarget(TScrollCode code, int position, int min, int max, int rowsPerPage, int thumb);

// Moves the current cell for a navigation key (Qt::Key_Left, Key_Right, Key_Up,
// Key_Down) and names the scroll request the key asks for, scNone if none.
struct TKeyMove
{
    TCell Cell;
    TScrollCode Scroll = scNone;
};
TKeyMove NavigateKey(int key, TCell cell, const TChartLayout &g, int drawCount);

// --- hit test --------------------------------------------------------------

enum TPosType { rtNone, rtHead, rtNum };

// What lies under a point of the client area: a header cell (col set), a digit
// cell (row = page row, not draw index; col = grid column), or nothing: grid
// lines, the issue, value and note columns and everything outside the grid.
TPosType GetPosType(const TChartLayout &g, const TGridRect &client, QPoint point, int &row, int &col);

// --- output mapping ----------------------------------------------------------

// Grid pixels to output pixels: x' = nearest(x * scale) + offset.x.
// LineWidth is the width of a grid line in output pixels, 0 for the grid's
// own line width whatever the scale.
struct TOutputMap
{
    float Scale = 1.0f;
    QPoint Offset;
    int LineWidth = 0;
};

// The integer nearest to v, halves going to the even neighbour.
int Nearest(double v);
QPoint ScalePoint(const TOutputMap &m, QPoint p);
TGridRect ScaleRect(const TOutputMap &m, const TGridRect &r);
// ((left + right) / 2, (top + bottom) / 2), the division truncating toward 0.
QPoint CenterOfRect(const TGridRect &r);

// --- grid lines in output pixels ---------------------------------------------
//
// With a line width set in the mapping (the screen's), a grid line ends
// where the cells after it begin, and the cells before it stop where it
// begins: every line is then the same whole number of pixels wide at any
// scale, with no background showing beside it. Without one (pictures and
// pages), each line of the grid's own width lies at its grid position
// mapped, and cells are mapped as they are.

// Width of a grid line in output pixels.
int GridLinePixels(const TChartLayout &g, const TOutputMap &m);
// The line width for a screen of a device pixel ratio: the fewest whole
// pixels that cover the room between two cells, so lines look alike.
int ScreenLineWidth(const TChartLayout &g, double devicePixelRatio);
// Left pixel of the vertical line before column `col` (0 to column count).
int VLineLeft(const TChartLayout &g, const TOutputMap &m, int col);
// Top pixel of the horizontal line above grid row `row`, `lines` line
// widths high (2 for the double line).
int HLineTop(const TChartLayout &g, const TOutputMap &m, int row, int lines = 1);
// Whether the line above grid row `row` is double: above every draw whose
// index is a multiple of 4, except along the top of the first data row.
bool DoubleLineAbove(int row, int topRow);
// A cell, or a union of cells, in output pixels, stopping short of the grid
// lines to its right and below it.
TGridRect OutputCell(const TChartLayout &g, const TOutputMap &m, const TGridRect &r);

// --- pattern placement -------------------------------------------------------

// A line can be drawn when every point lies on a shown column: 0 (the value)
// up to the last digit column of the column count.
bool LineFits(const TPointList &line, int colCount);

// Draw index of the reference row of a step: draw count - interval * step.
qint64 ReferenceRow(const TVexelReg &reg, int step);

// Grid row (absolute, 0 the header) of a draw index. Rows far outside any page
// are pinned at a safe distance so the pixel arithmetic cannot overflow.
int GridRowOfDraw(const TChartLayout &g, qint64 draw);

// Cell of a pattern point (column = record position, row = draw offset) at a step.
TGridRect PointCell(const TChartLayout &g, const TVexelReg &reg, int step, QPoint point);
// The point cell shrunk by 2 pixels on every side, mapped to the output.
TGridRect RingRect(const TChartLayout &g, const TOutputMap &m, const TVexelReg &reg, int step, QPoint point);
// Box around the digit at record position b (1 to 5) of the step's reference row.
TGridRect TargetBoxRect(const TChartLayout &g, const TOutputMap &m, const TVexelReg &reg, int step, int b);
// Note-column cell beside the newest draw the step's lines touch.
TGridRect StepValueCell(const TChartLayout &g, const TOutputMap &m, const TVexelReg &reg, int step);
// The paint clip with its top moved below the header, so the pattern never covers it.
TGridRect PatternClip(const TGridRect &clip, const TChartLayout &g, const TOutputMap &m);

// True when some row of the draws `first` to `last` (in either order) lies
// within the output clip, allowing a row's margin for pen widths. Painting
// skips what this rules out, so its cost follows the page, not the history.
bool DrawsVisible(const TChartLayout &g, const TOutputMap &m, const TGridRect &clip, qint64 first, qint64 last);

// The steps [first, last) of the pattern whose rows (its line's, its
// reference row and its value's row) DrawsVisible lets through; the others
// draw nothing. Found by halving, so a chain of millions of steps costs the
// painting no more than its visible ones.
std::pair<int, int> VisibleSteps(const TChartLayout &g, const TOutputMap &m, const TGridRect &clip,
                                 const TVexelReg &reg);

} // namespace ChartGeometry
