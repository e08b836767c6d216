// The main window end to end: start-up and shutdown with the settings file
// and the workspace, import, search and its texts, the list commands, save,
// and the refusals while a search runs.
#include "io/DownloadFailure.h"
#include "io/DrawText.h"
#include "tools/DrawServer.h"
#include "app/Main.h"
#include "app/RegListModel.h"
#include "app/SearchTexts.h"
#include "app/SelectionWalk.h"
#include "io/SettingsFile.h"
#include "chart/VexelCtrl.h"
#include "core/VexelReg.h"
#include "core/VexelRegMgr.h"
#include "core/SearchWorkloads.h"
#include "core/Workspace.h"
#include "tests/support/Unattended.h"

#include "core/FileAccess.h"

#include <QDataStream>
#include <QMessageBox>
#include <QStatusTipEvent>

#include <QAction>
#include <QFile>
#include <QHeaderView>
#include <QMenu>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <csignal>
#include <sys/resource.h>

namespace {

QStringList &messages = MessageBox::ShownTexts();

struct Window
{
    QStringList &messages = ::messages;
    QStringList startup;   // what start-up showed
    std::unique_ptr<TMainForm> form;

    explicit Window(const QString &folder)
    {
        messages.clear();
        form = std::make_unique<TMainForm>(folder);
        startup = messages;
        messages.clear();
    }
};

QString writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return path;
}

// Until the last search's finished report has been shown.
bool waitSearch(TMainForm &form)
{
    return QTest::qWaitFor([&] {
        return !form.Patterns().Busy() && !form.Patterns().WorkerRunning()
               && form.PanelText(2).startsWith(QStringLiteral("结束搜索"));
    }, 60000);
}

const char *const Sample = SAMPLE_HISTORY_PATH;

} // namespace

class TestMainForm : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void firstRun();
    void narrowChartWithoutTail();
    void zeroByteWorkspace();
    void importSearchSaveRestart();
    void importError();
    void searchRefusedWhileSearching();
    void clearDuringSearch();
    void selectAndDelete();
    void searchText_data();
    void searchText();
    void selectionWalk_data();
    void selectionWalk();
    void saveFailureKeepsOldFile();
    void contextMenu();
    void damagedWorkspace();
    void fillRegListProgress();
    void stopWhenIdle();
    void multiSelectionKeepsChart();
    void scatteredSelectionSortAndDelete_data();
    void scatteredSelectionSortAndDelete();
    void download_data();
    void download();
    void closeDuringDownload();
    void searchEndShown_data();
    void searchEndShown();
    void saveWhileSearching();
    void largeWorkspaceOpensOnceShown();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestMainForm::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    messages.clear();
    Unattended();
}

void TestMainForm::firstRun()
{
    {
        Window w(m_dir->path());
        QCOMPARE(w.startup, QStringList{QStringLiteral("打开文档失败：\r\n工作文档.vxr")});
        QCOMPARE(w.form->PanelText(2), QStringLiteral("总共0个规律"));
        QCOMPARE(w.form->PanelText(1), QString());
        QCOMPARE(w.form->PanelText(0), QString());
        QCOMPARE(w.form->Chart().GridWidth(), 462);
        QCOMPARE(w.form->ListModel().rowCount(), 0);
        QVERIFY(w.form->windowTitle().startsWith("[*]" + TMainForm::ProductTitle + " v" PROJECT_VERSION_TEXT " - "));
        for (const char *name : {"FileMenuSave", "FileMenuDown", "RegMenuSearch", "RegMenuStop"})
            QVERIFY(w.form->Action(name)->isEnabled());
        QCOMPARE(w.form->Action("RegMenuSearch")->shortcut(), QKeySequence(Qt::Key_F5));
        QCOMPARE(w.form->Action("RegMenuClear")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Delete));
    }
    QFile ini(QDir(m_dir->path()).filePath("vmkrosd.ini"));
    QVERIFY(ini.open(QIODevice::ReadOnly));
    const QByteArray text = ini.readAll();
    QVERIFY(text.contains("userName=userName\r\n"));
    QVERIFY(text.contains("userPW=userPW\r\n"));
    QCOMPARE(text.count('='), 17);
}

