// The main window as the user sees it: its layout at the normal and the
// maximised size, its bars, and what it asks before work is lost.
#include "app/AnalysisCommands.h"
#include "app/Main.h"
#include "app/StatsWindow.h"
#include "app/HistoryStatsWindow.h"
#include "app/RegListModel.h"
#include "app/StatusBar.h"
#include "chart/VexelCtrl.h"
#include "core/VexelReg.h"
#include "core/VexelRegMgr.h"
#include "core/Workspace.h"
#include "tests/support/DrawsOf.h"
#include "tests/support/Unattended.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QTableWidget>
#include <QContextMenuEvent>
#include <QMenuBar>
#include <QToolBar>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QStyle>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace {

QStringList &messages = MessageBox::ShownTexts();

// Whether a label shows its whole text, wrapped as it wraps it.
bool ShowsWhole(const QLabel &label)
{
    const QRect room = label.contentsRect();
    const int flags = int(label.alignment()) | (label.wordWrap() ? Qt::TextWordWrap : 0);
    const QRect needed = label.fontMetrics().boundingRect(room, flags, label.text());
    return room.contains(needed);
}

// Shows the window at that size once its own maximising at start is over.
void ShowAt(QWidget &window, int width, int height)
{
    window.show();
    QTest::qWait(20);
    window.showNormal();
    window.resize(width, height);
    QTest::qWait(20);
}

// The room between the right edge of the chart's grid and the splitter's
// bar, in the window: the chart's scroll bar and its 4-pixel margin when the
// whole grid shows.
int RoomRightOfGrid(TMainForm &form)
{
    auto *splitter = form.findChild<QSplitter *>(QStringLiteral("PanelReg"));
    const int handle = splitter->widget(1)->mapTo(&form, QPoint()).x() - splitter->handleWidth();
    const int gridRight = form.Chart().mapTo(&form, QPoint(form.Chart().GridWidth(), 0)).x();
    return handle - gridRight;
}

// Drags the boundary between chart and list by dx pixels, with the mouse;
// the handle follows the pointer as it goes.
void DragBoundary(TMainForm &form, int dx)
{
    auto *splitter = form.findChild<QSplitter *>(QStringLiteral("PanelReg"));
    QWidget *handle = splitter->handle(1);
    const QPoint grip = handle->mapTo(splitter, QPoint(handle->width() / 2, handle->height() / 2));
    QTest::mousePress(handle, Qt::LeftButton, {}, handle->mapFrom(splitter, grip));
    for (const int step : {dx / 2, dx})
        QTest::mouseMove(handle, handle->mapFrom(splitter, grip + QPoint(step, 0)));
    QTest::mouseRelease(handle, Qt::LeftButton, {}, handle->mapFrom(splitter, grip + QPoint(dx, 0)));
    QTest::qWait(20);
}

// Confirms the settings dialog with "后3数参与运算" as given.
void ConfirmTail(TMainForm &form, bool tail)
{
    QTimer::singleShot(0, &form, [&form, tail] {
        auto *dialog = form.findChild<QDialog *>(QStringLiteral("OptionsForm"));
        dialog->findChild<QCheckBox *>(QStringLiteral("RefTailChk"))->setChecked(tail);
        dialog->findChild<QPushButton *>(QStringLiteral("OkBt"))->click();
    });
    form.RegMenuOptionsClick();
    QTest::qWait(20);
}

// Queues keys to the window as a busy program receives them: each goes to
// whatever has the focus when it is handled.
void QueueKeys(QWidget &window, const QKeySequence &keys)
{
    for (int i = 0; i < keys.count(); ++i) {
        const QString text = keys[i].key() < Qt::Key_Escape ? QString(QChar(keys[i].key())) : QString();
        for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease})
            QCoreApplication::postEvent(window.windowHandle(),
                                        new QKeyEvent(type, keys[i].key(), keys[i].keyboardModifiers(), text));
    }
    QTest::qWait(50);
}

