// Painting, checked by rendering the chart into an image and reading the
// colours of chosen pixels.
#include "tests/chart/ChartTestSupport.h"

#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QtTest>
#include <memory>

using namespace ChartGeometry;

namespace {

const QColor HeaderColour(212, 212, 212);
const QColor IssueColour(245, 222, 229);
const QColor ValueColour(253, 238, 238);
const QColor DigitColour(253, 255, 238);
const QColor FarDigitColour(238, 254, 245);
const QColor NoteColour(238, 240, 255);
const QColor BlockAColour(224, 238, 217);
const QColor BlockBColour(244, 255, 218);
const QColor LineColour(170, 170, 170);
const QColor NearTextColour(102, 0, 51);
const QColor FarTextColour(153, 153, 153);
const QColor DescriptionColour(153, 51, 0);
const QColor StepColours[10] = {{0, 102, 255},  {204, 153, 51}, {87, 3, 159},  {96, 102, 63},  {48, 151, 85},
                                {204, 153, 153}, {153, 51, 204}, {64, 22, 144}, {48, 167, 149}, {103, 99, 143}};

QImage render(const TVexelRegNet &chart, const QRect &clip = QRect(), float scale = 1.0f)
{
    QImage image(chart.size() * scale, QImage::Format_ARGB32);
    image.fill(Qt::magenta);
    QPainter canvas(&image);
    if (clip.isValid())
        canvas.setClipRect(clip);
    chart.DrawChart(canvas, chart.RowsPerPage(), chart.TopRow(), scale, QPoint());
    return image;
}

QColor at(const QImage &image, int x, int y)
{
    return QColor(image.pixel(x, y));
}

// A background pixel of a cell: its top-left corner, clear of the centred text.
QColor cellColour(const QImage &image, const TVexelRegNet &chart, int gridRow, int col)
{
    const TGridRect r = chart.RectOfCell(gridRow, col, false, -1);
    return at(image, r.Left + 1, r.Top + 1);
}

// Pixels of the area within `tolerance` of the colour in every channel.
int countColour(const QImage &image, const TGridRect &area, const QColor &colour, int tolerance = 0)
{
    int n = 0;
    for (int y = qMax(0, area.Top); y < qMin(image.height(), area.Bottom); ++y)
        for (int x = qMax(0, area.Left); x < qMin(image.width(), area.Right); ++x) {
            const QColor c(image.pixel(x, y));
            if (qAbs(c.red() - colour.red()) <= tolerance && qAbs(c.green() - colour.green()) <= tolerance
                && qAbs(c.blue() - colour.blue()) <= tolerance)
                ++n;
        }
    return n;
}

void show(TVexelRegNet &chart, const TVexelReg &reg)
{
    chart.SetReg(reg);
    chart.SetSecIndex(reg.StepCount() - 1);
    chart.Relayout();
}

} // namespace

class TestChartPaint : public QObject
{
    Q_OBJECT

private slots:
    void cellColours_data();
    void cellColours();
    void headerOnlyForTallerClips();
    void emptyChart();
    void doubleLines_data();
    void doubleLines();
    void texts();
    void descriptionTexts();
    void stepColoursRepeatAfterTen();
    void patternLinesRingsAndBoxes();
    void linesOnHiddenColumns_data();
    void linesOnHiddenColumns();
    void currentCellShown();
    void scaledRendering();
    void gridLinesEvenOnScreen();
    void descriptionBlockShowsWhole();
    void pageBoundedPainting();
    void renderedImage();
};

void TestChartPaint::cellColours_data()
{
    QTest::addColumn<int>("colCount");
    QTest::addColumn<QList<QColor>>("colours");

    QTest::newRow("10 columns") << 10
                                << QList<QColor>{IssueColour,    ValueColour,    DigitColour, DigitColour, DigitColour,
                                                 DigitColour,    FarDigitColour, FarDigitColour, FarDigitColour,
                                                 NoteColour};
    QTest::newRow("7 columns") << 7
                               << QList<QColor>{IssueColour, ValueColour, DigitColour, DigitColour, DigitColour,
                                                DigitColour, NoteColour};
}