void TestMainForm::narrowChartWithoutTail()
{
    writeFile(QDir(m_dir->path()).filePath("vmkrosd.ini"), "[TRegOptions]\r\nRefTailChk=0\r\n");
    Window narrow(m_dir->path());
    QCOMPARE(narrow.form->Chart().GridWidth(), 339);
    QTemporaryDir other;
    Window wide(other.path());
    QCOMPARE(wide.form->ChartPanelWidth() - narrow.form->ChartPanelWidth(), 462 - 339);
}

void TestMainForm::zeroByteWorkspace()
{
    writeFile(QDir(m_dir->path()).filePath(TMainForm::WorkspaceName), {});
    Window w(m_dir->path());
    QVERIFY(w.startup.isEmpty());
    QCOMPARE(w.form->ListModel().rowCount(), 0);
}

void TestMainForm::importSearchSaveRestart()
{
    int found = 0;
    QStringList texts;
    {
        Window w(m_dir->path());
        w.form->ImportFile(Sample);
        QCOMPARE(w.messages, QStringList{QStringLiteral("导入开奖号码成功！")});
        QCOMPARE(w.form->Chart().Codes().Count(), 2496);
        w.form->RegMenuSearchClick();
        QVERIFY(waitSearch(*w.form));
        found = w.form->Patterns().Count();
        QVERIFY(found > 0);
        QCOMPARE(w.form->ListModel().rowCount(), found);
        QVERIFY2(w.form->PanelText(2).startsWith(QStringLiteral("结束搜索，花费")), qPrintable(w.form->PanelText(2)));
        QVERIFY(w.form->PanelText(2).endsWith(QStringLiteral("总共搜索到%1个规律").arg(found)));

        // Selecting one row shows its pattern with its last step selected.
        w.form->ListView().selectRow(0);
        TVexelReg *shown = w.form->ListModel().Reg(0);
        QCOMPARE(w.form->Chart().Reg().StepsText(), shown->StepsText());
        QCOMPARE(w.form->Chart().SecIndex(), shown->StepCount() - 1);
        for (int r = 0; r < found; ++r)
            texts << w.form->ListModel().Text(r, 4);

        w.form->Settings().SecCountSe = 9;
        w.form->FileMenuSaveClick();
        QCOMPARE(w.messages.size(), 1);
    }
    Window again(m_dir->path());
    QVERIFY2(again.startup.isEmpty(), qPrintable(again.startup.join("|")));
    QCOMPARE(again.form->Chart().Codes().Count(), 2496);
    QCOMPARE(again.form->Patterns().Count(), found);
    QCOMPARE(again.form->Patterns().Draws().Count(), 2496);
    QCOMPARE(again.form->Settings().SecCountSe, 9);
    QStringList textsAgain;
    for (int r = 0; r < found; ++r)
        textsAgain << again.form->ListModel().Text(r, 4);
    QCOMPARE(textsAgain, texts);
    QCOMPARE(again.form->PanelText(2), QStringLiteral("总共%1个规律").arg(found));
}

void TestMainForm::importError()
{
    Window w(m_dir->path());
    w.form->ImportFile(Sample);
    w.messages.clear();
    const QString bad = writeFile(QDir(m_dir->path()).filePath("bad.txt"), "1234567\n12 34567\n");
    w.form->ImportFile(bad);
    QCOMPARE(w.messages, QStringList{"开奖数据文件“" + bad + "”的第2行不是开奖号码：“12 34567”\r\n每行应以七位数字开头。"});
    QCOMPARE(w.form->Chart().Codes().Count(), 2496);
    w.messages.clear();
    w.form->ImportFile(writeFile(QDir(m_dir->path()).filePath("empty.txt"), ""));
    QCOMPARE(w.messages, QStringList{QStringLiteral("导入开奖号码成功！")});
    QCOMPARE(w.form->Chart().Codes().Count(), 0);
}

