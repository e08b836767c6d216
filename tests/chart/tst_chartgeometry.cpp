// The chart's pure layout arithmetic: cells, page layout, scroll positions,
// key navigation, hit test, output mapping and pattern placement.
#include "chart/ChartGeometry.h"
#include "tests/chart/ChartTestSupport.h"
#include "core/VexelReg.h"

#include <QtTest>

using namespace ChartGeometry;

namespace {

TChartLayout layoutOf(int colCount, int clientHeight, int drawCount)
{
    TChartLayout g;
    g.ColCount = colCount;
    Relayout(g, clientHeight, drawCount);
    return g;
}

TVexelReg patternOf(int drawCount, int interval, std::initializer_list<TPoint> points, int steps)
{
    TVexelReg reg;
    for (const TPoint &p : points)
        reg.Line(0).Add(p);
    reg.SetDrawCount(drawCount);
    reg.SetInterval(interval);
    for (int s = 0; s < steps; ++s)
        reg.AddStep({s}, 30);
    return reg;
}

} // namespace

class TestChartGeometry : public QObject
{
    Q_OBJECT

private slots:
    void columns_data();
    void columns();
    void relayout();
    void scrollTarget_data();
    void scrollTarget();
    void navigateKey_data();
    void navigateKey();
    void hitTest_data();
    void hitTest();
    void patternPlacement();
    void visibleSteps_data();
    void visibleSteps();
};

void TestChartGeometry::columns_data()
{
    QTest::addColumn<int>("colCount");
    QTest::addColumn<int>("gridWidth");
    QTest::addColumn<QList<int>>("lefts");      // LeftOfCol(0 .. colCount)
    QTest::addColumn<TGridRect>("firstDigit");  // RectOfCell(1, 2)
    QTest::addColumn<TGridRect>("note");        // RectOfCell(1, colCount - 1)

    QTest::newRow("10 columns") << 10 << 462 << QList<int>{3, 54, 95, 136, 177, 218, 259, 300, 341, 382, 463}
                                << TGridRect{95, 31, 135, 59} << TGridRect{382, 31, 462, 59};
    QTest::newRow("7 columns") << 7 << 339 << QList<int>{3, 54, 95, 136, 177, 218, 259, 340}
                               << TGridRect{95, 31, 135, 59} << TGridRect{259, 31, 339, 59};
}

void TestChartGeometry::columns()
{
    QFETCH(int, colCount);
    const TChartLayout g = layoutOf(colCount, 400, 0);
    QTEST(GridWidth(g), "gridWidth");
    QList<int> lefts;
    for (int k = 0; k <= colCount; ++k)
        lefts << LeftOfCol(g, k);
    QTEST(lefts, "lefts");
    QTEST(RectOfCell(g, 1, 2, false, -1), "firstDigit");
    QTEST(RectOfCell(g, 1, colCount - 1, false, -1), "note");
    QCOMPARE(g.HeadRect, (TGridRect{1, 1, GridWidth(g), 29}));
}

void TestChartGeometry::relayout()
{
    TChartLayout g = layoutOf(10, 410, 100);
    QCOMPARE(g.RowsPerPage, 11);
    QCOMPARE(g.TopRow, 90);
    QCOMPARE(ScrollMax(g, 100), 90);
    QCOMPARE(g.DataRect, (TGridRect{1, 29, 462, 29 * 14 + 1}));
    // 400 pixels also give 11 rows, but the block below the entry row would
    // end at 407: the end of the list lies a row lower.
    g = layoutOf(10, 400, 100);
    QCOMPARE(g.RowsPerPage, 11);
    QCOMPARE(g.TopRow, 91);
    QCOMPARE(ScrollMax(g, 100), 91);

    // Rows per page: ceil((height - 11) / 29) - 3; a short control gives a
    // negative count, a tiny one none.
    QCOMPARE(RowsPerPage(388, 28, 1), 10);
    QCOMPARE(RowsPerPage(389, 28, 1), 11);
    QCOMPARE(RowsPerPage(41, 28, 1), -1);
    QCOMPARE(RowsPerPage(40, 28, 1), 0);

    g = layoutOf(7, 400, 5);
    QCOMPARE(g.TopRow, 0);
    QCOMPARE(ScrollMax(g, 5), 0);
    QCOMPARE(g.DataRect.Right, 339);
}