void TestChartPaint::cellColours()
{
    QFETCH(int, colCount);
    QFETCH(QList<QColor>, colours);
    auto chart = chartWith(20, colCount);
    const QImage image = render(*chart);
    // Every row of the page, the entry row (grid row 11) included.
    for (int row = 1; row <= chart->RowsPerPage(); ++row)
        for (int k = 0; k < colCount; ++k)
            QVERIFY2(cellColour(image, *chart, row, k) == colours[k], qPrintable(QStringLiteral("row %1 col %2").arg(row).arg(k)));
    for (int k = 0; k < colCount; ++k)
        QCOMPARE(cellColour(image, *chart, 0, k), HeaderColour);
    // Grid lines between the cells.
    QCOMPARE(at(image, chart->LeftOfCol(3) - 1, 45), LineColour);
    QCOMPARE(at(image, 100, chart->TopOfRow(3, false, -1) - 1), LineColour);
}

void TestChartPaint::headerOnlyForTallerClips()
{
    // A strip one row high leaves the header to the window background.
    auto chart = chartWith(20);
    for (int clipHeight : {28, 29}) {
        const QImage image = render(*chart, QRect(0, 0, chart->width(), clipHeight));
        const QColor expected = clipHeight > 28 ? HeaderColour : chart->palette().color(QPalette::Window);
        QCOMPARE(at(image, 60, 5), expected);
        QCOMPARE(at(image, 180, 25), expected);
        QCOMPARE(at(image, 200, clipHeight + 5), QColor(Qt::magenta)); // outside the clip
    }
}

void TestChartPaint::emptyChart()
{
    auto chart = chartWith(0);
    const QImage image = render(*chart);
    QCOMPARE(cellColour(image, *chart, 0, 2), HeaderColour);
    // The entry row has its backgrounds and no text.
    QCOMPARE(cellColour(image, *chart, 1, 0), IssueColour);
    QCOMPARE(cellColour(image, *chart, 1, 2), DigitColour);
    QCOMPARE(cellColour(image, *chart, 1, 9), NoteColour);
    QCOMPARE(countColour(image, chart->RectOfCell(1, 2, false, -1), NearTextColour, 40), 0);
    // The description block: grid rows 2 and 3, over the lines inside it
    // except the one between column 0 and column 1.
    QCOMPARE(cellColour(image, *chart, 2, 0), BlockAColour);
    QCOMPARE(cellColour(image, *chart, 3, 0), BlockAColour);
    QCOMPARE(cellColour(image, *chart, 2, 1), BlockBColour);
    QCOMPARE(cellColour(image, *chart, 3, 9), BlockBColour);
    const int lineBetweenBlockRows = chart->TopOfRow(3, false, -1) - 1;
    QCOMPARE(at(image, 100, lineBetweenBlockRows), BlockBColour);
    QCOMPARE(at(image, 20, lineBetweenBlockRows), BlockAColour);
    QCOMPARE(at(image, chart->LeftOfCol(3) - 1, 70), BlockBColour);
    QCOMPARE(at(image, chart->LeftOfCol(1) - 1, 70), LineColour);
    // No pattern, no description text; nothing below the block.
    QCOMPARE(countColour(image, {1, 60, 462, 118}, DescriptionColour, 40), 0);
    QCOMPARE(cellColour(image, *chart, 5, 2), chart->palette().color(QPalette::Window));
}

void TestChartPaint::doubleLines_data()
{
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("draw");
    QTest::addColumn<bool>("doubled");

    QTest::newRow("top 3: above draw 4") << 3 << 4 << true;
    QTest::newRow("top 3: above draw 5") << 3 << 5 << false;
    QTest::newRow("top 3: above draw 8") << 3 << 8 << true;
    QTest::newRow("top 3: above draw 12") << 3 << 12 << true;
    QTest::newRow("top 4: along the first data row") << 4 << 4 << false;
    QTest::newRow("top 4: above draw 7") << 4 << 7 << false;
    QTest::newRow("top 4: above draw 8") << 4 << 8 << true;
}

void TestChartPaint::doubleLines()
{
    QFETCH(int, top);
    QFETCH(int, draw);
    QFETCH(bool, doubled);
    auto chart = chartWith(100);
    chart->VScroll(scPosition, top);
    const QImage image = render(*chart);
    const int y = chart->TopOfRow(draw - top + 1, false, -1) - 1;
    QCOMPARE(at(image, 100, y), LineColour);
    QCOMPARE(at(image, 100, y + 1), DigitColour);
    QCOMPARE(at(image, 100, y - 1) == LineColour, doubled);
}