void TestMainForm::searchRefusedWhileSearching()
{
    writeFile(QDir(m_dir->path()).filePath("vmkrosd.ini"),
              "[TRegOptions]\r\nLinedDistMinSe=1\r\nLinedDistMaxSe=9\r\nRefSumChk=1\r\nLinedPtMinSe=1\r\n"
              "LinedPtMaxSe=9\r\nInterMaxSe=20\r\nMaxYOfSecSe=6\r\nSecCountSe=12\r\n");
    Window w(m_dir->path());
    w.form->ImportFile(Sample);
    w.messages.clear();
    w.form->RegMenuSearchClick();
    QCOMPARE(w.form->PanelText(2), QStringLiteral("开始搜索规律,请稍候..."));
    w.form->RegMenuSearchClick();
    QCOMPARE(w.messages, QStringList{TMainForm::SearchingMessage});
    QVERIFY(!w.form->close());
    QCOMPARE(w.messages.size(), 2);
    w.form->RegMenuStopClick();
    QCOMPARE(w.form->PanelText(2), QStringLiteral("停止搜索"));
    QVERIFY(waitSearch(*w.form));
    QVERIFY(w.form->PanelText(2).startsWith(QStringLiteral("结束搜索，花费")));
    QVERIFY(w.form->close());
}

void TestMainForm::clearDuringSearch()
{
    Window w(m_dir->path());
    w.form->ImportFile(Sample);
    w.form->RegMenuSearchClick();
    w.form->RegMenuClearClick();
    QCOMPARE(w.form->ListModel().rowCount(), 0);
    QVERIFY(waitSearch(*w.form));
    QCOMPARE(w.form->ListModel().rowCount(), w.form->Patterns().Count());
    // A second search adds to the first one's patterns.
    const int first = w.form->Patterns().Count();
    w.form->RegMenuSearchClick();
    QVERIFY(waitSearch(*w.form));
    QVERIFY(w.form->Patterns().Count() > first);
    QCOMPARE(w.form->ListModel().rowCount(), w.form->Patterns().Count());
}

void TestMainForm::selectAndDelete()
{
    Window w(m_dir->path());
    w.form->ImportFile(Sample);
    w.form->RegMenuSearchClick();
    QVERIFY(waitSearch(*w.form));
    const int count = w.form->ListModel().rowCount();
    QVERIFY(count >= 3);

    // Delete with nothing selected changes nothing.
    w.form->RegMenuDelClick();
    QCOMPARE(w.form->Patterns().Count(), count);

    // Select all from an empty selection shows the first row's pattern.
    w.form->RegMenuSelAllClick();
    QCOMPARE(w.form->ListView().selectionModel()->selectedRows().size(), count);
    QCOMPARE(w.form->Chart().Reg().StepsText(), w.form->ListModel().Reg(0)->StepsText());
    // Select none inverts: everything off.
    w.form->RegMenuSelNoneClick();
    QVERIFY(w.form->ListView().selectionModel()->selectedRows().isEmpty());

    w.form->ListView().selectRow(1);
    TVexelReg *second = w.form->ListModel().Reg(1);
    const QString shown = w.form->Chart().Reg().StepsText();
    w.form->RegMenuDelClick();
    QCOMPARE(w.form->Patterns().Count(), count - 1);
    QCOMPARE(w.form->Patterns().IndexOf(second), -1);
    QCOMPARE(w.form->ListModel().RowOf(second), -1);
    QCOMPARE(w.form->PanelText(2), QStringLiteral("总共%1个规律").arg(count - 1));
    // The chart keeps its own copy of the deleted pattern.
    QCOMPARE(w.form->Chart().Reg().StepsText(), shown);
}

