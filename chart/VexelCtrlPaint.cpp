// Painting of the chart: the grid with its draws, the shown pattern over it
// and the description block below the entry row.
#include "chart/VexelCtrl.h"
#include "chart/ChartPalette.h"

#include <QPainter>
#include <QPen>

namespace G = ChartGeometry;
namespace P = ChartPalette;

namespace {

// Names of the pattern's kinds: what its result shows.
QString KindName(int kind)
{
    switch (kind) {
    case 0: return QStringLiteral("全部");
    case 1: return QStringLiteral("全明");
    case 2: return QStringLiteral("全对");
    case 3: return QStringLiteral("明对");
    default: return QString(); // a kind no search produces
    }
}

// Font sizes are points on the grid's 96 pixels per inch, so the texts keep
// their size against the cells on any screen and in any image.
int PixelsOfPoints(int points)
{
    return (points * 96 + 36) / 72;
}

} // namespace

struct TVexelRegNet::TPaintContext
{
    QPainter &Canvas;
    G::TChartLayout Grid;
    G::TOutputMap Map;
    G::TGridRect Clip;       // the area being painted
    G::TGridRect PatternClip;
    QColor StepColor;

    QPoint Mapped(QPoint p) const { return G::ScalePoint(Map, p); }
    int PenWidth() const { return G::Nearest(2.0 * Map.Scale); }
};

void TVexelRegNet::DrawChart(QPainter &canvas, int rows, int top, float scale, QPoint offset) const
{
    DrawChart(canvas, rows, top, G::TOutputMap{scale, offset});
}