// Whether the widget shows the focus ring along its left edge.
bool ShowsFocus(QWidget &widget)
{
    const QImage image = widget.grab().toImage();
    return image.pixelColor(0, image.height() / 2) == widget.palette().color(QPalette::Active, QPalette::Highlight);
}

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void statusTextsReadable_data();
    void statusTextsReadable();
    void chartPanelFollowsColumns();
    void barsOfferNoMenu();
    void toolSeparatorsEightPixels();
    void closeAsksBeforeLosingWork_data();
    void closeAsksBeforeLosingWork();
    void undoFromAnywhere();
    void tabBetweenChartAndList_data();
    void tabBetweenChartAndList();
    void deleteKeepsThePlace_data();
    void deleteKeepsThePlace();
    void statsFollowTheList();
    void historyStatsFollowTheDraws();
    void forecastsJudgedWhenTheirDrawComes();
    void exportPatternList_data();
    void exportPatternList();
    void progressText_data();
    void progressText();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestMainWindow::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    Unattended();
}

void TestMainWindow::statusTextsReadable_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QString>("text");
    const QString searching =
        QStringLiteral("搜索第1,704万个组合搜索到123,456条规律(耗时1234秒,速度:1,234,567个组合/秒)....");
    const QString ended = QStringLiteral("结束搜索，花费1234秒，总共搜索到1,234,567个规律（已达到规律数量上限）");
    const QString failed = QStringLiteral("搜索失败，花费1234秒，保留了已找到的1,234,567个规律");
    QTest::newRow("normal size, searching") << 687 << 500 << searching;
    QTest::newRow("normal size, limit reached") << 687 << 500 << ended;
    QTest::newRow("normal size, failed") << 687 << 500 << failed;
    QTest::newRow("maximised, searching") << 1024 << 740 << searching;
    QTest::newRow("maximised, limit reached") << 1024 << 740 << ended;
}

void TestMainWindow::statusTextsReadable()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QString, text);
    TMainForm form(m_dir->path());
    ShowAt(form, width, height);
    auto &bar = *form.findChild<TStatusBar *>();
    bar.StartProgress(1000);
    bar.UpdateProgress(250, 60000);
    bar.SetPanel(2, text);
    QTest::qWait(50);
    QLabel &panel = *bar.Panel(2);
    QVERIFY2(ShowsWhole(panel), qPrintable(QStringLiteral("%1x%2 in %3x%4").arg(panel.contentsRect().width())
                                               .arg(panel.contentsRect().height()).arg(width).arg(height)));
    QVERIFY(bar.Progress()->isVisible());
    const QRect progress(bar.Progress()->mapTo(&form, QPoint()), bar.Progress()->size());
    const QRect label(panel.mapTo(&form, QPoint()), panel.size());
    QVERIFY(!progress.intersects(label));
    QVERIFY(form.rect().contains(progress));
    QCOMPARE(bar.Panel(0)->width(), 300);
    QCOMPARE(bar.Panel(1)->width(), 50);
}

