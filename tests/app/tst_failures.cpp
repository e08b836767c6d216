// The main window when things go wrong: a workspace cut short at every
// length, searches stopped and started in quick succession, the window
// closed while a stopped search or a download still runs, and settings files
// whose keys are garbled, duplicated, missing or huge.
#include "app/Main.h"
#include "app/RegListModel.h"
#include "io/SettingsFile.h"
#include "chart/VexelCtrl.h"
#include "core/VexelReg.h"
#include "core/VexelRegMgr.h"
#include "core/Workspace.h"

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QDataStream>
#include <QElapsedTimer>
#include <QFile>
#include <QTableView>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <memory>
#include <sys/resource.h>
#include <unistd.h>

namespace {

const QString OpenFailed = QStringLiteral("打开文档失败：\r\n工作文档.vxr");

QStringList messages;

std::unique_ptr<TMainForm> startWindow(const QString &folder, QStringList *startup = nullptr)
{
    messages.clear();
    auto form = std::make_unique<TMainForm>(folder);
    if (startup)
        *startup = messages;
    messages.clear();
    return form;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

// A small workspace: two chart draws, two patterns, a one-draw snapshot.
struct SmallWorkspace
{
    QByteArray bytes;
    TCodes chart;
    QStringList steps;        // the steps texts of the two patterns
    qsizetype patternCountAt; // offset of the pattern count
    qsizetype secondAt;       // offset of the second pattern
    qsizetype secondEnd;      // offset just past it

    SmallWorkspace()
    {
        const char *const numbers[] = {"8558511", "4176936"};
        for (const char *n : numbers) {
            const int i = chart.Add();
            for (int p = 1; p <= 7; ++p)
                chart.SetNum(p, i, n[p - 1] - '0');
        }
        TVexelRegMgr patterns(nullptr);
        for (int k = 0; k < 2; ++k) {
            auto *p = patterns.Add(new TVexelReg);
            p->Line(0).Add({1 + k, -1});
            p->Line(0).Add({3, -2 - k});
            p->SetTargetMask(6);
            p->SetInterval(2 + k);
            p->SetDrawCount(2);
            p->SetKind(1);
            p->AddStep({7 - k}, 6);
            p->AddStep({3 + k}, 6);
            steps << p->StepsText();
        }
        patterns.Draws().Assign(chart);
        patterns.Draws().SetCount(1);
        bytes = Workspace::Build(chart, patterns);
        patternCountAt = 8 + 32 * 2;
        const qsizetype patternSize = 4 + 2 * 8 + 20 + 2 * 6;
        secondAt = patternCountAt + 4 + patternSize;
        secondEnd = secondAt + patternSize;
    }
};

// A server that takes connections and never answers them.
class SilentServer : public QTcpServer
{
public:
    SilentServer()
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *s = nextPendingConnection())
                m_held.push_back(s);
        });
    }
    QString Url() const { return QStringLiteral("http://127.0.0.1:%1/draws").arg(serverPort()); }
    int Connections() const { return int(m_held.size()); }

private:
    std::vector<QTcpSocket *> m_held;
};

// Settings that keep a search of the sample history busy for minutes.
const QByteArray LongSearch = "[TRegOptions]\r\nLinedDistMinSe=1\r\nLinedDistMaxSe=9\r\nRefSumChk=1\r\n"
                              "LinedPtMinSe=1\r\nLinedPtMaxSe=9\r\nInterMaxSe=20\r\nMaxYOfSecSe=6\r\n"
                              "SecCountSe=12\r\n";

const char *const Sample = SAMPLE_HISTORY_PATH;

// The value of one settings key, as text, for comparing.
QString valueOf(const TRegOptions &o, const QString &key)
{
    const QHash<QString, QString> all = {
        {"userName", o.userName}, {"userPW", o.userPW},
        {"LinedDistMinSe", QString::number(o.LinedDistMinSe)}, {"LinedDistMaxSe", QString::number(o.LinedDistMaxSe)},
        {"LinedPtMinSe", QString::number(o.LinedPtMinSe)}, {"LinedPtMaxSe", QString::number(o.LinedPtMaxSe)},
        {"ClearDupChk", QString::number(o.ClearDupChk)}, {"RefSumChk", QString::number(o.RefSumChk)},
        {"InterMinSe", QString::number(o.InterMinSe)}, {"InterMaxSe", QString::number(o.InterMaxSe)},
        {"MaxYOfSecSe", QString::number(o.MaxYOfSecSe)}, {"RefTailChk", QString::number(o.RefTailChk)},
        {"FallTargetAnyChk", QString::number(o.FallTargetAnyChk)}, {"SecCountSe", QString::number(o.SecCountSe)},
        {"SumContrastGbx", QString::number(o.SumContrastGbx)}, {"FallTargetGbx", QString::number(o.FallTargetGbx)},
        {"FallStyleGbx", QString::number(o.FallStyleGbx)},
    };
    return all.value(key);
}