void TestMainForm::searchText_data()
{
    QTest::addColumn<qint64>("combinations");
    QTest::addColumn<int>("patterns");
    QTest::addColumn<qint64>("elapsed");
    QTest::addColumn<bool>("busy");
    QTest::addColumn<QString>("text");
    QTest::newRow("30 s") << qint64(1234567) << 5 << qint64(30) << true
                          << QStringLiteral("搜索第123万个组合搜索到5条规律(耗时30秒,速度:41,152个组合/秒)....");
    QTest::newRow("first second") << qint64(5000) << 0 << qint64(0) << true
                                  << QStringLiteral("搜索第0万个组合搜索到0条规律(耗时0秒,速度:0个组合/秒)....");
    QTest::newRow("finished") << qint64(99) << 7 << qint64(12) << false
                              << QStringLiteral("结束搜索，花费12秒，总共搜索到7个规律");
    QTest::newRow("millions") << qint64(123456789012) << 3000000 << qint64(100) << true
                              << QStringLiteral("搜索第12,345,678万个组合搜索到3,000,000条规律(耗时100秒,速度:1,234,567,890个组合/秒)....");
}

void TestMainForm::searchText()
{
    QFETCH(qint64, combinations);
    QFETCH(int, patterns);
    QFETCH(qint64, elapsed);
    QFETCH(bool, busy);
    QFETCH(QString, text);
    QCOMPARE(SearchTexts::Progress(combinations, patterns, elapsed, busy), text);
}

void TestMainForm::selectionWalk_data()
{
    QTest::addColumn<QList<bool>>("before");
    QTest::addColumn<bool>("invert");
    QTest::addColumn<QList<bool>>("after");
    QTest::addColumn<int>("shown");
    using L = QList<bool>;
    QTest::newRow("select all from none") << L{false, false, false} << false << L{true, true, true} << 0;
    QTest::newRow("select all from two") << L{false, true, true} << false << L{true, true, true} << -1;
    QTest::newRow("select all from one later") << L{false, false, true} << false << L{true, true, true} << -1;
    QTest::newRow("invert none") << L{false, false} << true << L{true, true} << 0;
    QTest::newRow("invert all") << L{true, true, true} << true << L{false, false, false} << 2;
    QTest::newRow("invert mixed") << L{true, false, true} << true << L{false, true, false} << 1;
    QTest::newRow("empty list") << L{} << false << L{} << -1;
}

void TestMainForm::selectionWalk()
{
    QFETCH(QList<bool>, before);
    QFETCH(bool, invert);
    QFETCH(QList<bool>, after);
    QFETCH(int, shown);
    const SelectionWalk::Result r = invert ? SelectionWalk::Invert(before) : SelectionWalk::SelectAll(before);
    QCOMPARE(r.selected, after);
    QCOMPARE(r.shownRow, shown);
}

void TestMainForm::saveFailureKeepsOldFile()
{
    Window w(m_dir->path());
    w.form->ImportFile(Sample);
    w.messages.clear();
    w.form->FileMenuSaveClick();
    const QString path = QDir(m_dir->path()).filePath(TMainForm::WorkspaceName);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray saved = f.readAll();
    f.close();
    QCOMPARE(saved.size(), 8 + 32 * 2496 + 4 + 8);
    QVERIFY(w.messages.isEmpty());

    // A file-size limit makes every write past 4 KiB fail, as a full disk
    // would (and it binds root too, unlike permissions). The box the user
    // sees warns, with the cause the atomic write gives.
    w.form->Chart().Codes().Add();
    signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 4096;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    QString cause;
    FileAccess::WriteAtomically(QDir(m_dir->path()).filePath("other.vxr"), QByteArray(8192, 'x'), cause);
    w.form->Action(QStringLiteral("FileMenuSave"))->trigger();
    const QMessageBox::Icon icon = MessageBox::LastShown().icon;
    const QString shown = MessageBox::LastShown().text;
    setrlimit(RLIMIT_FSIZE, &old);
    QCOMPARE(icon, QMessageBox::Warning);
    QVERIFY(!cause.isEmpty());
    QCOMPARE(shown, QStringLiteral("保存文件时出现错误！\r\n") + cause);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), saved);
}