void TestChartGeometry::scrollTarget_data()
{
    QTest::addColumn<TScrollCode>("code");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("thumb");
    QTest::addColumn<int>("expected");

    // Range 0 to 90, 11 rows per page.
    QTest::newRow("line up") << scLineUp << 40 << 0 << 39;
    QTest::newRow("line down") << scLineDown << 40 << 0 << 41;
    QTest::newRow("line down at max") << scLineDown << 90 << 0 << 90;
    QTest::newRow("page up") << scPageUp << 40 << 0 << 29;
    QTest::newRow("page down") << scPageDown << 40 << 0 << 51;
    QTest::newRow("page down near max") << scPageDown << 85 << 0 << 90;
    QTest::newRow("thumb track") << scTrack << 40 << 60 << 60;
    QTest::newRow("thumb below the range") << scTrack << 40 << -1 << 40;
    QTest::newRow("thumb position below the range") << scPosition << 40 << -32768 << 40;
    QTest::newRow("bottom") << scBottom << 40 << 0 << 90;
}

void TestChartGeometry::scrollTarget()
{
    QFETCH(TScrollCode, code);
    QFETCH(int, position);
    QFETCH(int, thumb);
    QTEST(ScrollTarget(code, position, 0, 90, 11, thumb), "expected");
}

void TestChartGeometry::navigateKey_data()
{
    QTest::addColumn<int>("colCount");
    QTest::addColumn<int>("drawCount");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("key");
    QTest::addColumn<TCell>("cell");
    QTest::addColumn<TCell>("expected");
    QTest::addColumn<TScrollCode>("scroll");

    // 11 rows per page: the page shows top .. top + 10.
    const int L = Qt::Key_Left, R = Qt::Key_Right, U = Qt::Key_Up, D = Qt::Key_Down;
    for (int cols : {10, 7}) {
        const int last = cols - 2;
        const QByteArray n = QByteArray::number(cols) + " cols: ";
        QTest::newRow(n + "left wraps above the page")
            << cols << 100 << 90 << L << TCell{2, 90} << TCell{last, 89} << scLineUp;
        QTest::newRow(n + "left stops at the first draw") << cols << 100 << 0 << L << TCell{2, 0} << TCell{2, 0} << scNone;
        QTest::newRow(n + "right wraps below the page")
            << cols << 100 << 80 << R << TCell{last, 90} << TCell{2, 91} << scLineDown;
        QTest::newRow(n + "right on the entry row stays") << cols << 100 << 90 << R << TCell{2, 100} << TCell{2, 100} << scNone;
        QTest::newRow(n + "right stops at the entry row")
            << cols << 100 << 90 << R << TCell{last, 100} << TCell{last, 100} << scNone;
        QTest::newRow(n + "up from the top row") << cols << 100 << 90 << U << TCell{4, 90} << TCell{4, 89} << scLineUp;
        QTest::newRow(n + "up stops at the first draw") << cols << 100 << 0 << U << TCell{4, 0} << TCell{4, 0} << scNone;
        QTest::newRow(n + "down onto the entry row goes to A")
            << cols << 100 << 90 << D << TCell{4, 99} << TCell{2, 100} << scNone;
        QTest::newRow(n + "down from the page bottom") << cols << 100 << 80 << D << TCell{4, 90} << TCell{4, 91} << scLineDown;
        QTest::newRow(n + "down from the page bottom on the last draw")
            << cols << 100 << 89 << D << TCell{4, 99} << TCell{2, 99} << scLineDown;
        QTest::newRow(n + "down from the entry row stays") << cols << 100 << 80 << D << TCell{4, 100} << TCell{2, 100} << scNone;
        QTest::newRow(n + "down from the entry row at the page bottom")
            << cols << 100 << 90 << D << TCell{4, 100} << TCell{2, 100} << scLineDown;
        QTest::newRow(n + "right on an empty chart") << cols << 0 << 0 << R << TCell{2, 0} << TCell{2, 0} << scNone;
    }
}