const QStringList SettingsKeys = {
    "userName", "userPW", "LinedDistMinSe", "LinedDistMaxSe", "LinedPtMinSe", "LinedPtMaxSe",
    "ClearDupChk", "RefSumChk", "InterMinSe", "InterMaxSe", "MaxYOfSecSe", "RefTailChk",
    "FallTargetAnyChk", "SecCountSe", "SumContrastGbx", "FallTargetGbx", "FallStyleGbx",
};

bool isText(const QString &key)
{
    return key == QLatin1String("userName") || key == QLatin1String("userPW");
}

// A settings file holding every key with a value that reads, each different
// from its default, and the settings that file gives.
QByteArray fullSettings(TRegOptions &expected)
{
    expected = TRegOptions();
    expected.userName = QStringLiteral("会员");
    expected.userPW = QStringLiteral("secret");
    expected.LinedDistMinSe = 1;
    expected.LinedDistMaxSe = 5;
    expected.LinedPtMinSe = 3;
    expected.LinedPtMaxSe = 4;
    expected.ClearDupChk = true;
    expected.RefSumChk = true;
    expected.InterMinSe = 2;
    expected.InterMaxSe = 7;
    expected.MaxYOfSecSe = 3;
    expected.RefTailChk = false;
    expected.FallTargetAnyChk = false;
    expected.SecCountSe = 8;
    expected.SumContrastGbx = 1;
    expected.FallTargetGbx = 2;
    expected.FallStyleGbx = 1;
    return OptionsFileBytes(QByteArray(), expected);
}

// The file with the line of `key` replaced by `replacement` (no line at all
// when it is empty).
QByteArray withKeyLine(const QByteArray &file, const QString &key, const QByteArray &replacement)
{
    QByteArray out;
    for (const QByteArray &line : file.split('\n')) {
        if (line.isEmpty())
            continue;
        if (line.startsWith(key.toLatin1() + '=')) {
            if (!replacement.isEmpty())
                out += replacement + "\r\n";
            continue;
        }
        out += line + '\n';
    }
    return out;
}

} // namespace

class TestFailures : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void truncatedWorkspace_data();
    void truncatedWorkspace();
    void damagedPatternsShown();
    void searchStopRestart();
    void closeAfterStop();
    void closeDuringDownload_data();
    void closeDuringDownload();
    void damagedSettings_data();
    void damagedSettings();
    void oversizedSettingsWrittenBack();
    void cancelledSettingsAreTheShownOnes();
    void workspaceTooLargeForMemory();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestFailures::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    messages.clear();
    TMainForm::MessageHook = [](const QString &t) { messages << t; };
    TMainForm::SaveQuestionHook = [](const QString &) { return TMainForm::TSaveAnswer::Discard; };
}

void TestFailures::cleanup()
{
    TMainForm::StopPauseMs = 1000;
}

void TestFailures::truncatedWorkspace_data()
{
    QTest::addColumn<bool>("damaged");
    QTest::newRow("sound file") << false;
    QTest::newRow("second pattern's point count negative") << true;
}