// The chart panel takes the grid's whole width at start-up and whenever the
// column count changes, the user drags the boundary both ways, and no band
// ever opens between the grid and the list.
void TestMainWindow::chartPanelFollowsColumns()
{
    QFile ini(QDir(m_dir->path()).filePath(QStringLiteral("vmkrosd.ini")));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[TRegOptions]\r\nRefTailChk=0\r\n");
    ini.close();
    TMainForm form(m_dir->path());
    ShowAt(form, 1000, 600);
    const int margin = form.style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4;
    QCOMPARE(form.Chart().ColCount(), 7);
    QCOMPARE(RoomRightOfGrid(form), margin);

    ConfirmTail(form, true);
    QCOMPARE(form.Chart().ColCount(), 10);
    QCOMPARE(RoomRightOfGrid(form), margin);

    // Narrower, then back and past the grid's width: it stops there.
    const int wide = form.Chart().width();
    DragBoundary(form, -150);
    QVERIFY(qAbs(form.Chart().width() - (wide - 150)) <= 2);
    QVERIFY(RoomRightOfGrid(form) < margin);
    DragBoundary(form, 400);
    QCOMPARE(form.Chart().width(), wide);
    QCOMPARE(RoomRightOfGrid(form), margin);

    // Settings confirmed with the columns as they are keep a dragged width.
    DragBoundary(form, -100);
    const int dragged = form.Chart().width();
    QVERIFY(dragged < wide - 90);
    ConfirmTail(form, true);
    QCOMPARE(form.Chart().width(), dragged);
    ConfirmTail(form, false);
    QCOMPARE(RoomRightOfGrid(form), margin);
    QCOMPARE(form.Chart().width(), form.ChartPanelWidth());
}

// Right-clicking the tool bar or the menu bar opens no menu (Qt's own would
// offer to hide the tool bar for good).
void TestMainWindow::barsOfferNoMenu()
{
    TMainForm form(m_dir->path());
    ShowAt(form, 687, 500);
    for (QWidget *bar : {static_cast<QWidget *>(form.findChild<QToolBar *>(QStringLiteral("MainTbr"))),
                         static_cast<QWidget *>(form.menuBar())}) {
        QStringList opened;
        QTimer::singleShot(100, &form, [&opened] {
            if (QWidget *popup = QApplication::activePopupWidget()) {
                opened << popup->metaObject()->className();
                popup->close();
            }
        });
        const QPoint at(bar->width() - 5, bar->height() / 2);
        QContextMenuEvent click(QContextMenuEvent::Mouse, at, bar->mapToGlobal(at));
        QApplication::sendEvent(bar, &click);
        QTest::qWait(150);
        QVERIFY2(opened.isEmpty(), qPrintable(bar->objectName()));
    }
}

void TestMainWindow::toolSeparatorsEightPixels()
{
    TMainForm form(m_dir->path());
    ShowAt(form, 687, 500);
    auto *bar = form.findChild<QToolBar *>(QStringLiteral("MainTbr"));
    // The gaps between the groups of buttons: Save|Search, Options|Delete, Clear|Help.
    QStringList widths;
    for (const auto &[left, right] : {std::pair{"FileMenuSaveBt", "RegMenuSearchBt"},
                                      std::pair{"RegMenuOptionsBt", "RegMenuDelBt"},
                                      std::pair{"RegMenuClearBt", "HelpMenuTopicBt"}}) {
        const QRect a = bar->findChild<QWidget *>(QLatin1String(left))->geometry();
        const QRect b = bar->findChild<QWidget *>(QLatin1String(right))->geometry();
        QWidget *between = bar->childAt((a.right() + b.left()) / 2, a.center().y());
        QVERIFY(between);
        widths << QString::number(between->width());
        QVERIFY(between->geometry().left() > a.right() && between->geometry().right() < b.left());
    }
    QCOMPARE(widths, (QStringList{"8", "8", "8"}));
}

void TestMainWindow::closeAsksBeforeLosingWork_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("closed");
    QTest::addColumn<bool>("saved"); // else the workspace file is as it was
    using A = QMessageBox;
    QTest::newRow("nothing changed") << "" << int(A::Cancel) << false << true << false;
    QTest::newRow("imported, cancel") << "import" << int(A::Cancel) << true << false << false;
    QTest::newRow("imported, don't save") << "import" << int(A::Discard) << true << true << false;
    QTest::newRow("imported, save") << "import" << int(A::Save) << true << true << true;
    QTest::newRow("imported, save fails") << "import unwritable" << int(A::Save) << true << false << false;
    QTest::newRow("imported and saved") << "import save" << int(A::Cancel) << false << true << true;
    QTest::newRow("digit typed, save") << "type" << int(A::Save) << true << true << true;
    QTest::newRow("pattern found") << "add" << int(A::Cancel) << true << false << false;
    QTest::newRow("pattern deleted") << "delete" << int(A::Cancel) << true << false << false;
    QTest::newRow("patterns cleared, save") << "clear" << int(A::Save) << true << true << true;
}