void TestMainForm::contextMenu()
{
    Window w(m_dir->path());
    emit w.form->Chart().customContextMenuRequested(QPoint(5, 5));
    QVERIFY(!w.form->RegMenu()->isVisible());
    emit w.form->ListView().customContextMenuRequested(QPoint(5, 5));
    QVERIFY(w.form->RegMenu()->isVisible());
    w.form->RegMenu()->hide();
}

void TestMainForm::damagedWorkspace()
{
    // Three chart draws, then one good pattern, then one whose point count
    // is negative.
    TCodes chart;
    for (int i = 0; i < 3; ++i) {
        chart.Add();
        chart.SetNum(1, i, i + 1);
    }
    QByteArray bytes;
    QDataStream s(&bytes, QIODevice::WriteOnly);
    chart.SaveToStream(s);
    s << qint32(2);
    TVexelReg good;
    good.AddStep({4}, 6);
    good.SaveToStream(s);
    s << qint32(-5);
    writeFile(QDir(m_dir->path()).filePath(TMainForm::WorkspaceName), bytes);

    Window w(m_dir->path());
    QCOMPARE(w.startup, QStringList{QStringLiteral("打开文档失败：\r\n工作文档.vxr")});
    QCOMPARE(w.form->Chart().Codes().Count(), 3);
    QCOMPARE(w.form->Patterns().Count(), 1);
    QCOMPARE(w.form->ListModel().rowCount(), 0);
    QCOMPARE(w.form->PanelText(0), QStringLiteral("正在打开文档..."));
    QCOMPARE(w.form->PanelText(2), QStringLiteral("总共1个规律"));
}

void TestMainForm::fillRegListProgress()
{
    TVexelRegMgr patterns(nullptr);
    for (int i = 0; i < 120; ++i) {
        auto *p = patterns.Add(new TVexelReg);
        p->Line(0).Add({1, -1 - i % 3});
        p->AddStep({i % 10}, 6);
    }
    TCodes chart;
    Workspace::Save(QDir(m_dir->path()).filePath(TMainForm::WorkspaceName), chart, patterns);

    Window w(m_dir->path());
    QVERIFY(w.startup.isEmpty());
    QStringList panel0;
    connect(w.form.get(), &TMainForm::PanelChanged, this, [&](int panel, const QString &text) {
        if (panel == 0)
            panel0 << text;
    });
    auto &again = w.form;
    again->FillRegList();
    QCOMPARE(panel0, (QStringList{QStringLiteral("正在添加第0个规律..."), QStringLiteral("正在添加第53个规律..."),
                                  QStringLiteral("正在添加第106个规律..."), QString()}));
    QCOMPARE(again->ListModel().rowCount(), 120);
}

void TestMainForm::stopWhenIdle()
{
    Window w(m_dir->path());
    TMainForm::StopPauseMs = 10;
    w.form->RegMenuStopClick();
    TMainForm::StopPauseMs = 1000;
    QCOMPARE(w.form->PanelText(2), QStringLiteral("停止搜索"));
    QVERIFY(!w.form->Patterns().Busy());
    w.form->UpdateCaption();
    QCOMPARE(w.form->PanelText(2), QStringLiteral("总共0个规律"));
}

