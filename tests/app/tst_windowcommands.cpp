// The File menu's commands that read and write the user's files, run from
// their real actions with the dialogs answered: Import, the pattern and
// chart exports, Print, and the backtest window's export. What the user gets
// is looked at: the file written, its first bytes, the message and its icon.
#include "app/AnalysisCommands.h"
#include "app/BacktestWindow.h"
#include "app/Main.h"
#include "app/PrintPreview.h"
#include "chart/VexelCtrl.h"
#include "core/VexelReg.h"
#include "core/VexelRegMgr.h"
#include "tests/support/DrawsOf.h"
#include "tests/support/SmallDisk.h"
#include "tests/support/Unattended.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace {

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Where a row's file goes: "{dir}" is the test's folder, "{disk}" a full
// disk of its own (empty when none could be mounted).
QString TargetPath(const QString &pattern, const QTemporaryDir &dir, TSmallDisk &disk)
{
    QString path = pattern;
    if (path.contains(QLatin1String("{disk}"))) {
        if (!disk.Mounted())
            return {};
        WriteAll(disk.FilePath(QStringLiteral("filler")), QByteArray(16 * 1024, 'x'));
        path.replace(QLatin1String("{disk}"), disk.FilePath(QStringLiteral("表.csv")));
    }
    return path.replace(QLatin1String("{dir}"), dir.path());
}

// The one message shown since the last clearing: its icon and text.
QString OneMessage(QMessageBox::Icon icon)
{
    const QList<MessageBox::TShown> &shown = MessageBox::Shown();
    if (shown.size() != 1 || shown[0].icon != icon || shown[0].title != MessageBox::Title())
        return QStringLiteral("<%1 boxes>").arg(shown.size()) + ShownTexts().join(QLatin1Char('|'));
    return shown[0].text;
}

void AddPatterns(TMainForm &form, int count)
{
    for (int i = 1; i <= count; ++i) {
        auto *p = new TVexelReg;
        p->Line(0).Add({i % 3, 5 - i});
        p->SetInterval(i);
        p->SetTargetMask(0x3);
        p->AddStep({i, 7}, 0x3);
        form.Patterns().Add(p);
    }
}

// A backtest window opened from the Rules menu over `draws`, its run of the
// last three draws ended.
TBacktestWindow *RunBacktest(TMainForm &form, const TCodes &draws)
{
    form.Chart().Codes() = draws;
    form.Settings().SecCountSe = 3;
    form.Action(QStringLiteral("RegMenuBacktest"))->trigger();
    TBacktestWindow *window = form.Analysis().BacktestWindows().value(0);
    if (!window)
        return nullptr;
    window->findChild<QSpinBox *>(QStringLiteral("LastSe"))->setValue(3);
    QSignalSpy shown(window, &TBacktestWindow::backtestShown);
    QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("StartBt")), Qt::LeftButton);
    return shown.wait(120000) ? window : nullptr;
}

const QString CsvFailure = QStringLiteral("无法导出到文件“%1”：%2");

} // namespace

class TestWindowCommands : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void import_data();
    void import();
    void exportPatterns_data();
    void exportPatterns();
    void exportFailureShowsItsCause_data();
    void exportFailureShowsItsCause();
    void exportChart_data();
    void exportChart();
    void print_data();
    void print();
    void aboutShowsTheVersion();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestWindowCommands::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    Unattended();
}

void TestWindowCommands::import_data()
{
    QTest::addColumn<QString>("name"); // "{file}": the file below; empty: cancelled
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("draws");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("message"); // %1: the file
    const QString badLine = QStringLiteral("开奖数据文件“%1”的第%2行不是开奖号码：“%3”\r\n每行应以七位数字开头。");
    QTest::newRow("draws") << "{file}" << QByteArray("1234567\r\n7654321 第2期\r\n") << 2
                           << int(QMessageBox::Information) << QStringLiteral("导入开奖号码成功！");
    QTest::newRow("bad line") << "{file}" << QByteArray("1234567\n\n12a4567 2024-05\n7654321\n") << 1
                              << int(QMessageBox::Warning) << badLine.arg("%1", "3", "12a4567 2024-05");
    QTest::newRow("long bad line") << "{file}" << QByteArray("1234567 x\r12345x7" + QByteArray(60, 'y')) << 1
                                   << int(QMessageBox::Warning)
                                   << badLine.arg("%1", "2", "12345x7" + QString(32, 'y') + QChar(0x2026));
    QTest::newRow("cancelled") << "" << QByteArray("7777777\n") << 1 << int(QMessageBox::NoIcon) << QString();
}

