// The chart outside its window: the rows an export shows, how they fall on
// pages, the picture at twice the scale, and the PNG and PDF files.
#include "tests/chart/ChartTestSupport.h"
#include "app/ChartExport.h"
#include "chart/ChartRender.h"
#include "tests/support/SmallDisk.h"

#include <QDir>
#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace ChartGeometry;
using namespace ChartRender;

namespace {

// Unless steps is 0, a pattern at interval 3 touching rows -1 and -2 of each step.
std::unique_ptr<TVexelRegNet> chartShowing(int draws, int steps)
{
    auto chart = chartWith(draws);
    if (steps > 0)
        chart->SetReg(patternOf(draws, 3, {{1, -1}, {3, -2}}, steps, 6));
    chart->Relayout();
    return chart;
}

int darkPixels(const QImage &image, const QRect &area)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += qGray(image.pixel(x, y)) < 128;
    return n;
}

} // namespace

class TestChartExport : public QObject
{
    Q_OBJECT

private slots:
    void exportRange_data()
    {
        QTest::addColumn<int>("draws");
        QTest::addColumn<int>("steps");
        QTest::addColumn<int>("first");
        QTest::newRow("no pattern: from the top of the view") << 100 << 0 << 90;
        QTest::newRow("no pattern, no draws") << 0 << 0 << 0;
        QTest::newRow("pattern beyond the top of the view") << 100 << 6 << 83;   // 100 - 3 * 5 - 2
        QTest::newRow("pattern within the view") << 100 << 2 << 95;
        QTest::newRow("pattern longer than a short history") << 6 << 4 << 0;
    }
    void exportRange()
    {
        QFETCH(int, draws);
        QFETCH(int, steps);
        QFETCH(int, first);
        QCOMPARE(ExportRange(*chartShowing(draws, steps)), (TExportRange{first, draws}));
    }

    void paginate_data()
    {
        QTest::addColumn<int>("entry");
        QTest::addColumn<int>("rowsPerPage");
        QTest::addColumn<QString>("pages");   // top+rows, B on the page with the block
        QTest::newRow("one page") << 10 << 20 << "0+11B";
        QTest::newRow("block ends the page exactly") << 17 << 20 << "0+18B";
        QTest::newRow("block one row too many: a draw goes with it") << 18 << 20 << "0+17 17+2B";
        QTest::newRow("many pages") << 100 << 20 << "0+20 20+20 40+20 60+20 80+19 99+2B";
        QTest::newRow("fewer than three rows count as three") << 1 << 1 << "0+1 1+1B";
        QTest::newRow("entry row alone") << 0 << 20 << "0+1B";
    }
    void paginate()
    {
        QFETCH(int, entry);
        QFETCH(int, rowsPerPage);
        QFETCH(QString, pages);
        QStringList got;
        for (const TSlice &s : Paginate({0, entry}, rowsPerPage))
            got << QStringLiteral("%1+%2%3").arg(s.Top).arg(s.Rows).arg(s.WithBlock ? "B" : "");
        QCOMPARE(got.join(u' '), pages);
    }

    void scaledPicture()
    {
        auto chart = chartShowing(30, 5);
        const TExportRange range = ExportRange(*chart);
        const QImage small = RenderImage(*chart, range, 1.0f);
        const QImage large = RenderImage(*chart, range, 2.0f);
        QCOMPARE(small.size(), SliceSize(chart->Grid(), range.DataRows() + BlockRows, 1.0f));
        QCOMPARE(large.size(), small.size() * 2 - QSize(1, 1));
        // Grid pixel p is picture pixel p - (2, 1) at scale 1, 2p - (4, 2) at
        // scale 2. Solid spots: the header, a cell of every column in a row
        // and in the entry row, the corners of the description block, a line.
        const TGridRect block = RectOfCell(chart->Grid(), range.DataRows() + 1, 0, false, -1);
        QList<QPoint> spots{{30, 5}, {block.Left + 1, block.Top + 1}, {460, block.Top + 56}, {100, 59}};
        for (int k = 0; k < 10; ++k) {
            const TGridRect cell = RectOfCell(chart->Grid(), 3, k, false, -1);
            spots << QPoint(cell.Left + 1, cell.Top + 1) << QPoint(cell.Right - 2, block.Top - 28);
        }
        for (const QPoint &p : spots)
            QVERIFY2(small.pixel(p - QPoint(2, 1)) == large.pixel(2 * p - QPoint(4, 2)),
                     qPrintable(QStringLiteral("grid pixel %1, %2").arg(p.x()).arg(p.y())));
        // A digit and the description: about four times the ink.
        const QRect digit = RectOfCell(chart->Grid(), 2, 3, false, -1).ToQRect();
        for (const QRect &r : {digit, QRect(block.Right + 1, block.Top, 400, 56)}) {
            const int ink1 = darkPixels(small, r.translated(-2, -1));
            const int ink2 = darkPixels(large, QRect(2 * r.topLeft() - QPoint(4, 2), 2 * r.size()));
            QVERIFY2(ink1 > 0 && ink2 > 2 * ink1 && ink2 < 8 * ink1, qPrintable(QString::number(ink2 - 4 * ink1)));
        }
    }