void TestMainForm::multiSelectionKeepsChart()
{
    Window w(m_dir->path());
    w.form->ImportFile(Sample);
    w.form->RegMenuSearchClick();
    QVERIFY(waitSearch(*w.form));
    QVERIFY(w.form->ListModel().rowCount() >= 2);
    QTableView &view = w.form->ListView();
    view.selectRow(0);
    const QString first = w.form->ListModel().Reg(0)->StepsText();
    QCOMPARE(w.form->Chart().Reg().StepsText(), first);
    // Ctrl+click on a second row, then deselecting all, leave the chart.
    view.selectionModel()->select(w.form->ListModel().index(1, 0),
                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QCOMPARE(w.form->Chart().Reg().StepsText(), first);
    view.clearSelection();
    QCOMPARE(w.form->Chart().Reg().StepsText(), first);
    // Sorting by distance, then a new pattern, restores the order of column 0.
    w.form->ListModel().SortByColumn(3);
    w.form->RegMenuSearchClick();
    QVERIFY(waitSearch(*w.form));
    QStringList captions;
    for (int r = 0; r < w.form->ListModel().rowCount(); ++r)
        captions << w.form->ListModel().Text(r, 0);
    QStringList sorted = captions;
    std::stable_sort(sorted.begin(), sorted.end());
    QCOMPARE(captions, sorted);
}

void TestMainForm::scatteredSelectionSortAndDelete_data()
{
    QTest::addColumn<int>("every");
    QTest::addColumn<int>("sortColumn"); // -1: no sort
    QTest::newRow("every other row") << 2 << -1;
    QTest::newRow("every third row, then sorted by steps") << 3 << 1;
    QTest::newRow("every other row, then sorted by step values") << 2 << 4;
}

// A scattered selection survives a column sort, and Delete removes exactly
// its patterns: the other rows and patterns keep their order, the chart its
// copy.
void TestMainForm::scatteredSelectionSortAndDelete()
{
    QFETCH(int, every);
    QFETCH(int, sortColumn);
    TVexelRegMgr stored(nullptr);
    for (int i = 0; i < 300; ++i) {
        auto *p = stored.Add(new TVexelReg);
        for (int k = 0; k <= i % 3; ++k)
            p->Line(0).Add({1 + k, -1 - k});
        for (int s = 0; s <= i % 9; ++s)
            p->AddStep({(i + s) % 10}, 6);
        p->SetInterval(i);
    }
    TCodes chart;
    Workspace::Save(QDir(m_dir->path()).filePath(TMainForm::WorkspaceName), chart, stored);
    Window w(m_dir->path());
    TMainForm &form = *w.form;
    TRegListModel &model = form.ListModel();
    QItemSelectionModel &selection = *form.ListView().selectionModel();
    form.ListView().selectRow(1);
    const QString shown = form.Chart().Reg().StepsText();
    QItemSelection scattered;
    QSet<TVexelReg *> doomed;
    for (int r = 0; r < model.rowCount(); r += every) {
        scattered.select(model.index(r, 0), model.index(r, TRegListModel::ColumnCount - 1));
        doomed.insert(model.Reg(r));
    }
    selection.select(scattered, QItemSelectionModel::ClearAndSelect);
    if (sortColumn >= 0)
        emit form.ListView().horizontalHeader()->sectionClicked(sortColumn);
    QSet<TVexelReg *> selected;
    for (const QModelIndex &i : selection.selectedRows())
        selected.insert(model.Reg(i.row()));
    QCOMPARE(selected, doomed);

    QList<TVexelReg *> rowsLeft;
    for (int r = 0; r < model.rowCount(); ++r)
        if (!doomed.contains(model.Reg(r)))
            rowsLeft << model.Reg(r);
    QList<TVexelReg *> patternsLeft;
    for (int i = 0; i < form.Patterns().Count(); ++i)
        if (!doomed.contains(form.Patterns().Get(i)))
            patternsLeft << form.Patterns().Get(i);
    form.RegMenuDelClick();
    QList<TVexelReg *> rows;
    for (int r = 0; r < model.rowCount(); ++r)
        rows << model.Reg(r);
    QCOMPARE(rows, rowsLeft);
    QList<TVexelReg *> patterns;
    for (int i = 0; i < form.Patterns().Count(); ++i)
        patterns << form.Patterns().Get(i);
    QCOMPARE(patterns, patternsLeft);
    QVERIFY(!selection.hasSelection());
    QCOMPARE(form.Chart().Reg().StepsText(), shown);
    QCOMPARE(form.PanelText(2), QStringLiteral("总共%1个规律").arg(rowsLeft.size()));
}

void TestMainForm::download_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("succeeds");
    QTest::newRow("member accepted") << QStringLiteral("pa&ss #密码") << true;
    QTest::newRow("wrong password") << QStringLiteral("wrong") << false;
}