void TestChartPaint::texts()
{
    auto chart = chartWith(20);
    const QImage image = render(*chart);
    // Grid row 1 shows draw 10: digits 1 to 7 are (10 + p) mod 10.
    for (int k = 2; k <= 5; ++k)
        QVERIFY(countColour(image, chart->RectOfCell(1, k, false, -1), NearTextColour, 8) > 10);
    for (int k = 6; k <= 8; ++k)
        QVERIFY(countColour(image, chart->RectOfCell(1, k, false, -1), FarTextColour, 8) > 10);
    QVERIFY(countColour(image, chart->RectOfCell(1, 0, false, -1), Qt::black, 60) > 5);
    QVERIFY(countColour(image, chart->RectOfCell(0, 9, false, -1), Qt::black, 60) > 5); // "说明"
    // The note column and the entry row carry no text.
    QCOMPARE(countColour(image, chart->RectOfCell(1, 9, false, -1), Qt::black, 100), 0);
    QCOMPARE(countColour(image, chart->RectOfCell(11, 2, false, -1), NearTextColour, 40), 0);
    QCOMPARE(countColour(image, chart->RectOfCell(11, 0, false, -1), Qt::black, 100), 0);
}

void TestChartPaint::descriptionTexts()
{
    auto chart = chartWith(20, 10, 500);
    const TGridRect block{chart->LeftOfCol(0), chart->TopOfRow(21 - chart->TopRow() + 1, false, -1), 462,
                          chart->TopOfRow(21 - chart->TopRow() + 3, false, -1)};

    show(*chart, patternOf(20, 2, {{1, -1}, {2, -3}}, 6, 6));
    QImage image = render(*chart);
    QVERIFY(countColour(image, {block.Left, block.Top, chart->LeftOfCol(1), block.Bottom}, DescriptionColour, 8) > 10);
    QVERIFY(countColour(image, {chart->LeftOfCol(1), block.Top, block.Right, block.Bottom}, DescriptionColour, 8) > 50);

    // A pattern without steps: the block is there, its texts are not.
    show(*chart, patternOf(20, 2, {{1, -1}, {2, -3}}, 0, 6));
    image = render(*chart);
    QCOMPARE(countColour(image, block, DescriptionColour, 40), 0);
    QCOMPARE(at(image, block.Left + 1, block.Top + 1), BlockAColour);
}

void TestChartPaint::stepColoursRepeatAfterTen()
{
    // Twelve steps one draw apart with a box on digit A each, and no line.
    auto chart = chartWith(30, 10, 500);
    QVERIFY(chart->RowsPerPage() >= 13);
    show(*chart, patternOf(30, 1, {}, 12, 1 << 1));
    const QImage image = render(*chart);
    for (int i = 0; i < 12; ++i) {
        const TGridRect box = TargetBoxRect(chart->Grid(), TOutputMap(), chart->Reg(), i, 1);
        const int midY = (box.Top + box.Bottom) / 2;
        QCOMPARE(at(image, box.Left, midY), StepColours[i % 10]);
        QCOMPARE(at(image, box.Right - 2, midY), StepColours[i % 10]);
        QVERIFY(at(image, box.Left + 6, box.Top + 3) != StepColours[i % 10]); // an outline only
    }
    // Digit B has no box.
    QCOMPARE(countColour(image, chart->RectOfCell(chart->RowsPerPage(), 3, false, -1), StepColours[0]), 0);
}

