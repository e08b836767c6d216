#pragma once

#include "chart/ChartGeometry.h"
#include "core/Hao.h"
#include "core/VexelReg.h"

#include <QColor>
#include <QString>
#include <QWidget>
#include <array>
#include <functional>

class QDataStream;
class QPainter;
class QKeyEvent;
class QScrollBar;
class QUndoStack;

// The chart: a grid of the draw history, one draw per row (issue number,
// value, digits A to G, a note column), with a current cell that keys and the
// mouse move and digits are typed into, and one pattern drawn over the grid.
//
// The chart owns the program's draw list and its own copy of the shown pattern.
// Rows are drawn from the top row on; the row after the last draw is the entry
// row, where typing appends a draw; two rows below it hold a description of the
// pattern. The scroll bar on the right moves the top row.
class TVexelRegNet : public QWidget
{
    Q_OBJECT

public:
    using TCell = ChartGeometry::TCell;
    using TGridRect = ChartGeometry::TGridRect;
    using TPosType = ChartGeometry::TPosType;
    using TScrollCode = ChartGeometry::TScrollCode;

    static constexpr int CellColorCount = 8;

    explicit TVexelRegNet(QWidget *parent = nullptr);
    ~TVexelRegNet() override;

    // 10 columns show digits A to G, 7 columns A to D only. Any other count
    // raises. The caller follows with Relayout.
    int ColCount() const { return FGrid.ColCount; }
    void SetColCount(int count);

    // Lays the grid out for the current size and draw count and shows the end
    // of the list: the entry row becomes the last row of the page.
    void Relayout();

    // --- geometry (grid pixels) ---
    int LeftOfCol(int ACol) const;
    int TopOfRow(int ARow, bool relative, int top) const;
    TGridRect RectOfCell(int ARow, int ACol, bool relative, int top) const;
    int GridWidth() const;
    const ChartGeometry::TChartLayout &Grid() const { return FGrid; }
    int TopRow() const { return FGrid.TopRow; }
    int RowsPerPage() const { return FGrid.RowsPerPage; }
    int FirstNumber() const { return FFirstNumber; }
    QString ColTitle(int col) const { return FColTitles[size_t(col)]; }
    QColor CellColor(int i) const { return FCellColors[size_t(i)]; }

    // --- draws ---
    TCodes &Codes() { return FDraws; }
    const TCodes &Codes() const { return FDraws; }
    int GetCell(int ARow, int position) const;
    // Adds an all-zero draw, lays out again and puts the current cell on its
    // column A. Returns the new draw's index.
    int AppendRow();
    // A character's digit value; a non-digit beeps and gives false.
    bool CharToDigit(QChar ch, int &digit);

    // The current cell: a digit column and a draw index, always within the
    // draws and the entry row.
    TCell CurrentCell() const { return FCurrent; }
    void SetCurrentCell(TCell cell);

    // --- pattern ---
    // Takes a copy of the pattern; the step index returns to -1. No repaint:
    // the caller follows with SetSecIndex and Relayout.
    void SetReg(const TVexelReg &reg);
    const TVexelReg &Reg() const { return FReg; }
    TVexelReg &Reg() { return FReg; }
    // Selects a step of the pattern (-1 for none); an index at or past the
    // step count raises.
    void SetSecIndex(int index);
    int SecIndex() const { return FSecIndex; }
    // Shows a copy of the pattern with its last step selected, the end of
    // the list in view.
    void ShowReg(const TVexelReg &reg);
    // Empties the shown pattern and repaints; the draws stay.
    void ClearReg();

    // --- whole chart ---
    // Empties the pattern and the draw list.
    void Clear();
    // Empties the pattern, has `rebuild` replace the draws in the chart's
    // own list (the import's and the download's one step), and lays out.
    void ReplaceDraws(const std::function<void(TCodes &)> &rebuild);
    // The chart's part of the workspace: its draw list, nothing else. Reading
    // replaces the draws and empties the pattern.
    void LoadFromStream(QDataStream &stream);
    void SaveToStream(QDataStream &stream) const;