void TestMainForm::download()
{
    QFETCH(QString, password);
    QFETCH(bool, succeeds);
    TDrawServer server;
    server.SetDraws(ReadServedDraws(Sample));
    server.SetPath("/draws");
    server.AddMember(QStringLiteral("会员"), QStringLiteral("pa&ss #密码"));
    QVERIFY(server.Listen(0));

    Window w(m_dir->path());
    w.form->Settings().userName = QStringLiteral("会员");
    w.form->Settings().userPW = password;
    w.form->SetDataServiceUrl(server.Url());
    w.form->SetDownloadTimings(10, 5000);
    QAction *down = w.form->Action("FileMenuDown");
    down->trigger();
    QVERIFY(!down->isEnabled());
    // The status bar tells of the wait, and again once a hint over it ends.
    for (const QString &tip : {QStringLiteral("提示"), QString()})
        QCoreApplication::sendEvent(w.form.get(), std::make_unique<QStatusTipEvent>(tip).get());
    QCOMPARE(w.form->PanelText(0), TMainForm::DownloadingText);
    // An import meanwhile leaves the command disabled while the worker runs.
    w.form->ImportFile(writeFile(QDir(m_dir->path()).filePath("one.txt"), "1234567\n"));
    QVERIFY(!down->isEnabled());
    w.messages.clear();
    QVERIFY(QTest::qWaitFor([&] { return !w.form->DownloadRunning() && down->isEnabled(); }, 20000));
    QTest::qWait(20);
    QCOMPARE(w.messages.size(), 1);
    QCOMPARE(w.form->PanelText(0), QString());
    if (succeeds) {
        QCOMPARE(w.messages.first(), QStringLiteral("下载开奖数据成功！"));
        QCOMPARE(w.form->Chart().Codes().Count(), 2496);
        QCOMPARE(w.form->Chart().Codes().GetNum(1, 0), 8);
    } else {
        QVERIFY(w.messages.first().startsWith(QStringLiteral("下载开奖数据失败！")));
        QCOMPARE(w.messages.first(), QStringLiteral("下载开奖数据失败！\r\n")
                                         + DownloadFailureText({TDownloadFailure::NotSuccess, TDrawServer::MemberRefused}));
        QCOMPARE(w.form->Chart().Codes().Count(), 1);
    }
}

void TestMainForm::closeDuringDownload()
{
    TDrawServer server;
    server.SetDraws(ReadServedDraws(Sample));
    server.SetPath("/draws");
    QVERIFY(server.Listen(0));
    auto w = std::make_unique<Window>(m_dir->path());
    w->form->SetDataServiceUrl(server.Url());
    w->form->SetDownloadTimings(200, 5000);
    w->form->FileMenuDownClick();
    QTest::qWait(50);
    w.reset();
    QTest::qWait(400);
    QVERIFY(messages.isEmpty());
}

void TestMainForm::searchEndShown_data()
{
    QTest::addColumn<bool>("failing");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("panel");
    QTest::addColumn<int>("rows");
    QTest::newRow("limit reached") << false
        << QStringLiteral("规律数量已达到上限10个，搜索已停止。\r\n找到的规律都已保留，现有10个规律。\r\n请缩小搜索范围")
        << QStringLiteral("结束搜索，花费N秒，总共搜索到10个规律（已达到规律数量上限）") << 10;
    QTest::newRow("out of memory") << true
        << QStringLiteral("搜索失败：内存不足。\r\n已找到的规律都已保留，现有3个规律。")
        << QStringLiteral("搜索失败，花费N秒，保留了已找到的3个规律") << 3;
}