// The Import command reads the file chosen in its dialog; a bad line is
// named by file, line and text, and leaves the draws as they were.
void TestWindowCommands::import()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, text);
    QFETCH(int, draws);
    QFETCH(int, icon);
    QFETCH(QString, message);
    TMainForm form(m_dir->path());
    form.Chart().Codes() = drawsOf({QStringLiteral("1111111")});
    const QString file = m_dir->filePath(QStringLiteral("开奖.txt"));
    QVERIFY(WriteAll(file, text));
    MessageBox::ClearShown();
    FileDialog::ClearAsked();
    FileDialog::SetNextFileName(name.replace(QLatin1String("{file}"), file));
    form.Action(QStringLiteral("FileNenuImport"))->trigger();

    QCOMPARE(FileDialog::Asked().size(), 1);
    QCOMPARE(FileDialog::Asked()[0].caption, QStringLiteral("从文本文件中的开奖数据导入号码"));
    QCOMPARE(FileDialog::Asked()[0].filters, (QStringList{"文本文件 (*.txt)", "任何文件 (*)"}));
    QCOMPARE(form.Chart().Codes().Count(), draws);
    if (message.isEmpty())
        QCOMPARE(MessageBox::Shown().size(), 0);
    else
        QCOMPARE(OneMessage(QMessageBox::Icon(icon)), QString(message).replace(QLatin1String("%1"), file));
}

void TestWindowCommands::exportPatterns_data()
{
    QTest::addColumn<int>("selected");
    QTest::addColumn<QString>("caption");
    QTest::newRow("none selected: every row") << 0 << QStringLiteral("导出全部4个规律");
    QTest::newRow("two selected") << 2 << QStringLiteral("导出选中的2个规律");
}

// The pattern export asks for a file, naming what it exports, and writes a
// table spreadsheet programs read: a byte-order mark, the title row and one
// row per pattern exported.
void TestWindowCommands::exportPatterns()
{
    QFETCH(int, selected);
    QFETCH(QString, caption);
    TMainForm form(m_dir->path());
    AddPatterns(form, 4);
    for (int r = 0; r < selected; ++r)
        form.ListView().selectionModel()->select(form.ListView().model()->index(r, 0),
                                                 QItemSelectionModel::Select | QItemSelectionModel::Rows);
    const QString path = m_dir->filePath(QStringLiteral("规律.csv"));
    MessageBox::ClearShown();
    FileDialog::SetNextFileName(path);
    form.Action(QStringLiteral("FileMenuExportReg"))->trigger();
    QCOMPARE(FileDialog::Asked().value(0).caption, caption);
    QVERIFY(FileDialog::Asked().value(0).start.endsWith(QStringLiteral("/规律.csv")));
    QCOMPARE(ShownTexts(), QStringList());
    const QByteArray bytes = ReadAll(path);
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF" + QStringLiteral("点,步,隔,距,").toUtf8()));
    QCOMPARE(bytes.count("\r\n"), 1 + (selected ? selected : 4));
}

void TestWindowCommands::exportFailureShowsItsCause_data()
{
    QTest::addColumn<QString>("command"); // FileMenuExportReg, or the backtest window's ExportBt
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("cause");
    const QList<QPair<const char *, QString>> targets{
        {"a folder", QStringLiteral("{dir}")},
        {"a missing folder", QStringLiteral("{dir}/无/表.csv")},
        {"a device", QStringLiteral("/dev/full")},
        {"a full disk", QStringLiteral("{disk}")},
    };
    const QStringList causes{QStringLiteral("这是一个文件夹，不是一个普通文件"), QStringLiteral("文件夹不存在"),
                             QStringLiteral("这是一个设备，不是一个普通文件"), QStringLiteral("磁盘空间不足")};
    for (const char *command : {"FileMenuExportReg", "ExportBt"})
        for (int i = 0; i < targets.size(); ++i)
            QTest::addRow("%s onto %s", command, targets[i].first) << command << targets[i].second << causes[i];
}

// A table that cannot be written says where and why, with a warning, and
// leaves no file behind.
void TestWindowCommands::exportFailureShowsItsCause()
{
    QFETCH(QString, command);
    QFETCH(QString, target);
    QFETCH(QString, cause);
    TSmallDisk disk;
    const QString path = TargetPath(target, *m_dir, disk);
    if (path.isEmpty())
        QSKIP("no small disk could be mounted");
    TMainForm form(m_dir->path());
    AddPatterns(form, 3);
    MessageBox::ClearShown();
    FileDialog::SetNextFileName(path);
    if (command == QLatin1String("ExportBt")) {
        TBacktestWindow *window = RunBacktest(form, randomDraws(40, 3));
        QVERIFY(window);
        MessageBox::ClearShown();
        QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("ExportBt")), Qt::LeftButton);
    } else {
        form.Action(command)->trigger();
    }
    QCOMPARE(OneMessage(QMessageBox::Warning), CsvFailure.arg(path, cause));
    if (target.contains(QLatin1String("{disk}")))
        QVERIFY(!QFile::exists(path));
}