    // --- taking back typed digits ---
    // Ctrl+Z takes back the last digit typed (and the draw it appended),
    // Ctrl+Y (or Ctrl+Shift+Z) types it again, anywhere in the window.
    // Replacing the draws (Clear, ReplaceDraws, LoadFromStream) starts a
    // fresh history.
    QUndoStack &UndoStack() const { return *FUndo; }

    // --- scrolling ---
    // Carries out a scroll request now; thumb is the position for scPosition
    // and scTrack.
    void VScroll(TScrollCode code, int thumb = 0);
    // Queues a scroll request, carried out after the current event.
    void PostScroll(TScrollCode code);
    QScrollBar *ScrollBar() const { return FScrollBar; }

    // What lies under a point of the control; ARow is a page row.
    TPosType GetPosType(QPoint point, int &ARow, int &ACol) const;

    // Paints the chart for `rows` rows from draw index `top`, every coordinate
    // mapped by scale and offset; onto the control or any image.
    void DrawChart(QPainter &canvas, int rows, int top, float scale = 1.0f, QPoint offset = QPoint()) const;
    // The same with a whole output mapping, its grid line width included.
    void DrawChart(QPainter &canvas, int rows, int top, const ChartGeometry::TOutputMap &map) const;
    // Marks the current cell; the control paints it over the chart.
    void DrawCurrentCell(QPainter &canvas, const ChartGeometry::TOutputMap &map = {}) const;

    QSize sizeHint() const override;

signals:
    // Sent at the end of every Relayout and after every key.
    void OnChange(TVexelRegNet *sender);

protected:
    // Sends OnChange. Runs at the end of every Relayout and every key.
    virtual void Change();
    // The audible warning for a non-digit typed.
    virtual void Beep();
    // Shows an information message to the user, once the current event is done.
    virtual void ShowInfo(const QString &text);

    bool event(QEvent *e) override;
    void paintEvent(QPaintEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void wheelEvent(QWheelEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;
    void focusInEvent(QFocusEvent *e) override;
    void focusOutEvent(QFocusEvent *e) override;

    // The navigation keys and the key table; every key ends in a repaint and Change.
    void KeyDown(int key);
    // Typing: a digit edits the draw under the current cell, or appends one
    // on the entry row, and moves the cursor on.
    void KeyPress(QChar ch);

private:
    struct TPaintContext;
    class TTypedDigit;

    void BuildUndo();
    // Carries out Ctrl+Z, Ctrl+Y and Ctrl+Shift+Z; false for any other key.
    bool UndoKey(const QKeyEvent *e);
    void RecordTypedDigit(TCell cell, int before, int after, bool appended);
    // Puts a digit (none when negative) into a cell and the cursor on `cursor`.
    void SetTypedDigit(TCell cell, int digit, TCell cursor, bool relayout);

    void ScrollBarAction(int action);
    void SetTopRow(int row);
    void PostEnsureVisible();
    void EnsureCurrentVisible();
    void PlaceScrollBar();
    TGridRect ClientRect() const;

    bool UseTextFont(TPaintContext &c, int pixels, bool bold, QColor colour) const;
    void DrawCellText(TPaintContext &c, const QString &text, const TGridRect &rect, int size, QColor colour, bool bold) const;
    void DrawTextAt(TPaintContext &c, const QString &text, QPoint topLeft, int size, QColor colour) const;
    void DrawPattern(TPaintContext &c) const;
    void DrawStep(TPaintContext &c, int i) const;
    void DrawPoint(TPaintContext &c, int i, QPoint p) const;
    void DrawSegment(TPaintContext &c, int i, QPoint p, QPoint q) const;
    void DrawStepValue(TPaintContext &c, int i) const;
    void DrawTargetBoxes(TPaintContext &c, int i) const;

    ChartGeometry::TChartLayout FGrid;   // origin, FColWidthArr, column count, rows, top row, rectangles
    TCodes FDraws;
    TVexelReg FReg;
    int FSecIndex = -1;
    int FFirstNumber = 1;
    TCell FCurrent;
    std::array<QString, ChartGeometry::MaxColCount> FColTitles;
    std::array<QColor, CellColorCount> FCellColors;
    QScrollBar *FScrollBar = nullptr;
    QUndoStack *FUndo = nullptr;
};