// Closing with unsaved work asks first; Save writes the workspace as the
// Save command does, and a failed save keeps the window open.
void TestMainWindow::closeAsksBeforeLosingWork()
{
    QFETCH(QString, change);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    QFETCH(bool, closed);
    QFETCH(bool, saved);
    const QString workspace = QDir(m_dir->path()).filePath(TMainForm::WorkspaceName);
    const bool unwritable = change.contains(QLatin1String("unwritable"));
    if (unwritable) {
        QDir(m_dir->path()).mkdir(TMainForm::WorkspaceName);
    } else {
        // One draw and two patterns.
        TCodes draws;
        draws.Add();
        TVexelRegMgr patterns(nullptr);
        patterns.Add(new TVexelReg)->AddStep({3}, 6);
        patterns.Add(new TVexelReg)->AddStep({4}, 6);
        Workspace::Save(workspace, draws, patterns);
    }
    const QByteArray before = ReadAll(workspace);
    TMainForm form(m_dir->path());
    if (change.startsWith(QLatin1String("import"))) {
        const QString drawFile = QDir(m_dir->path()).filePath(QStringLiteral("draws.txt"));
        QFile text(drawFile);
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("1234567\n7654321\n1111111\n");
        text.close();
        form.ImportFile(drawFile);
    }
    if (change.contains(QLatin1String("save")))
        form.Action(QStringLiteral("FileMenuSave"))->trigger();
    if (change == QLatin1String("type"))
        QTest::keyClick(&form.Chart(), Qt::Key_5);
    if (change == QLatin1String("add"))
        form.Patterns().Add(new TVexelReg);
    if (change == QLatin1String("delete")) {
        form.ListView().selectRow(0);
        form.RegMenuDelClick();
    }
    if (change == QLatin1String("clear"))
        form.RegMenuClearClick();
    messages.clear();

    // The title marks exactly the work the close question asks about.
    QCOMPARE(form.isWindowModified(), asked);
    MessageBox::SetNextAnswer(QMessageBox::StandardButton(answer));
    QCOMPARE(form.close(), closed);
    QCOMPARE(messages.value(0) == TMainForm::UnsavedQuestion, asked);
    QCOMPARE(messages.size() - asked, unwritable ? 1 : 0);
    QVERIFY(!unwritable || messages.last().startsWith(QStringLiteral("保存文件时出现错误！\r\n")));
    const QByteArray held =
        Workspace::Build([&form](QDataStream &s) { form.Chart().SaveToStream(s); }, form.Patterns());
    QCOMPARE(ReadAll(workspace), saved ? held : before);
    QVERIFY(saved || before != held || change.isEmpty());
}

