// vexel-search end to end: arguments, import errors, the printed patterns
// and the saved workspace.
#include "io/DrawText.h"
#include "core/Hao.h"
#include "core/SearchEngine.h"
#include "core/VexelReg.h"
#include "core/VexelRegMgr.h"
#include "core/Workspace.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

struct Result
{
    int code;
    QString out;
    QString err;
};

Result runTool(const QStringList &args, const QString &program = QStringLiteral(VEXEL_SEARCH_PATH))
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(120000))
        return {-1, {}, {}};
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return path;
}

// One combination: columns 1..4 four draws back, interval 4, at least 3 steps.
const QByteArray SingleCombination =
    "[TRegOptions]\r\nLinedDistMinSe=4\r\nLinedDistMaxSe=4\r\nLinedPtMinSe=4\r\nLinedPtMaxSe=4\r\n"
    "RefSumChk=0\r\nInterMinSe=4\r\nInterMaxSe=4\r\nMaxYOfSecSe=4\r\nRefTailChk=0\r\nSecCountSe=3\r\n";

struct Collect : TSearchSink
{
    QStringList lines;
    void Progress(qint64) override {}
    void Found(std::unique_ptr<TVexelReg> p, qint64) override
    {
        p->ShortestOrder();
        QStringList pts;
        for (int i = 0; i < p->Line(0).Count(); ++i)
            pts << QString("%1,%2").arg(p->Line(0).Get(i).x).arg(p->Line(0).Get(i).y);
        lines << QStringList{p->PointsText(), QString::number(p->StepCount()),
                             QString::number(p->Interval()), QString::number(-p->NearestRow()),
                             p->StepsText(), p->PositionText(), p->ResultText(), pts.join(' ')}
                     .join('\t');
    }
};

} // namespace

class TestVexelSearch : public QObject
{
    Q_OBJECT

private slots:
    void badArguments_data();
    void badArguments();
    void importErrors();
    void unusableFiles_data();
    void unusableFiles();
    void singlePattern();
    void sampleHistoryMatchesEngine();
    void saveWritesWorkspace();
    void limitStopsSearch_data();
    void limitStopsSearch();
};

void TestVexelSearch::badArguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("none") << QStringList{};
    QTest::newRow("unknown option") << QStringList{"a.txt", "--fast"};
    QTest::newRow("missing value") << QStringList{"a.txt", "--save"};
    QTest::newRow("two files") << QStringList{"a.txt", "b.txt"};
    QTest::newRow("negative limit") << QStringList{"a.txt", "--max-patterns", "-1"};
    QTest::newRow("limit not a number") << QStringList{"a.txt", "--max-patterns", "4e6"};
}

void TestVexelSearch::badArguments()
{
    QFETCH(QStringList, args);
    const Result r = runTool(args);
    QCOMPARE(r.code, 2);
    QVERIFY(r.err.startsWith("usage: vexel-search"));
}

void TestVexelSearch::importErrors()
{
    QTemporaryDir dir;
    // Every program that reads draws names the bad line in Chinese.
    const QString file = writeFile(dir, "bad.txt", "1234567\n12 34567 04102\n");
    for (const QString program : {VEXEL_SEARCH_PATH, VEXEL_STATS_PATH, VEXEL_BACKTEST_PATH}) {
        const Result bad = runTool({file}, program);
        QCOMPARE(bad.code, 1);
        QCOMPARE(bad.err, QFileInfo(program).fileName() + QStringLiteral(": 开奖数据文件“%1”的第2行不是开奖号码："
                                                                        "“12 34567 04102”\r\n每行应以七位数字开头。\n").arg(file));
        QVERIFY(bad.out.isEmpty());
    }

    const Result missing = runTool({dir.filePath("none.txt")});
    QCOMPARE(missing.code, 1);
    QVERIFY(!missing.err.isEmpty());

    const Result noSettings = runTool({writeFile(dir, "ok.txt", "1234567\n"), "--settings", dir.filePath("x.ini")});
    QCOMPARE(noSettings.code, 1);
}

void TestVexelSearch::unusableFiles_data()
{
    // A settings file named but not used would search with the start
    // settings as if all were well; a FIFO would block the tool for ever.
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("settings"); // given as the settings file, else as the draws
    QTest::newRow("settings over the size limit") << "big" << true;
    QTest::newRow("settings a FIFO") << "fifo" << true;
    QTest::newRow("draws a FIFO") << "fifo" << false;
}