void TestChartGeometry::navigateKey()
{
    QFETCH(int, colCount);
    QFETCH(int, drawCount);
    QFETCH(int, top);
    QFETCH(int, key);
    QFETCH(TCell, cell);
    TChartLayout g = layoutOf(colCount, 400, drawCount);
    QCOMPARE(g.RowsPerPage, 11);
    g.TopRow = top;
    const TKeyMove move = NavigateKey(key, cell, g, drawCount);
    QTEST(move.Cell, "expected");
    QTEST(move.Scroll, "scroll");
}

void TestChartGeometry::hitTest_data()
{
    QTest::addColumn<int>("colCount");
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<TPosType>("type");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("col");

    QTest::newRow("header issue") << 10 << QPoint(10, 10) << rtHead << 0 << 0;
    QTest::newRow("header digit B") << 10 << QPoint(150, 15) << rtHead << 0 << 3;
    QTest::newRow("header line between columns") << 10 << QPoint(53, 10) << rtNone << 0 << 0;
    QTest::newRow("digit G, page row 3") << 10 << QPoint(370, 31 + 3 * 29 + 10) << rtNum << 3 << 8;
    QTest::newRow("below the page rows") << 10 << QPoint(100, 31 + 11 * 29) << rtNone << 0 << 0;
    QTest::newRow("line between digit columns") << 10 << QPoint(135, 40) << rtNone << 0 << 0;
    QTest::newRow("line between rows") << 10 << QPoint(100, 59) << rtNone << 0 << 0;
    QTest::newRow("value column") << 10 << QPoint(70, 40) << rtNone << 0 << 0;
    QTest::newRow("note column") << 10 << QPoint(400, 40) << rtNone << 0 << 0;
    QTest::newRow("7 cols: digit D") << 7 << QPoint(230, 40) << rtNum << 0 << 5;
    QTest::newRow("header cut off by the client area") << 10 << QPoint(455, 10) << rtNone << 0 << 0;
}

void TestChartGeometry::hitTest()
{
    QFETCH(int, colCount);
    QFETCH(QPoint, point);
    const TChartLayout g = layoutOf(colCount, 400, 100);
    const TGridRect client{0, 0, 450, 400};
    int row = -1;
    int col = -1;
    QTEST(GetPosType(g, client, point, row, col), "type");
    QTEST(row, "row");
    QTEST(col, "col");
}

