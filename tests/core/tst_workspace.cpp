// The workspace file: section layout and sizes, round trip, the empty file,
// damaged and truncated files, and saves that must not harm the old file.
#include "tests/support/DrawsOf.h"
#include "core/Hao.h"
#include "core/VexelError.h"
#include "core/VexelReg.h"
#include "core/VexelRegMgr.h"
#include "core/Workspace.h"

#include <QDataStream>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <new>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

TVexelReg *pattern(int points, int steps, int seed)
{
    auto *p = new TVexelReg;
    for (int i = 0; i < points; ++i)
        p->Line(0).Add({(i * 3 + seed) % 8, -1 - (i + seed) % 4});
    for (int s = 0; s < steps; ++s)
        p->AddStep({(s + seed) % 10}, quint16(6 << (s % 2)));
    p->SetTargetMask(6);
    p->SetInterval(seed + 1);
    p->SetDrawCount(100 + seed);
    p->SetKind(1);
    return p;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestWorkspace : public QObject
{
    Q_OBJECT

private slots:
    void emptyWorkspaceIs20Bytes();
    void roundTrip();
    void emptyFileLoadsNothing();
    void missingFileFails();
    void malformedCounts_data();
    void malformedCounts();
    void truncatedAtEveryLength();
    void failedSaveKeepsOldFile();
    void failedWriteKeepsOldFile_data();
    void failedWriteKeepsOldFile();

private:
    TRegOptions m_settings;
};

void TestWorkspace::emptyWorkspaceIs20Bytes()
{
    TVexelRegMgr mgr(&m_settings);
    const QByteArray bytes = Workspace::Build(TCodes(), mgr);
    QCOMPARE(bytes, QByteArray::fromHex("01000000" "00000000" "00000000" "01000000" "00000000"));
}

void TestWorkspace::roundTrip()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("工作文档.vxr");
    const TCodes chart = drawsOf({"0381295", "1234567", "9999999"});
    TVexelRegMgr mgr(&m_settings);
    mgr.Add(pattern(4, 12, 1));
    mgr.Add(pattern(2, 6, 2));
    mgr.Add(pattern(3, 1, 3))->ShortestOrder();
    mgr.Draws().Assign(drawsOf({"5555555", "0000001"}));
    Workspace::Save(path, chart, mgr);
    const QByteArray bytes = readFile(path);
    // 8 + 32 x 3, then 4, then 3 patterns of 4 + 8 x points + 20 + 6 x steps, then 8 + 32 x 2
    QCOMPARE(bytes.size(), 104 + 4 + (56 + 72) + (40 + 36) + (48 + 6) + 72);

    TCodes chartBack = drawsOf({"1111111"});
    TVexelRegMgr back(&m_settings);
    back.Add(pattern(1, 1, 9));
    QVERIFY(Workspace::Load(path, chartBack, back));
    QCOMPARE(chartBack.Count(), 3);
    QCOMPARE(chartBack.GetCode(2), chart.GetCode(2));
    QCOMPARE(back.Count(), 3);
    QCOMPARE(back.Draws().Count(), 2);
    QCOMPARE(Workspace::Build(chartBack, back), bytes);

    // A workspace of several megabytes goes to the file piece by piece,
    // with the same bytes.
    const TCodes many = drawsOf(QStringList(100000, "1234567"));
    Workspace::Save(path, many, mgr);
    QCOMPARE(readFile(path), Workspace::Build(many, mgr));
}

void TestWorkspace::emptyFileLoadsNothing()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("w.vxr");
    writeFile(path, {});
    TCodes chart = drawsOf({"1234567"});
    TVexelRegMgr mgr(&m_settings);
    mgr.Add(pattern(2, 3, 1));
    QVERIFY(!Workspace::Load(path, chart, mgr));
    QCOMPARE(chart.Count(), 1);
    QCOMPARE(mgr.Count(), 1);
}

void TestWorkspace::missingFileFails()
{
    TCodes chart;
    TVexelRegMgr mgr(&m_settings);
    QVERIFY_THROWS_EXCEPTION(EVexelError, Workspace::Load("/nonexistent/w.vxr", chart, mgr));
    // A FIFO would block the opening until some writer came; running out
    // of memory fails like an unreadable file.
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo.vxr");
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QVERIFY_THROWS_EXCEPTION(EVexelError, Workspace::Load(fifo, chart, mgr));
    writeFile(dir.filePath("w.vxr"), QByteArray(64, '\0'));
    QVERIFY_THROWS_EXCEPTION(EVexelError, Workspace::Load(dir.filePath("w.vxr"),
                                                          [](QDataStream &) { throw std::bad_alloc(); }, mgr));
}