void TVexelRegNet::DrawChart(QPainter &canvas, int rows, int top, const G::TOutputMap &map) const
{
    canvas.save();
    canvas.setRenderHint(QPainter::Antialiasing, false);

    TPaintContext c{canvas, FGrid, map, {}, {}, {}};
    c.Grid.RowsPerPage = rows;
    c.Grid.TopRow = top;
    G::LayoutColumns(c.Grid);
    const G::TChartLayout &g = c.Grid;

    // 1. The background of the area being painted.
    if (canvas.hasClipping()) {
        c.Clip = G::TGridRect::FromQRect(canvas.clipBoundingRect().toAlignedRect());
    } else {
        const QPaintDevice *device = canvas.device();
        c.Clip = {0, 0, device ? device->width() : 0, device ? device->height() : 0};
    }
    canvas.fillRect(c.Clip.ToQRect(), palette().color(QPalette::Window));

    // 2. The header, unless only a strip of at most one row is repainted.
    if (c.Clip.Bottom - c.Clip.Top > g.RowHeight) {
        for (int k = 0; k < g.ColCount; ++k) {
            const G::TGridRect cell = G::OutputCell(g, c.Map, G::RectOfCell(g, 0, k, false, -1));
            canvas.fillRect(cell.ToQRect(), FCellColors[0]);
            DrawCellText(c, FColTitles[size_t(k)], cell, 12, Qt::black, false);
        }
    }

    // 3.
    if (rows <= 0) {
        canvas.restore();
        return;
    }

    // 4. The grid's lines: whole output pixels wide, the same at any scale.
    const int count = FDraws.Count();
    const int lineWidth = G::GridLinePixels(g, c.Map);

    // 5. Vertical lines, down to the bottom of the area while more draws
    // follow the page, else to the bottom of the data rows.
    {
        const bool more = count > top + rows - 1;
        const int y0 = G::HLineTop(g, c.Map, 0);
        const int y1 = more ? c.Clip.Bottom : G::HLineTop(g, c.Map, rows + 3);
        for (int k = 0; k <= g.ColCount; ++k)
            if (y1 > y0)
                canvas.fillRect(QRect(G::VLineLeft(g, c.Map, k), y0, lineWidth, y1 - y0), P::GridLine);
    }

    // 6. Cell backgrounds of the rows on the page, the entry row included.
    for (int r = 0; r <= rows + 2; ++r) {
        const int a = top + r;
        if (a > count)
            break;
        for (int k = 0; k < g.ColCount; ++k) {
            const G::TGridRect cell = G::OutputCell(g, c.Map, G::RectOfCell(g, r + 1, k, false, -1));
            QColor colour;
            if (k == g.ColCount - 1)
                colour = FCellColors[5];
            else if (k == 0)
                colour = FCellColors[1];
            else if (k == 1)
                colour = FCellColors[2];
            else
                colour = k >= 6 && g.ColCount == 10 ? FCellColors[4] : FCellColors[3];
            if (!cell.IsEmpty())
                canvas.fillRect(cell.ToQRect(), colour);
        }
    }

    // 7. Issue numbers, values and digits; the note column has no text.
    for (int r = 0; r <= rows + 1; ++r) {
        const int a = top + r;
        if (a >= count)
            break;
        const TCode code = FDraws.GetCode(a);
        for (int k = 0; k <= g.ColCount - 2; ++k) {
            const G::TGridRect cell = G::ScaleRect(c.Map, G::RectOfCell(g, r + 1, k, false, -1));
            if (k == 0)
                DrawCellText(c, QString::number(FFirstNumber + a), cell, 11, Qt::black, true);
            else if (k == 1)
                DrawCellText(c, QString::number(code[0]), cell, 12, Qt::black, true);
            else if (!cell.IsEmpty())
                DrawCellText(c, QString::number(code[size_t(k - 1)]), cell, 20, k < 6 ? P::DigitText : P::TailDigitText,
                             true);
        }
    }

    // 8. Horizontal lines, some of them double.
    {
        const int x0 = c.Mapped(QPoint(G::LeftOfCol(g, 0), 0)).x();
        const int x1 = c.Mapped(QPoint(G::LeftOfCol(g, g.ColCount), 0)).x();
        for (int k = 0; k <= rows + 3; ++k) {
            const int lines = G::DoubleLineAbove(k, top) ? 2 : 1;
            if (x1 > x0)
                canvas.fillRect(QRect(x0, G::HLineTop(g, c.Map, k, lines), x1 - x0, lines * lineWidth), P::GridLine);
        }
    }

    // 9. The pattern, kept out of the header.
    c.PatternClip = G::PatternClip(c.Clip, g, c.Map).Intersected(c.Clip);
    canvas.save();
    canvas.setClipRect(c.PatternClip.ToQRect());
    DrawPattern(c);
    canvas.restore();

    // 10. The description block: two rows directly below the entry row.
    const int K = count + 2;
    const G::TGridRect blockA = G::OutputCell(
        g, c.Map, G::RectOfCell(g, K, 0, true, top).United(G::RectOfCell(g, K + 1, 0, true, top)));
    const G::TGridRect blockB = G::OutputCell(
        g, c.Map, G::RectOfCell(g, K, 1, true, top).United(G::RectOfCell(g, K + 1, g.ColCount - 1, true, top)));
    if (!blockA.IsEmpty())
        canvas.fillRect(blockA.ToQRect(), FCellColors[6]);
    if (!blockB.IsEmpty())
        canvas.fillRect(blockB.ToQRect(), FCellColors[7]);

    // 11. Its texts, when a pattern is shown.
    if (FReg.StepCount() > 0) {
        const int rowK = G::TopOfRow(g, K, true, top);
        const int rowK1 = G::TopOfRow(g, K + 1, true, top);
        const int x0 = G::LeftOfCol(g, 0) + 16;
        const int x1 = G::LeftOfCol(g, 1) + 12;
        DrawTextAt(c, QStringLiteral("点"), c.Mapped(QPoint(x0, rowK + 4)), 12, P::CommentText);
        DrawTextAt(c, QStringLiteral("评"), c.Mapped(QPoint(x0, rowK1)), 12, P::CommentText);
        const QString trend = QStringLiteral("规律走势：") + FReg.PositionText() + QStringLiteral("位 Vexel 合")
                              + FReg.ResultText();
        const QString features = QStringLiteral("规律特点：") + KindName(FReg.Kind()) + QStringLiteral(" 走")
                                 + QString::number(FReg.StepCount()) + QStringLiteral("步 隔")
                                 + QString::number(FReg.Interval()) + QStringLiteral("行 距")
                                 + QString::number(-qint64(FReg.NearestRow())) + QStringLiteral("行 ");
        DrawTextAt(c, trend, c.Mapped(QPoint(x1, rowK + 4)), 12, P::CommentText);
        DrawTextAt(c, features, c.Mapped(QPoint(x1, rowK1)), 12, P::CommentText);
    }

    canvas.restore();
}