void TestVexelSearch::unusableFiles()
{
    QFETCH(QString, kind);
    QFETCH(bool, settings);
    QTemporaryDir dir;
    const QString path = dir.filePath("file");
    if (kind == "big")
        writeFile(dir, "file", "[TRegOptions]\r\nSecCountSe=8\r\n" + QByteArray(5 * 1024 * 1024, ';'));
    else
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    const QString draws = writeFile(dir, "ok.txt", "1234567\n");
    const Result r = runTool(settings ? QStringList{draws, "--settings", path} : QStringList{path});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains(path), qPrintable(r.err));
    QVERIFY(r.out.isEmpty());
}

void TestVexelSearch::singlePattern()
{
    QTemporaryDir dir;
    QByteArray history;
    for (int i = 0; i < 13; ++i)
        history += "1200000 " + QByteArray::number(4101 + i) + "\r\n";
    const Result r = runTool({writeFile(dir, "h.txt", history), "--settings",
                              writeFile(dir, "s.ini", SingleCombination)});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, QString("4\t3\t4\t4\t3,3,3\tAB\t3\t1,-4 2,-4 3,-4 4,-4\n"));
}

void TestVexelSearch::sampleHistoryMatchesEngine()
{
    const Result r = runTool({SAMPLE_HISTORY_PATH});
    QCOMPARE(r.code, 0);
    TCodes draws;
    RebuildDrawList(draws, ReadDrawFile(SAMPLE_HISTORY_PATH));
    QCOMPARE(draws.Count(), 2496);
    Collect expected;
    std::atomic<bool> stop{false};
    RunVexelSearch(draws, TRegOptions{}, expected, stop);
    QVERIFY(!expected.lines.isEmpty());
    QCOMPARE(r.out.split('\n', Qt::SkipEmptyParts), expected.lines);
}

void TestVexelSearch::saveWritesWorkspace()
{
    QTemporaryDir dir;
    const QString out = dir.filePath("out.vxr");
    const Result r = runTool({SAMPLE_HISTORY_PATH, "--save", out});
    QCOMPARE(r.code, 0);
    TCodes chart;
    TRegOptions settings;
    TVexelRegMgr patterns(&settings);
    QVERIFY(Workspace::Load(out, chart, patterns));
    QCOMPARE(chart.Count(), 2496);
    QCOMPARE(patterns.Draws().Count(), 2496);
    QCOMPARE(chart.GetCode(0), patterns.Draws().GetCode(0));
    QCOMPARE(chart.GetNum(1, 0), 8); // 8558511, the first draw
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(patterns.Count(), lines.size());
    for (int i = 0; i < patterns.Count(); ++i) {
        const QStringList fields = lines[i].split('\t');
        QCOMPARE(patterns.Get(i)->StepsText(), fields[4]);
        QCOMPARE(QString("%1,%2").arg(patterns.Get(i)->Line(0).Get(0).x).arg(patterns.Get(i)->Line(0).Get(0).y),
                 fields[7].section(' ', 0, 0));
    }
}

void TestVexelSearch::limitStopsSearch_data()
{
    QTest::addColumn<bool>("save");
    QTest::addColumn<QString>("limit");
    QTest::addColumn<int>("code");
    QTest::newRow("saved, limit reached") << true << "5" << 3;
    QTest::newRow("printed, limit reached") << false << "5" << 3;
    QTest::newRow("saved, limit not reached") << true << "1000" << 0;
}

void TestVexelSearch::limitStopsSearch()
{
    // The start settings find a few dozen patterns in the sample history;
    // stopped at the limit, the first ones are printed and saved.
    QFETCH(bool, save);
    QFETCH(QString, limit);
    QFETCH(int, code);
    QTemporaryDir dir;
    const QString out = dir.filePath("out.vxr");
    const QStringList all = runTool({SAMPLE_HISTORY_PATH}).out.split('\n', Qt::SkipEmptyParts);
    QVERIFY(all.size() > 5);
    QStringList args{SAMPLE_HISTORY_PATH, "--max-patterns", limit};
    if (save)
        args << "--save" << out;
    const Result r = runTool(args);
    QCOMPARE(r.code, code);
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines, all.mid(0, qMin(qsizetype(limit.toInt()), all.size())));
    QCOMPARE(r.err.contains("pattern limit of 5 was reached"), code == 3);
    if (!save)
        return;
    TCodes chart;
    TRegOptions settings;
    TVexelRegMgr patterns(&settings);
    QVERIFY(Workspace::Load(out, chart, patterns));
    QCOMPARE(patterns.Count(), lines.size());
    QCOMPARE(patterns.Get(lines.size() - 1)->StepsText(), lines.last().split('\t')[4]);
}

QTEST_GUILESS_MAIN(TestVexelSearch)
#include "tst_vexelsearch.moc"