void TestChartGeometry::patternPlacement()
{
    TChartLayout g = layoutOf(10, 410, 100);
    QCOMPARE(g.TopRow, 90);
    const TVexelReg reg = patternOf(100, 3, {{2, -1}, {4, -2}}, 2);

    // Step 0: draws 99 and 98 in grid rows 10 and 9, columns B and D.
    QCOMPARE(PointCell(g, reg, 0, {2, -1}), RectOfCell(g, 10, 3, false, -1));
    QCOMPARE(PointCell(g, reg, 0, {4, -2}), RectOfCell(g, 9, 5, false, -1));
    // Step 1: draws 96 and 95 in grid rows 7 and 6.
    QCOMPARE(PointCell(g, reg, 1, {2, -1}), RectOfCell(g, 7, 3, false, -1));
    QCOMPARE(PointCell(g, reg, 1, {4, -2}), RectOfCell(g, 6, 5, false, -1));

    // The ring of a 40 x 28 cell is 36 x 24, centred on the cell.
    const TGridRect cell = RectOfCell(g, 10, 3, false, -1);
    const TGridRect ring = RingRect(g, TOutputMap(), reg, 0, {2, -1});
    QCOMPARE(ring, (TGridRect{cell.Left + 2, cell.Top + 2, cell.Right - 2, cell.Bottom - 2}));
    QCOMPARE(ring.Right - ring.Left, 36);
    QCOMPARE(ring.Bottom - ring.Top, 24);
    QCOMPARE(CenterOfRect(ring), QPoint((cell.Left + cell.Right) / 2, (cell.Top + cell.Bottom) / 2));

    // A point above the top row lands above the data rows.
    g.TopRow = 98;
    QVERIFY(PointCell(g, reg, 1, {4, -2}).Bottom <= g.DataRect.Top);

    // A damaged interval far out of range stays in safe pixel arithmetic.
    TVexelReg far = patternOf(100, 2000000000, {{1, -1}}, 3);
    const TGridRect r = PointCell(g, far, 2, {1, -1});
    QVERIFY(r.Bottom < 0);
    QVERIFY(r.Top > INT_MIN / 2);

    // Boxes of step 0 sit on the entry row (grid row 11), A in column 2; E of
    // step 1 in column 6. Step values stand beside the newest draw touched.
    g.TopRow = 90;
    const TGridRect a = RectOfCell(g, 11, 2, false, -1);
    QCOMPARE(TargetBoxRect(g, TOutputMap(), reg, 0, 1), (TGridRect{a.Left + 2, a.Top + 2, a.Right - 1, a.Bottom - 1}));
    const TGridRect e = RectOfCell(g, 8, 6, false, -1);
    QCOMPARE(TargetBoxRect(g, TOutputMap(), reg, 1, 5), (TGridRect{e.Left + 2, e.Top + 2, e.Right - 1, e.Bottom - 1}));
    QCOMPARE(StepValueCell(g, TOutputMap(), reg, 0), RectOfCell(g, 10, 9, false, -1));
    QCOMPARE(StepValueCell(g, TOutputMap(), reg, 1), RectOfCell(g, 7, 9, false, -1));

    // The pattern clip starts below the header, scaled like everything else;
    // halves round to even.
    QCOMPARE(PatternClip({0, 0, 480, 400}, g, TOutputMap()).Top, 31);
    QCOMPARE(PatternClip({0, 0, 480, 400}, g, TOutputMap{2.0f, QPoint(0, 5)}).Top, 67);
    QCOMPARE(ScalePoint(TOutputMap{1.5f, QPoint(10, -4)}, QPoint(3, 5)), QPoint(14, 4));
    QCOMPARE(Nearest(-2.5), -2);
    QCOMPARE(CenterOfRect({-3, -3, 0, 0}), QPoint(-1, -1)); // truncated toward zero
    QCOMPARE(CenterOfRect({0, 0, 5, 5}), QPoint(2, 2));

    // Only steps near the page are worth drawing.
    const TGridRect clip = PatternClip({0, 0, 480, 400}, g, TOutputMap());
    QVERIFY(DrawsVisible(g, TOutputMap(), clip, 10, 95));
    QVERIFY(!DrawsVisible(g, TOutputMap(), clip, 10, 80));
    QVERIFY(!DrawsVisible(g, TOutputMap(), clip, 120, 130));
}

void TestChartGeometry::visibleSteps_data()
{
    QTest::addColumn<int>("topRow");
    QTest::addColumn<int>("interval");
    QTest::addColumn<int>("nearRow"); // the rows of the line's two points
    QTest::addColumn<int>("farRow");
    QTest::newRow("newest page") << 980 << 1 << -1 << -3;
    QTest::newRow("middle, long interval") << 400 << 7 << -2 << -9;
    QTest::newRow("points ahead and behind") << 500 << 3 << 4 << -30;
    QTest::newRow("oldest page") << 0 << 5 << -6 << -6;
}

// The steps painting tries are those whose rows reach the page, no others.
void TestChartGeometry::visibleSteps()
{
    QFETCH(int, topRow);
    QFETCH(int, interval);
    QFETCH(int, nearRow);
    QFETCH(int, farRow);
    TChartLayout g = layoutOf(10, 600, 1000);
    g.TopRow = topRow;
    const TVexelReg reg = patternOf(1000, interval, {{2, nearRow}, {3, farRow}}, 400);
    const TGridRect clip = PatternClip({0, 0, 480, 600}, g, TOutputMap());
    QList<int> shown;
    for (int i = 0; i < reg.StepCount(); ++i) {
        const qint64 r = ReferenceRow(reg, i);
        if (DrawsVisible(g, TOutputMap(), clip, r + qMin(farRow, 0), r + qMax(nearRow, 0)))
            shown << i;
    }
    QVERIFY(!shown.isEmpty());
    const auto [first, last] = VisibleSteps(g, TOutputMap(), clip, reg);
    QCOMPARE(first, shown.first());
    QCOMPARE(last, shown.last() + 1);
}

QTEST_APPLESS_MAIN(TestChartGeometry)
#include "tst_chartgeometry.moc"