void TestChartPaint::patternLinesRingsAndBoxes()
{
    auto chart = chartWith(100);
    QCOMPARE(chart->TopRow(), 90);
    // Steps 3 and 4 lie above the page: the header must stay clear of them.
    show(*chart, patternOf(100, 3, {{2, -1}, {4, -2}}, 5, 30));
    const QImage image = render(*chart);
    const TChartLayout &g = chart->Grid();
    const TVexelReg &reg = chart->Reg();

    for (int step = 0; step <= 1; ++step) {
        const QColor colour = StepColours[step];
        const QPoint a = CenterOfRect(RingRect(g, TOutputMap(), reg, step, {2, -1}));
        const QPoint b = CenterOfRect(RingRect(g, TOutputMap(), reg, step, {4, -2}));
        const QPoint mid = (a + b) / 2;
        QVERIFY2(countColour(image, {mid.x() - 1, mid.y() - 1, mid.x() + 2, mid.y() + 2}, colour) > 0, "segment");
        // The rings: the top of each ring rectangle, above its centre.
        for (const QPoint &p : {QPoint(2, -1), QPoint(4, -2)}) {
            const TGridRect ring = RingRect(g, TOutputMap(), reg, step, p);
            const int x = (ring.Left + ring.Right) / 2;
            QVERIFY2(countColour(image, {x - 1, ring.Top - 1, x + 2, ring.Top + 2}, colour) > 0, "ring");
        }
        // Boxes on digits A to D of the reference row, none on E.
        for (int pos = 1; pos <= 4; ++pos) {
            const TGridRect box = TargetBoxRect(g, TOutputMap(), reg, step, pos);
            QCOMPARE(at(image, box.Left, (box.Top + box.Bottom) / 2), colour);
        }
        const TGridRect e = TargetBoxRect(g, TOutputMap(), reg, step, 5);
        QVERIFY(at(image, e.Left, (e.Top + e.Bottom) / 2) != colour);
        // The step value stands in the note column beside the newest draw touched.
        QVERIFY(countColour(image, StepValueCell(g, TOutputMap(), reg, step), Qt::black, 60) > 5);
    }
    for (const QColor &colour : StepColours)
        QCOMPARE(countColour(image, g.HeadRect, colour), 0);
}

void TestChartPaint::linesOnHiddenColumns_data()
{
    QTest::addColumn<int>("colCount");
    QTest::addColumn<int>("column"); // of the line's second point
    QTest::addColumn<bool>("drawn");

    QTest::newRow("10 cols: E is drawn") << 10 << 5 << true;
    QTest::newRow("7 cols: D is drawn") << 7 << 4 << true;
    QTest::newRow("7 cols: E skips the line") << 7 << 5 << false;
    QTest::newRow("7 cols: G skips the line") << 7 << 7 << false;
    QTest::newRow("a negative column skips the line") << 10 << -3 << false;
}

void TestChartPaint::linesOnHiddenColumns()
{
    QFETCH(int, colCount);
    QFETCH(int, column);
    auto chart = chartWith(100, colCount);
    // No boxes, so the only step colour comes from the line.
    show(*chart, patternOf(100, 3, {{1, -1}, {column, -2}}, 1, 0));
    const QImage image = render(*chart);
    const TGridRect firstPoint = PointCell(chart->Grid(), chart->Reg(), 0, {1, -1});
    QTEST(countColour(image, firstPoint, StepColours[0]) > 0, "drawn");
    QTEST(countColour(image, chart->Grid().DataRect, StepColours[0]) > 0, "drawn");
}

void TestChartPaint::currentCellShown()
{
    auto chart = chartWith(20);
    chart->SetCurrentCell({4, 15});
    const QImage image = chart->grab().toImage();
    const TGridRect cell = chart->RectOfCell(15 - chart->TopRow() + 1, 4, false, -1);
    QVERIFY(at(image, cell.Left + 3, cell.Top + 3) != DigitColour);
    QCOMPARE(cellColour(image, *chart, 15 - chart->TopRow() + 1, 3), DigitColour);
    QCOMPARE(cellColour(image, *chart, 15 - chart->TopRow(), 4), DigitColour);
}

void TestChartPaint::scaledRendering()
{
    auto chart = chartWith(20);
    show(*chart, patternOf(20, 2, {{1, -1}, {2, -3}}, 3, 2));
    const QImage image = render(*chart, QRect(), 2.0f);
    const TGridRect cell = chart->RectOfCell(2, 2, false, -1);
    QCOMPARE(at(image, 2 * cell.Left + 2, 2 * cell.Top + 2), DigitColour);
    QCOMPARE(at(image, 20, 20), HeaderColour);
    const TGridRect box = TargetBoxRect(chart->Grid(), TOutputMap{2.0f, QPoint()}, chart->Reg(), 0, 1);
    QCOMPARE(at(image, box.Left, (box.Top + box.Bottom) / 2), StepColours[0]);
}