// Every length of the file from 0 to whole. A file cut short loads what it
// holds, the rest reading as zero; the damaged one fails once its negative
// count is in, keeping the chart and the first pattern.
void TestFailures::truncatedWorkspace()
{
    QFETCH(bool, damaged);
    const SmallWorkspace small;
    QByteArray full = small.bytes;
    if (damaged)
        qToLittleEndian<qint32>(-1, full.data() + small.secondAt);
    const QString path = QDir(m_dir->path()).filePath(TMainForm::WorkspaceName);

    for (qsizetype length = 0; length <= full.size(); ++length) {
        const QByteArray cut = full.left(length);
        writeFile(path, cut);
        QStringList startup;
        auto form = startWindow(m_dir->path(), &startup);
        const QString at = QStringLiteral("length %1").arg(length);
        const bool fails = damaged && length >= small.secondAt + 4;

        QVERIFY2(startup == (fails ? QStringList{OpenFailed} : QStringList()), qPrintable(at));
        const TCodes &chart = form->Chart().Codes();
        QVERIFY2(chart.Count() == (length >= 8 ? 2 : 0), qPrintable(at));
        for (int i = 0; i < chart.Count(); ++i) {
            const bool whole = length >= 8 + 32 * (i + 1);
            const TCode expected = whole ? small.chart.GetCode(i) : TCode{};
            if (whole || length <= 8 + 32 * i)
                QVERIFY2(chart.GetCode(i) == expected, qPrintable(at));
        }
        const int patterns = fails ? 1 : (length >= small.patternCountAt + 4 ? 2 : 0);
        QVERIFY2(form->Patterns().Count() == patterns, qPrintable(at));
        QVERIFY2(form->PanelText(2) == QStringLiteral("总共%1个规律").arg(patterns), qPrintable(at));
        if (fails) {
            // What was read stays, but the list is not filled.
            QVERIFY2(form->ListModel().rowCount() == 0, qPrintable(at));
            QVERIFY2(form->PanelText(0) == QStringLiteral("正在打开文档..."), qPrintable(at));
            QVERIFY2(form->Patterns().Get(0)->StepsText() == small.steps[0], qPrintable(at));
        } else {
            QVERIFY2(form->ListModel().rowCount() == patterns, qPrintable(at));
            QVERIFY2(form->PanelText(0).isEmpty(), qPrintable(at));
            if (length >= small.secondEnd)
                QVERIFY2(form->Patterns().Get(1)->StepsText() == small.steps[1], qPrintable(at));
        }
        // The window works on with what it has: select a row, save.
        if (form->ListModel().rowCount() > 0)
            form->ListView().selectRow(form->ListModel().rowCount() - 1);
        form->FileMenuSaveClick();
        QVERIFY2(messages.isEmpty(), qPrintable(at + QStringLiteral(": ") + messages.join('|')));
        form.reset();
        QVERIFY2(messages.isEmpty(), qPrintable(at));
    }
}

// A workspace whose patterns a damaged file made: points far outside the
// grid, values and masks that no search gives, a negative interval, no steps
// at all. The window lists them, shows each one on the chart and paints it.
void TestFailures::damagedPatternsShown()
{
    TCodes chart;
    for (int i = 0; i < 3; ++i) {
        chart.Add();
        chart.SetNum(1 + i, i, 9);
    }
    TVexelRegMgr patterns(nullptr);
    const qint32 most = 2147483647;
    const qint32 least = -most - 1;
    const QList<QList<TPoint>> lines = {
        {{0, most}, {least, least}, {7, 0}},
        {{most, -1}, {-5, -2}, {3, least}, {8, 1}},
        {{1, -1}, {2, -1}},
        {},
    };
    for (int i = 0; i < lines.size(); ++i) {
        auto *p = patterns.Add(new TVexelReg);
        for (const TPoint &pt : lines[i])
            p->Line(0).Add(pt);
        if (i < 3) {
            p->AddStep({least}, 0xFFFF);
            p->AddStep({most}, 31);
            p->AddStep({-7}, 6);
        }
        p->SetTargetMask(i == 0 ? 0xFFFF : 31);
        p->SetTargetCount(qint16(i == 1 ? -1 : 4));
        p->SetInterval(i == 2 ? -3 : most);
        p->SetDrawCount(i == 1 ? least : 3);
        p->SetKind(i);
    }
    patterns.Draws().Assign(chart);
    writeFile(QDir(m_dir->path()).filePath(TMainForm::WorkspaceName), Workspace::Build(chart, patterns));

    QStringList startup;
    auto form = startWindow(m_dir->path(), &startup);
    QVERIFY2(startup.isEmpty(), qPrintable(startup.join('|')));
    QCOMPARE(form->ListModel().rowCount(), int(lines.size()));
    form->show();
    for (int r = 0; r < form->ListModel().rowCount(); ++r) {
        form->ListView().selectRow(r);
        QCOMPARE(form->Chart().Reg().PointsText(), form->ListModel().Reg(r)->PointsText());
        QCOMPARE(form->Chart().Reg().StepsText(), form->ListModel().Reg(r)->StepsText());
        for (int c = 0; c < TRegListModel::ColumnCount; ++c)
            form->ListModel().Text(r, c);
        form->Chart().grab();
    }
    for (int c = 0; c < TRegListModel::ColumnCount; ++c)
        form->ListModel().SortByColumn(c);
    form->RegMenuSelAllClick();
    form->Chart().grab();
    QVERIFY(messages.isEmpty());
}

