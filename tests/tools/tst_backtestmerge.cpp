// vexel-backtest end to end: damaged slices refused by --merge at the line
// that is wrong, and the files the command-line programs cannot use.
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

// The exit code and what went to stderr.
QPair<int, QString> run(const QStringList &args, const QString &tool = QStringLiteral(VEXEL_BACKTEST_PATH))
{
    QProcess p;
    p.start(tool, args);
    p.waitForFinished(120000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardError())};
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
}

} // namespace

class TestBacktestMerge : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void damagedSlice_data();
    void damagedSlice();
    void unusableFiles_data();
    void unusableFiles();

private:
    QTemporaryDir m_dir;
    QString m_first, m_second; // the draws 2491-2493 and 2494-2496 of the sample history
};

void TestBacktestMerge::initTestCase()
{
    m_first = m_dir.filePath("first.txt");
    m_second = m_dir.filePath("second.txt");
    for (const auto &[path, cuts] : {std::pair{m_first, "2491-2493"}, std::pair{m_second, "2494-2496"}}) {
        QProcess p;
        p.setStandardOutputFile(path);
        p.start(QStringLiteral(VEXEL_BACKTEST_PATH), {SAMPLE_HISTORY_PATH, "--cuts", cuts});
        QVERIFY(p.waitForFinished(120000) && p.exitCode() == 0);
    }
    QCOMPARE(run({"--merge", m_first, m_second}).first, 0);
}

void TestBacktestMerge::damagedSlice_data()
{
    // What is done to the first slice, and the start of the line the refusal
    // must name in what is left ("<end>": the line after the last).
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<QString>("named");
    QTest::newRow("cut after the total") << "(?s)(\n# total[^\n]*\n).*" << "\\1" << "<end>";
    QTest::newRow("cut inside the last line") << "(?s).{5}\\z" << "" << "# digest";
    QTest::newRow("digest line missing") << "# digest[^\n]*\n" << "" << "<end>";
    QTest::newRow("cut inside a draw line") << "(?s)(\n2492\t\\d+).*" << "\\1" << "2492";
    QTest::newRow("first draw line deleted") << "(?m)^2491\t[^\n]*\n" << "" << "# draws";
    QTest::newRow("middle draw line deleted") << "(?m)^2492\t[^\n]*\n" << "" << "2493";
    QTest::newRow("draw line repeated") << "(?m)^(2491\t[^\n]*\n)" << "\\1\\1" << "2491";
    QTest::newRow("draw lines swapped") << "(?m)^(2491\t[^\n]*\n)(2492\t[^\n]*\n)" << "\\2\\1" << "2491";
    QTest::newRow("a draw's patterns edited") << "(?m)^2492\t24\t" << "2492\t25\t" << "2492";
    QTest::newRow("patterns moved between targets")
        << "(?m)^(2491\t25\t0\t)AB:4:0:0(.*)CD:5:0:0" << "\\1AB:5:0:0\\2CD:4:0:0" << "# target\tAB";
    QTest::newRow("a consensus edited") << "AD:4:4:1" << "AD:4:4:0" << "# consensus\tAD";
    QTest::newRow("the total edited") << "(?m)^# total\t\\d+" << "# total\t999" << "# total";
    QTest::newRow("a rate edited") << "(?m)^(# total\t\\d+\t\\d+)\t[0-9.]+%" << "\\1\t99.99%" << "# total";
    QTest::newRow("a summary line deleted") << "(?m)^# target\tAC[^\n]*\n" << "" << "# target\tAD";
    QTest::newRow("summary lines swapped")
        << "(?m)^(# target\tAB[^\n]*\n)(# target\tAC[^\n]*\n)" << "\\2\\1" << "# target\tAC";
    QTest::newRow("a summary line repeated") << "(?m)^(# consensus\tall[^\n]*\n)" << "\\1\\1" << "# consensus\tall";
    QTest::newRow("the history edited") << "(?m)^# history\t2496" << "# history\t2497" << "# digest";
    QTest::newRow("a line after the end") << "\\z" << "# note\tx\n" << "# note";
    QTest::newRow("CR LF line ends") << "\n" << "\r\n" << "2491";
}