bool TVexelRegNet::UseTextFont(TPaintContext &c, int pixels, bool bold, QColor colour) const
{
    // Texts scaled below one pixel are not drawn at all.
    if (pixels <= 0)
        return false;
    QFont face = font();
    face.setBold(bold);
    face.setPixelSize(pixels);
    c.Canvas.setFont(face);
    c.Canvas.setPen(colour);
    c.Canvas.setBrush(Qt::NoBrush);
    return true;
}

void TVexelRegNet::DrawCellText(TPaintContext &c, const QString &text, const G::TGridRect &rect, int size,
                                QColor colour, bool bold) const
{
    // Regular texts are always 11 points, whatever size is asked.
    const int points = G::Nearest(double(bold ? size : 11) * c.Map.Scale);
    if (!UseTextFont(c, PixelsOfPoints(points), bold, colour))
        return;
    const QFontMetrics metrics = c.Canvas.fontMetrics();
    const int w = metrics.horizontalAdvance(text);
    const int h = metrics.height();
    const int x = (rect.Left + rect.Right - w) / 2;
    const int y = (rect.Top + rect.Bottom - h) / 2;
    c.Canvas.drawText(QPoint(x, y + metrics.ascent()), text);
}

void TVexelRegNet::DrawTextAt(TPaintContext &c, const QString &text, QPoint topLeft, int size, QColor colour) const
{
    if (!UseTextFont(c, PixelsOfPoints(G::Nearest(double(size) * c.Map.Scale)), true, colour))
        return;
    c.Canvas.drawText(QPoint(topLeft.x(), topLeft.y() + c.Canvas.fontMetrics().ascent()), text);
}

void TVexelRegNet::DrawPattern(TPaintContext &c) const
{
    const auto [first, last] = G::VisibleSteps(c.Grid, c.Map, c.PatternClip, FReg);
    for (int i = first; i < last; ++i) {
        c.StepColor = P::StepColor(i);
        DrawStep(c, i);
    }
}

void TVexelRegNet::DrawStep(TPaintContext &c, int i) const
{
    const qint64 reference = G::ReferenceRow(FReg, i);
    // Each part is drawn only when its rows reach the painted area: a long
    // chain costs a check per step, not a drawing.
    for (int m = FReg.LineCount() - 1; m >= 0; --m) {
        const TPointList &line = FReg.Line(m);
        const int n = line.Count();
        if (n < 1 || !G::LineFits(line, c.Grid.ColCount))
            continue;
        int nearest = line.Data()[0].y;
        int farthest = nearest;
        for (int k = 1; k < n; ++k) {
            nearest = qMax(nearest, line.Data()[k].y);
            farthest = qMin(farthest, line.Data()[k].y);
        }
        if (!G::DrawsVisible(c.Grid, c.Map, c.PatternClip, reference + farthest, reference + nearest))
            continue;
        const auto pointAt = [&](int k) { return QPoint(line.Data()[k].x, line.Data()[k].y); };
        if (n == 1) {
            DrawPoint(c, i, pointAt(0));
        } else {
            for (int k = 0; k + 1 < n; ++k)
                DrawSegment(c, i, pointAt(k), pointAt(k + 1));
        }
    }
    const qint64 valueRow = reference + FReg.NearestRow();
    if (G::DrawsVisible(c.Grid, c.Map, c.PatternClip, valueRow, valueRow))
        DrawStepValue(c, i);
    if (G::DrawsVisible(c.Grid, c.Map, c.PatternClip, reference, reference))
        DrawTargetBoxes(c, i);
}