// A hundred searches, each stopped right after it started. The busy flag
// follows every command at once; the stopped workers' late reports change
// neither it nor the list, whose rows stay the collection's patterns.
void TestFailures::searchStopRestart()
{
    writeFile(QDir(m_dir->path()).filePath("vmkrosd.ini"), LongSearch);
    auto form = startWindow(m_dir->path());
    form->ImportFile(Sample);
    messages.clear();
    TMainForm::StopPauseMs = 1;
    QAction *search = form->Action("RegMenuSearch");
    QAction *stop = form->Action("RegMenuStop");
    for (int i = 0; i < 100; ++i) {
        search->trigger();
        QVERIFY2(form->Patterns().Busy(), qPrintable(QString::number(i)));
        QCOMPARE(form->PanelText(2), QStringLiteral("开始搜索规律,请稍候..."));
        if (i % 3 == 0)
            QCoreApplication::processEvents();
        stop->trigger();
        QVERIFY2(!form->Patterns().Busy(), qPrintable(QString::number(i)));
        if (i % 5 == 0)
            QCoreApplication::processEvents();
        QVERIFY(!form->Patterns().Busy());
    }
    QVERIFY(QTest::qWaitFor([&] { return !form->Patterns().WorkerRunning(); }, 60000));
    QTest::qWait(50);
    QVERIFY(!form->Patterns().Busy());
    QVERIFY(messages.isEmpty());
    QCOMPARE(form->ListModel().rowCount(), form->Patterns().Count());
    for (int r = 0; r < form->ListModel().rowCount(); ++r)
        QVERIFY(form->Patterns().IndexOf(form->ListModel().Reg(r)) >= 0);
    // A search after all that runs and ends normally.
    form->Settings() = TRegOptions();
    search->trigger();
    QVERIFY(QTest::qWaitFor([&] {
        return !form->Patterns().Busy() && form->PanelText(2).startsWith(QStringLiteral("结束搜索"));
    }, 60000));
    QCOMPARE(form->ListModel().rowCount(), form->Patterns().Count());
    QVERIFY(form->close());
}

// Closing is refused while the search runs and accepted once it is stopped,
// though its worker may still be busy; nothing reaches the window after it
// is gone.
void TestFailures::closeAfterStop()
{
    writeFile(QDir(m_dir->path()).filePath("vmkrosd.ini"), LongSearch);
    for (int round = 0; round < 5; ++round) {
        auto form = startWindow(m_dir->path());
        form->ImportFile(Sample);
        messages.clear();
        TMainForm::StopPauseMs = round;
        form->RegMenuSearchClick();
        QVERIFY(!form->close());
        QCOMPARE(messages, QStringList{TMainForm::SearchingMessage});
        messages.clear();
        form->RegMenuStopClick();
        QVERIFY(form->close());
        form.reset();
        QTest::qWait(100);
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join('|')));
    }
}

void TestFailures::closeDuringDownload_data()
{
    QTest::addColumn<int>("waitMs");
    QTest::newRow("waiting to fetch") << 60000;
    QTest::newRow("fetch without answer") << 0;
}

// The window closes while its download waits or hangs on a server that
// never answers: it goes at once, and no report or message follows.
void TestFailures::closeDuringDownload()
{
    QFETCH(int, waitMs);
    SilentServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    auto form = startWindow(m_dir->path());
    form->SetDataServiceUrl(server.Url());
    form->SetDownloadTimings(waitMs, 30000);
    form->FileMenuDownClick();
    QVERIFY(form->DownloadRunning());
    QVERIFY(!form->Action("FileMenuDown")->isEnabled());
    // A second Download meanwhile starts nothing.
    form->FileMenuDownClick();
    if (waitMs == 0)
        QVERIFY(QTest::qWaitFor([&] { return server.Connections() > 0; }, 5000));
    QCOMPARE(server.Connections(), waitMs == 0 ? 1 : 0);
    QVERIFY(!form->Patterns().Busy());
    QVERIFY(form->close());
    QElapsedTimer timer;
    timer.start();
    form.reset();
    QVERIFY2(timer.elapsed() < 3000, qPrintable(QString::number(timer.elapsed())));
    QTest::qWait(100);
    QVERIFY2(messages.isEmpty(), qPrintable(messages.join('|')));
}