void TestWindowCommands::exportChart_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QByteArray>("start"); // empty: nothing is written
    // "written" empty: the name is taken by a folder.
    QTest::newRow("picture") << "图表.png" << "图表.png" << QByteArray("\x89PNG\r\n\x1a\n");
    QTest::newRow("document") << "图表.PDF" << "图表.PDF" << QByteArray("%PDF-");
    QTest::newRow("no ending") << "图表" << "图表.png" << QByteArray("\x89PNG\r\n\x1a\n");
    QTest::newRow("other ending") << "图表.v2" << "图表.v2.png" << QByteArray("\x89PNG\r\n\x1a\n");
    QTest::newRow("cancelled") << "" << "图表.png" << QByteArray();
    QTest::newRow("onto a folder") << "占用.png" << "" << QByteArray();
}

// The chart export writes the kind its name asks for; a failure warns with
// the file and its cause.
void TestWindowCommands::exportChart()
{
    QFETCH(QString, name);
    QFETCH(QString, written);
    QFETCH(QByteArray, start);
    TMainForm form(m_dir->path());
    form.Chart().Codes() = randomDraws(30, 4);
    form.Chart().Relayout();
    const QString folder = m_dir->filePath(QStringLiteral("图"));
    QVERIFY(QDir().mkpath(folder));
    const QString path = name.isEmpty() ? QString() : QDir(folder).filePath(name);
    if (written.isEmpty())
        QVERIFY(QDir().mkpath(path));
    MessageBox::ClearShown();
    FileDialog::SetNextFileName(path);
    form.Action(QStringLiteral("FileMenuExportChart"))->trigger();
    QCOMPARE(FileDialog::Asked().value(0).filters, (QStringList{"PNG 图片 (*.png)", "PDF 文档 (*.pdf)"}));
    if (written.isEmpty()) {
        QCOMPARE(OneMessage(QMessageBox::Warning),
                 QStringLiteral("无法写入文件“%1”：这是一个文件夹，不是一个普通文件").arg(path));
        return;
    }
    QCOMPARE(ShownTexts(), QStringList());
    QCOMPARE(ReadAll(QDir(folder).filePath(written)).left(start.size()), start);
    QCOMPARE(QDir(folder).entryList(QDir::Files).size(), start.isEmpty() ? 0 : 1);
}

void TestWindowCommands::print_data()
{
    QTest::addColumn<bool>("writable");
    QTest::newRow("printed") << true;
    QTest::newRow("printer not ready") << false;
}

// Print prints the chart's pages; a print that cannot start warns.
void TestWindowCommands::print()
{
    QFETCH(bool, writable);
    TMainForm form(m_dir->path());
    form.Chart().Codes() = randomDraws(20, 6);
    form.Chart().Relayout();
    const QString path = writable ? m_dir->filePath(QStringLiteral("打印.pdf")) : m_dir->filePath("无/打印.pdf");
    MessageBox::ClearShown();
    PrintPreview::SetNextPdfFile(path);
    form.Action(QStringLiteral("FileMenuPrint"))->trigger();
    QCOMPARE(form.Action(QStringLiteral("FileMenuPrint"))->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
    if (!writable) {
        QVERIFY(OneMessage(QMessageBox::Warning).startsWith(QStringLiteral("无法打印图表")));
        return;
    }
    QCOMPARE(ShownTexts(), QStringList());
    const QByteArray pdf = ReadAll(path);
    QVERIFY(pdf.startsWith("%PDF-"));
    // 120 draws take more than one A4 page.
    // A page, the document titled "规律图表" (in UTF-16 with its byte-order mark).
    QVERIFY(pdf.contains("/Type /Page\n"));
    QVERIFY(pdf.contains(QByteArray("/Title (\xFE\xFF\x89\xC4\x5F\x8B\x56\xFE\x88\x68)")));
}


// The title and the About box show the version the project is built as,
// which --version prints too.
void TestWindowCommands::aboutShowsTheVersion()
{
    TMainForm form(m_dir->path());
    const QString version = QStringLiteral(PROJECT_VERSION_TEXT);
    QVERIFY(form.windowTitle().startsWith(MessageBox::Title() + QStringLiteral(" v") + version + QStringLiteral(" - ")));
    QString shown;
    QTimer::singleShot(0, &form, [&shown] {
        if (QWidget *box = QApplication::activeModalWidget()) {
            shown = box->findChild<QLabel *>(QStringLiteral("AboutText"))->text();
            box->close();
        }
    });
    form.Action(QStringLiteral("HelpMenuAbout"))->trigger();
    QVERIFY2(shown.contains(QStringLiteral("<p>版本 %1</p>").arg(version)), qPrintable(shown));
}

QTEST_MAIN(TestWindowCommands)
#include "tst_windowcommands.moc"