    void middlePage()
    {
        // Draws 40 to 49 under a header of their own, nothing painted below them.
        auto chart = chartShowing(100, 0);
        const QSize size = SliceSize(chart->Grid(), 10, 1.0f);
        QImage image(size + QSize(0, 40), QImage::Format_RGB32);
        image.fill(Qt::magenta);
        QPainter painter(&image);
        PaintSlice(*chart, painter, {40, 10, false}, 1.0f, QPoint());
        painter.end();
        QCOMPARE(QColor(image.pixel(30, 5)), QColor(212, 212, 212));
        QCOMPARE(QColor(image.pixel(200, size.height() - 2)), QColor(253, 255, 238));
        QCOMPARE(QColor(image.pixel(200, size.height())), QColor(Qt::magenta));
    }

    void files_data()
    {
        QTest::addColumn<int>("steps");
        QTest::addColumn<int>("pdfPages");
        QTest::newRow("no pattern") << 0 << 1;
        // Back to draw 102: 98 draws, the entry row and the block at 22 rows a page.
        QTest::newRow("long pattern") << 33 << 5;
    }
    void files()
    {
        QFETCH(int, steps);
        QFETCH(int, pdfPages);
        auto chart = chartShowing(200, steps);
        QTemporaryDir dir;
        QString error;
        const QString png = dir.filePath(QStringLiteral("图表.png"));
        QVERIFY2(ChartExport::ExportChartFile(*chart, png, &error), qPrintable(error));
        QCOMPARE(QImage(png).size(), SliceSize(chart->Grid(), ExportRange(*chart).DataRows() + 2, 2.0f));
        QFile pdf(dir.filePath(QStringLiteral("图表.PDF")));
        QVERIFY2(ChartExport::ExportChartFile(*chart, pdf.fileName(), &error), qPrintable(error));
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        const QString bytes = QString::fromLatin1(pdf.readAll());
        QVERIFY(bytes.startsWith(QStringLiteral("%PDF-")) && bytes.trimmed().endsWith(QStringLiteral("%%EOF")));
        const auto tree = QRegularExpression(QStringLiteral("/Type\\s*/Pages\\b[^>]*/Count\\s+(\\d+)")).match(bytes);
        QCOMPARE(tree.captured(1).toInt(), pdfPages);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);   // nothing else left behind
    }

    void failureLeavesNoFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("steps");
        QTest::newRow("png over a directory") << "taken.png" << 1;
        QTest::newRow("pdf over a directory") << "taken.pdf" << 1;
        QTest::newRow("pdf in a missing folder") << "missing/chart.pdf" << 1;
        QTest::newRow("png too long keeps the old file") << "old.png" << 700;   // 2100 rows
    }
    void failureLeavesNoFile()
    {
        QFETCH(QString, name);
        QFETCH(int, steps);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("taken.png") && QDir(dir.path()).mkdir("taken.pdf"));
        QFile old(dir.filePath(QStringLiteral("old.png")));
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old picture") == 11);
        old.close();
        const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        QString error;
        QVERIFY(!ChartExport::ExportChartFile(*chartShowing(2200, steps), dir.filePath(name), &error));
        QVERIFY2(error.contains(QStringLiteral("无法")), qPrintable(error));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old picture"));
    }

    void fullDiskKeepsOldFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("png") << "chart.png";
        QTest::newRow("pdf") << "chart.pdf";
    }
    void fullDiskKeepsOldFile()
    {
        // A disk with room for part of the file: the old one stays, and the
        // message names the cause.
        QFETCH(QString, name);
        TSmallDisk disk;
        if (!disk.Mounted())
            QSKIP("a small file system needs root");
        QFile old(disk.FilePath(name));
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        QString error;
        QVERIFY(!ChartExport::ExportChartFile(*chartShowing(200, 33), old.fileName(), &error));
        QVERIFY2(error.contains(QStringLiteral("磁盘空间不足")), qPrintable(error));
        QCOMPARE(QDir(QFileInfo(old).path()).entryList(QDir::Files), QStringList{name});
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old"));
    }
};

QTEST_MAIN(TestChartExport)
#include "tst_chartexport.moc"