void TVexelRegNet::DrawPoint(TPaintContext &c, int i, QPoint p) const
{
    const G::TGridRect ring = G::RingRect(c.Grid, c.Map, FReg, i, p);
    if (ring.IsEmpty())
        return;
    c.Canvas.setRenderHint(QPainter::Antialiasing, true);
    c.Canvas.setBrush(Qt::NoBrush);
    c.Canvas.setPen(QPen(c.StepColor, c.PenWidth(), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    c.Canvas.drawEllipse(QRectF(ring.Left, ring.Top, ring.Right - ring.Left, ring.Bottom - ring.Top));
    c.Canvas.setRenderHint(QPainter::Antialiasing, false);
}

void TVexelRegNet::DrawSegment(TPaintContext &c, int i, QPoint p, QPoint q) const
{
    const QPoint from = G::CenterOfRect(G::RingRect(c.Grid, c.Map, FReg, i, p));
    const QPoint to = G::CenterOfRect(G::RingRect(c.Grid, c.Map, FReg, i, q));
    c.Canvas.setRenderHint(QPainter::Antialiasing, true);
    c.Canvas.setPen(QPen(c.StepColor, c.PenWidth(), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    c.Canvas.drawLine(from, to);
    c.Canvas.setRenderHint(QPainter::Antialiasing, false);
    DrawPoint(c, i, p);
    DrawPoint(c, i, q);
}

void TVexelRegNet::DrawStepValue(TPaintContext &c, int i) const
{
    DrawCellText(c, QString::number(FReg.Value(i, 0)), G::StepValueCell(c.Grid, c.Map, FReg, i), 14, Qt::black, true);
}

void TVexelRegNet::DrawTargetBoxes(TPaintContext &c, int i) const
{
    const quint16 mask = FReg.StepMask(i, 0);
    c.Canvas.setBrush(Qt::NoBrush);
    c.Canvas.setPen(QPen(c.StepColor, c.PenWidth(), Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    for (int b = 1; b <= 5; ++b) {
        if (!(mask & (1u << b)))
            continue;
        const G::TGridRect box = G::TargetBoxRect(c.Grid, c.Map, FReg, i, b);
        if (!box.IsEmpty())
            c.Canvas.drawRect(QRect(box.Left, box.Top, box.Right - box.Left - 1, box.Bottom - box.Top - 1));
    }
}

void TVexelRegNet::DrawCurrentCell(QPainter &canvas, const G::TOutputMap &map) const
{
    const int rows = FGrid.RowsPerPage;
    const int gridRow = FCurrent.Row - FGrid.TopRow + 1;
    if (rows <= 0 || gridRow < 1 || gridRow > rows)
        return;
    G::TGridRect cell = G::OutputCell(FGrid, map, G::RectOfCell(FGrid, gridRow, FCurrent.Col, false, -1));
    // Clear of the line below, when that is a double one.
    if (G::DoubleLineAbove(gridRow + 1, FGrid.TopRow))
        cell.Bottom = qMin(cell.Bottom, G::HLineTop(FGrid, map, gridRow + 1, 2));
    // A tint over the cell the next digit goes to, stronger while the chart
    // has the focus, with a frame that cannot be taken for a target box.
    QColor tint = palette().color(QPalette::Highlight);
    tint.setAlpha(hasFocus() ? 80 : 36);
    canvas.save();
    canvas.setRenderHint(QPainter::Antialiasing, false);
    canvas.fillRect(cell.ToQRect(), tint);
    QColor frame = palette().color(QPalette::Highlight);
    if (!hasFocus())
        frame.setAlpha(110);
    canvas.setPen(QPen(frame, 1, Qt::DotLine));
    canvas.setBrush(Qt::NoBrush);
    canvas.drawRect(cell.ToQRect().adjusted(0, 0, -1, -1));
    canvas.restore();
}