void TestFailures::damagedSettings_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QByteArray>("line");      // the key's line; empty: none
    QTest::addColumn<bool>("keepsValue");      // the full file's value stays
    QTest::addColumn<QString>("expected");     // otherwise: this value, or the default when empty

    TRegOptions full;
    fullSettings(full);
    const QByteArray digits = QByteArray(200000, '7');
    for (const QString &key : SettingsKeys) {
        const QByteArray k = key.toLatin1();
        const char *name = k.constData();
        if (isText(key)) {
            // Any bytes are a scrambled text; a missing key reads as its own name.
            QTest::addRow("%s missing", name) << key << QByteArray() << false
                                              << QString::fromLatin1(UnscrambleText(k));
            QByteArray stored;
            for (const QByteArray &l : OptionsFileBytes({}, full).split('\n'))
                if (l.startsWith(k + '='))
                    stored = l.trimmed();
            QTest::addRow("%s duplicated", name) << key << stored + "\r\n" + k + "=other" << true << QString();
            // What the line gives in a file of its own.
            const auto alone = [&](const QByteArray &line) {
                return valueOf(LoadOptionsFromBytes("[TRegOptions]\n" + line + "\n"), key);
            };
            const QByteArray huge = k + "=" + QByteArray(100000, 'x');
            QTest::addRow("%s huge", name) << key << huge << false << alone(huge);
            const QByteArray garbled = k + "=%%zz\x01\xff";
            QTest::addRow("%s garbled", name) << key << garbled << false << alone(garbled);
        } else {
            QTest::addRow("%s missing", name) << key << QByteArray() << false << QString();
            QTest::addRow("%s garbled", name) << key << k + "=1x" << false << QString();
            QTest::addRow("%s empty", name) << key << k + "=" << false << QString();
            QTest::addRow("%s huge", name) << key << k + "=" + digits << false << QString();
            QTest::addRow("%s beyond 32 bits", name) << key << k + "=2147483648" << false << QString();
            QTest::addRow("%s duplicated", name) << key << k + "=" + valueOf(full, key).toLatin1() + "\r\n" + k + "=0"
                                                 << true << QString();
            QTest::addRow("%s spaced and signed", name) << key << "  " + k + " = +" + valueOf(full, key).toLatin1()
                                                        << true << QString();
        }
    }
}

// Each row damages one key of a file that sets every key: that key reads as
// its default (or as what its text gives), every other key as in the file,
// and the program starts and writes the settings back when it ends.
void TestFailures::damagedSettings()
{
    QFETCH(QString, key);
    QFETCH(QByteArray, line);
    QFETCH(bool, keepsValue);
    QFETCH(QString, expected);

    TRegOptions full;
    const QByteArray file = withKeyLine(fullSettings(full), key, line);
    const QString ini = QDir(m_dir->path()).filePath("vmkrosd.ini");
    writeFile(ini, file);

    QStringList startup;
    auto form = startWindow(m_dir->path(), &startup);
    QCOMPARE(startup, QStringList{OpenFailed}); // no workspace yet
    const TRegOptions &read = form->Settings();
    for (const QString &k : SettingsKeys) {
        QString want = valueOf(full, k);
        if (k == key && !keepsValue)
            want = expected.isEmpty() ? valueOf(TRegOptions(), k) : expected;
        QVERIFY2(valueOf(read, k) == want,
                 qPrintable(QStringLiteral("%1: '%2' instead of '%3'").arg(k, valueOf(read, k).left(40), want.left(40))));
    }
    QCOMPARE(form->Chart().GridWidth(), read.RefTailChk ? 462 : 339);
    const TRegOptions kept = read;
    form.reset();
    QCOMPARE(LoadOptions(ini), kept);
}