void TestBacktestMerge::damagedSlice()
{
    QFETCH(QString, pattern);
    QFETCH(QString, replacement);
    QFETCH(QString, named);
    QFile slice(m_first);
    QVERIFY(slice.open(QIODevice::ReadOnly));
    const QString whole = QString::fromUtf8(slice.readAll());
    const QString damaged = QString(whole).replace(QRegularExpression(pattern), replacement);
    QVERIFY(damaged != whole);
    const QString path = m_dir.filePath("damaged.txt");
    writeFile(path, damaged.toUtf8());

    const auto [code, err] = run({"--merge", m_second, path});
    QCOMPARE(code, 1);
    const QRegularExpressionMatch at = QRegularExpression("damaged.txt, line (\\d+): ").match(err);
    QVERIFY2(at.hasMatch(), qPrintable(err));
    const QStringList lines = damaged.split('\n');
    const int line = at.captured(1).toInt();
    const int count = int(lines.size()) - (damaged.endsWith('\n') ? 1 : 0);
    const QString there = line <= count ? lines[line - 1] : QStringLiteral("<end>");
    QVERIFY2(there.startsWith(named), qPrintable(err));
}

void TestBacktestMerge::unusableFiles_data()
{
    // {fifo}, {huge} (3 GB, sparse), {big.ini} (5 MiB) and {none} stand for
    // files made in the test's folder.
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("cause");
    const QString bt = QStringLiteral(VEXEL_BACKTEST_PATH);
    const QString draws = SAMPLE_HISTORY_PATH;
    QTest::newRow("merge a FIFO") << bt << QStringList{"--merge", "{fifo}"} << "管道";
    QTest::newRow("merge a device") << bt << QStringList{"--merge", "/dev/zero"} << "设备";
    QTest::newRow("merge 3 GB") << bt << QStringList{"--merge", "{huge}"} << "文件太大";
    QTest::newRow("settings missing") << bt << QStringList{draws, "--settings", "{none}"} << "文件不存在";
    QTest::newRow("settings over 4 MiB") << bt << QStringList{draws, "--settings", "{big.ini}"} << "文件太大";
    QTest::newRow("settings a FIFO") << bt << QStringList{draws, "--settings", "{fifo}"} << "管道";
    QTest::newRow("table onto a device") << bt << QStringList{draws, "--cuts", "9-9", "--csv", "/dev/full"} << "设备";
    QTest::newRow("table onto a FIFO") << bt << QStringList{draws, "--cuts", "9-9", "--csv", "{fifo}"} << "管道";
    QTest::newRow("workspace onto a FIFO")
        << QStringLiteral(VEXEL_SEARCH_PATH) << QStringList{draws, "--save", "{fifo}", "--max-patterns", "1"} << "管道";
}

void TestBacktestMerge::unusableFiles()
{
    QFETCH(QString, tool);
    QFETCH(QStringList, args);
    QFETCH(QString, cause);
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo");
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QFile huge(dir.filePath("huge"));
    QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(3LL << 30));
    writeFile(dir.filePath("big.ini"), "[TRegOptions]\r\nSecCountSe=8\r\n" + QByteArray(5 << 20, ';'));
    for (QString &a : args)
        a.replace("{fifo}", fifo).replace("{huge}", huge.fileName()).replace("{none}", dir.filePath("none"))
            .replace("{big.ini}", dir.filePath("big.ini"));

    const auto [code, err] = run(args, tool);
    QCOMPARE(code, 1);
    QVERIFY2(err.contains(cause), qPrintable(err));
    // Nothing took the place of the device or the FIFO.
    struct stat info{};
    QVERIFY(::stat("/dev/full", &info) == 0 && S_ISCHR(info.st_mode));
    QVERIFY(::stat(QFile::encodeName(fifo).constData(), &info) == 0 && S_ISFIFO(info.st_mode));
}

QTEST_GUILESS_MAIN(TestBacktestMerge)
#include "tst_backtestmerge.moc"