void TestMainForm::searchEndShown()
{
    // A search that stops at the pattern limit or fails says so, in a
    // message and in the end text, and keeps what it found (here after one
    // pattern of an earlier search).
    QFETCH(bool, failing);
    QFETCH(QString, message);
    QFETCH(QString, panel);
    QFETCH(int, rows);
    Window w(m_dir->path());
    w.form->ImportFile(Sample);
    w.form->Patterns().Add(new TVexelReg);
    w.form->FillRegList();
    w.form->Patterns().SetPatternLimit(10);
    if (failing)
        w.form->Patterns().SetSearchFunction([](const TCodes &, const TRegOptions &, TSearchSink &sink,
                                                const std::atomic<bool> &) -> qint64 {
            sink.Found(std::make_unique<TVexelReg>(), 1);
            sink.Found(std::make_unique<TVexelReg>(), 2);
            throw std::bad_alloc();
        });
    w.messages.clear();
    w.form->RegMenuSearchClick();
    QVERIFY(QTest::qWaitFor([&] { return !w.messages.isEmpty(); }, 60000));
    QCOMPARE(w.messages.size(), 1);
    QVERIFY2(w.messages.first().startsWith(message), qPrintable(w.messages.first()));
    QCOMPARE(w.form->PanelText(2).replace(QRegularExpression(QStringLiteral("花费\\d+秒")), QStringLiteral("花费N秒")),
             panel);
    QCOMPARE(w.form->ListModel().rowCount(), rows);
    QVERIFY(!w.form->Patterns().Busy());
}

// The search's reports wait while a save reads the patterns: each save holds
// exactly the patterns of its moment, and the search then goes on.
void TestMainForm::saveWhileSearching()
{
    Window w(m_dir->path());
    w.form->ImportFile(Sample);
    w.messages.clear();
    w.form->Settings() = WideSearchSettings(6, 3);
    w.form->Patterns().SetPatternLimit(150000);
    w.form->RegMenuSearchClick();
    const QString path = QDir(m_dir->path()).filePath(TMainForm::WorkspaceName);
    int saves = 0;
    while (w.form->Patterns().Busy()) {
        w.form->FileMenuSaveClick();
        const int held = w.form->Patterns().Count();
        TCodes chart;
        TRegOptions s;
        TVexelRegMgr saved(&s);
        QVERIFY(Workspace::Load(path, chart, saved));
        QCOMPARE(saved.Count(), held);
        QCOMPARE(chart.Count(), 2496);
        ++saves;
        QTest::qWait(5);
    }
    QVERIFY(waitSearch(*w.form));
    QVERIFY(saves > 1);
    QCOMPARE(w.form->ListModel().rowCount(), w.form->Patterns().Count());
    QVERIFY(w.messages.size() <= 1); // the pattern limit's message
}

// A workspace read once the window is up: the window is there at once, a
// close meanwhile is refused, and then the list is filled and nothing counts
// as unsaved.
void TestMainForm::largeWorkspaceOpensOnceShown()
{
    TVexelRegMgr patterns(nullptr);
    for (int i = 0; i < 500; ++i)
        patterns.Add(new TVexelReg)->AddStep({i % 10}, 6);
    TCodes chart;
    RebuildDrawList(chart, {1234567, 7654321});
    Workspace::Save(QDir(m_dir->path()).filePath(TMainForm::WorkspaceName), chart, patterns);
    const qint64 threshold = TMainForm::OpenLaterBytes;
    TMainForm::OpenLaterBytes = 0;
    const auto restore = qScopeGuard([&] { TMainForm::OpenLaterBytes = threshold; });
    Window w(m_dir->path());
    w.form->show();
    QCOMPARE(w.form->ListModel().rowCount(), 0);
    bool closed = true;
    QTimer::singleShot(0, w.form.get(), [&] { closed = w.form->close(); });
    QVERIFY(QTest::qWaitFor([&] { return w.form->ListModel().rowCount() == 500; }));
    QVERIFY(!closed);
    QCOMPARE(w.form->Chart().Codes().Count(), 2);
    QVERIFY(!w.form->Unsaved());
    QVERIFY(w.messages.isEmpty());
    QCOMPARE(w.form->PanelText(0), QString());
}

QTEST_MAIN(TestMainForm)
#include "tst_mainform.moc"