void TestFailures::oversizedSettingsWrittenBack()
{
    // Over the size limit the file is not read; the start says so, and the
    // settings the user then makes are written back, the old file kept.
    const QString ini = QDir(m_dir->path()).filePath("vmkrosd.ini");
    const QByteArray big = "[TRegOptions]\r\nSecCountSe=9\r\n" + QByteArray(5 * 1024 * 1024, ';');
    writeFile(ini, big);
    QStringList startup;
    auto form = startWindow(m_dir->path(), &startup);
    QCOMPARE(startup.size(), 2);
    QVERIFY2(startup.first().contains("超过 4 MiB") && startup.first().contains("默认的设置"), qPrintable(startup.first()));
    QCOMPARE(form->Settings().SecCountSe, TRegOptions().SecCountSe);
    form->Settings().SecCountSe = 12;
    form.reset();
    QCOMPARE(LoadOptions(ini).SecCountSe, 12);
    QFile backup(ini + ".bak");
    QVERIFY(backup.open(QIODevice::ReadOnly));
    QCOMPARE(backup.readAll(), big);
}

// Hand-edited distances of 2^31 either way: the dialog shows and estimates
// its own ranges, and after Cancel the search is the one it estimated.
void TestFailures::cancelledSettingsAreTheShownOnes()
{
    writeFile(QDir(m_dir->path()).filePath("vmkrosd.ini"),
              "[TRegOptions]\r\nLinedDistMinSe=-2147483648\r\nLinedDistMaxSe=2147483647\r\n"
              "LinedPtMinSe=1\r\nLinedPtMaxSe=1\r\nInterMaxSe=2147483647\r\nSecCountSe=-5\r\n");
    auto form = startWindow(m_dir->path());
    form->ImportFile(Sample);
    QString estimate;
    QTimer::singleShot(0, form.get(), [&] {
        auto *dialog = form->findChild<QDialog *>(QStringLiteral("OptionsForm"));
        estimate = dialog->findChild<QLabel *>(QStringLiteral("EstimateLbl"))->text();
        dialog->findChild<QPushButton *>(QStringLiteral("CancelBt"))->click();
    });
    form->Action("RegMenuOptions")->trigger();
    QVERIFY2(estimate.startsWith(QStringLiteral("组合数：63个")), qPrintable(estimate));

    QSignalSpy events(&form->Patterns(), &TVexelRegMgr::SearchEvent);
    form->Action("RegMenuSearch")->trigger();
    QVERIFY(QTest::qWaitFor([&] { return !events.isEmpty() && events.last().at(0).toInt() == 2; }, 60000));
    QCOMPARE(events.last().at(1).toLongLong(), qint64(63));
    for (int r = 0; r < form->ListModel().rowCount(); ++r)
        QVERIFY(form->ListModel().Reg(r)->Interval() <= 20 && form->ListModel().Reg(r)->StepCount() >= 3);
}

// Two million patterns, 48 MB on disk and several times that in memory,
// under an address-space limit that cannot hold them: the open fails as a
// damaged file does, what was read is given back, and the window goes on.
void TestFailures::workspaceTooLargeForMemory()
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    QSKIP("the sanitizers reserve more address space than any limit allows");
#endif
    const int count = 2000000;
    QByteArray bytes(8 + 4 + qsizetype(count) * 24 + 8, '\0');
    qToLittleEndian<qint32>(1, bytes.data());
    qToLittleEndian<qint32>(count, bytes.data() + 8);
    qToLittleEndian<qint32>(1, bytes.data() + bytes.size() - 8);
    writeFile(QDir(m_dir->path()).filePath(TMainForm::WorkspaceName), bytes);
    bytes = QByteArray();

    // A file this large is read once the window is up: the limit comes first.
    auto form = startWindow(m_dir->path());
    form->show();
    QFile statm(QStringLiteral("/proc/self/statm"));
    QVERIFY(statm.open(QIODevice::ReadOnly));
    const qint64 mapped = statm.readAll().split(' ').first().toLongLong() * sysconf(_SC_PAGESIZE);
    rlimit old{};
    getrlimit(RLIMIT_AS, &old);
    rlimit tight = old;
    tight.rlim_cur = rlim_t(mapped + (qint64(100) << 20));
    QCOMPARE(setrlimit(RLIMIT_AS, &tight), 0);
    const auto restore = qScopeGuard([&] { setrlimit(RLIMIT_AS, &old); });
    QVERIFY(QTest::qWaitFor([&] { return !messages.isEmpty(); }, 60000));
    QCOMPARE(messages, QStringList{OpenFailed});
    QCOMPARE(form->Patterns().Count(), 0);
    messages.clear();
    form->ImportFile(Sample);
    QCOMPARE(messages, QStringList{QStringLiteral("导入开奖号码成功！")});
    QVERIFY(!form->grab().isNull());
}

QTEST_MAIN(TestFailures)
#include "tst_failures.moc"