// Ctrl+Z and Ctrl+Y reach the chart wherever the focus is in the window.
void TestMainWindow::undoFromAnywhere()
{
    TMainForm form(m_dir->path());
    ShowAt(form, 687, 500);
    QApplication::setActiveWindow(&form);
    form.Chart().setFocus();
    QTest::keyClicks(&form.Chart(), QStringLiteral("12"));
    QCOMPARE(form.Chart().Codes().Count(), 1);
    form.ListView().setFocus();
    QTest::keyClick(&form.ListView(), Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(&form.ListView(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(form.Chart().Codes().Count(), 0);
    QTest::keyClick(&form.ListView(), Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(form.Chart().Codes().Count(), 1);
    QCOMPARE(form.Chart().Codes().GetNum(1, 0), 1);
}

void TestMainWindow::tabBetweenChartAndList_data()
{
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<QString>("focused"); // "chart", "list" or "other"
    QTest::newRow("at start: the chart") << QKeySequence() << "chart";
    QTest::newRow("Tab: the list") << QKeySequence(QStringLiteral("Tab")) << "list";
    QTest::newRow("Tab again leaves the list") << QKeySequence(QStringLiteral("Tab, Tab")) << "other";
    QTest::newRow("Ctrl+Tab stays") << QKeySequence(QStringLiteral("Tab, Ctrl+Tab")) << "list";
    QTest::newRow("Shift+Tab back to the chart") << QKeySequence(QStringLiteral("Tab, Shift+Tab, 1")) << "chart";
    QTest::newRow("round the tool bar and back") << QKeySequence(QStringLiteral("Shift+Tab, Tab, 1")) << "chart";
}

// Tab and Shift+Tab go between the chart and the list and on to the other
// controls, never from cell to cell; the one with the focus shows it, and
// digits typed once back on the chart enter a draw.
void TestMainWindow::tabBetweenChartAndList()
{
    QFETCH(QKeySequence, keys);
    QFETCH(QString, focused);
    TMainForm form(m_dir->path());
    for (int i = 0; i < 3; ++i)
        form.Patterns().Add(new TVexelReg);
    ShowAt(form, 687, 500);
    QApplication::setActiveWindow(&form);
    TRegListView &list = form.ListView();
    list.selectionModel()->setCurrentIndex(list.model()->index(1, 0), QItemSelectionModel::NoUpdate);
    QueueKeys(form, keys);
    QWidget *chart = &form.Chart();
    QWidget *now = QApplication::focusWidget();
    QCOMPARE(now == chart ? "chart" : now == &list ? "list" : "other", focused);
    QCOMPARE(ShowsFocus(*chart), now == chart);
    QCOMPARE(ShowsFocus(list), now == &list);
    QCOMPARE(list.currentIndex(), list.model()->index(1, 0));
    QVERIFY(!list.selectionModel()->hasSelection());
    QCOMPARE(form.Chart().Codes().Count(), keys.toString().endsWith(QLatin1Char('1')) ? 1 : 0);
}

void TestMainWindow::deleteKeepsThePlace_data()
{
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<int>("current"); // the row, before the delete, that becomes the current one
    QTest::newRow("three rows") << QList<int>{12, 13, 14} << 15;
    QTest::newRow("scattered, one above the view") << QList<int>{3, 12} << 13;
    QTest::newRow("the last two: the new last") << QList<int>{58, 59} << 57;
}

// After Delete the row after the deleted ones is the current one and the
// rows in view stay in view.
void TestMainWindow::deleteKeepsThePlace()
{
    QFETCH(QList<int>, selected);
    QFETCH(int, current);
    TMainForm form(m_dir->path());
    for (int i = 0; i < 60; ++i)
        form.Patterns().Add(new TVexelReg);
    ShowAt(form, 687, 500);
    QApplication::setActiveWindow(&form);
    TRegListView &list = form.ListView();
    list.setFocus();
    list.verticalScrollBar()->setValue(10);
    for (int r : selected)
        list.selectionModel()->select(list.model()->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    const TVexelReg *next = form.ListModel().Reg(current);
    const TVexelReg *top = form.ListModel().Reg(10);
    QTest::keyClick(&list, Qt::Key_Delete);
    QTest::qWait(20);
    QCOMPARE(form.ListModel().Reg(list.currentIndex().row()), next);
    QCOMPARE(form.ListModel().Reg(list.rowAt(0)), top);
    QCOMPARE(QApplication::focusWidget(), &list);
}

// The statistics window opened from the menu counts again as patterns come
// and go and as the selection changes.
void TestMainWindow::statsFollowTheList()
{
    TMainForm form(m_dir->path());
    form.Action(QStringLiteral("RegMenuStats"))->trigger();
    TStatsWindow *stats = form.Analysis().StatsWindow();
    QVERIFY(stats && stats->isVisible());
    const QLabel *subject = stats->findChild<QLabel *>(QStringLiteral("SubjectLbl"));
    // Every step changes what the window shows: one that stopped counting
    // would go on showing the step before.
    for (int i = 0; i < 1233; ++i)
        form.Patterns().Add(new TVexelReg);
    QTRY_COMPARE(subject->text(), QStringLiteral("统计全部 1,233 个规律"));
    form.ListView().selectRow(0);
    form.Patterns().Add(new TVexelReg); // one row selected: still all of them
    QTRY_COMPARE(subject->text(), QStringLiteral("统计全部 1,234 个规律"));
    form.ListView().selectionModel()->select(form.ListView().model()->index(2, 0),
                                             QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QTRY_COMPARE(subject->text(), QStringLiteral("统计选中的 2 个规律"));
    form.Action(QStringLiteral("RegMenuDel"))->trigger();
    QTRY_COMPARE(stats->Stats().patterns, 1232);
    form.Action(QStringLiteral("RegMenuClear"))->trigger();
    QTRY_COMPARE(stats->Stats().patterns, 0);
}

// What the history statistics window shows, position by position: the
// three rows of figures as its tables read.
QString shownFigures(const THistoryStatsWindow &window)
{
    QStringList out;
    for (int p = 1; p <= 7; ++p) {
        const auto *table = window.findChild<QTableWidget *>(QStringLiteral("FiguresView%1").arg(PositionLetter(p)));
        for (int r = 0; r < 3; ++r)
            for (int d = 0; d < 10; ++d)
                out << table->item(r, d)->text();
    }
    return out.join(QLatin1Char(' '));
}

QString expectedFigures(const TCodes &draws, int window)
{
    const THistoryFigures f = ComputeHistoryFigures(draws, window);
    QStringList out;
    for (const TPositionFigures &p : f.positions) {
        for (const TDigitFigures &d : p.digits)
            out << QString::number(d.count);
        for (const TDigitFigures &d : p.digits)
            out << QString::number(d.omission);
        for (const TDigitFigures &d : p.digits)
            out << QString::number(d.longest);
    }
    return out.join(QLatin1Char(' '));
}

// The history statistics window opened from the Rules menu follows the
// draws as they are typed and taken back, and counts the window chosen.
void TestMainWindow::historyStatsFollowTheDraws()
{
    TMainForm form(m_dir->path());
    ShowAt(form, 687, 500);
    QApplication::setActiveWindow(&form);
    form.Action(QStringLiteral("RegMenuHistoryStats"))->trigger();
    THistoryStatsWindow *history = form.Analysis().HistoryStatsWindow();
    QVERIFY(history && history->isVisible());
    const TCodes &draws = form.Chart().Codes();
    QCOMPARE(shownFigures(*history), expectedFigures(draws, 100));

    form.Chart().setFocus();
    QTest::keyClicks(&form.Chart(), QStringLiteral("12345671000000"));
    QCOMPARE(draws.Count(), 2);
    QTRY_COMPARE(shownFigures(*history), expectedFigures(draws, 100));
    QVERIFY(shownFigures(*history).startsWith(QStringLiteral("0 2 0 0 0 0 0 0 0 0 2 0 2 2 2 2 2 2 2 2")));
    for (int i = 0; i < 7; ++i)
        QTest::keyClick(&form.Chart(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(draws.Count(), 1);
    QTRY_COMPARE(shownFigures(*history), expectedFigures(draws, 100));

    auto *window = history->findChild<QComboBox *>(QStringLiteral("WindowCb"));
    window->setCurrentIndex(window->findText(QStringLiteral("30")));
    QCOMPARE(shownFigures(*history), expectedFigures(draws, 30));
}

// Once the draw the patterns forecast is typed, the statistics window and
// the list say which forecasts came true; after an import of another
// history nothing is judged.
void TestMainWindow::forecastsJudgedWhenTheirDrawComes()
{
    TMainForm form(m_dir->path());
    ShowAt(form, 687, 500);
    QApplication::setActiveWindow(&form);
    form.Chart().Codes() = randomDraws(120, 5);
    form.Chart().Relayout();
    TRegOptions &s = form.Settings();
    s.LinedDistMinSe = 1, s.LinedDistMaxSe = 3, s.LinedPtMinSe = 1, s.LinedPtMaxSe = 2;
    s.InterMinSe = 1, s.InterMaxSe = 5, s.SecCountSe = 3, s.MaxYOfSecSe = 3;
    form.Action(QStringLiteral("RegMenuSearch"))->trigger();
    QVERIFY(QTest::qWaitFor([&] { return !form.Patterns().Busy() && !form.Patterns().WorkerRunning(); }, 60000));
    const int found = form.Patterns().Count();
    QVERIFY(found > 0);
    form.Action(QStringLiteral("RegMenuStats"))->trigger();
    TStatsWindow *stats = form.Analysis().StatsWindow();
    QCOMPARE(stats->Judged().total.tests, 0);
    QCOMPARE(form.ListModel().data(form.ListModel().index(0, 6), Qt::ToolTipRole), QVariant());

    form.Chart().setFocus();
    form.Chart().SetCurrentCell({2, 120}); // the entry row's first digit, as a click there leaves it
    QTest::keyClicks(&form.Chart(), QStringLiteral("3141592"));
    QCOMPARE(form.Chart().Codes().Count(), 121);
    qint64 hits = 0;
    for (int row = 0; row < found; ++row) {
        const TVexelReg &p = *form.ListModel().Reg(row);
        const bool hit = p.Value(0, 0) == TargetSum(form.Chart().Codes(), 120, p.TargetMask());
        hits += hit;
        QCOMPARE(form.ListModel().ForecastOutcome(row), hit ? TForecastCheck::Hit : TForecastCheck::Miss);
    }
    QTRY_COMPARE(stats->Judged().total.tests, qint64(found));
    QCOMPARE(stats->Judged().total.hits, hits);
    QVERIFY(stats->findChild<QLabel *>(QStringLiteral("JudgedLbl"))->text().contains(QString::number(found)));
    QVERIFY(form.ListModel().data(form.ListModel().index(0, 6), Qt::ToolTipRole).toString().contains(
        QStringLiteral("第 121 期已开奖")));

    QTemporaryFile other;
    QVERIFY(other.open());
    for (int i = 0; i < 130; ++i)
        other.write(QByteArray::number(1000000 + i) + "\n");
    other.close();
    form.ImportFile(other.fileName());
    QCOMPARE(form.Chart().Codes().Count(), 130);
    QTRY_COMPARE(stats->Judged().total.tests, 0);
    QCOMPARE(form.ListModel().ForecastOutcome(0), TForecastCheck::Unknown);
}

void TestMainWindow::exportPatternList_data()
{
    QTest::addColumn<QList<int>>("selected"); // rows as the list shows them
    QTest::addColumn<int>("sortColumn");      // -1: the order they were listed in
    QTest::addColumn<int>("rows");
    QTest::newRow("none selected: every row") << QList<int>{} << -1 << 4;
    QTest::newRow("sorted by interval") << QList<int>{} << 2 << 4;
    QTest::newRow("two selected, in the list's order") << QList<int>{3, 1} << 2 << 2;
    QTest::newRow("one selected") << QList<int>{2} << -1 << 1;
}

// The CSV holds the rows the user sees, as the list shows them.
void TestMainWindow::exportPatternList()
{
    QFETCH(QList<int>, selected);
    QFETCH(int, sortColumn);
    QFETCH(int, rows);
    TMainForm form(m_dir->path());
    for (int interval : {3, 1, 4, 2}) {
        auto *p = new TVexelReg;
        p->Line(0).Add({interval % 3, 5 - interval});
        p->SetInterval(interval);
        p->SetTargetMask(0x3);
        p->AddStep({interval, 7}, 0x3);
        form.Patterns().Add(p);
    }
    TRegListView &list = form.ListView();
    if (sortColumn >= 0)
        list.ListViewColumnClick(sortColumn);
    for (int r : selected)
        list.selectionModel()->select(list.model()->index(r, 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QList<int> shown = selected;
    std::sort(shown.begin(), shown.end());
    if (shown.isEmpty())
        for (int r = 0; r < list.model()->rowCount(); ++r)
            shown << r;

    const QString path = QDir(m_dir->path()).filePath(QStringLiteral("规律.csv"));
    FileDialog::SetNextFileName(path);
    form.Action(QStringLiteral("FileMenuExportReg"))->trigger();
    const QByteArray bytes = ReadAll(path);
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    QStringList lines = QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"));
    QCOMPARE(lines.takeLast(), QString());
    QCOMPARE(lines.takeFirst(), QStringLiteral("点,步,隔,距,Vexel合分,位置,结果,点坐标"));
    QCOMPARE(lines.size(), rows);
    for (int i = 0; i < rows; ++i) {
        QStringList cells;
        for (int c = 0; c < 7; ++c)
            cells << list.model()->index(shown[i], c).data().toString();
        QVERIFY2(lines[i].startsWith(cells.join(QLatin1Char(',')) + QLatin1Char(',')), qPrintable(lines[i]));
    }
    messages.clear();
    FileDialog::SetNextFileName(m_dir->path());
    form.Action(QStringLiteral("FileMenuExportReg"))->trigger();
    QCOMPARE(messages.size(), 1);
    QVERIFY(messages[0].startsWith(QStringLiteral("无法导出到文件")));
}

void TestMainWindow::progressText_data()
{
    QTest::addColumn<qint64>("done");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<qint64>("elapsedMs");
    QTest::addColumn<int>("permille");
    QTest::addColumn<QString>("text");
    QTest::newRow("start") << qint64(0) << qint64(1000) << qint64(0) << 0 << QStringLiteral("0.0% 剩余--");
    QTest::newRow("first second") << qint64(500) << qint64(1000) << qint64(1000) << 500 << QStringLiteral("50.0% 剩余--");
    QTest::newRow("too little done to guess") << qint64(4) << qint64(10000) << qint64(60000) << 0
                                              << QStringLiteral("0.0% 剩余--");
    QTest::newRow("a quarter in a minute") << qint64(250) << qint64(1000) << qint64(60000) << 250
                                           << QStringLiteral("25.0% 剩余3分0秒");
    QTest::newRow("hours left") << qint64(1) << qint64(1000) << qint64(10000) << 1
                                << QStringLiteral("0.1% 剩余2时46分");
    QTest::newRow("estimate passed") << qint64(1500) << qint64(1000) << qint64(90000) << 1000
                                     << QStringLiteral("100.0% 剩余0分0秒");
    QTest::newRow("under a second left") << qint64(999) << qint64(1000) << qint64(10000) << 999
                                         << QStringLiteral("99.9% 剩余不到1秒");
    QTest::newRow("days left") << qint64(1) << qint64(1000) << qint64(100000) << 1 << QStringLiteral("0.1% 剩余1天3时");
    QTest::newRow("no estimate") << qint64(500) << qint64(0) << qint64(90000) << 0 << QStringLiteral("0.0% 剩余--");
}

void TestMainWindow::progressText()
{
    QFETCH(qint64, done);
    QFETCH(qint64, total);
    QFETCH(qint64, elapsedMs);
    QFETCH(int, permille);
    QFETCH(QString, text);
    QCOMPARE(TStatusBar::Permille(done, total), permille);
    QCOMPARE(TStatusBar::ProgressText(done, total, elapsedMs), text);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