// Runs at the screen's scale too (QT_SCALE_FACTOR=1.5 in its own CTest run).
void TestChartPaint::gridLinesEvenOnScreen()
{
    auto chart = chartWith(100);
    const QImage image = chart->grab().toImage();
    const double ratio = chart->devicePixelRatioF();
    // The runs of the line colour along a row or a column of the picture,
    // from the first line to the last, with no background between them.
    const auto runs = [&](QPoint from, QPoint step) {
        QList<int> lengths;
        for (QPoint p = from; image.rect().contains(p); p += step) {
            const QColor c = at(image, p.x(), p.y());
            if (c == chart->palette().color(QPalette::Window) && !lengths.isEmpty())
                break;
            if (c != LineColour)
                continue;
            if (lengths.isEmpty() || at(image, p.x() - step.x(), p.y() - step.y()) != LineColour)
                lengths << 0;
            ++lengths.back();
        }
        return lengths;
    };
    const int w = qMax(1, int(std::ceil(ratio - 1e-6)));
    // Across the top of the first data row; down the left of column A, with
    // double lines above draws 92, 96 and 100, and the line below the block.
    QCOMPARE(runs(QPoint(0, int((chart->TopOfRow(1, false, -1) + 2) * ratio)), QPoint(1, 0)), QList<int>(11, w));
    QCOMPARE(runs(QPoint(int((chart->LeftOfCol(2) + 2) * ratio), 0), QPoint(0, 1)),
             (QList<int>{w, w, w, 2 * w, w, w, w, 2 * w, w, w, w, 2 * w, w, w}));
}

// At any height the end of the list shows the description block's second
// row whole below the entry row, its text and its colour down to its last
// pixel, after a pattern is chosen and after Home and End.
void TestChartPaint::descriptionBlockShowsWhole()
{
    const auto secondRowShows = [](TVexelRegNet &chart) {
        const QImage image = chart.grab().toImage();
        const int bottom = chart.TopOfRow(chart.Codes().Count() + 4, true, -1) - 1;
        const TGridRect text{chart.LeftOfCol(1), bottom - 28, chart.LeftOfCol(9), bottom};
        return bottom <= image.height() && countColour(image, text, DescriptionColour) > 40
               && at(image, 455, bottom - 1) == BlockBColour;
    };
    for (int height = 200; height <= 1000; height += 7) {
        auto chart = chartWith(60, 10, height);
        show(*chart, patternOf(60, 2, {{1, -1}}, 3, 6));
        QVERIFY2(secondRowShows(*chart), qPrintable(QString::number(height)));
        QTest::keyClick(chart.get(), Qt::Key_Home);
        QTest::keyClick(chart.get(), Qt::Key_End);
        QVERIFY2(secondRowShows(*chart), qPrintable(QString::number(height)));
    }
}

void TestChartPaint::pageBoundedPainting()
{
    // A long history with a long pattern paints in about the time of a short one.
    const auto paintTime = [](int drawCount) {
        auto chart = chartWith(drawCount);
        show(*chart, patternOf(drawCount, 1, {{1, -1}, {3, -2}, {2, -4}}, drawCount / 2, 30));
        QImage image(chart->size(), QImage::Format_ARGB32);
        QPainter canvas(&image);
        chart->DrawChart(canvas, chart->RowsPerPage(), chart->TopRow());
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < 5; ++i)
            chart->DrawChart(canvas, chart->RowsPerPage(), chart->TopRow());
        return timer.nsecsElapsed() / 5;
    };
    const qint64 small = paintTime(100);
    const qint64 large = paintTime(100000);
    QVERIFY2(large < 3 * small + 20'000'000,
             qPrintable(QStringLiteral("100 draws %1 us, 100000 draws %2 us").arg(small / 1000).arg(large / 1000)));
}

void TestChartPaint::renderedImage()
{
    // A picture of the chart with a pattern, for looking at by eye.
    auto chart = chartWith(0, 10, 520);
    const char *history[] = {"8558511", "4176936", "1234567", "9876543", "5550123", "3141592",
                             "2718281", "1618033", "6021023", "4669201", "1414213", "7777777",
                             "0000000", "9999999", "3333333", "1212121", "8080808", "2468024"};
    for (const char *digits : history) {
        const int d = chart->Codes().Add();
        for (int p = 1; p <= 7; ++p)
            chart->Codes().SetNum(p, d, digits[p - 1] - '0');
    }
    chart->Relayout();
    TVexelReg reg = patternOf(18, 3, {{1, -1}, {3, -2}, {2, -3}}, 5, 6);
    reg.ShortestOrder();
    show(*chart, reg);
    const QImage image = render(*chart);
    QVERIFY(image.save(QStringLiteral("chart-pattern.png")));
}

QTEST_MAIN(TestChartPaint)
#include "tst_chartpaint.moc"