void TestWorkspace::malformedCounts_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("chartCount");
    QTest::newRow("negative chart count") << QByteArray::fromHex("01000000ffffffff")
                                          << "TCodes.SetCount NewCount is not valid!" << 0;
    QTest::newRow("huge chart count") << QByteArray::fromHex("0100000000000010")
                                      << "TCodes.SetCount NewCount is not valid!" << 0;
    QTest::newRow("huge pattern count") << QByteArray::fromHex("0100000000000000ffffff7f")
                                        << "TRegMgr.LoadFromStream Count isnot valid!" << 0;
    QTest::newRow("negative point count")
        << QByteArray::fromHex("0100000000000000" "01000000" "f0ffffff")
        << "TPointList.SetCount NewCount isnot valid!" << 0;
    QTest::newRow("huge step count")
        << QByteArray::fromHex("0100000000000000" "01000000" "00000000" "06000200" "01000000" "ffffff7f")
        << "TVexelReg.LoadFromStream StepCount isnot valid!" << 0;
    QTest::newRow("negative snapshot count")
        << QByteArray::fromHex("01000000" "01000000" "0000000001000000020000000300000004000000050000000600000007000000"
                               "00000000" "01000000" "ffffffff")
        << "TCodes.SetCount NewCount is not valid!" << 1;
}

void TestWorkspace::malformedCounts()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    QFETCH(int, chartCount);
    QTemporaryDir dir;
    const QString path = dir.filePath("w.vxr");
    writeFile(path, bytes);
    TCodes chart;
    TVexelRegMgr mgr(&m_settings);
    try {
        Workspace::Load(path, chart, mgr);
        QFAIL("no error");
    } catch (const EVexelError &e) {
        QCOMPARE(e.message(), message);
    }
    QCOMPARE(chart.Count(), chartCount);
}

void TestWorkspace::truncatedAtEveryLength()
{
    TVexelRegMgr mgr(&m_settings);
    mgr.Add(pattern(3, 4, 1));
    mgr.Add(pattern(2, 2, 2));
    mgr.Draws().Assign(drawsOf({"1234567"}));
    const TCodes chart = drawsOf({"7654321", "0123456"});
    const QByteArray full = Workspace::Build(chart, mgr);
    QTemporaryDir dir;
    const QString path = dir.filePath("w.vxr");
    for (int length = 1; length < full.size(); ++length) {
        writeFile(path, full.left(length));
        TCodes chartBack;
        TVexelRegMgr back(&m_settings);
        try {
            QVERIFY(Workspace::Load(path, chartBack, back));
        } catch (const EVexelError &) {
            QFAIL(qPrintable(QString("length %1 raised").arg(length)));
        }
        // Every whole field in the file is read; what was cut off reads as
        // zero. (This file's fields pair up into 4-byte groups.)
        const QByteArray again = Workspace::Build(chartBack, back);
        const int whole = length & ~3;
        QCOMPARE(again.left(whole), full.left(whole));
    }
}

void TestWorkspace::failedSaveKeepsOldFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("w.vxr");
    writeFile(path, "old content");
    TVexelRegMgr mgr(&m_settings);
    // A directory in place of the file cannot be replaced.
    const QString blocked = dir.filePath("blocked.vxr");
    QVERIFY(QDir().mkpath(blocked + "/inner"));
    QVERIFY_THROWS_EXCEPTION(EVexelError, Workspace::Save(blocked, TCodes(), mgr));
    QVERIFY(QFileInfo(blocked).isDir());
    QVERIFY_THROWS_EXCEPTION(EVexelError, Workspace::Save(dir.filePath("missing/w.vxr"), TCodes(), mgr));
    QCOMPARE(readFile(path), QByteArray("old content"));
    Workspace::Save(path, TCodes(), mgr);
    QCOMPARE(readFile(path).size(), 20);
}

void TestWorkspace::failedWriteKeepsOldFile_data()
{
    QTest::addColumn<int>("draws");
    // Below the file buffer's size the write fails only when the buffer is
    // flushed, which the commit alone would take for success.
    QTest::newRow("buffered") << 200;
    QTest::newRow("written at once") << 3000;
    QTest::newRow("written piece by piece") << 40000;
}

void TestWorkspace::failedWriteKeepsOldFile()
{
    // A file size limit fails the write as a full disk does.
    QFETCH(int, draws);
    QTemporaryDir dir;
    const QString path = dir.filePath("w.vxr");
    writeFile(path, "old content");
    TVexelRegMgr mgr(&m_settings);
    rlimit limit{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlim_t before = limit.rlim_cur;
    limit.rlim_cur = 4096;
    std::signal(SIGXFSZ, SIG_IGN); // a failed write, not a killed process
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &limit), 0);
    QString message;
    try {
        Workspace::Save(path, drawsOf(QStringList(draws, "1234567")), mgr);
    } catch (const EVexelError &e) {
        message = e.message();
    }
    limit.rlim_cur = before;
    setrlimit(RLIMIT_FSIZE, &limit);
    QVERIFY2(message.startsWith("Cannot write file") && !message.contains("Unknown error"), qPrintable(message));
    QCOMPARE(readFile(path), QByteArray("old content"));
}

QTEST_GUILESS_MAIN(TestWorkspace)
#include "tst_workspace.moc"
